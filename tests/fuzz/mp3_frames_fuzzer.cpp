// The MP3 frames the encoder writes into the parts of a file (an outside
// program's output) and the joining of such parts: no crash, and what is
// read and written keeps its promises on any input.
#include "speech/mp3_frames.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace kalo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // Every frame read lies within the input and is as long as its header says.
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Mp3FrameReader reader;
    reader.open(&buffer);
    QByteArray frame;
    Mp3FrameHeader header;
    qint64 total = 0;
    int frames = 0;
    while (reader.next(frame, header)) {
        ++frames;
        if (frame.size() != header.bytes || header.bytes < 4 || header.samples <= 0)
            std::abort();
        total += frame.size();
        Mp3InfoTag tag;
        if (FindMp3InfoTag(frame, header, tag) &&
            (tag.at < 4 || tag.at + 8 > frame.size() ||
             (tag.tocAt >= 0 && tag.tocAt + 100 > frame.size()) ||
             (tag.lameAt >= 0 && tag.lameAt + 36 > frame.size())))
            std::abort();
    }
    if (total > bytes.size())
        std::abort();

    // The input as two parts of a file: joined, the file holds only frames.
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/kalo-mp3-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/kalo-mp3-fuzz-XXXXXX"));
    const QString part = dir.filePath(QStringLiteral("part.mp3"));
    const QString joined = dir.filePath(QStringLiteral("joined.mp3"));
    QFile f(part);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return 0;
    f.close();
    Mp3Joiner joiner;
    if (!joiner.open(joined))
        return 0;
    const qint64 samples = size > 0 ? qint64(data[0]) * 97 : 0;
    const bool first = joiner.append(part, samples, false);
    const bool second = joiner.append(part, samples, true);
    if (!joiner.close())
        std::abort();
    if (frames == 0 && (first || second))
        std::abort(); // nothing to join was joined
    Mp3FrameReader check;
    if (!check.open(joined))
        std::abort();
    qint64 read = 0;
    while (check.next(frame, header))
        read += frame.size();
    if (read != QFile(joined).size())
        std::abort();
    return 0;
}
