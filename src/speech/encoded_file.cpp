// Compressed audio files through libsndfile: Ogg Opus, Ogg Vorbis and FLAC.
// Opus takes only 8, 12, 16, 24 and 48 kHz, so the engine's audio goes
// through libsoxr on its way there; the file's header keeps the engine's
// rate as the original one.
#include "speech/audio_file_writer.h"

#include <QFile>

#include <sndfile.h>
#include <soxr.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace kalo {

namespace {

// Speech at 24 kbit/s is clear in Opus.
constexpr int kOpusBitRate = 24000;
// libsndfile turns a compression level into an Opus bit rate per channel:
// (1 - level) * 250000 + 6000.
constexpr double kOpusLevel = 1.0 - (kOpusBitRate - 6000) / 250000.0;
// Vorbis quality 0.1 (about 33 kbit/s for this speech), the lowest that
// keeps the consonants clean.
constexpr double kVorbisLevel = 0.9;
// libsndfile's Vorbis writer breaks on very large single writes: the
// samples go to it in blocks of this size.
constexpr qsizetype kBlock = 8192;

// The Opus rate for audio at this rate: the lowest one that loses nothing.
int opusRateFor(int rate) {
    for (int r : {8000, 12000, 16000, 24000})
        if (rate <= r)
            return r;
    return 48000;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Nothing is written; the destination still counts the samples, so the
// length of the audio is known (subtitles are timed as if it were written).
class NoFileWriter : public AudioFileWriter {
public:
    bool open(const QString&, int, QString*) override {
        open_ = true;
        return true;
    }
    bool isOpen() const override { return open_; }
    bool write(const qint16*, qsizetype, QString*) override { return true; }
    bool finishText(QString*) override { return true; }
    bool flush(QString*) override { return true; }
    bool close(QString*) override {
        open_ = false;
        return true;
    }

private:
    bool open_ = false;
};

class SndfileWriter : public AudioFileWriter {
public:
    explicit SndfileWriter(AudioFileFormat format) : format_(format) {}
    ~SndfileWriter() override {
        QString ignored;
        close(&ignored);
    }

    bool open(const QString& fileName, int sampleRate, QString* error) override {
        fileName_ = fileName;
        // Not blocking, so a FIFO in the file's place cannot hold the program
        // up; anything but a regular file is refused.
        fd_ = ::open(QFile::encodeName(fileName).constData(),
                     O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            *error = QStringLiteral("Cannot create %1: %2").arg(fileName, systemError());
            return false;
        }
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            *error = QStringLiteral("Cannot create %1: it is not a regular file").arg(fileName);
            closeDescriptor();
            return false;
        }
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);

        SF_INFO info{};
        info.channels = 1;
        info.samplerate = sampleRate;
        switch (format_) {
        case AudioFileFormat::Opus:
            info.samplerate = opusRateFor(sampleRate);
            info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
            break;
        case AudioFileFormat::Vorbis:
            info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
            break;
        default:
            info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
            break;
        }
        file_ = sf_open_fd(fd_, SFM_WRITE, &info, SF_FALSE);
        if (!file_) {
            *error = QStringLiteral("Cannot create %1: %2")
                         .arg(fileName, QString::fromLocal8Bit(sf_strerror(nullptr)));
            closeDescriptor();
            return false;
        }
        if (format_ == AudioFileFormat::Opus) {
            double level = kOpusLevel;
            sf_command(file_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
            int original = sampleRate;
            sf_command(file_, SFC_SET_ORIGINAL_SAMPLERATE, &original, sizeof original);
            if (info.samplerate != sampleRate) {
                soxr_error_t failure = nullptr;
                const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
                const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
                resampler_ = soxr_create(sampleRate, info.samplerate, 1, &failure, &io, &quality,
                                         nullptr);
                if (failure) {
                    *error = QStringLiteral("Cannot resample the audio for %1: %2")
                                 .arg(fileName, QString::fromLatin1(failure));
                    QString ignored;
                    close(&ignored);
                    return false;
                }
                resampled_.resize(size_t(kBlock) * 3);
            }
        } else if (format_ == AudioFileFormat::Vorbis) {
            double level = kVorbisLevel;
            sf_command(file_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
        }
        samples_ = 0;
        return true;
    }

    bool isOpen() const override { return file_ != nullptr; }

    bool write(const qint16* samples, qsizetype count, QString* error) override {
        samples_ += count;
        if (!resampler_)
            return writeBlocks(samples, count, error);
        while (count > 0) {
            // Room for the input block at any of the rates Opus takes.
            const qsizetype take = std::min(count, kBlock);
            size_t used = 0;
            size_t made = 0;
            if (soxr_error_t failure = soxr_process(resampler_, samples, size_t(take), &used,
                                                    resampled_.data(), resampled_.size(), &made)) {
                *error = QStringLiteral("Cannot resample the audio for %1: %2")
                             .arg(fileName_, QString::fromLatin1(failure));
                return false;
            }
            if (!writeBlocks(resampled_.data(), qsizetype(made), error))
                return false;
            if (used == 0 && made == 0) {
                *error = QStringLiteral("Cannot resample the audio for %1").arg(fileName_);
                return false;
            }
            samples += used;
            count -= qsizetype(used);
        }
        return true;
    }

    bool finishText(QString* error) override {
        // A stop before the first sample of a new file does not end it: its
        // text is still to come.
        return samples_ == 0 || close(error);
    }

    bool flush(QString*) override { return true; }

    bool close(QString* error) override {
        bool ok = true;
        if (file_ && resampler_) {
            // What the resampler still holds for the end of the audio.
            for (;;) {
                size_t made = 0;
                if (soxr_process(resampler_, nullptr, 0, nullptr, resampled_.data(),
                                 resampled_.size(), &made) ||
                    made == 0)
                    break;
                if (!writeBlocks(resampled_.data(), qsizetype(made), error)) {
                    ok = false;
                    break;
                }
            }
        }
        if (resampler_) {
            soxr_delete(resampler_);
            resampler_ = nullptr;
        }
        if (file_) {
            // Ends the stream: the last pages, the length, the checksums.
            const int result = sf_close(file_);
            file_ = nullptr;
            if (result != 0 && ok) {
                *error = QStringLiteral("Cannot write %1: %2")
                             .arg(fileName_, QString::fromLocal8Bit(sf_error_number(result)));
                ok = false;
            }
        }
        if (fd_ >= 0 && ::close(fd_) != 0 && ok) {
            *error = QStringLiteral("Cannot write %1: %2").arg(fileName_, systemError());
            ok = false;
        }
        fd_ = -1;
        return ok;
    }

private:
    bool writeBlocks(const qint16* samples, qsizetype count, QString* error) {
        while (count > 0) {
            const qsizetype n = std::min(count, kBlock);
            if (sf_write_short(file_, samples, n) != n) {
                const QString why = QString::fromLocal8Bit(sf_strerror(file_));
                *error = QStringLiteral("Cannot write %1: %2").arg(fileName_, why);
                return false;
            }
            samples += n;
            count -= n;
        }
        return true;
    }

    void closeDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    const AudioFileFormat format_;
    QString fileName_;
    int fd_ = -1;
    SNDFILE* file_ = nullptr;
    soxr_t resampler_ = nullptr;
    std::vector<qint16> resampled_;
    qint64 samples_ = 0; // of the engine's audio, since open
};

} // namespace

std::unique_ptr<AudioFileWriter> CreateEncodedFileWriter(AudioFileFormat format) {
    if (format == AudioFileFormat::None)
        return std::make_unique<NoFileWriter>();
    return std::make_unique<SndfileWriter>(format);
}

} // namespace kalo
