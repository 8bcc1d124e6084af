#include "speech/speech_stream.h"

#include <algorithm>
#include <cstring>

namespace kalo {

SpeechStream::SpeechStream(int sampleRate, QObject* receiver, Dispatch dispatch)
    : sampleRate_(sampleRate > 0 ? sampleRate : 22050),
      // Eight seconds of audio ahead of the destination: enough to ride out
      // a slow clause, small enough to stay flat for any text.
      capacity_(qsizetype(sampleRate_) * 8), receiver_(receiver), dispatch_(std::move(dispatch)),
      alive_(std::make_shared<std::atomic<bool>>(true)) {}

quint64 SpeechStream::newTextId() {
    std::lock_guard lock(mutex_);
    return nextTextId_++;
}

bool SpeechStream::isCancelled(quint64 textId) const {
    std::lock_guard lock(mutex_);
    return textId < cancelBelow_ || closed_;
}

void SpeechStream::truncate(quint64 textId) {
    std::lock_guard lock(mutex_);
    truncated_ = std::max(truncated_, textId);
}

bool SpeechStream::isTruncated(quint64 textId) const {
    std::lock_guard lock(mutex_);
    return textId <= truncated_ || textId < cancelBelow_ || closed_;
}

bool SpeechStream::push(AudioPacket&& packet) {
    std::unique_lock lock(mutex_);
    const auto n = qsizetype(packet.samples.size());
    // A packet larger than the whole queue still goes in once the queue is empty.
    spaceFreed_.wait(lock, [&] {
        return closed_ || packet.textId < cancelBelow_ || queuedSamples_ == 0 ||
               queuedSamples_ + n <= capacity_;
    });
    if (closed_ || packet.textId < cancelBelow_)
        return false;
    const bool wasEmpty = queue_.empty();
    queuedSamples_ += n;
    queue_.push_back(std::move(packet));
    changed_.notify_all();
    if (wasEmpty)
        wakeLocked();
    return true;
}

bool SpeechStream::tryPop(AudioPacket& out) {
    std::lock_guard lock(mutex_);
    while (!queue_.empty()) {
        AudioPacket p = std::move(queue_.front());
        queue_.pop_front();
        queuedSamples_ -= qsizetype(p.samples.size());
        spaceFreed_.notify_all();
        if (p.textId >= cancelBelow_) {
            out = std::move(p);
            return true;
        }
    }
    return false;
}

void SpeechStream::waitForChange(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(mutex_);
    const quint64 resets = resetCount_;
    const bool wasPaused = paused_;
    changed_.wait_until(lock, until, [&] {
        return closed_ || resetCount_ != resets || paused_ != wasPaused ||
               (!queue_.empty() && !paused_);
    });
}

void SpeechStream::setWakeup(std::function<void()> wakeup) {
    std::lock_guard lock(mutex_);
    wakeup_ = std::move(wakeup);
}

void SpeechStream::wakeLocked() {
    if (wakeup_)
        wakeup_();
}

SpeechStream::PostResult SpeechStream::postTimed(std::vector<StreamEvent>& events) {
    if (events.empty())
        return Posted;
    std::lock_guard lock(mutex_);
    if (closed_ || events.front().textId < cancelBelow_)
        return Dropped;
    if (paused_)
        return Held;
    postLocked(std::move(events));
    events.clear();
    return Posted;
}

void SpeechStream::postLocked(std::vector<StreamEvent> events) {
    if (closed_ || !receiver_)
        return;
    undelivered_ += int(events.size());
    std::weak_ptr<std::atomic<bool>> alive = alive_;
    // The lambda runs on the receiver's thread; it is discarded unrun when
    // the receiver is destroyed first. A notification may close the stream
    // (its central goes away): the rest of the batch is dropped then.
    QMetaObject::invokeMethod(
        receiver_.data(),
        [this, alive, events = std::move(events)] {
            auto a = alive.lock();
            if (!a || !a->load())
                return;
            undelivered_ -= int(events.size());
            // A copy: the stream (and its dispatch_) may be gone when a call returns.
            const Dispatch dispatch = dispatch_;
            for (const StreamEvent& e : events) {
                if (!a->load())
                    return;
                dispatch(e);
            }
        },
        Qt::QueuedConnection);
}

void SpeechStream::postUntimed(const StreamEvent& event) {
    std::lock_guard lock(mutex_);
    postLocked({event});
}

void SpeechStream::pause() {
    std::lock_guard lock(mutex_);
    if (paused_)
        return;
    paused_ = true;
    StreamEvent e;
    e.kind = StreamEvent::Pause;
    postLocked({e});
    changed_.notify_all();
    wakeLocked();
}

void SpeechStream::resume() {
    std::lock_guard lock(mutex_);
    if (!paused_)
        return;
    paused_ = false;
    StreamEvent e;
    e.kind = StreamEvent::Resume;
    postLocked({e});
    changed_.notify_all();
    wakeLocked();
}

void SpeechStream::reset() {
    std::lock_guard lock(mutex_);
    cancelBelow_ = nextTextId_;
    queue_.clear();
    queuedSamples_ = 0;
    ++resetCount_;
    StreamEvent e;
    e.kind = StreamEvent::Reset;
    e.value = qint64(cancelBelow_);
    postLocked({e});
    spaceFreed_.notify_all();
    changed_.notify_all();
    wakeLocked();
}

void SpeechStream::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    alive_->store(false);
    queue_.clear();
    queuedSamples_ = 0;
    wakeup_ = nullptr;
    spaceFreed_.notify_all();
    changed_.notify_all();
}

// ---------------------------------------------------------------------------

bool StreamCursor::syncReset() {
    const quint64 resets = stream_->resetCount();
    if (resets == seenResets_)
        return false;
    seenResets_ = resets;
    if (hasText_ && !stream_->isCancelled(textId_))
        return false; // the text was handed over after the reset
    hasText_ = false;
    endSeen_ = false;
    endQueued_ = false;
    current_ = {};
    offset_ = 0;
    consumed_ = 0;
    pending_.clear();
    return true;
}

bool StreamCursor::startNextText() {
    if (hasText_)
        return true;
    AudioPacket p;
    if (!stream_->tryPop(p))
        return false;
    hasText_ = true;
    endSeen_ = false;
    textId_ = p.textId;
    consumed_ = 0;
    offset_ = 0;
    pending_.clear();
    StreamEvent begin;
    begin.kind = StreamEvent::TextBegin;
    begin.textId = textId_;
    pending_.push_back(begin);
    current_ = std::move(p);
    for (StreamEvent& e : current_.events)
        pending_.push_back(std::move(e));
    current_.events.clear();
    endSeen_ = current_.kind == AudioPacket::End;
    return true;
}

bool StreamCursor::takeNext() {
    if (endSeen_)
        return false;
    AudioPacket p;
    if (!stream_->tryPop(p))
        return false;
    if (p.textId != textId_)
        return false; // cannot happen without a reset, which syncReset handles
    current_ = std::move(p);
    offset_ = 0;
    for (StreamEvent& e : current_.events)
        pending_.push_back(std::move(e));
    current_.events.clear();
    endSeen_ = current_.kind == AudioPacket::End;
    return true;
}

qsizetype StreamCursor::read(qint16* dst, qsizetype max) {
    qsizetype done = 0;
    while (hasText_ && done < max) {
        if (offset_ >= current_.samples.size()) {
            if (!takeNext())
                break;
            continue;
        }
        const qsizetype n =
            std::min<qsizetype>(max - done, qsizetype(current_.samples.size() - offset_));
        if (dst)
            std::memcpy(dst + done, current_.samples.data() + offset_, size_t(n) * sizeof(qint16));
        offset_ += size_t(n);
        done += n;
    }
    consumed_ += done;
    // Pick up an end packet that follows, so atEnd() tells the truth.
    if (hasText_ && offset_ >= current_.samples.size())
        takeNext();
    return done;
}

void StreamCursor::insertEvent(StreamEvent event) {
    event.textId = textId_;
    auto it = std::find_if(pending_.begin(), pending_.end(),
                           [&](const StreamEvent& e) { return e.sample > event.sample; });
    pending_.insert(it, std::move(event));
}

bool StreamCursor::postDue(qint64 played) {
    std::vector<StreamEvent> due;
    size_t n = 0;
    while (n < pending_.size() && pending_[n].sample <= played)
        ++n;
    if (n == 0)
        return true;
    due.assign(std::make_move_iterator(pending_.begin()),
               std::make_move_iterator(pending_.begin() + qsizetype(n)));
    if (stream_->postTimed(due) == SpeechStream::Held) {
        std::move(due.begin(), due.end(), pending_.begin()); // back in place, unposted
        return false;
    }
    pending_.erase(pending_.begin(), pending_.begin() + qsizetype(n));
    return true;
}

bool StreamCursor::finish() {
    if (!atEnd())
        return false;
    if (!endQueued_) {
        StreamEvent end;
        end.kind = StreamEvent::TextEnd;
        end.textId = textId_;
        end.sample = consumed_;
        for (StreamEvent& e : pending_)
            e.sample = std::min(e.sample, consumed_);
        pending_.push_back(end);
        endQueued_ = true;
    }
    if (!postDue(consumed_))
        return false;
    hasText_ = false;
    endSeen_ = false;
    endQueued_ = false;
    current_ = {};
    offset_ = 0;
    return true;
}

} // namespace kalo
