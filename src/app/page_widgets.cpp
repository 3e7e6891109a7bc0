// Small makers of the pages' labels, boxes and buttons at twip places.
#include "app/page_widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/twips.h"

namespace kalvex {

void Place(QWidget* widget, const TwipRect& r) {
    widget->setGeometry(TwipsToPixels(r.left), TwipsToPixels(r.top), TwipsToPixels(r.width),
                        TwipsToPixels(r.height));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const TwipRect& place) {
    auto* label = Make<QLabel>(parent, name, place);
    label->setText(text);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const TwipRect& place, int max_length) {
    auto* edit = Make<QLineEdit>(parent, name, place);
    edit->setMaxLength(max_length);
    return edit;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text,
                     const TwipRect& place) {
    auto* check = Make<QCheckBox>(parent, name, place);
    check->setText(text);
    return check;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text,
                        const TwipRect& place) {
    auto* button = Make<QPushButton>(parent, name, place);
    button->setText(text);
    return button;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& title,
                     const TwipRect& place) {
    auto* group = Make<QGroupBox>(parent, name, place);
    group->setTitle(title);
    return group;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace kalvex
