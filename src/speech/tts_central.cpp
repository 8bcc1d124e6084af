#include "speech/tts_central.h"

#include "speech/marked_text.h"
#include "speech/speech_stream.h"

#include "base/kalo_error.h"

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace kalo {

namespace {

// Audio goes to the destination in packets of about a second (fewer
// hand-overs between the threads); the first packet of a text goes as soon
// as it has any audio.
constexpr int kPacketsPerSecond = 1;

struct SynthJob {
    quint64 textId = 0;
    TTSMarkedText text;
    TTSVoiceParams params;
    bool visual = false; // a sink wants phonemes and mouth shapes
};

// Turns what the engine makes for one text into packets: word offsets
// mapped to UTF-16 offsets of the whole text, bookmarks placed at the word
// they precede or at the end of their stretch, and samples counted from the
// text's start.
class PacketBuilder : public ITTSSynthOutput {
public:
    PacketBuilder(SpeechStream& stream, const ITTSEngine& engine, const SynthJob& job)
        : stream_(stream), engine_(engine), job_(job), bookmarks_(bookmarksOf(job.text)),
          packetSamples_(std::max(1, stream.sampleRate() / kPacketsPerSecond)) {}

    void beginSegment(const TTSSegment& seg) {
        segment_ = seg;
        segmentBase_ = produced_;
        cursor_.emplace(job_.text.text, seg.begin, seg.end);
    }
    void endSegment() { placeBookmarks(segment_.end, produced_); }

    bool Stopped() const override { return stream_.isTruncated(job_.textId); }

    bool Audio(const qint16* samples, qsizetype count) override {
        if (stream_.isTruncated(job_.textId))
            return false;
        packet_.samples.insert(packet_.samples.end(), samples, samples + count);
        produced_ += count;
        if (!begun_ || qsizetype(packet_.samples.size()) >= packetSamples_)
            return flush();
        return true;
    }

    void Word(qsizetype codePoint, qint64 sample) override {
        qsizetype offset = std::min(cursor_->offsetOf(codePoint), segment_.end);
        // The engine sometimes points at the blank before a word (after a
        // full stop, after a symbol it reads out): the word starts after it.
        const QString& text = job_.text.text;
        while (offset < segment_.end && offset < text.size() && text.at(offset).isSpace())
            ++offset;
        const qint64 at = segmentBase_ + sample;
        placeBookmarks(offset, at);
        StreamEvent e;
        e.kind = StreamEvent::Word;
        e.textId = job_.textId;
        e.sample = at;
        e.value = offset;
        packet_.events.push_back(std::move(e));
    }

    void Phoneme(const QString& name, qint64 sample) override {
        if (!job_.visual)
            return;
        const TTSVisualShape shape = engine_.MouthShape(name);
        StreamEvent e;
        e.kind = StreamEvent::Visual;
        e.textId = job_.textId;
        e.sample = segmentBase_ + sample;
        e.text = name;
        e.hints = shape.hints;
        e.mouth = shape.mouth;
        packet_.events.push_back(std::move(e));
    }

    void error(const QString& message) {
        StreamEvent e;
        e.kind = StreamEvent::Error;
        e.textId = job_.textId;
        e.sample = produced_;
        e.value = -1;
        e.text = message;
        packet_.events.push_back(std::move(e));
    }

    // Places the bookmarks not yet placed, pushes the rest and the end.
    void end() {
        placeBookmarks(job_.text.text.size() + 1, produced_);
        packet_.kind = AudioPacket::End;
        flush();
    }

private:
    static std::vector<TTSTextMark> bookmarksOf(const TTSMarkedText& text) {
        std::vector<TTSTextMark> marks;
        for (const TTSTextMark& m : NormalisedMarks(text))
            if (m.kind == TTSTextMark::Bookmark)
                marks.push_back(m);
        return marks;
    }

    void placeBookmarks(qsizetype upTo, qint64 at) {
        while (nextBookmark_ < bookmarks_.size() && bookmarks_[nextBookmark_].position <= upTo) {
            StreamEvent e;
            e.kind = StreamEvent::Bookmark;
            e.textId = job_.textId;
            e.sample = at;
            e.value = bookmarks_[nextBookmark_].value;
            packet_.events.push_back(std::move(e));
            ++nextBookmark_;
        }
    }

    bool flush() {
        if (!begun_) {
            AudioPacket begin;
            begin.kind = AudioPacket::Begin;
            begin.textId = job_.textId;
            if (!stream_.push(std::move(begin)))
                return false;
            begun_ = true;
        }
        packet_.textId = job_.textId;
        const bool ok = stream_.push(std::move(packet_));
        packet_ = {};
        return ok;
    }

    SpeechStream& stream_;
    const ITTSEngine& engine_;
    const SynthJob& job_;
    std::vector<TTSTextMark> bookmarks_;
    const qsizetype packetSamples_;
    size_t nextBookmark_ = 0;
    TTSSegment segment_;
    qint64 segmentBase_ = 0;
    qint64 produced_ = 0;
    std::optional<CodePointCursor> cursor_;
    AudioPacket packet_;
    bool begun_ = false;
};

class TTSCentral : public ITTSCentralA,
                   public ITTSAttributesA,
                   public ITTSDialogsA,
                   public std::enable_shared_from_this<TTSCentral> {
public:
    TTSCentral(std::shared_ptr<ITTSEngine> engine, const TTSModeInfo& mode,
               std::shared_ptr<IAudioDestination> destination)
        : engine_(std::move(engine)), mode_(mode), destination_(std::move(destination)),
          ranges_(engine_->Ranges()), receiver_(new QObject) {
        speed_ = ranges_.speed.normal;
        pitch_ = ranges_.pitch.normal;
        volume_ = ranges_.volume.normal;
        stream_ = std::make_shared<SpeechStream>(engine_->SampleRate(mode_), receiver_,
                                                 [this](const StreamEvent& e) { dispatch(e); });
        try {
            destination_->Attach(stream_); // throws when the destination is taken
        } catch (...) {
            delete receiver_;
            throw;
        }
        worker_ = std::thread([this] { synthesisLoop(); });
    }

    ~TTSCentral() override {
        stream_->close();
        {
            std::lock_guard lock(jobsMutex_);
            quit_ = true;
            jobs_.clear();
        }
        jobsChanged_.notify_all();
        worker_.join();
        destination_->Detach();
        // Discards the notifications still queued for it. This may happen
        // at the end of a delivery to it (a sink let go of the central),
        // which Qt allows: nothing touches the receiver after the call.
        delete receiver_;
    }

    // --- central
    void TextData(const QString& text, std::shared_ptr<ITTSBufNotifySink> bufSink) override {
        TTSMarkedText marked;
        marked.text = text;
        TextData(marked, std::move(bufSink));
    }

    void TextData(const TTSMarkedText& text, std::shared_ptr<ITTSBufNotifySink> bufSink) override {
        SynthJob job;
        job.textId = stream_->newTextId();
        job.text = text;
        job.params = {speed_, pitch_, volume_, TTSVoiceStyle::Normal};
        for (const auto& [key, sink] : sinks_)
            job.visual = job.visual || sink->WantsVisual();
        if (bufSink)
            bufSinks_[job.textId] = std::move(bufSink);
        {
            std::lock_guard lock(jobsMutex_);
            jobs_.push_back(std::move(job));
        }
        jobsChanged_.notify_all();
    }

    void AudioPause() override { stream_->pause(); }
    void AudioResume() override { stream_->resume(); }
    void AudioReset() override {
        {
            std::lock_guard lock(jobsMutex_);
            jobs_.clear();
        }
        stream_->reset();
    }

    quint32 Register(std::shared_ptr<ITTSNotifySink2A> sink) override {
        if (!sink)
            throw KaloError(QStringLiteral("No notification sink given"));
        const quint32 key = nextKey_++;
        sinks_[key] = std::move(sink);
        return key;
    }

    void UnRegister(quint32 key) override {
        if (sinks_.erase(key) == 0)
            throw KaloError(
                QStringLiteral("No notification sink is registered under key %1").arg(key));
    }

    std::shared_ptr<ITTSAttributesA> Attributes() override {
        return std::shared_ptr<ITTSAttributesA>(shared_from_this(),
                                                static_cast<ITTSAttributesA*>(this));
    }
    std::shared_ptr<ITTSDialogsA> Dialogs() override {
        return std::shared_ptr<ITTSDialogsA>(shared_from_this(), static_cast<ITTSDialogsA*>(this));
    }
    const TTSModeInfo& ModeInfo() const override { return mode_; }

    // --- attributes
    quint16 PitchGet() const override { return quint16(pitch_); }
    void PitchSet(quint16 pitch) override {
        change(pitch_, ranges_.pitch.clamp(pitch), TTSATTR_PITCH);
    }
    quint32 SpeedGet() const override { return speed_; }
    void SpeedSet(quint32 speed) override {
        change(speed_, ranges_.speed.clamp(speed), TTSATTR_SPEED);
    }
    quint32 VolumeGet() const override { return volume_; }
    void VolumeSet(quint32 volume) override {
        change(volume_, ranges_.volume.clamp(volume), TTSATTR_VOLUME);
    }
    quint32 RealTimeGet() const override { return destination_->RealTimeGet(); }
    void RealTimeSet(quint32 rate) override {
        const quint32 before = destination_->RealTimeGet();
        destination_->RealTimeSet(rate);
        if (destination_->RealTimeGet() != before)
            attribChanged(TTSATTR_REALTIME);
    }
    TTSEngineRanges Ranges() const override { return ranges_; }
    TTSRange RealTimeRange() const override { return destination_->RealTimeRange(); }

    // --- dialogs
    QString AboutText() const override { return engine_->About(); }

private:
    void change(quint32& field, quint32 value, quint32 attribute) {
        if (field == value)
            return;
        field = value;
        attribChanged(attribute);
    }

    void attribChanged(quint32 attribute) {
        StreamEvent e;
        e.kind = StreamEvent::AttribChanged;
        e.value = attribute;
        stream_->postUntimed(e);
    }

    void synthesisLoop() {
        for (;;) {
            SynthJob job;
            {
                std::unique_lock lock(jobsMutex_);
                jobsChanged_.wait(lock, [&] { return quit_ || !jobs_.empty(); });
                if (quit_)
                    return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            if (stream_->isCancelled(job.textId))
                continue;
            PacketBuilder builder(*stream_, *engine_, job);
            try {
                for (const TTSSegment& seg : SplitIntoSegments(job.text, job.params, ranges_)) {
                    if (stream_->isTruncated(job.textId))
                        break;
                    builder.beginSegment(seg);
                    engine_->Synthesize(
                        mode_,
                        QStringView(job.text.text).mid(seg.begin, seg.end - seg.begin).toUtf8(),
                        seg.params, builder);
                    builder.endSegment();
                }
            } catch (const KaloError& e) {
                builder.error(e.message());
            } catch (const std::exception& e) {
                builder.error(QString::fromLocal8Bit(e.what()));
            }
            builder.end();
        }
    }

    template <typename F> void forEachSink(F f) {
        // A sink may register or unregister sinks while it is called.
        std::vector<std::shared_ptr<ITTSNotifySink2A>> sinks;
        sinks.reserve(sinks_.size());
        for (auto& [key, sink] : sinks_)
            sinks.push_back(sink);
        for (auto& sink : sinks)
            f(*sink);
    }

    std::shared_ptr<ITTSBufNotifySink> bufSink(quint64 textId) {
        auto it = bufSinks_.find(textId);
        return it == bufSinks_.end() ? nullptr : it->second;
    }

    void dispatch(const StreamEvent& e) {
        // A sink may let go of this central; it stays alive until the end
        // of this delivery.
        auto self = shared_from_this();
        deliver(e);
    }

    void deliver(const StreamEvent& e) {
        const qint64 ms = e.sample * 1000 / stream_->sampleRate();
        const bool ofText = e.kind <= StreamEvent::Warning;
        if (ofText && stream_->isCancelled(e.textId))
            return;
        switch (e.kind) {
        case StreamEvent::TextBegin:
            audioOn_ = true;
            if (auto b = bufSink(e.textId))
                b->TextDataStarted(ms);
            forEachSink([&](ITTSNotifySink2A& s) { s.AudioStart(ms); });
            break;
        case StreamEvent::TextEnd:
            audioOn_ = false;
            forEachSink([&](ITTSNotifySink2A& s) { s.AudioStop(ms); });
            if (auto b = bufSink(e.textId)) {
                bufSinks_.erase(e.textId);
                b->TextDataDone(ms);
            }
            break;
        case StreamEvent::Word:
            if (auto b = bufSink(e.textId))
                b->WordPosition(ms, quint32(e.value));
            break;
        case StreamEvent::Bookmark:
            if (auto b = bufSink(e.textId))
                b->BookMark(ms, quint32(e.value));
            break;
        case StreamEvent::Visual:
            forEachSink([&](ITTSNotifySink2A& s) { s.Visual(ms, e.text, e.hints, e.mouth); });
            break;
        case StreamEvent::Error:
            forEachSink([&](ITTSNotifySink2A& s) { s.Error(qint32(e.value), e.text); });
            break;
        case StreamEvent::Warning:
            forEachSink([&](ITTSNotifySink2A& s) { s.Warning(qint32(e.value), e.text); });
            break;
        case StreamEvent::Pause:
            if (audioOn_) {
                audioOn_ = false;
                audioPaused_ = true;
                forEachSink([&](ITTSNotifySink2A& s) { s.AudioStop(0); });
            }
            break;
        case StreamEvent::Resume:
            if (audioPaused_) {
                audioPaused_ = false;
                audioOn_ = true;
                forEachSink([&](ITTSNotifySink2A& s) { s.AudioStart(0); });
            }
            break;
        case StreamEvent::Reset:
            for (auto it = bufSinks_.begin(); it != bufSinks_.end();)
                it = it->first < quint64(e.value) ? bufSinks_.erase(it) : std::next(it);
            audioPaused_ = false;
            if (audioOn_) {
                audioOn_ = false;
                forEachSink([&](ITTSNotifySink2A& s) { s.AudioStop(0); });
            }
            break;
        case StreamEvent::AttribChanged:
            forEachSink([&](ITTSNotifySink2A& s) { s.AttribChanged(quint32(e.value)); });
            break;
        }
    }

    std::shared_ptr<ITTSEngine> engine_;
    TTSModeInfo mode_;
    std::shared_ptr<IAudioDestination> destination_;
    TTSEngineRanges ranges_;
    QObject* receiver_;
    std::shared_ptr<SpeechStream> stream_;

    quint32 speed_ = 0;
    quint32 pitch_ = 0;
    quint32 volume_ = 0;

    std::map<quint32, std::shared_ptr<ITTSNotifySink2A>> sinks_;
    quint32 nextKey_ = 1;
    std::map<quint64, std::shared_ptr<ITTSBufNotifySink>> bufSinks_;
    bool audioOn_ = false;
    bool audioPaused_ = false;

    std::mutex jobsMutex_;
    std::condition_variable jobsChanged_;
    std::deque<SynthJob> jobs_;
    bool quit_ = false;
    std::thread worker_;
};

} // namespace

std::shared_ptr<ITTSCentralA> CreateTTSCentral(std::shared_ptr<ITTSEngine> engine,
                                               const TTSModeInfo& mode,
                                               std::shared_ptr<IAudioDestination> destination) {
    if (!engine || !destination)
        throw KaloError(QStringLiteral("No engine or destination given"));
    return std::make_shared<TTSCentral>(std::move(engine), mode, std::move(destination));
}

} // namespace kalo
