// Where "Settings.ini" lives: beside the program or in the user's configuration folder.
#include "workflow/settings_location.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "common/text_helpers.h"

#ifndef KALVEX_SETTINGS_BESIDE_PROGRAM
#define KALVEX_SETTINGS_BESIDE_PROGRAM 1
#endif

namespace kalvex {

std::string SettingsFilePath(const SettingsPlaces& places) {
    if (!places.settings_dir.empty()) {
        return AddBackslash(places.settings_dir) + kSettingsFileName;
    }
    if (places.beside_program) {
        const std::string beside_program = places.program_folder + kSettingsFileName;
        std::error_code error;
        if (std::filesystem::exists(beside_program, error) ||
            access(places.program_folder.c_str(), W_OK) == 0) {
            return beside_program;
        }
    }
    std::string base = places.config_home;
    if (base.empty() || base.front() != '/') {
        base = places.home + "/.config";
    }
    return base + "/kalvex-tagger/" + kSettingsFileName;
}

std::string SettingsFilePath(const std::string& program_folder) {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    return SettingsFilePath({.program_folder = program_folder,
                             .config_home = variable("XDG_CONFIG_HOME"),
                             .home = variable("HOME"),
                             .settings_dir = variable("KALVEX_SETTINGS_DIR"),
                             .beside_program = KALVEX_SETTINGS_BESIDE_PROGRAM != 0});
}

}  // namespace kalvex
