// A picture control: shows one picture stretched over the control, at its
// natural size from the top-left corner, or repeated down the control; tells
// about mouse presses, moves, releases, clicks and double clicks.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace kalo {

class TJQImage : public QWidget {
    Q_OBJECT
public:
    enum class Fit {
        Stretch,    // the picture fills the control
        Natural,    // natural size from the top-left corner, clipped
        RepeatDown, // natural size, repeated downwards
    };

    explicit TJQImage(QWidget* parent = nullptr, Fit fit = Fit::Stretch);

    void setPicture(const QPixmap& picture);
    const QPixmap& picture() const { return picture_; }
    void setFit(Fit fit);
    Fit fit() const { return fit_; }

signals:
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void doubleClicked(QMouseEvent* event);
    // A left press and release on the control.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QPixmap picture_;
    Fit fit_;
    bool leftDown_ = false;
};

} // namespace kalo
