// Where the program finds its files.
//
// A self-contained application folder (a build's app/ folder, or the folder a
// per-user installation makes) holds the program, its data and the user's
// settings and documents together. An installation under a prefix (a Debian
// package) keeps the programs in <prefix>/lib/kalotalk/, the data read-only
// in <prefix>/share/kalotalk/, and each user's settings and documents in the
// user's own application folder under the XDG data home.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace kalo {

struct AppFolders {
    QString program; // the executable's folder
    QString data;    // the installation's data: help page, skins, characters
    QString user;    // AppPath: settings, document list, txt/ wav/ mp3/, the
                     // user's own characters and skins
};

// Decides the folders for a program in programFolder (all paths end in "/").
// dataHome is the XDG data home ($XDG_DATA_HOME, else ~/.local/share).
//  - The program in <prefix>/lib/kalotalk/ beside <prefix>/share/kalotalk/:
//    the data is there and the user's folder is dataHome/kalotalk/.
//  - Anything else is a self-contained application folder: the data is in
//    the program's folder, and so are settings and documents when the folder
//    can be written (writable tells), else they go to dataHome/kalotalk/.
AppFolders LocateAppFolders(const QString& programFolder, const QString& dataHome,
                            const std::function<bool(const QString&)>& writable);

// The same for the running program, from its folder and the environment.
AppFolders LocateAppFolders();

// Makes the user's application folder and its txt/, wav/, mp3/, chars/ and
// skins/ folders where they are missing. Throws KaloError("Cannot create
// folder <path>") naming the first one that cannot be made.
void MakeUserFolder(const QString& userFolder);

// The installation's data folder with its trailing "/"; set by LoadSettings
// with AppPath (the same folder in a self-contained application folder).
extern QString DataPath;

// The folders to look in for one kind of data, sub being "chars/" or
// "skins/" (or empty for the folders themselves): the user's application
// folder first, then the installation's, each once.
QStringList DataFolders(const QString& sub = QString());

// The help page of the installation.
QString HelpPagePath();

// The program's version, as the build names it ("1.0.0").
QString KaloVersion();

} // namespace kalo
