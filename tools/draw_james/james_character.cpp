#include "james_character.h"

#include "james_drawing.h"
#include "palette.h"

#include <QDataStream>
#include <QHash>
#include <QIODevice>
#include <QRandomGenerator>

#include <cmath>
#include <functional>

namespace james {

namespace acs = kalo::acs;

namespace {

QRect opaqueBounds(const QImage& image) {
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Pixels that differ between two drawings of the same size.
QRect differenceBounds(const QImage& a, const QImage& b) {
    QRect bounds;
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (la[x] != lb[x])
                bounds |= QRect(x, y, 1, 1);
    }
    return bounds;
}

// True when a patch of `over` laid on `under` inside r gives `over`: it may
// not need to clear a pixel that `under` has opaque.
bool patchCovers(const QImage& under, const QImage& over, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qAlpha(over.pixel(x, y)) == 0 && qAlpha(under.pixel(x, y)) != 0)
                return false;
    return true;
}

// Collects the drawings of every frame, shares identical pictures, and turns
// them into palette images at the end.
class Builder {
public:
    // The whole pose as one picture cropped to its opaque pixels.
    std::vector<acs::FrameImage> full(const Pose& pose) {
        const QImage drawn = DrawPose(pose);
        const QRect r = opaqueBounds(drawn);
        if (r.isEmpty())
            return {};
        return {place(drawn.copy(r), r.topLeft())};
    }

    // The base pose with a small patch on top where the variant differs
    // (eyelids, pupils): the patch is listed first, so it is drawn on top.
    std::vector<acs::FrameImage> patched(const Pose& base, const Pose& variant) {
        const QImage under = DrawPose(base);
        const QImage over = DrawPose(variant);
        const QRect r = differenceBounds(under, over);
        if (r.isEmpty())
            return full(base);
        if (!patchCovers(under, over, r))
            return full(variant);
        std::vector<acs::FrameImage> images{place(over.copy(r), r.topLeft())};
        const auto below = full(base);
        images.insert(images.end(), below.begin(), below.end());
        return images;
    }

    // The seven mouth overlays of a speaking pose: each is the mouth area of
    // the pose drawn with that mouth, all of one size, so any of them fully
    // covers the resting mouth.
    std::vector<acs::MouthOverlay> mouths(const Pose& pose) {
        const QImage base = DrawPose(pose);
        std::vector<QImage> drawn;
        QRect area;
        for (int shape = 0; shape <= 6; ++shape) {
            Pose p = pose;
            p.mouth = shape;
            drawn.push_back(DrawPose(p));
            area |= differenceBounds(base, drawn.back());
        }
        std::vector<acs::MouthOverlay> overlays;
        QPoint centre;
        for (int shape = 0; shape <= 6; ++shape) {
            const QImage patch = drawn[shape].copy(area);
            if (shape == 0)
                centre = area.topLeft() + opaqueBounds(patch).center();
            const acs::FrameImage placed = place(patch, area.topLeft());
            acs::MouthOverlay overlay;
            overlay.shape = quint8(shape);
            overlay.imageIndex = quint16(placed.imageIndex);
            overlay.x = placed.x;
            overlay.y = placed.y;
            overlays.push_back(overlay);
        }
        for (auto& overlay : overlays) {
            overlay.centerX = quint16(centre.x());
            overlay.centerY = quint16(centre.y());
        }
        return overlays;
    }

    // The palette and the indexed images, in the order they were placed.
    void finish(acs::Character& character) const {
        character.palette = BuildPalette(pictures_, TransparentIndex);
        for (const QImage& picture : pictures_)
            character.images.push_back(acs::MakeImage(
                quint16(picture.width()), quint16(picture.height()),
                IndexPixels(picture, character.palette, TransparentIndex), TransparentIndex));
    }

private:
    acs::FrameImage place(const QImage& picture, QPoint at) {
        QByteArray key;
        {
            QDataStream out(&key, QIODevice::WriteOnly);
            out << picture.width() << picture.height();
        }
        key.append(reinterpret_cast<const char*>(picture.constBits()), picture.sizeInBytes());
        auto it = known_.find(key);
        if (it == known_.end()) {
            it = known_.insert(key, quint32(pictures_.size()));
            pictures_.push_back(picture);
        }
        return {it.value(), qint16(at.x()), qint16(at.y())};
    }

    std::vector<QImage> pictures_;
    QHash<QByteArray, quint32> known_;
};

struct FrameSpec {
    std::vector<acs::FrameImage> images;
    int duration = 10;
    int exit = acs::kExitNextFrame;
    std::vector<acs::Branch> branches = {};
    int sound = -1;
    std::vector<acs::MouthOverlay> overlays = {};
};

acs::Animation animation(const QString& name, quint8 transition,
                         const std::vector<FrameSpec>& frames) {
    acs::Animation a;
    a.name = name;
    a.transition = transition;
    for (const FrameSpec& frame : frames) {
        acs::Frame f;
        f.images = frame.images;
        f.duration = quint16(frame.duration);
        f.exitFrame = qint16(frame.exit);
        f.branches = frame.branches;
        f.sound = qint16(frame.sound);
        f.overlays = frame.overlays;
        a.frames.push_back(f);
    }
    return a;
}

Pose with(const std::function<void(Pose&)>& change) {
    Pose p = RestPose();
    change(p);
    return p;
}

} // namespace

QByteArray MakeChirp(double seconds, double fromHz, double toHz, bool noise) {
    constexpr int Rate = 22050;
    const int count = int(seconds * Rate);
    QByteArray data;
    QDataStream pcm(&data, QIODevice::WriteOnly);
    pcm.setByteOrder(QDataStream::LittleEndian);
    QRandomGenerator random(7);
    double phase = 0;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / count;
        const double envelope = std::sin(3.14159265358979 * t) * (1.0 - 0.5 * t);
        double v;
        if (noise) {
            v = (random.generateDouble() * 2 - 1) * 0.6 * envelope *
                (0.6 + 0.4 * std::sin(i * 0.013));
        } else {
            phase += 2 * 3.14159265358979 * (fromHz + (toHz - fromHz) * t) / Rate;
            v = std::sin(phase) * 0.5 * envelope;
        }
        pcm << qint16(std::lround(v * 32767));
    }
    QByteArray wav;
    QDataStream out(&wav, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + data.size());
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(Rate) << quint32(Rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(data.size());
    out.writeRawData(data.constData(), int(data.size()));
    return wav;
}

acs::Character BuildJames() {
    Builder b;
    const Pose rest = RestPose();
    acs::Character c;
    c.guid = QUuid::createUuidV5(QUuid::fromString(u"{6ba7b811-9dad-11d1-80b4-00c04fd430c8}"),
                                 QStringLiteral("https://kalotalk.example/characters/james"));
    c.width = FrameWidth;
    c.height = FrameHeight;
    c.transparentIndex = TransparentIndex;
    c.flags = acs::kVoiceEnabled | acs::kBalloonEnabled | acs::kStandardAnimationSet;

    // He speaks with the speech layer's American English voice (male), at
    // the engine's own speed and pitch. The identifiers are derived the way
    // the speech layer derives its mode identifiers.
    acs::Voice voice;
    voice.ttsEngine =
        QUuid::createUuidV5(QUuid::fromString(u"{6ba7b811-9dad-11d1-80b4-00c04fd430c8}"),
                            QStringLiteral("https://kalotalk.example/engines/espeak-ng"));
    voice.ttsMode = QUuid::createUuidV5(voice.ttsEngine, QStringLiteral("gmw/en-US"));
    voice.hasExtra = true;
    voice.languageId = 0x0409;
    voice.dialect = QStringLiteral("American English");
    voice.gender = 2;
    voice.age = 30;
    voice.style = QStringLiteral("Normal");
    c.voice = voice;

    acs::Balloon balloon;
    balloon.lines = 3;
    balloon.charsPerLine = 32;
    balloon.text = QColor(0x1e, 0x1e, 0x2a);
    balloon.background = QColor(0xFF, 0xFF, 0xE1);
    balloon.border = QColor(0x2a, 0x22, 0x33);
    balloon.fontName = QStringLiteral("Arial");
    balloon.fontHeight = -13;
    balloon.fontWeight = 400;
    c.balloon = balloon;

    c.localized.push_back({0x0409, QStringLiteral("James"),
                           QStringLiteral("James, the reader who lives in Kalotalk"), QString()});

    // Sounds: a rising pop when he appears, a falling one when he goes, a
    // rustle when he turns a page.
    c.sounds.push_back({MakeChirp(0.16, 520, 1400)});
    c.sounds.push_back({MakeChirp(0.16, 1300, 420)});
    c.sounds.push_back({MakeChirp(0.14, 0, 0, true)});
    constexpr int SoundShow = 0, SoundHide = 1, SoundPage = 2;

    // Poses.
    const Pose lift = with([](Pose& p) {
        p.book = Book::Lifting;
        p.bookHand = {100, 117};
        p.freeHand = {50, 128};
        p.lookY = 0.6;
    });
    const Pose closedFront = with([](Pose& p) {
        p.book = Book::FrontClosed;
        p.freeHand = {58, 121};
        p.bookHand = {92, 121};
        p.lookY = 1;
    });
    const Pose reading = with([](Pose& p) {
        p.book = Book::FrontOpen;
        p.freeHand = {49, 125};
        p.bookHand = {101, 125};
        p.lookY = 1;
        p.lookX = -0.2;
    });
    const Pose readingRight = with([&](Pose& p) {
        p = reading;
        p.lookX = 0.6;
    });
    auto turning = [&](double t) {
        Pose p = reading;
        p.book = Book::PageTurn;
        p.pageTurn = t;
        p.lookX = 0.6 - 1.2 * t;
        return p;
    };
    auto eyes = [](Pose p, Eyes e) {
        p.eyes = e;
        return p;
    };
    auto look = [](Pose p, double x, double y) {
        p.lookX = x;
        p.lookY = y;
        return p;
    };
    const Pose waveMid = with([](Pose& p) {
        p.freeHand = {36, 104};
        p.freeHandShape = Hand::Open;
        p.freeHandTilt = -25;
    });
    const Pose waveA = with([](Pose& p) {
        p.freeHand = {28, 62};
        p.freeHandShape = Hand::Open;
        p.freeHandTilt = -22;
        p.mouth = 2;
        p.brows = 1.5;
    });
    const Pose waveB = with([&](Pose& p) {
        p = waveA;
        p.freeHand = {36, 58};
        p.freeHandTilt = 14;
    });
    const Pose chest = with([](Pose& p) {
        p.freeHand = {70, 111};
        p.bow = 3;
    });
    const Pose bowDeep = with([](Pose& p) {
        p.freeHand = {70, 114};
        p.bow = 8;
        p.eyes = Eyes::Happy;
    });
    const Pose explainMid = with([](Pose& p) {
        p.freeHand = {36, 120};
        p.freeHandShape = Hand::Open;
        p.freeHandTilt = -40;
    });
    const Pose explainOut = with([](Pose& p) {
        p.freeHand = {20, 108};
        p.freeHandShape = Hand::Open;
        p.freeHandTilt = -78;
        p.brows = 2.5;
        p.lookX = -0.6;
    });
    const Pose explainOh = with([&](Pose& p) {
        p = explainOut;
        p.mouth = MouthMedium;
        p.lookX = 0;
    });
    const Pose scratchMid = with([](Pose& p) {
        p.freeHand = {40, 100};
        p.lookX = -0.5;
        p.lookY = -0.5;
    });
    const Pose scratchA = with([](Pose& p) {
        p.freeHand = {42, 58};
        p.lookX = -0.7;
        p.lookY = -0.9;
        p.mouth = MouthNarrow;
        p.brows = 1.5;
        p.headTilt = -4;
    });
    const Pose scratchB = with([&](Pose& p) {
        p = scratchA;
        p.freeHand = {45, 54};
    });
    const Pose drowsy = with([](Pose& p) { p.eyes = Eyes::Half; });
    const Pose asleep = with([](Pose& p) {
        p.eyes = Eyes::Closed;
        p.headTilt = 6;
        p.mouth = MouthNarrow;
    });
    auto snoring = [&](int z) {
        Pose p = asleep;
        p.sleep = z;
        return p;
    };
    const Pose startled = with([](Pose& p) {
        p.brows = 3;
        p.mouth = MouthMedium;
    });
    auto scaled = [&](double s, bool sparkle) {
        Pose p = rest;
        p.scale = s;
        p.sparkle = sparkle;
        return p;
    };

    const auto restImages = b.full(rest);
    const auto speakingMouths = b.mouths(rest);
    using T = acs::Transition;

    c.animations.push_back(
        animation("RestPose", T::kTransitionNone, {{restImages, 10, -1, {}, -1, speakingMouths}}));

    c.animations.push_back(animation("Show", T::kTransitionNone,
                                     {{b.full(scaled(0.12, true)), 5, -1, {}, SoundShow},
                                      {b.full(scaled(0.35, true)), 5},
                                      {b.full(scaled(0.62, true)), 5},
                                      {b.full(scaled(0.9, true)), 5},
                                      {b.full(scaled(1.06, true)), 6},
                                      {restImages, 10}}));

    c.animations.push_back(animation("Hide", T::kTransitionNone,
                                     {{restImages, 4, -1, {}, SoundHide},
                                      {b.full(scaled(1.04, true)), 5},
                                      {b.full(scaled(0.8, true)), 5},
                                      {b.full(scaled(0.5, true)), 5},
                                      {b.full(scaled(0.25, true)), 5},
                                      {b.full(scaled(0.1, false)), 5},
                                      {{}, 5}}));

    c.animations.push_back(animation("Blink", T::kTransitionNone,
                                     {{b.patched(rest, eyes(rest, Eyes::Half)), 4},
                                      {b.patched(rest, eyes(rest, Eyes::Closed)), 8},
                                      {b.patched(rest, eyes(rest, Eyes::Half)), 4},
                                      {restImages, 10}}));

    // Read ends on the reading pose, where he speaks until ReadReturn. It is
    // quick, because the speech waits for it: a glimpse of the book being
    // raised, then the reading pose with no time of its own, so the speech
    // starts as soon as that picture is shown (it stays on screen after the
    // animation, and its mouths are the ones he speaks with).
    const auto readingMouths = b.mouths(reading);
    c.animations.push_back(animation("Read", T::kTransitionNone,
                                     {{b.full(lift), 2},
                                      {b.full(closedFront), 2},
                                      {b.full(reading), 0, -1, {}, -1, readingMouths}}));
    c.animations.push_back(animation("ReadReturn", T::kTransitionNone,
                                     {{b.full(closedFront), 8},
                                      {b.full(lift), 8},
                                      {restImages, 10, -1, {}, -1, speakingMouths}}));

    // Wave: two waves of the free hand; stopping early lowers the hand.
    c.animations.push_back(animation("Wave", T::kTransitionExitBranches,
                                     {{restImages, 5, -2},
                                      {b.full(waveMid), 6, 6},
                                      {b.full(waveA), 14, 6},
                                      {b.full(waveB), 14, 6},
                                      {b.full(waveA), 14, 6},
                                      {b.full(waveB), 14, 6},
                                      {b.full(waveMid), 6},
                                      {restImages, 10, -1, {}, -1, speakingMouths}}));

    c.animations.push_back(animation("Greet", T::kTransitionExitBranches,
                                     {{restImages, 5, -2},
                                      {b.full(chest), 8, 4},
                                      {b.full(bowDeep), 30, 3},
                                      {b.full(chest), 8},
                                      {restImages, 10, -1, {}, -1, speakingMouths}}));

    c.animations.push_back(animation("Explain", T::kTransitionExitBranches,
                                     {{restImages, 5, -2},
                                      {b.full(explainMid), 6, 4},
                                      {b.full(explainOut), 40, 4},
                                      {b.full(explainOh), 30, 4},
                                      {b.full(explainMid), 6},
                                      {restImages, 10, -1, {}, -1, speakingMouths}}));

    // Idle 1: looking around, and scratching his head.
    c.animations.push_back(animation("Idle1_1", T::kTransitionExitBranches,
                                     {{b.patched(rest, look(rest, -1, 0)), 70, 4},
                                      {b.patched(rest, look(rest, -1, -0.6)), 30, 4},
                                      {restImages, 20, 4},
                                      {b.patched(rest, look(rest, 1, 0.2)), 70, 4},
                                      {restImages, 10}}));
    c.animations.push_back(animation("Idle1_2", T::kTransitionExitBranches,
                                     {{restImages, 6, -2},
                                      {b.full(scratchMid), 7, 5},
                                      {b.full(scratchA), 12, 5},
                                      {b.full(scratchB), 12, 5, {{2, 60}}},
                                      {b.full(scratchA), 20, 5},
                                      {b.full(scratchMid), 7},
                                      {restImages, 10}}));

    // Idle 2: reading for a while, turning pages; it loops through branches
    // and leaves through the exit frames that close the book.
    c.animations.push_back(animation("Idle2_1", T::kTransitionExitBranches,
                                     {{restImages, 8, -2},
                                      {b.full(lift), 8, 8},
                                      {b.full(closedFront), 8, 7},
                                      {b.full(reading), 150, 7, {{3, 35}}},
                                      {b.full(readingRight), 120, 7, {{6, 20}}},
                                      {b.full(turning(0.3)), 8, 7, {}, SoundPage},
                                      {b.full(turning(0.8)), 8, 7, {{3, 80}}},
                                      {b.full(closedFront), 8},
                                      {b.full(lift), 8},
                                      {restImages, 10}}));
    // A shorter read with a blink, looking from one page to the other.
    c.animations.push_back(animation("Idle2_2", T::kTransitionExitBranches,
                                     {{restImages, 8, -2},
                                      {b.full(lift), 8, 7},
                                      {b.full(closedFront), 8, 6},
                                      {b.full(reading), 100, 6},
                                      {b.full(eyes(reading, Eyes::Closed)), 8, 6},
                                      {b.full(readingRight), 100, 6, {{3, 70}}},
                                      {b.full(closedFront), 8},
                                      {b.full(lift), 8},
                                      {restImages, 10}}));

    // Idle 3: he dozes off and snores until something wakes him.
    c.animations.push_back(animation("Idle3_1", T::kTransitionExitBranches,
                                     {{b.patched(rest, drowsy), 40, 5},
                                      {b.patched(rest, eyes(rest, Eyes::Closed)), 30, 5},
                                      {b.full(asleep), 60, 5},
                                      {b.full(snoring(1)), 50, 5},
                                      {b.full(snoring(2)), 50, 5, {{3, 90}}},
                                      {b.full(startled), 25},
                                      {restImages, 10}}));

    // A few everyday reactions.
    const Pose pleased = with([](Pose& p) {
        p.eyes = Eyes::Happy;
        p.mouth = 2;
        p.freeHand = {70, 111};
    });
    const Pose surprised = with([](Pose& p) {
        p.brows = 3.5;
        p.mouth = MouthMedium;
        p.freeHand = {36, 84};
        p.freeHandShape = Hand::Open;
        p.freeHandTilt = -12;
    });
    const Pose thinking = with([](Pose& p) {
        p.freeHand = {76, 90};
        p.freeElbowLow = true;
        p.lookX = 0.7;
        p.lookY = -0.9;
        p.mouth = MouthNarrow;
        p.brows = 1.5;
    });
    const Pose thinkingMid = with([](Pose& p) {
        p.freeHand = {62, 114};
        p.freeElbowLow = true;
        p.lookX = 0.4;
        p.lookY = -0.4;
    });
    const Pose nod = with([](Pose& p) {
        p.bow = 4;
        p.eyes = Eyes::Happy;
    });
    const Pose pointing = with([](Pose& p) {
        p.freeHand = {16, 96};
        p.freeHandShape = Hand::Point;
        p.freeHandTilt = -90;
        p.lookX = -1;
        p.brows = 1;
    });
    c.animations.push_back(animation("Pleased", T::kTransitionExitBranches,
                                     {{b.full(chest), 6, 3},
                                      {b.full(pleased), 60, 3},
                                      {b.full(chest), 6},
                                      {restImages, 10, -1, {}, -1, speakingMouths}}));
    c.animations.push_back(
        animation("Surprised", T::kTransitionExitBranches,
                  {{b.full(surprised), 50, 1}, {restImages, 10, -1, {}, -1, speakingMouths}}));
    c.animations.push_back(animation("Think", T::kTransitionExitBranches,
                                     {{b.full(thinkingMid), 7, 4},
                                      {b.full(thinking), 60, 4},
                                      {b.full(eyes(thinking, Eyes::Closed)), 8, 4},
                                      {b.full(thinking), 50, 4},
                                      {restImages, 10, -1, {}, -1, speakingMouths}}));
    c.animations.push_back(animation("Acknowledge", T::kTransitionExitBranches,
                                     {{b.full(nod), 12, 1},
                                      {restImages, 8, 3},
                                      {b.full(nod), 12, 3},
                                      {restImages, 10, -1, {}, -1, speakingMouths}}));
    c.animations.push_back(animation("GestureRight", T::kTransitionExitBranches,
                                     {{b.full(explainMid), 6, 3},
                                      {b.full(pointing), 60, 3},
                                      {b.full(explainMid), 6},
                                      {restImages, 10, -1, {}, -1, speakingMouths}}));

    c.states = {
        {QStringLiteral("SHOWING"), {QStringLiteral("Show")}},
        {QStringLiteral("HIDING"), {QStringLiteral("Hide")}},
        {QStringLiteral("SPEAKING"), {QStringLiteral("RestPose")}},
        {QStringLiteral("IDLINGLEVEL1"),
         {QStringLiteral("Idle1_1"), QStringLiteral("Idle1_2"), QStringLiteral("Blink")}},
        {QStringLiteral("IDLINGLEVEL2"),
         {QStringLiteral("Idle2_1"), QStringLiteral("Idle2_2"), QStringLiteral("Idle1_1")}},
        {QStringLiteral("IDLINGLEVEL3"), {QStringLiteral("Idle3_1"), QStringLiteral("Idle2_1")}},
        {QStringLiteral("GESTURINGRIGHT"), {QStringLiteral("GestureRight")}},
    };

    b.finish(c);
    return c;
}

} // namespace james
