#include "ui/frame_geometry.h"

#include <algorithm>

namespace kalo {

namespace {

FrameZone resize(Qt::Edges edges, Qt::CursorShape cursor) {
    return {FrameOperation::Resize, edges, cursor};
}

FrameZone move() {
    return {FrameOperation::Move, {}, Qt::ArrowCursor};
}

bool isTitlePiece(FramePiece piece) {
    return piece == FramePiece::Top || piece == FramePiece::TopLeft ||
           piece == FramePiece::TopRight || piece == FramePiece::Caption;
}

} // namespace

FrameZone FrameZoneAt(FramePiece piece, QPoint pos, QSize pieceSize, bool sizeable,
                      bool maximised) {
    if (maximised)
        return {};
    if (!sizeable)
        return isTitlePiece(piece) ? move() : FrameZone{};

    const bool nearTop = pos.y() < FrameGripSize;
    switch (piece) {
    case FramePiece::Top:
        return nearTop ? resize(Qt::TopEdge, Qt::SizeVerCursor) : move();
    case FramePiece::TopLeft: {
        const bool nearLeft = pos.x() < FrameGripSize;
        if (nearLeft && nearTop)
            return resize(Qt::TopEdge | Qt::LeftEdge, Qt::SizeFDiagCursor);
        if (nearLeft)
            return resize(Qt::LeftEdge, Qt::SizeHorCursor);
        if (nearTop)
            return resize(Qt::TopEdge, Qt::SizeVerCursor);
        return move();
    }
    case FramePiece::TopRight: {
        const bool nearRight = pos.x() >= pieceSize.width() - FrameGripSize;
        if (nearRight && nearTop)
            return resize(Qt::TopEdge | Qt::RightEdge, Qt::SizeBDiagCursor);
        if (nearRight)
            return resize(Qt::RightEdge, Qt::SizeHorCursor);
        if (nearTop)
            return resize(Qt::TopEdge, Qt::SizeVerCursor);
        return move();
    }
    case FramePiece::Left:
        return resize(Qt::LeftEdge, Qt::SizeHorCursor);
    case FramePiece::Right:
        return resize(Qt::RightEdge, Qt::SizeHorCursor);
    case FramePiece::Bottom:
        return resize(Qt::BottomEdge, Qt::SizeVerCursor);
    case FramePiece::BottomLeft:
        return resize(Qt::BottomEdge | Qt::LeftEdge, Qt::SizeBDiagCursor);
    case FramePiece::BottomRight:
        return resize(Qt::BottomEdge | Qt::RightEdge, Qt::SizeFDiagCursor);
    case FramePiece::Caption:
        return move();
    }
    return {};
}

FrameButtonLefts FrameButtonPlaces(int topRightLeft) {
    return {topRightLeft + 35, topRightLeft + 55, topRightLeft + 75};
}

int CaptionLeft(int windowWidth, int labelWidth) {
    // C++ integer division already rounds toward zero.
    return (windowWidth - labelWidth) / 2 - 10;
}

QSize ClampToMinimum(QSize size, int minWidth, int minHeight) {
    return {std::max(size.width(), minWidth), std::max(size.height(), minHeight)};
}

QRect ResizedGeometry(const QRect& start, Qt::Edges edges, QPoint delta, QSize minimum) {
    int left = start.left();
    int top = start.top();
    int right = start.left() + start.width(); // exclusive edges
    int bottom = start.top() + start.height();
    if (edges & Qt::LeftEdge)
        left = std::min(left + delta.x(), right - minimum.width());
    if (edges & Qt::RightEdge)
        right = std::max(right + delta.x(), left + minimum.width());
    if (edges & Qt::TopEdge)
        top = std::min(top + delta.y(), bottom - minimum.height());
    if (edges & Qt::BottomEdge)
        bottom = std::max(bottom + delta.y(), top + minimum.height());
    // A start geometry already below the minimum grows at its dragged edge.
    if (right - left < minimum.width()) {
        if (edges & Qt::LeftEdge)
            left = right - minimum.width();
        else
            right = left + minimum.width();
    }
    if (bottom - top < minimum.height()) {
        if (edges & Qt::TopEdge)
            top = bottom - minimum.height();
        else
            bottom = top + minimum.height();
    }
    return {left, top, right - left, bottom - top};
}

FrameLayout LayOutFrame(QSize window) {
    const int w = window.width();
    const int h = window.height();
    const int middleHeight = std::max(0, h - FrameTopHeight - FrameBottomHeight);
    const int bottomTop = std::max(FrameTopHeight, h - FrameBottomHeight);
    FrameLayout l;
    l.top = QRect(0, 0, w, FrameTopHeight);
    l.topLeft = QRect(0, 0, FrameTopLeftWidth, FrameTopHeight);
    l.topRight = QRect(w - FrameTopRightWidth, 0, FrameTopRightWidth, FrameTopHeight);
    l.topMiddle = QRect(FrameTopLeftWidth, 0,
                        std::max(0, w - FrameTopLeftWidth - FrameTopRightWidth), FrameTopHeight);
    l.left = QRect(0, FrameTopHeight, FrameLeftWidth, middleHeight);
    l.right = QRect(w - FrameRightWidth, FrameTopHeight, FrameRightWidth, middleHeight);
    l.bottom = QRect(0, bottomTop, w, FrameBottomHeight);
    l.bottomLeft = QRect(0, bottomTop, FrameLeftWidth, FrameBottomHeight);
    l.bottomRight = QRect(w - FrameRightWidth, bottomTop, FrameRightWidth, FrameBottomHeight);
    l.bottomMiddle = QRect(FrameLeftWidth, bottomTop,
                           std::max(0, w - FrameLeftWidth - FrameRightWidth), FrameBottomHeight);
    l.client = QRect(FrameLeftWidth, FrameTopHeight,
                     std::max(0, w - FrameLeftWidth - FrameRightWidth), middleHeight);
    return l;
}

} // namespace kalo
