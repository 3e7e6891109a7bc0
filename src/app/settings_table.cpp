// The window's "Settings.ini" keys, each with the control it feeds.
#include "app/settings_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "app/option_group.h"
#include "app/page_widgets.h"
#include "common/numbers.h"
#include "workflow/ini_file.h"

namespace kalvex {
namespace {

// A stored number rounded to a whole one, halves to even, within 32 bits;
// an empty or foreign value reads as its leading number.
int StoredWholeNumber(const std::string& stored) {
    const double value = std::nearbyint(LeadingDecimal(stored));
    return static_cast<int>(std::clamp(value, double{INT32_MIN}, double{INT32_MAX}));
}

}  // namespace

Setting TextSetting(const char* section, const char* key, std::string& text,
                    std::optional<std::string> fallback) {
    return {section, key, [&text](const std::string& stored) { text = stored; },
            [&text] { return text; }, std::move(fallback)};
}

Setting EditSetting(const char* section, const char* key, QLineEdit* box,
                    std::optional<std::string> fallback) {
    return {section, key,
            [box](const std::string& stored) { box->setText(QString::fromStdString(stored)); },
            [box] { return Text(box); }, std::move(fallback)};
}

Setting CheckSetting(const char* section, const char* key, QCheckBox* box,
                     std::optional<std::string> fallback) {
    // The program itself writes 0 or 1.
    return {section, key,
            [box](const std::string& stored) { box->setChecked(StoredWholeNumber(stored) != 0); },
            [box] { return std::string(box->isChecked() ? "1" : "0"); }, std::move(fallback)};
}

Setting ComboSetting(const char* section, const char* key, QComboBox* box,
                     std::optional<std::string> fallback) {
    return {section, key,
            [box](const std::string& stored) {
                const int index = box->findText(QString::fromStdString(stored));
                if (index >= 0) {
                    box->setCurrentIndex(index);
                }
            },
            [box] { return box->currentText().toStdString(); }, std::move(fallback)};
}

Setting ChoiceSetting(const char* section, const char* key, std::span<QRadioButton* const> group) {
    const std::vector<QRadioButton*> buttons(group.begin(), group.end());
    return {section, key,
            [buttons](const std::string& stored) {
                const int index = StoredWholeNumber(stored);
                if (index >= 0 && index < static_cast<int>(buttons.size())) {
                    buttons[index]->setChecked(true);
                }
            },
            [buttons] { return SelectedOptionIndex(*buttons[0]->window(), *buttons[0]); },
            std::nullopt};
}

bool ReadSettings(const std::vector<Setting>& table, const std::string& file) {
    std::error_code error;
    const bool stored = std::filesystem::is_regular_file(file, error);
    for (const Setting& setting : table) {
        if (stored) {
            setting.show(
                ReadIniValue(setting.section, setting.key, file, setting.fallback.value_or("")));
        } else if (setting.fallback) {
            setting.show(*setting.fallback);
        }
    }
    return stored;
}

void WriteSettings(const std::vector<Setting>& table, const std::string& file) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), error);
    for (const Setting& setting : table) {
        WriteIniValue(setting.section, setting.key, setting.value(), file);
    }
}

}  // namespace kalvex
