// kalo_help_to_man: writes the manual page of one of our programs from its
// own --help and --version output (see help_to_man.h for the shape of the
// help text). Run by the build:
//   kalo_help_to_man --summary TEXT --date YYYY-MM-DD [--see-also PAGE,...]
//                    --output FILE.1 PROGRAM
#include "help_to_man.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "kalo_help_to_man: %s\n", qPrintable(message));
    return 1;
}

// The program's output for one option; empty with a message on failure.
QString run(const QString& program, const QString& option, QString* error) {
    QProcess process;
    // The programs answer --help and --version without a display; the
    // offscreen platform keeps any that would ask for one from failing.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(program, {option});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error = QStringLiteral("\"%1 %2\" failed: %3")
                     .arg(program, option, QString::fromLocal8Bit(process.readAllStandardError()));
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    const QCommandLineOption summary(QStringLiteral("summary"), QString(), QStringLiteral("text"));
    const QCommandLineOption date(QStringLiteral("date"), QString(), QStringLiteral("date"));
    const QCommandLineOption seeAlso(QStringLiteral("see-also"), QString(),
                                     QStringLiteral("pages"));
    const QCommandLineOption output(QStringLiteral("output"), QString(), QStringLiteral("file"));
    p.addOptions({summary, date, seeAlso, output});
    p.addPositionalArgument(QStringLiteral("program"), QString());
    p.process(app);
    if (p.positionalArguments().size() != 1 || !p.isSet(output) || !p.isSet(summary) ||
        !p.isSet(date))
        return fail(QStringLiteral("usage: kalo_help_to_man --summary TEXT --date YYYY-MM-DD "
                                   "[--see-also PAGE,...] --output FILE PROGRAM"));
    const QString program = p.positionalArguments().front();

    QString error;
    const QString help = run(program, QStringLiteral("--help"), &error);
    if (help.trimmed().isEmpty())
        return fail(error.isEmpty() ? QStringLiteral("%1 --help printed nothing").arg(program)
                                    : error);
    const QString version = run(program, QStringLiteral("--version"), &error).trimmed();
    if (version.isEmpty())
        return fail(error);

    kalo::ManPageInfo info;
    info.name = QFileInfo(program).fileName();
    info.summary = p.value(summary);
    info.date = p.value(date);
    info.source = QStringLiteral("Kalotalk ") + version.section(QLatin1Char(' '), -1);
    if (p.isSet(seeAlso))
        info.seeAlso = p.value(seeAlso).split(QLatin1Char(','), Qt::SkipEmptyParts);

    QSaveFile file(p.value(output));
    if (!file.open(QIODevice::WriteOnly) || file.write(kalo::HelpToMan(help, info).toUtf8()) < 0 ||
        !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(p.value(output), file.errorString()));
    return 0;
}
