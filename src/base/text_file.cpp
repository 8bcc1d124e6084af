#include "base/text_file.h"

#include "base/kalo_error.h"
#include "base/regular_file.h"

#include <QFileInfo>
#include <QStringDecoder>

#include <array>
#include <optional>

namespace kalo {

namespace {

// Windows-1252 bytes 0x80-0x9F. The five bytes the code page leaves undefined
// map to the C1 controls of the same value, so they survive a round trip.
constexpr std::array<char16_t, 32> kHigh1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString decode1252(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *dst++ = (b >= 0x80 && b < 0xA0) ? QChar(kHigh1252[b - 0x80]) : QChar(b);
    }
    return out;
}

// Encodes into Windows-1252; false when some character has no byte.
bool encode1252(const QString& text, QByteArray& out) {
    out.resize(text.size());
    char* dst = out.data();
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            *dst++ = static_cast<char>(u);
            continue;
        }
        int found = -1;
        for (int i = 0; i < 32; ++i)
            if (kHigh1252[static_cast<size_t>(i)] == u)
                found = i;
        if (found < 0)
            return false;
        *dst++ = static_cast<char>(0x80 + found);
    }
    return true;
}

// The text when the bytes are valid UTF-8, nothing otherwise.
std::optional<QString> tryUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// The most frequent line-break style; LF when there is none.
LineBreak detectLineBreak(QByteArrayView bytes) {
    qsizetype crlf = 0, lf = 0, cr = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        } else if (bytes[i] == '\n') {
            ++lf;
        }
    }
    if (crlf >= lf && crlf >= cr && crlf > 0)
        return LineBreak::CrLf;
    if (cr > lf)
        return LineBreak::Cr;
    return LineBreak::Lf;
}

QString withLineBreaks(const QString& text, LineBreak style) {
    if (style == LineBreak::Lf)
        return text;
    if (style == LineBreak::Cr) {
        QString out = text;
        return out.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    }
    const qsizetype breaks = text.count(QLatin1Char('\n'));
    if (breaks == 0)
        return text;
    QString out(text.size() + breaks, Qt::Uninitialized);
    QChar* dst = out.data();
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            *dst++ = QLatin1Char('\r');
        *dst++ = c;
    }
    return out;
}

} // namespace

// "\r\n" and a lone "\r" become "\n", in one pass (QString::replace with a
// shorter replacement moves the rest of the text at every match).
QString NormaliseLineBreaks(QString text) {
    const qsizetype first = text.indexOf(QLatin1Char('\r'));
    if (first < 0)
        return text;
    QChar* data = text.data();
    const qsizetype size = text.size();
    qsizetype out = first;
    for (qsizetype in = first; in < size; ++in) {
        if (data[in] == QLatin1Char('\r')) {
            data[out++] = QLatin1Char('\n');
            if (in + 1 < size && data[in + 1] == QLatin1Char('\n'))
                ++in;
        } else {
            data[out++] = data[in];
        }
    }
    text.truncate(out);
    return text;
}

DecodedText DecodeText(const QByteArray& bytes) {
    DecodedText result;
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) {
        if (auto text = tryUtf8(view.sliced(3))) {
            result.format.encoding = TextEncoding::Utf8Bom;
            result.format.lineBreak = detectLineBreak(view);
            result.text = NormaliseLineBreaks(std::move(*text));
            return result;
        }
    }
    if (view.size() % 2 == 0 && (view.startsWith("\xFF\xFE") || view.startsWith("\xFE\xFF"))) {
        const bool le = view.startsWith("\xFF\xFE");
        QStringDecoder decoder(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(view.sliced(2));
        if (!decoder.hasError()) {
            result.format.encoding = le ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
            result.format.lineBreak = text.contains(QStringLiteral("\r\n")) ? LineBreak::CrLf
                                      : text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))
                                          ? LineBreak::Cr
                                          : LineBreak::Lf;
            result.text = NormaliseLineBreaks(std::move(text));
            return result;
        }
    }
    result.format.lineBreak = detectLineBreak(view);
    if (auto text = tryUtf8(view)) {
        result.format.encoding = TextEncoding::Utf8;
        result.text = NormaliseLineBreaks(std::move(*text));
    } else {
        result.format.encoding = TextEncoding::Windows1252;
        result.text = NormaliseLineBreaks(decode1252(view));
    }
    return result;
}

QString DecodeUtf8Or1252(QByteArrayView bytes) {
    if (auto text = tryUtf8(bytes))
        return std::move(*text);
    return decode1252(bytes);
}

QByteArray EncodeText(const QString& text, TextFormat& format) {
    const QString lines = withLineBreaks(text, format.lineBreak);
    switch (format.encoding) {
    case TextEncoding::Windows1252: {
        QByteArray out;
        if (encode1252(lines, out))
            return out;
        format.encoding = TextEncoding::Utf8;
        return lines.toUtf8();
    }
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + lines.toUtf8();
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const bool le = format.encoding == TextEncoding::Utf16LE;
        QStringEncoder encoder(le ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE,
                               QStringEncoder::Flag::Stateless);
        return QByteArray(le ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(lines));
    }
    case TextEncoding::Utf8:
        break;
    }
    return lines.toUtf8();
}

DecodedText ReadTextFile(const QString& path, const ReadStopCheck& stop) {
    // Only a regular file: a FIFO would block the window for ever, and a
    // device such as /dev/zero never ends.
    const RegularFileRead read = ReadRegularFile(path, MaxDocumentBytes, stop);
    if (read.result == RegularFileRead::TooLarge)
        throw KaloError(QStringLiteral("The file \"%1\" is too large to open (%2 MB); "
                                       "documents of up to %3 MB are opened.")
                            .arg(path)
                            .arg(MegabytesUp(read.size))
                            .arg(MaxDocumentBytes / (1024 * 1024)));
    if (!read.ok())
        throw KaloError(read.failure(path));
    return DecodeText(read.bytes);
}

void WriteTextFile(const QString& path, const QString& text, TextFormat& format) {
    const auto fail = [&](const QString& reason) {
        throw KaloError(QStringLiteral("Cannot create file %1. %2").arg(path, reason));
    };
    const QFileInfo info(path);
    // A read-only document stays as the user left it, also for a user (such
    // as root) whom the file system would let write anyway.
    constexpr auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & anyWrite)))
        fail(QStringLiteral("Permission denied"));

    TextFormat written = format;
    QString reason;
    if (!SaveRegularFile(path, EncodeText(text, written), &reason))
        fail(reason);
    format = written;
}

} // namespace kalo
