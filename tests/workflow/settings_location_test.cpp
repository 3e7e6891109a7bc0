#include "workflow/settings_location.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace kalvex {
namespace {

namespace fs = std::filesystem;

TEST(SettingsLocationTest, BesideTheProgramWhenItsFolderIsWritableElseInTheConfigurationFolder) {
    const std::string folder = fs::temp_directory_path().string() + "/";
    SettingsPlaces places{folder, "/config", "/home/u", "", true};
    EXPECT_EQ(SettingsFilePath(places), folder + "Settings.ini");
    // A system-wide install never writes beside the program, even as root.
    places.beside_program = false;
    EXPECT_EQ(SettingsFilePath(places), "/config/kalvex-tagger/Settings.ini");
    places.program_folder = "/nonexistent-kalvex-folder/";
    places.beside_program = true;
    // No or a relative XDG_CONFIG_HOME (ignored, as the base directory rules say).
    for (const char* config : {"", "cfg"}) {
        places.config_home = config;
        EXPECT_EQ(SettingsFilePath(places), "/home/u/.config/kalvex-tagger/Settings.ini") << config;
    }
    // KALVEX_SETTINGS_DIR overrides every other place.
    setenv("KALVEX_SETTINGS_DIR", "/demo/settings", 1);
    EXPECT_EQ(SettingsFilePath(folder), "/demo/settings/Settings.ini");
    unsetenv("KALVEX_SETTINGS_DIR");
    EXPECT_EQ(SettingsFilePath(folder), folder + "Settings.ini");
}

}  // namespace
}  // namespace kalvex
