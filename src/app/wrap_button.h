#pragma once

#include <QPushButton>

namespace kalvex {

// A push button whose caption wraps onto several lines when the button is
// too narrow for it, as tall buttons of the main window need. The caption's
// "&" still gives the keyboard shortcut.
class WrapButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

    // The height the caption needs at the button's present width, frame
    // included.
    int NeededHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kalvex
