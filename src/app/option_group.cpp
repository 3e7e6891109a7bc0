// Option button groups: the index of the selected button, as the settings store it.
#include "app/option_group.h"

namespace kalvex {
namespace {

QString ContainerName(const QWidget& widget) {
    return widget.parentWidget() ? widget.parentWidget()->objectName() : QString();
}

}  // namespace

std::string SelectedOptionIndex(const QWidget& window, const QRadioButton& one) {
    for (const QRadioButton* button : window.findChildren<QRadioButton*>()) {
        if (button->objectName() == one.objectName() &&
            ContainerName(*button) == ContainerName(one) && button->isChecked()) {
            return std::to_string(button->property(kOptionIndexProperty).toInt());
        }
    }
    return "";
}

}  // namespace kalvex
