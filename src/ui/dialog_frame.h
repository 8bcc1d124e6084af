// TJQForm: the skinned frame of the program's dialogs and of the converter
// window. The window has no system frame; the frame draws its own from our
// pictures around a client panel and gives by hand what a system frame would:
// moving by the title, resizing by edges and corners, close, minimise,
// maximise and restore buttons, double-click on the title to maximise or
// restore.
//
// Derived windows put their controls into PanelJQClient (coordinates relative
// to it); the window's size is the whole window, frame included. The panel
// takes its size when the window is shown, so controls that fill it or keep
// to its right or bottom edge belong in a layout on the panel. They extend
// FormShow, calling TJQForm::FormShow first, and set Sizeable, MinWidth and
// MinHeight after it, since the frame resets them on every show.
#pragma once

#include "ui/frame_geometry.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QAbstractButton;
class QLabel;
class QWindow;

namespace kalo {

class TJQImage;

class TJQForm : public QDialog {
    Q_OBJECT
public:
    enum BorderIcon { biSystemMenu = 0x1, biMinimize = 0x2, biMaximize = 0x4 };
    Q_DECLARE_FLAGS(TBorderIcons, BorderIcon)

    // windowType: Qt::Dialog for dialogs, Qt::Window for main windows.
    explicit TJQForm(QWidget* parent = nullptr, Qt::WindowType windowType = Qt::Dialog);
    ~TJQForm() override;

    int MinWidth = FrameDefaultMinWidth;
    int MinHeight = FrameDefaultMinHeight;
    bool Sizeable = true;

    // Which title buttons the frame offers (all three by default).
    void setBorderIcons(TBorderIcons icons);
    TBorderIcons borderIcons() const { return borderIcons_; }

    // The button Escape presses; without one Escape does nothing.
    void setCancelButton(QAbstractButton* button);

    bool IsMaximised() const;
    // The geometry to remember for the next run: the normal one, also while
    // the window is maximised.
    QRect NormalGeometry() const;

    // True while the frame itself follows the mouse because the window
    // system declined to move or resize the window.
    bool FrameDragging() const { return drag_.active; }

    // Frame controls.
    QWidget* PanelJQTop = nullptr;
    TJQImage* ImageJQTopLeft = nullptr;
    TJQImage* ImageJQTop = nullptr;
    TJQImage* ImageJQTopRight = nullptr;
    TJQImage* ImageJQLogo = nullptr;
    QLabel* LabelJQCaption = nullptr;
    TJQImage* minImage = nullptr;
    TJQImage* maxImage = nullptr;
    TJQImage* hryrImage = nullptr;
    TJQImage* closeImage = nullptr;
    TJQImage* ImageJQLeft = nullptr;
    TJQImage* ImageJQRight = nullptr;
    QWidget* PanelJQBottom = nullptr;
    TJQImage* ImageJQBottomLeft = nullptr;
    TJQImage* ImageJQBottom = nullptr;
    TJQImage* ImageJQBottomRight = nullptr;
    QWidget* PanelJQClient = nullptr;

    // Runs on every show (not on the window system's restore of a minimised
    // window). Derived windows call this first in their own.
    virtual void FormShow();
    // After every change of size: the minimum size, the caption's place.
    void FormResize();

    void closeImageClick();
    void minImageClick();
    void maxImageClick();
    void hryrImageClick();

    // How the frame hands a move or resize to the window system; returns
    // false when the window system declines. Replaceable for tests; an empty
    // function restores QWindow::startSystemMove/startSystemResize.
    using SystemDragStarter = std::function<bool(QWindow*, FrameOperation, Qt::Edges)>;
    static void SetSystemDragStarter(SystemDragStarter starter);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Mouse over, press on and double click on a zone picture or the caption.
    void ImageJQMouseMove(FramePiece piece, QWidget* picture, QMouseEvent* event);
    void ImageJQMouseDown(FramePiece piece, QWidget* picture, QMouseEvent* event);
    void ImageJQDblClick();

private:
    TJQImage* addPiece(QWidget* parent, const QString& name, const char* picture, int fit);
    void connectZone(TJQImage* picture, FramePiece piece);
    void connectButton(TJQImage* button, void (TJQForm::*click)());
    void layOutFrame();
    void placeCaption();
    void updateMask();
    void applyMinimumSize();
    bool startOperation(const FrameZone& zone, QPoint globalPos);
    void followMouse(QPoint globalPos);
    bool dragMouseEvent(QEvent* event);

    TBorderIcons borderIcons_ = TBorderIcons(biSystemMenu | biMinimize | biMaximize);
    QPointer<QAbstractButton> cancelButton_;
    bool maximised_ = false; // maximised by the frame itself
    QRect restoreGeometry_;
    QList<TJQImage*> pressedButtons_;

    struct ManualDrag {
        bool active = false;
        FrameOperation operation = FrameOperation::None;
        Qt::Edges edges;
        QPoint startGlobal;
        QRect startGeometry;
    } drag_;

    // A press that may be the second half of a double click starts its move
    // or resize only when the mouse really moves.
    struct PendingPress {
        bool active = false;
        FrameZone zone;
        QPoint global;
    } pending_;
    qint64 lastTitlePressMs_ = -1;
    QPoint lastTitlePressGlobal_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TJQForm::TBorderIcons)

// Minimises every window of the program, not only the one asked; when the
// window system brings one of them back, the others come back with it.
void MinimizeApplication();

} // namespace kalo
