// Message boxes and the input box, as the window shows them.
#include "app/qt_dialogs.h"

#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace kalvex {
namespace {

void Show(QWidget* owner, QMessageBox::Icon icon, const std::string& text) {
    QMessageBox box(icon, QString::fromUtf8(kApplicationTitle), QString::fromUtf8(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace

void QtMessageService::ShowExclamation(const std::string& text) {
    Show(owner_, QMessageBox::Warning, text);
}

void QtMessageService::ShowInformation(const std::string& text) {
    Show(owner_, QMessageBox::Information, text);
}

std::optional<std::string> QtInputBox::Ask(const std::string& prompt, const std::string& proposed) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(owner_, QString::fromUtf8(kApplicationTitle),
                                                 QString::fromUtf8(prompt), QLineEdit::Normal,
                                                 QString::fromUtf8(proposed), &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    return answer.toStdString();
}

void QtDesktopServices::OpenFile(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromUtf8(path)));
}

}  // namespace kalvex
