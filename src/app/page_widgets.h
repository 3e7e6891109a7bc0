#pragma once

#include <QString>
#include <string>

#include "app/main_layout.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kalvex {

// Makers for the window's controls, each named and placed in twips.
void Place(QWidget* widget, const TwipRect& place);

template <typename Widget>
Widget* Make(QWidget* parent, const char* name, const TwipRect& place) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    Place(widget, place);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const TwipRect& place);
QLineEdit* MakeEdit(QWidget* parent, const char* name, const TwipRect& place,
                    int max_length = 32767);
QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text, const TwipRect& place);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text,
                        const TwipRect& place);
QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& title,
                     const TwipRect& place);

// A text box's text as the core takes it (UTF-8).
std::string Text(const QLineEdit* edit);

// One labelled row of a field grid: label on the left, field beside it.
inline constexpr int kLabelLeft = 120;
inline constexpr int kLabelWidth = 1020;
inline constexpr int kFieldLeft = 1200;
inline constexpr int kFieldHeight = 285;

inline TwipRect LabelAt(int top, int left = kLabelLeft, int width = kLabelWidth) {
    return {left, top + 30, width, 255};
}
inline TwipRect FieldAt(int top, int width, int left = kFieldLeft) {
    return {left, top, width, kFieldHeight};
}

inline constexpr int kPageContentWidth = 5010;

}  // namespace kalvex
