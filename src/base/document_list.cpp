#include "base/document_list.h"

#include "base/settings_store.h"
#include "base/text_file.h"

#include <QFile>
#include <QSaveFile>

namespace kalo {

QStringList ReadDocumentList(const QString& path, QHash<QString, QByteArray>* rawBytes) {
    QStringList list;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return list;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return list;
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw KaloError(QStringLiteral("Cannot create file %1. %2").arg(path, file.errorString()));
}

} // namespace kalo
