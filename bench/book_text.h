// A book of any size for the MP3 benchmarks: paragraphs of plain prose of
// our own, written for these benchmarks, repeated until the size is reached,
// with numbered chapters so no two stretches of the book read the same.
#pragma once

#include <QByteArray>

namespace kalo::bench {

inline QByteArray BookText(qsizetype bytes) {
    static const char* const paragraphs[] = {
        "The road to the harbour town ran between stone walls and orchards. In spring the "
        "carts came down it loaded with timber, and in autumn they went back up with salt, "
        "rope and barrels of dried fish. Nobody hurried on that road; the horses knew every "
        "bend of it better than their drivers did.",
        "Martha kept the inn at the crossroads for thirty years. She remembered the faces of "
        "travellers long after she had forgotten their names, and she could tell from the way "
        "a man shut the door whether he would pay his bill in the morning. Her kitchen smelled "
        "of bread, smoke and apples, and the fire was never allowed to go out.",
        "One winter evening a young surveyor arrived with a box of instruments and a map that "
        "showed a new canal where the old road ran. He spread the map on the long table, "
        "weighted its corners with candlesticks, and explained to anyone who would listen how "
        "the water would climb the hill through a ladder of locks.",
        "The farmers listened politely and said very little. Some of them had heard such plans "
        "before, from men with better coats and louder voices. Others simply wondered who "
        "would pay for it all, and whether a canal would carry their apples to market any "
        "faster than the carts had done for a hundred years.",
        "By the end of the week the snow had closed the pass, and the surveyor could not leave. "
        "He helped Martha carry wood, mended a broken shutter, and taught the stable boy to "
        "read the numbers on his map. In the evenings he measured the shadows on the wall and "
        "wrote long columns of figures in a small green notebook.",
        "When the thaw came he packed his instruments, paid his bill to the last penny, and "
        "walked away down the harbour road. The canal was never dug. But the stable boy kept "
        "the map, and years later, when he had become a builder of bridges, he still carried "
        "the green notebook in the pocket of his coat.",
    };
    constexpr int count = sizeof paragraphs / sizeof *paragraphs;
    QByteArray out;
    out.reserve(bytes + 1024);
    for (int i = 0; out.size() < bytes; ++i) {
        if (i % count == 0)
            out += "Chapter " + QByteArray::number(i / count + 1) + ".\n\n";
        out += paragraphs[i % count];
        out += "\n\n";
    }
    out.truncate(bytes);
    return out;
}

} // namespace kalo::bench
