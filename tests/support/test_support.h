#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace kalo::test {

// A fresh scratch folder, used as the application folder of a test.
class ScratchAppFolder {
public:
    ScratchAppFolder();
    ~ScratchAppFolder();
    QString path() const; // with trailing "/"
    QString file(const QString& name) const { return path() + name; }
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
};

// English prose of about `bytes` bytes, in sentences and paragraphs.
QByteArray Prose(int bytes);

// How many running processes have a command line that contains `text`
// (a folder: the encoders of its files).
int ProcessesNaming(const QString& text);

// Spins the event loop until pred() holds or the time runs out; returns pred().
template <typename Pred> bool waitFor(Pred pred, int timeoutMs = 5000);

// A FIFO, for tests of code that must never block on one.
class TestFifo {
public:
    explicit TestFifo(const QString& path); // makes it; the test fails when it cannot
    ~TestFifo();
    const QString& path() const { return path_; }
    // Opens the writing end and closes it again: a reader blocked in open()
    // or read() gets an end of file. Does nothing while no reader waits.
    void release() const;

private:
    QString path_;
};

// Runs `work` on a thread of its own; true when it returned within timeoutMs.
// When it did not, the FIFO is released until the work ends, so a test of
// code that blocks on it fails instead of hanging.
bool returnsWithin(int timeoutMs, const std::function<void()>& work, const TestFifo& fifo);

// The same for work that must run on this thread (windows, the event loop): a
// watchdog releases the FIFO once the time has run out, so the work ends late
// instead of never.
bool returnsWithinOnThisThread(int timeoutMs, const std::function<void()>& work,
                               const TestFifo& fifo);

} // namespace kalo::test

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

template <typename Pred> bool kalo::test::waitFor(Pred pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}
