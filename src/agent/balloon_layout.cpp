#include "agent/balloon_layout.h"

#include <algorithm>

namespace kalo {

namespace {

// However narrow its characters (marks and joiners have no width), a line
// takes at most this many code units.
constexpr qsizetype kMaxLineUnits = 4096;

} // namespace

BalloonLayout::BalloonLayout(const QString& text, int charsPerLine, int linesPerPage)
    : BalloonLayout(text, charsPerLine, linesPerPage,
                    [](char32_t c) { return c > 0xFFFF ? 2 : 1; }) {}

BalloonLayout::BalloonLayout(const QString& text, int lineWidth, int linesPerPage,
                             const Advance& advance)
    : text_(text), perPage_(std::max(1, linesPerPage)) {
    const int maxWidth = std::max(1, lineWidth);
    const qsizetype n = text_.size();
    auto isBlank = [&](qsizetype k) { return text_.at(k).isSpace() && text_.at(k) != u'\n'; };
    // The code units of the character at k: two for a surrogate pair.
    auto units = [&](qsizetype k) -> qsizetype {
        return text_.at(k).isHighSurrogate() && k + 1 < n && text_.at(k + 1).isLowSurrogate() ? 2
                                                                                              : 1;
    };
    auto width = [&](qsizetype k, qsizetype u) {
        const char32_t c = u == 2 ? QChar::surrogateToUcs4(text_.at(k), text_.at(k + 1))
                                  : char32_t(text_.at(k).unicode());
        return std::max(0, advance(c));
    };
    qsizetype i = 0;
    while (i < n) {
        // Blanks at the start of a line are not shown.
        while (i < n && isBlank(i))
            ++i;
        if (i >= n)
            break;
        if (text_.at(i) == u'\n') {
            lines_.push_back({i, i, 0});
            ++i;
            continue;
        }
        const qsizetype begin = i;
        Line line{begin, -1, 0}; // the words that fit so far
        bool full = false;       // the line ends because the next word does not fit
        qsizetype k = i;
        int used = 0; // width of begin .. k
        while (k < n && text_.at(k) != u'\n') {
            // The next word, measured only as far as it fits: the rest of a
            // long word is left for the lines after.
            qsizetype w = k;
            int wide = used;
            bool fits = true;
            while (w < n && !text_.at(w).isSpace()) {
                const qsizetype u = units(w);
                const int a = width(w, u);
                if (wide + a > maxWidth || w + u - begin > kMaxLineUnits) {
                    fits = false;
                    break;
                }
                wide += a;
                w += u;
            }
            if (!fits) {
                full = true;
                if (line.end < 0) // a word wider than a line: cut where it stops fitting
                    line = {begin, w, wide};
                break;
            }
            line = {begin, w, wide};
            k = w;
            used = wide;
            while (k < n && isBlank(k)) {
                used += width(k, 1);
                ++k;
            }
        }
        if (line.end <= begin) { // not even one character fits: it goes alone
            const qsizetype u = units(begin);
            line = {begin, begin + u, width(begin, u)};
        }
        lines_.push_back(line);
        i = line.end;
        if (!full) {
            while (i < n && isBlank(i))
                ++i;
            if (i < n && text_.at(i) == u'\n')
                ++i; // the line break that ended this line
        }
    }
    if (lines_.empty())
        lines_.push_back({0, 0, 0});
}

int BalloonLayout::PageCount() const {
    return int((lines_.size() + size_t(perPage_) - 1) / size_t(perPage_));
}

qsizetype BalloonLayout::WordEnd(qsizetype position) const {
    const qsizetype from = std::clamp<qsizetype>(position, 0, text_.size());
    // Every position between the last one asked and its word's end has
    // that same end.
    if (from >= wordFrom_ && from < wordEnd_)
        return wordEnd_;
    qsizetype p = from;
    while (p < text_.size() && text_.at(p).isSpace())
        ++p;
    while (p < text_.size() && !text_.at(p).isSpace())
        ++p;
    wordFrom_ = from;
    wordEnd_ = p;
    return p;
}

BalloonLayout::View BalloonLayout::Reveal(qsizetype position) const {
    const qsizetype shown = WordEnd(position);
    // The last line that begins before the reveal's end (lines are in
    // order; a long text has many, and this runs for every word).
    const auto after = std::lower_bound(lines_.begin() + 1, lines_.end(), shown,
                                        [](const Line& l, qsizetype at) { return l.begin < at; });
    const size_t last = size_t(after - lines_.begin()) - 1;
    View v;
    v.page = int(last / size_t(perPage_));
    const size_t first = size_t(v.page) * size_t(perPage_);
    for (size_t k = first; k < std::min(lines_.size(), first + size_t(perPage_)); ++k) {
        const Line& l = lines_[k];
        const qsizetype end = std::min(l.end, std::max(l.begin, shown));
        v.lines << text_.mid(l.begin, end - l.begin);
    }
    return v;
}

} // namespace kalo
