// kalotalk-say: speaks text, or writes it to a WAV, MP3, Opus, Vorbis or
// FLAC file (with subtitles, if asked), through the same speech component
// as the converter. Meant for scripts: plain output,
// clear messages, non-zero exit codes on failure, and no half-written
// output file ever (outputs are written beside the target under a
// temporary name and renamed at the end).
#include "base/app_folders.h"
#include "speech/mp3_parts.h"
#include "speech/mspeech.h"
#include "speech/subtitles.h"
#include "say/say_options.h"
#include "base/regular_file.h"
#include "base/text_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace kalo;

namespace {

volatile std::sig_atomic_t g_signal = 0;

void onSignal(int sig) {
    g_signal = sig;
}

void say(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// One line on the terminal, rewritten in place; nothing when standard error
// is not a terminal.
class ProgressLine {
public:
    ProgressLine() : enabled_(isatty(STDERR_FILENO) != 0) { clock_.start(); }
    ~ProgressLine() { clear(); }
    void show(const QString& what, int percent) {
        if (!enabled_)
            return;
        percent = qBound(0, percent, 100);
        const int filled = percent * 30 / 100;
        const qint64 s = clock_.elapsed() / 1000;
        say(stderr,
            QStringLiteral("\r%1 %2% [%3%4] %5:%6\x1b[K")
                .arg(what.leftJustified(8), QStringLiteral("%1").arg(percent, 3),
                     QString(filled, u'#'), QString(30 - filled, u'.'), QString::number(s / 60),
                     QStringLiteral("%1").arg(s % 60, 2, 10, QLatin1Char('0'))));
        shown_ = true;
    }
    void clear() {
        if (shown_)
            say(stderr, QStringLiteral("\r\x1b[K"));
        shown_ = false;
    }

private:
    bool enabled_;
    bool shown_ = false;
    QElapsedTimer clock_;
};

// A file beside the target that becomes the target only when committed; it
// is removed otherwise, whatever ends the run.
class PartFile {
public:
    // Creates the file; false with a message when the folder is not writable.
    bool create(const QString& target, const QString& suffix, QString* error) {
        const QFileInfo info(target);
        if (info.isDir()) {
            *error = QStringLiteral("cannot write %1: it is a folder").arg(target);
            return false;
        }
        if (info.exists() && !info.isFile()) {
            // A FIFO or a device would be replaced by the renamed file.
            *error = QStringLiteral("cannot write %1: it is not a regular file").arg(target);
            return false;
        }
        if (info.exists() && !info.isWritable()) {
            *error = QStringLiteral("cannot write %1: permission denied").arg(target);
            return false;
        }
        QTemporaryFile tmp(info.absolutePath() +
                           QStringLiteral("/.%1.XXXXXX%2").arg(info.fileName(), suffix));
        tmp.setAutoRemove(false);
        if (!tmp.open()) {
            *error = QStringLiteral("cannot write %1: %2").arg(target, tmp.errorString());
            return false;
        }
        path_ = tmp.fileName();
        return true;
    }
    ~PartFile() { discard(); }
    // Fills the file with bytes (nothing to do when none was created).
    bool write(const QByteArray& bytes, const QString& target, QString* error) {
        if (path_.isEmpty())
            return true;
        QFile f(path_);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(bytes) != bytes.size() || !f.flush()) {
            *error = QStringLiteral("cannot write %1: %2").arg(target, f.errorString());
            return false;
        }
        return true;
    }
    const QString& path() const { return path_; }
    void discard() {
        if (!path_.isEmpty())
            QFile::remove(path_);
        path_.clear();
    }
    bool commitAs(const QString& target, QString* error) {
        // Temporary files are private; the output gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(QFile::encodeName(path_).constData(), 0666 & ~mask);
        if (std::rename(QFile::encodeName(path_).constData(),
                        QFile::encodeName(target).constData()) != 0) {
            *error = QStringLiteral("cannot write %1: %2")
                         .arg(target, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        path_.clear();
        return true;
    }

private:
    QString path_;
};

// Qt's own chatter (for instance a sound server that does not answer) would
// mix with the program's messages, which scripts read: only its critical
// messages get through.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        say(stderr, QStringLiteral("kalotalk-say: %1\n").arg(message));
}

// How far an MP3 run has got, in percent of its work: the speech is about a
// fifth of it, the encoding (which runs beside it) the rest. While the
// speech goes on, the length of the whole audio is judged from how much of
// the text has been spoken.
int mp3Percent(double spoken, const ParallelMp3Encoder& encoder) {
    const double total = spoken > 0.001 ? double(encoder.samplesIn()) / spoken : 0;
    const double encoded = total > 0 ? std::min(1.0, double(encoder.samplesEncoded()) / total) : 0;
    return int(100 * (0.2 * spoken + 0.8 * encoded));
}

int fail(const QString& message, int code = 1) {
    say(stderr, QStringLiteral("kalotalk-say: %1\n").arg(message));
    return code;
}

bool readText(const SayOptions& o, QString* text, QString* error) {
    if (!o.words.isEmpty()) {
        *text = o.words.join(u' ');
        return true;
    }
    QFile f;
    const bool fromStdin = o.inputFile.isEmpty();
    bool opened = false;
    if (fromStdin) {
        opened = f.open(stdin, QIODevice::ReadOnly);
    } else {
        f.setFileName(o.inputFile);
        opened = !QFileInfo(o.inputFile).isDir() && f.open(QIODevice::ReadOnly);
    }
    const QString name = fromStdin ? QStringLiteral("standard input") : o.inputFile;
    if (!opened) {
        *error = QStringLiteral("cannot read %1: %2")
                     .arg(name, QFileInfo(o.inputFile).isDir() ? QStringLiteral("it is a folder")
                                                               : f.errorString());
        return false;
    }
    // Pipes and FIFOs are read to their end (process substitution, -f
    // /dev/stdin), but never more than the largest document: a source that
    // never ends, such as /dev/zero, ends with a message.
    const RegularFileRead read = ReadAtMost(f, MaxDocumentBytes);
    if (!read.ok()) {
        *error = QStringLiteral("cannot read %1: %2").arg(name, read.reason);
        return false;
    }
    const QByteArray& bytes = read.bytes;
    *text = DecodeInputText(bytes);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    qInstallMessageHandler(quietQt);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kalotalk-say"));

    SayOptions o;
    const QString parseError = ParseSayArguments(QCoreApplication::arguments().mid(1), o);
    if (!parseError.isEmpty())
        return fail(parseError + QStringLiteral("\nTry kalotalk-say --help."), 2);
    if (o.help) {
        say(stdout, SayUsage());
        return 0;
    }
    if (o.version) {
        say(stdout, QStringLiteral("kalotalk-say %1\n").arg(KaloVersion()));
        return 0;
    }

    std::shared_ptr<TTSEnum> modes;
    try {
        modes = std::make_shared<TTSEnum>();
    } catch (const KaloError& e) {
        return fail(QStringLiteral("no speech engine can run: %1").arg(e.message()));
    }
    if (o.listVoices) {
        for (const TTSModeInfo& m : modes->AllModes())
            say(stdout, GuidText(m.ModeID) + u'\t' + m.ModeName + u'\n');
        return 0;
    }

    QString error;
    const int voice = ChooseVoice(modes->AllModes(), o.voice, &error);
    if (voice < 0)
        return fail(error);
    const TTSModeInfo mode = modes->AllModes()[size_t(voice)];

    QString text;
    if (!readText(o, &text, &error))
        return fail(error);

    // From here on an interruption is noticed and cleaned up after (before,
    // while waiting for standard input, it simply ends the program).
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        std::signal(sig, onSignal);

    // With subtitles alone nothing is spoken: the speech goes to no file at
    // all, at the pace of a file, so the subtitles are timed as a file.
    const bool toFile = o.writesFiles();
    const bool toMp3 = !o.mp3Out.isEmpty();
    const QString target = !o.wavOut.isEmpty()   ? o.wavOut
                           : !o.mp3Out.isEmpty() ? o.mp3Out
                                                 : o.encodedOut;
    // The file the speech component writes: the WAV file of -w, or the
    // compressed file of -o. An MP3 file is encoded in parts while the
    // speech is written: the speech itself needs no file then.
    PartFile wavPart;
    PartFile mp3Part;
    if (!o.wavOut.isEmpty() || !o.encodedOut.isEmpty()) {
        const QString suffix = o.encodedOut.isEmpty()
                                   ? QStringLiteral(".wav")
                                   : u'.' + QFileInfo(o.encodedOut).suffix().toLower();
        if (!wavPart.create(target, suffix, &error))
            return fail(error);
    }
    if (toMp3 && !mp3Part.create(target, QStringLiteral(".mp3"), &error))
        return fail(error);
    ParallelMp3Encoder encoder;
    if (toMp3 && !encoder.prepare(QCoreApplication::applicationDirPath() + u'/', target,
                                  int(o.jobs.value_or(0))))
        return fail(encoder.errorString());
    PartFile srtPart;
    PartFile lrcPart;
    if (!o.srtOut.isEmpty() && !srtPart.create(o.srtOut, QStringLiteral(".srt"), &error))
        return fail(error);
    if (!o.lrcOut.isEmpty() && !lrcPart.create(o.lrcOut, QStringLiteral(".lrc"), &error))
        return fail(error);
    std::vector<WordTiming> words;
    qint64 audioMs = 0;

    ProgressLine progress;
    int shown = 0; // the progress line never goes back
    int exitCode = 0;
    {
        TMSpeech speech(nullptr, [modes] { return modes; });
        speech.Output = toFile ? soFile : soGeneral;
        speech.Filename = wavPart.path();
        speech.FileFormat = !o.encodedOut.isEmpty() ? o.encodedFormat
                            : !o.wavOut.isEmpty()   ? AudioFileFormat::Wav
                                                    : AudioFileFormat::None;
        try {
            speech.SelectEngine(mode.ModeName);
        } catch (const EMSpeechException& e) {
            return fail(e.message());
        }
        if (!speech.Selected() || speech.EngineInfo().ModeID != GuidText(mode.ModeID))
            return fail(QStringLiteral("the voice %1 could not be started").arg(mode.ModeName));

        std::shared_ptr<ITTSAttributesA> attributes;
        speech.GetInterface(2, attributes);
        if (o.speed)
            attributes->SpeedSet(*o.speed);
        if (o.pitch)
            attributes->PitchSet(quint16(*o.pitch));
        if (o.volume)
            attributes->VolumeSet(*o.volume);
        if (toFile) {
            std::shared_ptr<IAudioFile> file;
            speech.GetInterface(0, file);
            file->RealTimeSet(o.rate.value_or(kRealTimeUnthrottled));
            if (toMp3)
                file->SetTap(encoder.input());
        } else {
            std::shared_ptr<IAudioMultiMediaDevice> device;
            speech.GetInterface(0, device);
            if (!device->HasOutputDevice())
                say(stderr,
                    QStringLiteral("kalotalk-say: no sound device; the speech plays silently\n"));
        }

        QEventLoop loop;
        QStringList errors;
        bool stopped = false;
        QObject::connect(&speech, &TMSpeech::OnStop, &loop, [&] {
            stopped = true;
            loop.quit();
        });
        QObject::connect(&speech, &TMSpeech::OnError, &loop,
                         [&](int, const QString& m) { errors << m; });
        QObject::connect(&speech, &TMSpeech::OnWarning, &loop, [&](int, const QString& m) {
            say(stderr, QStringLiteral("kalotalk-say: %1\n").arg(m));
        });
        if (!o.srtOut.isEmpty() || !o.lrcOut.isEmpty())
            QObject::connect(&speech, &TMSpeech::OnWordPosition, &loop,
                             [&](qint64 ms, qint32 offset) { words.push_back({offset, ms}); });
        QTimer tick;
        tick.setInterval(100);
        const QString verb = toFile ? QStringLiteral("Writing") : QStringLiteral("Speaking");
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            if (g_signal || encoder.failed()) {
                loop.quit();
                return;
            }
            const qint64 length = text.size();
            const double spoken = length > 0 ? double(speech.WordPosition()) / double(length) : 0;
            shown = std::max(shown, toMp3 ? mp3Percent(spoken, encoder) : int(spoken * 100));
            progress.show(verb, shown);
        });
        tick.start();
        if (!speech.SpeakString(text)) {
            std::shared_ptr<IAudioFile> file;
            speech.GetInterface(0, file);
            return fail(QStringLiteral("cannot write %1: %2")
                            .arg(target, file ? file->LastError() : QString()));
        }
        loop.exec();
        progress.clear();
        if (g_signal) {
            speech.Stop();
            exitCode = 128 + int(g_signal);
        } else if (!errors.isEmpty()) {
            // The engine's messages name the temporary file; the user knows
            // the file asked for.
            QString message = errors.join(u"; ");
            if (!wavPart.path().isEmpty())
                message.replace(wavPart.path(), target);
            exitCode = fail(message);
        } else if (encoder.failed()) {
            speech.Stop();
            exitCode = fail(encoder.errorString());
        } else if (!stopped) {
            exitCode = fail(QStringLiteral("the speech ended without finishing"));
        } else if (toFile) {
            std::shared_ptr<IAudioFile> file;
            speech.GetInterface(0, file);
            audioMs = file ? file->WrittenMs() : 0;
        }
    } // the audio file is complete and closed here
    if (exitCode != 0)
        return exitCode;
    if (!o.srtOut.isEmpty() || !o.lrcOut.isEmpty()) {
        const std::vector<SubtitleCue> cues = BuildCues(text, words, audioMs, true);
        if (!srtPart.write(SrtText(cues), o.srtOut, &error) ||
            !lrcPart.write(LrcText(cues), o.lrcOut, &error))
            return fail(error);
    }
    if (!o.wavOut.isEmpty() || !o.encodedOut.isEmpty()) {
        if (!wavPart.commitAs(target, &error))
            return fail(error);
    }
    if (toMp3) {
        // The parts still being encoded, then joined into the MP3 file.
        if (!encoder.finish(mp3Part.path()))
            return fail(encoder.errorString());
        QEventLoop loop;
        bool ok = false;
        QObject::connect(&encoder, &ParallelMp3Encoder::finished, &loop, [&](bool done) {
            ok = done;
            loop.quit();
        });
        QTimer tick;
        tick.setInterval(100);
        QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
            if (g_signal)
                loop.quit();
            else
                progress.show(QStringLiteral("Encoding"),
                              shown = std::max(shown, mp3Percent(1.0, encoder)));
        });
        tick.start();
        if (encoder.isRunning())
            loop.exec();
        progress.clear();
        if (g_signal) {
            encoder.cancel(); // ends every encoder process, removes the parts
            return 128 + int(g_signal);
        }
        if (!ok)
            return fail(encoder.errorString());
        if (QFileInfo(mp3Part.path()).size() == 0)
            return fail(QStringLiteral("the MP3 encoder wrote nothing"));
        if (!mp3Part.commitAs(o.mp3Out, &error))
            return fail(error);
    }
    if ((!o.srtOut.isEmpty() && !srtPart.commitAs(o.srtOut, &error)) ||
        (!o.lrcOut.isEmpty() && !lrcPart.commitAs(o.lrcOut, &error)))
        return fail(error);
    return 0;
}
