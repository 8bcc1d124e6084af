// The desktop windows of a character: the character itself, frameless,
// always on top, kept off the task bar and shaped to the opaque pixels of
// its picture; and its word balloon.
#pragma once

#include "agent/acs_file.h"
#include "agent/balloon_layout.h"

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <array>
#include <optional>
#include <unordered_map>

namespace kalo {

// The size a character is drawn at for the Width and Height it was given
// (16-bit numbers a user may type in): each side at most the larger of the
// screen's side and the frame's own, so 30000 x 30000 cannot make pictures of
// gigabytes. Without a screen (an empty size) four times the frame is the
// bound. The character's Width and Height keep the values given.
QSize DrawnSize(QSize asked, QSize frame, QSize screen);

class CharacterWindow : public QWidget {
    Q_OBJECT
public:
    CharacterWindow();

    // The picture at the frame size and its opaque area, drawn scaled into
    // the rectangle. An empty area hides the window.
    void SetPicture(const QImage& frame, const QRegion& opaque, const QRect& screenRect);

signals:
    // button 1 left, 2 right; shift bits 1 shift, 2 control, 4 alt.
    void Clicked(int button, int shift, QPoint globalPos);
    // The user dragged the character: the window's new top-left corner.
    void Dragged(QPoint topLeft);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap pixmap_; // the picture at the window's size
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressGlobal_;
    QPoint pressTopLeft_;
};

// The balloon's look, taken from the character file.
struct BalloonStyle {
    int lines = 2;
    int charsPerLine = 32;
    QColor text = Qt::black;
    QColor background = QColor(0xFF, 0xFF, 0xE1);
    QColor border = Qt::black;
    QFont font;
    bool sizeToText = false; // the balloon shrinks to a short text
};
BalloonStyle StyleFromCharacter(const acs::Balloon& balloon);

class BalloonWindow : public QWidget {
    Q_OBJECT
public:
    explicit BalloonWindow(const BalloonStyle& style);

    // A new text; nothing shows until the first reveal.
    void SetText(const QString& text);
    // Shows the text up to the word at position, beside the character.
    void Reveal(qsizetype position, const QRect& character);
    // Where the balloon goes for a character rectangle on a screen: above,
    // or below when there is no room above; its tail towards the character.
    static QRect Placement(const QSize& size, const QRect& character, const QRect& screen,
                           bool* below);
    QStringList ShownLines() const { return view_.lines; }
    // The balloon's size without its tail for the current text.
    QSize BalloonSize() const { return balloonSize(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize balloonSize() const;
    int lineWidth() const;
    QPainterPath outline() const;

    BalloonStyle style_;
    // The width of every character measured so far in the balloon's font
    // (-1: not yet).
    static constexpr char32_t kAsciiAdvances = 128;
    std::array<int, kAsciiAdvances> asciiAdvances_;
    std::unordered_map<char32_t, int> advances_;
    std::optional<BalloonLayout> layout_;
    BalloonLayout::View view_;
    bool below_ = false;
    int tailX_ = 0;
};

} // namespace kalo
