#include "player/skin_geometry.h"

namespace kalo {

QString skinFileName(SkinFile file) {
    switch (file) {
    case SkinFile::Pledit:
        return QStringLiteral("Pledit.txt");
    case SkinFile::Main:
        return QStringLiteral("Main.bmp");
    case SkinFile::Titlebar:
        return QStringLiteral("Titlebar.bmp");
    case SkinFile::Shufrep:
        return QStringLiteral("Shufrep.bmp");
    case SkinFile::Cbuttons:
        return QStringLiteral("Cbuttons.bmp");
    case SkinFile::Posbar:
        return QStringLiteral("Posbar.bmp");
    case SkinFile::Volume:
        return QStringLiteral("Volume.bmp");
    case SkinFile::Balance:
        return QStringLiteral("Balance.bmp");
    }
    return {};
}

QRect titleStripSource(bool active, bool windowShade) {
    int y = 0;
    if (windowShade)
        y = active ? 29 : 42;
    else
        y = active ? 0 : 15;
    return QRect(QPoint(27, y), TitleStripSize);
}

const std::array<FaceButtonSpec, FaceButtonCount>& faceButtonSpecs() {
    using F = SkinFile;
    static const std::array<FaceButtonSpec, FaceButtonCount> specs{{
        // file, place, normal, disabled, pressed, latched, toggle
        {F::Titlebar, {6, 3, 9, 9}, {0, 0}, {0, 9}, {0, 9}, {0, 9}, false},
        {F::Titlebar, {244, 3, 9, 9}, {9, 0}, {9, 9}, {9, 9}, {9, 9}, false},
        {F::Titlebar, {254, 3, 9, 9}, {0, 18}, {9, 18}, {9, 18}, {9, 18}, false},
        {F::Titlebar, {264, 3, 9, 9}, {18, 0}, {18, 9}, {18, 9}, {18, 9}, false},
        {F::Titlebar, {10, 24, 8, 8}, {304, 2}, {304, 46}, {304, 46}, {304, 46}, false},
        {F::Titlebar, {10, 32, 8, 8}, {304, 10}, {312, 54}, {312, 54}, {312, 54}, true},
        {F::Titlebar, {10, 40, 8, 8}, {304, 18}, {320, 62}, {320, 62}, {320, 62}, true},
        {F::Titlebar, {10, 48, 8, 8}, {304, 26}, {328, 70}, {328, 70}, {328, 70}, true},
        {F::Titlebar, {10, 56, 8, 8}, {304, 34}, {336, 78}, {336, 78}, {336, 78}, true},
        {F::Shufrep, {220, 59, 22, 10}, {1, 62}, {47, 62}, {47, 74}, {1, 74}, true},
        {F::Shufrep, {242, 59, 22, 10}, {23, 62}, {69, 62}, {69, 74}, {23, 74}, true},
        {F::Cbuttons, {17, 89, 21, 16}, {1, 1}, {1, 19}, {1, 19}, {1, 19}, false},
        {F::Cbuttons, {39, 89, 22, 16}, {23, 1}, {23, 19}, {23, 19}, {23, 19}, false},
        {F::Cbuttons, {62, 89, 22, 16}, {46, 1}, {46, 19}, {46, 19}, {46, 19}, false},
        {F::Cbuttons, {85, 89, 22, 16}, {69, 1}, {69, 19}, {69, 19}, {69, 19}, false},
        {F::Cbuttons, {108, 89, 21, 16}, {92, 1}, {92, 19}, {92, 19}, {92, 19}, false},
        {F::Cbuttons, {137, 90, 20, 14}, {115, 1}, {115, 17}, {115, 17}, {115, 17}, false},
        {F::Shufrep, {165, 90, 45, 13}, {29, 1}, {29, 16}, {29, 46}, {29, 31}, true},
        {F::Shufrep, {211, 90, 26, 13}, {1, 1}, {1, 16}, {1, 46}, {1, 31}, true},
    }};
    return specs;
}

const TrackBarSpec& trackBarSpec(SkinBar bar) {
    static const TrackBarSpec position{{16, 72, 248, 10}, {29, 10}, {0, 0}, {248, 0}, {278, 0}};
    static const TrackBarSpec volume{{107, 57, 68, 13}, {14, 11}, {0, 0}, {15, 422}, {0, 422}};
    static const TrackBarSpec speed{{177, 57, 38, 13}, {14, 11}, {9, 0}, {15, 422}, {0, 422}};
    switch (bar) {
    case SkinBar::Volume:
        return volume;
    case SkinBar::Speed:
        return speed;
    case SkinBar::Position:
        break;
    }
    return position;
}

namespace {
int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}
} // namespace

std::optional<QRgb> parseSkinColour(const QString& value) {
    if (value.size() != 7)
        return std::nullopt;
    int channel[3];
    for (int i = 0; i < 3; ++i) {
        const int hi = hexDigit(value[1 + 2 * i]);
        const int lo = hexDigit(value[2 + 2 * i]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        channel[i] = hi * 16 + lo;
    }
    return qRgb(channel[0], channel[1], channel[2]);
}

QString skinDisplayName(const QString& name) {
    QString out = name;
    for (QChar& c : out) {
        if (c.unicode() >= 'A' && c.unicode() <= 'Z')
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    if (!out.isEmpty() && out[0].unicode() >= 'a' && out[0].unicode() <= 'z')
        out[0] = QChar(out[0].unicode() - ('a' - 'A'));
    return out;
}

namespace trackbar {
namespace {
// Wrapping 32-bit operations: computed on unsigned numbers, where overflow is
// defined, and read back as signed (modular since C++20).
std::int32_t add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t sub(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t mul(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
// Truncating division; the one overflowing quotient (INT_MIN div -1) wraps
// like the sums do. The caller rules out a zero divisor.
std::int32_t div(std::int32_t a, std::int32_t b) {
    if (b == -1)
        return sub(0, a);
    return a / b;
}
} // namespace

std::int32_t sliderLeft(std::int32_t position, std::int32_t min, std::int32_t max,
                        std::int32_t barWidth, std::int32_t sliderWidth) {
    if (min == max)
        return 0;
    const std::int32_t range = add(sub(max, min), 1);
    if (range == 0)
        return 0;
    return div(mul(add(sub(position, min), 1), sub(barWidth, sliderWidth)), range);
}

std::int32_t sliderTop(std::int32_t barHeight, std::int32_t sliderHeight) {
    return div(sub(barHeight, sliderHeight), 2);
}

std::int32_t valueAt(std::int32_t x, std::int32_t min, std::int32_t max, std::int32_t barWidth,
                     std::int32_t sliderWidth) {
    const std::int32_t px = static_cast<std::int16_t>(static_cast<std::uint16_t>(x));
    const std::int32_t half = div(sliderWidth, 2);
    if (px <= half)
        return min;
    if (px >= sub(barWidth, half))
        return max;
    const std::int32_t span = sub(barWidth, sliderWidth);
    if (span == 0)
        return min;
    return add(sub(min, 1), div(mul(sub(px, half), add(sub(max, min), 1)), span));
}
} // namespace trackbar

} // namespace kalo
