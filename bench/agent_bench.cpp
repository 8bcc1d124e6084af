// Figures of the Agent control (nothing is asserted):
//  1. bookmark latency: how long after the audio reaches a bookmark the
//     Bookmark event arrives, on the null device. Where the audio reaches
//     each mark comes from the same text written to a WAV file first (the
//     engine places it the same way); the time is counted from the Speak
//     call, so the start-up of the synthesis counts against the figure.
//     Target: 50 ms at worst.
//  2. CPU time of an idling character (idle animations every second, drawn
//     at twice its size) over some seconds, as a share of one core.
//     Target: under 2 %.
// Usage: agent_bench [CHARACTER.acs] [IDLE_SECONDS]
#include "agent/agent_control.h"
#include "agent/speech_tags.h"
#include "agent/voice_mapping.h"
#include "agent_test_character.h"
#include "base/kalo_error.h"
#include "speech/audio_destinations.h"
#include "speech/tts_enum.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <map>

using namespace kalo;

namespace {

// Runs the event loop until done() holds (looked at every 5 ms) or the
// time is up; the loop sleeps in between, so it costs no CPU of its own.
void spin(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
}

bool finished(const RequestPtr& r) {
    return r->Status() != kRequestPending && r->Status() != kRequestInProgress;
}

// The controller's form: a bookmark after every word and one at the end.
QString ControllerText(const QString& plain) {
    QString out = QStringLiteral("\\Vol=65535\\\\Pit=120\\\\Spd=180\\");
    int n = 1;
    for (const QChar c : plain) {
        if (c == u' ')
            out += QStringLiteral("\\Mrk=%1\\ ").arg(n++);
        else
            out += c;
    }
    return out + QStringLiteral("\\Mrk=%1\\ ").arg(n);
}

class MarkTimes : public ITTSBufNotifySink {
public:
    std::map<quint32, qint64> ms;
    bool done = false;
    void BookMark(qint64 at, quint32 mark) override { ms[mark] = at; }
    void TextDataDone(qint64) override { done = true; }
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const int idleSeconds = argc > 2 ? std::max(2, atoi(argv[2])) : 10;
    if (path.isEmpty())
        path = test::WriteTestCharacter(dir.path());
    try {
        TAgent agent;
        agent.SetSilentForTests(true);
        agent.Load(QStringLiteral("Bench"), path);
        TAgentCharacter* c = agent.Character(QStringLiteral("Bench"));
        c->SetIdleOn(false);
        c->SetLeft(100);
        c->SetTop(100);
        RequestPtr show = c->Show(true);
        spin([&] { return finished(show); }, 5000);

        // --- 1. bookmark latency
        const QStringList texts = {
            QStringLiteral("The quick brown fox jumps over the lazy dog. Then it runs off into the "
                           "woods, where nobody sees it again for a very long time."),
            QStringLiteral("Reading a document aloud, word by word, the player follows every "
                           "bookmark. A full stop here. And another sentence there, with commas, "
                           "numbers like 42 and 1999, and an end."),
        };
        TTSEnum modes;
        const QUuid mode = GuidFromText(c->TTSModeID());
        std::vector<qint64> latencies;
        for (const QString& plain : texts) {
            const QString tagged = ControllerText(plain);
            // Where the audio reaches each mark.
            auto file = CreateAudioFile();
            file->Set(dir.filePath(QStringLiteral("marks.wav")), 1);
            auto central = modes.Select(mode, file);
            auto times = std::make_shared<MarkTimes>();
            central->TextData(EngineText(ParseSpeechTags(tagged),
                                         {65535, kVoiceDefault, kVoiceDefault},
                                         central->Attributes()->Ranges()),
                              times);
            spin([&] { return times->done; }, 30000);
            central.reset();

            std::map<qint32, qint64> arrived;
            QElapsedTimer clock;
            auto conn = QObject::connect(&agent, &TAgent::Bookmark,
                                         [&](qint32 id) { arrived[id] = clock.elapsed(); });
            clock.start();
            RequestPtr r = c->Speak(tagged, {});
            spin([&] { return finished(r); }, 60000);
            QObject::disconnect(conn);
            for (const auto& [id, at] : arrived) {
                auto it = times->ms.find(quint32(id));
                if (it != times->ms.end())
                    latencies.push_back(at - it->second);
            }
            std::printf("text of %lld words: %zu bookmarks, %zu timed in the file\n",
                        qlonglong(plain.count(u' ') + 1), arrived.size(), times->ms.size());
        }
        std::sort(latencies.begin(), latencies.end());
        if (!latencies.empty())
            std::printf("bookmark latency on the null device: median %lld ms, worst %lld ms, "
                        "best %lld ms over %zu bookmarks (target: 50 ms at worst)\n",
                        qlonglong(latencies[latencies.size() / 2]), qlonglong(latencies.back()),
                        qlonglong(latencies.front()), latencies.size());

        // --- 2. idling
        c->SetWidth(qint16(c->Width() * 2));
        c->SetHeight(qint16(c->Height() * 2));
        c->SetIdleDelays(1000, 3000, 6000);
        c->SetIdleOn(true);
        spin([] { return false; }, 1000);
        int changes = 0;
        QString last;
        const double before = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTimer sample; // a look at the picture every 50 ms, to count what was shown
        QObject::connect(&sample, &QTimer::timeout, [&] {
            const QString now = c->CurrentAnimation() + QString::number(c->CurrentFrame());
            changes += now != last;
            last = now;
        });
        sample.start(50);
        QEventLoop idle; // nothing else of the benchmark's own runs meanwhile
        QTimer::singleShot(idleSeconds * 1000, &idle, &QEventLoop::quit);
        idle.exec();
        const double used = cpuSeconds() - before;
        std::printf("idling %d s at %dx%d: %.2f %% of one core, %d pictures shown "
                    "(target: under 2 %%)\n",
                    idleSeconds, c->Width(), c->Height(), 100.0 * used / (wall.elapsed() / 1000.0),
                    changes);
    } catch (const KaloError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
