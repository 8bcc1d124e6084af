// The part of a file destination that knows a file format: it opens the
// file, takes the samples and makes the file complete. The destination
// around it does the pacing, the locking and the notifications, the same
// for every format. A writer is used under the destination's lock only.
#pragma once

#include "speech/audio_destinations.h"

#include <QString>

#include <memory>

namespace kalo {

class AudioFileWriter {
public:
    virtual ~AudioFileWriter() = default;

    // Creates or replaces the file (the previous one was closed); false
    // with the reason in error.
    virtual bool open(const QString& fileName, int sampleRate, QString* error) = 0;
    virtual bool isOpen() const = 0;
    // Appends mono 16-bit samples at the rate given to open; false with the
    // reason when they could not be written.
    virtual bool write(const qint16* samples, qsizetype count, QString* error) = 0;
    // The most samples a file can take; -1 when there is no such limit.
    virtual qint64 sampleLimit() const { return -1; }
    // A text has been written to its end, or stopped: the file is made
    // complete (a WAV header is rewritten; a compressed file is ended and
    // closed, but only when it holds audio, so a stop that comes before the
    // first sample of a new file leaves that file open for its text).
    virtual bool finishText(QString* error) = 0;
    // Makes what has been written readable without ending the file, where
    // the format allows it (a pause may follow).
    virtual bool flush(QString* error) = 0;
    // Completes and closes the file, if one is open.
    virtual bool close(QString* error) = 0;
};

// The writer of Opus files (through libopus), of Vorbis and FLAC files
// (through libsndfile) and of no file at all (AudioFileFormat::None).
std::unique_ptr<AudioFileWriter> CreateEncodedFileWriter(AudioFileFormat format);
std::unique_ptr<AudioFileWriter> CreateOpusFileWriter();

// Opens fileName for writing, created or emptied, and refuses anything that
// is not a regular file. Opened without blocking, so a FIFO in the file's
// place cannot hold the program up; then back to blocking writes. The
// descriptor, or -1 with the reason in error.
int OpenRegularFileForWriting(const QString& fileName, QString* error);

} // namespace kalo
