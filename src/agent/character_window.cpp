#include "agent/character_window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace kalo {

namespace {

constexpr int kDragThreshold = 4;
constexpr int kPadding = 8;
constexpr int kTail = 14; // height of the balloon's tail
constexpr int kRadius = 10;

int shiftBits(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

Qt::WindowFlags desktopFlags() {
    return Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
           Qt::NoDropShadowWindowHint;
}

} // namespace

QSize DrawnSize(QSize asked, QSize frame, QSize screen) {
    if (screen.isEmpty())
        screen = frame * 4;
    const int maxWidth = std::max(screen.width(), frame.width());
    const int maxHeight = std::max(screen.height(), frame.height());
    return {std::clamp(asked.width(), 0, std::max(maxWidth, 0)),
            std::clamp(asked.height(), 0, std::max(maxHeight, 0))};
}

CharacterWindow::CharacterWindow() : QWidget(nullptr, desktopFlags()) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent); // the mask cuts away the rest
    setWindowTitle(QStringLiteral("Kalotalk character"));
}

void CharacterWindow::SetPicture(const QImage& frame, const QRegion& opaque,
                                 const QRect& screenRect) {
    if (screenRect.isEmpty() || frame.isNull() || opaque.isEmpty()) {
        hide();
        return;
    }
    QImage scaled =
        frame.size() == screenRect.size()
            ? frame
            : frame.scaled(screenRect.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    pixmap_ = QPixmap::fromImage(scaled);
    QRegion mask = opaque;
    if (frame.size() != screenRect.size()) {
        const QTransform t = QTransform::fromScale(double(screenRect.width()) / frame.width(),
                                                   double(screenRect.height()) / frame.height());
        mask = t.map(opaque);
    }
    if (!dragging_ && geometry() != screenRect)
        setGeometry(screenRect);
    setMask(mask);
    if (!isVisible())
        show();
    update();
}

void CharacterWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, pixmap_);
}

void CharacterWindow::mousePressEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        dragging_ = false;
        pressGlobal_ = global;
        pressTopLeft_ = pos();
    } else if (event->button() == Qt::RightButton) {
        emit Clicked(2, shiftBits(event->modifiers()), global);
    }
}

void CharacterWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_)
        return;
    const QPoint delta = event->globalPosition().toPoint() - pressGlobal_;
    if (!dragging_ && delta.manhattanLength() < kDragThreshold)
        return;
    dragging_ = true;
    move(pressTopLeft_ + delta);
    emit Dragged(pos());
}

void CharacterWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    if (dragging_) {
        dragging_ = false;
        emit Dragged(pos());
        return;
    }
    emit Clicked(1, shiftBits(event->modifiers()), event->globalPosition().toPoint());
}

// --- balloon

BalloonStyle StyleFromCharacter(const acs::Balloon& b) {
    BalloonStyle s;
    s.lines = std::max(1, int(b.lines));
    s.charsPerLine = std::max(1, int(b.charsPerLine));
    s.text = b.text;
    s.background = b.background;
    s.border = b.border;
    s.font = QFont(b.fontName.isEmpty() ? QStringLiteral("Sans Serif") : b.fontName);
    const int px = std::abs(b.fontHeight);
    s.font.setPixelSize(std::clamp(px == 0 ? 13 : px, 6, 72));
    s.font.setWeight(QFont::Weight(std::clamp(b.fontWeight == 0 ? 400 : b.fontWeight, 100, 900)));
    s.font.setItalic(b.italic);
    return s;
}

BalloonWindow::BalloonWindow(const BalloonStyle& style)
    : QWidget(nullptr, desktopFlags()), style_(style) {
    asciiAdvances_.fill(-1);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setWindowTitle(QStringLiteral("Kalotalk balloon"));
    setFont(style_.font);
}

void BalloonWindow::SetText(const QString& text) {
    // The lines are as wide as the character's line length in characters
    // of average width, and are broken where the words, measured in the
    // balloon's font, fill that width: wide letters make shorter lines
    // rather than lines that run past the balloon's edge.
    // Each character is measured once for the window's life: asking the
    // font costs microseconds (more for characters from a fallback font),
    // and a long text repeats its characters many times.
    const BalloonLayout::Advance advance = [this](char32_t c) {
        if (c < kAsciiAdvances && asciiAdvances_[c] >= 0)
            return asciiAdvances_[c];
        const auto known = advances_.find(c);
        if (known != advances_.end())
            return known->second;
        const int a = QFontMetrics(style_.font).horizontalAdvance(QString::fromUcs4(&c, 1));
        if (c < kAsciiAdvances)
            asciiAdvances_[c] = a;
        else
            advances_.emplace(c, a);
        return a;
    };
    layout_.emplace(text, lineWidth(), style_.lines, advance);
    view_ = {};
}

int BalloonWindow::lineWidth() const {
    return QFontMetrics(style_.font).averageCharWidth() * style_.charsPerLine;
}

QSize BalloonWindow::balloonSize() const {
    const QFontMetrics fm(style_.font);
    int width = lineWidth();
    int lines = style_.lines;
    if (style_.sizeToText && layout_) {
        // A text shorter than a page takes only the lines and the width it needs.
        lines = std::clamp(int(layout_->Lines().size()), 1, style_.lines);
        if (layout_->Lines().size() == 1)
            width = std::max(1, layout_->Lines().front().width);
    }
    // Room enough for the tail beside the rounded corners.
    const int w = std::max(width + 2 * kPadding, 2 * kRadius + 24);
    const int h = fm.lineSpacing() * lines + 2 * kPadding;
    return {w, h};
}

QRect BalloonWindow::Placement(const QSize& size, const QRect& character, const QRect& screen,
                               bool* below) {
    const int total = size.height() + kTail;
    int x = character.center().x() - size.width() / 2;
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - size.width()));
    int y = character.top() - total;
    bool under = false;
    if (y < screen.top()) {
        y = character.bottom() + 1;
        under = true;
    }
    if (below)
        *below = under;
    return {x, y, size.width(), total};
}

QPainterPath BalloonWindow::outline() const {
    const QSize s = balloonSize();
    const QRectF body(0.5, (below_ ? kTail : 0) + 0.5, s.width() - 1, s.height() - 1);
    QPainterPath path;
    path.addRoundedRect(body, kRadius, kRadius);
    const double tx =
        std::clamp(double(tailX_), body.left() + kRadius + 8, body.right() - kRadius - 8);
    QPainterPath tail;
    if (below_) {
        tail.moveTo(tx - 7, body.top() + 1);
        tail.lineTo(tx, 0.5);
        tail.lineTo(tx + 7, body.top() + 1);
    } else {
        tail.moveTo(tx - 7, body.bottom() - 1);
        tail.lineTo(tx, body.bottom() + kTail);
        tail.lineTo(tx + 7, body.bottom() - 1);
    }
    tail.closeSubpath();
    return path.united(tail);
}

void BalloonWindow::Reveal(qsizetype position, const QRect& character) {
    if (!layout_)
        return;
    view_ = layout_->Reveal(position);
    QRect screen(0, 0, 1024, 768);
    if (QScreen* s = QGuiApplication::screenAt(character.center()))
        screen = s->availableGeometry();
    else if (QScreen* p = QGuiApplication::primaryScreen())
        screen = p->availableGeometry();
    const QRect r = Placement(balloonSize(), character, screen, &below_);
    tailX_ = character.center().x() - r.left();
    if (geometry() != r)
        setGeometry(r);
    // Shaped to the outline, so the corners and the tail's sides show
    // what lies behind, with or without a compositor.
    setMask(QRegion(outline().toFillPolygon().toPolygon(), Qt::WindingFill));
    if (!isVisible())
        show();
    update();
}

void BalloonWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), style_.background);
    p.setPen(QPen(style_.border, 1));
    p.setBrush(style_.background);
    p.drawPath(outline());
    p.setPen(style_.text);
    p.setFont(style_.font);
    const QFontMetrics fm(style_.font);
    int y = (below_ ? kTail : 0) + kPadding + fm.ascent();
    for (const QString& line : view_.lines) {
        p.drawText(kPadding, y, line);
        y += fm.lineSpacing();
    }
}

} // namespace kalo
