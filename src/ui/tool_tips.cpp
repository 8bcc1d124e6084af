#include "ui/tool_tips.h"

#include <QApplication>
#include <QEvent>
#include <QProxyStyle>

namespace kalo {

namespace {

bool g_enabled = true;

class TToolTipStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 250;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Swallows tool-tip requests while tool tips are switched off.
class TToolTipFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!g_enabled && event->type() == QEvent::ToolTip)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void InstallToolTipControl(QApplication& app) {
    app.setStyle(new TToolTipStyle(app.style()->name()));
    app.installEventFilter(new TToolTipFilter(&app));
}

void SetToolTipsEnabled(bool enabled) {
    g_enabled = enabled;
}

bool ToolTipsEnabled() {
    return g_enabled;
}

} // namespace kalo
