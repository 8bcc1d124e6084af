#include "services/interface_windows.h"

#include "base/kalo_error.h"
#include "base/settings_store.h"

#include <QApplication>

namespace kalo {

QPointer<QWidget> FormConverter;
QPointer<QWidget> FormKALO;

namespace {
QPointer<QWidget> g_mainWindow;
} // namespace

QWidget* MainWindow() {
    return g_mainWindow;
}

void SetMainWindow(QWidget* window) {
    g_mainWindow = window;
}

void ShowMainWindow() {
    if (g_mainWindow)
        g_mainWindow->show();
}

namespace {
InterfaceWindowFactory g_factories[2];
} // namespace

void SetInterfaceWindowFactory(InterfaceKind kind, InterfaceWindowFactory factory) {
    g_factories[kind == ConverterInterface ? 0 : 1] = std::move(factory);
}

QWidget* CreateInterfaceWindow() {
    const InterfaceKind kind = Settings.ActiveUI == 0 ? ConverterInterface : CartoonInterface;
    auto& factory = g_factories[kind == ConverterInterface ? 0 : 1];
    if (!factory)
        throw KaloError(QStringLiteral("The %1 interface is not available.").arg(InterfaceName(kind)));
    QWidget* window = factory();
    if (kind == ConverterInterface)
        FormConverter = window;
    else
        FormKALO = window;
    return window;
}

void CloseMainWindow() {
    // The selector is the main window, shown or hidden; closing it ends the
    // run. Deferred to the event loop so the calling close handler finishes
    // first.
    QMetaObject::invokeMethod(
        qApp,
        [] {
            if (g_mainWindow)
                g_mainWindow->close();
            else
                QApplication::exit(0);
        },
        Qt::QueuedConnection);
}

QString InterfaceName(InterfaceKind kind) {
    return kind == ConverterInterface ? QStringLiteral("TTS/Wav/MP3 Converter")
                                      : QStringLiteral("Cartoon UI");
}

} // namespace kalo
