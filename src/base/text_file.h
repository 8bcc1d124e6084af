// Reading and writing the converter's text documents. A document keeps the
// encoding and line-break style it was read with; text inside the program
// always uses "\n".
#pragma once

#include "base/regular_file.h"

#include <QByteArray>
#include <QString>

namespace kalo {

enum class TextEncoding {
    Utf8,        // no byte-order mark
    Utf8Bom,     // with the UTF-8 byte-order mark
    Utf16LE,     // with its byte-order mark
    Utf16BE,     // with its byte-order mark
    Windows1252, // anything that is not valid UTF-8
};

enum class LineBreak { CrLf, Lf, Cr };

struct TextFormat {
    TextEncoding encoding = TextEncoding::Utf8;
    LineBreak lineBreak = LineBreak::Lf; // new documents: UTF-8 and LF
};

struct DecodedText {
    QString text; // line breaks as "\n"
    TextFormat format;
};

// Never fails: bytes that are not valid UTF-8 (with or without a mark) or
// UTF-16 with a mark are taken as Windows-1252, where every byte has a
// character, so even a binary file comes back byte for byte when written.
DecodedText DecodeText(const QByteArray& bytes);

// The text in the format's encoding and line breaks. When a character cannot
// be stored in Windows-1252 the document moves to UTF-8 (format is updated)
// rather than losing the character.
QByteArray EncodeText(const QString& text, TextFormat& format);

// A short text of the program's own files (a settings value, a document
// list entry): UTF-8 when the bytes are valid UTF-8, else Windows-1252.
QString DecodeUtf8Or1252(QByteArrayView bytes);

// "\r\n" and a lone "\r" become "\n" (in one pass: fast on large texts).
QString NormaliseLineBreaks(QString text);

// The largest document that is opened: ten times what the editor is known to
// show in a few seconds, and far below what would exhaust memory.
inline constexpr qint64 MaxDocumentBytes = 512LL * 1024 * 1024;

// Reads a document, a regular file of at most MaxDocumentBytes; throws
// KaloError with the reason. `stop` (if given) is asked between the pieces
// of a large file and ends the read early (a KaloError too).
DecodedText ReadTextFile(const QString& path, const ReadStopCheck& stop = {});

// Writes a document through a temporary file and a rename, so a full disk
// never leaves half a document. A file the user made read-only is not
// replaced, nor is anything that is not a regular file (a FIFO, a device). Throws KaloError("Cannot create file <path>. <reason>").
void WriteTextFile(const QString& path, const QString& text, TextFormat& format);

} // namespace kalo
