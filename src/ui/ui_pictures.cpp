#include "ui/ui_pictures.h"

namespace kalo {

QString UiPicturePath(const QString& name) {
    return QStringLiteral(":/ui/") + name;
}

QPixmap UiPicture(const QString& name) {
    return QPixmap(UiPicturePath(name));
}

QIcon AppIcon() {
    QIcon icon;
    icon.addFile(UiPicturePath(QStringLiteral("frame/logo.png")));
    icon.addFile(UiPicturePath(QStringLiteral("frame/logo_64.png")));
    icon.addFile(UiPicturePath(QStringLiteral("frame/logo_128.png")));
    return icon;
}

} // namespace kalo
