#include "base/document_list.h"

#include "base/settings_store.h"

#include <QFile>
#include <QSaveFile>

namespace kalo {

QStringList ReadDocumentList(const QString& path) {
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
        list.append(QString::fromUtf8(bytes.constData() + pos, end - pos));
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

void WriteDocumentList(const QString& path, const QStringList& list) {
    QByteArray bytes;
    for (const QString& entry : list) {
        bytes += entry.toUtf8();
        bytes += "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw KaloError(QStringLiteral("Cannot create file %1. %2").arg(path, file.errorString()));
}

} // namespace kalo
