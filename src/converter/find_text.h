// Searching the editor's text, for the find and replace dialog.
#pragma once

#include <QString>

namespace kalo {

struct FindOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool down = true;
};

// The offset of the next match of what in text, searching from `from`
// (down: the first match starting at or after it; up: the last match ending
// at or before it). -1 when there is none or what is empty.
qsizetype FindText(const QString& text, const QString& what, qsizetype from, const FindOptions& options);

// Replaces every match; returns how many were replaced.
qsizetype ReplaceAllText(QString& text, const QString& what, const QString& with,
                         const FindOptions& options);

} // namespace kalo
