// The word balloon's text laid out in lines of a character's width and
// pages of its line count, and what of it shows while the words are spoken.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kalo {

class BalloonLayout {
public:
    struct Line {
        qsizetype begin = 0; // into the text
        qsizetype end = 0;
    };
    struct View {
        int page = 0;
        QStringList lines; // the page's lines, cut where the reveal ends
    };

    // Breaks at blanks; a line break in the text breaks the line; a word
    // longer than a line is cut. At least one character per line and one
    // line per page.
    BalloonLayout(const QString& text, int charsPerLine, int linesPerPage);

    const std::vector<Line>& Lines() const { return lines_; }
    int PageCount() const;
    int LinesPerPage() const { return perPage_; }
    // Everything up to the end of the word at `position` is shown, on the
    // page that holds that word's end.
    View Reveal(qsizetype position) const;
    // The end of the word at or after position (the whole text's end at most).
    qsizetype WordEnd(qsizetype position) const;

private:
    QString text_;
    int perLine_;
    int perPage_;
    std::vector<Line> lines_;
};

} // namespace kalo
