// Highlight lag: how long after a word's audio starts (on the null device,
// which plays in real time) the editor's selection reaches that word.
// Arguments: the bytes of prose to read (1500) and the voice (eSpeak NG's
// American English). Word
// starts are taken from the speech component on the user-interface thread,
// polled every millisecond.
#include "bench_support.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <map>
#include <vector>

using namespace kalo;
using namespace kalo::bench;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const qsizetype bytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1500;
    const QString voice = argc > 2 ? QString::fromUtf8(argv[2])
                                   : QStringLiteral("English (America) Male - eSpeak NG");
    ScratchConverter converter(EnglishProse(bytes), voice);
    TFormConverter* w = converter.window;

    QElapsedTimer clock;
    clock.start();
    std::map<int, qint64> spokenAt;     // editor offset -> when its audio began
    std::map<int, qint64> highlightedAt; // editor offset -> when the selection reached it
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const int at = w->HighlightOffset();
        if (at >= 0 && w->FReading)
            spokenAt.try_emplace(at, clock.elapsed());
    });
    QObject::connect(w->Memo1, &QPlainTextEdit::cursorPositionChanged, [&] {
        const QTextCursor c = w->Memo1->textCursor();
        if (c.hasSelection())
            highlightedAt.try_emplace(c.selectionStart(), clock.elapsed());
    });
    poll.start();
    Settings.ConvertMode = 0;
    w->ActionTTSExecute();
    SpinUntil([&] { return w->Busy(); }, 5000);
    SpinUntil([&] { return !w->Busy(); }, 10 * 60 * 1000);

    std::vector<qint64> lags;
    for (const auto& [offset, when] : spokenAt) {
        auto it = highlightedAt.find(offset);
        if (it != highlightedAt.end() && it->second >= when)
            lags.push_back(it->second - when);
    }
    if (lags.empty()) {
        printf("highlight lag: no words measured\n");
        return 1;
    }
    std::sort(lags.begin(), lags.end());
    printf("highlight lag, %s, over %zu words (%zu spoken): median %lld ms, worst %lld ms (target within 150 ms)\n",
           qPrintable(voice), lags.size(), spokenAt.size(), static_cast<long long>(lags[lags.size() / 2]),
           static_cast<long long>(lags.back()));
    return 0;
}
