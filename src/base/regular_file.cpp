#include "base/regular_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <vector>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalo {

namespace {
QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// OpenRegularFile, telling a file that is not regular from one that cannot
// be opened.
RegularFileRead::Result openChecked(const QString& path, QFile& file, QString* reason) {
    const auto fail = [reason](RegularFileRead::Result result, const QString& why) {
        if (reason)
            *reason = why;
        return result;
    };
    if (path.isEmpty())
        return fail(RegularFileRead::Unopenable, QStringLiteral("no file name was given"));
    const QByteArray native = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of
    // waiting for one; the descriptor is checked before anything is read.
    int fd;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return fail(RegularFileRead::Unopenable, errnoText(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(RegularFileRead::Unopenable, errnoText(error));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(RegularFileRead::NotRegular, S_ISDIR(st.st_mode)
                                                     ? QStringLiteral("it is a folder")
                                                     : QStringLiteral("it is not a regular file"));
    }
    // Reads of a regular file do not block anyway; clear the flag so the
    // descriptor behaves as an ordinary one.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const QString why = file.errorString();
        ::close(fd);
        return fail(RegularFileRead::Unopenable, why);
    }
    return RegularFileRead::Read;
}
} // namespace

bool OpenRegularFile(const QString& path, QFile& file, QString* reason) {
    return openChecked(path, file, reason) == RegularFileRead::Read;
}

RegularFileRead ReadAtMost(QIODevice& device, qint64 maxBytes, const ReadStopCheck& stop) {
    RegularFileRead out;
    const auto tooLarge = [&out, maxBytes](qint64 size) {
        out.result = RegularFileRead::TooLarge;
        out.size = size;
        out.reason = QStringLiteral("it is larger than %1 MB").arg(MegabytesUp(maxBytes));
        return out;
    };
    const auto stopped = [&out, &stop] {
        if (!stop || !stop())
            return false;
        out.result = RegularFileRead::Unreadable;
        out.reason = ReadStoppedReason();
        return true;
    };
    // A regular file says its size: its bytes go straight into one buffer,
    // a piece at a time so the read can be stopped. Anything else, and a
    // file that grows meanwhile, in pieces, so no more than the limit (and
    // one piece) is ever held, and nothing is copied until the end is seen.
    constexpr qint64 kPiece = 1 << 20;
    const qint64 known = device.isSequential() ? 0 : device.size() - device.pos();
    if (known > maxBytes)
        return tooLarge(known);
    QByteArray bytes;
    if (known > 0) {
        // One byte more than the size: a file that grew shows it here.
        bytes.resize(known + 1);
        qint64 got = 0;
        while (got < known + 1) {
            if (stopped())
                return out;
            const qint64 n = device.read(bytes.data() + got, std::min(kPiece, known + 1 - got));
            if (n <= 0)
                break; // the end, or an error
            got += n;
        }
        bytes.resize(got);
    }
    qint64 have = bytes.size();
    std::vector<QByteArray> pieces;
    while (have <= maxBytes && (device.isSequential() || !device.atEnd())) {
        if (stopped())
            return out;
        QByteArray piece = device.read(std::min(kPiece, maxBytes + 1 - have));
        if (piece.isEmpty())
            break; // the end, or an error
        have += piece.size();
        pieces.push_back(std::move(piece));
    }
    const auto* file = qobject_cast<QFileDevice*>(&device);
    if (file && file->error() != QFileDevice::NoError) {
        out.result = RegularFileRead::Unreadable;
        out.reason = file->errorString();
        return out;
    }
    if (have > maxBytes)
        return tooLarge(have);
    if (!pieces.empty()) {
        bytes.reserve(have);
        for (const QByteArray& piece : pieces)
            bytes += piece;
    }
    out.result = RegularFileRead::Read;
    out.size = have;
    out.bytes = std::move(bytes);
    return out;
}

RegularFileRead ReadRegularFile(const QString& path, qint64 maxBytes, const ReadStopCheck& stop) {
    QFile file;
    RegularFileRead out;
    out.result = openChecked(path, file, &out.reason);
    if (out.result != RegularFileRead::Read)
        return out;
    return ReadAtMost(file, maxBytes, stop);
}

QString ReadStoppedReason() {
    return QStringLiteral("the read was stopped");
}

QString RegularFileRead::failure(const QString& path) const {
    QString why = reason;
    if (!why.isEmpty())
        why[0] = why[0].toUpper();
    return QStringLiteral("Cannot %1 file \"%2\". %3.")
        .arg(result == Unreadable ? QStringLiteral("read") : QStringLiteral("open"), path, why);
}

bool SaveRegularFile(const QString& path, QByteArrayView bytes, QString* reason) {
    const auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return false;
    };
    // QSaveFile would rename its new file over a FIFO or a device node (or,
    // behind a link, write beside it in its folder, /dev for instance).
    const QFileInfo existing(path);
    if (existing.isDir())
        return fail(QStringLiteral("Is a directory"));
    if (existing.exists() && !existing.isFile())
        return fail(QStringLiteral("Not a regular file"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

qint64 MegabytesUp(qint64 bytes) {
    constexpr qint64 mb = 1024 * 1024;
    return bytes <= 0 ? 0 : (bytes + mb - 1) / mb;
}

} // namespace kalo
