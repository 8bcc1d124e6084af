// An icon with a tool tip in the notification area of the task bar. A press
// or double click on it opens a pop-up menu (for the clicks chosen in
// PopupMode) and raises an event, after bringing the owner's window to the
// front. Without a notification area on the desktop nothing shows, and
// nothing fails.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>

class QSystemTrayIcon;

namespace kalo {

class TSysTray : public QObject {
    Q_OBJECT
public:
    enum TPopupModeItem {
        pmLeftClick = 0x1,
        pmRightClick = 0x2,
        pmLeftDblClick = 0x4,
        pmRightDblClick = 0x8,
    };
    Q_DECLARE_FLAGS(TPopupMode, TPopupModeItem)

    // Where the menu stands against the pointer: its left edge, right edge or
    // middle there.
    enum class TPopupAlignment { Left, Right, Center };

    // What the notification area reports about the icon.
    enum class IconMessage { LeftDown, LeftDoubleClick, RightDown, RightDoubleClick, Other };

    using IconMouseEvent =
        std::function<void(TSysTray* sender, Qt::MouseButton button, int x, int y)>;

    static constexpr int MaxHintLength = 63;

    // `owner` is the window brought to the front before a menu or an event.
    explicit TSysTray(QWidget* owner = nullptr);
    ~TSysTray() override;

    bool Active() const { return active_; }
    void setActive(bool active);

    // Only meaningful in a form designer, which this program has none of; kept
    // so the component reads the same.
    bool ShowDesigning() const { return showDesigning_; }
    void setShowDesigning(bool show) { showDesigning_ = show; }

    const QIcon& Icon() const { return icon_; }
    void setIcon(const QIcon& icon);

    // At most the first 63 characters are kept.
    const QString& Hint() const { return hint_; }
    void setHint(const QString& hint);

    QMenu* PopupMenu() const { return popupMenu_; }
    void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    TPopupMode PopupMode() const { return popupMode_; }
    void setPopupMode(TPopupMode mode) { popupMode_ = mode; }
    TPopupAlignment PopupAlign() const { return popupAlign_; }
    void setPopupAlign(TPopupAlignment align) { popupAlign_ = align; }

    IconMouseEvent OnIconDoubleClick;
    IconMouseEvent OnIconMouseDown;

    // Reacts to one report about the icon, the pointer being at `screenPos`:
    // opens the menu when PopupMode asks for this click, then raises the
    // event. Called by the notification area; open to tests.
    void HandleIconMessage(IconMessage message, QPoint screenPos);

    // The icon in the notification area (present while Active).
    QSystemTrayIcon* trayIcon() const { return tray_; }

    // Where a menu of the given width opens for the pointer at `at`.
    static QPoint menuPlace(QPoint at, int menuWidth, TPopupAlignment align);

private:
    void bringOwnerToFront();
    void openMenu(QPoint at);
    void modify();

    QPointer<QWidget> owner_;
    QSystemTrayIcon* tray_ = nullptr;
    bool active_ = false;
    bool showDesigning_ = false;
    QIcon icon_;
    QString hint_;
    QPointer<QMenu> popupMenu_;
    TPopupMode popupMode_ = pmRightClick;
    TPopupAlignment popupAlign_ = TPopupAlignment::Right;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TSysTray::TPopupMode)

// The first `max` characters of `text` (a character outside the basic plane
// counts once and is never split).
QString firstCharacters(const QString& text, int max);

} // namespace kalo
