#include "skin_fixture.h"

#include "bmp_writer.h"

#include <QFile>
#include <QFileInfo>

#include <zip.h>

#include <list>

namespace kalo::test {

QSize classicSize(SkinFile file) {
    switch (file) {
    case SkinFile::Main:
        return {275, 116};
    case SkinFile::Titlebar:
        return {344, 87};
    case SkinFile::Shufrep:
        return {92, 85};
    case SkinFile::Cbuttons:
        return {136, 36};
    case SkinFile::Posbar:
        return {307, 10};
    case SkinFile::Volume:
    case SkinFile::Balance:
        return {68, 433};
    case SkinFile::Pledit:
        break;
    }
    return {};
}

int fileId(SkinFile file) {
    return int(file);
}

QImage markedBitmap(SkinFile file, QSize size, int variant) {
    QImage image(size, QImage::Format_RGB32);
    const int id = fileId(file) + 8 * variant;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(
                x, y, qRgb(x & 0xff, y & 0xff, id * 16 + (x >= 256 ? 2 : 0) + (y >= 256 ? 1 : 0)));
    return image;
}

Mark markOf(QRgb pixel) {
    const int b = qBlue(pixel);
    return Mark{b / 16, qRed(pixel) + ((b & 2) ? 256 : 0), qGreen(pixel) + ((b & 1) ? 256 : 0)};
}

SkinFolder::SkinFolder() {
    QDir(dir_.path()).mkpath(QStringLiteral("skins"));
}

QString SkinFolder::skinPath(const QString& name) const {
    return dir_.path() + QStringLiteral("/skins/") + name + QLatin1Char('/');
}

void SkinFolder::write(const QString& relative, const QByteArray& bytes) const {
    const QString path = dir_.path() + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

void SkinFolder::remove(const QString& relative) const {
    QFile::remove(dir_.path() + QLatin1Char('/') + relative);
}

void SkinFolder::writeMarkedSkin(const QString& name, int variant, const QByteArray& pledit) {
    for (SkinFile f : {SkinFile::Main, SkinFile::Titlebar, SkinFile::Shufrep, SkinFile::Cbuttons,
                       SkinFile::Posbar, SkinFile::Volume, SkinFile::Balance})
        write(QStringLiteral("skins/") + name + QLatin1Char('/') + skinFileName(f),
              writeBmp24(markedBitmap(f, classicSize(f), variant)));
    if (!pledit.isEmpty())
        write(QStringLiteral("skins/") + name + QStringLiteral("/Pledit.txt"), pledit);
}

QByteArray makeZip(const std::vector<std::pair<QString, QByteArray>>& entries) {
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, nullptr);
    zip_source_keep(out);
    zip_t* zip = zip_open_from_source(out, ZIP_TRUNCATE, nullptr);
    if (zip == nullptr)
        qFatal("cannot make a zip");
    for (const auto& [name, bytes] : entries) {
        zip_source_t* s = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const QByteArray n = name.toUtf8();
        if (zip_file_add(zip, n.constData(), s, ZIP_FL_ENC_UTF_8) < 0)
            qFatal("cannot add %s", n.constData());
    }
    if (zip_close(zip) != 0)
        qFatal("cannot close the zip");
    QByteArray result;
    zip_stat_t st;
    if (zip_source_stat(out, &st) == 0 && zip_source_open(out) == 0) {
        result.resize(qsizetype(st.size));
        zip_source_read(out, result.data(), st.size);
        zip_source_close(out);
    }
    zip_source_free(out);
    return result;
}

FakeSkinnedWindow::FakeSkinnedWindow() {
    for (SkinBar b : {SkinBar::Position, SkinBar::Volume, SkinBar::Speed}) {
        auto bar = std::make_unique<TJQTrackBar>();
        ShapeTrackBar(*bar, b);
        bars[b] = std::move(bar);
    }
    bars[SkinBar::Position]->setMin(1);
    bars[SkinBar::Position]->setMax(100);
    bars[SkinBar::Position]->setPosition(1);
    bars[SkinBar::Volume]->setMin(1);
    bars[SkinBar::Volume]->setMax(65535);
    bars[SkinBar::Speed]->setMin(50);
    bars[SkinBar::Speed]->setMax(250);
    bars[SkinBar::Speed]->setPosition(150);
}

TJQTrackBar* FakeSkinnedWindow::trackBar(SkinBar bar) {
    return bars[bar].get();
}

} // namespace kalo::test
