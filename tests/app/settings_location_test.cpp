#include "app/settings_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kalvex {
namespace {

namespace fs = std::filesystem;

TEST(SettingsLocationTest, BesideTheProgramWhenItsFolderIsWritableElseInTheConfigurationFolder) {
    const std::string folder = fs::temp_directory_path().string() + "/";
    EXPECT_EQ(SettingsFilePath(folder, "/config", "/home/u"), folder + "Settings.ini");
    const std::string nowhere = "/nonexistent-kalvex-folder/";
    EXPECT_EQ(SettingsFilePath(nowhere, "/cfg", "/home/u"), "/cfg/kalvex-tagger/Settings.ini");
    // No or a relative XDG_CONFIG_HOME (ignored, as the base directory rules say).
    for (const char* config : {"", "cfg"}) {
        EXPECT_EQ(SettingsFilePath(nowhere, config, "/home/u"),
                  "/home/u/.config/kalvex-tagger/Settings.ini")
            << config;
    }
}

}  // namespace
}  // namespace kalvex
