// Fuzzes what a skin brings from outside: any bytes, taken as one of the
// skin's bitmaps, either decode to a picture within the size caps or fail
// with a KaloError, and every rectangle of the skin layout is cut from the
// result without reading outside it; the same bytes, taken as a .wsz
// archive, give out no entry past the caps, and whatever bitmaps they hold
// go through the same decoding and cutting.
#include "base/kalo_error.h"
#include "player/skin_bitmap.h"
#include "player/skin_geometry.h"
#include "player/skin_source.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <cstdlib>

using namespace kalo;

namespace {

void check(bool ok) {
    if (!ok)
        abort();
}

void cutEverything(const QImage& bitmap) {
    for (const FaceButtonSpec& s : faceButtonSpecs()) {
        for (QPoint p : {s.normal, s.disabled, s.pressed, s.latched}) {
            const QImage cut = cutPicture(bitmap, QRect(p, s.place.size()));
            check(cut.size() == s.place.size());
        }
    }
    for (SkinBar bar : {SkinBar::Position, SkinBar::Volume, SkinBar::Speed}) {
        const TrackBarSpec& s = trackBarSpec(bar);
        check(cutPicture(bitmap, QRect(s.background, s.place.size())).size() == s.place.size());
        check(cutPicture(bitmap, QRect(s.slider, s.sliderSize)).size() == s.sliderSize);
    }
    for (bool active : {false, true})
        for (bool shade : {false, true})
            check(cutPicture(bitmap, titleStripSource(active, shade)).size() == TitleStripSize);
    QImage face(FaceSize, QImage::Format_RGB32);
    face.fill(0);
    drawClipped(face, QPoint(0, 0), bitmap.scaled(FaceSize));
}

void tryBitmap(const QByteArray& bytes) {
    try {
        const QImage image = decodeSkinBitmap(bytes, QStringLiteral("fuzz.bmp"));
        check(!image.isNull() && image.width() <= MaxSkinBitmapSide &&
              image.height() <= MaxSkinBitmapSide && image.format() == QImage::Format_RGB32);
        cutEverything(image);
    } catch (const KaloError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    tryBitmap(bytes);
    const ArchiveSkinSource archive(bytes);
    qint64 total = 0;
    for (SkinFile f : {SkinFile::Pledit, SkinFile::Main, SkinFile::Titlebar, SkinFile::Shufrep,
                       SkinFile::Cbuttons, SkinFile::Posbar, SkinFile::Volume, SkinFile::Balance}) {
        if (const auto entry = archive.read(skinFileName(f))) {
            check(entry->size() <= MaxEntryBytes);
            total += entry->size();
            if (f != SkinFile::Pledit)
                tryBitmap(*entry);
        }
    }
    check(total <= MaxArchiveTotalBytes);
    return 0;
}
