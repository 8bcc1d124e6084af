// The pixel and region stream codec: exact bits for a known stream, round
// trips through every distance width and length field, and the streams the
// decoder must refuse.
#include "agent/acs_compression.h"
#include "base/kalo_error.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <array>

using kalo::KaloError;
using kalo::acs::Compress;
using kalo::acs::Decompress;

namespace {

// Builds streams bit by bit, least significant bit first.
class Bits {
public:
    Bits() { bytes_.append('\0'); }
    Bits& Put(quint32 value, int count) {
        for (int i = 0; i < count; ++i) {
            if (used_ == 0)
                bytes_.append('\0');
            if ((value >> i) & 1)
                bytes_[bytes_.size() - 1] = char(quint8(bytes_.back()) | (1 << used_));
            used_ = (used_ + 1) % 8;
        }
        return *this;
    }
    Bits& Literal(quint8 b) { return Put(0, 1).Put(b, 8); }
    // A back-reference written field by field: n selects the distance width.
    Bits& Ref(int n, quint32 raw, int k, quint32 v) {
        Put(1, 1);
        Put((1u << n) - 1, n);
        if (n < 3)
            Put(0, 1);
        Put(raw, std::array{6, 9, 12, 20}[size_t(n)]);
        Put((1u << k) - 1, k);
        Put(0, 1);
        return Put(v, k);
    }
    Bits& End() { return Put(1, 1).Put(7, 3).Put(0xFFFFF, 20); }
    QByteArray Done() {
        if (used_)
            Put(0xFF, 8 - used_);
        return bytes_ + QByteArray(3, char(0xFF));
    }

private:
    QByteArray bytes_;
    int used_ = 0;
};

QByteArray RandomBytes(qsizetype n, quint32 seed, int alphabet = 256) {
    QRandomGenerator random(seed);
    QByteArray b(n, Qt::Uninitialized);
    for (char& c : b)
        c = char(random.bounded(alphabet));
    return b;
}

void ExpectRoundTrip(const QByteArray& data, int stride) {
    const QByteArray stream = Compress(data, stride);
    EXPECT_EQ(stream.at(0), 0);
    EXPECT_TRUE(stream.endsWith(QByteArray(3, char(0xFF))));
    EXPECT_EQ(Decompress(stream, data.size()), data) << "stride " << stride;
}

} // namespace

TEST(AcsCompression, KnownStreamHasTheDocumentedBitOrder) {
    // 0x00; literal 'A' (0 then 0x41 low bit first); end code; 1-bit padding; FF FF FF.
    EXPECT_EQ(Compress("A"), QByteArray::fromHex("0082FEFFFFFFFFFFFF"));
    EXPECT_EQ(Decompress(QByteArray::fromHex("0082FEFFFFFFFFFFFF"), 1), "A");
    // An empty input is the end code alone.
    EXPECT_EQ(Decompress(Compress({}), 0), QByteArray());
}

TEST(AcsCompression, RoundTripsRandomDataRunsAndMixtures) {
    for (qsizetype n : {1, 2, 3, 7, 64, 1000, 65536})
        ExpectRoundTrip(RandomBytes(n, quint32(n)), 0);
    ExpectRoundTrip(QByteArray(100000, 'x'), 0);
    QByteArray mixed;
    for (int i = 0; i < 300; ++i)
        mixed += QByteArray(i % 37 + 1, char(i)) + RandomBytes(i % 5, quint32(i), 4);
    ExpectRoundTrip(mixed, 0);
    ExpectRoundTrip(mixed, 13);
    // Runs compress: a blank picture is a small fraction of its size.
    EXPECT_LT(Compress(QByteArray(96 * 96, '\0'), 96).size(), 40);
}

TEST(AcsCompression, RoundTripsRowsRepeatedAtEveryDistanceWidth) {
    // Rows that repeat the row above: matches at distance = stride, which
    // covers the 6, 9, 12 and 20-bit distance fields and their edges.
    for (int stride : {2, 64, 65, 576, 577, 4672, 4673, 4674, 70000}) {
        const QByteArray row = RandomBytes(stride, quint32(stride));
        QByteArray data;
        for (int r = 0; r < 4; ++r)
            data += row;
        const QByteArray stream = Compress(data, stride);
        // One row of literals; the three copies cost a few bytes per 4 KB.
        EXPECT_LT(stream.size(), row.size() * 9 / 8 + row.size() / 100 + 64) << stride;
        EXPECT_EQ(Decompress(stream, data.size()), data) << stride;
    }
}

TEST(AcsCompression, RoundTripsEveryLengthUpTo4097) {
    // A run of n + 1 bytes: one literal, then back-references at distance 1
    // of at most 4096 bytes each, so every k from 0 to 11 occurs.
    for (int n = 1; n <= 4100; n += (n < 64 ? 1 : 37))
        ExpectRoundTrip(QByteArray(n + 1, 'r') + "z", 0);
    for (int n : {4095, 4096, 4097, 8192, 8193})
        ExpectRoundTrip(QByteArray(n, 'r'), 0);
}

TEST(AcsCompression, DecodesHandWrittenStreamsWithEveryField) {
    // k = 11, v = 2047: length 1 + 2048 + 2047 = 4096 at distance 1.
    QByteArray s = Bits().Literal('a').Ref(0, 0, 11, 2047).End().Done();
    EXPECT_EQ(Decompress(s, 4097), QByteArray(4097, 'a'));
    // k = 0: length 2, distance 2 (6-bit field raw 1).
    s = Bits().Literal('x').Literal('y').Ref(0, 1, 0, 0).End().Done();
    EXPECT_EQ(Decompress(s, 4), "xyxy");
    // 9-bit and 12-bit fields: distances 65 and 577.
    QByteArray base = QByteArray(600, 'q');
    base[0] = 'Q';
    Bits b;
    for (char c : base)
        b.Literal(quint8(c));
    b.Ref(1, 0, 1, 1); // distance 65, length 1 + 2 + 1 = 4
    b.Ref(2, 0, 1, 0); // distance 577, length 3
    s = b.End().Done();
    QByteArray expected = base;
    for (int i = 0; i < 4; ++i)
        expected += expected.at(expected.size() - 65);
    for (int i = 0; i < 3; ++i)
        expected += expected.at(expected.size() - 577);
    EXPECT_EQ(Decompress(s, expected.size()), expected);
    // 20-bit field: distance 4673 (raw 0), length one more than k and v say.
    Bits b20;
    QByteArray big = RandomBytes(4673, 5);
    for (char c : big)
        b20.Literal(quint8(c));
    b20.Ref(3, 0, 11, 2047); // 1 + 2048 + 2047 + 1 = 4097
    s = b20.End().Done();
    expected = big + big.left(4097);
    EXPECT_EQ(Decompress(s, expected.size()), expected);
}

TEST(AcsCompression, RejectsBadStreams) {
    const QByteArray good = Compress("hello hello hello");
    auto message = [](const QByteArray& s, qsizetype size) {
        try {
            Decompress(s, size);
        } catch (const KaloError& e) {
            return e.message();
        }
        return QStringLiteral("accepted");
    };
    EXPECT_TRUE(message({}, 0).contains("zero byte"));
    EXPECT_TRUE(message("\x01" + good.mid(1), 17).contains("zero byte"));
    // A back-reference before anything was written.
    EXPECT_TRUE(message(Bits().Ref(0, 0, 0, 0).End().Done(), 2).contains("before its start"));
    EXPECT_TRUE(
        message(Bits().Literal('a').Ref(0, 1, 0, 0).End().Done(), 3).contains("before its start"));
    // No end code.
    EXPECT_TRUE(
        message(Bits().Literal('a').Literal('b').Done().chopped(3), 2).contains("end code"));
    // Wrong sizes: shorter and longer than the stream makes.
    EXPECT_TRUE(message(good, 18).contains("shorter"));
    EXPECT_TRUE(message(good, 16).contains("longer"));
    EXPECT_TRUE(message(good, 0).contains("longer"));
    EXPECT_EQ(message(good, 17), QStringLiteral("accepted"));
}

TEST(AcsCompression, TruncatedOrRandomStreamsNeverDecodeWrongly) {
    const QByteArray data = RandomBytes(3000, 9, 3) + QByteArray(500, 'k');
    const QByteArray stream = Compress(data, 50);
    int accepted = 0;
    for (qsizetype n = 0; n < stream.size(); ++n) {
        try {
            EXPECT_EQ(Decompress(stream.left(n), data.size()), data);
            ++accepted;
        } catch (const KaloError&) {
        }
    }
    // Only the cuts inside the trailing padding can still decode.
    EXPECT_LE(accepted, 4);
    for (quint32 seed = 0; seed < 2000; ++seed) {
        QByteArray junk = RandomBytes(1 + seed % 40, seed);
        junk[0] = 0;
        try {
            EXPECT_EQ(Decompress(junk, seed % 50).size(), seed % 50);
        } catch (const KaloError&) {
        }
    }
}
