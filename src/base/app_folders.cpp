#include "base/app_folders.h"

#include "base/kalo_error.h"
#include "base/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// The install rules put the programs and the data in these folders under the
// prefix (the build passes the same values to both).
#ifndef KALO_INSTALL_PROGRAM_DIR
#define KALO_INSTALL_PROGRAM_DIR "lib/kalotalk"
#endif
#ifndef KALO_INSTALL_DATA_DIR
#define KALO_INSTALL_DATA_DIR "share/kalotalk"
#endif
#ifndef KALO_VERSION
#define KALO_VERSION "0"
#endif

namespace kalo {

QString DataPath;

namespace {

QString withSlash(QString path) {
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

// The prefix the program folder stands in when it is <prefix>/lib/kalotalk/;
// empty otherwise.
QString installPrefix(const QString& programFolder) {
    const QString tail = QStringLiteral("/" KALO_INSTALL_PROGRAM_DIR "/");
    const QString folder = withSlash(QDir::cleanPath(programFolder));
    if (!folder.endsWith(tail))
        return {};
    return folder.left(folder.size() - tail.size() + 1);
}

} // namespace

AppFolders LocateAppFolders(const QString& programFolder, const QString& dataHome,
                            const std::function<bool(const QString&)>& writable) {
    AppFolders folders;
    folders.program = withSlash(programFolder);
    const QString userHome = withSlash(dataHome) + QStringLiteral("kalotalk/");
    const QString prefix = installPrefix(programFolder);
    const QString installedData = withSlash(prefix + QStringLiteral(KALO_INSTALL_DATA_DIR));
    if (!prefix.isEmpty() && QFileInfo(installedData).isDir()) {
        folders.data = installedData;
        folders.user = userHome;
        return folders;
    }
    folders.data = folders.program;
    folders.user = writable(folders.program) ? folders.program : userHome;
    return folders;
}

AppFolders LocateAppFolders() {
    return LocateAppFolders(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                            [](const QString& folder) { return QFileInfo(folder).isWritable(); });
}

void MakeUserFolder(const QString& userFolder) {
    const QString root = withSlash(userFolder);
    for (const char* sub : {"", "txt", "wav", "mp3", "chars", "skins"}) {
        const QString folder = root + QLatin1String(sub);
        if (!QDir().mkpath(folder))
            throw KaloError(QStringLiteral("Cannot create folder %1").arg(folder));
    }
}

QStringList DataFolders(const QString& sub) {
    QStringList folders;
    for (const QString& base : {AppPath, DataPath}) {
        if (base.isEmpty())
            continue;
        const QString folder = base + sub;
        if (!folders.contains(folder))
            folders << folder;
    }
    return folders;
}

QString HelpPagePath() {
    return DataPath + QStringLiteral("help/index.html");
}

QString KaloVersion() {
    return QStringLiteral(KALO_VERSION);
}

} // namespace kalo
