// Shows one of the program's windows on its own, for looking at it and for
// screenshots:  kalo_window_preview frame|about [page]
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
    if (which != QLatin1String("frame")) {
        std::fprintf(stderr, "usage: kalo_window_preview frame|about [page]\n");
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
