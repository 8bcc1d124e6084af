#include "support/test_support.h"

#include "base/settings_store.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalo::test {

ScratchAppFolder::ScratchAppFolder() {
    SetAppPathOverride(dir_.path());
    SetScreenSizeProvider([] { return QSize(1024, 768); });
}

ScratchAppFolder::~ScratchAppFolder() {
    SetAppPathOverride({});
    SetScreenSizeProvider({});
}

QString ScratchAppFolder::path() const {
    return dir_.path() + '/';
}

void ScratchAppFolder::write(const QString& name, const QByteArray& bytes) const {
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(file(name)));
}

QByteArray ScratchAppFolder::read(const QString& name) const {
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

TestFifo::TestFifo(const QString& path) : path_(path) {
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        ADD_FAILURE() << "cannot make the FIFO " << path.toStdString();
}

TestFifo::~TestFifo() {
    QFile::remove(path_);
}

void TestFifo::release() const {
    const int fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
}

bool returnsWithin(int timeoutMs, const std::function<void()>& work, const TestFifo& fifo) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread thread(std::move(task));
    const bool inTime =
        done.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready;
    for (int tries = 0; !inTime && tries < 600; ++tries) {
        fifo.release();
        if (done.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready)
            break;
    }
    if (done.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        thread.join();
        done.get(); // an exception of the work reaches the test
    } else {
        thread.detach(); // still stuck: the test fails, the others may run
    }
    return inTime;
}

bool returnsWithinOnThisThread(int timeoutMs, const std::function<void()>& work,
                               const TestFifo& fifo) {
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    std::atomic<bool> late = false;
    std::thread watchdog([&] {
        if (done.wait_for(std::chrono::milliseconds(timeoutMs)) == std::future_status::ready)
            return;
        late = true;
        while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            fifo.release();
    });
    try {
        work();
    } catch (...) {
        finished.set_value();
        watchdog.join();
        throw;
    }
    finished.set_value();
    watchdog.join();
    return !late;
}

QByteArray Prose(int bytes) {
    static const char* const sentences[] = {
        "The lighthouse keeper climbed the winding stairs before sunset.",
        "Rain fell on the market square, and the traders covered their apples.",
        "Nobody remembered when the last ship had passed the rocks at night.",
    };
    QByteArray out;
    for (int i = 0; out.size() < bytes; ++i)
        out += QByteArray(sentences[i % 3]) + (i % 4 == 3 ? "\n\n" : " ");
    return out;
}

int ProcessesNaming(const QString& text) {
    int n = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(text.toUtf8()))
            ++n;
    }
    return n;
}

} // namespace kalo::test
