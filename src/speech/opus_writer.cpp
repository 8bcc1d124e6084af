// Ogg Opus files: libsoxr takes the engine's audio to the codec's rate,
// libopus encodes it, and the packets go into the file's one Ogg stream
// (libogg) with the headers written here.
//
// libopus runs at 16 kHz for speech: libopusenc (and libsndfile) run it at
// 48 kHz whatever the audio, which costs 70 % more CPU for the same
// packets. Even so one encoder keeps only one core busy, so the audio is
// cut into segments that are encoded
// side by side, one per core. Each segment's encoder starts a little before
// its segment, on the same audio as the one before, and its packets there
// are dropped: when its own packets begin, its state has settled as one
// encoder's would have. The packets then follow each other in a single
// stream, and any decoder plays the file as one.
#include "speech/audio_file_writer.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <ogg/ogg.h>
#include <opus/opus.h>
#include <soxr.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <future>
#include <thread>
#include <utility>
#include <vector>

namespace kalo {

namespace {

// Speech at 24 kbit/s (variable) is clear in Opus.
constexpr int kBitRate = 24000;
// The encoder's effort, 0 to 10 (libsndfile always uses 10). Measured on
// synthetic speech at 24 kbit/s, CPU per hour of speech at 16 kHz (lame
// takes 12.6 s): 10 costs 41 s, 5 (the same as 4 for speech) 18.5 s, 3
// 14 s, 1 8.6 s, 0 7.9 s; resampling adds 0.7 s. At 1 the decoded speech
// keeps its formants and its consonants up to 8 kHz; against 5 it is 2 dB
// further from the original (signal to noise 13 against 15 dB) and a
// little rougher below 2 kHz, about as far as lame's MP3 at 32 kbit/s is
// above 2 kHz.
constexpr int kComplexity = 1;
// Speech up to 8 kHz: the bits go to the voice instead of the hiss above.
constexpr int kBandwidth = OPUS_BANDWIDTH_WIDEBAND;
// Packets of 120 ms, the longest Opus has: less to do and to store for
// each packet than with the usual 20 ms. The latency does not matter for a
// file.
constexpr int kPacketMs = 120;
constexpr int kPacket48k = 48 * kPacketMs; // a packet in the 48 kHz samples of the stream
// Segments of 30 s: the packets before a segment that its encoder makes and
// drops cost 2 % more CPU, and each segment in hand holds 1.3 MB of audio.
constexpr qint64 kSegmentPackets = 250;
constexpr qint64 kLeadPackets = 4; // before the segment, dropped
constexpr unsigned kMostSegments = 8; // in hand at once, however many cores
constexpr qint64 kTailPackets = 1; // after it, so its last packets see what follows
constexpr qint64 kPagePackets = 1000 / kPacketMs; // packets in a page at most

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The rate the codec runs at for audio at `rate`: speech goes no higher
// than wideband (8 kHz), for which 16 kHz is enough; lower rates that Opus
// takes stay as they are.
int codecRateFor(int rate) {
    for (int r : {8000, 12000})
        if (rate == r)
            return r;
    return 16000;
}

// One Opus encoder whose packets are collected. The engine's audio goes
// through libsoxr to the codec's rate first, when it is another.
class PacketEncoder {
public:
    explicit PacketEncoder(int sampleRate)
        : inputRate_(sampleRate), codecRate_(codecRateFor(sampleRate)) {
        int result = OPUS_OK;
        encoder_ = opus_encoder_create(codecRate_, 1, OPUS_APPLICATION_AUDIO, &result);
        const std::pair<int, opus_int32> settings[] = {
            {OPUS_SET_BITRATE_REQUEST, kBitRate},
            {OPUS_SET_VBR_REQUEST, 1},
            {OPUS_SET_SIGNAL_REQUEST, OPUS_SIGNAL_VOICE},
            {OPUS_SET_COMPLEXITY_REQUEST, kComplexity},
            {OPUS_SET_MAX_BANDWIDTH_REQUEST, kBandwidth},
        };
        for (auto [request, value] : settings)
            if (result == OPUS_OK)
                result = opus_encoder_ctl(encoder_, request, value);
        if (result == OPUS_OK)
            result = opus_encoder_ctl(encoder_, OPUS_GET_LOOKAHEAD(&lookahead_));
        if (result != OPUS_OK) {
            error_ = QString::fromLatin1(opus_strerror(result));
            return;
        }
        if (sampleRate != codecRate_) {
            soxr_error_t failure = nullptr;
            const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
            const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
            resampler_ =
                soxr_create(sampleRate, codecRate_, 1, &failure, &io, &quality, nullptr);
            if (failure)
                error_ = QStringLiteral("cannot resample the audio: %1").arg(failure);
        }
    }
    ~PacketEncoder() {
        if (encoder_)
            opus_encoder_destroy(encoder_);
        if (resampler_)
            soxr_delete(resampler_);
    }
    PacketEncoder(const PacketEncoder&) = delete;
    PacketEncoder& operator=(const PacketEncoder&) = delete;

    // The reason the encoder failed, empty while it has not.
    const QString& error() const { return error_; }
    // The codec's delay, in 48 kHz samples: the decoder drops them.
    int preSkip() const { return lookahead_ * (48000 / codecRate_); }

    void write(const qint16* samples, qsizetype count) {
        if (!error_.isEmpty())
            return;
        if (!resampler_) {
            pcm_.insert(pcm_.end(), samples, samples + count);
            codecSamples_ += count;
        } else {
            std::vector<qint16> out(size_t(count) * size_t(codecRate_) / size_t(inputRate_) + 256);
            while (count > 0) {
                size_t used = 0, made = 0;
                soxr_error_t failure = soxr_process(resampler_, samples, size_t(count), &used,
                                                    out.data(), out.size(), &made);
                if (failure || (used == 0 && made == 0)) {
                    error_ = QStringLiteral("cannot resample the audio");
                    return;
                }
                pcm_.insert(pcm_.end(), out.begin(), out.begin() + qsizetype(made));
                codecSamples_ += qint64(made);
                samples += used;
                count -= qsizetype(used);
            }
        }
        encodeWhole();
    }

    // Encodes what is held, to the end of the audio given: the last packet
    // is filled with silence, and packets go on until the codec's delay is
    // covered too.
    void drain() {
        if (!error_.isEmpty())
            return;
        if (resampler_) {
            std::vector<qint16> out(4096);
            size_t made = 0;
            do {
                if (soxr_process(resampler_, nullptr, 0, nullptr, out.data(), out.size(), &made))
                    break;
                pcm_.insert(pcm_.end(), out.begin(), out.begin() + qsizetype(made));
                codecSamples_ += qint64(made);
            } while (made > 0);
        }
        const qint64 frame = frameSamples();
        const qint64 packets = (codecSamples_ + lookahead_ + frame - 1) / frame;
        pcm_.resize(size_t(std::max<qint64>(0, (packets - encoded_) * frame)), 0);
        encodeWhole();
    }

    std::vector<QByteArray> takePackets() { return std::exchange(packets_, {}); }

private:
    qint64 frameSamples() const { return qint64(codecRate_) * kPacketMs / 1000; }

    void encodeWhole() {
        const qint64 frame = frameSamples();
        qsizetype at = 0;
        unsigned char packet[4000];
        while (error_.isEmpty() && qint64(pcm_.size()) - at >= frame) {
            const opus_int32 n =
                opus_encode(encoder_, pcm_.data() + at, int(frame), packet, sizeof packet);
            if (n < 0) {
                error_ = QString::fromLatin1(opus_strerror(n));
                return;
            }
            packets_.emplace_back(reinterpret_cast<const char*>(packet), n);
            ++encoded_;
            at += frame;
        }
        pcm_.erase(pcm_.begin(), pcm_.begin() + at);
    }

    const int inputRate_;
    const int codecRate_;
    OpusEncoder* encoder_ = nullptr;
    soxr_t resampler_ = nullptr;
    opus_int32 lookahead_ = 0;
    QString error_;
    std::vector<qint16> pcm_; // at the codec's rate, not yet encoded
    qint64 codecSamples_ = 0; // of the audio, at the codec's rate
    qint64 encoded_ = 0;      // packets
    std::vector<QByteArray> packets_;
};

// The identification header (the engine's rate as the original one) and
// a comment header that names the encoder.
QByteArray identificationHeader(int sampleRate, int preSkip) {
    QByteArray h("OpusHead");
    h.append(char(1)); // version
    h.append(char(1)); // channels
    h.append(char(preSkip & 0xff)).append(char(preSkip >> 8 & 0xff));
    for (int shift = 0; shift < 32; shift += 8)
        h.append(char(quint32(sampleRate) >> shift & 0xff));
    h.append(2, char(0)); // output gain
    h.append(char(0));    // mapping family: mono or stereo
    return h;
}

QByteArray commentHeader() {
    const QByteArray vendor(opus_get_version_string());
    QByteArray h("OpusTags");
    for (const qint64 n : {qint64(vendor.size()), qint64(-1), qint64(0)}) {
        if (n < 0) {
            h.append(vendor);
            continue;
        }
        for (int shift = 0; shift < 32; shift += 8)
            h.append(char(quint32(n) >> shift & 0xff));
    }
    return h;
}

// The packets of one segment, or why there are none.
struct Segment {
    std::vector<QByteArray> packets;
    QString error;
};

// Encodes audio with an encoder of its own, from its first sample; keeps
// `count` packets (all when negative) after the first `skip`.
Segment encodeSegment(int sampleRate, const std::vector<qint16>& audio, qint64 skip, qint64 count) {
    PacketEncoder encoder(sampleRate);
    encoder.write(audio.data(), qsizetype(audio.size()));
    encoder.drain();
    Segment s;
    s.error = encoder.error();
    s.packets = encoder.takePackets();
    s.packets.erase(s.packets.begin(), s.packets.begin() + std::min<qint64>(skip, qint64(s.packets.size())));
    if (count >= 0 && qint64(s.packets.size()) > count)
        s.packets.resize(size_t(count));
    return s;
}

class OpusWriter : public AudioFileWriter {
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
        sampleRate_ = sampleRate;
        samples_ = 0;
        packetsIn_ = 0;
        writeError_.clear();
        // Segments need packets that start on whole input samples; at
        // other rates one encoder takes the audio as it comes.
        packetSamples_ = qint64(sampleRate) * kPacketMs % 1000 == 0
                             ? qint64(sampleRate) * kPacketMs / 1000
                             : 0;
        PacketEncoder first(sampleRate);
        if (!first.error().isEmpty()) {
            *error = QStringLiteral("Cannot create %1: %2").arg(fileName, first.error());
            ::close(fd_);
            fd_ = -1;
            return false;
        }
        preSkip_ = first.preSkip();
        if (!packetSamples_)
            single_ = std::make_unique<PacketEncoder>(sampleRate);
        ogg_stream_init(&stream_, int(QRandomGenerator::global()->generate() & 0x7fffffff));
        packetNumber_ = 0;
        held_.clear();
        pending_.clear();
        pendingFirstPacket_ = 0;
        nextSegment_ = 0;
        // Each header on a page of its own.
        putPacket(identificationHeader(sampleRate, int(preSkip_)), 0, true, false);
        flushPages(true);
        putPacket(commentHeader(), 0, false, false);
        flushPages(true);
        return checked(error);
    }

    bool isOpen() const override { return fd_ >= 0; }

    bool write(const qint16* samples, qsizetype count, QString* error) override {
        samples_ += count;
        if (single_) {
            single_->write(samples, count);
            takeSegment({single_->takePackets(), single_->error()});
            return checked(error);
        }
        pending_.insert(pending_.end(), samples, samples + count);
        // A segment starts once the audio after it is in hand.
        while (writeError_.isEmpty() &&
               pendingFirstPacket_ * packetSamples_ + qint64(pending_.size()) >=
                   (nextSegment_ + kSegmentPackets + kTailPackets) * packetSamples_)
            startSegment(false);
        return checked(error);
    }

    bool finishText(QString* error) override {
        // A stop before the first sample of a new file does not end it: its
        // text is still to come.
        return samples_ == 0 || close(error);
    }

    bool flush(QString*) override { return true; }

    bool close(QString* error) override {
        if (fd_ < 0)
            return true;
        if (single_) {
            single_->drain();
            takeSegment({single_->takePackets(), single_->error()});
            single_.reset();
        } else {
            startSegment(true);
            while (!segments_.empty())
                takeSegment(takeFirstSegment());
        }
        // The last packet ends the stream where the audio ends.
        if (!held_.isEmpty())
            putPacket(held_, preSkip_ + (samples_ * 48000 + sampleRate_ - 1) / sampleRate_, false,
                      true);
        held_.clear();
        flushPages(true);
        ogg_stream_clear(&stream_);
        if (::close(fd_) != 0 && writeError_.isEmpty())
            writeError_ = systemError();
        fd_ = -1;
        pending_ = {};
        return checked(error);
    }

private:
    // Hands the next segment (the last: everything left) to a core of its
    // own, at most one a core at a time.
    void startSegment(bool last) {
        const qint64 lead = std::min(kLeadPackets, nextSegment_);
        const qint64 from = (nextSegment_ - lead - pendingFirstPacket_) * packetSamples_;
        const qint64 to =
            last ? qint64(pending_.size())
                 : (nextSegment_ + kSegmentPackets + kTailPackets - pendingFirstPacket_) *
                       packetSamples_;
        std::vector<qint16> audio(pending_.begin() + from, pending_.begin() + to);
        segments_.push_back(std::async(std::launch::async, encodeSegment, sampleRate_,
                                       std::move(audio), lead, last ? -1 : kSegmentPackets));
        nextSegment_ += kSegmentPackets;
        // The next segment's encoder starts kLeadPackets before it.
        const qint64 keepFrom = std::max<qint64>(0, nextSegment_ - kLeadPackets);
        pending_.erase(pending_.begin(),
                       pending_.begin() + std::min<qint64>(qint64(pending_.size()),
                                                           (keepFrom - pendingFirstPacket_) *
                                                               packetSamples_));
        pendingFirstPacket_ = keepFrom;
        const size_t cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostSegments);
        while (segments_.size() > cores)
            takeSegment(takeFirstSegment());
    }

    Segment takeFirstSegment() {
        Segment s = segments_.front().get();
        segments_.pop_front();
        return s;
    }

    // Puts a segment's packets into the stream, holding the newest back: the
    // one that turns out to be the last ends the stream.
    void takeSegment(Segment s) {
        if (!s.error.isEmpty() && writeError_.isEmpty())
            writeError_ = s.error;
        for (QByteArray& p : s.packets) {
            if (!held_.isEmpty()) {
                putPacket(held_, packetsIn_ * kPacket48k, false, false);
                // A page at least every second of audio, so a player can
                // seek closely: quiet packets are small, and a page would
                // otherwise gather half a minute of them.
                flushPages(packetsIn_ % kPagePackets == 0);
            }
            held_ = std::move(p);
            ++packetsIn_;
        }
    }

    void putPacket(const QByteArray& data, qint64 granule, bool first, bool last) {
        ogg_packet p{};
        p.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(data.constData()));
        p.bytes = data.size();
        p.b_o_s = first;
        p.e_o_s = last;
        p.granulepos = granule;
        p.packetno = packetNumber_++;
        ogg_stream_packetin(&stream_, &p);
    }

    // Writes the pages that are full (all of them when `all`).
    void flushPages(bool all) {
        ogg_page page;
        while (all ? ogg_stream_flush(&stream_, &page) : ogg_stream_pageout(&stream_, &page)) {
            writeAll(page.header, page.header_len);
            writeAll(page.body, page.body_len);
        }
    }

    void writeAll(const unsigned char* data, qsizetype length) {
        while (writeError_.isEmpty() && length > 0) {
            const ssize_t n = ::write(fd_, data, size_t(length));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                writeError_ = n < 0 ? systemError() : QStringLiteral("nothing could be written");
            else {
                data += n;
                length -= n;
            }
        }
    }

    bool checked(QString* error) const {
        if (writeError_.isEmpty())
            return true;
        *error = QStringLiteral("Cannot write %1: %2").arg(fileName_, writeError_);
        return false;
    }

    QString fileName_;
    int fd_ = -1;
    int sampleRate_ = 22050;
    qint64 samples_ = 0;       // of the engine's audio, since open
    qint64 packetSamples_ = 0; // input samples a packet; 0: one encoder for all
    qint64 preSkip_ = 0;
    QString writeError_;

    ogg_stream_state stream_{};
    qint64 packetNumber_ = 0;
    qint64 packetsIn_ = 0; // audio packets taken into the stream or held
    QByteArray held_;

    std::unique_ptr<PacketEncoder> single_;
    std::vector<qint16> pending_; // audio from packet pendingFirstPacket_ on
    qint64 pendingFirstPacket_ = 0;
    qint64 nextSegment_ = 0; // the first packet of the next segment
    std::deque<std::future<Segment>> segments_;
};

} // namespace

std::unique_ptr<AudioFileWriter> CreateOpusFileWriter() {
    return std::make_unique<OpusWriter>();
}

} // namespace kalo
