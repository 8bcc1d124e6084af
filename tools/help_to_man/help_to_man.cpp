#include "help_to_man.h"

#include <QRegularExpression>

namespace kalo {

namespace {

int indentOf(const QString& line) {
    int n = 0;
    while (n < line.size() && line.at(n) == QLatin1Char(' '))
        ++n;
    return n;
}

bool blank(const QString& line) {
    return line.trimmed().isEmpty();
}

// Text in roff: backslashes escaped, and the dashes that begin a word (the
// options, so they stay minus signs that can be copied); the hyphen inside a
// word stays a hyphen.
QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    bool wordStart = true;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\e");
        else if (c == QLatin1Char('-') && wordStart)
            out += QStringLiteral("\\-");
        else
            out += c;
        wordStart = (wordStart && c == QLatin1Char('-')) || c.isSpace() ||
                    QStringLiteral("[(|\"").contains(c);
    }
    return out;
}

// A line of text for the page: a leading "." or "'" would be read as a
// request.
QString textLine(const QString& text) {
    const QString e = escaped(text);
    if (e.startsWith(QLatin1Char('.')) || e.startsWith(QLatin1Char('\'')))
        return QStringLiteral("\\&") + e;
    return e;
}

// A term in bold (options, commands, file names) and italics (placeholders,
// written in capitals); brackets, bars, commas and dots stay plain.
QString formattedTerm(const QString& term) {
    QStringList parts;
    for (const QString& token : term.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        int begin = 0;
        int end = static_cast<int>(token.size());
        while (begin < end && QStringLiteral("[(|").contains(token.at(begin)))
            ++begin;
        while (end > begin && QStringLiteral("]),|").contains(token.at(end - 1)))
            --end;
        if (token.mid(begin, end - begin).endsWith(QLatin1String("...")))
            end -= 3;
        const QString core = token.mid(begin, end - begin);
        if (core.isEmpty()) {
            parts << escaped(token);
            continue;
        }
        const bool placeholder = core.at(0).isUpper();
        parts << escaped(token.left(begin)) +
                     (placeholder ? QStringLiteral("\\fI") : QStringLiteral("\\fB")) +
                     escaped(core) + QStringLiteral("\\fR") + escaped(token.mid(end));
    }
    return parts.join(QLatin1Char(' '));
}

bool isHeading(const QString& line) {
    return indentOf(line) == 0 && line.endsWith(QLatin1Char(':')) && line.size() <= 40 &&
           !line.startsWith(QLatin1String("Usage:"));
}

QString sectionTitle(const QString& heading) {
    return heading.left(heading.size() - 1).trimmed().toUpper();
}

struct Section {
    QString title;
    QString body;
};

class Page {
public:
    Section& section(const QString& title) {
        for (Section& s : sections_)
            if (s.title == title)
                return s;
        sections_.push_back({title, {}});
        return sections_.back();
    }
    const std::vector<Section>& sections() const { return sections_; }

private:
    std::vector<Section> sections_;
};

} // namespace

QString HelpToMan(const QString& help, const ManPageInfo& info) {
    static const QRegularExpression entryLine(QStringLiteral("^(\\S.*?)\\s{2,}(\\S.*)$"));
    const QStringList lines = QString(help)
                                  .replace(QLatin1Char('\t'), QLatin1String("        "))
                                  .split(QLatin1Char('\n'));
    Page page;
    page.section(QStringLiteral("SYNOPSIS"));
    QString current = QStringLiteral("DESCRIPTION");
    bool headed = false; // a heading was seen since the synopsis
    const qsizetype n = lines.size();
    qsizetype i = 0;
    while (i < n) {
        const QString& line = lines.at(i);
        if (blank(line)) {
            ++i;
            continue;
        }
        const int indent = indentOf(line);
        if (indent == 0 && line.startsWith(QLatin1String("Usage:"))) {
            QStringList forms{line.mid(6).trimmed()};
            for (++i; i < n && !blank(lines.at(i)) && indentOf(lines.at(i)) > 0; ++i) {
                const QString more = lines.at(i).trimmed();
                if (more.startsWith(info.name + QLatin1Char(' ')) || more == info.name)
                    forms << more;
                else
                    forms.last() += QLatin1Char(' ') + more;
            }
            QStringList out;
            for (const QString& form : forms) {
                if (form.isEmpty())
                    continue;
                const QString args =
                    form.startsWith(info.name) ? form.mid(info.name.size()).trimmed() : form;
                out << QStringLiteral("\\fB%1\\fR %2")
                           .arg(escaped(info.name), escaped(args))
                           .trimmed();
            }
            page.section(QStringLiteral("SYNOPSIS")).body +=
                out.join(QStringLiteral("\n.br\n")) + '\n';
            continue;
        }
        if (indent == 0 && isHeading(line) && (i == 0 || blank(lines.at(i - 1)))) {
            current = sectionTitle(line);
            headed = true;
            ++i;
            continue;
        }
        if (indent == 0) {
            QStringList words;
            for (; i < n && !blank(lines.at(i)) && indentOf(lines.at(i)) == 0; ++i)
                words << lines.at(i).trimmed();
            page.section(current).body +=
                QStringLiteral(".PP\n") + textLine(words.join(' ')) + '\n';
            continue;
        }
        // Indented lines: entries, or lines shown as they are.
        const QString text = line.trimmed();
        const QRegularExpressionMatch m = entryLine.match(text);
        const bool termAlone = !m.hasMatch() && i + 1 < n && !blank(lines.at(i + 1)) &&
                               indentOf(lines.at(i + 1)) > indent;
        if (m.hasMatch() || termAlone) {
            if (!headed)
                current = QStringLiteral("OPTIONS");
            QStringList words;
            if (m.hasMatch())
                words << m.captured(2);
            for (++i; i < n && !blank(lines.at(i)) && indentOf(lines.at(i)) > indent; ++i)
                words << lines.at(i).trimmed();
            page.section(current).body += QStringLiteral(".TP\n") +
                                          formattedTerm(m.hasMatch() ? m.captured(1) : text) +
                                          '\n' + textLine(words.join(' ')) + '\n';
            continue;
        }
        QStringList shown;
        for (; i < n && !blank(lines.at(i)) && indentOf(lines.at(i)) > 0; ++i) {
            const QString t = lines.at(i).trimmed();
            if (entryLine.match(t).hasMatch())
                break;
            shown << textLine(lines.at(i).mid(indent));
        }
        page.section(current).body +=
            QStringLiteral(".PP\n.RS 4\n.nf\n") + shown.join('\n') + QStringLiteral("\n.fi\n.RE\n");
    }

    QString out;
    out += QStringLiteral(".\\\" Made from the output of \"%1 --help\"; do not edit.\n")
               .arg(info.name);
    out += QStringLiteral(".TH \"%1\" \"%2\" \"%3\" \"%4\" \"User Commands\"\n")
               .arg(escaped(info.name.toUpper()), QString::number(info.section), info.date,
                    escaped(info.source));
    out += QStringLiteral(".SH NAME\n%1 \\- %2\n").arg(escaped(info.name), escaped(info.summary));
    for (const Section& s : page.sections()) {
        if (s.body.isEmpty())
            continue;
        out += QStringLiteral(".SH \"%1\"\n").arg(s.title);
        out += s.body;
    }
    if (!info.seeAlso.isEmpty()) {
        QStringList refs;
        static const QRegularExpression ref(QStringLiteral("^(.*)\\((\\w+)\\)$"));
        for (const QString& page : info.seeAlso) {
            const QRegularExpressionMatch m = ref.match(page);
            refs << (m.hasMatch() ? QStringLiteral("\\fB%1\\fR(%2)")
                                        .arg(escaped(m.captured(1)), m.captured(2))
                                  : escaped(page));
        }
        out += QStringLiteral(".SH \"SEE ALSO\"\n") + refs.join(QStringLiteral(",\n")) + '\n';
    }
    return out;
}

} // namespace kalo
