#include "speech/mouth_shapes.h"

#include <array>
#include <utility>

namespace kalo {

namespace {

TTSMouth shape(quint8 height, quint8 width, quint8 upturn, quint8 jaw, quint8 teethUpper,
               quint8 teethLower, quint8 tongue, quint8 tension) {
    TTSMouth m;
    m.MouthHeight = height;
    m.MouthWidth = width;
    m.MouthUpturn = upturn;
    m.JawOpen = jaw;
    m.TeethUpperVisible = teethUpper;
    m.TeethLowerVisible = teethLower;
    m.TonguePosn = tongue;
    m.LipTension = tension;
    return m;
}

// The shapes both alphabets are mapped onto.
enum class Shape {
    Rest,        // a pause: lips together, relaxed
    Open,        // open vowels (father, cat)
    Mid,         // middle vowels (cup, bed, the schwa)
    Spread,      // front vowels (see, bit)
    Rounded,     // back rounded vowels (two, go)
    Closed,      // lips closed (p, b, m)
    LipTeeth,    // teeth on the lower lip (f, v)
    Tongue,      // tongue between the teeth (th)
    RoundNarrow, // rounded, nearly closed (w)
    Forward,     // lips pushed forward (sh, ch)
    HalfOpen,    // teeth shown, half open (most consonants)
};

TTSVisualShape visual(Shape s) {
    TTSVisualShape v;
    switch (s) {
    case Shape::Rest:
        v.mouth = shape(0, 110, 128, 0, 0, 0, 0, 40);
        v.hints = TTSVISUAL_SILENCE;
        return v;
    case Shape::Open:
        v.mouth = shape(200, 160, 128, 200, 150, 60, 80, 60);
        break;
    case Shape::Mid:
        v.mouth = shape(130, 150, 128, 130, 150, 80, 100, 80);
        break;
    case Shape::Spread:
        v.mouth = shape(90, 200, 150, 70, 200, 120, 160, 150);
        break;
    case Shape::Rounded:
        v.mouth = shape(120, 70, 128, 90, 0, 0, 60, 180);
        break;
    case Shape::Closed:
        v.mouth = shape(0, 120, 128, 20, 0, 0, 60, 230);
        break;
    case Shape::LipTeeth:
        v.mouth = shape(30, 140, 128, 30, 255, 0, 60, 160);
        break;
    case Shape::Tongue:
        v.mouth = shape(50, 140, 128, 50, 200, 150, 240, 100);
        break;
    case Shape::RoundNarrow:
        v.mouth = shape(60, 50, 128, 40, 0, 0, 60, 220);
        break;
    case Shape::Forward:
        v.mouth = shape(50, 90, 128, 40, 220, 200, 140, 170);
        break;
    case Shape::HalfOpen:
        v.mouth = shape(60, 150, 128, 60, 200, 150, 150, 100);
        break;
    }
    const bool vowel =
        s == Shape::Open || s == Shape::Mid || s == Shape::Spread || s == Shape::Rounded;
    v.hints = vowel ? TTSVISUAL_VOWEL : TTSVISUAL_CONSONANT;
    return v;
}

bool startsWithAny(const QString& s, std::initializer_list<const char*> prefixes) {
    for (const char* p : prefixes)
        if (s.startsWith(QLatin1String(p)))
            return true;
    return false;
}

} // namespace

TTSVisualShape MouthForPhoneme(const QString& phoneme) {
    const QString p = phoneme.trimmed();
    if (p.isEmpty() || p.startsWith(u'_'))
        return visual(Shape::Rest);
    const QChar c = p.front();
    if (QStringLiteral("aeiouAEIOUV@3069").contains(c)) {
        if (startsWithAny(p, {"u", "U", "o", "O", "0", "aU", "w"}))
            return visual(Shape::Rounded);
        if (startsWithAny(p, {"i", "I", "e", "E", "3"}))
            return visual(Shape::Spread);
        return visual(Shape::Open);
    }
    if (c == u'p' || c == u'b' || c == u'm')
        return visual(Shape::Closed);
    if (c == u'f' || c == u'v')
        return visual(Shape::LipTeeth);
    if (c == u'T' || c == u'D')
        return visual(Shape::Tongue);
    if (c == u'w')
        return visual(Shape::RoundNarrow);
    if (c == u'S' || c == u'Z' || p.startsWith(u"tS") || p.startsWith(u"dZ"))
        return visual(Shape::Forward);
    return visual(Shape::HalfOpen);
}

TTSVisualShape MouthForFlitePhone(const QString& phone) {
    // Flite's English phone set: 16 vowels, 24 consonants and the pause.
    static const std::array<std::pair<const char*, Shape>, 41> kPhones = {{
        {"pau", Shape::Rest},      {"aa", Shape::Open},    {"ae", Shape::Open},
        {"ay", Shape::Open},       {"aw", Shape::Open},    {"ao", Shape::Open},
        {"ah", Shape::Mid},        {"ax", Shape::Mid},     {"eh", Shape::Mid},
        {"er", Shape::Mid},        {"ih", Shape::Spread},  {"iy", Shape::Spread},
        {"ey", Shape::Spread},     {"ow", Shape::Rounded}, {"oy", Shape::Rounded},
        {"uh", Shape::Rounded},    {"uw", Shape::Rounded}, {"p", Shape::Closed},
        {"b", Shape::Closed},      {"m", Shape::Closed},   {"f", Shape::LipTeeth},
        {"v", Shape::LipTeeth},    {"th", Shape::Tongue},  {"dh", Shape::Tongue},
        {"w", Shape::RoundNarrow}, {"r", Shape::Forward},  {"sh", Shape::Forward},
        {"zh", Shape::Forward},    {"ch", Shape::Forward}, {"jh", Shape::Forward},
        {"s", Shape::HalfOpen},    {"z", Shape::HalfOpen}, {"t", Shape::HalfOpen},
        {"d", Shape::HalfOpen},    {"n", Shape::HalfOpen}, {"l", Shape::HalfOpen},
        {"k", Shape::HalfOpen},    {"g", Shape::HalfOpen}, {"ng", Shape::HalfOpen},
        {"hh", Shape::HalfOpen},   {"y", Shape::HalfOpen},
    }};
    const QString p = phone.trimmed();
    if (p.isEmpty())
        return visual(Shape::Rest);
    for (const auto& [name, s] : kPhones)
        if (p == QLatin1String(name))
            return visual(s);
    return visual(Shape::HalfOpen);
}

} // namespace kalo
