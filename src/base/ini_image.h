// The in-memory image of an INI-format file, as the settings store reads and
// writes it. Works on bytes, so a file in any encoding (or plain garbage)
// survives a read and a write unchanged wherever the reading rules allow.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kalo {

class IniImage {
public:
    // Reading rules: every line is trimmed; empty lines and lines starting
    // with ';' are dropped; "[name]" opens a section; lines before the first
    // section are dropped; in a line holding '=', the blanks around the first
    // '=' are removed; other lines are kept as they are. Lines end at CR, LF or
    // CR LF.
    static IniImage parse(std::string_view bytes);

    // Each section as "[name]", its lines, then an empty line; CR LF endings.
    std::string serialize() const;

    // The value of the first entry named key (letter case ignored) in the first
    // section named section, or nothing when absent. An entry written "key="
    // gives an empty string, not nothing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the value of the first entry named key, or appends the entry at
    // the end of its section (and the section at the end of the file). Line
    // breaks in the value would split the entry, so they become spaces.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    struct Section {
        std::string name;
        std::vector<std::string> lines;
    };
    const std::vector<Section>& sections() const { return sections_; }

private:
    Section* findSection(std::string_view name);
    const Section* findSection(std::string_view name) const;
    Section& addSection(std::string_view name);
    // Index of the first line of the section whose key is `key`, -1 if none.
    long findKey(const Section& s, std::string_view key) const;
    void indexSection(size_t sectionIndex) const;

    std::vector<Section> sections_;
    // Lower-cased name -> index of its first section.
    std::unordered_map<std::string, size_t> sectionIndex_;
    // Per section (by index): lower-cased key -> index of its first line. Built
    // lazily so a huge file is scanned once, not once per key.
    mutable std::vector<std::unordered_map<std::string, size_t>> keyIndex_;
    mutable std::vector<bool> keyIndexBuilt_;
};

// Reads a settings value as an integer: decimal with an optional sign, or
// hexadecimal after "$", or after "0x"/"0X" when more follows. A missing value
// (null), an invalid one or one out of range gives defaultValue.
int ReadIniInt(const std::string* value, int defaultValue);

// Trims bytes up to and including the space character from both ends.
std::string_view trimBlanks(std::string_view s);
std::string asciiLower(std::string_view s);

} // namespace kalo
