#include "ui/ui_pictures.h"

namespace kalo {

QString UiPicturePath(const QString& name) {
    return QStringLiteral(":/ui/") + name;
}

QPixmap UiPicture(const QString& name) {
    return QPixmap(UiPicturePath(name));
}

QString ToolBarPicturePath(ToolBarPicture picture, PictureState state) {
    static const char* const names[] = {"read", "wav",   "mp3",  "pause",
                                        "stop", "first", "last", "options"};
    static const char* const suffixes[] = {"", "_disabled", "_hot"};
    return UiPicturePath(QStringLiteral("toolbar/%1%2.png")
                             .arg(QLatin1String(names[static_cast<int>(picture)]),
                                  QLatin1String(suffixes[static_cast<int>(state)])));
}

QString EnginePicturePath(EnginePicture picture) {
    static const char* const names[] = {"male", "female", "mike", "mary", "robosoft", "other"};
    return UiPicturePath(
        QStringLiteral("engines/%1.png").arg(QLatin1String(names[static_cast<int>(picture)])));
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : AppIconSizes)
        icon.addFile(UiPicturePath(QStringLiteral("icons/kalotalk_%1.png").arg(size)), QSize(size, size));
    return icon;
}

} // namespace kalo
