#include "speech/mp3_frames.h"

#include <QtEndian>

#include <algorithm>
#include <array>

namespace kalo {

namespace {

// Kilobits per second by index 1 to 14, for MPEG-1 layers I, II, III and for
// MPEG-2 and 2.5 layer I, then layers II and III.
constexpr std::array<std::array<int, 15>, 5> kBitrates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
}};

constexpr qsizetype kReadBlock = 256 * 1024;
// The seek table of the info tag has 100 entries; a few thousand offsets
// place them closely enough for any length.
constexpr size_t kMaxOffsets = 4096;
// LAME's extension of the info tag, 36 bytes after the quality field.
constexpr qsizetype kLameExtensionBytes = 36;

quint32 readBe32(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint32>(b.constData() + at);
}

void writeBe32(QByteArray& b, qsizetype at, quint32 v) {
    qToBigEndian(v, b.data() + at);
}

void writeBe16(QByteArray& b, qsizetype at, quint16 v) {
    qToBigEndian(v, b.data() + at);
}

} // namespace

bool ReadMp3FrameHeader(const uchar* p, Mp3FrameHeader& out) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return false;
    Mp3FrameHeader h;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h.layer = 4 - layerBits;
    const bool mpeg1 = h.version == 1;
    const int table = mpeg1 ? h.layer - 1 : (h.layer == 1 ? 3 : 4);
    h.bitrate = kBitrates[size_t(table)][size_t(bitrateIndex)] * 1000;
    static constexpr int rates[3] = {44100, 48000, 32000};
    h.sampleRate = rates[rateIndex] / (mpeg1 ? 1 : h.version == 2 ? 2 : 4);
    const int padding = (p[2] >> 1) & 1;
    h.mono = (p[3] >> 6) == 3;
    h.crc = (p[1] & 1) == 0;
    if (h.layer == 1) {
        h.bytes = (12 * h.bitrate / h.sampleRate + padding) * 4;
        h.samples = 384;
    } else if (h.layer == 2 || mpeg1) {
        h.bytes = 144 * h.bitrate / h.sampleRate + padding;
        h.samples = 1152;
    } else {
        h.bytes = 72 * h.bitrate / h.sampleRate + padding;
        h.samples = 576;
    }
    if (h.layer == 3)
        h.sideInfoBytes = mpeg1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    out = h;
    return true;
}

quint16 Mp3Crc16(const char* data, qsizetype size, quint16 crc) {
    for (qsizetype i = 0; i < size; ++i) {
        crc ^= quint16(uchar(data[i]));
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

bool FindMp3InfoTag(const QByteArray& frame, const Mp3FrameHeader& header, Mp3InfoTag& out) {
    if (header.layer != 3)
        return false;
    qsizetype at = 4 + (header.crc ? 2 : 0) + header.sideInfoBytes;
    if (frame.size() < at + 8)
        return false;
    const QByteArray id = frame.mid(at, 4);
    if (id != "Xing" && id != "Info")
        return false;
    Mp3InfoTag t;
    t.at = at;
    t.flags = readBe32(frame, at + 4);
    qsizetype q = at + 8;
    auto field = [&](quint32 flag, qsizetype bytes) {
        if (!(t.flags & flag))
            return qsizetype(-1);
        const qsizetype here = q;
        q += bytes;
        return here;
    };
    t.framesAt = field(1, 4);
    t.bytesAt = field(2, 4);
    t.tocAt = field(4, 100);
    field(8, 4); // quality
    if (q > frame.size())
        return false; // the fields the flags announce do not fit: not a tag
    // LAME's extension starts with the encoder's short name and version.
    if (q + kLameExtensionBytes <= frame.size()) {
        bool name = true;
        for (qsizetype i = 0; i < 4; ++i)
            name = name && QChar::fromLatin1(frame.at(q + i)).isLetterOrNumber();
        if (name) {
            t.lameAt = q;
            const auto* d = reinterpret_cast<const uchar*>(frame.constData() + q + 21);
            t.encoderDelay = (d[0] << 4) | (d[1] >> 4);
            t.padding = ((d[1] & 0x0F) << 8) | d[2];
        }
    }
    out = t;
    return true;
}

// --- reading frames -------------------------------------------------------

bool Mp3FrameReader::open(const QString& path) {
    file_.close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("Cannot read %1: %2").arg(path, file_.errorString());
        in_ = nullptr;
        return false;
    }
    open(&file_);
    return true;
}

void Mp3FrameReader::open(QIODevice* device) {
    in_ = device;
    buffer_.clear();
    pos_ = 0;
    eof_ = false;
    started_ = false;
}

bool Mp3FrameReader::fill(qsizetype need) {
    while (buffer_.size() - pos_ < need && !eof_) {
        buffer_.remove(0, pos_);
        pos_ = 0;
        const qsizetype had = buffer_.size();
        buffer_.resize(had + std::max(kReadBlock, need));
        const qint64 got = in_ ? in_->read(buffer_.data() + had, buffer_.size() - had) : -1;
        buffer_.resize(had + std::max<qint64>(got, 0));
        if (got <= 0)
            eof_ = true;
    }
    return buffer_.size() - pos_ >= need;
}

bool Mp3FrameReader::next(QByteArray& frame, Mp3FrameHeader& header) {
    if (!started_) {
        started_ = true;
        // An ID3v2 tag in front: a ten-byte header with a size in 7-bit bytes.
        if (fill(10) && buffer_.mid(pos_, 3) == "ID3") {
            const auto* s = reinterpret_cast<const uchar*>(buffer_.constData() + pos_ + 6);
            qint64 size = 10 + ((qint64(s[0] & 0x7F) << 21) | ((s[1] & 0x7F) << 14) |
                                ((s[2] & 0x7F) << 7) | (s[3] & 0x7F));
            if (uchar(buffer_.at(pos_ + 5)) & 0x10)
                size += 10; // a footer
            while (size > 0 && fill(1)) {
                const qsizetype step = std::min<qint64>(size, buffer_.size() - pos_);
                pos_ += step;
                size -= step;
            }
        }
    }
    if (!fill(4) ||
        !ReadMp3FrameHeader(reinterpret_cast<const uchar*>(buffer_.constData() + pos_), header))
        return false;
    if (!fill(header.bytes))
        return false; // a frame cut off at the end of the file
    frame = buffer_.mid(pos_, header.bytes);
    pos_ += header.bytes;
    return true;
}

// --- joining parts --------------------------------------------------------

bool Mp3Joiner::fail(const QString& message) {
    error_ = message;
    return false;
}

bool Mp3Joiner::open(const QString& path) {
    out_.setFileName(path);
    if (!out_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("Cannot write %1: %2").arg(path, out_.errorString()));
    return true;
}

bool Mp3Joiner::write(const QByteArray& bytes) {
    if (out_.write(bytes) != bytes.size())
        return fail(QStringLiteral("Cannot write %1: %2").arg(out_.fileName(), out_.errorString()));
    bytes_ += bytes.size();
    return true;
}

void Mp3Joiner::noteFrame(qint64 offset) {
    if (frames_ % stride_ != 0)
        return;
    offsets_.push_back(offset);
    if (offsets_.size() < kMaxOffsets)
        return;
    for (size_t i = 0; i < offsets_.size() / 2; ++i)
        offsets_[i] = offsets_[2 * i];
    offsets_.resize(offsets_.size() / 2);
    stride_ *= 2;
}

bool Mp3Joiner::append(const QString& partPath, qint64 samples, bool last) {
    Mp3FrameReader in;
    if (!in.open(partPath))
        return fail(in.errorString());
    QByteArray frame;
    Mp3FrameHeader header;
    int delay = kEncoderDelay;
    qint64 keep = -1; // frames of this part to keep; -1 until known
    qint64 kept = 0;
    bool first = true;
    while (in.next(frame, header)) {
        if (first) {
            first = false;
            Mp3InfoTag tag;
            if (FindMp3InfoTag(frame, header, tag)) {
                if (tag.encoderDelay >= 0)
                    delay = tag.encoderDelay;
                if (parts_ == 0) {
                    tagFrame_ = frame;
                    tag_ = tag;
                    if (!write(frame))
                        return false;
                } else if (last && tag_.lameAt >= 0 && tag.padding >= 0) {
                    // The end of the whole file is the end of this part.
                    tag_.padding = tag.padding;
                }
                continue;
            }
        }
        if (keep < 0)
            keep = last ? -1 : (delay + samples + header.samples - 1) / header.samples;
        if (!last && kept >= keep)
            break; // the encoder's padding at the end of this part
        noteFrame(bytes_);
        musicCrc_ = Mp3Crc16(frame.constData(), frame.size(), musicCrc_);
        if (!write(frame))
            return false;
        ++frames_;
        ++kept;
    }
    if (kept == 0)
        return fail(QStringLiteral("The MP3 encoder wrote no MP3 frames into %1").arg(partPath));
    ++parts_;
    return true;
}

bool Mp3Joiner::close() {
    if (!tagFrame_.isEmpty()) {
        QByteArray& t = tagFrame_;
        if (tag_.framesAt >= 0)
            writeBe32(t, tag_.framesAt, quint32(frames_));
        if (tag_.bytesAt >= 0)
            writeBe32(t, tag_.bytesAt, quint32(bytes_));
        if (tag_.tocAt >= 0 && frames_ > 0) {
            for (qint64 i = 0; i < 100; ++i) {
                const qint64 frame = i * frames_ / 100;
                const size_t index = std::min(size_t(frame / stride_), offsets_.size() - 1);
                t[tag_.tocAt + i] = char(std::min<qint64>(255, offsets_[index] * 256 / bytes_));
            }
        }
        if (tag_.lameAt >= 0) {
            const qsizetype l = tag_.lameAt;
            // The peak and the loudness LAME measured belong to the first
            // part alone: left unset rather than wrong for the whole.
            for (qsizetype i = 11; i < 17; ++i)
                t[l + i] = 0;
            const int delay = std::clamp(tag_.encoderDelay, 0, 4095);
            const int padding = std::clamp(tag_.padding, 0, 4095);
            t[l + 21] = char(delay >> 4);
            t[l + 22] = char(((delay & 0x0F) << 4) | (padding >> 8));
            t[l + 23] = char(padding & 0xFF);
            writeBe32(t, l + 28, quint32(bytes_));
            writeBe16(t, l + 32, musicCrc_);
            writeBe16(t, l + 34, Mp3Crc16(t.constData(), l + 34));
        }
        if (!out_.seek(0) || out_.write(t) != t.size())
            return fail(
                QStringLiteral("Cannot write %1: %2").arg(out_.fileName(), out_.errorString()));
    }
    if (!out_.flush())
        return fail(QStringLiteral("Cannot write %1: %2").arg(out_.fileName(), out_.errorString()));
    out_.close();
    return true;
}

} // namespace kalo
