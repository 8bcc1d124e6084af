// Kalotalk: reads text aloud, in a converter window or through a desktop
// character. Start-up and shut-down happen here, in a fixed order.
#include "services/data_module.h"
#include "services/interface_windows.h"
#include "app/selector.h"
#include "base/settings_store.h"
#include "converter/converter_window.h"
#include "player/player_window.h"
#include "ui/shared_helpers.h"
#include "ui/tool_tips.h"

#include <QApplication>

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

} // namespace

int main(int argc, char* argv[]) {
    using namespace kalo;
    preferX11();
    TKalotalkApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QApplication::setQuitOnLastWindowClosed(false);

    RegisterConverterWindow();
    RegisterPlayerWindow();
    auto data = std::make_unique<TdmMain>();
    auto selector = std::make_unique<TJQFormSelector>();

    QApplication::setApplicationDisplayName(QString::fromLatin1(ApplicationTitle));
    InstallToolTipControl(app);
    SetToolTipsEnabled(Settings.ShowHint);

    if (!Settings.ShowSelector)
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
