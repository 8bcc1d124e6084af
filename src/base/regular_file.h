// Reading files that come from outside the program (characters, skins, the
// text files of the reading list) only when they are regular files. A FIFO
// blocks open() and read() until a writer comes, possibly for ever, and a
// device such as /dev/zero never ends; both would hang or drown whoever
// reads them.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>

namespace kalo {

// Asked between the pieces of a long read: true ends the read early.
using ReadStopCheck = std::function<bool()>;

// Opens `path` for reading when it is a regular file (symbolic links
// followed). The check is made on the opened descriptor, which is opened
// without blocking, so a file swapped for a FIFO between a look at the folder
// and the open cannot block either. On failure `file` stays closed and
// `reason` (when given) says why in a few words, such as "it is not a regular
// file".
bool OpenRegularFile(const QString& path, QFile& file, QString* reason = nullptr);

struct RegularFileRead {
    enum Result {
        Read,       // bytes holds the whole file
        Unopenable, // missing, no permission, ...
        NotRegular, // a folder, FIFO, socket or device
        TooLarge,   // larger than the limit; size says how large
        Unreadable, // an error while reading
    };
    Result result = Unopenable;
    QByteArray bytes;
    QString reason; // in words, for a message
    qint64 size = 0;

    bool ok() const { return result == Read; }
    // For a failure other than TooLarge: "Cannot open file "<path>". It is
    // not a regular file." and the like.
    QString failure(const QString& path) const;
};

// Reads the whole of a regular file of at most maxBytes bytes. A file that
// grows past the limit while it is read counts as too large. A large file is
// read a piece at a time; when `stop` (if given) says so between two pieces,
// the read ends as Unreadable with the reason ReadStoppedReason.
RegularFileRead ReadRegularFile(const QString& path, qint64 maxBytes,
                                const ReadStopCheck& stop = {});

// Reads what `device` gives until its end, at most maxBytes bytes: a pipe,
// a FIFO or standard input, where waiting for the writer is right, but where
// a source that never ends (such as /dev/zero) must not take all memory.
// More than maxBytes is TooLarge; the bytes read are then dropped.
RegularFileRead ReadAtMost(QIODevice& device, qint64 maxBytes, const ReadStopCheck& stop = {});

// The reason of a read ended by its stop check.
QString ReadStoppedReason();

// Replaces `path` with `bytes` through a temporary file in the same folder
// and a rename, so a crash or a full disk never leaves half a file (a
// symbolic link stays, the file it names is replaced). Something at `path`
// that is not a regular file (a folder, FIFO, socket or device) is neither
// opened nor replaced. False with the reason in words on failure, such as
// "Not a regular file".
bool SaveRegularFile(const QString& path, QByteArrayView bytes, QString* reason);

// The number of whole megabytes, rounded up, for messages.
qint64 MegabytesUp(qint64 bytes);

} // namespace kalo
