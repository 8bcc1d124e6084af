#include "ui/shared_helpers.h"

#include "base/output_volume.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QUrl>

namespace kalo {

namespace {
ShellOpener g_shellOpener;
MessageBoxHandler g_messageBoxHandler;
ErrorBoxHandler g_errorBoxHandler;

QWidget* dialogParent() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w)
        w = QApplication::activeWindow();
    return w;
}
} // namespace

int RunAndWait(const QString& program, const QStringList& arguments, int showState) {
    Q_UNUSED(showState); // a child started here never opens a console window
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    // Nothing is typed to it: a program that reads its input ends there
    // instead of waiting for ever.
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return -1;
    process.waitForFinished(-1);
    if (process.exitStatus() == QProcess::CrashExit)
        return 128;
    return process.exitCode();
}

int GetWaveVolume() {
    const uint32_t right = OutputVolumeWord() >> 16;
    return static_cast<int>(right > 65535u ? 65535u : right);
}

void SetWaveVolume(int v) {
    if (v < 0 || v > 65535)
        return;
    const auto half = static_cast<uint32_t>(v);
    SetOutputVolumeWord(half * 65536u + half);
}

void ShowMessageBox(const QString& text, int flags) {
    if (g_messageBoxHandler) {
        g_messageBoxHandler(text, flags);
        return;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONWARNING:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QMessageBox box(icon, QString::fromLatin1(ApplicationTitle), text, QMessageBox::Ok, dialogParent());
    box.exec();
}

void ShowErrorBox(const QString& text) {
    if (g_errorBoxHandler) {
        g_errorBoxHandler(text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(ApplicationTitle), text,
                    QMessageBox::Ok, dialogParent());
    box.exec();
}

void ShellOpen(const QString& target, const QString& verb, int showState) {
    if (g_shellOpener) {
        g_shellOpener(target, verb, showState);
        return;
    }
    // Local paths (files and folders alike) open through their file: URL;
    // anything with a scheme (http:, mailto:) as it stands.
    const bool isLocal = target.startsWith('/') || QFileInfo::exists(target);
    const QUrl url = isLocal ? QUrl::fromLocalFile(target) : QUrl(target);
    // The desktop shows its own message when the target itself fails; when
    // there is nothing at all to hand it to (no xdg-open), say so here
    // rather than do nothing.
    if (!QDesktopServices::openUrl(url))
        ShowMessageBox(QStringLiteral("Cannot open %1.\n\nNo program to open it was found; "
                                      "installing the package xdg-utils provides one.")
                           .arg(target),
                       MB_ICONWARNING);
}

void SetShellOpener(ShellOpener opener) {
    g_shellOpener = std::move(opener);
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    g_messageBoxHandler = std::move(handler);
}

void SetErrorBoxHandler(ErrorBoxHandler handler) {
    g_errorBoxHandler = std::move(handler);
}

} // namespace kalo
