// The CD drive box, and filling it through the SCSI back end chosen at start.
#include "app/drive_combo_box.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include "cdrom/drive_error.h"

namespace kalvex {
namespace {

// Room the drop-down list keeps beside its longest entry: the item's own
// margins and a scroll bar.
constexpr int kListSpareWidth = 24;
// The style's label inset inside the edit field.
constexpr int kLabelInset = 4;

}  // namespace

DriveComboBox::DriveComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, [this] { setToolTip(currentText()); });
}

void DriveComboBox::AddDrive(const std::string& text, int drive_index) {
    const QString entry = QString::fromUtf8(text);
    addItem(entry, drive_index);
    const int needed = view()->fontMetrics().horizontalAdvance(entry) + kListSpareWidth;
    view()->setMinimumWidth(std::max(view()->minimumWidth(), needed));
}

bool DriveComboBox::SelectFirst() {
    if (count() == 0) {
        return false;
    }
    setCurrentIndex(0);
    return true;
}

int DriveComboBox::SelectedDriveIndex() const {
    return currentIndex() < 0 ? 0 : currentData().toInt();
}

QString DriveComboBox::DisplayedText() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    return fontMetrics().elidedText(currentText(), Qt::ElideMiddle, field.width() - kLabelInset);
}

void DriveComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = DisplayedText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void FillDriveBox(DriveComboBox& box, const DriveSelection& select, MessageService& messages) {
    if (!select) {
        return;
    }
    auto report = [&messages](int number, const std::string& description) {
        messages.ShowExclamation(DriveAccessErrorText(number, description));
    };
    try {
        select(box, messages);
    } catch (const DriveAccessError& error) {
        report(error.number(), error.what());
    } catch (const std::exception& error) {
        report(0, error.what());
    } catch (...) {
        report(0, "Unknown error");
    }
}

}  // namespace kalvex
