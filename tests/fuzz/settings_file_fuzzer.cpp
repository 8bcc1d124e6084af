// Fuzzes the settings file reader and writer: any bytes must parse; what the
// writer writes must read back the same; values set through the writer must
// come back as set (less the blanks a read trims and the line breaks the
// writer cannot store); integer decoding must never misbehave.
#include "base/ini_image.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using kalo::IniImage;

namespace {

void check(bool ok) {
    if (!ok)
        abort();
}

std::string saneName(std::string_view bytes) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_";
    std::string name = "K";
    for (unsigned char c : bytes)
        name += alphabet[c % (sizeof(alphabet) - 1)];
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Any input parses, and writing is stable: write(read(write(x))) == write(x).
    IniImage image = IniImage::parse(bytes);
    const std::string written = image.serialize();
    check(IniImage::parse(written).serialize() == written);

    // Every entry read from the input reads back the same after a write.
    const IniImage reread = IniImage::parse(written);
    for (const auto& section : image.sections()) {
        for (const auto& line : section.lines) {
            const auto eq = line.find('=');
            if (eq == std::string::npos || eq == 0)
                continue;
            const std::string key = line.substr(0, eq);
            check(reread.value(section.name, key) == image.value(section.name, key));
        }
    }

    // Setting a value: split the input into a key, a value and a section.
    if (size >= 3) {
        const size_t a = data[0] % size;
        const size_t b = data[1] % size;
        const std::string section = saneName(bytes.substr(0, std::min<size_t>(a, 8)));
        const std::string key = saneName(bytes.substr(2, std::min<size_t>(b, 12)));
        const std::string_view value = bytes.substr(std::min(size, a));
        image.setValue(section, key, value);
        std::string expected(value);
        for (char& c : expected)
            if (c == '\r' || c == '\n')
                c = ' ';
        expected = std::string(kalo::trimBlanks(expected));
        const IniImage back = IniImage::parse(image.serialize());
        check(back.value(section, key) == expected);

        // Integers: decimal text of any int reads back as that int; anything
        // else yields some int without undefined behaviour.
        const int number = static_cast<int>(static_cast<uint32_t>(data[0]) << 24 |
                                            static_cast<uint32_t>(data[1]) << 16 |
                                            static_cast<uint32_t>(data[2]) << 8 | data[size - 1]);
        const std::string decimal = std::to_string(number);
        check(kalo::ReadIniInt(&decimal, 12345) == number);
        const std::string raw(value);
        (void)kalo::ReadIniInt(&raw, 0);
    }
    return 0;
}
