// kalotalk-char: see char_tool.h.
#include "chartool/char_tool.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char* argv[]) {
    // Only play shows a window; the other commands run without a display.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && std::strcmp(argv[1], "play") == 0)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return kalo::RunCharTool(QCoreApplication::arguments().mid(1), out, err);
}
