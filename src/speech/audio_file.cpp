// The WAV file destination: a writer thread takes the stream's audio, paces
// it to the destination's rate and posts the notifications of what it has
// written.
#include "speech/audio_destinations.h"
#include "speech/speech_stream.h"

#include "base/kalo_error.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

namespace kalo {

namespace {

constexpr qint64 kRiffDataLimit = 0xFFFFFFFFLL - 36; // what the 32-bit sizes of a header allow
std::atomic<qint64> g_dataLimitOverride{0};

using Clock = std::chrono::steady_clock;

void putLe32(char* p, quint32 v) {
    qToLittleEndian(v, p);
}
void putLe16(char* p, quint16 v) {
    qToLittleEndian(v, p);
}

class AudioFile : public IAudioFile {
public:
    ~AudioFile() override {
        Detach();
        std::lock_guard lock(fileMutex_);
        closeLocked();
    }

    quint32 RealTimeGet() const override { return rate_.load(); }
    bool RealTimeSet(quint32 rate) override {
        rate_ = RealTimeRange().clamp(rate);
        return true;
    }
    TTSRange RealTimeRange() const override { return {1, 65535, kRealTimeUnthrottled}; }

    void Attach(std::shared_ptr<SpeechStream> stream) override {
        if (worker_.joinable())
            throw KaloError(QStringLiteral("The audio destination is already in use"));
        {
            std::lock_guard lock(fileMutex_);
            sampleRate_ = stream->sampleRate();
        }
        stop_ = false;
        stream_ = std::move(stream);
        worker_ = std::thread([this, s = stream_] { run(s); });
    }

    void Detach() override {
        if (!worker_.joinable())
            return;
        stop_ = true;
        worker_.join();
        stream_.reset();
    }

    bool Set(const QString& fileName, quint32 flags) override {
        Q_UNUSED(flags); // every Set creates or replaces the file
        std::lock_guard lock(fileMutex_);
        closeLocked();
        if (fileName.isEmpty()) {
            lastError_ = QStringLiteral("No file name given");
            return false;
        }
        FILE* f = std::fopen(QFile::encodeName(fileName).constData(), "wb");
        if (!f) {
            lastError_ = QStringLiteral("Cannot create %1: %2")
                             .arg(fileName, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        std::setvbuf(f, nullptr, _IOFBF, 1 << 18);
        const QByteArray header = WavHeader(sampleRate_, 0);
        if (std::fwrite(header.constData(), 1, size_t(header.size()), f) != size_t(header.size())) {
            lastError_ = QStringLiteral("Cannot write %1").arg(fileName);
            std::fclose(f);
            return false;
        }
        file_ = f;
        fileName_ = fileName;
        dataBytes_ = 0;
        writeFailed_ = false;
        lastError_.clear();
        return true;
    }

    bool Flush() override {
        std::lock_guard lock(fileMutex_);
        return file_ && completeLocked();
    }

    QString FileName() const override {
        std::lock_guard lock(fileMutex_);
        return fileName_;
    }
    QString LastError() const override {
        std::lock_guard lock(fileMutex_);
        return lastError_;
    }

    void SetTap(std::shared_ptr<IAudioTap> tap) override {
        std::lock_guard lock(fileMutex_);
        tap_ = std::move(tap);
    }

private:
    // Rewrites the two sizes of the header and hands the data to the system.
    bool completeLocked() {
        char sizes[4];
        bool ok = std::fseek(file_, 4, SEEK_SET) == 0;
        putLe32(sizes, quint32(36 + dataBytes_));
        ok = ok && std::fwrite(sizes, 1, 4, file_) == 4;
        ok = ok && std::fseek(file_, 24, SEEK_SET) == 0;
        putLe32(sizes, quint32(sampleRate_));
        ok = ok && std::fwrite(sizes, 1, 4, file_) == 4;
        putLe32(sizes, quint32(sampleRate_ * 2));
        ok = ok && std::fwrite(sizes, 1, 4, file_) == 4;
        ok = ok && std::fseek(file_, 40, SEEK_SET) == 0;
        putLe32(sizes, quint32(dataBytes_));
        ok = ok && std::fwrite(sizes, 1, 4, file_) == 4;
        ok = ok && std::fseek(file_, 0, SEEK_END) == 0;
        ok = ok && std::fflush(file_) == 0;
        return ok;
    }

    void closeLocked() {
        if (!file_)
            return;
        completeLocked();
        std::fclose(file_);
        file_ = nullptr;
    }

    enum class WriteResult { Written, NoFile, Full, Failed, Dropped };

    // Writes samples of a text. A text stopped meanwhile is not written: the
    // check and the write share the file's lock with Flush, so once a stop
    // is reported (and the file flushed) the file no longer changes.
    WriteResult write(const SpeechStream& stream, quint64 textId, const qint16* samples,
                      qsizetype count) {
        std::lock_guard lock(fileMutex_);
        if (stream.isCancelled(textId))
            return WriteResult::Dropped;
        if (!file_)
            return WriteResult::NoFile;
        if (writeFailed_)
            return WriteResult::Failed;
        const qint64 limit = WavDataLimit() & ~qint64(1);
        qint64 bytes = qint64(count) * 2;
        const bool full = dataBytes_ + bytes > limit;
        if (full)
            bytes = limit - dataBytes_;
        if (bytes > 0) {
            const char* data = reinterpret_cast<const char*>(samples);
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
            std::vector<qint16> le(samples, samples + bytes / 2);
            for (qint16& s : le)
                s = qToLittleEndian(s);
            data = reinterpret_cast<const char*>(le.data());
#endif
            if (std::fwrite(data, 1, size_t(bytes), file_) != size_t(bytes)) {
                writeFailed_ = true;
                lastError_ = QStringLiteral("Cannot write %1: %2")
                                 .arg(fileName_, QString::fromLocal8Bit(std::strerror(errno)));
                return WriteResult::Failed;
            }
            dataBytes_ += bytes;
            // Under the file's lock: once a stop is reported and the file
            // flushed, the tap has had all the file has.
            if (tap_)
                tap_->Samples(samples, qsizetype(bytes / 2), sampleRate_);
        }
        return full ? WriteResult::Full : WriteResult::Written;
    }

    // The error takes its place among the text's notifications, at the
    // sample where writing stopped.
    static void postError(StreamCursor& cursor, qint64 at, qint32 code, const QString& message) {
        StreamEvent e;
        e.kind = StreamEvent::Error;
        e.sample = at;
        e.value = code;
        e.text = message;
        cursor.insertEvent(std::move(e));
    }

    void run(const std::shared_ptr<SpeechStream>& stream) {
        SpeechStream& s = *stream;
        StreamCursor cursor(stream);
        const int sr = s.sampleRate();
        std::vector<qint16> buffer(65536);
        Clock::time_point origin;
        quint32 originRate = 0;
        bool discarding = false; // the rest of the text is not written
        bool wasPaused = false;
        auto restartClock = [&] {
            origin =
                Clock::now() - std::chrono::microseconds(cursor.consumed() * 1000000 * kRealTime1x /
                                                         (qint64(sr) * rate_.load()));
            originRate = rate_.load();
        };
        while (!stop_ && !s.closed()) {
            const auto slice = Clock::now() + std::chrono::milliseconds(50);
            if (cursor.syncReset()) {
                // A stopped text leaves a complete file, even when nobody
                // flushes it.
                std::lock_guard lock(fileMutex_);
                if (file_)
                    completeLocked();
            }
            if (s.paused()) {
                wasPaused = true;
                s.waitForChange(slice);
                continue;
            }
            if (!cursor.hasText()) {
                if (!cursor.startNextText()) {
                    s.waitForChange(slice);
                    continue;
                }
                discarding = false;
                restartClock();
            } else if (wasPaused || originRate != rate_.load()) {
                restartClock();
            }
            wasPaused = false;
            if (s.undelivered() > 2048) {
                // The receiving thread is behind: let it catch up rather than
                // piling up notifications.
                s.waitForChange(Clock::now() + std::chrono::milliseconds(2));
                continue;
            }
            const quint32 rate = rate_.load();
            const bool paced = rate < kRealTimeUnthrottled && !discarding;
            qsizetype want = qsizetype(buffer.size());
            if (paced) {
                // Whole blocks of about 20 ms of writing time each.
                want = std::clamp<qsizetype>(qsizetype(qint64(sr) * rate / kRealTime1x / 50), 64,
                                             qsizetype(buffer.size()));
                const auto due =
                    origin + std::chrono::microseconds((cursor.consumed() + want) * 1000000 *
                                                       kRealTime1x / (qint64(sr) * rate));
                if (Clock::now() < due) {
                    s.waitForChange(std::min(due, slice));
                    continue;
                }
            }
            const qint64 before = cursor.consumed();
            const qsizetype n = cursor.read(buffer.data(), want);
            if (n > 0 && !discarding) {
                switch (write(s, cursor.textId(), buffer.data(), n)) {
                case WriteResult::Written:
                case WriteResult::Dropped:
                    break;
                case WriteResult::NoFile:
                    postError(cursor, before, 1, QStringLiteral("No WAV file is set"));
                    discarding = true;
                    break;
                case WriteResult::Full:
                    postError(cursor, before, 2,
                              QStringLiteral(
                                  "The WAV file has reached the largest size a WAV file can have"));
                    discarding = true;
                    s.truncate(cursor.textId());
                    break;
                case WriteResult::Failed:
                    postError(cursor, before, 3, LastError());
                    discarding = true;
                    s.truncate(cursor.textId());
                    break;
                }
            }
            if (!cursor.postDue(cursor.consumed()))
                continue;
            if (cursor.atEnd()) {
                bool failed = false;
                {
                    std::lock_guard lock(fileMutex_);
                    if (file_ && !completeLocked() && !writeFailed_) {
                        // Buffered data that does not reach the disk (a full
                        // disk) shows only here: the file is not complete.
                        writeFailed_ = true;
                        lastError_ =
                            QStringLiteral("Cannot write %1: %2")
                                .arg(fileName_, QString::fromLocal8Bit(std::strerror(errno)));
                        failed = true;
                    }
                }
                if (failed)
                    postError(cursor, cursor.consumed(), 3, LastError());
                cursor.finish();
                continue;
            }
            if (n < want) {
                // The synthesis is behind: wait for it, and do not rush to
                // catch up afterwards.
                s.waitForChange(slice);
                restartClock();
            }
        }
    }

    mutable std::mutex fileMutex_;
    FILE* file_ = nullptr;
    QString fileName_;
    QString lastError_;
    qint64 dataBytes_ = 0;
    int sampleRate_ = 22050;
    bool writeFailed_ = false;
    std::shared_ptr<IAudioTap> tap_;

    std::atomic<quint32> rate_{kRealTimeUnthrottled};
    std::atomic<bool> stop_{false};
    std::shared_ptr<SpeechStream> stream_;
    std::thread worker_;
};

} // namespace

qint64 WavDataLimit() {
    const qint64 o = g_dataLimitOverride.load();
    return o > 0 ? std::min(o, kRiffDataLimit) : kRiffDataLimit;
}

void SetWavDataLimitForTests(qint64 bytes) {
    g_dataLimitOverride = bytes;
}

QByteArray WavHeader(int sampleRate, quint32 dataBytes) {
    QByteArray h(44, '\0');
    char* p = h.data();
    std::memcpy(p, "RIFF", 4);
    putLe32(p + 4, 36 + dataBytes);
    std::memcpy(p + 8, "WAVEfmt ", 8);
    putLe32(p + 16, 16);                      // size of the format block
    putLe16(p + 20, 1);                       // PCM
    putLe16(p + 22, 1);                       // mono
    putLe32(p + 24, quint32(sampleRate));     // samples per second
    putLe32(p + 28, quint32(sampleRate) * 2); // bytes per second
    putLe16(p + 32, 2);                       // bytes per sample frame
    putLe16(p + 34, 16);                      // bits per sample
    std::memcpy(p + 36, "data", 4);
    putLe32(p + 40, dataBytes);
    return h;
}

std::shared_ptr<IAudioFile> CreateAudioFile() {
    return std::make_shared<AudioFile>();
}

} // namespace kalo
