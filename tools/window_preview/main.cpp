// Shows one of the program's windows on its own, for looking at it and for
// screenshots:
//   kalo_window_preview frame|about [page]|options [ActiveUI]|folder
// The options dialog edits a scratch copy of the settings (nothing is saved).
#include "services/folder_picker.h"
#include "services/options_dialog.h"
#include "base/settings_store.h"
#include "ui/about_box.h"
#include "ui/dialog_frame.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("frame");
    const int page = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;
    if (which == QLatin1String("about")) {
        kalo::TFormAbout about;
        about.PageControl1->setCurrentIndex(page);
        about.move(200, 150);
        return about.exec() == QDialog::Accepted ? 0 : 1;
    }
    if (which == QLatin1String("options")) {
        kalo::Settings.AutoSpeak = true;
        kalo::Settings.IgnoreLen = 10;
        kalo::Settings.ShowPrompt = true;
        kalo::Settings.PromptDelay = 3;
        kalo::Settings.ShowHint = true;
        kalo::Settings.Pit = 120;
        kalo::Settings.VoiceType = QStringLiteral("Normal");
        kalo::Settings.Width = 150;
        kalo::Settings.Height = 187;
        kalo::Settings.GreetingWhenStart = true;
        kalo::Settings.DefTxtPath = QStringLiteral("/home/user/Documents/");
        kalo::Settings.DefWavPath = QStringLiteral("/home/user/Music/wav/");
        kalo::Settings.DefMp3Path = QStringLiteral("/home/user/Music/mp3/");
        kalo::Settings.RealTime = 2048;
        kalo::Settings.AutoNext = true;
        kalo::Settings.ActiveUI = page;
        kalo::TFormOption options;
        options.move(200, 150);
        options.exec();
        return 0;
    }
    if (which == QLatin1String("folder")) {
        kalo::TFormShellTree picker;
        picker.setWindowTitle(QStringLiteral(" Select a folder as the default"));
        picker.move(200, 150);
        picker.exec();
        return 0;
    }
    if (which != QLatin1String("frame")) {
        std::fprintf(stderr,
                     "usage: kalo_window_preview frame|about [page]|options [ActiveUI]|folder\n");
        return 2;
    }
    kalo::TJQForm form(nullptr, Qt::Window);
    form.setWindowTitle(QStringLiteral("Frame Preview"));
    auto* label = new QLabel(QStringLiteral("Client area"), form.PanelJQClient);
    label->move(8, 8);
    auto* ok = new QPushButton(QStringLiteral("OK"), form.PanelJQClient);
    ok->setGeometry(8, 40, 75, 25);
    form.move(200, 150);
    form.show();
    return app.exec();
}
