// The road of audio from a central's synthesis thread to its destination,
// and of notifications from the destination back to the central's thread.
//
// The synthesis thread pushes packets (audio with the notifications that
// fall into it) into a bounded queue, so memory stays flat however long the
// text. The destination takes them at its own pace (the sound device in real
// time, a WAV file at its rate) and posts each notification when the audio
// it belongs to has been played or written. Every notification and every
// pause, resume and reset marker goes through one lock into the central's
// event queue, so they arrive in one order. A reset cancels every text
// handed over before it: its packets are dropped and its notifications,
// even those already posted, are never delivered.
#pragma once

#include "speech/tts_types.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kalo {

struct StreamEvent {
    enum Kind {
        TextBegin, // the text's first audio is played or written
        TextEnd,   // the text's last audio is played or written
        Word,      // value: UTF-16 offset of the word
        Bookmark,  // value: bookmark number
        Visual,    // text: phoneme; hints, mouth
        Error,     // value: code; text: message
        Warning,   // value: code; text: message
        Pause,     // markers of the controlling thread, untimed
        Resume,
        Reset,         // value: first text id not cancelled by it
        AttribChanged, // value: attribute number
    };
    Kind kind = TextBegin;
    quint64 textId = 0;
    qint64 sample = 0; // place in the text's audio
    qint64 value = 0;
    quint32 hints = 0;
    QString text;
    TTSMouth mouth;
};

struct AudioPacket {
    enum Kind { Begin, Audio, End };
    Kind kind = Audio;
    quint64 textId = 0;
    std::vector<qint16> samples;
    std::vector<StreamEvent> events; // in the order made
};

class SpeechStream {
public:
    using Dispatch = std::function<void(const StreamEvent&)>;
    // Notifications are delivered by calling dispatch on receiver's thread.
    SpeechStream(int sampleRate, QObject* receiver, Dispatch dispatch);

    int sampleRate() const { return sampleRate_; }

    // --- texts
    quint64 newTextId();
    bool isCancelled(quint64 textId) const;
    // The destination cannot take more of this text: synthesis of it stops
    // (its end still comes).
    void truncate(quint64 textId);
    bool isTruncated(quint64 textId) const;

    // --- synthesis side
    // Queues a packet, waiting while the queue is full. False when the
    // packet's text is cancelled or the stream closed (the packet is dropped).
    bool push(AudioPacket&& packet);

    // --- destination side
    // Takes the next packet of a text that is not cancelled; false when none
    // is waiting.
    bool tryPop(AudioPacket& out);
    // Waits until a packet is queued, the stream's state changes, or the time
    // has passed.
    void waitForChange(std::chrono::steady_clock::time_point until);
    // Called whenever a packet is queued into an empty queue or the state
    // changes (pause, resume, reset, close); it must not block.
    void setWakeup(std::function<void()> wakeup);
    enum PostResult { Posted, Held, Dropped };
    // Posts notifications of one text, in one go: Dropped when the text is
    // cancelled, Held (keep them and try again) while paused.
    PostResult postTimed(std::vector<StreamEvent>& events);
    // Notifications posted and not yet delivered.
    int undelivered() const { return undelivered_.load(); }
    quint64 resetCount() const { return resetCount_.load(); }
    bool paused() const { return paused_.load(); }
    bool closed() const { return closed_.load(); }

    // --- controlling side (the central's thread)
    void pause();
    void resume();
    void reset();
    void postUntimed(const StreamEvent& event);
    // The central goes away: nothing is posted any more, waiting threads are
    // released.
    void close();

private:
    void postLocked(std::vector<StreamEvent> events);
    void wakeLocked();

    const int sampleRate_;
    const qsizetype capacity_; // samples queued at most
    QPointer<QObject> receiver_;
    Dispatch dispatch_;

    mutable std::mutex mutex_;
    std::condition_variable spaceFreed_;
    std::condition_variable changed_;
    std::deque<AudioPacket> queue_;
    qsizetype queuedSamples_ = 0;
    quint64 nextTextId_ = 1;
    quint64 cancelBelow_ = 1;
    quint64 truncated_ = 0;
    std::function<void()> wakeup_;
    std::atomic<bool> paused_{false};
    std::atomic<bool> closed_{false};
    std::atomic<quint64> resetCount_{0};
    std::atomic<int> undelivered_{0};
    // Keeps the stream reachable from posted notifications only while alive.
    std::shared_ptr<std::atomic<bool>> alive_;
};

// The destination's view of a stream: the text in hand, its audio read so
// far, and its notifications waiting for their audio to be played.
class StreamCursor {
public:
    explicit StreamCursor(std::shared_ptr<SpeechStream> stream) : stream_(std::move(stream)) {}

    // Drops the text in hand when a reset came since the last look; true then.
    bool syncReset();
    bool hasText() const { return hasText_; }
    quint64 textId() const { return textId_; }
    // Takes up the next text when its first packet is queued; its begin
    // notification waits at sample 0.
    bool startNextText();
    // Copies up to max samples of the text in hand; fewer (even 0) when
    // the synthesis has not caught up or the text is at its end.
    qsizetype read(qint16* dst, qsizetype max);
    // Samples of the text read so far.
    qint64 consumed() const { return consumed_; }
    // The text's last packet has been read: nothing more will come.
    bool atEnd() const { return hasText_ && endSeen_ && offset_ >= current_.samples.size(); }
    // Adds a notification of the destination's own (an error, a warning) to
    // those of the text in hand, in its place by sample.
    void insertEvent(StreamEvent event);
    // Posts the notifications of the audio up to `played`. False while paused.
    bool postDue(qint64 played);
    // With all of the text's audio played: posts what is left and the end
    // notification, and lets go of the text. True when done.
    bool finish();
    SpeechStream& stream() { return *stream_; }

private:
    bool takeNext();

    std::shared_ptr<SpeechStream> stream_;
    quint64 seenResets_ = 0;
    bool hasText_ = false;
    bool endSeen_ = false;
    bool endQueued_ = false;
    quint64 textId_ = 0;
    qint64 consumed_ = 0;
    AudioPacket current_;
    size_t offset_ = 0;
    std::deque<StreamEvent> pending_;
};

} // namespace kalo
