#include "acs_sample.h"

#include <sndfile.h>

#include <QRandomGenerator>

#include <cmath>
#include <cstring>
#include <stdexcept>

namespace kalo::test {

using namespace kalo::acs;

namespace {

QByteArray Fill(int width, int height, quint8 index) {
    return QByteArray(qsizetype(width) * height, char(index));
}

void Set(QByteArray& pixels, int width, int x, int y, quint8 index) {
    pixels[qsizetype(y) * width + x] = char(index);
}

Frame MakeFrame(std::vector<FrameImage> images, quint16 duration, qint16 sound = -1) {
    Frame f;
    f.images = std::move(images);
    f.duration = duration;
    f.sound = sound;
    return f;
}

struct MemoryFile {
    QByteArray bytes;
    sf_count_t pos = 0;
};

sf_count_t Length(void* u) {
    return static_cast<MemoryFile*>(u)->bytes.size();
}
sf_count_t Seek(sf_count_t offset, int whence, void* u) {
    auto* f = static_cast<MemoryFile*>(u);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->bytes.size();
    f->pos = base + offset;
    return f->pos;
}
sf_count_t Read(void* ptr, sf_count_t count, void* u) {
    auto* f = static_cast<MemoryFile*>(u);
    const sf_count_t n =
        std::max<sf_count_t>(0, std::min<sf_count_t>(count, f->bytes.size() - f->pos));
    std::memcpy(ptr, f->bytes.constData() + f->pos, size_t(n));
    f->pos += n;
    return n;
}
sf_count_t Write(const void* ptr, sf_count_t count, void* u) {
    auto* f = static_cast<MemoryFile*>(u);
    if (f->pos + count > f->bytes.size())
        f->bytes.resize(f->pos + count);
    std::memcpy(f->bytes.data() + f->pos, ptr, size_t(count));
    f->pos += count;
    return count;
}
sf_count_t Tell(void* u) {
    return static_cast<MemoryFile*>(u)->pos;
}

} // namespace

QByteArray MakeWav(int format, int sampleRate, const std::vector<qint16>& samples) {
    SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
    MemoryFile file;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = format;
    SNDFILE* sf = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    if (!sf)
        throw std::runtime_error(sf_strerror(nullptr));
    sf_writef_short(sf, samples.data(), sf_count_t(samples.size()));
    sf_close(sf);
    return file.bytes;
}

std::vector<qint16> Tone(int sampleRate, int frames, double hz, double amplitude) {
    std::vector<qint16> s(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        s[size_t(i)] = qint16(std::lround(amplitude * std::sin(2 * M_PI * hz * i / sampleRate)));
    return s;
}

Character SampleCharacter(bool withSounds) {
    Character ch;
    ch.guid = QUuid(0x12345678, 0x9abc, 0xdef0, 1, 2, 3, 4, 5, 6, 7, 8);
    ch.width = 32;
    ch.height = 24;
    ch.transparentIndex = kKey;
    ch.flags = kVoiceEnabled | kBalloonEnabled | kStandardAnimationSet | kBalloonAutoHideDisabled;
    for (int i = 0; i < 256; ++i)
        ch.palette.append(qRgb(i, 255 - i, (i * 7) & 0xFF));
    ch.palette[kKey] = qRgb(255, 0, 255);
    ch.palette[kRed] = qRgb(255, 0, 0);
    ch.palette[kGreen] = qRgb(0, 255, 0);
    ch.palette[kBlue] = qRgb(0, 0, 255);
    ch.palette[kWhite] = qRgb(255, 255, 255);
    ch.palette[kKeyTwin] = qRgb(255, 0, 255);

    // 0: the body, 20 x 16 green, with a transparent hole and a pixel of the
    // key's twin colour.
    QByteArray body = Fill(20, 16, kGreen);
    for (int y = 6; y < 9; ++y)
        for (int x = 8; x < 12; ++x)
            Set(body, 20, x, y, kKey);
    Set(body, 20, 0, 0, kKeyTwin);
    Set(body, 20, 19, 15, kKey);
    ch.images.push_back(MakeImage(20, 16, body, kKey));
    // 1: an eyelid patch, 6 x 2 red.
    ch.images.push_back(MakeImage(6, 2, Fill(6, 2, kRed), kKey));
    // 2: closed mouth, 3: open mouth.
    ch.images.push_back(MakeImage(4, 2, Fill(4, 2, kBlue), kKey));
    ch.images.push_back(MakeImage(4, 3, Fill(4, 3, kWhite), kKey));
    // 4: fully transparent.
    ch.images.push_back(MakeImage(3, 3, Fill(3, 3, kKey), kKey));
    // 5: an arm reaching past the frame's right edge.
    QByteArray arm = Fill(10, 4, kRed);
    for (int x = 0; x < 5; ++x)
        Set(arm, 10, x, 0, kKey);
    ch.images.push_back(MakeImage(10, 4, arm, kKey));

    const qint16 pcm = withSounds ? 0 : -1;
    const qint16 adpcm = withSounds ? 1 : -1;
    if (withSounds) {
        ch.sounds.push_back(
            Sound{MakeWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, Tone(11025, 200, 440))});
        ch.sounds.push_back(
            Sound{MakeWav(SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 22050, Tone(22050, 600, 660))});
    }

    Animation show;
    show.name = QStringLiteral("Show");
    show.transition = kTransitionNone;
    show.frames.push_back(MakeFrame({{1, 7, 5}, {0, 6, 4}}, 10, pcm));
    show.frames.push_back(MakeFrame({{0, 6, 4}}, 5));
    show.frames.push_back(MakeFrame({}, 0));
    ch.animations.push_back(show);

    Animation rest;
    rest.name = QStringLiteral("RestPose");
    Frame restFrame = MakeFrame({{1, 7, 5}, {0, 6, 4}}, 100);
    MouthOverlay closed{0, false, 2, 14, 14, 0, std::nullopt, 16, 15};
    MouthOverlay open{1, false, 3, 14, 13, 0, std::nullopt, 16, 15};
    MouthOverlay narrow{6, true, 3, 2, 2, 7, QByteArray("\x01\x02\x03", 3), 16, 15};
    restFrame.overlays = {closed, open, narrow};
    restFrame.exitFrame = kExitEnd;
    rest.frames.push_back(restFrame);
    ch.animations.push_back(rest);

    Animation wave;
    wave.name = QStringLiteral("Wave");
    wave.transition = kTransitionExitBranches;
    wave.frames.push_back(MakeFrame({{0, 6, 4}}, 10, adpcm));
    wave.frames.push_back(MakeFrame({{5, 26, 2}, {0, 6, 4}}, 10));
    wave.frames.back().exitFrame = 3;
    wave.frames.push_back(MakeFrame({{5, 26, 6}, {0, 6, 4}}, 10));
    wave.frames.back().branches = {{1, 50}, {0, 25}};
    wave.frames.push_back(MakeFrame({{0, 6, 4}, {4, 0, 0}}, 20));
    wave.frames.back().exitFrame = kExitEnd;
    ch.animations.push_back(wave);

    Animation hide;
    hide.name = QStringLiteral("Hide");
    hide.transition = kTransitionReturnAnimation;
    hide.returnAnimation = QStringLiteral("RestPose");
    hide.frames.push_back(MakeFrame({{0, 6, 4}}, 5));
    hide.frames.push_back(MakeFrame({}, 0));
    ch.animations.push_back(hide);

    Animation empty;
    empty.name = QStringLiteral("Empty");
    ch.animations.push_back(empty);

    ch.states = {
        {QStringLiteral("SHOWING"), {QStringLiteral("Show")}},
        {QStringLiteral("IDLINGLEVEL1"), {QStringLiteral("RestPose"), QStringLiteral("Wave")}},
        {QStringLiteral("HIDING"), {QStringLiteral("Hide")}},
        {QStringLiteral("SPEAKING"), {}}};

    Voice voice;
    voice.ttsEngine =
        QUuid(0xCA141FD0, 0xAC7F, 0x11D1, 0x97, 0xA3, 0x00, 0x60, 0x08, 0x27, 0x3D, 0x01);
    voice.ttsMode = QUuid(0x0A12E1B0, 0x0001, 0x0002, 9, 8, 7, 6, 5, 4, 3, 2);
    voice.speed = 150;
    voice.pitch = 120;
    voice.hasExtra = true;
    voice.languageId = 0x409;
    voice.dialect = QStringLiteral("US");
    voice.gender = 2;
    voice.age = 30;
    voice.style = QStringLiteral("Casual \u00e9");
    ch.voice = voice;

    Balloon balloon;
    balloon.lines = 3;
    balloon.charsPerLine = 28;
    balloon.text = QColor(1, 2, 3);
    balloon.background = QColor(0xFF, 0xFF, 0xE1);
    balloon.border = QColor(0, 0, 0x80);
    balloon.fontName = QStringLiteral("Arial");
    balloon.fontHeight = -13;
    balloon.fontWeight = 700;
    balloon.italic = true;
    balloon.unknown = 1;
    ch.balloon = balloon;

    QImage tray(16, 16, QImage::Format_ARGB32);
    tray.fill(qRgb(0, 128, 0));
    for (int i = 0; i < 16; ++i) {
        tray.setPixel(i, i, qRgb(255, 255, 0));
        tray.setPixel(15 - i, 0, qRgb(10, 20, 30));
    }
    tray.setPixel(0, 15, 0); // transparent corners
    tray.setPixel(15, 15, 0);
    ch.trayIcon = tray;

    ch.localized = {
        {0x409, QStringLiteral("Sample"), QStringLiteral("A character for tests"), {}},
        {0x407, QStringLiteral("Muster"), QStringLiteral("Zum Testen"), QStringLiteral("x")}};
    return ch;
}

Character LargeCharacter(qsizetype approximateBytes) {
    Character ch;
    ch.width = 128;
    ch.height = 128;
    ch.transparentIndex = 0;
    for (int i = 0; i < 256; ++i)
        ch.palette.append(qRgb(i, i / 2, 255 - i));
    QRandomGenerator random(7);
    // Each 96 x 96 picture: a transparent border, horizontal runs of colour
    // and some noise, so it compresses about as well as a drawing.
    const int side = 96;
    qsizetype estimate = 0;
    while (estimate < approximateBytes) {
        QByteArray pixels(side * side, '\0');
        for (int y = 8; y < side - 8; ++y) {
            int x = 4 + int(random.bounded(8));
            const int end = side - 4 - int(random.bounded(8));
            while (x < end) {
                const int run = 1 + int(random.bounded(6));
                const char colour = char(1 + random.bounded(200));
                for (int i = 0; i < run && x < end; ++i, ++x)
                    pixels[y * side + x] = colour;
            }
        }
        ch.images.push_back(MakeImage(side, side, pixels, 0));
        estimate += 5200; // measured: about this many bytes a picture
    }
    const int images = int(ch.images.size());
    for (int a = 0; a * 10 < images; ++a) {
        Animation anim;
        anim.name = QStringLiteral("Animation%1").arg(a);
        for (int f = 0; f < 20; ++f) {
            Frame frame;
            frame.images.push_back({quint32((a * 10 + f) % images), 16, 16});
            frame.images.push_back({quint32((a * 10 + f + 1) % images), 0, 0});
            frame.duration = 10;
            if (f == 19)
                frame.branches.push_back({0, 30});
            anim.frames.push_back(frame);
        }
        ch.animations.push_back(anim);
    }
    return ch;
}

} // namespace kalo::test
