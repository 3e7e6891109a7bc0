#include "app/settings_location.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kalvex {

std::string SettingsFilePath(const std::string& program_folder, const std::string& config_home,
                             const std::string& home) {
    const std::string beside_program = program_folder + kSettingsFileName;
    std::error_code error;
    if (std::filesystem::exists(beside_program, error) ||
        access(program_folder.c_str(), W_OK) == 0) {
        return beside_program;
    }
    std::string base = config_home;
    if (base.empty() || base.front() != '/') {
        base = home + "/.config";
    }
    return base + "/kalvex-tagger/" + kSettingsFileName;
}

std::string SettingsFilePath(const std::string& program_folder) {
    const char* config_home = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return SettingsFilePath(program_folder, config_home ? config_home : "", home ? home : "");
}

}  // namespace kalvex
