#include "speech/mouth_shapes.h"

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

bool startsWithAny(const QString& s, std::initializer_list<const char*> prefixes) {
    for (const char* p : prefixes)
        if (s.startsWith(QLatin1String(p)))
            return true;
    return false;
}

} // namespace

TTSVisualShape MouthForPhoneme(const QString& phoneme) {
    TTSVisualShape v;
    const QString p = phoneme.trimmed();
    if (p.isEmpty() || p.startsWith(u'_')) {
        v.mouth = shape(0, 110, 128, 0, 0, 0, 0, 40);
        v.hints = TTSVISUAL_SILENCE;
        return v;
    }
    const QChar c = p.front();
    const bool vowel = QStringLiteral("aeiouAEIOUV@3069").contains(c);
    if (vowel) {
        v.hints = TTSVISUAL_VOWEL;
        if (startsWithAny(p, {"u", "U", "o", "O", "0", "aU", "w"}))
            v.mouth = shape(120, 70, 128, 90, 0, 0, 60, 180); // rounded
        else if (startsWithAny(p, {"i", "I", "e", "E", "3"}))
            v.mouth = shape(90, 200, 150, 70, 200, 120, 160, 150); // spread
        else
            v.mouth = shape(200, 160, 128, 200, 150, 60, 80, 60); // open
        return v;
    }
    v.hints = TTSVISUAL_CONSONANT;
    if (c == u'p' || c == u'b' || c == u'm')
        v.mouth = shape(0, 120, 128, 20, 0, 0, 60, 230); // lips closed
    else if (c == u'f' || c == u'v')
        v.mouth = shape(30, 140, 128, 30, 255, 0, 60, 160); // teeth on the lip
    else if (c == u'T' || c == u'D')
        v.mouth = shape(50, 140, 128, 50, 200, 150, 240, 100); // tongue between the teeth
    else if (c == u'w')
        v.mouth = shape(60, 50, 128, 40, 0, 0, 60, 220); // rounded, nearly closed
    else if (c == u'S' || c == u'Z' || p.startsWith(u"tS") || p.startsWith(u"dZ"))
        v.mouth = shape(50, 90, 128, 40, 220, 200, 140, 170); // pushed forward
    else
        v.mouth = shape(60, 150, 128, 60, 200, 150, 150, 100); // teeth shown, half open
    return v;
}

} // namespace kalo
