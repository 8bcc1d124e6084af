// The document list: the text files both interfaces work on, kept in
// filelist.dll in the application folder, one full path a line.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace kalo {

// Reads the list file; any failure (missing, unreadable, not a regular file)
// gives an empty list.
// Lines end at CR, LF or CR LF; a last line without an ending still counts.
// Paths keep their letter case: file names on Linux tell case apart.
// Entries that are not valid UTF-8 are read as Windows-1252; rawBytes (may
// be null) then gets each such entry's bytes as they were in the file.
QStringList ReadDocumentList(const QString& path, QHash<QString, QByteArray>* rawBytes = nullptr);

// The default document, DefTxtPath + "untitled.txt", when the list is empty.
void AddDefaultDocumentIfEmpty(QStringList& list, const QString& defTxtPath);

// Writes every entry followed by CR LF, replacing the file atomically; a
// FIFO or device in its place is not replaced.
// Throws KaloError with the file system's error text on failure.
// An entry found in rawBytes is written as those bytes, so a name read as
// Windows-1252 goes back exactly as it came; every other entry as UTF-8.
void WriteDocumentList(const QString& path, const QStringList& list,
                       const QHash<QString, QByteArray>* rawBytes = nullptr);

} // namespace kalo
