#pragma once

#include <string>

namespace kalvex {

inline constexpr const char* kSettingsFileName = "Settings.ini";

// What decides where "Settings.ini" lives.
struct SettingsPlaces {
    std::string program_folder;  // ends in a separator
    std::string config_home;     // $XDG_CONFIG_HOME
    std::string home;            // $HOME
    std::string settings_dir;    // $KALVEX_SETTINGS_DIR
    // Off in a system-wide install: /usr/bin is no place for a user's
    // settings, not even when the user is root and could write there.
    bool beside_program = true;
};

// settings_dir, when set, holds the file (so a demo or a test runs with
// settings of its own and leaves the user's alone). Otherwise the file lives
// beside the program when that folder already holds it or is writable, else
// in the user's configuration folder (config_home, or home + "/.config" when
// config_home is empty or relative) under "kalvex-tagger".
std::string SettingsFilePath(const SettingsPlaces& places);

// The same with the folders from the environment and beside_program as built.
std::string SettingsFilePath(const std::string& program_folder);

}  // namespace kalvex
