// Kalotalk: reads text aloud, in a converter window or through a desktop
// character. Start-up and shut-down happen here, in a fixed order.
#include "services/data_module.h"
#include "services/interface_windows.h"
#include "app/command_line.h"
#include "app/selector.h"
#include "base/app_folders.h"
#include "base/settings_store.h"
#include "converter/converter_window.h"
#include "player/player_window.h"
#include "ui/shared_helpers.h"
#include "ui/tool_tips.h"
#include "ui/ui_pictures.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

namespace {

// Errors that reach the event loop are shown in the standard error box, and
// the program goes on.
class TKalotalkApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const kalo::KaloError& e) {
            kalo::ShowErrorBox(e.message());
        } catch (const std::exception& e) {
            kalo::ShowErrorBox(QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
};

// The program places windows at absolute positions and watches the clipboard
// while unfocused, which native Wayland forbids: run on XWayland there unless
// the user chose a platform.
void preferX11() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

void printLine(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

// While the platform comes up, Qt's own messages are held back: when no
// display can be reached Qt would end the program with several lines about
// platform plugins; instead the user gets one line saying what is missing.
QStringList g_heldMessages;

void holdStartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        printLine(stderr, kalo::NoDisplayMessage());
        std::_Exit(1);
    }
    const QString category = QString::fromLatin1(context.category ? context.category : "");
    g_heldMessages << (category.isEmpty() || category == QLatin1String("default")
                           ? text
                           : category + QStringLiteral(": ") + text);
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace kalo;
    // The command line first: --help and --version need no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    TStartOptions options;
    const QString error = ParseKalotalkArguments(arguments, options);
    if (!error.isEmpty()) {
        printLine(stderr, QStringLiteral("kalotalk: %1\nTry kalotalk --help.").arg(error));
        return 2;
    }
    if (options.help) {
        std::fputs(KalotalkUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version) {
        printLine(stdout, QStringLiteral("kalotalk %1").arg(KaloVersion()));
        return 0;
    }

    preferX11();
    if (DisplayMissing(qEnvironmentVariable("QT_QPA_PLATFORM"), qEnvironmentVariable("DISPLAY"))) {
        printLine(stderr, NoDisplayMessage());
        return 1;
    }
    qInstallMessageHandler(holdStartupMessage);
    TKalotalkApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    for (const QString& message : std::as_const(g_heldMessages))
        printLine(stderr, message);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QApplication::setQuitOnLastWindowClosed(false);
    // The windows, the task bar and the tray all show the one icon; the
    // desktop entry of that name carries it too.
    QApplication::setWindowIcon(AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.kalotalk"));

    RegisterConverterWindow();
    RegisterPlayerWindow();
    auto data = std::make_unique<TdmMain>();
    QStringList skipped;
    const bool launchAtOnce = ApplyStartOptions(options, data->FileList, Settings.ActiveUI,
                                                Settings.TabIndex, &skipped);
    for (const QString& path : std::as_const(skipped))
        printLine(stderr, QStringLiteral("kalotalk: %1 is not a regular file; left out").arg(path));
    auto selector = std::make_unique<TJQFormSelector>();

    QApplication::setApplicationDisplayName(QString::fromLatin1(ApplicationTitle));
    InstallToolTipControl(app);
    SetToolTipsEnabled(Settings.ShowHint);

    // An interface asked for on the command line opens at once; the stored
    // ShowSelector stays as it is for the next plain start.
    if (launchAtOnce || !Settings.ShowSelector)
        selector->Button1Click();
    else
        selector->show();

    const int result = QApplication::exec();

    // Shut-down in the reverse order of creation: the interface window stores
    // its values into Settings, then the selector goes, then the data module
    // writes kalo.dll and filelist.dll.
    delete FormConverter.data();
    delete FormKALO.data();
    selector.reset();
    JQFormSelector = nullptr;
    data.reset();
    return result;
}
