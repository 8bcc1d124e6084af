#include "agent/balloon_layout.h"

#include <algorithm>

namespace kalo {

BalloonLayout::BalloonLayout(const QString& text, int charsPerLine, int linesPerPage)
    : text_(text), perLine_(std::max(1, charsPerLine)), perPage_(std::max(1, linesPerPage)) {
    const qsizetype n = text_.size();
    qsizetype i = 0;
    auto isBlank = [&](qsizetype k) { return text_.at(k).isSpace() && text_.at(k) != u'\n'; };
    while (i < n) {
        // Blanks at the start of a line are not shown.
        while (i < n && isBlank(i))
            ++i;
        if (i >= n)
            break;
        if (text_.at(i) == u'\n') {
            lines_.push_back({i, i});
            ++i;
            continue;
        }
        const qsizetype begin = i;
        qsizetype lastFit = -1; // end of the last word that fits
        bool full = false;      // the line ends because the next word does not fit
        qsizetype k = i;
        while (k < n && text_.at(k) != u'\n') {
            qsizetype w = k;
            while (w < n && !text_.at(w).isSpace())
                ++w;
            if (w - begin > perLine_) {
                full = true;
                break;
            }
            lastFit = w;
            k = w;
            while (k < n && isBlank(k))
                ++k;
        }
        qsizetype end = lastFit;
        if (end < 0) // a word longer than a line: cut it
            end = std::min(n, begin + perLine_);
        lines_.push_back({begin, end});
        i = end;
        if (!full) {
            while (i < n && isBlank(i))
                ++i;
            if (i < n && text_.at(i) == u'\n')
                ++i; // the line break that ended this line
        }
    }
    if (lines_.empty())
        lines_.push_back({0, 0});
}

int BalloonLayout::PageCount() const {
    return int((lines_.size() + size_t(perPage_) - 1) / size_t(perPage_));
}

qsizetype BalloonLayout::WordEnd(qsizetype position) const {
    qsizetype p = std::clamp<qsizetype>(position, 0, text_.size());
    while (p < text_.size() && text_.at(p).isSpace())
        ++p;
    while (p < text_.size() && !text_.at(p).isSpace())
        ++p;
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
