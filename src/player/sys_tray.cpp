#include "player/sys_tray.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace kalo {

QString firstCharacters(const QString& text, int max) {
    int units = 0;
    int count = 0;
    while (units < text.size() && count < max) {
        const bool pair = text[units].isHighSurrogate() && units + 1 < text.size() &&
                          text[units + 1].isLowSurrogate();
        units += pair ? 2 : 1;
        ++count;
    }
    return text.left(units);
}

TSysTray::TSysTray(QWidget* owner)
    : QObject(owner), owner_(owner), hint_(QStringLiteral("Halden, Inc.")) {
    tray_ = new QSystemTrayIcon(this);
    tray_->setToolTip(hint_);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                IconMessage message = IconMessage::Other;
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    message = IconMessage::LeftDown;
                    break;
                case QSystemTrayIcon::DoubleClick:
                    message = IconMessage::LeftDoubleClick;
                    break;
                case QSystemTrayIcon::Context:
                    message = IconMessage::RightDown;
                    break;
                default:
                    break;
                }
                HandleIconMessage(message, QCursor::pos());
            });
}

TSysTray::~TSysTray() {
    if (active_)
        tray_->hide();
}

void TSysTray::setActive(bool active) {
    if (active == active_)
        return;
    active_ = active;
    if (active) {
        tray_->setIcon(icon_);
        tray_->setToolTip(hint_);
        tray_->show();
    } else {
        tray_->hide();
    }
}

void TSysTray::setIcon(const QIcon& icon) {
    icon_ = icon;
    modify();
}

void TSysTray::setHint(const QString& hint) {
    hint_ = firstCharacters(hint, MaxHintLength);
    modify();
}

void TSysTray::modify() {
    if (!active_)
        return;
    tray_->setIcon(icon_);
    tray_->setToolTip(hint_);
}

QPoint TSysTray::menuPlace(QPoint at, int menuWidth, TPopupAlignment align) {
    switch (align) {
    case TPopupAlignment::Right:
        return QPoint(at.x() - menuWidth, at.y());
    case TPopupAlignment::Center:
        return QPoint(at.x() - menuWidth / 2, at.y());
    case TPopupAlignment::Left:
        break;
    }
    return at;
}

void TSysTray::bringOwnerToFront() {
    if (owner_ && owner_->isVisible()) {
        // A minimised owner comes back first: a desktop without a task bar
        // offers no other way back to it.
        if (owner_->isMinimized())
            owner_->setWindowState(owner_->windowState() & ~Qt::WindowMinimized);
        owner_->raise();
        owner_->activateWindow();
    }
}

void TSysTray::openMenu(QPoint at) {
    if (!popupMenu_)
        return;
    bringOwnerToFront();
    popupMenu_->ensurePolished();
    popupMenu_->popup(menuPlace(at, popupMenu_->sizeHint().width(), popupAlign_));
}

void TSysTray::HandleIconMessage(IconMessage message, QPoint screenPos) {
    TPopupModeItem mode = pmLeftClick;
    Qt::MouseButton button = Qt::LeftButton;
    bool doubleClick = false;
    switch (message) {
    case IconMessage::LeftDown:
        break;
    case IconMessage::LeftDoubleClick:
        mode = pmLeftDblClick;
        doubleClick = true;
        break;
    case IconMessage::RightDown:
        mode = pmRightClick;
        button = Qt::RightButton;
        break;
    case IconMessage::RightDoubleClick:
        mode = pmRightDblClick;
        button = Qt::RightButton;
        doubleClick = true;
        break;
    case IconMessage::Other:
        return;
    }
    if (popupMode_.testFlag(mode))
        openMenu(screenPos);
    const IconMouseEvent& event = doubleClick ? OnIconDoubleClick : OnIconMouseDown;
    if (event) {
        bringOwnerToFront();
        // The handler may end the tray's life: take a copy first.
        const IconMouseEvent handler = event;
        handler(this, button, screenPos.x(), screenPos.y());
    }
}

} // namespace kalo
