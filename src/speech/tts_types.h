// Shared vocabulary of the speech layer: mode descriptions, mouth shapes,
// text with inline marks, and the two notification interfaces through which
// a central reports its progress. Every notification is delivered on the
// thread that created the central (the user-interface thread), in order.
#pragma once

#include <QString>
#include <QUuid>

#include <cstdint>
#include <vector>

namespace kalo {

// Gender codes of a mode description.
enum TTSGender : quint16 { GENDER_NEUTRAL = 0, GENDER_FEMALE = 1, GENDER_MALE = 2 };

// Feature bits of a mode description: what the mode can do.
enum TTSFeature : quint32 {
    TTSFEATURE_SPEED = 0x0001,        // speed can be changed
    TTSFEATURE_PITCH = 0x0002,        // pitch can be changed
    TTSFEATURE_VOLUME = 0x0004,       // volume can be changed
    TTSFEATURE_WORDPOSITION = 0x0008, // reports the word being spoken
    TTSFEATURE_BOOKMARK = 0x0010,     // reports bookmarks placed in the text
    TTSFEATURE_VISUAL = 0x0020,       // reports phonemes with mouth shapes
    TTSFEATURE_STYLE = 0x0040,        // speaks in the monotone and whisper styles
    TTSFEATURE_ANYWORD = 0x0080,      // speaks any word, also unknown ones
};

// Interface bits of a mode description: the objects a central offers.
enum TTSInterfaceBit : quint32 {
    TTSI_CENTRAL = 0x0001,
    TTSI_ATTRIBUTES = 0x0002,
    TTSI_DIALOGS = 0x0004,
};

// Numbers of the attributes reported by AttribChanged.
enum TTSAttribute : quint32 {
    TTSATTR_PITCH = 1,
    TTSATTR_SPEED = 2,
    TTSATTR_VOLUME = 3,
    TTSATTR_REALTIME = 4,
};

// Hint bits of a visual notification.
enum TTSVisualHint : quint32 {
    TTSVISUAL_SILENCE = 0x0001,   // a pause: the mouth rests
    TTSVISUAL_VOWEL = 0x0002,     // a vowel or diphthong
    TTSVISUAL_CONSONANT = 0x0004, // a consonant
};

// Description of one text-to-speech mode (one voice of one engine).
struct TTSModeInfo {
    QString ModeName;    // what the user reads, unique per engine
    QString Language;    // language code with dialect, for example "en-gb"
    QString Dialect;     // the language and dialect in words
    QString MfgName;     // who made the engine
    QString ProductName; // the engine's product name
    QUuid ModeID;        // stable across runs
    QUuid EngineID;
    QString Speaker;
    QString Style;
    quint16 Gender = GENDER_NEUTRAL;
    quint16 Age = 0; // 0: not given
    quint32 Features = 0;
    quint32 Interfaces = 0;
    QString EngineVoice; // the engine's own name of the voice; read by the engine only
};

// A mode identifier as text: 38 characters, braces, upper-case hexadecimal
// digits and hyphens.
QString GuidText(const QUuid& id);

// Parses GUID text as written by GuidText (letter case does not matter); a
// null QUuid when the text is not a GUID.
QUuid GuidFromText(const QString& text);

// The shape of the mouth for a phoneme; every value runs from 0 to 255.
struct TTSMouth {
    quint8 MouthHeight = 0;
    quint8 MouthWidth = 0;
    quint8 MouthUpturn = 0;
    quint8 JawOpen = 0;
    quint8 TeethUpperVisible = 0;
    quint8 TeethLowerVisible = 0;
    quint8 TonguePosn = 0;
    quint8 LipTension = 0;
    bool operator==(const TTSMouth&) const = default;
};

// Voice styles a text can switch to.
enum class TTSVoiceStyle : int { Normal = 0, Monotone = 1, Whisper = 2 };

// One inline mark in a text. Positions are offsets in UTF-16 code units
// into the text without marks; a mark takes effect before the character at
// its position (a position equal to the text's length: at its end).
struct TTSTextMark {
    enum Kind { Bookmark, Speed, Pitch, Volume, Style };
    qsizetype position = 0;
    Kind kind = Bookmark;
    qint64 value = 0; // bookmark number, speed, pitch, volume, or a TTSVoiceStyle
};

// Text with inline marks: bookmarks (reported when the speech reaches them)
// and changes of speed, pitch, volume and voice style from a position on.
// Word positions reported for it count in `text`, which holds no marks.
struct TTSMarkedText {
    QString text;
    std::vector<TTSTextMark> marks;
};

// Audio-level notifications of a central. Registered with Register; every
// call arrives on the central's thread. The default implementations ignore
// the notification.
class ITTSNotifySink2A {
public:
    virtual ~ITTSNotifySink2A() = default;
    // An attribute (TTSAttribute) changed its value.
    virtual void AttribChanged(quint32 attribute) { (void)attribute; }
    // Audio of a text began to play (or to be written) / went quiet. A pause
    // reports AudioStop and the resume AudioStart again.
    virtual void AudioStart(qint64 timeMs) { (void)timeMs; }
    virtual void AudioStop(qint64 timeMs) { (void)timeMs; }
    // A phoneme is being spoken, with the shape of the mouth for it.
    virtual void Visual(qint64 timeMs, const QString& phoneme, quint32 hints,
                        const TTSMouth& mouth) {
        (void)timeMs, (void)phoneme, (void)hints, (void)mouth;
    }
    virtual void Error(qint32 code, const QString& message) { (void)code, (void)message; }
    virtual void Warning(qint32 code, const QString& message) { (void)code, (void)message; }
    // Whether the sink wants Visual at all; phonemes are worked out only
    // for texts handed over while some sink wants them.
    virtual bool WantsVisual() const { return true; }
    // Phonemes ahead of the audio; this layer reports visuals only as they
    // are heard, so it never calls it.
    virtual void VisualFuture(qint64 timeMs, const QString& phoneme, quint32 hints,
                              const TTSMouth& mouth) {
        (void)timeMs, (void)phoneme, (void)hints, (void)mouth;
    }
};

// Notifications about one text handed to a central, given with the text.
class ITTSBufNotifySink {
public:
    virtual ~ITTSBufNotifySink() = default;
    virtual void TextDataStarted(qint64 timeMs) { (void)timeMs; }
    virtual void TextDataDone(qint64 timeMs) { (void)timeMs; }
    // The speech reached the bookmark with this number.
    virtual void BookMark(qint64 timeMs, quint32 mark) { (void)timeMs, (void)mark; }
    // The word that starts at this offset (UTF-16 code units into the text
    // without marks) is being spoken.
    virtual void WordPosition(qint64 timeMs, quint32 offset) { (void)timeMs, (void)offset; }
};

} // namespace kalo
