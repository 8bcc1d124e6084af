#include "player/face_button.h"

#include <QAction>
#include <QPainter>

namespace kalo {

TFaceButton::TFaceButton(QWidget* parent, int group) : QAbstractButton(parent), group_(group) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Pressed and released pictures change as the button goes down and up.
    connect(this, &QAbstractButton::pressed, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::released, this, qOverload<>(&QWidget::update));
}

void TFaceButton::setAction(QAction* action) {
    if (action_)
        action_->disconnect(this);
    action_ = action;
    if (!action)
        return;
    // The button runs its action; the action's check mark drives the
    // latched picture of a toggle.
    connect(this, &QAbstractButton::clicked, action, [action] { action->trigger(); });
    connect(action, &QAction::changed, this, &TFaceButton::actionChanged);
    connect(action, &QAction::toggled, this, [this](bool on) {
        if (isToggle())
            setLatched(on);
    });
    actionChanged();
    if (isToggle())
        setLatched(action->isChecked());
}

void TFaceButton::actionChanged() {
    setToolTip(action_->toolTip());
    setEnabled(action_->isEnabled());
}

void TFaceButton::setLatched(bool latched) {
    if (latched_ == latched)
        return;
    latched_ = latched;
    update();
}

void TFaceButton::setPictures(const QImage& normal, const QImage& disabled, const QImage& pressed,
                              const QImage& latched) {
    normal_ = normal;
    disabled_ = disabled;
    pressed_ = pressed;
    latchedPicture_ = latched;
    update();
}

const QImage& TFaceButton::shownPicture() const {
    if (!isEnabled())
        return disabled_;
    if (isDown())
        return pressed_;
    if (isToggle() && latched_)
        return latchedPicture_;
    return normal_;
}

void TFaceButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& picture = shownPicture();
    if (picture.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), picture);
}

} // namespace kalo
