#include "pixel_font.h"

#include <cstring>
#include <map>

namespace topaz {

namespace {

const char* rowsOf(QChar c) {
    // clang-format off
    static const std::map<QChar, const char*> rows{
        {'A', "###" "#.#" "###" "#.#" "#.#"},
        {'B', "##." "#.#" "##." "#.#" "##."},
        {'C', "###" "#.." "#.." "#.." "###"},
        {'D', "##." "#.#" "#.#" "#.#" "##."},
        {'E', "###" "#.." "##." "#.." "###"},
        {'F', "###" "#.." "##." "#.." "#.."},
        {'G', "###" "#.." "#.#" "#.#" "###"},
        {'H', "#.#" "#.#" "###" "#.#" "#.#"},
        {'I', "###" ".#." ".#." ".#." "###"},
        {'J', "..#" "..#" "..#" "#.#" "###"},
        {'K', "#.#" "#.#" "##." "#.#" "#.#"},
        {'L', "#.." "#.." "#.." "#.." "###"},
        {'M', "#...#" "##.##" "#.#.#" "#...#" "#...#"},
        {'N', "##." "#.#" "#.#" "#.#" "#.#"},
        {'O', "###" "#.#" "#.#" "#.#" "###"},
        {'P', "###" "#.#" "###" "#.." "#.."},
        {'Q', "###" "#.#" "#.#" "###" "..#"},
        {'R', "###" "#.#" "##." "#.#" "#.#"},
        {'S', "###" "#.." "###" "..#" "###"},
        {'T', "###" ".#." ".#." ".#." ".#."},
        {'U', "#.#" "#.#" "#.#" "#.#" "###"},
        {'V', "#.#" "#.#" "#.#" "#.#" ".#."},
        {'W', "#...#" "#...#" "#.#.#" "##.##" "#...#"},
        {'X', "#.#" "#.#" ".#." "#.#" "#.#"},
        {'Y', "#.#" "#.#" ".#." ".#." ".#."},
        {'Z', "###" "..#" ".#." "#.." "###"},
        {'0', "###" "#.#" "#.#" "#.#" "###"},
        {'1', ".#." "##." ".#." ".#." "###"},
        {'2', "###" "..#" "###" "#.." "###"},
        {'3', "###" "..#" ".##" "..#" "###"},
        {'4', "#.#" "#.#" "###" "..#" "..#"},
        {'5', "###" "#.." "###" "..#" "###"},
        {'6', "###" "#.." "###" "#.#" "###"},
        {'7', "###" "..#" "..#" "..#" "..#"},
        {'8', "###" "#.#" "###" "#.#" "###"},
        {'9', "###" "#.#" "###" "..#" "###"},
        {'-', "..." "..." "###" "..." "..."},
        {'.', "..." "..." "..." "..." ".#."},
        {':', "..." ".#." "..." ".#." "..."},
        {'/', "..#" "..#" ".#." "#.." "#.."},
        {' ', "..." "..." "..." "..." "..."},
    };
    // clang-format on
    const auto found = rows.find(c.toUpper());
    return found == rows.end() ? nullptr : found->second;
}
} // namespace

// Most glyphs are 3 columns wide; M and W need 5.
int glyphWidth(QChar c) {
    const char* g = rowsOf(c);
    return g != nullptr && std::strlen(g) == 25 ? 5 : 3;
}

int pixelTextWidth(const QString& text, int spacing) {
    int width = 0;
    for (const QChar c : text)
        width += glyphWidth(c) + spacing;
    return text.isEmpty() ? 0 : width - spacing;
}

void drawPixelText(QImage& image, int x, int y, const QString& text, const QColor& colour,
                   int spacing) {
    const QRgb rgb = colour.rgba();
    for (const QChar c : text) {
        const int w = glyphWidth(c);
        if (const char* g = rowsOf(c)) {
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < w; ++col)
                    if (g[row * w + col] == '#' && image.rect().contains(x + col, y + row))
                        image.setPixel(x + col, y + row, rgb);
        }
        x += w + spacing;
    }
}

} // namespace topaz
