#include "agent_test_character.h"

#include "speech/audio_destinations.h"

#include <QFile>

#include <cmath>

namespace kalo::test {

namespace {

// A disc of one colour on the transparent index 0.
acs::Image Disc(quint8 colour) {
    QByteArray px(kTestWidth * kTestHeight, 0);
    const double cx = (kTestWidth - 1) / 2.0, cy = (kTestHeight - 1) / 2.0;
    for (int y = 0; y < kTestHeight; ++y)
        for (int x = 0; x < kTestWidth; ++x) {
            const double dx = (x - cx) / (kTestWidth / 2.0), dy = (y - cy) / (kTestHeight / 2.0);
            if (dx * dx + dy * dy <= 1.0)
                px[y * kTestWidth + x] = char(colour);
        }
    return acs::MakeImage(kTestWidth, kTestHeight, px, 0);
}

acs::Image Block(int w, int h, quint8 colour) {
    return acs::MakeImage(quint16(w), quint16(h), QByteArray(w * h, char(colour)), 0);
}

acs::Frame Shown(quint32 image, quint16 duration) {
    acs::Frame f;
    f.images.push_back({image, 0, 0});
    f.duration = duration;
    return f;
}

QByteArray Beep() {
    const int rate = 11025;
    const int n = rate / 10;
    QByteArray data;
    for (int i = 0; i < n; ++i) {
        const auto s = qint16(8000 * std::sin(i * 2 * M_PI * 440.0 / rate));
        data.append(char(s & 0xFF)).append(char((s >> 8) & 0xFF));
    }
    return WavHeader(rate, quint32(data.size())) + data;
}

} // namespace

acs::Character MakeTestCharacter() {
    acs::Character c;
    c.guid = QUuid::createUuid();
    c.width = kTestWidth;
    c.height = kTestHeight;
    c.transparentIndex = 0;
    c.palette = {qRgb(255, 0, 255), qRgb(220, 30, 30), qRgb(30, 200, 30),
                 qRgb(30, 30, 220), qRgb(0, 0, 0),     qRgb(255, 255, 255)};
    c.palette.resize(256, qRgb(0, 0, 0));
    c.images.push_back(Disc(kRed));         // 0
    c.images.push_back(Disc(kGreen));       // 1
    c.images.push_back(Disc(kBlue));        // 2
    for (int shape = 0; shape < 7; ++shape) // 3..9: mouths, taller for wider shapes
        c.images.push_back(Block(10, 1 + shape, shape == 0 ? 4 : 5));

    acs::Voice v;
    v.hasExtra = true;
    v.languageId = 0x0409;
    v.gender = 2;
    c.voice = v;
    c.flags |= acs::kVoiceEnabled;
    acs::Balloon b;
    b.lines = 2;
    b.charsPerLine = 16;
    b.fontName = QStringLiteral("DejaVu Sans");
    b.fontHeight = -13;
    c.balloon = b;
    c.flags |= acs::kBalloonEnabled;
    c.sounds.push_back({Beep()});
    c.localized.push_back(
        {0x0409, QStringLiteral("Testy"), QStringLiteral("A test character"), {}});

    auto anim = [&](const QString& name, std::vector<acs::Frame> frames,
                    quint8 transition = acs::kTransitionNone, const QString& ret = {}) {
        acs::Animation a;
        a.name = name;
        a.transition = transition;
        a.returnAnimation = ret;
        a.frames = std::move(frames);
        c.animations.push_back(std::move(a));
    };
    acs::Frame rest = Shown(0, 10);
    for (int shape = 0; shape < 7; ++shape) {
        acs::MouthOverlay o;
        o.shape = quint8(shape);
        o.imageIndex = quint16(3 + shape);
        o.x = 15;
        o.y = 18;
        rest.overlays.push_back(o);
    }
    anim(QStringLiteral("RestPose"), {rest});
    acs::Frame end; // no images, no time: the picture stays
    anim(QStringLiteral("Show"), {Shown(2, 2), Shown(1, 2), Shown(0, 2)});
    anim(QStringLiteral("Hide"), {Shown(1, 2), Shown(2, 2), end});
    acs::Frame greet1 = Shown(2, 2);
    greet1.sound = 0;
    anim(QStringLiteral("Greet"), {Shown(1, 2), greet1, Shown(0, 2)});
    // Loops for ever; its exits lead from frame 1 to 2 and out.
    acs::Frame l0 = Shown(0, 2), l1 = Shown(1, 2), l2 = Shown(2, 2);
    l1.exitFrame = 2;
    l2.exitFrame = acs::kExitEnd;
    l2.branches.push_back({0, 100});
    anim(QStringLiteral("Loop"), {l0, l1, l2}, acs::kTransitionExitBranches);
    acs::Frame b0 = Shown(0, 2);
    b0.branches = {{2, 30}, {3, 50}};
    anim(QStringLiteral("Branchy"), {b0, Shown(1, 2), Shown(2, 2), Shown(0, 2)});
    acs::Frame self = Shown(1, 2);
    self.exitFrame = 0;
    self.branches.push_back({0, 100});
    anim(QStringLiteral("SelfExit"), {self});
    acs::Frame s1 = rest;
    s1.duration = 2;
    anim(QStringLiteral("Speaking"), {Shown(1, 2), s1});
    anim(QStringLiteral("Idle1"), {Shown(1, 2), Shown(2, 2)});
    anim(QStringLiteral("Idle2"), {Shown(2, 2), Shown(1, 2)});
    anim(QStringLiteral("ReturnTest"), {Shown(2, 2)}, acs::kTransitionReturnAnimation,
         QStringLiteral("Greet"));
    // Ends on its second frame; leaving, it goes back to the first by its
    // exits before the next animation.
    acs::Frame lean0 = Shown(0, 2), lean1 = Shown(2, 2);
    lean0.exitFrame = acs::kExitEnd;
    lean1.exitFrame = 0;
    anim(QStringLiteral("Lean"), {lean0, lean1}, acs::kTransitionExitBranches);
    c.states = {{QStringLiteral("SHOWING"), {QStringLiteral("SHOW")}},
                {QStringLiteral("HIDING"), {QStringLiteral("HIDE")}},
                {QStringLiteral("SPEAKING"), {QStringLiteral("SPEAKING")}},
                {QStringLiteral("IDLINGLEVEL1"), {QStringLiteral("IDLE1")}},
                {QStringLiteral("IDLINGLEVEL2"), {QStringLiteral("IDLE2")}}};
    return c;
}

QString WriteTestCharacter(const QString& dir, const acs::Character& c, const QString& name) {
    const QString path = dir + u'/' + name + QStringLiteral(".acs");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(acs::WriteAcs(c));
    return path;
}

} // namespace kalo::test
