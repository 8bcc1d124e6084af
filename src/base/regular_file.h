// Reading files that come from outside the program (characters, skins, the
// text files of the reading list) only when they are regular files. A FIFO
// blocks open() and read() until a writer comes, possibly for ever, and a
// device such as /dev/zero never ends; both would hang or drown whoever
// reads them.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kalo {

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
};

// Reads the whole of a regular file of at most maxBytes bytes. A file that
// grows past the limit while it is read counts as too large.
RegularFileRead ReadRegularFile(const QString& path, qint64 maxBytes);

// The number of whole megabytes, rounded up, for messages.
qint64 MegabytesUp(qint64 bytes);

} // namespace kalo
