// Fuzzes the character file reader and everything that works on what it
// reads: any bytes are refused with KaloError or give a character that holds
// no more than the reader's budget (also a small one), whose frames draw,
// whose regions build and whose sounds decode at a usable rate or are refused;
// what the reader accepts, the writer writes and the reader reads back the
// same. The stream decompressor is also fed the bytes directly.
#include "agent/acs_compression.h"
#include "agent/acs_file.h"
#include "base/kalo_error.h"

#include <cstdint>
#include <cstdlib>

using namespace kalo::acs;

namespace {

void check(bool ok) {
    if (!ok)
        abort();
}

// What the character holds in memory, counted from the outside.
qsizetype HeldBytes(const Character& ch) {
    qsizetype held = 0;
    for (const Image& img : ch.images)
        held += img.pixels.size() + qsizetype(img.region.size() * sizeof(QRect));
    for (const Animation& a : ch.animations)
        for (const Frame& f : a.frames)
            held += qsizetype(sizeof(Frame) + f.images.size() * sizeof(FrameImage) +
                              f.branches.size() * sizeof(Branch) +
                              f.overlays.size() * sizeof(MouthOverlay));
    for (const Sound& s : ch.sounds)
        held += s.wav.size();
    return held;
}

void Exercise(const Character& ch) {
    // Frames may be up to 4096 x 4096: bound the drawing work per input.
    qint64 pixelBudget = 8 * 1024 * 1024;
    const qint64 framePixels = qint64(ch.width) * ch.height;
    for (const Animation& a : ch.animations)
        for (const Frame& f : a.frames) {
            if (pixelBudget < framePixels)
                break;
            pixelBudget -= framePixels;
            const MouthOverlay* overlay = f.overlays.empty() ? nullptr : &f.overlays.front();
            const QImage picture = ComposeFrame(ch, f, overlay);
            check(picture.width() == ch.width && picture.height() == ch.height);
            (void)FrameRegion(ch, f, overlay);
        }
    for (const Image& img : ch.images)
        check(img.pixels.size() == qsizetype(img.width) * img.height);
    int sounds = 0;
    for (const Sound& s : ch.sounds) {
        if (++sounds > 8)
            break;
        try {
            const DecodedSound d = DecodeSound(s);
            check(d.sampleRate >= kMinSoundRate && d.sampleRate <= kMaxSoundRate);
        } catch (const kalo::KaloError&) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));

    // The decompressor on its own: the first two bytes give the expected size.
    if (size >= 2) {
        const qsizetype expected = qsizetype(data[0]) << 8 | data[1];
        try {
            check(Decompress(bytes.mid(2), expected).size() == expected);
        } catch (const kalo::KaloError&) {
        }
    }

    // Under a small budget: refused, or holding no more than it allows.
    constexpr qsizetype smallBudget = 64 * 1024;
    try {
        check(HeldBytes(ParseAcs(bytes, QStringLiteral("small.acs"), smallBudget)) <= smallBudget);
    } catch (const kalo::KaloError&) {
    }

    Character ch;
    try {
        ch = ParseAcs(bytes, QStringLiteral("fuzz.acs"));
    } catch (const kalo::KaloError& e) {
        check(e.message().contains(QStringLiteral("fuzz.acs")));
        return 0;
    }
    check(HeldBytes(ch) <= kMaxHeldBytes);
    Exercise(ch);

    // Accepted means writable, and the written file reads back alike.
    const QByteArray written = WriteAcs(ch);
    const Character back = ParseAcs(written, QStringLiteral("rewritten.acs"));
    check(back.width == ch.width && back.height == ch.height);
    check(back.animations.size() == ch.animations.size());
    check(back.states.size() == ch.states.size());
    check(back.sounds.size() == ch.sounds.size());
    check(back.images.size() == ch.images.size());
    for (size_t i = 0; i < ch.images.size(); ++i)
        check(back.images[i].pixels == ch.images[i].pixels);
    for (size_t i = 0; i < ch.animations.size(); ++i)
        check(back.animations[i].frames.size() == ch.animations[i].frames.size());
    return 0;
}
