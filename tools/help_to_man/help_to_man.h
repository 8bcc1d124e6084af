// Turns a program's --help text into a manual page, so the page and the
// program's own help never disagree. The help texts follow one shape:
//
//   Usage: PROGRAM ARGS...          the synopsis; lines indented under it
//          PROGRAM OTHER ARGS...    start another form (they begin with the
//                                   program's name) or continue the last one
//
//   Plain paragraphs.               the description
//
//   Heading:                        an unindented line ending in ":" after a
//                                   blank line starts a section (Options,
//                                   Exit status, Files, ...)
//     TERM   text                   an entry: term, two or more spaces, text;
//            more text              deeper lines continue the text
//     TERM                          a term alone, its text on the deeper
//         text                      lines below it
//     other indented lines          shown as they are (examples)
//
// Entries before any heading are the OPTIONS section.
#pragma once

#include <QString>
#include <QStringList>

namespace kalo {

struct ManPageInfo {
    QString name; // the program's name, e.g. "kalotalk-say"
    int section = 1;
    QString summary;     // the NAME line's text after the dash
    QString date;        // YYYY-MM-DD, the release's date
    QString source;      // e.g. "Kalotalk 1.0.0"
    QStringList seeAlso; // other pages, e.g. "kalotalk(1)"
};

// The page in man(7) markup.
QString HelpToMan(const QString& help, const ManPageInfo& info);

} // namespace kalo
