// The tags of a character's speech text, taken apart: what is spoken, what
// the balloon shows, where the voice settings change and where the
// bookmarks lie.
//
// Tags start and end with a backslash: \Vol=n\ (0 to 65535), \Pit=n\ (base
// pitch in Hz), \Spd=n\ (words per minute), \Mrk=n\ (bookmark), \Chr="Normal"\,
// \Chr="Monotone"\, \Chr="Whisper"\, \Rst\ (settings back to the start) and
// \Map="spoken"="balloon"\ (a doubled quote inside a quoted part stands for
// one quote). \\ is one backslash. Tags of other names are dropped and never
// spoken. A backslash that opens no well-formed tag stays in the text, so
// no text is lost to a stray backslash.
#pragma once

#include "speech/tts_types.h"

#include <QString>

#include <vector>

namespace kalo {

// Pitch and speed marks carry this value after \Rst\: the voice's own.
inline constexpr qint64 kVoiceDefault = -1;

// A stretch of the spoken text and the stretch of the balloon text it
// stands for. Outside \Map\ both are the same characters.
struct SpeechPiece {
    qsizetype spokenBegin = 0;
    qsizetype spokenEnd = 0;
    qsizetype balloonBegin = 0;
    qsizetype balloonEnd = 0;
};

struct ParsedSpeech {
    QString spoken;
    QString balloon;
    // Positions into `spoken`; values as the tags give them: volume 0 to
    // 65535, pitch in Hz, speed in words per minute, style a TTSVoiceStyle,
    // bookmark numbers. Ordered by position, tags at one place in the order
    // written.
    std::vector<TTSTextMark> marks;
    std::vector<SpeechPiece> pieces; // in order, covering both texts

    // The place in the balloon text that corresponds to a place in the
    // spoken text (proportional inside a \Map\ part).
    qsizetype BalloonPosition(qsizetype spokenPosition) const;
    std::vector<qint32> Bookmarks() const;
};

ParsedSpeech ParseSpeechTags(const QString& text);

} // namespace kalo
