// The geometry of the skin format: which file every picture of the player's
// face comes from, the rectangle cut from it and where it lands, plus the
// track bar's slider arithmetic and the colour file's value. Plain functions
// and tables, usable without a display.
#pragma once

#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace kalo {

// The files of a skin, by their names as the program builds them.
enum class SkinFile { Pledit, Main, Titlebar, Shufrep, Cbuttons, Posbar, Volume, Balance };
QString skinFileName(SkinFile file);

inline constexpr QSize FaceSize{275, 116};
inline constexpr QSize ShadeFaceSize{275, 14};
inline constexpr QSize TitleStripSize{275, 14};
inline constexpr int FaceButtonCount = 19;

// Where the title strip for the given state sits in Titlebar.bmp.
QRect titleStripSource(bool active, bool windowShade);

// One face button: its file, its place on the face and the top-left corners
// of its four pictures in that file (each picture is the button's size).
struct FaceButtonSpec {
    SkinFile file;
    QRect place;
    QPoint normal;
    QPoint disabled;
    QPoint pressed;
    QPoint latched;
    bool toggle; // shows the latched picture while its action is checked
};
const std::array<FaceButtonSpec, FaceButtonCount>& faceButtonSpecs();

// The three skinned bars of the face.
enum class SkinBar { Position, Volume, Speed };
struct TrackBarSpec {
    QRect place;      // on the face
    QSize sliderSize; // both slider pictures
    QPoint background;
    QPoint slider;
    QPoint pressedSlider;
};
const TrackBarSpec& trackBarSpec(SkinBar bar);

// Text colour written as one character (normally '#') and six hexadecimal
// digits RRGGBB, letter case ignored. Anything else gives nothing.
std::optional<QRgb> parseSkinColour(const QString& value);
inline constexpr const char* DefaultSkinTextColour = "#89D8D1";

// A skin's name as the Skins menu shows it: letters a-z/A-Z lower case, then
// the first character upper case.
QString skinDisplayName(const QString& name);

// Track bar arithmetic, done the way a 32-bit signed machine does it: every
// sum and product wraps, division truncates toward zero.
namespace trackbar {
// The slider's left edge for a position: 0 when min = max, otherwise
// (position - min + 1) * (barWidth - sliderWidth) div (max - min + 1).
// A range whose divisor comes to 0 also gives 0 instead of a division fault.
std::int32_t sliderLeft(std::int32_t position, std::int32_t min, std::int32_t max,
                        std::int32_t barWidth, std::int32_t sliderWidth);
// The slider's top edge: (barHeight - sliderHeight) div 2.
std::int32_t sliderTop(std::int32_t barHeight, std::int32_t sliderHeight);
// The value under the pointer at x (taken as a signed 16-bit number): min up
// to half a slider from the left end, max from half a slider before the right
// end, the inverse of sliderLeft in between.
std::int32_t valueAt(std::int32_t x, std::int32_t min, std::int32_t max, std::int32_t barWidth,
                     std::int32_t sliderWidth);
} // namespace trackbar

} // namespace kalo
