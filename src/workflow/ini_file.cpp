// Reading and writing "Settings.ini" as the Windows private-profile functions do.
#include "workflow/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/text_helpers.h"

namespace kalvex {
namespace {

struct IniText {
    std::vector<std::string> lines;  // without line ends
    bool crlf = false;
    bool exists = false;
};

IniText Load(const std::string& file) {
    IniText text;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return text;
    }
    text.exists = true;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            text.crlf = true;
        }
        text.lines.push_back(line);
    }
    return text;
}

std::string_view TrimSpace(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The section name of a "[name]" line.
bool SectionName(std::string_view line, std::string_view& name) {
    line = TrimSpace(line);
    if (line.empty() || line.front() != '[') {
        return false;
    }
    const auto close = line.find(']');
    name = TrimSpace(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
    return true;
}

bool KeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return false;
    }
    key = TrimSpace(line.substr(0, equals));
    value = TrimSpace(line.substr(equals + 1));
    return true;
}

// Lines [begin, end) of the section's body; begin == npos when it is missing.
void FindSection(const IniText& text, std::string_view section, std::size_t& begin,
                 std::size_t& end) {
    begin = end = std::string::npos;
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        std::string_view name;
        if (!SectionName(text.lines[i], name)) {
            continue;
        }
        if (begin != std::string::npos) {
            end = i;
            return;
        }
        if (EqualsIgnoringCase(name, section)) {
            begin = i + 1;
        }
    }
    if (begin != std::string::npos) {
        end = text.lines.size();
    }
}

bool BreaksStructure(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos ||
           text.find('\0') != std::string_view::npos;
}

mode_t CurrentUmask() {
    const mode_t mask = umask(022);
    umask(mask);
    return mask;
}

// Like the profile functions on a file with the read-only attribute, a file
// whose owner may not write it is left alone, even though replacing it only
// needs the folder's permission (and root may write it anyway). errno tells
// why.
bool MayRewrite(const std::string& file) {
    struct stat status {};
    if (stat(file.c_str(), &status) != 0) {
        return errno == ENOENT;
    }
    if ((status.st_mode & S_IWUSR) == 0) {
        errno = EACCES;
        return false;
    }
    return access(file.c_str(), W_OK) == 0;
}

bool SaveAtomically(const IniText& text, const std::string& file) {
    if (!MayRewrite(file)) {
        return false;
    }
    std::string content;
    const char* line_end = text.crlf ? "\r\n" : "\n";
    for (const std::string& line : text.lines) {
        content += line;
        content += line_end;
    }
    std::string temporary = file + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    // An existing file keeps its permissions; a new one gets the usual ones.
    struct stat old_status {};
    const mode_t mode = stat(file.c_str(), &old_status) == 0 ? (old_status.st_mode & 07777)
                                                             : (0666 & ~CurrentUmask());
    bool ok = fchmod(fd, mode) == 0;
    std::size_t written = 0;
    while (ok && written < content.size()) {
        const ssize_t n = write(fd, content.data() + written, content.size() - written);
        ok = n > 0;
        written += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && std::rename(temporary.c_str(), file.c_str()) == 0;
    if (!ok) {
        std::remove(temporary.c_str());
    }
    return ok;
}

}  // namespace

std::string ReadIniValue(std::string_view section, std::string_view key, const std::string& file,
                         std::string_view fallback) {
    const IniText text = Load(file);
    std::size_t begin = 0;
    std::size_t end = 0;
    FindSection(text, section, begin, end);
    if (begin == std::string::npos) {
        return std::string(fallback);
    }
    for (std::size_t i = begin; i < end; ++i) {
        std::string_view name;
        std::string_view value;
        if (KeyLine(text.lines[i], name, value) && EqualsIgnoringCase(name, key)) {
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            return FirstCharacters(value, kIniValueLimit);
        }
    }
    return std::string(fallback);
}

bool WriteIniValue(std::string_view section, std::string_view key, std::string_view value,
                   const std::string& file) {
    if (BreaksStructure(section) || BreaksStructure(key) || BreaksStructure(value) ||
        section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
        TrimSpace(key).empty() || TrimSpace(key).front() == '[') {
        return false;
    }
    IniText text = Load(file);
    const std::string entry = std::string(key) + "=" + std::string(value);
    std::size_t begin = 0;
    std::size_t end = 0;
    FindSection(text, section, begin, end);
    if (begin == std::string::npos) {
        text.lines.push_back("[" + std::string(section) + "]");
        text.lines.push_back(entry);
        return SaveAtomically(text, file);
    }
    std::size_t last_filled = begin;  // insert after the section's last non-blank line
    for (std::size_t i = begin; i < end; ++i) {
        std::string_view name;
        std::string_view old_value;
        if (KeyLine(text.lines[i], name, old_value) && EqualsIgnoringCase(name, key)) {
            text.lines[i] = entry;
            return SaveAtomically(text, file);
        }
        if (!TrimSpace(text.lines[i]).empty()) {
            last_filled = i + 1;
        }
    }
    text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(last_filled), entry);
    return SaveAtomically(text, file);
}

}  // namespace kalvex
