// kalotalk-char: looks inside Agent character files from the command line.
// The command line is taken apart by ParseCharCommand and carried out by
// RunCharTool, so both are tested without starting the program.
#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

namespace kalo {

struct CharCommand {
    enum class Kind { Info, Frame, Play };
    Kind kind = Kind::Info;
    QString file;
    QString animation; // frame, play: the animation's name, any letter case
    qint64 index = 0;  // frame: the frame number, from 0
    QString output;    // frame: the PNG file to write
};

// The usage text printed by --help (and on error output for a wrong command
// line); the manual page is made from it.
QString CharUsage();

// The command the arguments (without the program name) ask for; nullopt when
// they make no valid command line.
std::optional<CharCommand> ParseCharCommand(const QStringList& arguments);

// Runs the arguments (--help and --version print to out): 0 done, 1 failed
// (message on err), 2 wrong command line
// (usage on err). play needs a QApplication (a display); the others run on a
// QCoreApplication.
int RunCharTool(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace kalo
