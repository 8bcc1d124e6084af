#include "support/test_support.h"

#include "base/settings_store.h"

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

} // namespace kalo::test
