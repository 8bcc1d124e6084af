// The word balloon's text laid out in lines of a character's width and
// pages of its line count, and what of it shows while the words are spoken.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace kalo {

class BalloonLayout {
public:
    // The width of one character (a code point) in the unit of the line
    // width: pixels of the balloon's font, or 1 to count characters.
    using Advance = std::function<int(char32_t)>;

    struct Line {
        qsizetype begin = 0; // into the text
        qsizetype end = 0;
        int width = 0; // of the characters begin .. end
    };
    struct View {
        int page = 0;
        QStringList lines; // the page's lines, cut where the reveal ends
    };

    // Breaks at blanks; a line break in the text breaks the line; a word
    // wider than a line is cut (never inside a surrogate pair). At least
    // one character per line and one line per page. Every character is
    // looked at a bounded number of times, however long its word.
    BalloonLayout(const QString& text, int lineWidth, int linesPerPage, const Advance& advance);
    // Lines of at most charsPerLine characters (UTF-16 code units).
    BalloonLayout(const QString& text, int charsPerLine, int linesPerPage);

    const std::vector<Line>& Lines() const { return lines_; }
    int PageCount() const;
    int LinesPerPage() const { return perPage_; }
    // Everything up to the end of the word at `position` is shown, on the
    // page that holds that word's end.
    View Reveal(qsizetype position) const;
    // The end of the word at or after position (the whole text's end at
    // most). Positions that only move forward within a word cost nothing
    // more: the speech reports them word by word.
    qsizetype WordEnd(qsizetype position) const;

private:
    QString text_;
    int perPage_;
    std::vector<Line> lines_;
    // The last WordEnd: every position from wordFrom_ up to wordEnd_ has
    // the same end.
    mutable qsizetype wordFrom_ = -1;
    mutable qsizetype wordEnd_ = -1;
};

} // namespace kalo
