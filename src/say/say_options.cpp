#include "say/say_options.h"

#include "base/text_file.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <cstring>

namespace kalo {

QString SayUsage() {
    return QStringLiteral(
        "Usage: kalotalk-say --voices\n"
        "       kalotalk-say [-v VOICE] [-s WPM] [-p PITCH] [-a VOLUME] [-x SPEED]\n"
        "                    [-w OUT.wav | -m OUT.mp3 | -o OUT] [--jobs N]\n"
        "                    [--srt OUT.srt] [--lrc OUT.lrc] [-f FILE | TEXT...]\n"
        "\n"
        "Speaks TEXT, or the text of FILE, or standard input.\n"
        "\n"
        "  --voices     list the voices: mode identifier, a tab, mode name\n"
        "  -v VOICE     a mode identifier, a mode name, or a part of a name that\n"
        "               only one voice has\n"
        "  -s WPM       speed in words per minute (80 to 450)\n"
        "  -p PITCH     base pitch (0 to 100, 50 is normal)\n"
        "  -a VOLUME    volume (0 to 100)\n"
        "  -x SPEED     write speed of files as a multiple of real time\n"
        "               (1 to 128); without it as fast as the engine goes\n"
        "  -w OUT.wav   write a WAV file instead of speaking\n"
        "  -m OUT.mp3   write an MP3 file (through lame) instead of speaking\n"
        "  -o OUT       write a file of the kind its name ends in: .wav, .mp3,\n"
        "               .opus (Opus, 24 kbit/s, speech up to 8 kHz), .ogg (Ogg\n"
        "               Vorbis), .flac\n"
        "  --jobs N     encode an MP3 file on N cores at once, beside the speech\n"
        "               (1 to 256); without it on every core\n"
        "  --srt FILE   write SubRip subtitles, a cue a sentence, timed to the\n"
        "               audio; without an audio file nothing is spoken and the\n"
        "               subtitles are timed as the file would be\n"
        "  --lrc FILE   the same as LRC lyrics ([mm:ss.xx] lines)\n"
        "  -f FILE      read the text from FILE\n"
        "  -h, --help   show this text\n"
        "  --version    show the version\n"
        "\n"
        "Exit status:\n"
        "  0    done\n"
        "  1    failed, with a message on standard error (an unknown voice, a\n"
        "       voice name that fits several voices, input that cannot be read,\n"
        "       output that cannot be written, an engine or encoder failure)\n"
        "  2    a wrong command line\n"
        "  130  interrupted by Ctrl+C (128 and the signal's number for others);\n"
        "       no half-written output file is left behind\n");
}

namespace {

struct OutputKind {
    const char* extension;
    enum Target { Wav, Mp3, Encoded } target;
    AudioFileFormat format;
};

constexpr OutputKind kOutputKinds[] = {
    {".wav", OutputKind::Wav, AudioFileFormat::Wav},
    {".mp3", OutputKind::Mp3, AudioFileFormat::Wav},
    {".opus", OutputKind::Encoded, AudioFileFormat::Opus},
    {".ogg", OutputKind::Encoded, AudioFileFormat::Vorbis},
    {".flac", OutputKind::Encoded, AudioFileFormat::Flac},
};

// Puts -o's file where its extension says; false when no kind has it.
bool takeOutput(const QString& path, SayOptions& options) {
    for (const OutputKind& kind : kOutputKinds) {
        // A name that is only the extension is a hidden file, not a kind.
        const QString name = QFileInfo(path).fileName();
        if (!name.endsWith(QLatin1String(kind.extension), Qt::CaseInsensitive) ||
            name.size() == qsizetype(std::strlen(kind.extension)))
            continue;
        switch (kind.target) {
        case OutputKind::Wav:
            options.wavOut = path;
            break;
        case OutputKind::Mp3:
            options.mp3Out = path;
            break;
        case OutputKind::Encoded:
            options.encodedOut = path;
            options.encodedFormat = kind.format;
            break;
        }
        return true;
    }
    return false;
}

bool readNumber(const QCommandLineParser& p, const QString& name, quint32 min, quint32 max,
                std::optional<quint32>& out, QString& error) {
    if (!p.isSet(name))
        return true;
    bool ok = false;
    const uint v = p.value(name).toUInt(&ok);
    if (!ok || v < min || v > max) {
        const QString dashes = name.size() > 1 ? QStringLiteral("--") : QStringLiteral("-");
        error = QStringLiteral("%1%2 wants a whole number from %3 to %4, not \"%5\"")
                    .arg(dashes, name, QString::number(min), QString::number(max), p.value(name));
        return false;
    }
    out = v;
    return true;
}

} // namespace

QString KnownOutputExtensions() {
    QStringList names;
    for (const OutputKind& kind : kOutputKinds)
        names << QLatin1String(kind.extension);
    return names.join(QStringLiteral(", "));
}

QString ParseSayArguments(const QStringList& arguments, SayOptions& options) {
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    p.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption voices(QStringLiteral("voices"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    p.addOption(voices);
    p.addOption(help);
    p.addOption(version);
    for (const char* name : {"v", "s", "p", "a", "x", "w", "m", "o", "f", "srt", "lrc", "jobs"})
        p.addOption(
            QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    if (!p.parse(QStringList{QStringLiteral("kalotalk-say")} + arguments))
        return p.errorText();

    options = SayOptions{};
    options.help = p.isSet(help);
    options.version = p.isSet(version);
    options.listVoices = p.isSet(voices);
    options.voice = p.value(QStringLiteral("v"));
    options.wavOut = p.value(QStringLiteral("w"));
    options.mp3Out = p.value(QStringLiteral("m"));
    options.inputFile = p.value(QStringLiteral("f"));
    options.srtOut = p.value(QStringLiteral("srt"));
    options.lrcOut = p.value(QStringLiteral("lrc"));
    options.words = p.positionalArguments();

    QString error;
    if (!readNumber(p, QStringLiteral("s"), 80, 450, options.speed, error) ||
        !readNumber(p, QStringLiteral("p"), 0, 100, options.pitch, error) ||
        !readNumber(p, QStringLiteral("a"), 0, 100, options.volume, error) ||
        !readNumber(p, QStringLiteral("jobs"), 1, 256, options.jobs, error))
        return error;
    if (p.isSet(QStringLiteral("x"))) {
        bool ok = false;
        const double x = p.value(QStringLiteral("x")).toDouble(&ok);
        if (!ok || !(x >= 1.0 && x <= 128.0))
            return QStringLiteral("-x wants a multiple of real time from 1 to 128, not \"%1\"")
                .arg(p.value(QStringLiteral("x")));
        options.rate = quint32(std::lround(x * 256));
    }
    for (const char* name : {"v", "w", "m", "o", "f", "srt", "lrc", "jobs"}) {
        const QString option = QString::fromLatin1(name);
        if (p.isSet(option) && p.values(option).size() > 1)
            return QStringLiteral("%1%2 may be given once")
                .arg(option.size() > 1 ? QStringLiteral("--") : QStringLiteral("-"), option);
        if (option != u"v" && option != u"jobs" && p.isSet(option) && p.value(option).isEmpty())
            return QStringLiteral("an output or input file name is empty");
    }
    if (p.isSet(QStringLiteral("w")) && p.isSet(QStringLiteral("m")))
        return QStringLiteral("-w and -m cannot be given together");
    if (p.isSet(QStringLiteral("o"))) {
        if (p.isSet(QStringLiteral("w")) || p.isSet(QStringLiteral("m")))
            return QStringLiteral("-o cannot be given together with -w or -m");
        if (!takeOutput(p.value(QStringLiteral("o")), options))
            return QStringLiteral("-o cannot tell the kind of file from \"%1\"; its name must end "
                                  "in one of %2")
                .arg(p.value(QStringLiteral("o")), KnownOutputExtensions());
    }
    if (p.isSet(QStringLiteral("f")) && !options.words.isEmpty())
        return QStringLiteral("give the text either with -f or on the command line, not both");
    QStringList outputs;
    for (const QString& out : {options.wavOut, options.mp3Out, options.encodedOut, options.srtOut,
                               options.lrcOut})
        if (!out.isEmpty())
            outputs << QFileInfo(out).absoluteFilePath();
    outputs.removeDuplicates();
    if (outputs.size() < int(!options.srtOut.isEmpty()) + int(!options.lrcOut.isEmpty()) +
                             int(options.writesAudio()))
        return QStringLiteral("each output needs a file of its own");
    if (options.rate && !options.writesFiles())
        return QStringLiteral("-x applies to -w, -m, -o, --srt and --lrc only");
    if (options.jobs && options.mp3Out.isEmpty())
        return QStringLiteral("--jobs applies to MP3 files only (-m, or -o with .mp3)");
    return {};
}

int ChooseVoice(const std::vector<TTSModeInfo>& modes, const QString& query, QString* error) {
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return -1;
    };
    if (modes.empty())
        return fail(QStringLiteral("no voice is installed"));
    const QString q = query.trimmed();
    if (q.isEmpty()) {
        for (const char* language : {"en-gb", "en-us", "en"})
            for (size_t i = 0; i < modes.size(); ++i)
                if (modes[i].Language == QLatin1String(language))
                    return int(i);
        for (size_t i = 0; i < modes.size(); ++i)
            if (modes[i].Language.startsWith(u"en-"))
                return int(i);
        return 0;
    }
    const QUuid id = GuidFromText(q);
    if (!id.isNull()) {
        for (size_t i = 0; i < modes.size(); ++i)
            if (modes[i].ModeID == id)
                return int(i);
        return fail(QStringLiteral("no voice has the identifier %1").arg(q));
    }
    for (size_t i = 0; i < modes.size(); ++i)
        if (modes[i].ModeName.compare(q, Qt::CaseInsensitive) == 0)
            return int(i);
    std::vector<int> hits;
    for (size_t i = 0; i < modes.size(); ++i)
        if (modes[i].ModeName.contains(q, Qt::CaseInsensitive))
            hits.push_back(int(i));
    if (hits.size() > 1) {
        // "kal" names the voice kal, not kal16: a whole word beats a part.
        const QRegularExpression word(QStringLiteral("(?<![\\p{L}\\p{N}])%1(?![\\p{L}\\p{N}])")
                                          .arg(QRegularExpression::escape(q)),
                                      QRegularExpression::CaseInsensitiveOption);
        std::vector<int> whole;
        for (int i : hits)
            if (modes[size_t(i)].ModeName.contains(word))
                whole.push_back(i);
        if (whole.size() == 1)
            return whole.front();
    }
    if (hits.size() == 1)
        return hits.front();
    if (hits.empty())
        return fail(QStringLiteral("no voice is called \"%1\" (see kalotalk-say --voices)").arg(q));
    QStringList names;
    for (size_t i = 0; i < hits.size() && i < 5; ++i)
        names << modes[size_t(hits[i])].ModeName;
    if (hits.size() > 5)
        names << QStringLiteral("...");
    return fail(QStringLiteral("\"%1\" fits %2 voices: %3")
                    .arg(q, QString::number(hits.size()), names.join(u"; ")));
}

QString DecodeInputText(const QByteArray& bytes) {
    // The converter's reading of documents: UTF-8 or UTF-16 with a byte-order
    // mark, UTF-8, else Windows-1252.
    return DecodeText(bytes).text;
}

} // namespace kalo
