// The picture groups the generator draws, and the few motifs shared between
// groups (the program's logo, the maker's mark, the mock windows).
#pragma once

#include "paint_kit.h"

namespace draw {

void drawFramePictures(const Output& out);  // frame/
void drawWindowPictures(const Output& out); // selector/, about/
void drawIconPictures(const Output& out);   // options/, toolbar/, engines/
void drawAppIcons(const Output& out);       // icons/: the program's icon

// The program's logo (a speech bubble with sound bars on an orange badge)
// filling the square r.
void paintLogo(QPainter& p, const QRectF& r);
// The maker's mark (a rounded teal square with an H and a leaf) filling r.
void paintMakerMark(QPainter& p, const QRectF& r);

// The converter's tool bar pictures, drawn into the square r.
enum class ToolIcon { Read, Wav, Mp3, Pause, Stop, First, Last, Options };
void paintToolIcon(QPainter& p, const QRectF& r, ToolIcon icon);

// A skinned window of the program in miniature: frame, header and caption.
// Returns the client rectangle inside the frame.
QRectF paintMockWindow(QPainter& p, const QRectF& r, const QString& caption, qreal scale);

} // namespace draw
