// A link on the program's dialogs: blue underlined text with the hand
// cursor, telling about left clicks.
#pragma once

#include <QLabel>

namespace kalo {

class TJQLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TJQLinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace kalo
