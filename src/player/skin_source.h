// Where a skin's files come from: a folder under skins/, or a .wsz archive
// (a zip file) there. Both answer one question, "the bytes of file X", with
// file names compared without regard to letter case, so the skin loader
// works the same on either.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

namespace kalo {

class SkinSource {
public:
    virtual ~SkinSource() = default;
    // The bytes of the named file, letter case ignored; nothing when the skin
    // has no such file or it cannot be read.
    virtual std::optional<QByteArray> read(const QString& name) const = 0;
    virtual bool contains(const QString& name) const = 0;
};

// The files directly inside one folder. A folder that does not exist is a
// skin without files.
class FolderSkinSource : public SkinSource {
public:
    explicit FolderSkinSource(const QString& folder);
    std::optional<QByteArray> read(const QString& name) const override;
    bool contains(const QString& name) const override;

private:
    QString resolve(const QString& name) const;
    QString folder_;
};

// Caps of the archive reader: a .wsz file larger than MaxArchiveBytes is not
// opened, an entry that unpacks to more than MaxEntryBytes is not read, and
// one archive gives out at most MaxArchiveTotalBytes in all; so a zip bomb
// cannot take the memory.
inline constexpr qint64 MaxArchiveBytes = 32 * 1024 * 1024;
inline constexpr qint64 MaxEntryBytes = 8 * 1024 * 1024;
inline constexpr qint64 MaxArchiveTotalBytes = 48 * 1024 * 1024;
// Only the first entries of an archive are looked at; a skin has a few dozen.
inline constexpr qint64 MaxArchiveEntries = 4096;

// The files of a zip archive, read in memory only (nothing is unpacked to
// disk). Files may sit in a folder inside the archive; a file is found by its
// name alone. Entries whose names hold ".." or start at the root ("/", "\" or
// a drive letter) are ignored. An archive that cannot be opened is a skin
// without files.
class ArchiveSkinSource : public SkinSource {
public:
    explicit ArchiveSkinSource(const QByteArray& archive);
    ~ArchiveSkinSource() override;
    ArchiveSkinSource(const ArchiveSkinSource&) = delete;
    ArchiveSkinSource& operator=(const ArchiveSkinSource&) = delete;

    static std::unique_ptr<ArchiveSkinSource> fromFile(const QString& path);

    bool isOpen() const { return zip_ != nullptr; }
    std::optional<QByteArray> read(const QString& name) const override;
    bool contains(const QString& name) const override;

private:
    QByteArray bytes_;
    void* zip_ = nullptr; // zip_t*
    // Lower-cased file name -> entry index; the first, least deep entry of a
    // name wins.
    std::map<QString, std::pair<qint64, int>> entries_; // name -> (index, depth)
    mutable qint64 given_ = 0;
};

// The skins folder of the application folder (with a trailing "/").
QString skinsFolder(const QString& appPath);

// Opens the skin of the given name (the Skin setting) under skins/: the
// sub-folder of that name, else the file name + ".wsz", both found without
// regard to letter case. A skin that is not there gives a source without files.
std::unique_ptr<SkinSource> openSkin(const QString& appPath, const QString& skinName);
// The same in the first of several application folders that has the skin
// (the user's folder, then the installation's).
std::unique_ptr<SkinSource> openSkin(const QStringList& appFolders, const QString& skinName);

// The installed skins' display names, in the order the file system lists
// them: each sub-folder of skins/ (not hidden), then each .wsz file there
// whose display name no folder already has.
QStringList installedSkins(const QString& appPath);
// The same over several application folders in order; a name an earlier
// folder gave already is left out.
QStringList installedSkins(const QStringList& appFolders);

} // namespace kalo
