#include "ui/dialog_frame.h"

#include "ui/fonts.h"
#include "ui/picture_control.h"
#include "ui/ui_pictures.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace kalo {

namespace {

TJQForm::SystemDragStarter g_systemDragStarter;

bool startSystemDrag(QWindow* window, FrameOperation operation, Qt::Edges edges) {
    if (g_systemDragStarter)
        return g_systemDragStarter(window, operation, edges);
    if (!window)
        return false;
    return operation == FrameOperation::Move ? window->startSystemMove()
                                             : window->startSystemResize(edges);
}

qint64 nowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}

// Rows of a rounded corner: how far row y (0 at the corner's edge) is cut in.
int cornerInset(int radius, int y) {
    const double dy = radius - y - 0.5;
    return static_cast<int>(std::lround(radius - std::sqrt(radius * radius - dy * dy)));
}

constexpr int TopCornerRadius = 7;
constexpr int BottomCornerRadius = 4;

// The window's outline with the rounded corners the frame pictures draw.
QRegion roundedWindowRegion(QSize size) {
    const int w = size.width();
    const int h = size.height();
    QRegion region(0, TopCornerRadius, w, std::max(0, h - TopCornerRadius - BottomCornerRadius));
    for (int y = 0; y < TopCornerRadius && y < h; ++y) {
        const int in = cornerInset(TopCornerRadius, y);
        region += QRect(in, y, w - 2 * in, 1);
    }
    for (int y = 0; y < BottomCornerRadius && h - 1 - y >= TopCornerRadius; ++y) {
        const int in = cornerInset(BottomCornerRadius, y);
        region += QRect(in, h - 1 - y, w - 2 * in, 1);
    }
    return region;
}

// Remembers the windows minimised together, to bring them back together.
class TApplicationMinimizer : public QObject {
public:
    static TApplicationMinimizer& instance() {
        static auto* self = new TApplicationMinimizer(qApp);
        return *self;
    }

    void minimizeAll() {
        windows_.clear();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip ||
                w->windowType() == Qt::Desktop)
                continue;
            windows_ << w;
        }
        for (const QPointer<QWidget>& w : std::as_const(windows_)) {
            if (w)
                w->setWindowState(w->windowState() | Qt::WindowMinimized);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowStateChange && !windows_.isEmpty() &&
            watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && !(w->windowState() & Qt::WindowMinimized) &&
                windows_.contains(w)) {
                const auto others = windows_;
                windows_.clear();
                for (const QPointer<QWidget>& o : others) {
                    if (o && o != w && (o->windowState() & Qt::WindowMinimized))
                        o->setWindowState(o->windowState() & ~Qt::WindowMinimized);
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    explicit TApplicationMinimizer(QObject* parent) : QObject(parent) {
        qApp->installEventFilter(this);
    }
    QList<QPointer<QWidget>> windows_;
};

} // namespace

void MinimizeApplication() {
    TApplicationMinimizer::instance().minimizeAll();
}

void TJQForm::SetSystemDragStarter(SystemDragStarter starter) {
    g_systemDragStarter = std::move(starter);
}

TJQForm::TJQForm(QWidget* parent, Qt::WindowType windowType)
    : QDialog(parent, windowType | Qt::FramelessWindowHint) {
    setFont(NamedFont(QStringLiteral("MS Sans Serif"), 8));
    setWindowIcon(AppIcon());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(ClientBackgroundRgb));
    setPalette(pal);
    setAutoFillBackground(true);

    using Fit = TJQImage::Fit;
    PanelJQTop = new QWidget(this);
    PanelJQTop->setObjectName(QStringLiteral("PanelJQTop"));
    ImageJQTopLeft = addPiece(PanelJQTop, QStringLiteral("ImageJQTopLeft"), "frame/top_left.bmp",
                              int(Fit::Stretch));
    ImageJQTop =
        addPiece(PanelJQTop, QStringLiteral("ImageJQTop"), "frame/top.bmp", int(Fit::Stretch));
    ImageJQTopRight = addPiece(PanelJQTop, QStringLiteral("ImageJQTopRight"), "frame/top_right.bmp",
                               int(Fit::Stretch));
    ImageJQLogo =
        addPiece(PanelJQTop, QStringLiteral("ImageJQLogo"), "frame/logo.png", int(Fit::Natural));
    ImageJQLogo->setGeometry(FrameLogoLeft, FrameLogoTop, FrameLogoSize, FrameLogoSize);

    LabelJQCaption = new QLabel(PanelJQTop);
    LabelJQCaption->setObjectName(QStringLiteral("LabelJQCaption"));
    QFont captionFont = font();
    captionFont.setBold(true);
    LabelJQCaption->setFont(captionFont);
    QPalette captionPalette = LabelJQCaption->palette();
    captionPalette.setColor(QPalette::WindowText, Qt::white);
    LabelJQCaption->setPalette(captionPalette);
    LabelJQCaption->setAttribute(Qt::WA_TranslucentBackground);
    LabelJQCaption->setAutoFillBackground(false);
    LabelJQCaption->installEventFilter(this);

    hryrImage = addPiece(PanelJQTop, QStringLiteral("hryrImage"), "frame/button_restore.bmp",
                         int(Fit::Natural));
    maxImage = addPiece(PanelJQTop, QStringLiteral("maxImage"), "frame/button_maximise.bmp",
                        int(Fit::Natural));
    minImage = addPiece(PanelJQTop, QStringLiteral("minImage"), "frame/button_minimise.bmp",
                        int(Fit::Natural));
    closeImage = addPiece(PanelJQTop, QStringLiteral("closeImage"), "frame/button_close.bmp",
                          int(Fit::Natural));
    for (TJQImage* b : {hryrImage, maxImage, minImage, closeImage})
        b->resize(FrameButtonSize, FrameButtonSize);
    hryrImage->hide();

    ImageJQLeft =
        addPiece(this, QStringLiteral("ImageJQLeft"), "frame/left.bmp", int(Fit::RepeatDown));
    ImageJQRight =
        addPiece(this, QStringLiteral("ImageJQRight"), "frame/right.bmp", int(Fit::RepeatDown));

    PanelJQBottom = new QWidget(this);
    PanelJQBottom->setObjectName(QStringLiteral("PanelJQBottom"));
    ImageJQBottomLeft = addPiece(PanelJQBottom, QStringLiteral("ImageJQBottomLeft"),
                                 "frame/bottom_left.bmp", int(Fit::Stretch));
    ImageJQBottom = addPiece(PanelJQBottom, QStringLiteral("ImageJQBottom"), "frame/bottom.bmp",
                             int(Fit::Stretch));
    ImageJQBottomRight = addPiece(PanelJQBottom, QStringLiteral("ImageJQBottomRight"),
                                  "frame/bottom_right.bmp", int(Fit::Stretch));

    PanelJQClient = new QWidget(this);
    PanelJQClient->setObjectName(QStringLiteral("PanelJQClient"));

    connectZone(ImageJQTop, FramePiece::Top);
    connectZone(ImageJQTopLeft, FramePiece::TopLeft);
    connectZone(ImageJQTopRight, FramePiece::TopRight);
    connectZone(ImageJQLeft, FramePiece::Left);
    connectZone(ImageJQRight, FramePiece::Right);
    connectZone(ImageJQBottom, FramePiece::Bottom);
    connectZone(ImageJQBottomLeft, FramePiece::BottomLeft);
    connectZone(ImageJQBottomRight, FramePiece::BottomRight);
    connectButton(closeImage, &TJQForm::closeImageClick);
    connectButton(minImage, &TJQForm::minImageClick);
    connectButton(maxImage, &TJQForm::maxImageClick);
    connectButton(hryrImage, &TJQForm::hryrImageClick);

    // The design size of the frame.
    resize(392, 273);
    layOutFrame();
}

TJQForm::~TJQForm() = default;

TJQImage* TJQForm::addPiece(QWidget* parent, const QString& name, const char* picture, int fit) {
    auto* image = new TJQImage(parent, static_cast<TJQImage::Fit>(fit));
    image->setObjectName(name);
    image->setPicture(UiPicture(QString::fromLatin1(picture)));
    return image;
}

void TJQForm::connectZone(TJQImage* picture, FramePiece piece) {
    picture->setMouseTracking(true);
    connect(picture, &TJQImage::mouseMoved, this, [this, piece, picture](QMouseEvent* e) {
        if (!dragMouseEvent(e))
            ImageJQMouseMove(piece, picture, e);
    });
    connect(picture, &TJQImage::mousePressed, this,
            [this, piece, picture](QMouseEvent* e) { ImageJQMouseDown(piece, picture, e); });
    connect(picture, &TJQImage::mouseReleased, this, [this](QMouseEvent* e) { dragMouseEvent(e); });
    if (piece == FramePiece::Top || piece == FramePiece::TopLeft || piece == FramePiece::TopRight) {
        connect(picture, &TJQImage::doubleClicked, this, [this](QMouseEvent* e) {
            if (e->button() == Qt::LeftButton)
                ImageJQDblClick();
        });
    }
}

void TJQForm::connectButton(TJQImage* button, void (TJQForm::*click)()) {
    // The pressed look: the picture moves 1 pixel right and down while a
    // mouse button is held on it.
    connect(button, &TJQImage::mousePressed, this, [this, button](QMouseEvent*) {
        if (!pressedButtons_.contains(button))
            pressedButtons_ << button;
        layOutFrame();
    });
    connect(button, &TJQImage::mouseReleased, this, [this, button](QMouseEvent* e) {
        if (e->buttons() == Qt::NoButton) {
            pressedButtons_.removeAll(button);
            layOutFrame();
        }
    });
    connect(button, &TJQImage::clicked, this, click);
}

void TJQForm::setBorderIcons(TBorderIcons icons) {
    borderIcons_ = icons;
}

void TJQForm::setCancelButton(QAbstractButton* button) {
    cancelButton_ = button;
}

bool TJQForm::IsMaximised() const {
    return maximised_ || (windowState() & Qt::WindowMaximized);
}

QRect TJQForm::NormalGeometry() const {
    if (maximised_)
        return restoreGeometry_;
    if (windowState() & Qt::WindowMaximized)
        return normalGeometry();
    return geometry();
}

void TJQForm::FormShow() {
    // Qt paints every widget through a back buffer: the double buffering
    // the frame asks for is always on.
    LabelJQCaption->setText(windowTitle());
    LabelJQCaption->adjustSize();
    Sizeable = true;
    MinWidth = FrameDefaultMinWidth;
    MinHeight = FrameDefaultMinHeight;
    const bool canMaximise = borderIcons_ & biMaximize;
    closeImage->setVisible(borderIcons_ & biSystemMenu);
    minImage->setVisible(borderIcons_ & biMinimize);
    maxImage->setVisible(canMaximise && !IsMaximised());
    hryrImage->setVisible(canMaximise && IsMaximised());
    layOutFrame();
}

void TJQForm::FormResize() {
    applyMinimumSize();
    const QSize wanted = ClampToMinimum(size(), MinWidth, MinHeight);
    if (wanted != size())
        resize(wanted);
    placeCaption();
}

void TJQForm::placeCaption() {
    LabelJQCaption->move(CaptionLeft(width(), LabelJQCaption->width()), FrameCaptionTop);
}

void TJQForm::layOutFrame() {
    const FrameLayout l = LayOutFrame(size());
    PanelJQTop->setGeometry(l.top);
    ImageJQTopLeft->setGeometry(l.topLeft);
    ImageJQTop->setGeometry(l.topMiddle);
    ImageJQTopRight->setGeometry(l.topRight);
    ImageJQLeft->setGeometry(l.left);
    ImageJQRight->setGeometry(l.right);
    PanelJQBottom->setGeometry(l.bottom);
    const QPoint bottomOrigin = l.bottom.topLeft();
    ImageJQBottomLeft->setGeometry(l.bottomLeft.translated(-bottomOrigin));
    ImageJQBottom->setGeometry(l.bottomMiddle.translated(-bottomOrigin));
    ImageJQBottomRight->setGeometry(l.bottomRight.translated(-bottomOrigin));
    PanelJQClient->setGeometry(l.client);

    // The buttons keep their distance from the right edge.
    const FrameButtonLefts b = FrameButtonPlaces(l.topRight.left());
    auto place = [this](TJQImage* button, int left) {
        const int pressed = pressedButtons_.contains(button) ? 1 : 0;
        button->move(left + pressed, FrameButtonTop + pressed);
    };
    place(minImage, b.minimise);
    place(hryrImage, b.maximise);
    place(maxImage, b.maximise);
    place(closeImage, b.close);
    placeCaption();

    // Stacking: caption over the title pictures, logo and buttons over it,
    // the maximise button above the restore button.
    LabelJQCaption->raise();
    ImageJQLogo->raise();
    hryrImage->raise();
    maxImage->raise();
    minImage->raise();
    closeImage->raise();
}

void TJQForm::updateMask() {
    if (IsMaximised() || width() < 2 * TopCornerRadius || height() < 2 * TopCornerRadius)
        clearMask();
    else
        setMask(roundedWindowRegion(size()));
}

void TJQForm::applyMinimumSize() {
    // Told to the window system too, so its own resizing stops there.
    setMinimumSize(std::max(0, MinWidth), std::max(0, MinHeight));
}

void TJQForm::showEvent(QShowEvent* event) {
    // A spontaneous show is the window system bringing back a minimised
    // window, not a new show.
    if (!event->spontaneous()) {
        FormShow();
        FormResize();
        updateMask();
    }
    QDialog::showEvent(event);
}

void TJQForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layOutFrame();
    FormResize();
    updateMask();
}

void TJQForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowTitleChange) {
        LabelJQCaption->setText(windowTitle());
        LabelJQCaption->adjustSize();
        placeCaption();
    } else if (event->type() == QEvent::WindowStateChange) {
        // The window system may maximise or restore the window on its own.
        if (!maximised_ && (borderIcons_ & biMaximize)) {
            maxImage->setVisible(!IsMaximised());
            hryrImage->setVisible(IsMaximised());
        }
        updateMask();
    }
    QDialog::changeEvent(event);
}

void TJQForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cancelButton_ && cancelButton_->isEnabled())
            cancelButton_->click();
        event->accept();
        return;
    }
    const bool enter =
        (event->key() == Qt::Key_Return && event->modifiers() == Qt::NoModifier) ||
        (event->key() == Qt::Key_Enter &&
         (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier));
    if (enter) {
        // Return presses this window's default button. The dialog base would
        // look through every window it owns and press a tool window's button
        // (a find dialog left open) instead.
        const auto buttons = findChildren<QPushButton*>();
        for (QPushButton* button : buttons) {
            if (button->window() == this && button->isDefault() && button->isVisible()) {
                if (button->isEnabled())
                    button->click();
                break;
            }
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TJQForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LabelJQCaption) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            ImageJQMouseDown(FramePiece::Caption, LabelJQCaption, static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            dragMouseEvent(event);
            return true;
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                ImageJQDblClick();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TJQForm::ImageJQMouseMove(FramePiece piece, QWidget* picture, QMouseEvent* event) {
    const FrameZone zone =
        FrameZoneAt(piece, event->position().toPoint(), picture->size(), Sizeable, IsMaximised());
    // Where nothing can be dragged the arrow shows, so a resize cursor left
    // from before never promises a resize that will not happen.
    picture->setCursor(zone.cursor);
}

void TJQForm::ImageJQMouseDown(FramePiece piece, QWidget* picture, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || IsMaximised())
        return;
    const FrameZone zone =
        FrameZoneAt(piece, event->position().toPoint(), picture->size(), Sizeable, false);
    if (zone.operation == FrameOperation::None)
        return;
    const QPoint global = event->globalPosition().toPoint();

    const bool titlePress = zone.operation == FrameOperation::Move;
    if (titlePress) {
        const qint64 now = nowMs();
        const bool maybeDoubleClick =
            lastTitlePressMs_ >= 0 &&
            now - lastTitlePressMs_ <= QApplication::doubleClickInterval() &&
            (global - lastTitlePressGlobal_).manhattanLength() <= QApplication::startDragDistance();
        lastTitlePressMs_ = now;
        lastTitlePressGlobal_ = global;
        if (maybeDoubleClick) {
            pending_ = {true, zone, global};
            return;
        }
    }
    startOperation(zone, global);
}

void TJQForm::ImageJQDblClick() {
    // The second press may have started the frame's own resize at the
    // title's top rows; its release must not undo the maximise or restore.
    pending_.active = false;
    drag_.active = false;
    lastTitlePressMs_ = -1;
    if (!(borderIcons_ & biMaximize))
        return;
    if (IsMaximised())
        hryrImageClick();
    else
        maxImageClick();
}

bool TJQForm::startOperation(const FrameZone& zone, QPoint globalPos) {
    pending_.active = false;
    if (startSystemDrag(windowHandle(), zone.operation, zone.edges))
        return true;
    // The window system declined (bare X without a window manager): the
    // frame follows the mouse itself until the button is released.
    drag_ = {true, zone.operation, zone.edges, globalPos, geometry()};
    return false;
}

void TJQForm::followMouse(QPoint globalPos) {
    const QPoint delta = globalPos - drag_.startGlobal;
    if (drag_.operation == FrameOperation::Move)
        move(drag_.startGeometry.topLeft() + delta);
    else
        setGeometry(ResizedGeometry(drag_.startGeometry, drag_.edges, delta,
                                    QSize(std::max(0, MinWidth), std::max(0, MinHeight))));
}

bool TJQForm::dragMouseEvent(QEvent* event) {
    auto* e = static_cast<QMouseEvent*>(event);
    const QPoint global = e->globalPosition().toPoint();
    if (event->type() == QEvent::MouseMove) {
        if (pending_.active && (e->buttons() & Qt::LeftButton) &&
            (global - pending_.global).manhattanLength() > QApplication::startDragDistance()) {
            const PendingPress press = pending_;
            if (!startOperation(press.zone, press.global))
                return true;
        }
        if (drag_.active) {
            if (e->buttons() & Qt::LeftButton)
                followMouse(global);
            else
                drag_.active = false; // the release went elsewhere
            return true;
        }
        return pending_.active;
    }
    if (event->type() == QEvent::MouseButtonRelease && e->button() == Qt::LeftButton) {
        pending_.active = false;
        if (drag_.active) {
            followMouse(global);
            drag_.active = false;
            return true;
        }
    }
    return false;
}

void TJQForm::closeImageClick() {
    close();
}

void TJQForm::minImageClick() {
    MinimizeApplication();
}

void TJQForm::maxImageClick() {
    if (maxImage->isHidden())
        return;
    restoreGeometry_ = geometry();
    maximised_ = true;
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (s)
        setGeometry(s->availableGeometry());
    maxImage->hide();
    hryrImage->show();
    updateMask();
}

void TJQForm::hryrImageClick() {
    if (hryrImage->isHidden())
        return;
    if (maximised_) {
        maximised_ = false;
        setGeometry(restoreGeometry_);
    } else if (windowState() & Qt::WindowMaximized) {
        setWindowState(windowState() & ~Qt::WindowMaximized);
    }
    hryrImage->hide();
    maxImage->show();
    updateMask();
}

} // namespace kalo
