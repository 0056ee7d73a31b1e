// SPDX-License-Identifier: MIT
#include "ini_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <vector>

namespace tagwright::app {

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "[name]" gives name; any other line nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
    return Trim(line.substr(1, line.size() - 2));
}

struct KeyLine {
    std::string_view key, value;
};

std::optional<KeyLine> SplitKey(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::optional<std::vector<std::string>> ReadLines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace

std::optional<std::string> ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                        std::string_view key) {
    const auto lines = ReadLines(file);
    if (!lines) return std::nullopt;
    bool inSection = false;
    for (const std::string& line : *lines) {
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, section);
        } else if (inSection) {
            if (const auto kv = SplitKey(line); kv && SameName(kv->key, key))
                return std::string(kv->value);
        }
    }
    return std::string();
}

bool WriteIniValue(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, std::string_view value, bool create) {
    auto lines = ReadLines(file);
    if (!lines) {
        if (!create) return false;
        lines.emplace();
    }
    // Appended piece by piece: GCC 12 reports a false overlap in chained + (bug 105329).
    std::string keyLine(key);
    keyLine += '=';
    keyLine += value;
    // The key's line in the section, or the place after the section's last key line.
    std::optional<std::size_t> sectionEnd, keyAt;
    bool inSection = false;
    for (std::size_t i = 0; i < lines->size() && !keyAt; ++i) {
        const std::string& line = (*lines)[i];
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, section);
            if (inSection) sectionEnd = i + 1;
        } else if (inSection) {
            if (const auto kv = SplitKey(line); kv && SameName(kv->key, key))
                keyAt = i;
            else if (!Trim(line).empty())
                sectionEnd = i + 1;
        }
    }
    if (keyAt) {
        (*lines)[*keyAt] = keyLine;
    } else if (sectionEnd) {
        lines->insert(lines->begin() + std::ptrdiff_t(*sectionEnd), keyLine);
    } else {
        std::string header = "[";
        header += section;
        header += ']';
        lines->push_back(header);
        lines->push_back(keyLine);
    }
    std::ostringstream text;
    for (const std::string& line : *lines)
        text << line << '\n';
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text.str();
    return bool(out.flush());
}

}  // namespace tagwright::app
