#include "base/regular_file.h"

#include <QFile>

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

RegularFileRead ReadRegularFile(const QString& path, qint64 maxBytes) {
    RegularFileRead out;
    QFile file;
    out.result = openChecked(path, file, &out.reason);
    if (out.result != RegularFileRead::Read)
        return out;
    const auto tooLarge = [&out, maxBytes](qint64 size) {
        out.result = RegularFileRead::TooLarge;
        out.size = size;
        out.reason = QStringLiteral("it is larger than %1 MB").arg(MegabytesUp(maxBytes));
        return out;
    };
    out.size = file.size();
    if (out.size > maxBytes)
        return tooLarge(out.size);
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        out.result = RegularFileRead::Unreadable;
        out.reason = file.errorString();
        return out;
    }
    if (bytes.size() > maxBytes)
        return tooLarge(bytes.size());
    out.size = bytes.size();
    out.bytes = std::move(bytes);
    return out;
}

qint64 MegabytesUp(qint64 bytes) {
    constexpr qint64 mb = 1024 * 1024;
    return bytes <= 0 ? 0 : (bytes + mb - 1) / mb;
}

} // namespace kalo
