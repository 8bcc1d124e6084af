// The bit-stream compression of character files (pixels and regions): a
// literal/back-reference scheme read least significant bit first, ending in an
// end code, 1-bit padding and three FF bytes.
#pragma once

#include <QByteArray>

namespace kalo::acs {

// Decompresses a stream that must produce exactly expectedSize bytes.
// Throws KaloError (with a short description of the fault, no file name) for a
// missing leading zero byte, a back-reference before the start of the output,
// a stream that ends without the end code, or any other output size.
QByteArray Decompress(const QByteArray& stream, qsizetype expectedSize);

// Compresses data. stride is the extra match distance tried besides 1 (the
// row length for pixels); 0 or 1 tries distance 1 only. The stream always ends
// with the end code, the padding and FF FF FF.
QByteArray Compress(const QByteArray& data, int stride = 0);

} // namespace kalo::acs
