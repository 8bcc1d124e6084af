#include "services/clipboard_monitor.h"

#include <QClipboard>
#include <QGuiApplication>

namespace kalo {

TClipboardMonitor::TClipboardMonitor(QObject* owner) : QObject(owner) {
    // One copy can arrive as two changes a moment apart (the old owner of
    // the clipboard goes, the new one takes it), and both would read the new
    // text: changes this close together are passed on once.
    FSettle.setSingleShot(true);
    FSettle.setInterval(kSettleMs);
    connect(&FSettle, &QTimer::timeout, this, [this] {
        if (FActive && FEnabled && OnClipboardChange)
            OnClipboardChange();
    });
}

TClipboardMonitor::~TClipboardMonitor() {
    SetActive(false);
}

void TClipboardMonitor::SetActive(bool active) {
    if (active == FActive)
        return;
    FActive = active;
    if (active) {
        // The clipboard reports changes only; its content at this moment is
        // not one.
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            FConnection = connect(clipboard, &QClipboard::dataChanged, this, &TClipboardMonitor::changed);
    } else {
        disconnect(FConnection);
        FSettle.stop();
    }
}

void TClipboardMonitor::changed() {
    if (FEnabled)
        FSettle.start();
}

ClipboardReaction DecideClipboardReaction(const ClipboardSituation& s) {
    if (!s.autoSpeak || !s.hasText || s.characters < s.ignoreLen)
        return ClipboardReaction::Ignore;
    if (s.activeUi == 1)
        return s.cartoonReady ? ClipboardReaction::CartoonReads : ClipboardReaction::Ignore;
    return s.converterExists ? ClipboardReaction::ConverterReads : ClipboardReaction::Ignore;
}

qsizetype CharacterCount(const QString& text) {
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        ++count;
    }
    return count;
}

} // namespace kalo
