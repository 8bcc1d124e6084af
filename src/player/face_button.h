// A skinned face button of the player window: no caption and no frame, just
// one of four pictures cut from the skin (normal, disabled, pressed while the
// mouse button is held on it, latched while a toggle is on). It runs its
// action when clicked and shows the action's hint as its tool tip; a toggle
// button shows the latched picture exactly while its action is checked.
#pragma once

#include <QAbstractButton>
#include <QImage>
#include <QPointer>

class QAction;

namespace kalo {

class TFaceButton : public QAbstractButton {
    Q_OBJECT
public:
    // group 0 makes a push button; any other a toggle alone in its group.
    TFaceButton(QWidget* parent, int group);

    void setAction(QAction* action);
    QAction* action() const { return action_; }
    int group() const { return group_; }
    bool isToggle() const { return group_ != 0; }

    bool latched() const { return latched_; }
    void setLatched(bool latched);

    void setPictures(const QImage& normal, const QImage& disabled, const QImage& pressed,
                     const QImage& latched);
    // The picture shown now.
    const QImage& shownPicture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void actionChanged();

    int group_;
    bool latched_ = false;
    QPointer<QAction> action_;
    QImage normal_, disabled_, pressed_, latchedPicture_;
};

} // namespace kalo
