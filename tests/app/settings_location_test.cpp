#include "app/settings_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kalvex {
namespace {

namespace fs = std::filesystem;

TEST(SettingsLocationTest, BesideTheProgramWhenItsFolderIsWritable) {
    const std::string folder = fs::temp_directory_path().string() + "/";
    EXPECT_EQ(SettingsFilePath(folder, "/config", "/home/u"), folder + "Settings.ini");
}

TEST(SettingsLocationTest, ElseInTheUsersConfigurationFolder) {
    const std::string nowhere = "/nonexistent-kalvex-folder/";
    EXPECT_EQ(SettingsFilePath(nowhere, "/cfg", "/home/u"), "/cfg/kalvex-tagger/Settings.ini");
    EXPECT_EQ(SettingsFilePath(nowhere, "", "/home/u"),
              "/home/u/.config/kalvex-tagger/Settings.ini");
    // A relative XDG_CONFIG_HOME is ignored, as the base directory rules say.
    EXPECT_EQ(SettingsFilePath(nowhere, "cfg", "/home/u"),
              "/home/u/.config/kalvex-tagger/Settings.ini");
}

}  // namespace
}  // namespace kalvex
