#include "chartool/char_tool.h"

#include "agent/acs_file.h"
#include "agent/agent_control.h"
#include "base/app_folders.h"
#include "base/kalo_error.h"
#include "base/work_area.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace kalo {

QString CharUsage() {
    return QStringLiteral(
        "Usage: kalotalk-char info FILE\n"
        "       kalotalk-char frame FILE ANIMATION INDEX OUT.png\n"
        "       kalotalk-char play FILE [ANIMATION]\n"
        "       kalotalk-char --help | --version\n"
        "\n"
        "Looks inside Agent 2.0 character files (.acs), the characters Kalotalk's\n"
        "cartoon interface shows.\n"
        "\n"
        "Commands:\n"
        "  info FILE\n"
        "      Prints the frame size, the counts of animations, images, sounds and\n"
        "      states, then every animation and every state by name.\n"
        "  frame FILE ANIMATION INDEX OUT.png\n"
        "      Writes frame INDEX (from 0) of the animation (any letter case) as a\n"
        "      PNG picture at the character's frame size, transparent around the\n"
        "      character.\n"
        "  play FILE [ANIMATION]\n"
        "      Shows the character on the desktop and plays the animation (any\n"
        "      letter case), then hides it; an animation that loops for ever plays\n"
        "      one pass and leaves by its exit branches. Without an animation it\n"
        "      stays, idling, until ended with Ctrl+C. Needs a display.\n"
        "  -h, --help\n"
        "      Shows this text.\n"
        "  --version\n"
        "      Shows the version.\n"
        "\n"
        "Exit status:\n"
        "  0  done\n"
        "  1  failed, with a message on standard error naming the file (a file\n"
        "     that cannot be read or is no Agent 2.0 character, an unknown\n"
        "     animation, a frame number past the end, a picture that cannot be\n"
        "     written)\n"
        "  2  a wrong command line\n");
}

std::optional<CharCommand> ParseCharCommand(const QStringList& arguments) {
    if (arguments.isEmpty())
        return std::nullopt;
    CharCommand command;
    const QString& verb = arguments.front();
    if (verb == QLatin1String("info") && arguments.size() == 2) {
        command.kind = CharCommand::Kind::Info;
        command.file = arguments[1];
    } else if (verb == QLatin1String("frame") && arguments.size() == 5) {
        command.kind = CharCommand::Kind::Frame;
        command.file = arguments[1];
        command.animation = arguments[2];
        bool ok = false;
        command.index = arguments[3].toLongLong(&ok);
        if (!ok || command.index < 0)
            return std::nullopt;
        command.output = arguments[4];
    } else if (verb == QLatin1String("play") && (arguments.size() == 2 || arguments.size() == 3)) {
        command.kind = CharCommand::Kind::Play;
        command.file = arguments[1];
        command.animation = arguments.value(2);
        if (arguments.size() == 3 && command.animation.isEmpty())
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (command.file.isEmpty() || (command.kind == CharCommand::Kind::Frame &&
                                   (command.animation.isEmpty() || command.output.isEmpty())))
        return std::nullopt;
    return command;
}

namespace {

void Info(const acs::Character& ch, QTextStream& out) {
    out << "width: " << ch.width << '\n';
    out << "height: " << ch.height << '\n';
    out << "animations: " << ch.animations.size() << '\n';
    out << "images: " << ch.images.size() << '\n';
    out << "sounds: " << ch.sounds.size() << '\n';
    out << "states: " << ch.states.size() << '\n';
    for (const acs::Animation& a : ch.animations)
        out << "animation: " << a.name << '\n';
    for (const acs::State& s : ch.states)
        out << "state: " << s.name << '\n';
}

void WriteFrame(const acs::Character& ch, const CharCommand& command) {
    const acs::Animation* animation = ch.FindAnimation(command.animation);
    if (!animation)
        throw KaloError(QStringLiteral("The character file \"%1\" has no animation \"%2\".")
                            .arg(command.file, command.animation));
    if (animation->frames.empty())
        throw KaloError(QStringLiteral("The animation \"%1\" in \"%2\" has no frames.")
                            .arg(animation->name, command.file));
    if (size_t(command.index) >= animation->frames.size())
        throw KaloError(QStringLiteral("The animation \"%1\" in \"%2\" has %3 frames (0 to %4); "
                                       "there is no frame %5.")
                            .arg(animation->name, command.file)
                            .arg(animation->frames.size())
                            .arg(qsizetype(animation->frames.size()) - 1)
                            .arg(command.index));
    const QImage picture = acs::ComposeFrame(ch, animation->frames[size_t(command.index)]);

    QSaveFile file(command.output);
    QString why;
    if (file.open(QIODevice::WriteOnly)) {
        QImageWriter writer(&file, "png");
        if (writer.write(picture)) {
            if (file.commit())
                return;
            why = file.errorString();
        } else {
            why = writer.errorString();
            file.cancelWriting();
        }
    } else {
        why = file.errorString();
    }
    throw KaloError(QStringLiteral("The picture \"%1\" of \"%2\" cannot be written: %3.")
                        .arg(command.output, command.file, why));
}

// Pumps events until the request has finished.
void WaitFor(const RequestPtr& request) {
    while (!request->Finished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

void Linger(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

// Shows the character in the middle of the work area through our Agent
// control and plays the animation, or idles until the program is ended.
int Play(const CharCommand& command, QTextStream& err) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw KaloError(QStringLiteral("Playing \"%1\" needs a display.").arg(command.file));
    TAgent agent;
    agent.SetConnected(true);
    const QString id = QFileInfo(command.file).completeBaseName();
    agent.Load(id, command.file);
    TAgentCharacter* character = agent.Character(id);
    QString animation;
    if (!command.animation.isEmpty()) {
        for (const QString& name : character->AnimationNames())
            if (name.compare(command.animation, Qt::CaseInsensitive) == 0)
                animation = name;
        if (animation.isEmpty())
            throw KaloError(QStringLiteral("\"%1\" has no animation named \"%2\".")
                                .arg(command.file, command.animation));
    }
    character->SetLeft(qint16((WorkAreaRight() - character->Width()) / 2));
    character->SetTop(qint16((WorkAreaBottom() - character->Height()) / 2));
    WaitFor(character->Show(false));
    if (animation.isEmpty())
        return QApplication::exec();
    const RequestPtr played = character->Play(animation);
    // A request waiting behind the animation makes one that loops for ever
    // (a character's Processing or Searching) leave by its exit branches
    // after one pass, as Stop would; any other animation plays to its end.
    // The character is shown already, so this Show request does nothing else.
    const RequestPtr behind = character->Show(false);
    WaitFor(played);
    WaitFor(behind);
    Linger(1000);
    WaitFor(character->Hide(false));
    if (played->Status() != kRequestComplete) {
        err << "kalotalk-char: \"" << animation << "\" of \"" << command.file
            << "\" did not play: " << played->Description() << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int RunCharTool(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.size() == 1 && (arguments[0] == QLatin1String("--help") ||
                                  arguments[0] == QLatin1String("-h"))) {
        out << CharUsage();
        out.flush();
        return 0;
    }
    if (arguments.size() == 1 && arguments[0] == QLatin1String("--version")) {
        out << "kalotalk-char " << KaloVersion() << '\n';
        out.flush();
        return 0;
    }
    const std::optional<CharCommand> command = ParseCharCommand(arguments);
    if (!command) {
        err << CharUsage();
        err.flush();
        return 2;
    }
    try {
        if (command->kind == CharCommand::Kind::Play) {
            const int result = Play(*command, err);
            err.flush();
            return result;
        }
        const acs::Character ch = acs::ReadAcsFile(command->file);
        if (command->kind == CharCommand::Kind::Info)
            Info(ch, out);
        else
            WriteFrame(ch, *command);
    } catch (const KaloError& e) {
        out.flush();
        err << "kalotalk-char: " << e.message() << '\n';
        err.flush();
        return 1;
    }
    out.flush();
    return 0;
}

} // namespace kalo
