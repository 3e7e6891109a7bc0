#pragma once

#include <QRadioButton>
#include <QWidget>
#include <string>

namespace kalvex {

// Option buttons of one group share their object name and their container;
// each carries its index in the dynamic property "index".
inline constexpr const char* kOptionIndexProperty = "index";

// The index, as decimal text, of the selected button in the group of `one`:
// the buttons of `window` with the same name inside a container of the same
// name. "" when none is selected.
std::string SelectedOptionIndex(const QWidget& window, const QRadioButton& one);

}  // namespace kalvex
