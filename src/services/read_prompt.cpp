#include "services/read_prompt.h"

#include "base/settings_store.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace kalo {

TJQFormPrompt::TJQFormPrompt(QWidget* parent) : TJQForm(parent, Qt::Dialog) {
    setObjectName(QStringLiteral("JQFormPrompt"));
    setWindowTitle(QString());
    setBorderIcons(biSystemMenu);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    resize(306, 181);

    BitBtnRead = new QPushButton(QStringLiteral("Read Now!"), PanelJQClient);
    BitBtnRead->setObjectName(QStringLiteral("BitBtnRead"));
    BitBtnRead->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    BitBtnRead->setGeometry(16, 16, 249, 25);
    Bevel2 = new QFrame(PanelJQClient);
    Bevel2->setFrameShape(QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);
    Bevel2->setGeometry(16, 48, 250, 2);
    Label1 = new QLabel(QStringLiteral("Copy Clipboard to the Documents List?"), PanelJQClient);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->move(16, 56);
    Label1->adjustSize();
    ButtonNew = new QPushButton(QStringLiteral("New"), PanelJQClient);
    ButtonNew->setObjectName(QStringLiteral("ButtonNew"));
    ButtonNew->setGeometry(16, 80, 75, 25);
    ButtonAppend = new QPushButton(QStringLiteral("Append"), PanelJQClient);
    ButtonAppend->setObjectName(QStringLiteral("ButtonAppend"));
    ButtonAppend->setGeometry(104, 80, 75, 25);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), PanelJQClient);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setGeometry(192, 80, 75, 25);
    setCancelButton(ButtonCancel);

    connect(BitBtnRead, &QPushButton::clicked, this, [this] { choose(PromptReadNow); });
    connect(ButtonNew, &QPushButton::clicked, this, [this] { choose(PromptNew); });
    connect(ButtonAppend, &QPushButton::clicked, this, [this] { choose(PromptAppend); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { choose(PromptCancel); });

    // Runs from the dialog's creation; FormShow sets its interval.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop();
        close();
    });
    Timer1->start(1000);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void TJQFormPrompt::FormShow() {
    TJQForm::FormShow();
    Sizeable = false;
    FChoice = Settings.DefAction;
    QPushButton* buttons[] = {BitBtnRead, ButtonNew, ButtonAppend, ButtonCancel};
    QPushButton* focused = (Settings.DefAction >= 0 && Settings.DefAction <= 3)
                               ? buttons[Settings.DefAction]
                               : BitBtnRead;
    for (QPushButton* b : buttons) {
        b->setDefault(b == focused);
        b->setAutoDefault(b == focused);
    }
    focused->setFocus(Qt::OtherFocusReason);
    // A delay beyond what a timer holds waits as long as it can.
    const qint64 ms = std::clamp<qint64>(qint64(Settings.PromptDelay) * 1000, 0, INT_MAX);
    Timer1->start(static_cast<int>(ms));
}

void TJQFormPrompt::choose(int action) {
    FChoice = action;
    Timer1->stop();
    done(action == PromptCancel ? QDialog::Rejected : QDialog::Accepted);
}

int AskClipboardAction() {
    TJQFormPrompt prompt(nullptr);
    prompt.exec();
    return prompt.FChoice;
}

} // namespace kalo
