#include "player/skin_source.h"

#include "base/regular_file.h"
#include "player/skin_geometry.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <zip.h>

#include <algorithm>

namespace kalo {

namespace {

// A regular file of at most `limit` bytes; nothing when it is larger, is not
// a regular file (a FIFO would block, a device never end) or cannot be read.
std::optional<QByteArray> readCapped(const QString& path, qint64 limit) {
    RegularFileRead read = ReadRegularFile(path, limit);
    if (!read.ok())
        return std::nullopt;
    return std::move(read.bytes);
}

// The entry of `folder` whose name equals `name` without regard to letter
// case (an exact match first), of the wanted kind; empty when none.
QString findEntry(const QString& folder, const QString& name, QDir::Filters kind) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ||
        name.contains(QLatin1Char('/')))
        return {};
    const QDir dir(folder);
    const QFileInfo exact(dir.filePath(name));
    if (exact.exists() && ((kind & QDir::Dirs) ? exact.isDir() : exact.isFile()))
        return exact.filePath();
    QDirIterator it(folder, kind | QDir::NoDotAndDotDot | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().compare(name, Qt::CaseInsensitive) == 0)
            return it.filePath();
    }
    return {};
}

} // namespace

// --- folder -------------------------------------------------------------------

FolderSkinSource::FolderSkinSource(const QString& folder) : folder_(folder) {}

QString FolderSkinSource::resolve(const QString& name) const {
    if (folder_.isEmpty())
        return {};
    return findEntry(folder_, name, QDir::Files);
}

std::optional<QByteArray> FolderSkinSource::read(const QString& name) const {
    const QString path = resolve(name);
    if (path.isEmpty())
        return std::nullopt;
    return readCapped(path, MaxEntryBytes);
}

bool FolderSkinSource::contains(const QString& name) const {
    return !resolve(name).isEmpty();
}

// --- archive ------------------------------------------------------------------

namespace {
// The file name of an archive entry and how deep in folders it sits; nothing
// for folders and for names that climb out ("..") or start at the root.
std::optional<std::pair<QString, int>> entryName(const char* raw) {
    if (raw == nullptr)
        return std::nullopt;
    QString name = QString::fromUtf8(raw).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('/')))
        return std::nullopt;
    if (name.size() >= 2 && name[1] == QLatin1Char(':'))
        return std::nullopt;
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.contains(QLatin1String("..")))
        return std::nullopt;
    return std::make_pair(parts.last().toLower(), int(parts.size()) - 1);
}
} // namespace

ArchiveSkinSource::ArchiveSkinSource(const QByteArray& archive) : bytes_(archive) {
    if (bytes_.isEmpty() || bytes_.size() > MaxArchiveBytes)
        return;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(bytes_.constData(), zip_uint64_t(bytes_.size()), 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        return;
    }
    zip_t* zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (zip == nullptr) {
        zip_source_free(source);
        return;
    }
    zip_ = zip;
    const zip_int64_t count = std::min<zip_int64_t>(zip_get_num_entries(zip, 0), MaxArchiveEntries);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto name = entryName(zip_get_name(zip, zip_uint64_t(i), ZIP_FL_ENC_GUESS));
        if (!name)
            continue;
        const auto found = entries_.find(name->first);
        if (found == entries_.end() || found->second.second > name->second)
            entries_[name->first] = {qint64(i), name->second};
    }
}

ArchiveSkinSource::~ArchiveSkinSource() {
    if (zip_ != nullptr)
        zip_discard(static_cast<zip_t*>(zip_));
}

std::unique_ptr<ArchiveSkinSource> ArchiveSkinSource::fromFile(const QString& path) {
    return std::make_unique<ArchiveSkinSource>(
        readCapped(path, MaxArchiveBytes).value_or(QByteArray()));
}

bool ArchiveSkinSource::contains(const QString& name) const {
    return entries_.count(name.toLower()) != 0;
}

std::optional<QByteArray> ArchiveSkinSource::read(const QString& name) const {
    const auto found = entries_.find(name.toLower());
    if (zip_ == nullptr || found == entries_.end())
        return std::nullopt;
    zip_t* zip = static_cast<zip_t*>(zip_);
    const zip_uint64_t index = zip_uint64_t(found->second.first);
    const qint64 limit = std::min(MaxEntryBytes, MaxArchiveTotalBytes - given_);
    if (limit <= 0)
        return std::nullopt;
    // The size the archive declares is checked first, but the bytes are
    // counted as they come too: a declared size may lie.
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip, index, 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) &&
        stat.size > zip_uint64_t(limit))
        return std::nullopt;
    zip_file_t* file = zip_fopen_index(zip, index, 0);
    if (file == nullptr)
        return std::nullopt;
    QByteArray bytes;
    char chunk[16384];
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, chunk, sizeof chunk);
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + n > limit) {
            ok = false;
            break;
        }
        bytes.append(chunk, qsizetype(n));
    }
    zip_fclose(file);
    given_ += bytes.size();
    if (!ok)
        return std::nullopt;
    return bytes;
}

// --- the skins folder ---------------------------------------------------------

QString skinsFolder(const QString& appPath) {
    QString base = appPath;
    if (!base.isEmpty() && !base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    return base + QStringLiteral("skins/");
}

namespace {

// The skin in one application folder's skins/; null when it has none of
// that name.
std::unique_ptr<SkinSource> skinIn(const QString& appPath, const QString& skinName) {
    const QString folder = skinsFolder(appPath);
    const QString dir = findEntry(folder, skinName, QDir::Dirs);
    if (!dir.isEmpty())
        return std::make_unique<FolderSkinSource>(dir);
    const QString archive = findEntry(folder, skinName + QStringLiteral(".wsz"), QDir::Files);
    if (!archive.isEmpty())
        return ArchiveSkinSource::fromFile(archive);
    return nullptr;
}

} // namespace

std::unique_ptr<SkinSource> openSkin(const QString& appPath, const QString& skinName) {
    return openSkin(QStringList{appPath}, skinName);
}

std::unique_ptr<SkinSource> openSkin(const QStringList& appFolders, const QString& skinName) {
    for (const QString& appPath : appFolders)
        if (auto source = skinIn(appPath, skinName))
            return source;
    return std::make_unique<FolderSkinSource>(QString());
}

QStringList installedSkins(const QStringList& appFolders) {
    QStringList names;
    for (const QString& appPath : appFolders)
        for (const QString& name : installedSkins(appPath))
            if (!names.contains(name))
                names << name;
    return names;
}

QStringList installedSkins(const QString& appPath) {
    const QString folder = skinsFolder(appPath);
    QStringList names;
    QDirIterator dirs(folder, QDir::Dirs | QDir::NoDotAndDotDot);
    while (dirs.hasNext()) {
        dirs.next();
        names << skinDisplayName(dirs.fileName());
    }
    QDirIterator files(folder, QDir::Files);
    while (files.hasNext()) {
        files.next();
        const QString file = files.fileName();
        if (!file.endsWith(QStringLiteral(".wsz"), Qt::CaseInsensitive) || file.size() <= 4)
            continue;
        const QString name = skinDisplayName(file.left(file.size() - 4));
        if (!names.contains(name))
            names << name;
    }
    return names;
}

} // namespace kalo
