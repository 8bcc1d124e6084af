#include "player/reading_list.h"

#include "base/kalo_error.h"
#include "base/regular_file.h"
#include "base/settings_store.h"
#include "base/text_file.h"
#include "player/player_character.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThreadPool>

namespace kalo {

namespace {

const QString kReadingClipboard = QStringLiteral("Reading Clipboard");
const QString kNoClipboardText = QStringLiteral("There is no text available in the clipboard.");

int RandomBelow(int bound) {
    return static_cast<int>(QRandomGenerator::global()->bounded(bound));
}

} // namespace

void ShuffleList(QStringList& list, const std::function<int(int bound)>& random) {
    for (qsizetype n = list.size() - 1; n >= 0; --n) {
        // r comes from 0 .. n-1, never n itself: every entry leaves its place.
        const qsizetype r = n == 0 ? 0 : random(static_cast<int>(n));
        list.swapItemsAt(n, r);
    }
}

QString EntryLabel(int itemIndex, const QString& path) {
    return QString::number(itemIndex + 1) + QStringLiteral(". ") + QFileInfo(path).fileName();
}

QString LabelWithCount(const QString& label, int bookmarkCount) {
    return label + QStringLiteral(" ( ") + QString::number(bookmarkCount) + QStringLiteral(" )");
}

QString BookmarkNumberText(int bookmark) {
    return QString::asprintf("%.4d", bookmark);
}

QStringList SplitIntoParts(const QString& text, int partLength) {
    QStringList parts;
    partLength = std::max(partLength, 1);
    qsizetype start = 0;
    while (text.size() - start > partLength) {
        qsizetype cut = text.lastIndexOf(QLatin1Char(' '), start + partLength);
        if (cut <= start) {
            cut = start + partLength;
            parts << text.mid(start, cut - start);
            start = cut;
        } else {
            parts << text.mid(start, cut - start);
            start = cut + 1;
        }
    }
    parts << text.mid(start);
    return parts;
}

int SpeechBookmarkCount(const QString& text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text.at(b).unicode() <= 32)
        ++b;
    while (e > b && text.at(e - 1).unicode() <= 32)
        --e;
    return static_cast<int>(QStringView(text).mid(b, e - b).count(QLatin1Char(' '))) + 1;
}

QString ReadEntryText(const QString& path) {
    // Only a regular file of a sane size: an entry chosen with "All Files"
    // may be a FIFO (which would block for ever) or a device (never ending).
    const RegularFileRead read = ReadRegularFile(path, MaxListEntryBytes);
    if (read.result == RegularFileRead::TooLarge)
        throw KaloError(QStringLiteral("The file \"%1\" is too large to be read aloud (%2 MB); "
                                       "files of up to %3 MB are read.")
                            .arg(path)
                            .arg(MegabytesUp(read.size))
                            .arg(MaxListEntryBytes / (1024 * 1024)));
    if (!read.ok()) {
        QString reason = read.reason;
        if (!reason.isEmpty())
            reason[0] = reason[0].toUpper();
        throw KaloError(QStringLiteral("Cannot %1 file \"%2\". %3.")
                            .arg(read.result == RegularFileRead::Unreadable
                                     ? QStringLiteral("read")
                                     : QStringLiteral("open"),
                                 path, reason));
    }
    QString text = DecodeText(read.bytes).text;
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    return text;
}

struct TReadingList::PendingRead {};

TReadingList::TReadingList(TPlaybackHost& host, QStringList& list, QObject* parent)
    : QObject(parent), ItemIndex(FOwnItemIndex), Playing(FOwnPlaying), FHost(host), FList(list),
      FRandom(RandomBelow), FReader(ReadEntryText) {}

TReadingList::TReadingList(TPlaybackHost& host, QStringList& list, int& itemIndex, bool& playing,
                           QObject* parent)
    : QObject(parent), ItemIndex(itemIndex), Playing(playing), FHost(host), FList(list),
      FRandom(RandomBelow), FReader(ReadEntryText) {}

TReadingList::~TReadingList() = default;

void TReadingList::SpeakClipboard() {
    TPlayerCharacter* character = FHost.Character();
    if (!character)
        return;
    const std::optional<QString> text = FHost.ClipboardText();
    if (!text)
        return;
    FHost.SetFileNameLabel(kReadingClipboard);
    // An entry still being read from disk would otherwise start speaking
    // over the clipboard text once it arrives.
    cancelRead();
    character->Stop();
    character->Read(*text);
}

void TReadingList::ReadClipboard() {
    Playing = false;
    TPlayerCharacter* character = FHost.Character();
    if (!character)
        return;
    if (FHost.ClipboardText()) {
        SpeakClipboard();
        return;
    }
    FHost.SetFileNameLabel(kReadingClipboard);
    cancelRead();
    character->Stop();
    character->Read(kNoClipboardText);
}

void TReadingList::Play() {
    if (FList.isEmpty()) {
        const QStringList files = FHost.AskTextFiles();
        if (!files.isEmpty()) {
            replaceList(files);
            ItemIndex = 0;
        }
    }
    if (ItemIndex < 0 || ItemIndex >= FList.size())
        return;
    Playing = true;
    cancelRead();
    if (TPlayerCharacter* character = FHost.Character())
        character->Stop();
    startRead(ItemIndex, FList.at(ItemIndex));
}

void TReadingList::Stop() {
    Playing = false;
    cancelRead();
    if (TPlayerCharacter* character = FHost.Character())
        character->Stop();
}

void TReadingList::Previous() {
    ItemIndex = std::max(ItemIndex - 1, 0);
    Play();
}

void TReadingList::Next() {
    ++ItemIndex;
    if (ItemIndex >= FList.size())
        ItemIndex = Settings.Repeat1 ? 0 : static_cast<int>(FList.size());
    Play();
}

void TReadingList::OpenTextFile() {
    const QStringList files = FHost.AskTextFiles();
    if (files.isEmpty())
        return;
    replaceList(files);
    ItemIndex = 0;
    Play();
}

void TReadingList::Bookmark(int bookmark) {
    FReportedFailure.clear(); // speech works again
    TPlayerCharacter* character = FHost.Character();
    if (!character)
        return;
    const int count = character->BookmarkCount();
    const bool inParts = !FParts.isEmpty();
    // An entry spoken in parts shows its progress over the whole entry.
    const int shown = inParts ? FPartBase + bookmark : bookmark;
    if (bookmark == 1 && (!inParts || FPart == 0)) {
        const int total = inParts ? FEntryBookmarks : count;
        FHost.SetFileNameLabel(LabelWithCount(FHost.FileNameLabel(), total));
        FHost.SetPositionMax(total);
    }
    if (inParts && bookmark == count) {
        if (FPart + 1 < FParts.size()) {
            FPartBase += count;
            ++FPart;
            character->Speak(FParts.at(FPart));
        } else {
            FParts.clear();
            if (Playing)
                Next();
        }
    } else if (!inParts && Playing && bookmark == count) {
        Next();
    }
    FHost.SetPosition(shown);
    FHost.SetNumberLabel(BookmarkNumberText(shown));
}

void TReadingList::SpeechFailed(const QString& reason) {
    Playing = false;
    cancelRead();
    if (reason == FReportedFailure)
        return;
    FReportedFailure = reason;
    FHost.ShowError(QStringLiteral("The character cannot speak: ") + reason);
}

void TReadingList::replaceList(const QStringList& files) {
    FList = files;
    if (Settings.Shuffle)
        ShuffleList(FList, FRandom);
}

void TReadingList::startRead(int index, const QString& path) {
    // The file is read and decoded on a worker thread so a large file does
    // not hold up the window; the result comes back on this thread and is
    // used only if no later action has replaced this read.
    auto pending = std::make_shared<PendingRead>();
    FPendingRead = pending;
    std::weak_ptr<PendingRead> weak = pending;
    QObject* receiver = QCoreApplication::instance();
    const auto reader = FReader;
    const int partLength = FPartLength;
    QThreadPool::globalInstance()->start([this, weak, receiver, reader, partLength, index, path] {
        QStringList parts;
        int bookmarks = 0;
        QString error;
        try {
            const QString text = reader(path);
            bookmarks = SpeechBookmarkCount(text);
            parts = SplitIntoParts(text, partLength);
        } catch (const KaloError& e) {
            error = e.message();
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(
            receiver,
            [this, weak, index, path, parts = std::move(parts), bookmarks,
             error = std::move(error)] {
                // Only this object holds the read; while it can be locked
                // here, on the object's own thread, the object is alive.
                const auto alive = weak.lock();
                if (!alive || FPendingRead != alive)
                    return;
                FPendingRead.reset();
                entryRead(index, path, parts, bookmarks, error);
            },
            Qt::QueuedConnection);
    });
}

void TReadingList::cancelRead() {
    // Whatever replaces the entry also ends its remaining parts.
    FPendingRead.reset();
    FParts.clear();
}

void TReadingList::entryRead(int index, const QString& path, const QStringList& parts,
                             int bookmarks, const QString& error) {
    if (!error.isEmpty()) {
        // The character is already stopped; the label keeps what it showed
        // and nothing is spoken.
        FHost.ShowError(error);
        return;
    }
    FHost.SetFileNameLabel(EntryLabel(index, path));
    TPlayerCharacter* character = FHost.Character();
    if (!character || parts.isEmpty())
        return;
    if (parts.size() > 1) {
        FParts = parts;
        FPart = 0;
        FPartBase = 0;
        FEntryBookmarks = bookmarks;
    }
    character->Speak(parts.first());
}

} // namespace kalo
