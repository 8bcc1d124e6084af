// Draws every picture of Kalotalk's windows into the given folder (normally
// data/ui), with QPainter only. Run by hand after changing a drawing:
//   kalo_draw_pictures data/ui
#include "pictures.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kalo_draw_pictures OUTPUT_FOLDER\n");
        return 2;
    }
    const draw::Output out(QString::fromLocal8Bit(argv[1]));
    draw::drawFramePictures(out);
    draw::drawWindowPictures(out);
    draw::drawIconPictures(out);
    draw::drawAppIcons(out);
    return 0;
}
