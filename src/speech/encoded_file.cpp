// Compressed audio files through libsndfile: Ogg Vorbis and FLAC. (Opus goes
// through libopus, in opus_writer.cpp: libsndfile fixes the Opus
// encoder's complexity at its slowest setting.)
#include "speech/audio_file_writer.h"

#include <QFile>

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kalo {

namespace {

// Vorbis quality 0.1 (about 33 kbit/s for this speech), the lowest that
// keeps the consonants clean.
constexpr double kVorbisLevel = 0.9;
// libsndfile's Vorbis writer breaks on very large single writes: the
// samples go to it in blocks of this size.
constexpr qsizetype kBlock = 8192;

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

// What the compressed writers share: the file is complete when a text ends
// (but a stop before the first sample of a new file does not end it: its
// text is still to come).
class CompressedWriter : public AudioFileWriter {
public:
    bool finishText(QString* error) override { return samples_ == 0 || close(error); }
    bool flush(QString*) override { return true; }

protected:
    qint64 samples_ = 0; // of the engine's audio, since open
};

class SndfileWriter : public CompressedWriter {
public:
    explicit SndfileWriter(AudioFileFormat format) : format_(format) {}
    ~SndfileWriter() override {
        QString ignored;
        close(&ignored);
    }

    bool open(const QString& fileName, int sampleRate, QString* error) override {
        fileName_ = fileName;
        fd_ = OpenRegularFileForWriting(fileName, error);
        if (fd_ < 0)
            return false;
        SF_INFO info{};
        info.channels = 1;
        info.samplerate = sampleRate;
        info.format = format_ == AudioFileFormat::Vorbis ? SF_FORMAT_OGG | SF_FORMAT_VORBIS
                                                         : SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        file_ = sf_open_fd(fd_, SFM_WRITE, &info, SF_FALSE);
        if (!file_) {
            *error = QStringLiteral("Cannot create %1: %2")
                         .arg(fileName, QString::fromLocal8Bit(sf_strerror(nullptr)));
            ::close(fd_);
            fd_ = -1;
            return false;
        }
        if (format_ == AudioFileFormat::Vorbis) {
            double level = kVorbisLevel;
            sf_command(file_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
        }
        samples_ = 0;
        return true;
    }

    bool isOpen() const override { return file_ != nullptr; }

    bool write(const qint16* samples, qsizetype count, QString* error) override {
        samples_ += count;
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

    bool close(QString* error) override {
        bool ok = true;
        if (file_) {
            // Ends the stream: the last pages, the length, the checksums.
            const int result = sf_close(file_);
            file_ = nullptr;
            if (result != 0) {
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
    const AudioFileFormat format_;
    QString fileName_;
    int fd_ = -1;
    SNDFILE* file_ = nullptr;
};

} // namespace

int OpenRegularFileForWriting(const QString& fileName, QString* error) {
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A FIFO that nobody reads refuses a writer with ENXIO.
        const QString why = fd >= 0 || errno == ENXIO ? QStringLiteral("it is not a regular file")
                                                      : systemError();
        if (fd >= 0)
            ::close(fd);
        *error = QStringLiteral("Cannot create %1: %2").arg(fileName, why);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::unique_ptr<AudioFileWriter> CreateEncodedFileWriter(AudioFileFormat format) {
    switch (format) {
    case AudioFileFormat::None:
        return std::make_unique<NoFileWriter>();
    case AudioFileFormat::Opus:
        return CreateOpusFileWriter();
    default:
        return std::make_unique<SndfileWriter>(format);
    }
}

} // namespace kalo
