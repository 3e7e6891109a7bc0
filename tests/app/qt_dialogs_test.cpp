#include "app/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

namespace kalvex {
namespace {

// Runs `act` on the modal dialog as soon as it is open.
template <typename Dialog, typename Act>
void WhenOpen(Act act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

TEST(QtDialogsTest, MessageBoxesCarryTheTitleAndTheirIcon) {
    QWidget owner;
    QtMessageService messages(&owner);
    QStringList shown;
    auto record = [&](QMessageBox& box) {
        shown << box.windowTitle() + "|" + box.text() + "|" + QString::number(box.icon());
        box.accept();
    };
    WhenOpen<QMessageBox>(record);
    messages.ShowExclamation("Could not connect");
    WhenOpen<QMessageBox>(record);
    messages.ShowInformation("Connected");
    EXPECT_EQ(shown, (QStringList{
                         "Kalvex Tagger|Could not connect|" + QString::number(QMessageBox::Warning),
                         "Kalvex Tagger|Connected|" + QString::number(QMessageBox::Information)}));
}

TEST(QtDialogsTest, InputBoxProposesAnAnswerAndTellsCancelApart) {
    QWidget owner;
    QtInputBox input(&owner);
    WhenOpen<QInputDialog>([](QInputDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Kalvex Tagger");
        EXPECT_EQ(dialog.labelText(), "Change track number to:");
        EXPECT_EQ(dialog.textValue(), "3");
        dialog.setTextValue("7");
        dialog.accept();
    });
    EXPECT_EQ(input.Ask("Change track number to:", "3"), std::optional<std::string>("7"));

    WhenOpen<QInputDialog>([](QInputDialog& dialog) { dialog.reject(); });
    EXPECT_EQ(input.Ask("Change track number to:", "3"), std::nullopt);
}

}  // namespace
}  // namespace kalvex
