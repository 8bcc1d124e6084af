// A small program that drives the control the way the character controller
// does, for trying it on a real X server and for the end-to-end scripts:
//   agent_driver [--char FILE | --make-test FILE] [--left N] [--top N]
//                [--width N] [--height N] [--text TEXT] [--play NAME]
//                [--linger MS] [--null]
// It loads the character (or writes the test character first), shows it,
// plays the animation, speaks the text (printing each bookmark and the
// request statuses), waits the linger time and exits 0; 1 on a failure.
#include "agent/agent_control.h"
#include "agent_test_character.h"
#include "base/kalo_error.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cstdio>

using namespace kalo;

namespace {

// The event loop runs until the request has ended (looked at every 10 ms).
void waitFor(const RequestPtr& r) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!r->Status() || r->Status() == kRequestFailed || r->Status() == kRequestInterrupted)
            loop.quit();
    });
    poll.start(10);
    loop.exec();
}

void pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString file, text, play;
    int left = 300, top = 300, width = -1, height = -1, linger = 1000;
    bool silent = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto next = [&] { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == u"--char")
            file = next();
        else if (a == u"--make-test") {
            file = next();
            QFile f(file);
            if (!f.open(QIODevice::WriteOnly) ||
                f.write(acs::WriteAcs(test::MakeTestCharacter())) < 0) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
                return 1;
            }
        } else if (a == u"--left")
            left = next().toInt();
        else if (a == u"--top")
            top = next().toInt();
        else if (a == u"--width")
            width = next().toInt();
        else if (a == u"--height")
            height = next().toInt();
        else if (a == u"--text")
            text = next();
        else if (a == u"--play")
            play = next();
        else if (a == u"--linger")
            linger = next().toInt();
        else if (a == u"--null")
            silent = true;
    }
    try {
        TAgent agent;
        agent.SetSilentForTests(silent);
        QObject::connect(&agent, &TAgent::Bookmark, [](qint32 id) {
            std::printf("bookmark %d\n", id);
            std::fflush(stdout);
        });
        QObject::connect(&agent, &TAgent::Click,
                         [](QString id, qint16 button, qint16 shift, qint16 x, qint16 y) {
                             std::printf("click %s %d %d %d %d\n", qPrintable(id), button, shift, x,
                                         y);
                             std::fflush(stdout);
                         });
        agent.Load(QStringLiteral("Char"), file);
        TAgentCharacter* c = agent.Character(QStringLiteral("Char"));
        c->SetLeft(qint16(left));
        c->SetTop(qint16(top));
        if (width >= 0)
            c->SetWidth(qint16(width));
        if (height >= 0)
            c->SetHeight(qint16(height));
        RequestPtr show = c->Show(false);
        waitFor(show);
        std::printf("show %d\n", show->Status());
        if (!play.isEmpty()) {
            RequestPtr p = c->Play(play);
            waitFor(p);
            std::printf("play %d\n", p->Status());
        }
        if (!text.isEmpty()) {
            RequestPtr s = c->Speak(text, {});
            waitFor(s);
            std::printf("speak %d\n", s->Status());
        }
        std::fflush(stdout);
        pause(linger);
        std::printf("at %d %d\n", c->Left(), c->Top());
    } catch (const KaloError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
