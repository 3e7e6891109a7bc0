// A push button whose caption wraps onto a second line.
#include "app/wrap_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace kalvex {

namespace {

// The caption's room inside the button.
QRect CaptionArea(const QPushButton& button, const QStyleOptionButton& option) {
    return button.style()
        ->subElementRect(QStyle::SE_PushButtonContents, &option, &button)
        .adjusted(2, 0, -2, 0);
}

}  // namespace

int WrapButton::NeededHeight() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect area = CaptionArea(*this, option);
    const QRect text = fontMetrics().boundingRect(
        QRect(0, 0, area.width(), 10'000), Qt::TextWordWrap | Qt::TextShowMnemonic, option.text);
    // The frame around the caption area, and a pixel above and below it.
    return text.height() + (height() - area.height()) + 2;
}

void WrapButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const QRect area = CaptionArea(*this, option);
    int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this)) {
        flags |= Qt::TextHideMnemonic;
    }
    painter.drawItemText(area, flags, option.palette, isEnabled(), caption, QPalette::ButtonText);
}

}  // namespace kalvex
