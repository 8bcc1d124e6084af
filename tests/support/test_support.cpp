#include "support/test_support.h"

#include "base/settings_store.h"

#include <QDir>
#include <QFile>

namespace kalo::test {

ScratchAppFolder::ScratchAppFolder() {
    SetAppPathOverride(dir_.path());
    SetScreenSizeProvider([] { return QSize(1024, 768); });
}

ScratchAppFolder::~ScratchAppFolder() {
    SetAppPathOverride({});
    SetScreenSizeProvider({});
}

QString ScratchAppFolder::path() const {
    return dir_.path() + '/';
}

void ScratchAppFolder::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(file(name)));
}

QByteArray ScratchAppFolder::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray Prose(int bytes) {
    static const char* const sentences[] = {
        "The lighthouse keeper climbed the winding stairs before sunset.",
        "Rain fell on the market square, and the traders covered their apples.",
        "Nobody remembered when the last ship had passed the rocks at night.",
    };
    QByteArray out;
    for (int i = 0; out.size() < bytes; ++i)
        out += QByteArray(sentences[i % 3]) + (i % 4 == 3 ? "\n\n" : " ");
    return out;
}

int ProcessesNaming(const QString& text) {
    int n = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text.toUtf8()))
            ++n;
    }
    return n;
}

} // namespace kalo::test
