// Watching the system clipboard. The monitor raises OnClipboardChange for
// every change of the clipboard's content while it is Active and Enabled
// (changes within a few milliseconds of each other count once); what was on
// the clipboard when it joined is never a change.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace kalo {

class TClipboardMonitor : public QObject {
    Q_OBJECT
public:
    explicit TClipboardMonitor(QObject* owner = nullptr);
    ~TClipboardMonitor() override;

    // Joining or leaving the clipboard's watchers.
    bool Active() const { return FActive; }
    void SetActive(bool active);

    // Whether changes are passed on to OnClipboardChange.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }

    // Called on the user-interface thread for each change; unset: skipped.
    std::function<void()> OnClipboardChange;

private:
    void changed();

    static constexpr int kSettleMs = 40;
    bool FActive = false;
    bool FEnabled = true;
    QMetaObject::Connection FConnection;
    QTimer FSettle;
};

// What the clipboard handler does with a change, decided apart from any
// window so the rules are checked on their own.
enum class ClipboardReaction { Ignore, CartoonReads, ConverterReads };

struct ClipboardSituation {
    bool autoSpeak = false;
    bool hasText = false;
    qsizetype characters = 0; // length of the text in characters
    int ignoreLen = 0;
    int activeUi = 0;
    bool cartoonReady = false;    // the player window exists with its character
    bool converterExists = false; // the converter window exists
};
ClipboardReaction DecideClipboardReaction(const ClipboardSituation& s);

// The number of characters of a text (a character outside the Basic
// Multilingual Plane counts once, not as its two UTF-16 halves).
qsizetype CharacterCount(const QString& text);

} // namespace kalo
