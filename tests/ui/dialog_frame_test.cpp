#include "ui/dialog_frame.h"

#include "support/test_support.h"
#include "ui/picture_control.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

using namespace kalo;
using kalo::test::waitFor;

namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    const QPoint global = target->mapToGlobal(local);
    QMouseEvent e(type, QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

// Global positions are given explicitly: while the frame moves the window,
// the point under the mouse changes its local coordinates.
void sendMouseAt(QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButton button,
                 Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(target->mapFromGlobal(global)), QPointF(global), button, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

void click(QWidget* target, QPoint local = {5, 5}) {
    sendMouse(target, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(target, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
}

void doubleClick(QWidget* target, QPoint local) {
    click(target, local);
    sendMouse(target, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(target, QEvent::MouseButtonDblClick, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(target, QEvent::MouseButtonRelease, local, Qt::LeftButton, Qt::NoButton);
}

// Drags from a local point of target by delta, in three steps.
void drag(QWidget* target, QPoint local, QPoint delta) {
    const QPoint start = target->mapToGlobal(local);
    sendMouseAt(target, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    sendMouseAt(target, QEvent::MouseMove, start + delta / 3, Qt::NoButton, Qt::LeftButton);
    sendMouseAt(target, QEvent::MouseMove, start + delta, Qt::NoButton, Qt::LeftButton);
    sendMouseAt(target, QEvent::MouseButtonRelease, start + delta, Qt::LeftButton, Qt::NoButton);
}

// A dialog like most of the program's: only the close button, fixed size.
class TFixedDialog : public TJQForm {
public:
    TFixedDialog() {
        setBorderIcons(biSystemMenu);
        setWindowTitle(QStringLiteral("Fixed"));
    }
    void FormShow() override {
        TJQForm::FormShow();
        Sizeable = false;
    }
};

// Records what the frame hands to the window system, and whether it accepts.
struct SystemDragRecorder {
    bool accept;
    QList<QPair<FrameOperation, Qt::Edges>> calls;
    explicit SystemDragRecorder(bool accepts) : accept(accepts) {
        TJQForm::SetSystemDragStarter([this](QWindow*, FrameOperation op, Qt::Edges edges) {
            calls.append({op, edges});
            return accept;
        });
    }
    ~SystemDragRecorder() { TJQForm::SetSystemDragStarter({}); }
};

struct ShownForm {
    TJQForm form;
    explicit ShownForm(QSize size = {392, 273}, QPoint at = {100, 80}) {
        form.setWindowTitle(QStringLiteral("Frame Test"));
        form.resize(size);
        form.move(at);
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
};

} // namespace

TEST(DialogFrame, ShowPlacesButtonsAndCaptionAndResetsTheFrameSettings) {
    TJQForm form;
    form.Sizeable = false;
    form.MinWidth = 10;
    form.resize(392, 273);
    form.setWindowTitle(QStringLiteral("Select User Interface"));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(form.Sizeable);
    EXPECT_EQ(form.MinWidth, 250);
    EXPECT_EQ(form.MinHeight, 115);
    EXPECT_EQ(form.minImage->pos(), QPoint(330, 5));
    EXPECT_EQ(form.maxImage->pos(), QPoint(350, 5));
    EXPECT_EQ(form.closeImage->pos(), QPoint(370, 5));
    EXPECT_EQ(form.closeImage->size(), QSize(17, 17));
    EXPECT_TRUE(form.maxImage->isVisible());
    EXPECT_FALSE(form.hryrImage->isVisible());
    EXPECT_EQ(form.LabelJQCaption->text(), "Select User Interface");
    EXPECT_EQ(form.LabelJQCaption->x(), (392 - form.LabelJQCaption->width()) / 2 - 10);
    EXPECT_EQ(form.LabelJQCaption->y(), 10);
    EXPECT_EQ(form.PanelJQClient->geometry(), QRect(10, 49, 369, 212));

    // The buttons keep their distance from the right edge; the caption
    // stays centred; a later caption change reaches the label.
    form.resize(500, 300);
    EXPECT_EQ(form.closeImage->pos(), QPoint(478, 5));
    EXPECT_EQ(form.minImage->pos(), QPoint(438, 5));
    form.setWindowTitle(QStringLiteral("A rather longer caption"));
    EXPECT_EQ(form.LabelJQCaption->text(), "A rather longer caption");
    EXPECT_EQ(form.LabelJQCaption->x(), (500 - form.LabelJQCaption->width()) / 2 - 10);
}

TEST(DialogFrame, ACloseOnlyFixedDialogOffersNothingButMovingAndClosing) {
    SystemDragRecorder system(false);
    TFixedDialog dialog;
    dialog.resize(392, 273);
    dialog.move(100, 80);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.closeImage->isVisible());
    EXPECT_FALSE(dialog.minImage->isVisible());
    EXPECT_FALSE(dialog.maxImage->isVisible());
    EXPECT_FALSE(dialog.hryrImage->isVisible());

    const QRect before = dialog.geometry();
    doubleClick(dialog.ImageJQTop, {50, 20});
    doubleClick(dialog.LabelJQCaption, {2, 2});
    EXPECT_FALSE(dialog.IsMaximised());
    EXPECT_EQ(dialog.geometry(), before);

    // Edges and corners do not resize it, and show no resize cursor.
    drag(dialog.ImageJQBottomRight, {5, 5}, {80, 60});
    drag(dialog.ImageJQLeft, {5, 50}, {-40, 0});
    EXPECT_EQ(dialog.geometry(), before);
    sendMouse(dialog.ImageJQBottomRight, QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(dialog.ImageJQBottomRight->cursor().shape(), Qt::ArrowCursor);

    // The title's corner moves it instead of resizing it.
    drag(dialog.ImageJQTopLeft, {2, 2}, {30, 20});
    EXPECT_EQ(dialog.pos(), before.topLeft() + QPoint(30, 20));
    EXPECT_EQ(dialog.size(), before.size());
}

TEST(DialogFrame, TheFrameMovesAndResizesTheWindowItselfWhenTheSystemDeclines) {
    SystemDragRecorder system(false);
    ShownForm s;
    TJQForm& form = s.form;

    drag(form.ImageJQTop, {60, 25}, {35, 45});
    EXPECT_EQ(form.pos(), QPoint(135, 125));
    EXPECT_FALSE(form.FrameDragging());
    drag(form.LabelJQCaption, {2, 2}, {-15, -5});
    EXPECT_EQ(form.pos(), QPoint(120, 120));
    ASSERT_EQ(system.calls.size(), 2);
    EXPECT_EQ(system.calls[0].first, FrameOperation::Move);

    // Bottom-right corner to 100 x 50 leaves it at the minimum size.
    drag(form.ImageJQBottomRight, {5, 5}, {-292, -223});
    EXPECT_EQ(form.geometry(), QRect(120, 120, 250, 115));
    // Top-left corner: grows up and left, the bottom-right corner stays.
    drag(form.ImageJQTopLeft, {2, 2}, {-20, -10});
    EXPECT_EQ(form.geometry(), QRect(100, 110, 270, 125));
    EXPECT_EQ(system.calls.last().second, Qt::TopEdge | Qt::LeftEdge);
    // Right edge of the top-right picture.
    drag(form.ImageJQTopRight, {95, 30}, {30, 0});
    EXPECT_EQ(form.geometry(), QRect(100, 110, 300, 125));

    // A program that makes the window too small is put right as well.
    form.resize(100, 50);
    EXPECT_EQ(form.size(), QSize(250, 115));
}

TEST(DialogFrame, WhenTheSystemTakesTheDragTheFrameLeavesTheWindowAlone) {
    SystemDragRecorder system(true);
    ShownForm s;
    TJQForm& form = s.form;
    drag(form.ImageJQTop, {60, 25}, {35, 45});
    drag(form.ImageJQBottom, {60, 5}, {0, 45});
    drag(form.ImageJQRight, {5, 50}, {45, 0});
    EXPECT_EQ(form.geometry(), QRect(100, 80, 392, 273));
    ASSERT_EQ(system.calls.size(), 3);
    EXPECT_EQ(system.calls[0], qMakePair(FrameOperation::Move, Qt::Edges()));
    EXPECT_EQ(system.calls[1], qMakePair(FrameOperation::Resize, Qt::Edges(Qt::BottomEdge)));
    EXPECT_EQ(system.calls[2], qMakePair(FrameOperation::Resize, Qt::Edges(Qt::RightEdge)));
}

TEST(DialogFrame, OnlyTheLeftButtonDrags) {
    SystemDragRecorder system(false);
    ShownForm s;
    const QPoint start = s.form.ImageJQTop->mapToGlobal(QPoint(60, 25));
    sendMouseAt(s.form.ImageJQTop, QEvent::MouseButtonPress, start, Qt::RightButton,
                Qt::RightButton);
    sendMouseAt(s.form.ImageJQTop, QEvent::MouseMove, start + QPoint(50, 50), Qt::NoButton,
                Qt::RightButton);
    sendMouseAt(s.form.ImageJQTop, QEvent::MouseButtonRelease, start + QPoint(50, 50),
                Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(s.form.pos(), QPoint(100, 80));
    EXPECT_TRUE(system.calls.isEmpty());
}

TEST(DialogFrame, CursorsFollowTheZones) {
    ShownForm s;
    TJQForm& form = s.form;
    auto cursorAt = [](TJQImage* piece, QPoint p) {
        sendMouse(piece, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
        return piece->cursor().shape();
    };
    EXPECT_EQ(cursorAt(form.ImageJQTop, {50, 3}), Qt::SizeVerCursor);
    EXPECT_EQ(cursorAt(form.ImageJQTop, {50, 30}), Qt::ArrowCursor);
    EXPECT_EQ(cursorAt(form.ImageJQTopLeft, {2, 2}), Qt::SizeFDiagCursor);
    EXPECT_EQ(cursorAt(form.ImageJQTopRight, {95, 2}), Qt::SizeBDiagCursor);
    EXPECT_EQ(cursorAt(form.ImageJQBottomLeft, {2, 2}), Qt::SizeBDiagCursor);
    EXPECT_EQ(cursorAt(form.ImageJQBottomRight, {2, 2}), Qt::SizeFDiagCursor);
    EXPECT_EQ(cursorAt(form.ImageJQRight, {2, 2}), Qt::SizeHorCursor);
    // Maximised: the zones are off, and the resize cursor goes.
    click(form.maxImage);
    EXPECT_EQ(cursorAt(form.ImageJQBottomRight, {2, 2}), Qt::ArrowCursor);
}

TEST(DialogFrame, MaximiseAndRestoreByButtonsAndDoubleClick) {
    SystemDragRecorder system(false);
    ShownForm s;
    TJQForm& form = s.form;
    const QRect normal = form.geometry();
    const QRect work = form.screen()->availableGeometry();

    click(form.maxImage);
    EXPECT_TRUE(form.IsMaximised());
    EXPECT_EQ(form.geometry(), work);
    EXPECT_TRUE(form.hryrImage->isVisible());
    EXPECT_FALSE(form.maxImage->isVisible());
    EXPECT_EQ(form.NormalGeometry(), normal);
    // The buttons follow the right edge.
    EXPECT_EQ(form.closeImage->x(), work.width() - 97 + 75);

    // Maximised, the title neither moves nor resizes the window.
    drag(form.ImageJQTop, {60, 25}, {35, 45});
    drag(form.ImageJQBottomRight, {5, 5}, {-100, -100});
    EXPECT_EQ(form.geometry(), work);
    EXPECT_TRUE(system.calls.isEmpty());

    click(form.hryrImage);
    EXPECT_FALSE(form.IsMaximised());
    EXPECT_EQ(form.geometry(), normal);
    EXPECT_TRUE(form.maxImage->isVisible());
    EXPECT_FALSE(form.hryrImage->isVisible());

    doubleClick(form.LabelJQCaption, {2, 2});
    EXPECT_EQ(form.geometry(), work);
    doubleClick(form.ImageJQTopRight, {20, 30});
    EXPECT_EQ(form.geometry(), normal);
    doubleClick(form.ImageJQTopLeft, {50, 30});
    EXPECT_TRUE(form.IsMaximised());
    // The second press of a double click started no move.
    EXPECT_EQ(system.calls.size(), 2);
    EXPECT_FALSE(form.FrameDragging());
}

TEST(DialogFrame, ADoubleClickOnTheTitlesGripMaximisesAndStays) {
    // The top rows of the title resize the window; a double click there
    // still maximises it, and the release that ends the double click does
    // not put back the size the resize started from.
    SystemDragRecorder system(false);
    ShownForm s;
    TJQForm& form = s.form;
    const QRect work = form.screen()->availableGeometry();
    doubleClick(form.ImageJQTop, {60, 3});
    EXPECT_TRUE(form.IsMaximised());
    EXPECT_EQ(form.geometry(), work);
    EXPECT_FALSE(form.FrameDragging());
    doubleClick(form.ImageJQTopLeft, {50, 3});
    EXPECT_FALSE(form.IsMaximised());
    EXPECT_EQ(form.geometry(), QRect(100, 80, 392, 273));
}

TEST(DialogFrame, ASecondPressSoonAfterTheFirstStillDragsOnceTheMouseMoves) {
    SystemDragRecorder system(true);
    ShownForm s;
    click(s.form.ImageJQTop, {60, 25});
    ASSERT_EQ(system.calls.size(), 1);
    const QPoint start = s.form.ImageJQTop->mapToGlobal(QPoint(60, 25));
    sendMouseAt(s.form.ImageJQTop, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(system.calls.size(), 1);
    sendMouseAt(s.form.ImageJQTop, QEvent::MouseMove, start + QPoint(20, 0), Qt::NoButton,
                Qt::LeftButton);
    EXPECT_EQ(system.calls.size(), 2);
}

TEST(DialogFrame, ButtonsLookPressedWhileHeldAndCloseEndsAModalDialogAsCancelled) {
    TFixedDialog dialog;
    dialog.resize(392, 273);
    dialog.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QPoint at = dialog.closeImage->pos();
    sendMouse(dialog.closeImage, QEvent::MouseButtonPress, {5, 5}, Qt::RightButton,
              Qt::RightButton);
    EXPECT_EQ(dialog.closeImage->pos(), at + QPoint(1, 1));
    sendMouse(dialog.closeImage, QEvent::MouseButtonRelease, {5, 5}, Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(dialog.closeImage->pos(), at);
    EXPECT_TRUE(dialog.isVisible()); // the right button is no click

    dialog.setResult(-1);
    click(dialog.closeImage);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(DialogFrame, EscapePressesTheCancelButtonOnlyWhenThereIsOne) {
    TFixedDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog.PanelJQClient);
    int pressed = 0;
    QObject::connect(cancel, &QPushButton::clicked, [&] { ++pressed; });
    dialog.setCancelButton(cancel);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(pressed, 1);
}

TEST(DialogFrame, ReturnPressesOnlyTheWindowsOwnDefaultButton) {
    // A main window in the frame with a tool window of its own left open
    // (as a find dialog is): Return in the main window is no press of the
    // tool window's default button.
    TJQForm main(nullptr, Qt::Window);
    QDialog tool(&main);
    auto* toolButton = new QPushButton(QStringLiteral("Find Next"), &tool);
    toolButton->setDefault(true);
    int toolPresses = 0;
    QObject::connect(toolButton, &QPushButton::clicked, [&] { ++toolPresses; });
    auto* slider = new QSlider(Qt::Horizontal, main.PanelJQClient);
    main.show();
    tool.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tool));
    QTest::keyClick(slider, Qt::Key_Return);
    QTest::keyClick(slider, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(toolPresses, 0);

    // The window's own default button still takes Return and Enter.
    auto* own = new QPushButton(QStringLiteral("Launch"), main.PanelJQClient);
    own->setDefault(true);
    own->show();
    int ownPresses = 0;
    QObject::connect(own, &QPushButton::clicked, [&] { ++ownPresses; });
    QTest::keyClick(slider, Qt::Key_Return);
    QTest::keyClick(slider, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(ownPresses, 2);
    EXPECT_EQ(toolPresses, 0);
    // Disabled, it takes the key and does nothing.
    own->setEnabled(false);
    QTest::keyClick(slider, Qt::Key_Return);
    EXPECT_EQ(ownPresses, 2);
    EXPECT_EQ(toolPresses, 0);
}

TEST(DialogFrame, MinimiseMinimisesTheWholeProgramAndRestoreBringsItAllBack) {
    ShownForm main;
    TFixedDialog other;
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QWidget hidden; // a window that is not shown stays as it is
    hidden.setWindowTitle(QStringLiteral("hidden"));

    click(main.form.minImage);
    EXPECT_TRUE(main.form.isMinimized());
    EXPECT_TRUE(other.isMinimized());
    EXPECT_FALSE(hidden.isMinimized());

    other.setWindowState(other.windowState() & ~Qt::WindowMinimized);
    EXPECT_FALSE(main.form.isMinimized());
    EXPECT_FALSE(other.isMinimized());
}
