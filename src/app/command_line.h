// Kalotalk's command line: which interface to open straight away and which
// text files to add to the documents. Taken apart without side effects so it
// is tested on its own; start-up applies it after the data module has read
// the settings and the document list.
#pragma once

#include <QString>
#include <QStringList>

namespace kalo {

struct TStartOptions {
    enum class Interface { Stored, Converter, Cartoon };
    bool help = false;
    bool version = false;
    Interface open = Interface::Stored; // --converter, --cartoon
    QStringList files;                  // as given
};

// The text --help prints (and the manual page is made from).
QString KalotalkUsage();

// Fills options from the arguments (without the program name). Returns an
// error message, empty when the command line is sound.
QString ParseKalotalkArguments(const QStringList& arguments, TStartOptions& options);

// What start-up does with the options, given the document list and the
// settings record's ActiveUI and TabIndex:
//  - every file that is not already in the list is added at its end, as an
//    absolute path; the first file's tab becomes the one shown (TabIndex);
//    a path that exists but is no regular file (a folder, a pipe) is left
//    out and named in skipped;
//  - --converter, --cartoon or files open that interface at once (files
//    open the converter unless --cartoon is given), setting ActiveUI as the
//    selector's page would; ShowSelector is never touched.
// Returns true when the interface is to be launched without the selector.
bool ApplyStartOptions(const TStartOptions& options, QStringList& fileList, int& activeUi,
                       int& tabIndex, QStringList* skipped);

// The one line said when no graphical desktop can be reached.
QString NoDisplayMessage();

// Whether the platform Qt would use needs an X display that is missing:
// QT_QPA_PLATFORM unset or xcb, and DISPLAY empty.
bool DisplayMissing(const QString& qpaPlatform, const QString& display);

} // namespace kalo
