// kalotalk-say's command line, voice choice and text decoding.
#include "say/say_options.h"

#include <gtest/gtest.h>

namespace kalo {
namespace {

QString parse(const QStringList& args, SayOptions* out = nullptr) {
    SayOptions o;
    const QString error = ParseSayArguments(args, o);
    if (out)
        *out = o;
    return error;
}

TEST(SayOptions, ReadsEveryOptionAndTheText) {
    SayOptions o;
    ASSERT_EQ(parse({"-v", "English", "-s", "200", "-p", "0", "-a", "100", "-x", "1.5", "-w",
                     "o.wav", "Hello", "world"},
                    &o),
              QString());
    EXPECT_EQ(o.voice, QStringLiteral("English"));
    EXPECT_EQ(o.speed, 200u);
    EXPECT_EQ(o.pitch, 0u);
    EXPECT_EQ(o.volume, 100u);
    EXPECT_EQ(o.rate, 384u); // 1.5 times real time
    EXPECT_EQ(o.wavOut, QStringLiteral("o.wav"));
    EXPECT_EQ(o.words, (QStringList{"Hello", "world"}));
    ASSERT_EQ(parse({"--voices"}, &o), QString());
    EXPECT_TRUE(o.listVoices);
    ASSERT_EQ(parse({"-m", "a.mp3", "-f", "in.txt", "-x", "128"}, &o), QString());
    EXPECT_EQ(o.rate, 32768u);
    EXPECT_FALSE(o.speed.has_value());
    EXPECT_FALSE(o.jobs.has_value()); // every core
    ASSERT_EQ(parse({"-m", "a.mp3", "--jobs", "3", "x"}, &o), QString());
    EXPECT_EQ(o.jobs, 3u);
    ASSERT_EQ(parse({"--jobs=1", "-m", "a.mp3", "x"}, &o), QString());
    EXPECT_EQ(o.jobs, 1u);
}

TEST(SayOptions, OutputTakesItsKindFromTheExtensionAndSubtitlesGoBesideAnything) {
    struct Case {
        const char* name;
        QString SayOptions::*field;
        AudioFileFormat format;
    };
    for (const Case& c : {Case{"b.WAV", &SayOptions::wavOut, AudioFileFormat::Wav},
                          Case{"dir.x/b.mp3", &SayOptions::mp3Out, AudioFileFormat::Wav},
                          Case{"b.Opus", &SayOptions::encodedOut, AudioFileFormat::Opus},
                          Case{"b.ogg", &SayOptions::encodedOut, AudioFileFormat::Vorbis},
                          Case{"b.flac", &SayOptions::encodedOut, AudioFileFormat::Flac}}) {
        SayOptions o;
        ASSERT_EQ(parse({"-o", c.name, "x"}, &o), QString()) << c.name;
        EXPECT_EQ(o.*c.field, QString::fromLatin1(c.name));
        if (c.field == &SayOptions::encodedOut)
            EXPECT_EQ(o.encodedFormat, c.format) << c.name;
        EXPECT_TRUE(o.writesAudio());
    }
    SayOptions o;
    ASSERT_EQ(parse({"--srt", "a.srt", "--lrc", "a.lrc", "-x", "4", "x"}, &o), QString());
    EXPECT_EQ(o.srtOut, QStringLiteral("a.srt"));
    EXPECT_EQ(o.lrcOut, QStringLiteral("a.lrc"));
    EXPECT_FALSE(o.writesAudio()); // subtitles alone, timed as a file: -x applies
    EXPECT_EQ(o.rate, 1024u);
    EXPECT_EQ(parse({"-o", "a.aac", "x"}),
              QStringLiteral("-o cannot tell the kind of file from \"a.aac\"; its name must end "
                             "in one of .wav, .mp3, .opus, .ogg, .flac"));
}

TEST(SayOptions, RefusesWhatCannotBeMeant) {
    for (const QStringList& args : std::vector<QStringList>{
             {"-s", "79", "x"},
             {"-s", "fast", "x"},
             {"-p", "101", "x"},
             {"-a", "-1", "x"},
             {"-x", "0.5", "-w", "o.wav", "x"},
             {"-x", "129", "-w", "o.wav", "x"},
             {"-x", "2", "x"}, // no file to write
             {"-w", "a.wav", "-m", "b.mp3", "x"},
             {"-f", "in.txt", "more", "text"},
             {"-w", "", "x"},
             {"-w", "a.wav", "-w", "b.wav", "x"},
             {"-o", "a.opus", "-m", "b.mp3", "x"},
             {"-o", "noextension", "x"},
             {"-o", "a.opus", "-o", "b.opus", "x"},
             {"--srt", "", "x"},
             {"--srt", "a.srt", "--srt", "b.srt", "x"},
             {"-o", "same.wav", "--lrc", "./same.wav", "x"},
             {"--bogus"},
             {"-m", "a.mp3", "--jobs", "0", "x"},
             {"-m", "a.mp3", "--jobs", "257", "x"},
             {"-m", "a.mp3", "--jobs", "two", "x"},
             {"-m", "a.mp3", "--jobs", "2", "--jobs", "3", "x"},
             {"-w", "a.wav", "--jobs", "2", "x"}, // only MP3 files are encoded
         })
        EXPECT_FALSE(parse(args).isEmpty()) << args.join(' ').toStdString();
    EXPECT_EQ(parse({"-m", "a.mp3", "--jobs", "0", "x"}),
              QStringLiteral("--jobs wants a whole number from 1 to 256, not \"0\""));
    EXPECT_EQ(parse({"-s", "8", "x"}),
              QStringLiteral("-s wants a whole number from 80 to 450, not \"8\""));
}

std::vector<TTSModeInfo> modes() {
    std::vector<TTSModeInfo> m(4);
    const char* names[] = {"Chinese Male - X", "English (America) Male - X",
                           "English (Great Britain) Male - X",
                           "English (Great Britain) Female - X"};
    const char* languages[] = {"cmn", "en-us", "en-gb", "en-gb"};
    for (int i = 0; i < 4; ++i) {
        m[size_t(i)].ModeName = QString::fromLatin1(names[i]);
        m[size_t(i)].Language = QString::fromLatin1(languages[i]);
        m[size_t(i)].ModeID = QUuid::createUuidV5(QUuid(), QString::number(i));
    }
    return m;
}

TEST(SayOptions, ChoosesTheVoiceByIdentifierNameOrUniquePart) {
    const auto m = modes();
    QString error;
    EXPECT_EQ(ChooseVoice(m, GuidText(m[3].ModeID).toLower(), &error), 3);
    EXPECT_EQ(ChooseVoice(m, QStringLiteral("english (america) male - x"), &error), 1);
    EXPECT_EQ(ChooseVoice(m, QStringLiteral("Britain) Female"), &error), 3);
    EXPECT_EQ(ChooseVoice(m, QString(), &error), 2); // British English first
    EXPECT_EQ(ChooseVoice(m, QStringLiteral("Britain"), &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("fits 2 voices"))) << error.toStdString();
    // Place markers in the asked-for name are shown as typed.
    auto marked = modes();
    marked[0].ModeName = QStringLiteral("One %1 voice");
    marked[1].ModeName = QStringLiteral("Two %1 voice");
    EXPECT_EQ(ChooseVoice(marked, QStringLiteral("%1"), &error), -1);
    EXPECT_TRUE(
        error.startsWith(QStringLiteral("\"%1\" fits 2 voices: One %1 voice; Two %1 voice")))
        << error.toStdString();
    EXPECT_EQ(ChooseVoice(m, QStringLiteral("Klingon"), &error), -1);
    EXPECT_TRUE(error.contains(QStringLiteral("Klingon")));
    EXPECT_EQ(ChooseVoice(m, QStringLiteral("{00000000-0000-0000-0000-000000000000}"), &error), -1);
    EXPECT_EQ(ChooseVoice({}, QString(), &error), -1);

    // A part that is a whole word in one name only picks that name.
    auto voices = modes();
    voices[0].ModeName = QStringLiteral("English (America) Male kal16 - Flite");
    voices[1].ModeName = QStringLiteral("English (America) Male kal - Flite");
    EXPECT_EQ(ChooseVoice(voices, QStringLiteral("KAL"), &error), 1);
    EXPECT_EQ(ChooseVoice(voices, QStringLiteral("kal16"), &error), 0);
    EXPECT_EQ(ChooseVoice(voices, QStringLiteral("ka"), &error), -1);
    EXPECT_EQ(ChooseVoice(voices, QStringLiteral("Male"), &error), -1); // whole in both
}

TEST(SayOptions, DecodesUtf8ElseWindows1252) {
    EXPECT_EQ(DecodeInputText(QByteArray("\xEF\xBB\xBF"
                                         "caf\xC3\xA9")),
              QStringLiteral("caf\u00E9"));
    EXPECT_EQ(DecodeInputText(QByteArray("caf\xE9 \x80 \x96")),
              QStringLiteral("caf\u00E9 \u20AC \u2013"));
}

} // namespace
} // namespace kalo
