// The file destination: a writer thread takes the stream's audio, paces it
// to the destination's rate, hands it to the writer of the file's format
// and posts the notifications of what it has written.
#include "speech/audio_destinations.h"
#include "speech/audio_file_writer.h"
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

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A WAV file: a 44-byte header whose sizes are rewritten whenever the file
// is to be complete, then the samples as they come.
class WavWriter : public AudioFileWriter {
public:
    ~WavWriter() override {
        QString ignored;
        close(&ignored);
    }

    bool open(const QString& fileName, int sampleRate, QString* error) override {
        // Opened without blocking and checked before anything is written: a
        // FIFO in the file's place would hold the caller until a reader came,
        // and a disk is no place for a header. Character devices such as
        // /dev/null take the writes and are let through.
        const int fd = ::open(QFile::encodeName(fileName).constData(),
                              O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
        struct stat st {};
        const bool usable = fd >= 0 && ::fstat(fd, &st) == 0 &&
                            (S_ISREG(st.st_mode) || S_ISCHR(st.st_mode));
        if (!usable) {
            // A FIFO that nobody reads refuses a writer with ENXIO.
            const QString why = fd >= 0 || errno == ENXIO
                                    ? QStringLiteral("it is not a regular file")
                                    : QString::fromLocal8Bit(std::strerror(errno));
            if (fd >= 0)
                ::close(fd);
            *error = QStringLiteral("Cannot create %1: %2").arg(fileName, why);
            return false;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const bool emptied = !S_ISREG(st.st_mode) || ::ftruncate(fd, 0) == 0;
        FILE* f = emptied ? ::fdopen(fd, "wb") : nullptr;
        if (!f) {
            *error = QStringLiteral("Cannot create %1: %2")
                         .arg(fileName, QString::fromLocal8Bit(std::strerror(errno)));
            ::close(fd);
            return false;
        }
        std::setvbuf(f, nullptr, _IOFBF, 1 << 18);
        const QByteArray header = WavHeader(sampleRate, 0);
        if (std::fwrite(header.constData(), 1, size_t(header.size()), f) != size_t(header.size())) {
            *error = QStringLiteral("Cannot write %1").arg(fileName);
            std::fclose(f);
            return false;
        }
        file_ = f;
        fileName_ = fileName;
        sampleRate_ = sampleRate;
        dataBytes_ = 0;
        return true;
    }

    bool isOpen() const override { return file_ != nullptr; }

    bool write(const qint16* samples, qsizetype count, QString* error) override {
        const qint64 bytes = qint64(count) * 2;
        const char* data = reinterpret_cast<const char*>(samples);
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
        std::vector<qint16> le(samples, samples + count);
        for (qint16& s : le)
            s = qToLittleEndian(s);
        data = reinterpret_cast<const char*>(le.data());
#endif
        if (std::fwrite(data, 1, size_t(bytes), file_) != size_t(bytes)) {
            *error = writeError();
            return false;
        }
        dataBytes_ += bytes;
        return true;
    }

    qint64 sampleLimit() const override { return (WavDataLimit() & ~qint64(1)) / 2; }

    bool finishText(QString* error) override { return flush(error); }

    // Rewrites the sizes of the header and hands the data to the system.
    bool flush(QString* error) override {
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
        if (!ok)
            *error = writeError();
        return ok;
    }

    bool close(QString* error) override {
        if (!file_)
            return true;
        const bool ok = flush(error);
        std::fclose(file_);
        file_ = nullptr;
        return ok;
    }

private:
    QString writeError() const {
        return QStringLiteral("Cannot write %1: %2")
            .arg(fileName_, QString::fromLocal8Bit(std::strerror(errno)));
    }

    FILE* file_ = nullptr;
    QString fileName_;
    int sampleRate_ = 22050;
    qint64 dataBytes_ = 0;
};

class AudioFile : public IAudioFile {
public:
    explicit AudioFile(AudioFileFormat format)
        : format_(format), writer_(format == AudioFileFormat::Wav
                                       ? std::unique_ptr<AudioFileWriter>(new WavWriter)
                                       : CreateEncodedFileWriter(format)) {}

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
            const int rate = stream->sampleRate();
            if (rate != sampleRate_) {
                sampleRate_ = rate;
                // A file set before the engine's rate was known starts
                // again at the right rate, while it is still empty.
                if (writer_->isOpen() && samplesWritten_ == 0) {
                    QString error;
                    writer_->close(&error);
                    if (!writer_->open(fileName_, sampleRate_, &lastError_))
                        hasFile_ = false;
                }
            }
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
        hasFile_ = false;
        if (fileName.isEmpty() && format_ != AudioFileFormat::None) {
            lastError_ = QStringLiteral("No file name given");
            return false;
        }
        QString error;
        if (!writer_->open(fileName, sampleRate_, &error)) {
            lastError_ = error;
            return false;
        }
        fileName_ = fileName;
        samplesWritten_ = 0;
        writeFailed_ = false;
        hasFile_ = true;
        lastError_.clear();
        return true;
    }

    bool Flush() override {
        std::lock_guard lock(fileMutex_);
        if (!hasFile_ || writeFailed_)
            return false;
        if (!writer_->isOpen())
            return true; // completed at the end of its text
        QString error;
        if (writer_->flush(&error))
            return true;
        lastError_ = error;
        return false;
    }

    QString FileName() const override {
        std::lock_guard lock(fileMutex_);
        return fileName_;
    }
    QString LastError() const override {
        std::lock_guard lock(fileMutex_);
        return lastError_;
    }
    qint64 WrittenMs() const override {
        std::lock_guard lock(fileMutex_);
        return samplesWritten_ * 1000 / sampleRate_;
    }
    AudioFileFormat Format() const override { return format_; }

    void SetTap(std::shared_ptr<IAudioTap> tap) override {
        std::lock_guard lock(fileMutex_);
        tap_ = std::move(tap);
    }

private:
    void closeLocked() {
        QString error;
        if (writer_->isOpen() && !writer_->close(&error) && !writeFailed_) {
            writeFailed_ = true;
            lastError_ = error;
        }
    }

    // The text in hand has ended or was stopped: the file is made complete.
    // False (with the error kept) when it could not be.
    bool finishTextLocked() {
        if (!writer_->isOpen() || writeFailed_)
            return true;
        QString error;
        if (writer_->finishText(&error))
            return true;
        writeFailed_ = true;
        lastError_ = error;
        return false;
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
        if (!writer_->isOpen())
            return WriteResult::NoFile;
        if (writeFailed_)
            return WriteResult::Failed;
        const qint64 limit = writer_->sampleLimit();
        const bool full = limit >= 0 && samplesWritten_ + count > limit;
        if (full)
            count = qsizetype(limit - samplesWritten_);
        if (count > 0) {
            QString error;
            if (!writer_->write(samples, count, &error)) {
                writeFailed_ = true;
                lastError_ = error;
                return WriteResult::Failed;
            }
            samplesWritten_ += count;
            // Under the file's lock: once a stop is reported and the file
            // flushed, the tap has had all the file has.
            if (tap_)
                tap_->Samples(samples, count, sampleRate_);
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
                finishTextLocked();
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
                    postError(cursor, before, 1, QStringLiteral("No file is set for the audio"));
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
                    // Buffered data that does not reach the disk (a full
                    // disk) shows only here: the file is not complete.
                    std::lock_guard lock(fileMutex_);
                    failed = !finishTextLocked();
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

    const AudioFileFormat format_;
    mutable std::mutex fileMutex_;
    std::unique_ptr<AudioFileWriter> writer_;
    QString fileName_;
    QString lastError_;
    qint64 samplesWritten_ = 0;
    int sampleRate_ = 22050;
    bool writeFailed_ = false;
    bool hasFile_ = false; // the last Set succeeded
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

std::shared_ptr<IAudioFile> CreateAudioFile(AudioFileFormat format) {
    return std::make_shared<AudioFile>(format);
}

} // namespace kalo
