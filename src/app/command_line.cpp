#include "app/command_line.h"

#include <QDir>
#include <QFileInfo>

namespace kalo {

QString KalotalkUsage() {
    return QStringLiteral(
        "Usage: kalotalk [--converter | --cartoon] [FILE...]\n"
        "       kalotalk --help | --version\n"
        "\n"
        "Reads text aloud on the desktop: in the converter, a tabbed text editor\n"
        "that speaks documents or writes them to WAV and MP3 files, or through an\n"
        "animated character standing on the desktop beside a small player window.\n"
        "Without options it shows the interface selector, unless that was switched\n"
        "off there; then it opens the interface chosen last.\n"
        "\n"
        "Options:\n"
        "  --converter  open the converter at once\n"
        "  --cartoon    open the cartoon interface at once\n"
        "  FILE...      text files to add to the converter's documents; the\n"
        "               converter opens on the first of them\n"
        "  -h, --help   show this text\n"
        "  --version    show the version\n"
        "\n"
        "The options leave the selector's \"Display This Dialog at Startup\" as it\n"
        "is.\n"
        "\n"
        "Files:\n"
        "The settings and the documents live in the application folder: the\n"
        "program's own folder when it can be written, else\n"
        "$XDG_DATA_HOME/kalotalk/ (normally ~/.local/share/kalotalk/), which is\n"
        "made on the first start.\n"
        "  kalo.dll      the settings\n"
        "  filelist.dll  the document list, one file a line\n"
        "  txt/, wav/, mp3/\n"
        "               where new documents, WAV files and MP3 files go at first\n"
        "  chars/, skins/\n"
        "               characters (.acs files) and player skins of your own,\n"
        "               listed beside the installed ones\n"
        "\n"
        "Exit status:\n"
        "  0  ended normally\n"
        "  1  no graphical desktop was found (it needs X11, or Wayland through\n"
        "     XWayland)\n"
        "  2  a wrong command line\n");
}

QString ParseKalotalkArguments(const QStringList& arguments, TStartOptions& options) {
    options = TStartOptions{};
    bool onlyFiles = false; // after "--" every argument is a file
    for (const QString& argument : arguments) {
        if (onlyFiles || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            options.files << argument;
        } else if (argument == QLatin1String("--")) {
            onlyFiles = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--converter") ||
                   argument == QLatin1String("--cartoon")) {
            const auto wanted = argument == QLatin1String("--converter")
                                    ? TStartOptions::Interface::Converter
                                    : TStartOptions::Interface::Cartoon;
            if (options.open != TStartOptions::Interface::Stored && options.open != wanted)
                return QStringLiteral("--converter and --cartoon cannot be given together");
            options.open = wanted;
        } else {
            return QStringLiteral("unknown option %1").arg(argument);
        }
    }
    return {};
}

bool ApplyStartOptions(const TStartOptions& options, QStringList& fileList, int& activeUi,
                       int& tabIndex, QStringList* skipped) {
    int firstTab = -1;
    for (const QString& file : options.files) {
        const QFileInfo info(file);
        if (info.exists() && !info.isFile()) {
            if (skipped)
                *skipped << file;
            continue;
        }
        const QString path = QDir::cleanPath(info.absoluteFilePath());
        qsizetype at = fileList.indexOf(path);
        if (at < 0) {
            fileList << path;
            at = fileList.size() - 1;
        }
        if (firstTab < 0)
            firstTab = static_cast<int>(at);
    }
    TStartOptions::Interface open = options.open;
    if (open == TStartOptions::Interface::Stored && !options.files.isEmpty())
        open = TStartOptions::Interface::Converter;
    if (firstTab >= 0 && open == TStartOptions::Interface::Converter)
        tabIndex = firstTab;
    if (open == TStartOptions::Interface::Stored)
        return false;
    activeUi = open == TStartOptions::Interface::Converter ? 0 : 1;
    return true;
}

QString NoDisplayMessage() {
    return QStringLiteral(
        "kalotalk: no graphical desktop found; Kalotalk needs X11, or Wayland through XWayland "
        "(DISPLAY is not set or cannot be reached)");
}

bool DisplayMissing(const QString& qpaPlatform, const QString& display) {
    const bool x11 = qpaPlatform.isEmpty() || qpaPlatform.startsWith(QLatin1String("xcb"));
    return x11 && display.isEmpty();
}

} // namespace kalo
