// The read prompt: asks what to do with text that arrived on the clipboard,
// and closes itself with the default action after a few seconds.
#pragma once

#include "ui/dialog_frame.h"

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace kalo {

// The answers, numbered like the DefAction setting.
enum PromptAction { PromptReadNow = 0, PromptNew = 1, PromptAppend = 2, PromptCancel = 3 };

class TJQFormPrompt : public TJQForm {
    Q_OBJECT
public:
    explicit TJQFormPrompt(QWidget* parent = nullptr);

    QPushButton* BitBtnRead = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* ButtonNew = nullptr;
    QPushButton* ButtonAppend = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QTimer* Timer1 = nullptr;

    // The action chosen: DefAction until a button is pressed.
    int FChoice = 0;

    void FormShow() override;

private:
    void choose(int action);
};

// Shows the prompt modally and returns the action chosen (PromptAction).
int AskClipboardAction();

} // namespace kalo
