// Fonts asked for by the names the windows were designed with ("MS Sans
// Serif", "Arial", "Impact", "Courier New"), each followed by families of the
// same build that a stock Debian system has, so layouts hold everywhere.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace kalo {

// The family list: the name asked for first, then its stand-ins.
QStringList FontFamilies(const QString& family);

// A font of that family at a point size, or at a pixel size.
QFont NamedFont(const QString& family, qreal pointSize, bool bold = false);
QFont NamedPixelFont(const QString& family, int pixelSize, bool bold = false);

} // namespace kalo
