#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace kalvex {

// One key of "Settings.ini" and what it stands for in the window: how a
// stored value is shown and what is stored back. A fallback is read in
// place of a missing key, and shown at first start when there is no file
// yet; without one a missing key reads as "" and a first start leaves the
// control as it was made.
struct Setting {
    const char* section;
    const char* key;
    std::function<void(const std::string&)> show;
    std::function<std::string()> value;
    std::optional<std::string> fallback;
};

// Text the window keeps, as stored.
Setting TextSetting(const char* section, const char* key, std::string& text,
                    std::optional<std::string> fallback = {});
// A text box, as stored.
Setting EditSetting(const char* section, const char* key, QLineEdit* box,
                    std::optional<std::string> fallback = {});
// A check box, stored as "0" or "1"; any number other than 0 ticks it.
Setting CheckSetting(const char* section, const char* key, QCheckBox* box,
                     std::optional<std::string> fallback = {});
// A drop-down list, stored as the chosen entry's text; a stored text that
// is no entry leaves the list as it is.
Setting ComboSetting(const char* section, const char* key, QComboBox* box,
                     std::optional<std::string> fallback = {});
// A group of option buttons, stored as the index of the selected one; a
// stored index out of range selects none of them and leaves the group as it is.
Setting ChoiceSetting(const char* section, const char* key, std::span<QRadioButton* const> group);

// Shows each setting stored in `file`; with no file, only the fallbacks.
// False when there is no file.
bool ReadSettings(const std::vector<Setting>& table, const std::string& file);
// Stores the settings in the table's order. A settings file that cannot be
// written is not reported.
void WriteSettings(const std::vector<Setting>& table, const std::string& file);

}  // namespace kalvex
