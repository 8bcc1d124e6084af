// The rules the converter keeps for its document list, apart from any
// window: tab captions, untitled names, where the selection goes, and how
// Open, Save As and Close change the list.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace kalo {

// The file name without folder and extension: "/docs/letter.txt" -> "letter".
QString TabCaption(const QString& path);

// The same file however it was written: absolute, "." and ".." resolved.
// Letter case is kept, as the file system tells case apart.
QString NormalisedDocumentPath(const QString& path);

// The first of defTxtPath + "untitled1.txt", "untitled2.txt", ... for which
// exists() is false. Gaps left by deleted files are reused.
QString NextUntitledPath(const QString& defTxtPath,
                         const std::function<bool(const QString&)>& exists);

// The lines of a text as they are handed to the engine: split at "\n"; a
// line break at the very end ends the last line and starts no empty one.
QStringList SpokenLines(const QString& text);

// The tab selected after the tabs were rebuilt: the same position when it
// still exists, otherwise the first tab; -1 only when there are no tabs.
int SelectionAfterRebuild(int remembered, int count);

// Appends the path unless the list already holds it; true if it was added.
bool AddDocument(QStringList& list, const QString& path);

// Save As: the selected entry takes the chosen path. When that path is open
// in another tab, the two tabs become one, at the end of the list. Saving
// onto the document's own path changes nothing.
void RenameDocument(QStringList& list, int selected, const QString& chosen);

// Close and Close All: the list never ends up empty; the default document
// defTxtPath + "untitled.txt" takes the place of the last one.
void CloseDocument(QStringList& list, int index, const QString& defTxtPath);
void CloseAllDocuments(QStringList& list, const QString& defTxtPath);

} // namespace kalo
