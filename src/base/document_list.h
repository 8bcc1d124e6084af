// The document list: the text files both interfaces work on, kept in
// filelist.dll in the application folder, one full path a line.
#pragma once

#include <QString>
#include <QStringList>

namespace kalo {

// Reads the list file; any failure (missing, unreadable) gives an empty list.
// Lines end at CR, LF or CR LF; a last line without an ending still counts.
// Paths keep their letter case: file names on Linux tell case apart.
QStringList ReadDocumentList(const QString& path);

// The default document, DefTxtPath + "untitled.txt", when the list is empty.
void AddDefaultDocumentIfEmpty(QStringList& list, const QString& defTxtPath);

// Writes every entry followed by CR LF, replacing the file atomically.
// Throws KaloError with the file system's error text on failure.
void WriteDocumentList(const QString& path, const QStringList& list);

} // namespace kalo
