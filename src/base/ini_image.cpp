#include "base/ini_image.h"

#include <charconv>
#include <cstdint>
#include <utility>

namespace kalo {

namespace {
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
} // namespace

std::string_view trimBlanks(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string asciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

IniImage IniImage::parse(std::string_view bytes) {
    IniImage image;
    Section* current = nullptr;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = trimBlanks(bytes.substr(pos, end - pos));
        pos = end;
        if (pos < bytes.size()) {
            const bool crlf = bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n';
            pos += crlf ? 2 : 1;
        }

        if (line.empty() || line.front() == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            // A repeated section name opens a section of its own, as the file
            // had it; lookups find the first one.
            std::string_view name = trimBlanks(line.substr(1, line.size() - 2));
            image.sections_.push_back(Section{std::string(name), {}});
            image.sectionIndex_.try_emplace(asciiLower(name), image.sections_.size() - 1);
            current = &image.sections_.back();
            continue;
        }
        if (!current)
            continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) {
            current->lines.emplace_back(line);
        } else {
            std::string entry(trimBlanks(line.substr(0, eq)));
            entry += '=';
            entry += trimBlanks(line.substr(eq + 1));
            current->lines.push_back(std::move(entry));
        }
    }
    image.keyIndex_.resize(image.sections_.size());
    image.keyIndexBuilt_.assign(image.sections_.size(), false);
    return image;
}

std::string IniImage::serialize() const {
    size_t total = 0;
    for (const auto& s : sections_) {
        total += s.name.size() + 6;
        for (const auto& l : s.lines)
            total += l.size() + 2;
    }
    std::string out;
    out.reserve(total);
    for (const auto& s : sections_) {
        out += '[';
        out += s.name;
        out += "]\r\n";
        for (const auto& l : s.lines) {
            out += l;
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

const IniImage::Section* IniImage::findSection(std::string_view name) const {
    auto it = sectionIndex_.find(asciiLower(trimBlanks(name)));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

IniImage::Section* IniImage::findSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

IniImage::Section& IniImage::addSection(std::string_view name) {
    sections_.push_back(Section{std::string(trimBlanks(name)), {}});
    sectionIndex_.try_emplace(asciiLower(trimBlanks(name)), sections_.size() - 1);
    keyIndex_.emplace_back();
    keyIndexBuilt_.push_back(false);
    return sections_.back();
}

void IniImage::indexSection(size_t si) const {
    if (keyIndexBuilt_[si])
        return;
    auto& index = keyIndex_[si];
    const auto& lines = sections_[si].lines;
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto eq = lines[i].find('=');
        if (eq != std::string::npos)
            index.try_emplace(asciiLower(std::string_view(lines[i]).substr(0, eq)), i);
    }
    keyIndexBuilt_[si] = true;
}

long IniImage::findKey(const Section& s, std::string_view key) const {
    const size_t si = static_cast<size_t>(&s - sections_.data());
    indexSection(si);
    auto it = keyIndex_[si].find(asciiLower(trimBlanks(key)));
    return it == keyIndex_[si].end() ? -1 : static_cast<long>(it->second);
}

std::optional<std::string> IniImage::value(std::string_view section, std::string_view key) const {
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    const long i = findKey(*s, key);
    if (i < 0)
        return std::nullopt;
    const std::string& line = s->lines[static_cast<size_t>(i)];
    return line.substr(line.find('=') + 1);
}

void IniImage::setValue(std::string_view section, std::string_view key, std::string_view value) {
    std::string clean(value);
    for (char& c : clean)
        if (c == '\r' || c == '\n')
            c = ' ';
    Section* s = findSection(section);
    if (!s)
        s = &addSection(section);
    std::string entry(trimBlanks(key));
    entry += '=';
    entry += clean;
    const long i = findKey(*s, key);
    if (i >= 0) {
        s->lines[static_cast<size_t>(i)] = std::move(entry);
        return;
    }
    const size_t si = static_cast<size_t>(s - sections_.data());
    s->lines.push_back(std::move(entry));
    keyIndex_[si].try_emplace(asciiLower(trimBlanks(key)), s->lines.size() - 1);
}

int ReadIniInt(const std::string* value, int defaultValue) {
    if (!value)
        return defaultValue;
    std::string_view v = *value;
    bool negative = false;
    if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    int base = 10;
    if (!v.empty() && v.front() == '$') {
        base = 16;
        v.remove_prefix(1);
    } else if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        base = 16;
        v.remove_prefix(2);
    }
    if (v.empty())
        return defaultValue;
    unsigned long long magnitude = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), magnitude, base);
    if (ec != std::errc() || end != v.data() + v.size())
        return defaultValue;
    if (base == 16) {
        // Hexadecimal covers the whole 32-bit pattern: $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull)
            return defaultValue;
        const auto bits = static_cast<uint32_t>(magnitude);
        const auto result = static_cast<int32_t>(negative ? (0u - bits) : bits);
        return result;
    }
    if (negative) {
        if (magnitude > 2147483648ull)
            return defaultValue;
        return static_cast<int>(-static_cast<long long>(magnitude));
    }
    if (magnitude > 2147483647ull)
        return defaultValue;
    return static_cast<int>(magnitude);
}

} // namespace kalo
