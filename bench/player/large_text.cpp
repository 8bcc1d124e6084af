// Text without a single space, as the cartoon interface gets it: a copy and
// a list entry of 5 MB, once of base64 and once of Chinese. For each, the
// time from the copy (or Play) to the first audio sample of the speech, and
// the longest the window's thread was busy from then until a few seconds
// into the speech (balloon and progress included). The reading animation is
// off, so the first word is not held back by it.
#include "player_bench.h"

#include <QApplication>
#include <QClipboard>
#include <QRandomGenerator>

#include <functional>

using namespace kalo;
using namespace kalo::bench;

namespace {

QString Base64(qsizetype characters) {
    QByteArray bytes(characters * 3 / 4 + 3, Qt::Uninitialized);
    QRandomGenerator random(15);
    for (char& b : bytes)
        b = char(random.bounded(256));
    return QString::fromLatin1(bytes.toBase64().left(characters));
}

// Chinese text of the given size in UTF-8 bytes: phrases of four characters,
// each ended by a comma or, every second one, a full stop; no spaces.
QString Chinese(qsizetype utf8Bytes) {
    const QString words = QStringLiteral("天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏"
                                         "闰余成岁律吕调阳云腾致雨露结为霜金生丽水玉出昆冈");
    QString text;
    text.reserve(utf8Bytes / 3 + 8);
    qsizetype at = 0;
    for (int phrase = 0; text.size() * 3 < utf8Bytes; ++phrase) {
        for (int k = 0; k < 4; ++k, ++at)
            text += words.at(at % words.size());
        text += phrase % 2 ? QChar(0x3002) : QChar(0xFF0C);
    }
    return text;
}

struct Figures {
    double firstWordMs = -1;
    double longestStallMs = 0;
};

Figures Measure(TFormKALO* form, const std::function<void()>& action) {
    form->ActionStop->trigger();
    SpinUntil([] { return false; }, 300);
    FirstSample::Reset();
    StallMeter stalls;
    stalls.Start();
    const qint64 start = NowNs();
    action();
    Figures f;
    if (SpinUntil([] { return FirstSample::At() != 0; }, 120000))
        f.firstWordMs = (FirstSample::At() - start) / 1e6;
    SpinUntil([] { return false; }, 3000);
    stalls.Stop();
    f.longestStallMs = stalls.LongestMs();
    form->ActionStop->trigger();
    return f;
}

void Print(const char* what, const Figures& f) {
    if (f.firstWordMs < 0)
        std::printf("%s: nothing heard within 120 s, longest stall %.0f ms\n", what,
                    f.longestStallMs);
    else
        std::printf("%s: first word after %.0f ms, longest stall %.0f ms "
                    "(targets: under 1000 ms, under 100 ms)\n",
                    what, f.firstWordMs, f.longestStallMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const double megabytes = argc > 1 ? std::max(0.01, atof(argv[1])) : 5.0;
    const qsizetype bytes = qsizetype(megabytes * 1024 * 1024);
    FirstSample probe;
    ScratchPlayer player(QStringLiteral(KALO_SOURCE_DIR));
    if (!player.Ready())
        return 1;
    TFormKALO* form = player.Form();
    form->JQChar->AnimationOn = false;
    SpinUntil([] { return false; }, 500);

    const struct {
        const char* name;
        QString text;
    } kinds[] = {{"base64", Base64(bytes)}, {"Chinese", Chinese(bytes)}};
    for (const auto& kind : kinds) {
        const QString copied =
            QStringLiteral("%1 MB of %2 without spaces, copied").arg(megabytes).arg(kind.name);
        Print(qPrintable(copied),
              Measure(form, [&] { QGuiApplication::clipboard()->setText(kind.text); }));
        const QString path = player.Path(QStringLiteral("%1.txt").arg(kind.name));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(kind.text.toUtf8()) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        file.close();
        const QString played = QStringLiteral("%1 MB of %2 without spaces, a list entry")
                                   .arg(megabytes)
                                   .arg(kind.name);
        Print(qPrintable(played), Measure(form, [&] {
                  dmMain->FileList = {path};
                  form->ItemIndex = 0;
                  form->ActionPlay->trigger();
              }));
    }
    return 0;
}
