// Compressed audio files: Ogg Opus through libopusenc, Ogg Vorbis and FLAC
// through libsndfile.
//
// Opus goes through libopusenc rather than libsndfile because libsndfile
// fixes the encoder's complexity at its slowest setting, which makes an
// Opus book several times slower to write than an MP3 one. libopusenc takes
// the engine's audio at any rate (it resamples for the codec itself) and
// writes the engine's rate into the header as the original one.
#include "speech/audio_file_writer.h"

#include <QFile>

#include <opus/opusenc.h>
#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kalo {

namespace {

// Speech at 24 kbit/s (variable) is clear in Opus.
constexpr int kOpusBitRate = 24000;
// The encoder's effort, 0 to 10 (libsndfile always uses 10). Measured on
// synthetic speech at 24 kbit/s, per hour of speech and against lame's
// 12.6 s: 10 costs 50 s of CPU, 5 (the same as 4 for speech) 28 s, 3 21 s,
// 1 15 s. Only 1 and 0 come near lame. At 1 the decoded speech keeps its
// formants and its consonants up to 8 kHz; against 5 it is 2 dB further
// from the original (signal to noise 13 against 15 dB) and a little rougher
// below 2 kHz, about as far as lame's MP3 at 32 kbit/s is above 2 kHz.
constexpr int kOpusComplexity = 1;
// Speech up to 8 kHz: the bits go to the voice instead of the hiss above.
constexpr int kOpusBandwidth = OPUS_BANDWIDTH_WIDEBAND;
// Packets of 120 ms, the longest Opus has: the fixed cost of each packet
// (in libopus's multistream layer, several CPU identification calls that a
// virtual machine makes slow) falls to a sixth of that of the usual 20 ms,
// 8 % less CPU than 60 ms. The latency does not matter for a file.
constexpr int kOpusFrameDuration = OPUS_FRAMESIZE_120_MS;
// Vorbis quality 0.1 (about 33 kbit/s for this speech), the lowest that
// keeps the consonants clean.
constexpr double kVorbisLevel = 0.9;
// libsndfile's Vorbis writer breaks on very large single writes, and
// libopusenc counts samples in an int: the samples go in blocks of this size.
constexpr qsizetype kBlock = 8192;

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Opens fileName for writing, created or emptied, and refuses anything that
// is not a regular file. Opened without blocking, so a FIFO in the file's
// place cannot hold the program up; then back to blocking writes. The
// descriptor, or -1 with the reason in error.
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

class OpusWriter : public CompressedWriter {
public:
    ~OpusWriter() override {
        QString ignored;
        close(&ignored);
    }

    bool open(const QString& fileName, int sampleRate, QString* error) override {
        fileName_ = fileName;
        fd_ = OpenRegularFileForWriting(fileName, error);
        if (fd_ < 0)
            return false;
        writeError_.clear();
        samples_ = 0;
        OggOpusComments* comments = ope_comments_create();
        int result = comments ? OPE_OK : OPE_ALLOC_FAIL;
        if (comments) {
            static constexpr OpusEncCallbacks callbacks = {&OpusWriter::writePage,
                                                           &OpusWriter::closeStream};
            encoder_ = ope_encoder_create_callbacks(&callbacks, this, comments, sampleRate, 1, 0,
                                                    &result);
            ope_comments_destroy(comments);
        }
        if (encoder_ && result == OPE_OK)
            result = ope_encoder_ctl(encoder_, OPUS_SET_BITRATE(kOpusBitRate));
        if (encoder_ && result == OPE_OK)
            result = ope_encoder_ctl(encoder_, OPUS_SET_VBR(1));
        if (encoder_ && result == OPE_OK)
            result = ope_encoder_ctl(encoder_, OPUS_SET_SIGNAL(OPUS_SIGNAL_VOICE));
        if (encoder_ && result == OPE_OK)
            result = ope_encoder_ctl(encoder_, OPUS_SET_COMPLEXITY(kOpusComplexity));
        if (encoder_ && result == OPE_OK)
            result = ope_encoder_ctl(encoder_, OPUS_SET_MAX_BANDWIDTH(kOpusBandwidth));
        if (encoder_ && result == OPE_OK)
            result = ope_encoder_ctl(encoder_, OPUS_SET_EXPERT_FRAME_DURATION(kOpusFrameDuration));
        if (!encoder_ || result != OPE_OK) {
            *error = QStringLiteral("Cannot create %1: %2")
                         .arg(fileName, QString::fromLatin1(ope_strerror(result)));
            discard();
            return false;
        }
        return true;
    }

    bool isOpen() const override { return encoder_ != nullptr; }

    bool write(const qint16* samples, qsizetype count, QString* error) override {
        samples_ += count;
        while (count > 0) {
            const int n = int(std::min(count, kBlock));
            const int result = ope_encoder_write(encoder_, samples, n);
            if (result != OPE_OK || !writeError_.isEmpty()) {
                *error = failure(result);
                return false;
            }
            samples += n;
            count -= n;
        }
        return true;
    }

    bool close(QString* error) override {
        bool ok = true;
        if (encoder_) {
            // Encodes what is still held and ends the stream: the last
            // page, the exact length.
            const int result = ope_encoder_drain(encoder_);
            if (result != OPE_OK || !writeError_.isEmpty()) {
                *error = failure(result);
                ok = false;
            }
            ope_encoder_destroy(encoder_);
            encoder_ = nullptr;
        }
        if (fd_ >= 0 && ::close(fd_) != 0 && ok) {
            *error = QStringLiteral("Cannot write %1: %2").arg(fileName_, systemError());
            ok = false;
        }
        fd_ = -1;
        return ok;
    }

private:
    static int writePage(void* self, const unsigned char* data, opus_int32 length) {
        return static_cast<OpusWriter*>(self)->writeAll(data, length) ? 0 : 1;
    }
    // The descriptor is closed by close(), which sees its error.
    static int closeStream(void*) { return 0; }

    bool writeAll(const unsigned char* data, qsizetype length) {
        if (!writeError_.isEmpty())
            return false; // the file is broken already: nothing more goes in
        while (length > 0) {
            const ssize_t n = ::write(fd_, data, size_t(length));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                writeError_ = n < 0 ? systemError() : QStringLiteral("nothing could be written");
                return false;
            }
            data += n;
            length -= n;
        }
        return true;
    }

    QString failure(int result) const {
        const QString why =
            !writeError_.isEmpty() ? writeError_ : QString::fromLatin1(ope_strerror(result));
        return QStringLiteral("Cannot write %1: %2").arg(fileName_, why);
    }

    // Drops the encoder without ending its stream (it failed).
    void discard() {
        if (encoder_)
            ope_encoder_destroy(encoder_);
        encoder_ = nullptr;
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    QString fileName_;
    int fd_ = -1;
    OggOpusEnc* encoder_ = nullptr;
    QString writeError_; // of the last page that could not be written
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

std::unique_ptr<AudioFileWriter> CreateEncodedFileWriter(AudioFileFormat format) {
    switch (format) {
    case AudioFileFormat::None:
        return std::make_unique<NoFileWriter>();
    case AudioFileFormat::Opus:
        return std::make_unique<OpusWriter>();
    default:
        return std::make_unique<SndfileWriter>(format);
    }
}

} // namespace kalo
