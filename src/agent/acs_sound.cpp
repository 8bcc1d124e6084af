// Character sounds: whole WAV files (PCM or MS-ADPCM) decoded from memory by
// libsndfile through its virtual I/O, so nothing touches the disk.
#include "agent/acs_file.h"

#include "base/kalo_error.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace kalo::acs {

namespace {

// Longest sound decoded: far beyond any character's effects, and it keeps a
// damaged header from asking for gigabytes.
constexpr sf_count_t kMaxSamples = 16 * 1024 * 1024;

struct MemoryFile {
    const QByteArray* bytes;
    sf_count_t pos = 0;
};

sf_count_t Length(void* user) {
    return static_cast<MemoryFile*>(user)->bytes->size();
}

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
    auto* f = static_cast<MemoryFile*>(user);
    const sf_count_t size = f->bytes->size();
    sf_count_t target = offset;
    if (whence == SEEK_CUR)
        target = f->pos + offset;
    else if (whence == SEEK_END)
        target = size + offset;
    if (target < 0)
        return -1;
    f->pos = std::min(target, size);
    return f->pos;
}

sf_count_t Read(void* ptr, sf_count_t count, void* user) {
    auto* f = static_cast<MemoryFile*>(user);
    const sf_count_t size = f->bytes->size();
    const sf_count_t n = std::clamp<sf_count_t>(size - f->pos, 0, std::max<sf_count_t>(count, 0));
    if (n > 0)
        std::memcpy(ptr, f->bytes->constData() + f->pos, size_t(n));
    f->pos += n;
    return n;
}

sf_count_t Write(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t Tell(void* user) {
    return static_cast<MemoryFile*>(user)->pos;
}

[[noreturn]] void Fail(const QString& why) {
    throw KaloError(QStringLiteral("A sound of the character cannot be played: %1.").arg(why));
}

} // namespace

DecodedSound DecodeSound(const Sound& sound) {
    SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
    MemoryFile file{&sound.wav};
    SF_INFO info{};
    std::unique_ptr<SNDFILE, decltype(&sf_close)> sf(sf_open_virtual(&io, SFM_READ, &info, &file),
                                                     &sf_close);
    if (!sf)
        Fail(QString::fromUtf8(sf_strerror(nullptr)));
    if (info.channels <= 0 || info.channels > 8 || info.samplerate < kMinSoundRate ||
        info.samplerate > kMaxSoundRate)
        Fail(QStringLiteral("its format (%1 channels at %2 Hz) is not usable")
                 .arg(info.channels)
                 .arg(info.samplerate));
    if (info.frames < 0 || info.frames > kMaxSamples / info.channels)
        Fail(QStringLiteral("it is too long"));

    DecodedSound out;
    out.sampleRate = info.samplerate;
    std::vector<short> interleaved(size_t(info.frames) * size_t(info.channels));
    const sf_count_t got =
        interleaved.empty() ? 0 : sf_readf_short(sf.get(), interleaved.data(), info.frames);
    if (got < 0)
        Fail(QString::fromUtf8(sf_strerror(sf.get())));
    out.samples.resize(size_t(got));
    for (sf_count_t i = 0; i < got; ++i) {
        int sum = 0;
        for (int ch = 0; ch < info.channels; ++ch)
            sum += interleaved[size_t(i * info.channels + ch)];
        out.samples[size_t(i)] = qint16(sum / info.channels);
    }
    return out;
}

} // namespace kalo::acs
