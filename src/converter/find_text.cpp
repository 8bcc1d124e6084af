#include "converter/find_text.h"

namespace kalo {

namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool isWholeWordAt(const QString& text, qsizetype at, qsizetype length) {
    const bool startOk = at == 0 || !isWordChar(text.at(at - 1));
    const qsizetype end = at + length;
    const bool endOk = end >= text.size() || !isWordChar(text.at(end));
    return startOk && endOk;
}

} // namespace

qsizetype FindText(const QString& text, const QString& what, qsizetype from, const FindOptions& options) {
    if (what.isEmpty())
        return -1;
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (options.down) {
        qsizetype at = qBound<qsizetype>(0, from, text.size());
        while ((at = text.indexOf(what, at, cs)) >= 0) {
            if (!options.wholeWord || isWholeWordAt(text, at, what.size()))
                return at;
            ++at;
        }
        return -1;
    }
    // Up: the match must end at or before `from`.
    qsizetype at = qBound<qsizetype>(0, from, text.size()) - what.size();
    while (at >= 0) {
        at = text.lastIndexOf(what, at, cs);
        if (at < 0)
            return -1;
        if (!options.wholeWord || isWholeWordAt(text, at, what.size()))
            return at;
        --at;
    }
    return -1;
}

qsizetype ReplaceAllText(QString& text, const QString& what, const QString& with,
                         const FindOptions& options) {
    if (what.isEmpty())
        return 0;
    FindOptions down = options;
    down.down = true;
    QString out;
    qsizetype count = 0;
    qsizetype copied = 0;
    qsizetype at = 0;
    while ((at = FindText(text, what, at, down)) >= 0) {
        out += QStringView(text).mid(copied, at - copied);
        out += with;
        at += what.size();
        copied = at;
        ++count;
    }
    if (count == 0)
        return 0;
    out += QStringView(text).mid(copied);
    text = out;
    return count;
}

} // namespace kalo
