#include "palette.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace james {

namespace {

struct Entry {
    QRgb rgb;
    quint64 count;
};

int channel(QRgb c, int ch) {
    return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c);
}

int distance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
    // Weighted towards green the way the eye is.
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

int nearest(QRgb c, const QVector<QRgb>& palette, int skip) {
    int best = -1;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < palette.size(); ++i) {
        if (i == skip)
            continue;
        const int d = distance(c, palette[i]);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// A box of the median cut: a range of the histogram.
struct Box {
    size_t begin, end;
    int widestChannel = 0;
    int width = 0;
};

void measure(Box& box, const std::vector<Entry>& entries) {
    std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int ch = 0; ch < 3; ++ch) {
            lo[ch] = std::min(lo[ch], channel(entries[i].rgb, ch));
            hi[ch] = std::max(hi[ch], channel(entries[i].rgb, ch));
        }
    box.width = -1;
    for (int ch = 0; ch < 3; ++ch)
        if (hi[ch] - lo[ch] > box.width) {
            box.width = hi[ch] - lo[ch];
            box.widestChannel = ch;
        }
}

} // namespace

QVector<QRgb> BuildPalette(const std::vector<QImage>& images, int transparentIndex) {
    constexpr int Colours = 255;
    QHash<QRgb, quint64> counts;
    for (const QImage& source : images) {
        const QImage image = source.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(line[x]) >= 128)
                    ++counts[line[x] | 0xFF000000u];
        }
    }
    std::vector<Entry> entries;
    entries.reserve(counts.size());
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        entries.push_back({it.key(), it.value()});
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.rgb < b.rgb; });

    QVector<QRgb> colours;
    if (entries.size() <= Colours) {
        for (const Entry& e : entries)
            colours.push_back(e.rgb);
    } else {
        // Median cut: split the widest box at its weighted median until there
        // are as many boxes as colours.
        std::vector<Box> boxes{{0, entries.size()}};
        measure(boxes[0], entries);
        while (boxes.size() < Colours) {
            size_t pick = boxes.size();
            qint64 bestScore = -1;
            for (size_t i = 0; i < boxes.size(); ++i) {
                if (boxes[i].end - boxes[i].begin < 2)
                    continue;
                quint64 weight = 0;
                for (size_t k = boxes[i].begin; k < boxes[i].end; ++k)
                    weight += entries[k].count;
                // Wide boxes with many pixels first; the square root keeps
                // a few huge flat areas from taking every split.
                const qint64 score =
                    static_cast<qint64>(boxes[i].width) *
                    static_cast<qint64>(std::sqrt(static_cast<double>(weight)) + 1);
                if (score > bestScore) {
                    bestScore = score;
                    pick = i;
                }
            }
            if (pick == boxes.size())
                break;
            Box box = boxes[pick];
            const int ch = box.widestChannel;
            std::stable_sort(entries.begin() + box.begin, entries.begin() + box.end,
                             [ch](const Entry& a, const Entry& b) {
                                 return channel(a.rgb, ch) < channel(b.rgb, ch);
                             });
            quint64 total = 0;
            for (size_t k = box.begin; k < box.end; ++k)
                total += entries[k].count;
            quint64 running = 0;
            size_t split = box.begin + 1;
            for (size_t k = box.begin; k < box.end - 1; ++k) {
                running += entries[k].count;
                split = k + 1;
                if (running * 2 >= total)
                    break;
            }
            Box first{box.begin, split}, second{split, box.end};
            measure(first, entries);
            measure(second, entries);
            boxes[pick] = first;
            boxes.push_back(second);
        }
        for (const Box& box : boxes) {
            double r = 0, g = 0, b = 0, w = 0;
            for (size_t k = box.begin; k < box.end; ++k) {
                const double c = static_cast<double>(entries[k].count);
                r += qRed(entries[k].rgb) * c;
                g += qGreen(entries[k].rgb) * c;
                b += qBlue(entries[k].rgb) * c;
                w += c;
            }
            colours.push_back(qRgb(qRound(r / w), qRound(g / w), qRound(b / w)));
        }
        // A few rounds of weighted k-means pull the colours onto the drawing's
        // flat areas, which hold most of the pixels.
        for (int round = 0; round < 6; ++round) {
            std::vector<std::array<double, 4>> sums(colours.size(), {0, 0, 0, 0});
            for (const Entry& e : entries) {
                const int i = nearest(e.rgb, colours, -1);
                const double c = static_cast<double>(e.count);
                sums[i][0] += qRed(e.rgb) * c;
                sums[i][1] += qGreen(e.rgb) * c;
                sums[i][2] += qBlue(e.rgb) * c;
                sums[i][3] += c;
            }
            for (int i = 0; i < colours.size(); ++i)
                if (sums[i][3] > 0)
                    colours[i] =
                        qRgb(qRound(sums[i][0] / sums[i][3]), qRound(sums[i][1] / sums[i][3]),
                             qRound(sums[i][2] / sums[i][3]));
        }
    }

    QVector<QRgb> palette(256, qRgb(0, 0, 0));
    palette[transparentIndex] = qRgb(255, 0, 255);
    int next = 0;
    for (const QRgb c : colours) {
        if (next == transparentIndex)
            ++next;
        palette[next++] = c;
    }
    return palette;
}

QByteArray IndexPixels(const QImage& source, const QVector<QRgb>& palette, int transparentIndex) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QByteArray pixels(qsizetype(image.width()) * image.height(), char(transparentIndex));
    QHash<QRgb, int> cache;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) < 128)
                continue;
            const QRgb c = line[x] | 0xFF000000u;
            auto it = cache.find(c);
            if (it == cache.end())
                it = cache.insert(c, nearest(c, palette, transparentIndex));
            pixels[qsizetype(y) * image.width() + x] = char(it.value());
        }
    }
    return pixels;
}

} // namespace james
