// Subtitles for spoken text: the text is cut into cues (sentences, long
// ones split near 80 characters at a blank), each cue starts where the
// engine says its first word starts in the audio, and the cues are written
// as SubRip (.srt) or LRC (.lrc) text. Everything here is linear in the
// length of the text, whatever the text: no blanks at all, CJK, 5 MB.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <vector>

namespace kalo {

// A word the engine reported: its UTF-16 offset in the text it was given,
// and where it starts in the audio.
struct WordTiming {
    qsizetype offset = 0;
    qint64 ms = 0;
};

struct SubtitleCue {
    qint64 startMs = 0;
    qint64 endMs = 0;
    QString text; // one line: the text's blanks and line breaks as single spaces
};

// A cue should hold about this many characters at most.
inline constexpr qsizetype kCueChars = 80;

struct TextSpan {
    qsizetype begin = 0;
    qsizetype end = 0; // exclusive; never ends or starts with a blank
};

// The spans of text the cues are made of, in order: sentences (ended by
// . ! ? and the like before a blank or the end, by their CJK forms
// anywhere, or by an empty line), those longer than maxChars cut into about
// equal pieces at blanks (or after a comma or the like, or anywhere when
// there is neither).
std::vector<TextSpan> CueSpans(QStringView text, qsizetype maxChars = kCueChars);

// The cues of a text from the engine's words (in the order reported) and
// the length of the audio. A span none of whose words was heard joins the
// cue before it (or the one after it, at the start); every cue starts
// later than the one before. With complete false (the speech was stopped)
// the text after the last word heard is left out. Each cue ends where the
// next begins; the last at endMs.
std::vector<SubtitleCue> BuildCues(QStringView text, const std::vector<WordTiming>& words,
                                   qint64 endMs, bool complete);

// SubRip: numbered cues, "HH:MM:SS,mmm --> HH:MM:SS,mmm", UTF-8, CR LF.
QByteArray SrtText(const std::vector<SubtitleCue>& cues);
// LRC: "[mm:ss.xx]text" lines (minutes go past 99 for long books), then a
// line with the end time alone, UTF-8.
QByteArray LrcText(const std::vector<SubtitleCue>& cues);

enum class SubtitleFormat { Srt, Lrc };
QByteArray SubtitleText(SubtitleFormat format, const std::vector<SubtitleCue>& cues);

// Writes the file under a temporary name beside it and renames it when it
// is complete; false with the reason in error.
bool WriteSubtitleFile(const QString& path, const QByteArray& bytes, QString* error);

} // namespace kalo
