// MPEG audio frames as the MP3 encoder writes them: reading frame headers,
// the encoder's info tag ("Xing"/"Info" with LAME's extension), and joining
// separately encoded parts of one recording into one MP3 file that plays as
// a whole: one info tag, the right frame count, no gap at the joins.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <vector>

namespace kalo {

// What the four header bytes of an MPEG audio frame say.
struct Mp3FrameHeader {
    int version = 0;    // 1: MPEG-1, 2: MPEG-2, 25: MPEG-2.5
    int layer = 0;      // 1, 2 or 3
    int bitrate = 0;    // bits per second
    int sampleRate = 0; // samples per second
    int bytes = 0;      // the whole frame, header included
    int samples = 0;    // samples per channel the frame decodes to
    bool mono = false;
    bool crc = false;      // two bytes of CRC follow the header
    int sideInfoBytes = 0; // layer III side information after the header (and CRC)
};

// Reads the header at data (at least 4 bytes). False when they are no valid
// frame header (free-format frames count as invalid: their size is unknown).
bool ReadMp3FrameHeader(const uchar* data, Mp3FrameHeader& out);

// The CRC-16 (polynomial 0x8005, bits reflected) the encoder's info tag uses.
quint16 Mp3Crc16(const char* data, qsizetype size, quint16 crc = 0);

// The encoder's info tag in the first frame of a file, with offsets into
// that frame.
struct Mp3InfoTag {
    qsizetype at = -1; // "Xing" or "Info"
    quint32 flags = 0; // which of frames, bytes, TOC and quality are there
    qsizetype framesAt = -1;
    qsizetype bytesAt = -1;
    qsizetype tocAt = -1;
    qsizetype lameAt = -1; // LAME's extension, -1 when there is none
    int encoderDelay = -1; // from LAME's extension
    int padding = -1;
};

// Finds the info tag in a whole frame. False for an audio frame.
bool FindMp3InfoTag(const QByteArray& frame, const Mp3FrameHeader& header, Mp3InfoTag& out);

// Reads the frames of an MP3 file one after another, in blocks, so a file of
// any length costs the same memory. A leading ID3v2 tag is skipped; reading
// ends at the end of the file or at data that is not a frame (a trailing tag).
class Mp3FrameReader {
public:
    // False when the file cannot be opened (errorString tells why).
    bool open(const QString& path);
    // Reads from an open device instead (it must outlive the reader).
    void open(QIODevice* device);
    // The next frame; false at the end of the frames.
    bool next(QByteArray& frame, Mp3FrameHeader& header);
    QString errorString() const { return error_; }

private:
    bool fill(qsizetype need);

    QFile file_;
    QIODevice* in_ = nullptr;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool eof_ = false;
    bool started_ = false;
    QString error_;
};

// Joins encoded parts into one MP3 file. Each part is the encoder's output
// for a stretch of the recording; the encoder put its fixed delay of silence
// in front of every part and padded the end of each to whole frames. Parts
// are cut so that the delay plus the part's samples fill whole frames: of a
// part that is not the last only those frames are kept, and the next part's
// delay stands in for samples of silence left out at the cut, so every part
// starts exactly where it did in the recording. The first part's info tag
// (if the encoder wrote one) becomes the tag of the whole file; the others
// are dropped.
class Mp3Joiner {
public:
    // Delay the encoder puts in front of every stream (LAME's ENCDELAY).
    static constexpr int kEncoderDelay = 576;

    // Creates or replaces the file.
    bool open(const QString& path);
    // Appends a part that holds `samples` samples of the recording; false with
    // errorString when it cannot be read or holds no frames.
    bool append(const QString& partPath, qint64 samples, bool last);
    // Completes the info tag for the whole file and closes it.
    bool close();
    QString errorString() const { return error_; }
    qint64 frames() const { return frames_; }

private:
    bool fail(const QString& message);
    bool write(const QByteArray& bytes);
    void noteFrame(qint64 offset);

    QFile out_;
    QString error_;
    int parts_ = 0;
    QByteArray tagFrame_; // the first part's info tag frame, rewritten at close
    Mp3InfoTag tag_;
    qint64 frames_ = 0; // audio frames written
    qint64 bytes_ = 0;  // everything written, tag frame included
    quint16 musicCrc_ = 0;
    // Offsets of every stride-th audio frame, for the tag's seek table;
    // thinned out as the file grows, so it stays small.
    std::vector<qint64> offsets_;
    qint64 stride_ = 1;
};

} // namespace kalo
