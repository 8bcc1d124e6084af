#include "speech/mp3_parts.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kalo {

namespace {

// The rate a part gets when no audio came at all.
constexpr int kDefaultRate = 22050;
// Around a cut the decoder mixes the end of one part with the start of the
// next (its filter bank lags by 529 samples): the silence must reach this
// far before the cut and a little after the left-out stretch.
constexpr qint64 kBeforeCut = 640;
constexpr qint64 kAfterCut = 200;
// Silence a cut can be placed in whatever the frame alignment: the margins,
// the left-out stretch and up to a frame to align the part's end.
qint64 minimumSilence(int frameSamples) {
    return kBeforeCut + (frameSamples - 1) + Mp3Joiner::kEncoderDelay + kAfterCut;
}

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

// --- cutting ----------------------------------------------------------------

Mp3PartCutter::Mp3PartCutter(const QString& folder, Mp3PartLengths lengths,
                             PartsWaiting partsWaiting)
    : folder_(folder), lengths_(lengths), partsWaiting_(std::move(partsWaiting)) {}

Mp3PartCutter::~Mp3PartCutter() {
    if (part_)
        std::fclose(part_);
}

qint64 Mp3PartCutter::targetLocked() const {
    double s = lengths_.first;
    for (int i = 0; i < partIndex_ && s < lengths_.longest; ++i)
        s *= 2;
    return std::max<qint64>(seconds(std::min(s, lengths_.longest)), 1);
}

bool Mp3PartCutter::openPartLocked() {
    partPath_ =
        QStringLiteral("%1/part-%2.wav").arg(folder_).arg(partIndex_, 6, 10, QLatin1Char('0'));
    part_ = std::fopen(QFile::encodeName(partPath_).constData(), "wb");
    if (!part_) {
        error_ = QStringLiteral("Cannot write %1: %2").arg(partPath_, errnoText());
        return false;
    }
    std::setvbuf(part_, nullptr, _IOFBF, 1 << 18);
    partWritten_ = 0;
    const QByteArray header = WavHeader(rate_, 0);
    if (std::fwrite(header.constData(), 1, size_t(header.size()), part_) != size_t(header.size())) {
        error_ = QStringLiteral("Cannot write %1: %2").arg(partPath_, errnoText());
        return false;
    }
    return true;
}

bool Mp3PartCutter::writeLocked(const qint16* samples, qsizetype count) {
    if (count == 0)
        return true;
    if ((partWritten_ + count) * 2 > WavDataLimit()) {
        // Hours of speech without a pause to cut at: a part's WAV header
        // could not say how long it is.
        error_ = QStringLiteral("Cannot write %1: the speech has no pause to cut the MP3 file at")
                     .arg(partPath_);
        return false;
    }
    const char* data = reinterpret_cast<const char*>(samples);
#if Q_BYTE_ORDER == Q_BIG_ENDIAN
    std::vector<qint16> le(samples, samples + count);
    for (qint16& s : le)
        s = qToLittleEndian(s);
    data = reinterpret_cast<const char*>(le.data());
#endif
    if (std::fwrite(data, 2, size_t(count), part_) != size_t(count)) {
        error_ = QStringLiteral("Cannot write %1: %2").arg(partPath_, errnoText());
        return false;
    }
    partWritten_ += count;
    return true;
}

bool Mp3PartCutter::closePartLocked() {
    // The header, now that the size is known: the same bytes a WAV file of
    // the file destination has.
    const QByteArray header = WavHeader(rate_, quint32(partWritten_ * 2));
    bool ok =
        std::fseek(part_, 0, SEEK_SET) == 0 &&
        std::fwrite(header.constData(), 1, size_t(header.size()), part_) == size_t(header.size());
    ok = std::fclose(part_) == 0 && ok;
    part_ = nullptr;
    if (!ok) {
        error_ = QStringLiteral("Cannot write %1: %2").arg(partPath_, errnoText());
        return false;
    }
    Mp3Part p;
    p.index = partIndex_;
    p.wavPath = partPath_;
    p.first = partFirst_;
    p.samples = partWritten_;
    ready_.push_back(p);
    return true;
}

void Mp3PartCutter::commitLocked(qsizetype count) {
    count = std::min(count, pendingSize());
    if (count <= 0)
        return;
    if (!writeLocked(pending_.data() + pendingHead_, count))
        return;
    dropLocked(count);
}

void Mp3PartCutter::dropLocked(qsizetype count) {
    pendingHead_ += count;
    pendingFirst_ += count;
    // Taken from the front in steps; moved down once half is taken.
    if (pendingHead_ > qsizetype(pending_.size()) / 2) {
        pending_.erase(pending_.begin(), pending_.begin() + pendingHead_);
        pendingHead_ = 0;
    }
}

qint64 Mp3PartCutter::earliestCutLocked() const {
    const qint64 target = targetLocked();
    return partFirst_ + target - std::min(seconds(2), target / 2);
}

void Mp3PartCutter::cutLocked(const Silence& silence) {
    // The part ends kBeforeCut into the silence, moved on so that the
    // encoder's delay and the part fill whole frames; the encoder's delay in
    // front of the next part stands for the stretch left out after the cut.
    const qint64 delay = Mp3Joiner::kEncoderDelay;
    qint64 cut = silence.start + kBeforeCut;
    const qint64 over = (delay + cut - partFirst_) % frameSamples_;
    if (over != 0)
        cut += frameSamples_ - over;
    commitLocked(qsizetype(cut - pendingFirst_));
    if (!error_.isEmpty() || !closePartLocked())
        return;
    joins_.push_back(cut);
    dropLocked(std::min(qsizetype(delay), pendingSize()));
    partFirst_ = pendingFirst_;
    ++partIndex_;
    best_ = {};
    if (!openPartLocked())
        return;
    if (partsWaiting_)
        partsWaiting_();
}

void Mp3PartCutter::consumeLocked() {
    const qint64 target = targetLocked();
    const qint64 window = seconds(lengths_.window);
    const qint64 earliest = earliestCutLocked();
    const qint64 end = pendingFirst_ + pendingSize();
    if (end - partFirst_ < target) {
        // Too early to cut: what lies before the earliest cut can go to the file.
        commitLocked(qsizetype(earliest - pendingFirst_));
        return;
    }
    if (best_.end > best_.start) {
        if (end >= partFirst_ + target + window)
            cutLocked(best_);
        return;
    }
    // No silence to cut in yet: keep the audio held back bounded.
    const qint64 keep = (partFirst_ + target - earliest) + 2 * window;
    if (pendingSize() > keep + window)
        commitLocked(qsizetype(pendingSize() - keep));
}

void Mp3PartCutter::Samples(const qint16* samples, qsizetype count, int sampleRate) {
    std::lock_guard lock(mutex_);
    if (detached_ || finished_ || !error_.isEmpty() || count <= 0)
        return;
    if (rate_ == 0) {
        rate_ = sampleRate > 0 ? sampleRate : kDefaultRate;
        frameSamples_ = rate_ >= 32000 ? 1152 : 576;
        if (!openPartLocked())
            return;
    }
    samplesIn_ += count;
    // Cut as soon as a part may end, so the held-back audio stays small.
    qsizetype done = 0;
    while (done < count && error_.isEmpty()) {
        const qsizetype n = std::min<qsizetype>(count - done, 4096);
        const qint64 first = pendingFirst_ + pendingSize();
        const qint64 minimum = minimumSilence(frameSamples_);
        // Silences may begin a little before the part has its length.
        const qint64 earliest = earliestCutLocked();
        const qint16* block = samples + done;
        auto quiet = [](qint16 v) { return unsigned(v + kSilenceLevel) <= 2u * kSilenceLevel; };
        for (qsizetype i = 0; i < n;) {
            // Runs of sound and of silence, each taken in one sweep.
            if (silenceStart_ < 0) {
                while (i < n && !quiet(block[i]))
                    ++i;
                if (i < n)
                    silenceStart_ = first + i;
                continue;
            }
            while (i < n && quiet(block[i]))
                ++i;
            if (i == n)
                break;
            // A silence ended: a place to cut when it is long enough where
            // the part may end; the longest such is kept.
            const qint64 at = first + i;
            const qint64 start = std::max({silenceStart_, pendingFirst_, earliest});
            if (at - start >= minimum && at - start > best_.end - best_.start)
                best_ = {start, at};
            silenceStart_ = -1;
        }
        pending_.insert(pending_.end(), samples + done, samples + done + n);
        done += n;
        consumeLocked();
    }
    // A part that cannot be written is reported at once, not at the end.
    if (!error_.isEmpty() && partsWaiting_)
        partsWaiting_();
}

bool Mp3PartCutter::finish() {
    std::lock_guard lock(mutex_);
    if (detached_ || finished_)
        return false;
    finished_ = true;
    if (!error_.isEmpty())
        return false;
    if (rate_ == 0) {
        rate_ = kDefaultRate;
        if (!openPartLocked())
            return false;
    }
    commitLocked(pendingSize());
    return error_.isEmpty() && closePartLocked();
}

std::vector<Mp3Part> Mp3PartCutter::takeParts() {
    std::lock_guard lock(mutex_);
    std::vector<Mp3Part> out;
    out.swap(ready_);
    return out;
}

void Mp3PartCutter::detach() {
    std::lock_guard lock(mutex_);
    detached_ = true;
    partsWaiting_ = nullptr;
    if (part_) {
        std::fclose(part_);
        part_ = nullptr;
        QFile::remove(partPath_);
    }
    pending_.clear();
    pendingHead_ = 0;
}

qint64 Mp3PartCutter::samplesIn() const {
    std::lock_guard lock(mutex_);
    return samplesIn_;
}

int Mp3PartCutter::sampleRate() const {
    std::lock_guard lock(mutex_);
    return rate_ > 0 ? rate_ : kDefaultRate;
}

QString Mp3PartCutter::errorString() const {
    std::lock_guard lock(mutex_);
    return error_;
}

std::vector<qint64> Mp3PartCutter::joins() const {
    std::lock_guard lock(mutex_);
    return joins_;
}

// --- encoding ---------------------------------------------------------------

ParallelMp3Encoder::ParallelMp3Encoder(QObject* parent) : QObject(parent) {}

ParallelMp3Encoder::~ParallelMp3Encoder() {
    stopAll();
}

bool ParallelMp3Encoder::prepare(const QString& appFolder, const QString& beside, int jobs,
                                 Mp3PartLengths lengths) {
    appFolder_ = appFolder;
    jobs_ = jobs > 0 ? jobs : std::max(1, QThread::idealThreadCount());
    if (FindMp3Encoder(appFolder).isEmpty()) {
        failed_ = true;
        error_ = Mp3EncoderNotFoundMessage();
        return false;
    }
    const QString where = QFileInfo(beside).absolutePath();
    folder_ = std::make_unique<QTemporaryDir>(where + QStringLiteral("/.kalotalk-mp3-XXXXXX"));
    if (!folder_->isValid()) {
        failed_ = true;
        error_ = QStringLiteral("Cannot write in %1: %2").arg(where, folder_->errorString());
        folder_.reset();
        return false;
    }
    cutter_ = std::make_shared<Mp3PartCutter>(folder_->path(), lengths, [this] {
        // On the writer thread: the parts are taken up on this object's.
        QMetaObject::invokeMethod(
            this, [this] { takeParts(); }, Qt::QueuedConnection);
    });
    return true;
}

void ParallelMp3Encoder::enqueue(const std::vector<Mp3Part>& parts) {
    for (const Mp3Part& part : parts) {
        auto job = std::make_unique<Job>();
        job->part = part;
        job->mp3Path = QFileInfo(part.wavPath).path() +
                       QStringLiteral("/part-%1.mp3").arg(part.index, 6, 10, QLatin1Char('0'));
        queue_.push_back(std::move(job));
    }
}

void ParallelMp3Encoder::takeParts() {
    if (!cutter_ || failed_ || cancelled_)
        return;
    const QString error = cutter_->errorString();
    if (!error.isEmpty()) {
        abort(error);
        return;
    }
    enqueue(cutter_->takeParts());
    startJobs();
}

bool ParallelMp3Encoder::startJobs() {
    for (auto& job : queue_) {
        if (running_ >= jobs_)
            break;
        if (job->encoder || job->done)
            continue;
        auto* encoder = new Mp3Encoder;
        job->encoder = encoder;
        Job* j = job.get();
        connect(encoder, &Mp3Encoder::progress, this, [this, j](int percent) {
            j->percent = percent;
            reportProgress();
        });
        connect(encoder, &Mp3Encoder::finished, this, [this, j](bool ok) { jobFinished(j, ok); });
        QFile::remove(job->mp3Path);
        if (!encoder->start(appFolder_, job->part.wavPath, job->mp3Path)) {
            abort(encoder->errorString());
            return false;
        }
        ++running_;
    }
    return true;
}

void ParallelMp3Encoder::jobFinished(Job* job, bool ok) {
    Mp3Encoder* encoder = job->encoder;
    // The encoder that reports is still in its signal; the others can go.
    std::erase_if(retired_, [&](const auto& e) { return e.get() != encoder; });
    encoder->disconnect(this);
    retired_.emplace_back(encoder);
    job->encoder = nullptr;
    --running_;
    if (cancelled_ || failed_)
        return;
    if (!ok) {
        abort(retired_.back()->errorString());
        return;
    }
    job->done = true;
    job->percent = 100;
    encoded_ += job->part.samples;
    QFile::remove(job->part.wavPath);
    joinDone();
    if (failed_ || !startJobs())
        return;
    if (finishing_ && queue_.empty())
        complete();
    else
        reportProgress();
}

void ParallelMp3Encoder::joinDone() {
    while (!queue_.empty() && queue_.front()->done) {
        const Job& job = *queue_.front();
        if (job.mp3Path != mp3Path_) {
            if (!joiner_) {
                joinedPath_ = folder_->filePath(QStringLiteral("joined.mp3"));
                joiner_ = std::make_unique<Mp3Joiner>();
                if (!joiner_->open(joinedPath_)) {
                    abort(joiner_->errorString());
                    return;
                }
            }
            if (!joiner_->append(job.mp3Path, job.part.samples, job.last)) {
                abort(joiner_->errorString());
                return;
            }
            QFile::remove(job.mp3Path);
        }
        queue_.pop_front();
    }
}

void ParallelMp3Encoder::complete() {
    if (joiner_) {
        if (!joiner_->close()) {
            abort(joiner_->errorString());
            return;
        }
        joiner_.reset();
        QFile::remove(mp3Path_);
        if (std::rename(QFile::encodeName(joinedPath_).constData(),
                        QFile::encodeName(mp3Path_).constData()) != 0) {
            // Another file system: copied instead.
            const QString why = errnoText();
            if (!QFile::copy(joinedPath_, mp3Path_)) {
                abort(QStringLiteral("Cannot write %1: %2").arg(mp3Path_, why));
                return;
            }
        }
    }
    finishing_ = false;
    folder_.reset();
    emit progress(100);
    emit finished(true);
}

bool ParallelMp3Encoder::finish(const QString& mp3Path) {
    if (failed_ || cancelled_ || !cutter_ || finishing_ || inputDone_) {
        if (error_.isEmpty())
            error_ = QStringLiteral("The MP3 encoding was stopped");
        return false;
    }
    mp3Path_ = mp3Path;
    inputDone_ = true;
    if (!cutter_->finish()) {
        abort(cutter_->errorString());
        return false;
    }
    enqueue(cutter_->takeParts());
    if (queue_.empty()) {
        abort(QStringLiteral("No audio to encode"));
        return false;
    }
    Job& last = *queue_.back();
    last.last = true;
    // A recording in one piece is encoded straight into the MP3 file, as a
    // whole WAV file would be.
    if (last.part.index == 0)
        last.mp3Path = mp3Path_;
    // No process can end before this returns: a failure to start one is
    // this call's failure, not a finished signal.
    if (!startJobs())
        return false;
    finishing_ = true;
    reportProgress();
    return true;
}

void ParallelMp3Encoder::cancel() {
    if (cancelled_)
        return;
    cancelled_ = true;
    if (!failed_)
        error_ = QStringLiteral("The MP3 encoding was stopped");
    stopAll();
    if (finishing_) {
        finishing_ = false;
        QMetaObject::invokeMethod(
            this, [this] { emit finished(false); }, Qt::QueuedConnection);
    }
}

void ParallelMp3Encoder::abort(const QString& error) {
    failed_ = true;
    error_ = error;
    stopAll();
    if (finishing_) {
        finishing_ = false;
        emit finished(false);
    }
}

void ParallelMp3Encoder::stopAll() {
    if (cutter_)
        cutter_->detach();
    for (auto& job : queue_) {
        if (job->encoder) {
            job->encoder->disconnect(this);
            delete job->encoder; // ends its process
            job->encoder = nullptr;
        }
    }
    queue_.clear();
    running_ = 0;
    joiner_.reset();
    // What was written under the MP3 file's name is not a whole MP3 file.
    if (!mp3Path_.isEmpty() && (finishing_ || failed_ || cancelled_))
        QFile::remove(mp3Path_);
    folder_.reset(); // the parts with it
}

void ParallelMp3Encoder::waitForFinished() {
    while (finishing_) {
        Mp3Encoder* running = nullptr;
        for (auto& job : queue_)
            if (job->encoder) {
                running = job->encoder;
                break;
            }
        if (!running)
            break;
        running->waitForFinished();
    }
}

qint64 ParallelMp3Encoder::samplesIn() const {
    return cutter_ ? cutter_->samplesIn() : 0;
}

qint64 ParallelMp3Encoder::samplesEncoded() const {
    qint64 n = encoded_;
    for (const auto& job : queue_)
        if (job->encoder)
            n += job->part.samples * job->percent / 100;
    return n;
}

int ParallelMp3Encoder::sampleRate() const {
    return cutter_ ? cutter_->sampleRate() : 22050;
}

std::vector<qint64> ParallelMp3Encoder::joins() const {
    return cutter_ ? cutter_->joins() : std::vector<qint64>{};
}

void ParallelMp3Encoder::reportProgress() {
    if (!finishing_)
        return;
    const qint64 total = samplesIn();
    const int percent = total > 0 ? int(std::min<qint64>(100, samplesEncoded() * 100 / total)) : 0;
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    emit progress(percent);
}

} // namespace kalo
