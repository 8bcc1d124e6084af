#include "converter/document_tabs.h"

#include <QDir>
#include <QFileInfo>

namespace kalo {

QString TabCaption(const QString& path) {
    return QFileInfo(path).completeBaseName();
}

QString NormalisedDocumentPath(const QString& path) {
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString NextUntitledPath(const QString& defTxtPath,
                         const std::function<bool(const QString&)>& exists) {
    for (qint64 n = 1;; ++n) {
        const QString candidate = defTxtPath + QStringLiteral("untitled%1.txt").arg(n);
        if (!exists(candidate))
            return candidate;
    }
}

QStringList SpokenLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int SelectionAfterRebuild(int remembered, int count) {
    if (count <= 0)
        return -1;
    if (remembered >= 0 && remembered < count)
        return remembered;
    return 0;
}

bool AddDocument(QStringList& list, const QString& path) {
    const QString p = NormalisedDocumentPath(path);
    if (list.contains(p))
        return false;
    list.append(p);
    return true;
}

void RenameDocument(QStringList& list, int selected, const QString& chosen) {
    if (selected < 0 || selected >= list.size())
        return;
    const QString p = NormalisedDocumentPath(chosen);
    const qsizetype other = list.indexOf(p);
    if (other < 0) {
        list[selected] = p;
        return;
    }
    if (other == selected)
        return;
    list.removeAt(selected);
    list.removeAll(p);
    list.append(p);
}

void CloseDocument(QStringList& list, int index, const QString& defTxtPath) {
    if (index >= 0 && index < list.size())
        list.removeAt(index);
    if (list.isEmpty())
        list.append(NormalisedDocumentPath(defTxtPath + QStringLiteral("untitled.txt")));
}

void CloseAllDocuments(QStringList& list, const QString& defTxtPath) {
    list.clear();
    list.append(NormalisedDocumentPath(defTxtPath + QStringLiteral("untitled.txt")));
}

} // namespace kalo
