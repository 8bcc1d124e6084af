#include "ui/link_label.h"

#include "ui/ui_pictures.h"

#include <QMouseEvent>

namespace kalo {

TJQLinkLabel::TJQLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, QColor::fromRgb(LinkRgb));
    setPalette(pal);
    setCursor(Qt::PointingHandCursor);
}

void TJQLinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        pressed_ = true;
    event->accept();
}

void TJQLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = event->button() == Qt::LeftButton && pressed_ &&
                       rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        pressed_ = false;
    event->accept();
    if (click)
        emit clicked();
}

} // namespace kalo
