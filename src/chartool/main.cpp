// kalotalk-char: see char_tool.h.
#include "chartool/char_tool.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return kalo::RunCharTool(app.arguments().mid(1), out, err);
}
