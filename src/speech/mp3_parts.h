// MP3 encoding on every core beside the speech: the audio a file
// destination writes is cut into parts at silences between sentences, each
// finished part goes to an encoder process of its own at once, several run
// side by side, and their frames are joined into one MP3 file at the end.
// The encoder is the same program with the same defaults as for a whole
// file (Mp3Encoder); a text too short to cut is encoded in one piece,
// exactly as a whole WAV file would be.
#pragma once

#include "speech/audio_destinations.h"
#include "speech/mp3_encoder.h"
#include "speech/mp3_frames.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace kalo {

// How long parts are, in seconds of audio: the first is short so encoding
// starts early, each next one twice as long up to `longest`. Once a part
// has its length it ends at the longest silence that comes within `window`
// (the pause after a sentence or paragraph is longer than one inside it).
struct Mp3PartLengths {
    double first = 20;
    double longest = 120;
    double window = 8;
};

// A finished part: a WAV file holding `samples` samples of the audio from
// sample `first` on.
struct Mp3Part {
    int index = 0;
    QString wavPath;
    qint64 first = 0;
    qint64 samples = 0;
};

// Cuts the audio handed to it into part WAV files in a folder. Between two
// parts a short stretch of silence is left out: the encoder puts the same
// length of silence of its own in front of the next part (see Mp3Joiner).
// Thread-safe: the audio comes on the destination's writer thread.
class Mp3PartCutter : public IAudioTap {
public:
    // Called (under the cutter's lock, on the thread that finished the part)
    // whenever a part is finished; takeParts() hands them out.
    using PartsWaiting = std::function<void()>;

    // Samples quieter than this (in either direction) count as silence.
    static constexpr int kSilenceLevel = 64;

    Mp3PartCutter(const QString& folder, Mp3PartLengths lengths, PartsWaiting partsWaiting);
    ~Mp3PartCutter() override;

    void Samples(const qint16* samples, qsizetype count, int sampleRate) override;
    // No more audio: what is left becomes the last part (also when that is
    // no audio at all). False when a part file could not be written.
    bool finish();
    // Takes the finished parts, oldest first.
    std::vector<Mp3Part> takeParts();
    // Nothing more is taken or reported; the part file being written goes.
    void detach();

    qint64 samplesIn() const;
    int sampleRate() const;
    QString errorString() const;
    // Where, in the audio, each part after the first starts.
    std::vector<qint64> joins() const;

private:
    struct Silence {
        qint64 start = 0;
        qint64 end = 0;
    };
    void consumeLocked();
    bool openPartLocked();
    bool writeLocked(const qint16* samples, qsizetype count);
    bool closePartLocked();
    void cutLocked(const Silence& silence);
    void commitLocked(qsizetype count);
    // Lets go of held-back audio without writing it.
    void dropLocked(qsizetype count);
    qint64 targetLocked() const;
    // Where, in the whole audio, the part being written may end at the earliest.
    qint64 earliestCutLocked() const;
    qsizetype pendingSize() const { return qsizetype(pending_.size()) - pendingHead_; }
    qint64 seconds(double s) const { return qint64(s * rate_); }

    mutable std::mutex mutex_;
    const QString folder_;
    const Mp3PartLengths lengths_;
    PartsWaiting partsWaiting_;
    int rate_ = 0;
    int frameSamples_ = 576; // samples per MP3 frame at rate_
    bool detached_ = false;
    bool finished_ = false;
    QString error_;

    // The part being written.
    int partIndex_ = 0;
    QString partPath_;
    FILE* part_ = nullptr;
    qint64 partFirst_ = 0;   // its first sample, in the whole audio
    qint64 partWritten_ = 0; // samples in its file so far

    // Audio not yet in the part file: where a cut may still go.
    std::vector<qint16> pending_;
    qsizetype pendingHead_ = 0; // what is before it has gone
    qint64 pendingFirst_ = 0;   // the sample at the head, in the whole audio
    qint64 silenceStart_ = -1; // of the silence the audio is in now, -1 in sound
    Silence best_;             // the longest silence long enough to cut in

    qint64 samplesIn_ = 0;
    std::vector<Mp3Part> ready_;
    std::vector<qint64> joins_;
};

// The encoder of one MP3 file, fed part by part while the speech is being
// written. Lives on the thread that made it (the user-interface thread),
// whose event loop runs the encoder processes.
class ParallelMp3Encoder : public QObject {
    Q_OBJECT
public:
    explicit ParallelMp3Encoder(QObject* parent = nullptr);
    // Stops every encoder process and removes the parts.
    ~ParallelMp3Encoder() override;

    // Finds the encoder (the application folder's lame, else the one on
    // PATH) and makes a folder for the parts beside the file `beside`. jobs:
    // encoder processes at most at once (0: one per core). False when there
    // is no encoder or no folder (errorString tells, finish fails with it).
    bool prepare(const QString& appFolder, const QString& beside, int jobs,
                 Mp3PartLengths lengths = {});
    // What the file destination writes goes here (null after a failed prepare).
    std::shared_ptr<IAudioTap> input() const { return cutter_; }
    // The audio is complete: the rest is encoded and the MP3 file written at
    // mp3Path (complete once finished(true) has come). False when the
    // encoding cannot go on (errorString); finished does not follow then.
    bool finish(const QString& mp3Path);
    // Stops every encoder process and removes the parts; finished(false)
    // follows (later, from the event loop) when finish was called.
    void cancel();
    // Blocks until the encoding after finish is over (finished is emitted
    // before it returns).
    void waitForFinished();
    // Between finish and finished.
    bool isRunning() const { return finishing_; }
    // An encoder process failed (the rest is stopped; finish reports it).
    bool failed() const { return failed_; }
    QString errorString() const { return error_; }

    // Progress: samples received, and of them encoded (parts running count
    // as far as their encoder has told).
    qint64 samplesIn() const;
    qint64 samplesEncoded() const;
    int sampleRate() const;
    // Where, in the audio, the parts were joined.
    std::vector<qint64> joins() const;

signals:
    // Percent of the audio encoded, once finish was called.
    void progress(int percent);
    // The encoding after finish is over. It may come from within the
    // object's own work: a slot must not delete the object (deleteLater).
    void finished(bool ok);

private:
    struct Job {
        Mp3Part part;
        QString mp3Path;
        Mp3Encoder* encoder = nullptr;
        int percent = 0;
        bool done = false;
        bool last = false;
    };
    void enqueue(const std::vector<Mp3Part>& parts);
    void takeParts();
    bool startJobs();
    void jobFinished(Job* job, bool ok);
    void joinDone();
    void complete();
    void abort(const QString& error);
    void stopAll();
    void reportProgress();

    QString appFolder_;
    int jobs_ = 1;
    std::unique_ptr<QTemporaryDir> folder_;
    std::shared_ptr<Mp3PartCutter> cutter_;
    std::deque<std::unique_ptr<Job>> queue_; // parts not yet joined, oldest first
    // Encoders whose processes have ended; one may still be in its own
    // signal, so they go later.
    std::vector<std::unique_ptr<Mp3Encoder>> retired_;
    int running_ = 0;
    QString mp3Path_;
    bool finishing_ = false;
    bool inputDone_ = false;
    bool failed_ = false;
    bool cancelled_ = false;
    QString error_;
    qint64 encoded_ = 0; // samples of parts done
    int lastPercent_ = -1;
    std::unique_ptr<Mp3Joiner> joiner_;
    QString joinedPath_;
};

} // namespace kalo
