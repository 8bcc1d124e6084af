// Shows one of the program's windows on its own, for looking at it and for
// screenshots: kalo_window_preview frame|fixed
#include "ui/dialog_frame.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("frame");
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
