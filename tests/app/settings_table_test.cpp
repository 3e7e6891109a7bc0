// The window's eleven keys are read and written in frm_main_test; here only
// the fallbacks a row may bring, which none of them has.
#include "app/settings_table.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <fstream>
#include <optional>

#include "test_files.h"

namespace kalvex {
namespace {

TEST(SettingsTableTest, AFallbackStandsInForAMissingKeyOrFileButNotForAnEmptyValue) {
    struct Case {
        const char* name;
        std::optional<std::string> stored;  // the file, if there is one
        bool ticked;
        std::string edit;
        std::string plain;  // a box without a fallback, made with "made"
    };
    const Case cases[] = {
        {"no file", std::nullopt, true, "me@home", "made"},
        {"keys missing", "[Other]\nBox=0\n", true, "me@home", ""},
        {"keys stored", "[S]\nBox=0\nEdit=\nPlain=p\n", false, "", "p"},
    };
    for (const Case& c : cases) {
        test::TempFolder temp("kalvex-settings");
        const std::string file = (temp.path() / "Settings.ini").string();
        if (c.stored) {
            std::ofstream(file) << *c.stored;
        }
        QCheckBox box;
        QLineEdit edit;
        QLineEdit plain("made");
        const std::vector<Setting> table = {CheckSetting("S", "Box", &box, "1"),
                                            EditSetting("S", "Edit", &edit, "me@home"),
                                            EditSetting("S", "Plain", &plain)};
        EXPECT_EQ(ReadSettings(table, file), c.stored.has_value()) << c.name;
        EXPECT_EQ(box.isChecked(), c.ticked) << c.name;
        EXPECT_EQ(edit.text().toStdString(), c.edit) << c.name;
        EXPECT_EQ(plain.text().toStdString(), c.plain) << c.name;
    }
}

}  // namespace
}  // namespace kalvex
