// Reading and writing the converter's text documents. A document keeps the
// encoding and line-break style it was read with; text inside the program
// always uses "\n".
#pragma once

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

// "\r\n" and a lone "\r" become "\n" (in one pass: fast on large texts).
QString NormaliseLineBreaks(QString text);

// Reads a document; throws KaloError with the file system's reason.
DecodedText ReadTextFile(const QString& path);

// Writes a document through a temporary file and a rename, so a full disk
// never leaves half a document. A file the user made read-only is not
// replaced. Throws KaloError("Cannot create file <path>. <reason>").
void WriteTextFile(const QString& path, const QString& text, TextFormat& format);

} // namespace kalo
