#include "agent/acs_compression.h"

#include "base/kalo_error.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace kalo::acs {

namespace {

// Distance field widths and the distance each field's zero stands for,
// selected by the number of 1-bits after the back-reference bit.
constexpr std::array<int, 4> kDistanceBits{6, 9, 12, 20};
constexpr std::array<quint32, 4> kDistanceBase{1, 65, 577, 4673};
constexpr quint32 kEndCode = 0xFFFFF;
constexpr int kMaxLengthBits = 11;
constexpr qsizetype kMaxLength = 1 + (qsizetype(1) << 12) - 1; // 1 + 2^11 + (2^11 - 1)

// Reads bits least significant first through a 64-bit buffer.
class BitReader {
public:
    BitReader(const uchar* data, qsizetype size) : p_(data), end_(data + size) {}

    // Reads count (at most 32) bits, the first read becoming bit 0.
    quint32 Read(int count) {
        if (available_ < count) {
            while (available_ <= 56 && p_ < end_) {
                buffer_ |= quint64(*p_++) << available_;
                available_ += 8;
            }
            if (available_ < count)
                throw KaloError(QStringLiteral("the compressed data ends without its end code"));
        }
        const quint32 value = quint32(buffer_ & ((quint64(1) << count) - 1));
        buffer_ >>= count;
        available_ -= count;
        return value;
    }

    bool Bit() { return Read(1) != 0; }

private:
    const uchar* p_;
    const uchar* end_;
    quint64 buffer_ = 0;
    int available_ = 0;
};

class BitWriter {
public:
    explicit BitWriter(qsizetype reserve) { out_.reserve(reserve); }

    void Write(quint32 value, int count) {
        acc_ |= quint64(value & ((count >= 32) ? 0xFFFFFFFFu : ((1u << count) - 1))) << used_;
        used_ += count;
        while (used_ >= 8) {
            out_.append(char(acc_ & 0xFF));
            acc_ >>= 8;
            used_ -= 8;
        }
    }

    void Ones(int count) {
        for (int i = 0; i < count; ++i)
            Write(1, 1);
    }

    // Fills the last byte with 1-bits and returns the bytes.
    QByteArray Finish() {
        if (used_ > 0)
            Write(0xFF, 8 - used_);
        return std::move(out_);
    }

    QByteArray& Bytes() { return out_; }

private:
    QByteArray out_;
    quint64 acc_ = 0;
    int used_ = 0;
};

int FloorLog2(quint32 v) {
    int k = 0;
    while (v > 1) {
        v >>= 1;
        ++k;
    }
    return k;
}

} // namespace

QByteArray Decompress(const QByteArray& stream, qsizetype expectedSize) {
    if (expectedSize < 0)
        throw KaloError(QStringLiteral("the compressed data has a negative size"));
    if (stream.isEmpty() || stream.at(0) != 0)
        throw KaloError(QStringLiteral("the compressed data does not start with a zero byte"));

    const auto* bytes = reinterpret_cast<const uchar*>(stream.constData());
    BitReader in(bytes + 1, stream.size() - 1);
    QByteArray out(expectedSize, Qt::Uninitialized);
    char* dst = out.data();
    qsizetype written = 0;

    for (;;) {
        if (!in.Bit()) {
            if (written >= expectedSize)
                throw KaloError(QStringLiteral("the compressed data is longer than expected"));
            dst[written++] = char(in.Read(8));
            continue;
        }
        int n = 0;
        while (n < 3 && in.Bit())
            ++n;
        const quint32 raw = in.Read(kDistanceBits[size_t(n)]);
        if (n == 3 && raw == kEndCode)
            break;
        const qsizetype distance = qsizetype(raw) + kDistanceBase[size_t(n)];

        int k = 0;
        while (k < kMaxLengthBits && in.Bit())
            ++k;
        if (k == kMaxLengthBits)
            in.Read(1); // the 0-bit that ends the count is there even after eleven 1-bits
        qsizetype length = 1 + (qsizetype(1) << k) + qsizetype(in.Read(k));
        if (n == 3)
            ++length;

        if (distance > written)
            throw KaloError(QStringLiteral("the compressed data refers back before its start"));
        if (length > expectedSize - written)
            throw KaloError(QStringLiteral("the compressed data is longer than expected"));
        // One byte at a time: an overlapping copy repeats the bytes just written.
        const char* src = dst + written - distance;
        for (qsizetype i = 0; i < length; ++i)
            dst[written + i] = src[i];
        written += length;
    }
    if (written != expectedSize)
        throw KaloError(QStringLiteral("the compressed data is shorter than expected"));
    return out;
}

QByteArray Compress(const QByteArray& data, int stride) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype size = data.size();
    BitWriter out(size / 4 + 16);
    out.Write(0, 8); // the leading zero byte

    auto matchLength = [&](qsizetype pos, qsizetype distance, qsizetype limit) {
        qsizetype len = 0;
        while (len < limit && pos + len < size && p[pos + len] == p[pos + len - distance])
            ++len;
        return len;
    };

    qsizetype pos = 0;
    while (pos < size) {
        qsizetype bestLength = 0;
        qsizetype bestDistance = 0;
        for (qsizetype distance : {qsizetype(1), qsizetype(stride)}) {
            if (distance < 1 || distance > pos || distance > qsizetype(kDistanceBase[3]) + 0xFFFFE)
                continue;
            const bool wide = distance >= qsizetype(kDistanceBase[3]);
            const qsizetype limit = wide ? kMaxLength + 1 : kMaxLength;
            const qsizetype len = matchLength(pos, distance, limit);
            if (len >= (wide ? 3 : 2) && len > bestLength) {
                bestLength = len;
                bestDistance = distance;
            }
        }
        if (bestLength == 0) {
            out.Write(0, 1);
            out.Write(p[pos], 8);
            ++pos;
            continue;
        }

        int n = 0;
        while (n < 3 && bestDistance >= qsizetype(kDistanceBase[size_t(n + 1)]))
            ++n;
        out.Write(1, 1);
        out.Ones(n);
        if (n < 3)
            out.Write(0, 1);
        out.Write(quint32(bestDistance - kDistanceBase[size_t(n)]), kDistanceBits[size_t(n)]);

        const quint32 lengthValue = quint32(bestLength - 1 - (n == 3 ? 1 : 0)); // 2^k + v
        const int k = FloorLog2(lengthValue);
        out.Ones(k);
        out.Write(0, 1);
        out.Write(lengthValue - (1u << k), k);
        pos += bestLength;
    }

    // End code: a back-reference with three 1-bits and an all-ones 20-bit distance.
    out.Write(1, 1);
    out.Ones(3);
    out.Write(kEndCode, 20);
    QByteArray result = out.Finish();
    result.append(3, char(0xFF));
    return result;
}

} // namespace kalo::acs
