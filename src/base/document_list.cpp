#include "base/document_list.h"

#include "base/regular_file.h"
#include "base/settings_store.h"
#include "base/text_file.h"


namespace kalo {

QStringList ReadDocumentList(const QString& path, QHash<QString, QByteArray>* rawBytes) {
    QStringList list;
    // Only a regular file: a FIFO in its place would hold start-up for ever,
    // and a device such as /dev/zero never ends. Either reads as no list.
    constexpr qint64 kMaxListBytes = 64 * 1024 * 1024;
    const RegularFileRead read = ReadRegularFile(path, kMaxListBytes);
    if (!read.ok())
        return list;
    const QByteArray& bytes = read.bytes;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArrayView raw(bytes.constData() + pos, end - pos);
        list.append(DecodeUtf8Or1252(raw));
        if (rawBytes && list.last().toUtf8() != raw)
            rawBytes->insert(list.last(), raw.toByteArray());
        pos = end;
        if (pos < bytes.size()) {
            const bool crlf = bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n';
            pos += crlf ? 2 : 1;
        }
    }
    return list;
}

void AddDefaultDocumentIfEmpty(QStringList& list, const QString& defTxtPath) {
    if (list.isEmpty())
        list.append(defTxtPath + QStringLiteral("untitled.txt"));
}

void WriteDocumentList(const QString& path, const QStringList& list,
                       const QHash<QString, QByteArray>* rawBytes) {
    QByteArray bytes;
    for (const QString& entry : list) {
        const auto raw =
            rawBytes ? rawBytes->constFind(entry) : QHash<QString, QByteArray>::const_iterator{};
        bytes += rawBytes && raw != rawBytes->cend() ? *raw : entry.toUtf8();
        bytes += "\r\n";
    }
    QString reason;
    if (!SaveRegularFile(path, bytes, &reason))
        throw KaloError(QStringLiteral("Cannot create file %1. %2").arg(path, reason));
}

} // namespace kalo
