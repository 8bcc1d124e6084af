// Small platform helpers shared by the windows: run a program and wait, the
// output volume, message and error boxes under the application title, the
// work area, and shell requests.
#pragma once

#include "base/work_area.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace kalo {

// The application title shown on message boxes and the task bar.
inline constexpr const char* ApplicationTitle = "Kalotalk";

// Message-box style flags understood by ShowMessageBox (icon part).
enum MessageBoxStyle : int {
    MB_OK = 0,
    MB_ICONERROR = 16,
    MB_ICONQUESTION = 32,
    MB_ICONWARNING = 48,
    MB_ICONINFORMATION = 64,
};

// Show states passed to ShellOpen and RunAndWait.
enum ShowState : int { SW_HIDE = 0, SW_SHOWMAXIMIZED = 3 };

// Starts program with the arguments (no shell, so nothing needs quoting),
// blocks until it ends and returns its exit code. -1 when it cannot be
// started; 128 when it was killed by a signal.
int RunAndWait(const QString& program, const QStringList& arguments, int showState = SW_HIDE);

// The right channel of the process-wide output volume, 0 to 65535.
int GetWaveVolume();
// Sets both channels to v; a v outside 0 to 65535 changes nothing.
void SetWaveVolume(int v);

// A modal message box with the application title and the icon of the flags.
void ShowMessageBox(const QString& text, int flags);

// The application's standard error box for an error that reached it.
void ShowErrorBox(const QString& text);

// Asks the desktop to open a file, folder or web or mailto: address. The verb
// "explore" opens a folder; "Open" opens anything. Failures are not reported.
void ShellOpen(const QString& target, const QString& verb, int showState = SW_SHOWMAXIMIZED);

// Replaceable back ends, so tests can see what would be shown or opened
// without a desktop. An empty function restores the real one.
using ShellOpener = std::function<void(const QString& target, const QString& verb, int showState)>;
using MessageBoxHandler = std::function<void(const QString& text, int flags)>;
using ErrorBoxHandler = std::function<void(const QString& text)>;
void SetShellOpener(ShellOpener opener);
void SetMessageBoxHandler(MessageBoxHandler handler);
void SetErrorBoxHandler(ErrorBoxHandler handler);

} // namespace kalo
