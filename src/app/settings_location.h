#pragma once

#include <string>

namespace kalvex {

inline constexpr const char* kSettingsFileName = "Settings.ini";

// Where "Settings.ini" lives: beside the program when that folder already
// holds it or is writable, otherwise in the user's configuration folder
// (config_home, or home + "/.config" when config_home is empty or relative)
// under "kalvex-tagger". program_folder ends in a separator.
std::string SettingsFilePath(const std::string& program_folder, const std::string& config_home,
                             const std::string& home);

// The same with XDG_CONFIG_HOME and HOME from the environment.
std::string SettingsFilePath(const std::string& program_folder);

}  // namespace kalvex
