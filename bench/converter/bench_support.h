// Shared pieces of the converter benchmarks: English prose of a given size
// and a converter window over a scratch application folder.
#pragma once

#include "services/data_module.h"
#include "base/settings_store.h"
#include "converter/converter_window.h"
#include "speech/mspeech.h"
#include "ui/shared_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

namespace kalo::bench {

inline QByteArray EnglishProse(qsizetype bytes) {
    static const char* const sentences[] = {
        "The old lighthouse keeper climbed the winding stairs every evening before sunset.",
        "Nobody in the village remembered when the last ship had passed the rocks at night.",
        "She opened the letter slowly, as if the words inside might escape into the wind.",
        "Rain fell on the market square, and the traders covered their baskets of apples.",
        "In the library, a clock ticked quietly above the shelves of forgotten atlases.",
        "He promised to return before the harvest, but the roads were long and uncertain.",
        "Children ran along the harbour wall, counting the gulls that circled overhead.",
        "By morning the storm had gone, leaving the fields bright and the rivers full.",
    };
    QByteArray out;
    int i = 0;
    while (out.size() < bytes) {
        out += sentences[i % 8];
        out += (++i % 5 == 0) ? "\n\n" : " ";
    }
    out.truncate(bytes);
    return out;
}

// Waits, spinning the event loop, until done() or the time runs out.
template <typename Done> bool SpinUntil(Done done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// A converter window over a scratch folder, showing one document.
struct ScratchConverter {
    QTemporaryDir dir;
    std::unique_ptr<TdmMain> dm;
    TFormConverter* window = nullptr;

    ScratchConverter(const QByteArray& text, const QString& voice) {
        SetAppPathOverride(dir.path());
        for (const char* sub : {"txt", "wav", "mp3"})
            QDir(dir.path()).mkpath(sub);
        QFile f(dir.path() + "/txt/document.txt");
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        f.close();
        dm = std::make_unique<TdmMain>();
        dm->FileList = {f.fileName()};
        dm->MSpeech1->DeviceKind = AudioDeviceKind::Null;
        Settings.EngineIndex = static_cast<int>(dm->MSpeech1->EngineNames().indexOf(voice));
        if (Settings.EngineIndex < 0)
            fprintf(stderr, "voice not installed: %s\n", qPrintable(voice));
        SetErrorBoxHandler([](const QString& t) { fprintf(stderr, "error: %s\n", qPrintable(t)); });
        window = new TFormConverter;
        window->show();
    }
    ~ScratchConverter() {
        delete window;
        dm.reset();
        SetErrorBoxHandler({});
    }
    QString path(const QString& name) const { return dir.path() + "/" + name; }
};

} // namespace kalo::bench
