// Opening a large document in the converter: how long until it shows, and
// the longest time the window's event loop stood still meanwhile (the time
// the window could not repaint). Prints figures; never fails on them.
#include "services/data_module.h"
#include "base/settings_store.h"
#include "converter/converter_window.h"
#include "ui/shared_helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    using namespace kalo;
    QApplication app(argc, argv);
    const int megabytes = argc > 1 ? atoi(argv[1]) : 50;

    QTemporaryDir dir;
    SetAppPathOverride(dir.path());
    const QString path = dir.path() + "/large.txt";
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        const QByteArray line = "The quick brown fox jumps over the lazy dog, na\xC3\xAFve caf\xC3\xA9 \xC3\xBC" "ber.\r\n";
        QByteArray block;
        while (block.size() < 1024 * 1024)
            block += line;
        for (int i = 0; i < megabytes; ++i)
            f.write(block);
    }
    TdmMain dm;
    dm.FileList = {path};
    SetErrorBoxHandler([](const QString& text) { fprintf(stderr, "error: %s\n", qPrintable(text)); });

    // A 5 ms timer: the longest gap between its ticks is the longest stall.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start();

    QElapsedTimer total;
    total.start();
    auto* converter = new TFormConverter;
    converter->show();
    QApplication::processEvents();
    const qint64 shown = total.elapsed();
    longestStall = std::max(longestStall, sinceTick.elapsed());
    const qsizetype characters = converter->Memo1->document()->characterCount();

    printf("open %d MB document: shown after %lld ms, longest stall of the window %lld ms, %lld characters\n",
           megabytes, shown, longestStall, static_cast<long long>(characters));
    delete converter;
    // The text has a few two-byte characters and CR LF line breaks: somewhat
    // fewer characters than bytes.
    return characters > megabytes * 900000LL ? 0 : 1;
}
