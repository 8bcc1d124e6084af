// The command line of kalotalk-say, taken apart without side effects so it
// can be checked on its own: options, the choice of voice, and the
// decoding of input text.
#pragma once

#include "speech/audio_destinations.h"
#include "speech/tts_types.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace kalo {

struct SayOptions {
    bool help = false;
    bool version = false;
    bool listVoices = false;
    QString voice;                 // -v: mode identifier, mode name or part of a name
    std::optional<quint32> speed;  // -s: words per minute
    std::optional<quint32> pitch;  // -p: 0 to 100
    std::optional<quint32> volume; // -a: 0 to 100
    std::optional<quint32> rate;   // -x: write speed as a multiple of real time, times 256
    std::optional<quint32> jobs;   // --jobs: encoder processes at once for an MP3 file
    QString wavOut;                // -w, or -o with .wav
    QString mp3Out;                // -m, or -o with .mp3
    QString encodedOut;            // -o with .opus, .ogg or .flac
    AudioFileFormat encodedFormat = AudioFileFormat::Opus;
    QString srtOut;                // --srt
    QString lrcOut;                // --lrc
    QString inputFile;             // -f
    QStringList words;             // the text on the command line

    bool writesAudio() const {
        return !wavOut.isEmpty() || !mp3Out.isEmpty() || !encodedOut.isEmpty();
    }
    bool writesFiles() const { return writesAudio() || !srtOut.isEmpty() || !lrcOut.isEmpty(); }
};

// The file names -o knows, by extension, as "-o" lists them.
QString KnownOutputExtensions();

// The usage text shown by --help.
QString SayUsage();

// Fills options from the arguments (without the program name). Returns an
// error message, empty when the command line is sound.
QString ParseSayArguments(const QStringList& arguments, SayOptions& options);

// Picks the voice a query names: a mode identifier, a mode name (letter
// case does not matter), or a part of a name that only one mode has (or
// that only one mode has as a whole word: "kal" beside "kal16"). An
// empty query picks British, else American, else any English, else the
// first mode. Returns
// the index into modes, or -1 with a message in error.
int ChooseVoice(const std::vector<TTSModeInfo>& modes, const QString& query, QString* error);

// Text from a file or standard input: UTF-8 when it is valid UTF-8, else
// Windows-1252 (UTF-16 with a byte-order mark too). A byte-order mark is
// dropped; line breaks become "\n".
QString DecodeInputText(const QByteArray& bytes);

} // namespace kalo
