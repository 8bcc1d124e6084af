// The two interface windows (converter and cartoon player) as the rest of the
// application core sees them: who exists, how one is created, how closing one
// ends the program.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

namespace kalo {

// At most one of them refers to a living window; QPointer clears itself the
// moment its window is destroyed, so code that tests for a window never
// reaches a destroyed one.
extern QPointer<QWidget> FormConverter;
extern QPointer<QWidget> FormKALO;

enum InterfaceKind { ConverterInterface = 0, CartoonInterface = 1 };

// Makes a new interface window (not shown). The converter and player modules
// register theirs at start-up.
using InterfaceWindowFactory = std::function<QWidget*()>;
void SetInterfaceWindowFactory(InterfaceKind kind, InterfaceWindowFactory factory);

// Creates the window ActiveUI names (0 converter, anything else cartoon) into
// FormConverter or FormKALO, and returns it. Throws a KaloError when no
// window is registered for that interface.
QWidget* CreateInterfaceWindow();

// The main window for the whole run: the interface selector, shown or hidden.
// The selector registers itself when it is made and unregisters when it goes,
// so the layers below it reach it without knowing its class.
QWidget* MainWindow();
void SetMainWindow(QWidget* window);

// What an interface window's close handler does: close the main window (the
// interface selector), which ends the program.
void CloseMainWindow();

// What the switch actions do after the interface window has gone: show the
// main window (the selector) again.
void ShowMainWindow();

// An interface window that acts on text arriving on the clipboard.
class TClipboardReader {
public:
    virtual ~TClipboardReader() = default;
    // The cartoon interface reads only while it has its character.
    virtual bool ClipboardReady() const { return true; }
    virtual void ReadClipboard(const QString& text) = 0;
};

// The human name of an interface, as the selector's pages show it.
QString InterfaceName(InterfaceKind kind);

} // namespace kalo
