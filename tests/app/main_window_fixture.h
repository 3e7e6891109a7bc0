#pragma once

// The real main window for widget tests: its messages collected, its
// settings file in a folder of the test's own that goes with the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/frm_main.h"
#include "test_files.h"

namespace kalvex::test {

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest() { std::filesystem::create_directory(program); }

    // Opens the window, closing one already open.
    frmMain& Open(DriveSelection drives = {}, std::unique_ptr<DesktopServices> desktop = {},
                  std::unique_ptr<InputBox> input = {}) {
        window.reset();
        MainWindowServices services;
        services.select_drives = std::move(drives);
        services.desktop = std::move(desktop);
        services.input = std::move(input);
        auto collecting = std::make_unique<CollectingMessageService>();
        messages = collecting.get();
        services.messages = std::move(collecting);
        services.program_folder = program.string();
        window = std::make_unique<frmMain>(std::move(services));
        window->show();
        return *window;
    }
    void Store(const std::string& content) { std::ofstream(settings) << content; }

    TempFolder temp{"kalvex-window"};
    const std::filesystem::path folder = temp.path();
    const std::filesystem::path program = folder / "program";
    const std::string settings = (program / "Settings.ini").string();
    // Declared last, so the window closes before its folder goes.
    std::unique_ptr<frmMain> window;
    CollectingMessageService* messages = nullptr;
};

}  // namespace kalvex::test
