#include "agent/acs_file.h"

#include "agent/acs_compression.h"
#include "base/kalo_error.h"
#include "base/regular_file.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <limits>

namespace kalo::acs {

namespace {

constexpr quint32 kSignature = 0xABCDABC3u;
constexpr int kHeaderSize = 36;
// Frame sizes beyond this are no desktop character; refusing them keeps a
// damaged size from asking for gigabytes when a frame is drawn.
constexpr int kMaxFrameSide = 4096;
constexpr int kMaxTrayIconSide = 256;
constexpr quint32 kRegionHeaderSize = 32;

int Stride(int width) {
    return (width + 3) & ~3;
}

// ---------------------------------------------------------------- reading

struct Span {
    qsizetype offset = 0;
    qsizetype size = 0;
};

class Context {
public:
    Context(const QByteArray& bytes, const QString& fileName, qsizetype maxHeld)
        : bytes_(bytes), file_(fileName), maxHeld_(maxHeld) {}

    [[noreturn]] void Fail(const QString& what) const {
        throw KaloError(QStringLiteral("The character file \"%1\" is damaged or incomplete: %2.")
                            .arg(file_, what));
    }

    const QByteArray& Bytes() const { return bytes_; }

    // Everything the file gives as it is held in memory (pictures, regions
    // read or computed from the pixels, frames, sounds), counted against one
    // limit: small bytes can stand for much more, and list entries may point
    // at the same block many times.
    void Spend(qsizetype bytes) {
        if (bytes > maxHeld_ - decoded_)
            Fail(QStringLiteral("its pictures, regions, frames and sounds would take more than "
                                "%1 MB")
                     .arg(maxHeld_ / (1024 * 1024)));
        decoded_ += bytes;
    }
    // How many more rectangles the limit allows.
    size_t RectsLeft() const {
        return size_t(std::max<qsizetype>(maxHeld_ - decoded_, 0)) / sizeof(QRect);
    }

    // Animation blocks read, which real files never read twice: a few
    // aliases are allowed, a list pointing at one large block over and over
    // is not.
    void ReadAnimationBytes(qsizetype bytes) {
        animationBytes_ += bytes;
        if (animationBytes_ > 4 * bytes_.size() + 1024 * 1024)
            Fail(QStringLiteral("its animation list reads the same animations over and over"));
    }

private:
    const QByteArray& bytes_;
    QString file_;
    qsizetype maxHeld_;
    qsizetype decoded_ = 0;
    qsizetype animationBytes_ = 0;
};

// Reads little-endian values from one block of the file, never past its end.
class Cursor {
public:
    Cursor(const Context& ctx, Span span, QString what)
        : ctx_(ctx), data_(reinterpret_cast<const uchar*>(ctx.Bytes().constData())),
          pos_(span.offset), end_(span.offset + span.size), what_(std::move(what)) {}

    qsizetype Remaining() const { return end_ - pos_; }
    qsizetype Position() const { return pos_; }

    [[noreturn]] void Fail(const QString& detail) const {
        ctx_.Fail(detail.isEmpty() ? what_ : what_ + QStringLiteral(": ") + detail);
    }

    void Need(qsizetype n) const {
        if (n < 0 || n > Remaining())
            Fail(QStringLiteral("it ends too early"));
    }

    quint8 U8() {
        Need(1);
        return data_[pos_++];
    }
    quint16 U16() {
        Need(2);
        const quint16 v = quint16(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    quint32 U32() {
        Need(4);
        const quint32 v = quint32(data_[pos_]) | quint32(data_[pos_ + 1]) << 8 |
                          quint32(data_[pos_ + 2]) << 16 | quint32(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    qint16 I16() { return qint16(U16()); }
    qint32 I32() { return qint32(U32()); }

    QByteArray Bytes(qsizetype n) {
        Need(n);
        QByteArray b(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return b;
    }

    // The next n bytes without a copy; valid while the file's bytes are.
    QByteArray View(qsizetype n) {
        Need(n);
        const QByteArray b =
            QByteArray::fromRawData(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return b;
    }

    void Skip(qsizetype n) {
        Need(n);
        pos_ += n;
    }

    QUuid Guid() {
        const quint32 l = U32();
        const quint16 w1 = U16();
        const quint16 w2 = U16();
        Need(8);
        std::array<uchar, 8> b{};
        std::memcpy(b.data(), data_ + pos_, 8);
        pos_ += 8;
        return QUuid(l, w1, w2, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    }

    QString String() {
        const quint32 count = U32();
        if (count == 0)
            return {};
        if (qsizetype(count) > (Remaining() - 2) / 2)
            Fail(QStringLiteral("a text is longer than its block"));
        QString s(qsizetype(count), Qt::Uninitialized);
        for (quint32 i = 0; i < count; ++i)
            s[i] = QChar(U16());
        Skip(2); // the terminating NUL
        return s;
    }

    QColor Rgb0() {
        const quint8 r = U8(), g = U8(), b = U8();
        Skip(1);
        return QColor(r, g, b);
    }

    // A count of elements of at least minSize bytes each, checked against
    // what is left, so a damaged count cannot ask for more than the file holds.
    qsizetype Count(quint32 count, qsizetype minSize, const QString& of) {
        if (qsizetype(count) > Remaining() / minSize)
            Fail(QStringLiteral("it claims %1 %2, more than it can hold").arg(count).arg(of));
        return qsizetype(count);
    }

    Span Locator(const QString& of) {
        const quint32 offset = U32();
        const quint32 size = U32();
        const qsizetype total = ctx_.Bytes().size();
        if (qsizetype(offset) > total || qsizetype(size) > total - qsizetype(offset))
            ctx_.Fail(QStringLiteral("%1 lies outside the file").arg(of));
        return Span{qsizetype(offset), qsizetype(size)};
    }

private:
    const Context& ctx_;
    const uchar* data_;
    qsizetype pos_;
    qsizetype end_;
    QString what_;
};

std::optional<QImage> ReadDib(const QByteArray& dib, bool mask);

Voice ReadVoice(Cursor& c) {
    Voice v;
    v.ttsEngine = c.Guid();
    v.ttsMode = c.Guid();
    v.speed = c.U32();
    v.pitch = c.U16();
    v.hasExtra = c.U8() != 0;
    if (v.hasExtra) {
        v.languageId = c.U16();
        v.dialect = c.String();
        v.gender = c.U16();
        v.age = c.U16();
        v.style = c.String();
    }
    return v;
}

Balloon ReadBalloon(Cursor& c) {
    Balloon b;
    b.lines = c.U8();
    b.charsPerLine = c.U8();
    b.text = c.Rgb0();
    b.background = c.Rgb0();
    b.border = c.Rgb0();
    b.fontName = c.String();
    b.fontHeight = c.I32();
    b.fontWeight = c.I32();
    b.italic = c.U8() != 0;
    b.unknown = c.U8();
    return b;
}

// The tray icon: a 1-bit mask DIB and a colour DIB, each behind its size.
// Sizes that run outside the block reject the file; a picture in a form we do
// not draw (compressed, odd depth) leaves the character without a tray icon.
std::optional<QImage> ReadTrayIcon(Cursor& c) {
    const quint32 maskSize = c.U32();
    c.Need(qsizetype(maskSize));
    const QByteArray maskDib = c.Bytes(qsizetype(maskSize));
    const quint32 colourSize = c.U32();
    c.Need(qsizetype(colourSize));
    const QByteArray colourDib = c.Bytes(qsizetype(colourSize));

    std::optional<QImage> colour = ReadDib(colourDib, false);
    if (!colour)
        return std::nullopt;
    const std::optional<QImage> maskImage = ReadDib(maskDib, true);
    if (maskImage) {
        for (int y = 0; y < colour->height() && y < maskImage->height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(colour->scanLine(y));
            const auto* m = reinterpret_cast<const QRgb*>(maskImage->constScanLine(y));
            for (int x = 0; x < colour->width() && x < maskImage->width(); ++x)
                if (qRed(m[x]) != 0) // a set mask bit: transparent
                    line[x] = 0;
        }
    }
    return colour;
}

// Decodes a BITMAPINFOHEADER device-independent bitmap without compression.
// With mask set a 1-bit picture gives white for set bits, black for clear ones.
std::optional<QImage> ReadDib(const QByteArray& dib, bool mask) {
    const auto* d = reinterpret_cast<const uchar*>(dib.constData());
    const qsizetype size = dib.size();
    auto u16 = [&](qsizetype at) { return quint32(d[at] | d[at + 1] << 8); };
    auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
    if (size < 40)
        return std::nullopt;
    const quint32 headerSize = u32(0);
    const qint32 width = qint32(u32(4));
    const qint32 rawHeight = qint32(u32(8));
    const quint32 bits = u16(14);
    const quint32 compression = u32(16);
    const quint32 colorsUsed = u32(32);
    if (headerSize < 40 || headerSize > size || compression != 0)
        return std::nullopt;
    if (width <= 0 || width > kMaxTrayIconSide || rawHeight == 0 || rawHeight < -kMaxTrayIconSide)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return std::nullopt;
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    if (height > kMaxTrayIconSide)
        return std::nullopt;
    const qsizetype paletteCount = bits <= 8 ? (colorsUsed ? colorsUsed : 1u << bits) : 0;
    if (paletteCount > 256)
        return std::nullopt;
    const qsizetype paletteAt = headerSize;
    const qsizetype pixelsAt = paletteAt + paletteCount * 4;
    const qsizetype stride = ((qsizetype(width) * bits + 31) / 32) * 4;
    if (pixelsAt + stride * height > size)
        return std::nullopt;

    QVector<QRgb> palette;
    for (qsizetype i = 0; i < paletteCount; ++i) {
        const qsizetype at = paletteAt + i * 4;
        palette.append(qRgb(d[at + 2], d[at + 1], d[at]));
    }
    QImage img(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const qsizetype row = topDown ? y : (height - 1 - y);
        const uchar* src = d + pixelsAt + row * stride;
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb colour = 0;
            if (bits <= 8) {
                int index = 0;
                if (bits == 1)
                    index = (src[x / 8] >> (7 - x % 8)) & 1;
                else if (bits == 4)
                    index = (src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
                else
                    index = src[x];
                if (mask && bits == 1)
                    colour = index ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                else
                    colour = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
            } else {
                const uchar* px = src + qsizetype(x) * (bits / 8);
                colour = qRgb(px[2], px[1], px[0]);
            }
            dst[x] = colour;
        }
    }
    return img;
}

State ReadState(Cursor& c) {
    State s;
    s.name = c.String();
    const qsizetype n = c.Count(c.U16(), 4, QStringLiteral("animation names"));
    for (qsizetype i = 0; i < n; ++i)
        s.animations.append(c.String());
    return s;
}

void ReadCharacterInfo(Context& ctx, Span span, Character& ch) {
    Cursor c(ctx, span, QStringLiteral("the character information"));
    ch.versionMinor = c.U16();
    ch.versionMajor = c.U16();
    const Span localizedSpan = c.Locator(QStringLiteral("the localized information"));
    ch.guid = c.Guid();
    ch.width = c.U16();
    ch.height = c.U16();
    if (ch.width == 0 || ch.height == 0 || ch.width > kMaxFrameSide || ch.height > kMaxFrameSide)
        c.Fail(
            QStringLiteral("the frame size %1 x %2 is not possible").arg(ch.width).arg(ch.height));
    ch.transparentIndex = c.U8();
    ch.flags = c.U32();
    ch.animationSetVersion = c.U32();
    if (ch.flags & kVoiceEnabled)
        ch.voice = ReadVoice(c);
    if (ch.flags & kBalloonEnabled)
        ch.balloon = ReadBalloon(c);

    const quint32 paletteCount = c.U32();
    if (paletteCount > 256)
        c.Fail(QStringLiteral("the palette has %1 colours").arg(paletteCount));
    c.Count(paletteCount, 4, QStringLiteral("colours"));
    ch.palette.resize(qsizetype(paletteCount));
    QRgb* palette = ch.palette.data();
    for (quint32 i = 0; i < paletteCount; ++i) {
        const quint32 bgr0 = c.U32();
        palette[i] = 0xFF000000u | (bgr0 & 0xFFFFFFu); // B, G, R bytes read as 0x00RRGGBB
    }

    const quint8 hasTray = c.U8();
    if (hasTray > 1)
        c.Fail(QStringLiteral("the tray icon flag is %1").arg(hasTray));
    if (hasTray)
        ch.trayIcon = ReadTrayIcon(c);

    const qsizetype states = c.Count(c.U16(), 6, QStringLiteral("states"));
    ch.states.reserve(size_t(states));
    for (qsizetype i = 0; i < states; ++i)
        ch.states.push_back(ReadState(c));

    Cursor l(ctx, localizedSpan, QStringLiteral("the localized information"));
    const qsizetype count = l.Count(l.U16(), 14, QStringLiteral("languages"));
    for (qsizetype i = 0; i < count; ++i) {
        Localized loc;
        loc.languageId = l.U16();
        loc.name = l.String();
        loc.description = l.String();
        loc.extra = l.String();
        ch.localized.push_back(std::move(loc));
    }
}

Frame ReadFrame(Context& ctx, Cursor& c) {
    Frame f;
    const qsizetype images = c.Count(c.U16(), 8, QStringLiteral("images in a frame"));
    ctx.Spend(images * qsizetype(sizeof(FrameImage)));
    f.images.reserve(size_t(images));
    for (qsizetype i = 0; i < images; ++i) {
        FrameImage fi;
        fi.imageIndex = c.U32();
        fi.x = c.I16();
        fi.y = c.I16();
        f.images.push_back(fi);
    }
    f.sound = c.I16();
    f.duration = c.U16();
    f.exitFrame = c.I16();
    const qsizetype branches = c.Count(c.U8(), 4, QStringLiteral("branches"));
    ctx.Spend(branches * qsizetype(sizeof(Branch)));
    for (qsizetype i = 0; i < branches; ++i) {
        Branch b;
        b.frame = c.U16();
        b.percent = c.U16();
        f.branches.push_back(b);
    }
    const qsizetype overlays = c.Count(c.U8(), 14, QStringLiteral("mouth overlays"));
    ctx.Spend(overlays * qsizetype(sizeof(MouthOverlay)));
    for (qsizetype i = 0; i < overlays; ++i) {
        MouthOverlay o;
        o.shape = c.U8();
        o.replace = c.U8() != 0;
        o.imageIndex = c.U16();
        o.unknown = c.U8();
        if (c.U8() != 0) {
            const quint32 size = c.U32();
            c.Need(qsizetype(size));
            ctx.Spend(qsizetype(size));
            o.regionData = c.Bytes(qsizetype(size));
        }
        o.x = c.I16();
        o.y = c.I16();
        o.centerX = c.U16();
        o.centerY = c.U16();
        f.overlays.push_back(o);
    }
    return f;
}

Animation ReadAnimationBlock(Context& ctx, Span span, const QString& listName) {
    Cursor c(ctx, span, QStringLiteral("the animation \"%1\"").arg(listName));
    Animation a;
    a.name = listName;
    c.String(); // the block's upper-case copy of the name
    a.transition = c.U8();
    a.returnAnimation = c.String();
    const qsizetype frames = c.Count(c.U16(), 10, QStringLiteral("frames"));
    ctx.Spend(qsizetype(sizeof(Animation)) + frames * qsizetype(sizeof(Frame)));
    a.frames.reserve(size_t(frames));
    for (qsizetype i = 0; i < frames; ++i)
        a.frames.push_back(ReadFrame(ctx, c));
    return a;
}

std::vector<QRect> ReadRegion(Context& ctx, Cursor& c, const QByteArray& data, int width,
                              int height) {
    // RGNDATA: header size, type, rectangle count, size (unreliable), bound, rectangles.
    const auto* d = reinterpret_cast<const uchar*>(data.constData());
    auto i32 = [&](qsizetype at) {
        return qint32(quint32(d[at]) | quint32(d[at + 1]) << 8 | quint32(d[at + 2]) << 16 |
                      quint32(d[at + 3]) << 24);
    };
    if (data.size() < qsizetype(kRegionHeaderSize))
        c.Fail(QStringLiteral("its region is too short"));
    const quint32 headerSize = quint32(i32(0));
    const quint32 count = quint32(i32(8));
    if (headerSize != kRegionHeaderSize)
        c.Fail(QStringLiteral("its region has a header of %1 bytes").arg(headerSize));
    if (qsizetype(count) > (data.size() - headerSize) / 16)
        c.Fail(QStringLiteral("its region claims %1 rectangles, more than it holds").arg(count));
    ctx.Spend(qsizetype(count) * qsizetype(sizeof(QRect)));
    std::vector<QRect> rects;
    rects.reserve(count);
    const QRect bounds(0, 0, width, height);
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype at = headerSize + qsizetype(i) * 16;
        const qint64 left = i32(at), top = i32(at + 4), right = i32(at + 8), bottom = i32(at + 12);
        if (right <= left || bottom <= top)
            continue;
        const QRect r = QRect(int(std::clamp<qint64>(left, -1, width + 1)),
                              int(std::clamp<qint64>(top, -1, height + 1)),
                              int(std::clamp<qint64>(right - left, 0, width + 2)),
                              int(std::clamp<qint64>(bottom - top, 0, height + 2)))
                            .intersected(bounds);
        if (!r.isEmpty())
            rects.push_back(r);
    }
    return rects;
}

// True when the rectangles are in bands from top to bottom, each band's
// rectangles of equal height, left to right and apart.
bool IsBanded(const std::vector<QRect>& rects) {
    for (size_t i = 1; i < rects.size(); ++i) {
        const QRect& a = rects[i - 1];
        const QRect& b = rects[i];
        const bool sameBand =
            b.top() == a.top() && b.bottom() == a.bottom() && b.left() > a.right();
        if (!sameBand && b.top() <= a.bottom())
            return false;
    }
    return true;
}

Image ReadImageBlock(Context& ctx, Span span, qsizetype index, quint8 transparentIndex) {
    Cursor c(ctx, span, QStringLiteral("image %1").arg(index));
    Image img;
    // Some characters hold slots of a byte or two here: empty images.
    if (span.size < 10)
        return img;
    c.U8(); // always 1
    img.width = c.U16();
    img.height = c.U16();
    const bool compressed = c.U8() != 0;
    const qsizetype stride = Stride(img.width);
    const qsizetype stored = stride * img.height;
    ctx.Spend(stored * 2);
    const quint32 pixelBytes = c.U32();
    c.Need(qsizetype(pixelBytes));
    const QByteArray raw = c.View(qsizetype(pixelBytes));
    QByteArray bottomUp;
    if (!compressed) {
        if (raw.size() < stored)
            c.Fail(QStringLiteral("its pixels are too short"));
        bottomUp = raw.left(stored);
    } else {
        try {
            bottomUp = Decompress(raw, stored);
        } catch (const KaloError& e) {
            c.Fail(QStringLiteral("its pixels: ") + e.message());
        }
    }
    img.pixels = QByteArray(qsizetype(img.width) * img.height, Qt::Uninitialized);
    for (int y = 0; y < img.height; ++y)
        std::memcpy(img.pixels.data() + qsizetype(y) * img.width,
                    bottomUp.constData() + qsizetype(img.height - 1 - y) * stride, img.width);

    // The region computed from the pixels: one rectangle per opaque run, so a
    // few bytes of pixels can stand for millions.
    const auto regionFromPixels = [&] {
        bool over = false;
        std::vector<QRect> rects = RegionFromPixelsCapped(img.pixels, img.width, img.height,
                                                          transparentIndex, ctx.RectsLeft(), &over);
        ctx.Spend(over ? std::numeric_limits<qsizetype>::max()
                       : qsizetype(rects.size() * sizeof(QRect)));
        return rects;
    };
    if (c.Remaining() < 8) {
        // No region stored: the opaque pixels are the region.
        img.region = regionFromPixels();
        return img;
    }
    const quint32 regionCompressed = c.U32();
    const quint32 regionSize = c.U32();
    QByteArray region;
    if (regionCompressed == 0) {
        c.Need(qsizetype(regionSize));
        ctx.Spend(qsizetype(regionSize));
        region = c.Bytes(qsizetype(regionSize));
    } else {
        c.Need(qsizetype(regionCompressed));
        ctx.Spend(qsizetype(regionSize));
        try {
            region = Decompress(c.View(qsizetype(regionCompressed)), qsizetype(regionSize));
        } catch (const KaloError& e) {
            c.Fail(QStringLiteral("its region: ") + e.message());
        }
    }
    if (!region.isEmpty())
        img.region = ReadRegion(ctx, c, region, img.width, img.height);
    // The drawing code hands the rectangles to QRegion as they are, which
    // needs them banded; a region that is not gets rebuilt from the pixels.
    if (region.isEmpty() || !IsBanded(img.region))
        img.region = regionFromPixels();
    return img;
}

// The first reference to an image, sound or frame that does not exist, as a
// description; empty when all are sound.
QString BadReference(const Character& ch) {
    const auto images = ch.images.size();
    const auto sounds = ch.sounds.size();
    for (const Animation& a : ch.animations) {
        const auto frames = a.frames.size();
        for (size_t i = 0; i < frames; ++i) {
            const Frame& f = a.frames[i];
            auto problem = [&](const QString& what) {
                return QStringLiteral("frame %1 of the animation \"%2\" %3")
                    .arg(i)
                    .arg(a.name, what);
            };
            for (const FrameImage& fi : f.images)
                if (fi.imageIndex >= images)
                    return problem(
                        QStringLiteral("uses image %1 of %2").arg(fi.imageIndex).arg(images));
            for (const MouthOverlay& o : f.overlays)
                if (o.imageIndex >= images)
                    return problem(
                        QStringLiteral("has a mouth image %1 of %2").arg(o.imageIndex).arg(images));
            if (f.sound < -1 || (f.sound >= 0 && size_t(f.sound) >= sounds))
                return problem(QStringLiteral("uses sound %1 of %2").arg(f.sound).arg(sounds));
            if (f.exitFrame < kExitEnd || (f.exitFrame >= 0 && size_t(f.exitFrame) >= frames))
                return problem(
                    QStringLiteral("exits to frame %1 of %2").arg(f.exitFrame).arg(frames));
            for (const Branch& b : f.branches)
                if (b.frame >= frames)
                    return problem(
                        QStringLiteral("branches to frame %1 of %2").arg(b.frame).arg(frames));
        }
    }
    return {};
}

// ---------------------------------------------------------------- writing

class Writer {
public:
    qsizetype Size() const { return out_.size(); }
    QByteArray& Bytes() { return out_; }

    void U8(quint8 v) { out_.append(char(v)); }
    void U16(quint16 v) {
        U8(quint8(v));
        U8(quint8(v >> 8));
    }
    void U32(quint32 v) {
        U16(quint16(v));
        U16(quint16(v >> 16));
    }
    void I16(qint16 v) { U16(quint16(v)); }
    void I32(qint32 v) { U32(quint32(v)); }
    void Raw(const QByteArray& b) { out_.append(b); }

    void Guid(const QUuid& g) {
        U32(g.data1);
        U16(g.data2);
        U16(g.data3);
        for (uchar b : g.data4)
            U8(b);
    }
    void String(const QString& s) {
        U32(quint32(s.size()));
        if (s.isEmpty())
            return;
        for (QChar ch : s)
            U16(ch.unicode());
        U16(0);
    }
    void Rgb0(const QColor& c) {
        const QRgb rgb = c.rgb();
        U8(quint8(qRed(rgb)));
        U8(quint8(qGreen(rgb)));
        U8(quint8(qBlue(rgb)));
        U8(0);
    }
    void Locator(Span s) {
        U32(quint32(s.offset));
        U32(quint32(s.size));
    }
    // Rewrites 4 bytes at a position already written.
    void PatchU32(qsizetype at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            out_[at + i] = char(quint8(v >> (8 * i)));
    }

private:
    QByteArray out_;
};

[[noreturn]] void WriteFail(const QString& what) {
    throw KaloError(QStringLiteral("The character cannot be written: %1.").arg(what));
}

QByteArray RegionBytes(const std::vector<QRect>& rects) {
    Writer w;
    QRect bound;
    for (const QRect& r : rects)
        bound = bound.united(r);
    w.U32(kRegionHeaderSize);
    w.U32(1);
    w.U32(quint32(rects.size()));
    w.U32(quint32(rects.size() * 16));
    auto rect = [&](const QRect& r) {
        w.I32(r.left());
        w.I32(r.top());
        w.I32(r.left() + r.width());
        w.I32(r.top() + r.height());
    };
    if (rects.empty()) {
        for (int i = 0; i < 4; ++i)
            w.I32(0);
    } else {
        rect(bound);
    }
    for (const QRect& r : rects)
        rect(r);
    return w.Bytes();
}

QByteArray ImageBlock(const Image& img, quint8 transparentIndex) {
    const qsizetype tight = qsizetype(img.width) * img.height;
    if (img.pixels.size() != tight)
        WriteFail(QStringLiteral("an image of %1 x %2 holds %3 pixels")
                      .arg(img.width)
                      .arg(img.height)
                      .arg(img.pixels.size()));
    const int stride = Stride(img.width);
    QByteArray bottomUp(qsizetype(stride) * img.height, '\0');
    for (int y = 0; y < img.height; ++y)
        std::memcpy(bottomUp.data() + qsizetype(img.height - 1 - y) * stride,
                    img.pixels.constData() + qsizetype(y) * img.width, img.width);
    const QByteArray pixels = Compress(bottomUp, stride);
    const QByteArray regionRaw =
        RegionBytes(RegionFromPixels(img.pixels, img.width, img.height, transparentIndex));
    const QByteArray region = Compress(regionRaw, 16);

    Writer w;
    w.U8(1);
    w.U16(img.width);
    w.U16(img.height);
    w.U8(1);
    w.U32(quint32(pixels.size()));
    w.Raw(pixels);
    w.U32(quint32(region.size()));
    w.U32(quint32(regionRaw.size()));
    w.Raw(region);
    return w.Bytes();
}

// The 16 colours of a 4-bit tray icon: the picture's own when it has no
// more, else its 16 most frequent.
QVector<QRgb> IconPalette(const QImage& icon) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x) {
            const QRgb p = icon.pixel(x, y);
            if (qAlpha(p) >= 128)
                ++counts[p | 0xFF000000u];
        }
    std::vector<std::pair<int, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.emplace_back(-it.value(), it.key());
    std::sort(byCount.begin(), byCount.end());
    QVector<QRgb> palette;
    for (const auto& [count, colour] : byCount) {
        if (palette.size() == 16)
            break;
        palette.append(colour);
    }
    while (palette.size() < 16)
        palette.append(qRgb(0, 0, 0));
    return palette;
}

int Nearest(const QVector<QRgb>& palette, QRgb c) {
    int best = 0;
    int bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(c) - qRed(palette[i]);
        const int dg = qGreen(c) - qGreen(palette[i]);
        const int db = qBlue(c) - qBlue(palette[i]);
        const int dist = dr * dr + dg * dg + db * db;
        if (dist < bestDistance) {
            bestDistance = dist;
            best = i;
        }
    }
    return best;
}

QByteArray DibHeader(int width, int height, int bits, int colours, qsizetype imageSize) {
    Writer w;
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(quint16(bits));
    w.U32(0);
    w.U32(quint32(imageSize));
    w.U32(0);
    w.U32(0);
    w.U32(quint32(colours));
    w.U32(0);
    return w.Bytes();
}

void WriteTrayIcon(Writer& w, const QImage& source) {
    if (source.isNull() || source.width() > kMaxTrayIconSide || source.height() > kMaxTrayIconSide)
        WriteFail(QStringLiteral("the tray icon must be between 1 x 1 and 256 x 256 pixels"));
    const QImage icon = source.convertToFormat(QImage::Format_ARGB32);
    const int width = icon.width();
    const int height = icon.height();

    const int maskStride = ((width + 31) / 32) * 4;
    QByteArray mask(qsizetype(maskStride) * height, '\0');
    const int colourStride = ((width * 4 + 31) / 32) * 4;
    QByteArray colour(qsizetype(colourStride) * height, '\0');
    const QVector<QRgb> palette = IconPalette(icon);
    for (int y = 0; y < height; ++y) {
        const int row = height - 1 - y; // bottom-up
        for (int x = 0; x < width; ++x) {
            const QRgb p = icon.pixel(x, y);
            if (qAlpha(p) < 128) {
                mask[qsizetype(row) * maskStride + x / 8] =
                    char(mask[qsizetype(row) * maskStride + x / 8] | (0x80 >> (x % 8)));
                continue;
            }
            const int index = Nearest(palette, p);
            char& byte = colour[qsizetype(row) * colourStride + x / 2];
            byte = char(quint8(byte) | (x % 2 ? index : index << 4));
        }
    }

    Writer maskDib;
    maskDib.Raw(DibHeader(width, height, 1, 2, mask.size()));
    maskDib.U32(0);
    maskDib.U32(0x00FFFFFF);
    maskDib.Raw(mask);
    Writer colourDib;
    colourDib.Raw(DibHeader(width, height, 4, 16, colour.size()));
    for (QRgb c : palette) {
        colourDib.U8(quint8(qBlue(c)));
        colourDib.U8(quint8(qGreen(c)));
        colourDib.U8(quint8(qRed(c)));
        colourDib.U8(0);
    }
    colourDib.Raw(colour);

    w.U32(quint32(maskDib.Size()));
    w.Raw(maskDib.Bytes());
    w.U32(quint32(colourDib.Size()));
    w.Raw(colourDib.Bytes());
}

void CheckWritable(const Character& ch) {
    if (ch.width == 0 || ch.height == 0 || ch.width > kMaxFrameSide || ch.height > kMaxFrameSide)
        WriteFail(
            QStringLiteral("the frame size %1 x %2 is not possible").arg(ch.width).arg(ch.height));
    if (ch.palette.size() > 256)
        WriteFail(QStringLiteral("the palette has %1 colours").arg(ch.palette.size()));
    const auto tooMany = [](size_t n, size_t max) { return n > max; };
    if (tooMany(ch.states.size(), 0xFFFF) || tooMany(ch.localized.size(), 0xFFFF))
        WriteFail(QStringLiteral("too many states or languages"));
    for (const State& s : ch.states)
        if (tooMany(size_t(s.animations.size()), 0xFFFF))
            WriteFail(QStringLiteral("the state \"%1\" names too many animations").arg(s.name));
    for (const Animation& a : ch.animations) {
        if (tooMany(a.frames.size(), 0xFFFF))
            WriteFail(QStringLiteral("the animation \"%1\" has too many frames").arg(a.name));
        for (const Frame& f : a.frames)
            if (tooMany(f.images.size(), 0xFFFF) || tooMany(f.branches.size(), 0xFF) ||
                tooMany(f.overlays.size(), 0xFF))
                WriteFail(QStringLiteral("a frame of \"%1\" has too many parts").arg(a.name));
    }
    // The same reference rules the reader enforces.
    if (const QString bad = BadReference(ch); !bad.isEmpty())
        WriteFail(bad);
}

} // namespace

// ---------------------------------------------------------------- Character

const Animation* Character::FindAnimation(QStringView name) const {
    for (const Animation& a : animations)
        if (QStringView(a.name).compare(name, Qt::CaseInsensitive) == 0)
            return &a;
    return nullptr;
}

QStringList Character::StateAnimations(QStringView state) const {
    for (const State& s : states)
        if (QStringView(s.name).compare(state, Qt::CaseInsensitive) == 0)
            return s.animations;
    return {};
}

const Localized* Character::FindLocalized(quint16 languageId) const {
    for (const Localized& l : localized)
        if (l.languageId == languageId)
            return &l;
    for (const Localized& l : localized)
        if ((l.languageId & 0x3FF) == (languageId & 0x3FF))
            return &l;
    return localized.empty() ? nullptr : &localized.front();
}

// ---------------------------------------------------------------- reading

Character ParseAcs(const QByteArray& bytes, const QString& fileNameForMessages,
                   qsizetype maxHeldBytes) {
    const QString& file = fileNameForMessages;
    if (bytes.isEmpty())
        throw KaloError(QStringLiteral("The character file \"%1\" is empty.").arg(file));
    if (bytes.startsWith(QByteArray::fromHex("D0CF11E0")))
        throw KaloError(
            QStringLiteral("The character file \"%1\" is in the older compound-file format of "
                           "Agent 1.5, which cannot be read; only Agent 2.0 characters are.")
                .arg(file));
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    if (bytes.size() < 4 || (quint32(d[0]) | quint32(d[1]) << 8 | quint32(d[2]) << 16 |
                             quint32(d[3]) << 24) != kSignature)
        throw KaloError(
            QStringLiteral("The file \"%1\" is not an Agent character file.").arg(file));

    Context ctx(bytes, file, maxHeldBytes);
    Cursor header(ctx, Span{0, bytes.size()}, QStringLiteral("the header"));
    if (bytes.size() < kHeaderSize)
        header.Fail(QStringLiteral("it ends too early"));
    header.Skip(4);
    const Span infoSpan = header.Locator(QStringLiteral("the character information"));
    const Span animationList = header.Locator(QStringLiteral("the animation list"));
    const Span imageList = header.Locator(QStringLiteral("the image list"));
    const Span audioList = header.Locator(QStringLiteral("the sound list"));

    Character ch;
    ReadCharacterInfo(ctx, infoSpan, ch);

    {
        Cursor c(ctx, animationList, QStringLiteral("the animation list"));
        const qsizetype n = c.Count(c.U32(), 12, QStringLiteral("animations"));
        std::vector<std::pair<QString, Span>> entries;
        for (qsizetype i = 0; i < n; ++i) {
            QString name = c.String();
            const Span span = c.Locator(QStringLiteral("the animation \"%1\"").arg(name));
            entries.emplace_back(std::move(name), span);
        }
        ch.animations.reserve(entries.size());
        for (const auto& [name, span] : entries) {
            ctx.ReadAnimationBytes(span.size);
            ch.animations.push_back(ReadAnimationBlock(ctx, span, name));
        }
    }
    {
        Cursor c(ctx, imageList, QStringLiteral("the image list"));
        const qsizetype n = c.Count(c.U32(), 12, QStringLiteral("images"));
        std::vector<Span> spans;
        for (qsizetype i = 0; i < n; ++i) {
            spans.push_back(c.Locator(QStringLiteral("image %1").arg(i)));
            c.U32(); // checksum: not reproducible, so not checked
        }
        ch.images.reserve(spans.size());
        for (size_t i = 0; i < spans.size(); ++i)
            ch.images.push_back(ReadImageBlock(ctx, spans[i], qsizetype(i), ch.transparentIndex));
    }
    {
        Cursor c(ctx, audioList, QStringLiteral("the sound list"));
        const qsizetype n = c.Count(c.U32(), 12, QStringLiteral("sounds"));
        for (qsizetype i = 0; i < n; ++i) {
            const Span span = c.Locator(QStringLiteral("sound %1").arg(i));
            c.U32(); // checksum
            ctx.Spend(span.size);
            ch.sounds.push_back(Sound{bytes.mid(span.offset, span.size)});
        }
    }
    if (const QString bad = BadReference(ch); !bad.isEmpty())
        ctx.Fail(bad);
    return ch;
}

Character ReadAcsFile(const QString& path) {
    // Only a regular file is opened: a FIFO named like a character would
    // block for ever, a device would never end.
    const RegularFileRead read = ReadRegularFile(path, kMaxAcsFileSize);
    switch (read.result) {
    case RegularFileRead::Read:
        break;
    case RegularFileRead::TooLarge:
        throw KaloError(QStringLiteral("The character file \"%1\" is too large (%2 MB); character "
                                       "files of up to %3 MB are read.")
                            .arg(path)
                            .arg(MegabytesUp(read.size))
                            .arg(kMaxAcsFileSize / (1024 * 1024)));
    case RegularFileRead::Unreadable:
        throw KaloError(
            QStringLiteral("The character file \"%1\" cannot be read: %2.").arg(path, read.reason));
    case RegularFileRead::Unopenable:
    case RegularFileRead::NotRegular:
        throw KaloError(QStringLiteral("The character file \"%1\" cannot be opened: %2.")
                            .arg(path, read.reason));
    }
    return ParseAcs(read.bytes, path);
}

// ---------------------------------------------------------------- writing

QByteArray WriteAcs(const Character& ch) {
    CheckWritable(ch);
    Writer w;
    for (int i = 0; i < kHeaderSize; ++i)
        w.U8(0);

    std::vector<Span> animationSpans;
    for (const Animation& a : ch.animations) {
        const qsizetype start = w.Size();
        w.String(a.name.toUpper());
        w.U8(a.transition);
        w.String(a.returnAnimation);
        w.U16(quint16(a.frames.size()));
        for (const Frame& f : a.frames) {
            w.U16(quint16(f.images.size()));
            for (const FrameImage& fi : f.images) {
                w.U32(fi.imageIndex);
                w.I16(fi.x);
                w.I16(fi.y);
            }
            w.I16(f.sound);
            w.U16(f.duration);
            w.I16(f.exitFrame);
            w.U8(quint8(f.branches.size()));
            for (const Branch& b : f.branches) {
                w.U16(b.frame);
                w.U16(b.percent);
            }
            w.U8(quint8(f.overlays.size()));
            for (const MouthOverlay& o : f.overlays) {
                w.U8(o.shape);
                w.U8(o.replace ? 1 : 0);
                w.U16(o.imageIndex);
                w.U8(o.unknown);
                w.U8(o.regionData ? 1 : 0);
                if (o.regionData) {
                    w.U32(quint32(o.regionData->size()));
                    w.Raw(*o.regionData);
                }
                w.I16(o.x);
                w.I16(o.y);
                w.U16(o.centerX);
                w.U16(o.centerY);
            }
        }
        animationSpans.push_back(Span{start, w.Size() - start});
    }

    std::vector<std::pair<Span, quint32>> imageSpans;
    for (const Image& img : ch.images) {
        const QByteArray block = ImageBlock(img, ch.transparentIndex);
        imageSpans.emplace_back(Span{w.Size(), block.size()}, Crc32(block));
        w.Raw(block);
    }
    std::vector<std::pair<Span, quint32>> soundSpans;
    for (const Sound& s : ch.sounds) {
        soundSpans.emplace_back(Span{w.Size(), s.wav.size()}, Crc32(s.wav));
        w.Raw(s.wav);
    }

    const qsizetype animationListAt = w.Size();
    w.U32(quint32(ch.animations.size()));
    for (size_t i = 0; i < ch.animations.size(); ++i) {
        w.String(ch.animations[i].name);
        w.Locator(animationSpans[i]);
    }
    const qsizetype imageListAt = w.Size();
    w.U32(quint32(imageSpans.size()));
    for (const auto& [span, crc] : imageSpans) {
        w.Locator(span);
        w.U32(crc);
    }
    const qsizetype audioListAt = w.Size();
    w.U32(quint32(soundSpans.size()));
    for (const auto& [span, crc] : soundSpans) {
        w.Locator(span);
        w.U32(crc);
    }

    const qsizetype infoAt = w.Size();
    quint32 flags = ch.flags & ~(kVoiceEnabled | kBalloonEnabled);
    if (ch.voice)
        flags |= kVoiceEnabled;
    if (ch.balloon)
        flags |= kBalloonEnabled;
    w.U16(ch.versionMinor);
    w.U16(ch.versionMajor);
    const qsizetype localizedLocatorAt = w.Size();
    w.Locator(Span{});
    w.Guid(ch.guid);
    w.U16(ch.width);
    w.U16(ch.height);
    w.U8(ch.transparentIndex);
    w.U32(flags);
    w.U32(ch.animationSetVersion);
    if (const auto& v = ch.voice) {
        w.Guid(v->ttsEngine);
        w.Guid(v->ttsMode);
        w.U32(v->speed);
        w.U16(v->pitch);
        w.U8(v->hasExtra ? 1 : 0);
        if (v->hasExtra) {
            w.U16(v->languageId);
            w.String(v->dialect);
            w.U16(v->gender);
            w.U16(v->age);
            w.String(v->style);
        }
    }
    if (const auto& b = ch.balloon) {
        w.U8(b->lines);
        w.U8(b->charsPerLine);
        w.Rgb0(b->text);
        w.Rgb0(b->background);
        w.Rgb0(b->border);
        w.String(b->fontName);
        w.I32(b->fontHeight);
        w.I32(b->fontWeight);
        w.U8(b->italic ? 1 : 0);
        w.U8(b->unknown);
    }
    w.U32(quint32(ch.palette.size()));
    for (QRgb c : ch.palette) {
        w.U8(quint8(qBlue(c)));
        w.U8(quint8(qGreen(c)));
        w.U8(quint8(qRed(c)));
        w.U8(0);
    }
    w.U8(ch.trayIcon ? 1 : 0);
    if (ch.trayIcon)
        WriteTrayIcon(w, *ch.trayIcon);
    w.U16(quint16(ch.states.size()));
    for (const State& s : ch.states) {
        w.String(s.name.toUpper());
        w.U16(quint16(s.animations.size()));
        for (const QString& a : s.animations)
            w.String(a);
    }
    const qsizetype localizedAt = w.Size();
    w.U16(quint16(ch.localized.size()));
    for (const Localized& l : ch.localized) {
        w.U16(l.languageId);
        w.String(l.name);
        w.String(l.description);
        w.String(l.extra);
    }
    w.PatchU32(localizedLocatorAt, quint32(localizedAt));
    w.PatchU32(localizedLocatorAt + 4, quint32(w.Size() - localizedAt));
    const qsizetype end = w.Size();
    if (end > 0xFFFFFFFFLL)
        WriteFail(QStringLiteral("the file would be larger than 4 GB"));

    w.PatchU32(0, kSignature);
    w.PatchU32(4, quint32(infoAt));
    w.PatchU32(8, quint32(end - infoAt));
    w.PatchU32(12, quint32(animationListAt));
    w.PatchU32(16, quint32(imageListAt - animationListAt));
    w.PatchU32(20, quint32(imageListAt));
    w.PatchU32(24, quint32(audioListAt - imageListAt));
    w.PatchU32(28, quint32(audioListAt));
    w.PatchU32(32, quint32(infoAt - audioListAt));
    return w.Bytes();
}

// ---------------------------------------------------------------- drawing

namespace {

using Colours = std::array<QRgb, 256>;

Colours ColourTable(const Character& ch) {
    Colours colours{};
    const qsizetype n = std::min<qsizetype>(256, ch.palette.size());
    for (qsizetype i = 0; i < 256; ++i)
        colours[size_t(i)] = i < n ? (ch.palette[i] | 0xFF000000u) : qRgb(0, 0, 0);
    return colours;
}

// Copies an image's opaque pixels onto the canvas at (left, top), clipped.
void DrawImage(const Character& ch, const Colours& colours, QImage& canvas, const Image& image,
               int left, int top) {
    if (image.pixels.size() != qsizetype(image.width) * image.height)
        return;
    const int x0 = std::max(0, left), x1 = std::min(canvas.width(), left + int(image.width));
    const int y0 = std::max(0, top), y1 = std::min(canvas.height(), top + int(image.height));
    if (x0 >= x1 || y0 >= y1)
        return;
    const auto* pixels = reinterpret_cast<const uchar*>(image.pixels.constData());
    for (int y = y0; y < y1; ++y) {
        const uchar* src = pixels + qsizetype(y - top) * image.width + (x0 - left);
        auto* dst = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = x0; x < x1; ++x, ++src)
            if (*src != ch.transparentIndex)
                dst[x] = colours[*src];
    }
}

const Image* ImageAt(const Character& ch, quint32 index) {
    return index < ch.images.size() ? &ch.images[index] : nullptr;
}

} // namespace

QImage ImageToQImage(const Character& ch, const Image& image) {
    if (image.width == 0 || image.height == 0 ||
        image.pixels.size() != qsizetype(image.width) * image.height)
        return {};
    QImage out(image.width, image.height, QImage::Format_ARGB32);
    out.fill(0);
    DrawImage(ch, ColourTable(ch), out, image, 0, 0);
    return out;
}

QImage ComposeFrame(const Character& ch, const Frame& frame, const MouthOverlay* overlay) {
    QImage canvas(ch.width, ch.height, QImage::Format_ARGB32);
    if (canvas.isNull())
        return canvas;
    canvas.fill(0);
    const Colours colours = ColourTable(ch);
    const bool replaceTop = overlay && overlay->replace && !frame.images.empty();
    const size_t last = replaceTop ? 1 : 0;
    for (size_t i = frame.images.size(); i-- > last;) {
        const FrameImage& fi = frame.images[i];
        if (const Image* img = ImageAt(ch, fi.imageIndex))
            DrawImage(ch, colours, canvas, *img, fi.x, fi.y);
    }
    if (overlay)
        if (const Image* img = ImageAt(ch, overlay->imageIndex))
            DrawImage(ch, colours, canvas, *img, overlay->x, overlay->y);
    return canvas;
}

QRegion FrameRegion(const Character& ch, const Frame& frame, const MouthOverlay* overlay) {
    QRegion region;
    auto add = [&](quint32 index, int x, int y) {
        const Image* img = ImageAt(ch, index);
        if (!img || img->region.empty())
            return;
        QRegion r;
        r.setRects(img->region.data(), int(img->region.size()));
        r.translate(x, y);
        region |= r;
    };
    const bool replaceTop = overlay && overlay->replace && !frame.images.empty();
    for (size_t i = replaceTop ? 1 : 0; i < frame.images.size(); ++i)
        add(frame.images[i].imageIndex, frame.images[i].x, frame.images[i].y);
    if (overlay)
        add(overlay->imageIndex, overlay->x, overlay->y);
    return region.intersected(QRect(0, 0, ch.width, ch.height));
}

std::vector<QRect> RegionFromPixels(const QByteArray& pixels, int width, int height,
                                    quint8 transparentIndex) {
    return RegionFromPixelsCapped(pixels, width, height, transparentIndex,
                                  std::numeric_limits<size_t>::max(), nullptr);
}

std::vector<QRect> RegionFromPixelsCapped(const QByteArray& pixels, int width, int height,
                                          quint8 transparentIndex, size_t maxRects, bool* over) {
    std::vector<QRect> rects;
    if (over)
        *over = false;
    if (width <= 0 || height <= 0 || pixels.size() < qsizetype(width) * height)
        return rects;
    const auto* p = reinterpret_cast<const uchar*>(pixels.constData());
    std::vector<std::pair<int, int>> band, runs; // [start, end) of opaque runs
    int bandTop = 0;
    // False once the rectangles would pass maxRects.
    auto flush = [&](int bottom) {
        if (band.size() > maxRects - rects.size()) {
            if (over)
                *over = true;
            rects.clear();
            return false;
        }
        for (const auto& [x0, x1] : band)
            rects.emplace_back(x0, bandTop, x1 - x0, bottom - bandTop);
        return true;
    };
    for (int y = 0; y < height; ++y) {
        runs.clear();
        const uchar* row = p + qsizetype(y) * width;
        for (int x = 0; x < width;) {
            if (row[x] == transparentIndex) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < width && row[x] != transparentIndex)
                ++x;
            runs.emplace_back(start, x);
        }
        if (y > 0 && runs == band)
            continue;
        if (!flush(y))
            return rects;
        band.swap(runs);
        bandTop = y;
    }
    flush(height);
    return rects;
}

Image MakeImage(quint16 width, quint16 height, const QByteArray& pixels, quint8 transparentIndex) {
    if (pixels.size() != qsizetype(width) * height)
        throw KaloError(QStringLiteral("An image of %1 x %2 needs %3 pixels, not %4.")
                            .arg(width)
                            .arg(height)
                            .arg(qsizetype(width) * height)
                            .arg(pixels.size()));
    Image img;
    img.width = width;
    img.height = height;
    img.pixels = pixels;
    img.region = RegionFromPixels(pixels, width, height, transparentIndex);
    return img;
}

quint32 Crc32(const QByteArray& bytes) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (char ch : bytes)
        crc = table[(crc ^ quint8(ch)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

} // namespace kalo::acs
