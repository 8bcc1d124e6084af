#include "ui/fonts.h"

namespace kalo {

QStringList FontFamilies(const QString& family) {
    const QString f = family.toLower();
    QStringList list{family};
    if (f == QLatin1String("impact"))
        list << QStringLiteral("Nimbus Sans Narrow") << QStringLiteral("DejaVu Sans Condensed")
             << QStringLiteral("Liberation Sans");
    else if (f == QLatin1String("courier new"))
        list << QStringLiteral("Liberation Mono") << QStringLiteral("Nimbus Mono PS")
             << QStringLiteral("DejaVu Sans Mono");
    else
        list << QStringLiteral("Liberation Sans") << QStringLiteral("Arial")
             << QStringLiteral("Nimbus Sans") << QStringLiteral("DejaVu Sans");
    return list;
}

namespace {
QFont baseFont(const QString& family, bool bold) {
    QFont font;
    font.setFamilies(FontFamilies(family));
    font.setStyleHint(family.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0
                          ? QFont::Monospace
                          : QFont::SansSerif);
    if (family.compare(QLatin1String("Impact"), Qt::CaseInsensitive) == 0)
        font.setWeight(QFont::Black); // the stand-ins need their heaviest cut
    else
        font.setBold(bold);
    return font;
}
} // namespace

QFont NamedFont(const QString& family, qreal pointSize, bool bold) {
    QFont font = baseFont(family, bold);
    font.setPointSizeF(pointSize);
    return font;
}

QFont NamedPixelFont(const QString& family, int pixelSize, bool bold) {
    QFont font = baseFont(family, bold);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace kalo
