#include "services/interface_windows.h"

#include "base/settings_store.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

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

// Stands in for an interface whose window has not been built yet: says so
// plainly, and ends the program when closed, as the real windows do.
class TPendingInterfaceWindow : public QWidget {
public:
    explicit TPendingInterfaceWindow(InterfaceKind kind) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setWindowTitle(InterfaceName(kind));
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(
            QStringLiteral("The %1 interface is not built yet.\n\n"
                           "Close this window to end Kalotalk.")
                .arg(InterfaceName(kind)),
            this);
        label->setAlignment(Qt::AlignCenter);
        label->setObjectName(QStringLiteral("LabelPending"));
        layout->addWidget(label);
        resize(420, 160);
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->accept();
        CloseMainWindow();
    }
};

} // namespace

void SetInterfaceWindowFactory(InterfaceKind kind, InterfaceWindowFactory factory) {
    g_factories[kind == ConverterInterface ? 0 : 1] = std::move(factory);
}

QWidget* CreateInterfaceWindow() {
    const InterfaceKind kind = Settings.ActiveUI == 0 ? ConverterInterface : CartoonInterface;
    auto& factory = g_factories[kind == ConverterInterface ? 0 : 1];
    QWidget* window = factory ? factory() : new TPendingInterfaceWindow(kind);
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
