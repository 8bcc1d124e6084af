#include "player/reading_list.h"

#include "base/kalo_error.h"
#include "base/regular_file.h"
#include "base/settings_store.h"
#include "base/text_file.h"
#include "player/player_character.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QThreadPool>

#include <atomic>
#include <limits>

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

namespace {

// Where a stretch without spaces is best cut: after a blank or a line
// break, or after the punctuation that ends or divides a sentence in
// Chinese and Japanese text.
bool GoodCutAfter(QChar c) {
    switch (c.unicode()) {
    case 0x3001: // ideographic comma
    case 0x3002: // ideographic full stop
    case 0xFF01: // fullwidth exclamation mark
    case 0xFF0C: // fullwidth comma
    case 0xFF1B: // fullwidth semicolon
    case 0xFF1F: // fullwidth question mark
        return true;
    default:
        return c.unicode() <= 32 || c.isSpace();
    }
}

} // namespace

QStringList SplitIntoParts(const QString& text, int partLength) {
    QStringList parts;
    partLength = std::max(partLength, 1);
    const QStringView all(text);
    qsizetype start = 0;
    while (all.size() - start > partLength) {
        // Only this part's stretch is looked at, and the character just
        // past it: a space there is a clean cut too.
        const QStringView stretch = all.mid(start, partLength + 1);
        const qsizetype space = stretch.lastIndexOf(u' ');
        if (space > 0) {
            parts << stretch.left(space).toString();
            start += space + 1;
            continue;
        }
        qsizetype cut = partLength;
        for (qsizetype k = partLength - 1; k >= 0; --k) {
            if (GoodCutAfter(stretch[k])) {
                cut = k + 1;
                break;
            }
        }
        if (cut == partLength && stretch[cut - 1].isHighSurrogate() &&
            stretch[cut].isLowSurrogate())
            cut = cut > 1 ? cut - 1 : cut + 1; // the pair stays whole
        parts << stretch.left(cut).toString();
        start += cut;
    }
    parts << all.mid(start).toString();
    return parts;
}

int SpeechBookmarkCount(QStringView text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text.at(b).unicode() <= 32)
        ++b;
    while (e > b && text.at(e - 1).unicode() <= 32)
        --e;
    return static_cast<int>(text.mid(b, e - b).count(u' ')) + 1;
}

int SpeechBookmarkCount(const QStringList& parts) {
    qint64 total = 0;
    for (const QString& part : parts)
        total += SpeechBookmarkCount(QStringView(part));
    return static_cast<int>(std::min<qint64>(total, std::numeric_limits<int>::max()));
}

QString TextAfterBookmark(const QString& text, int bookmark) {
    if (bookmark <= 0)
        return text;
    qsizetype k = 0;
    while (k < text.size() && text.at(k).unicode() <= 32)
        ++k;
    int spaces = 0;
    for (; k < text.size(); ++k)
        if (text.at(k) == u' ' && ++spaces == bookmark)
            return text.mid(k + 1);
    return {};
}

QString ReadEntryText(const QString& path, const ReadStopCheck& stop) {
    // Only a regular file of a sane size: an entry chosen with "All Files"
    // may be a FIFO (which would block for ever) or a device (never ending).
    const RegularFileRead read = ReadRegularFile(path, MaxListEntryBytes, stop);
    if (read.result == RegularFileRead::TooLarge)
        throw KaloError(QStringLiteral("The file \"%1\" is too large to be read aloud (%2 MB); "
                                       "files of up to %3 MB are read.")
                            .arg(path)
                            .arg(MegabytesUp(read.size))
                            .arg(MaxListEntryBytes / (1024 * 1024)));
    if (!read.ok())
        throw KaloError(read.failure(path));
    QString text = DecodeText(read.bytes).text;
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n')))
        text += QLatin1Char('\n');
    return text;
}

// A read under way, shared by the list and the worker doing it. The worker
// hands its result to the list only while holding `lock` and finding
// `receiver` set; the list clears it (under the lock) when it drops the read
// or goes away, so the result is posted to a living list or not at all.
struct TReadingList::PendingRead {
    explicit PendingRead(TReadingList* list) : receiver(list) {}
    std::atomic<bool> stopped{false};
    QMutex lock;
    TReadingList* receiver;
    TReadingList::PartsReady then;
};

struct TReadingList::ReadResult {
    QStringList parts;
    int bookmarks = 0;
    QString error;
};

TReadingList::TReadingList(TPlaybackHost& host, QStringList& list, QObject* parent)
    : QObject(parent), ItemIndex(FOwnItemIndex), Playing(FOwnPlaying), FHost(host), FList(list),
      FRandom(RandomBelow), FReader(ReadEntryText) {}

TReadingList::TReadingList(TPlaybackHost& host, QStringList& list, int& itemIndex, bool& playing,
                           QObject* parent)
    : QObject(parent), ItemIndex(itemIndex), Playing(playing), FHost(host), FList(list),
      FRandom(RandomBelow), FReader(ReadEntryText) {}

TReadingList::~TReadingList() {
    // A worker still reading is told to stop, and hands nothing to this list.
    DropRead();
}

void TReadingList::SpeakClipboard() {
    if (!FHost.Character())
        return;
    if (const std::optional<QString> text = FHost.ClipboardText())
        SpeakCopiedText(*text);
}

void TReadingList::SpeakCopiedText(const QString& text) {
    TPlayerCharacter* character = FHost.Character();
    if (!character)
        return;
    FHost.SetFileNameLabel(kReadingClipboard);
    // An entry still being read from disk would otherwise start speaking
    // over the clipboard text once it arrives.
    cancelRead();
    character->Stop();
    if (text.size() <= FPartLength) {
        startText({text}, SpeechBookmarkCount(text), kReadingClipboard, true);
        return;
    }
    // A large copy goes to the character in parts, like a large file, and
    // is cut into them off the window's thread.
    startParts([copied = text](const ReadStopCheck&) { return copied; },
               [this](const QStringList& parts, int bookmarks, const QString&) {
                   startText(parts, bookmarks, kReadingClipboard, true);
               });
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
    startText({kNoClipboardText}, SpeechBookmarkCount(kNoClipboardText), kReadingClipboard, true);
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
    const int index = ItemIndex;
    const QString path = FList.at(index);
    startParts([reader = FReader, path](const ReadStopCheck& stop) { return reader(path, stop); },
               [this, index, path](const QStringList& parts, int bookmarks, const QString& error) {
                   entryRead(index, path, parts, bookmarks, error);
               });
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
    const TSpokenText now = character->SpeakingNow();
    if (FToken != 0 && now.token == FToken) {
        ownBookmark(bookmark, now.bookmarkCount);
        return;
    }
    // Another text: the greeting, an announcement. While a text of the list
    // waits behind it, the display stays with the list's text, so the
    // counter never runs back and forth.
    if (FToken != 0 && character->Pending(FToken))
        return;
    const int count = now.token != 0 ? now.bookmarkCount : character->BookmarkCount();
    if (bookmark == 1) {
        FHost.SetFileNameLabel(LabelWithCount(FHost.FileNameLabel(), count));
        FHost.SetPositionMax(count);
    }
    FHost.SetPosition(bookmark);
    FHost.SetNumberLabel(BookmarkNumberText(bookmark));
}

void TReadingList::ownBookmark(int bookmark, int partBookmarks) {
    FReached = bookmark;
    // The progress counts over the whole text, across its parts.
    const int shown = FPartBase + bookmark;
    if (bookmark == 1 && FShowCount) {
        FShowCount = false;
        FHost.SetFileNameLabel(LabelWithCount(FLabel, FTotal));
        FHost.SetPositionMax(FTotal);
    }
    if (bookmark >= partBookmarks) {
        if (FPart + 1 < FParts.size()) {
            FPartBase += partBookmarks;
            ++FPart;
            if (TPlayerCharacter* character = FHost.Character())
                speakPart(*character, false);
        } else {
            endText();
            // The end of an entry, or of a copy read while the list plays.
            if (Playing)
                Next();
        }
    }
    FHost.SetPosition(shown);
    FHost.SetNumberLabel(BookmarkNumberText(shown));
}

void TReadingList::CharacterChanged() {
    TPlayerCharacter* character = FHost.Character();
    if (!character || FToken == 0 || character->Pending(FToken))
        return;
    // The rest of the part, numbered so that its end falls where the
    // part's end did: the counter goes on from where it was.
    const QString rest = TextAfterBookmark(FParts.at(FPart), FReached);
    FPartBase += SpeechBookmarkCount(FParts.at(FPart)) - SpeechBookmarkCount(rest);
    FParts[FPart] = rest;
    FShowCount = true; // the new character's introduction took the label
    speakPart(*character, FCopied);
}

void TReadingList::startText(const QStringList& parts, int bookmarks, const QString& label,
                             bool copied) {
    TPlayerCharacter* character = FHost.Character();
    if (!character || parts.isEmpty())
        return;
    FParts = parts;
    FPart = 0;
    FPartBase = 0;
    FTotal = bookmarks;
    FLabel = label;
    FCopied = copied;
    FShowCount = true;
    speakPart(*character, copied);
}

void TReadingList::speakPart(TPlayerCharacter& character, bool withReadAnimation) {
    const QString& part = FParts.at(FPart);
    const bool last = FPart + 1 == FParts.size();
    FReached = 0;
    // A copied text is read between the reading animations: the first
    // before its first part, the return after its last.
    if (withReadAnimation && last) {
        FToken = character.Read(part);
        return;
    }
    if (withReadAnimation)
        character.PlayAnimation(QStringLiteral("Read"));
    FToken = character.Speak(part);
    if (FCopied && last)
        character.PlayAnimation(QStringLiteral("ReadReturn"));
}

void TReadingList::endText() {
    FParts.clear();
    FPart = 0;
    FPartBase = 0;
    FTotal = 0;
    FToken = 0;
    FReached = 0;
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

void TReadingList::startParts(std::function<QString(const ReadStopCheck& stop)> source,
                              PartsReady then) {
    // The text is read (a file is decoded too) and cut into parts on a
    // worker thread, so a large one does not hold up the window; the result
    // comes back on this thread and is used only if no later action has
    // replaced this one. A read that is dropped ends early, so neither the
    // window's end nor the program's waits for the whole of a large file.
    DropRead();
    auto read = std::make_shared<PendingRead>(this);
    read->then = std::move(then);
    FPendingRead = read;
    const int partLength = FPartLength;
    QThreadPool::globalInstance()->start([read, partLength, source = std::move(source)] {
        const ReadStopCheck stop = [&read] { return read->stopped.load(); };
        auto result = std::make_shared<ReadResult>();
        try {
            const QString text = source(stop);
            if (!stop()) {
                result->parts = SplitIntoParts(text, partLength);
                result->bookmarks = SpeechBookmarkCount(result->parts);
            }
        } catch (const KaloError& e) {
            result->error = e.message();
        } catch (const std::exception& e) {
            result->error = QString::fromLocal8Bit(e.what());
        }
        if (stop())
            return;
        const QMutexLocker locker(&read->lock);
        if (TReadingList* list = read->receiver) {
            // Posted while the list cannot go: should it go before the
            // result is delivered, the result goes with it.
            QMetaObject::invokeMethod(
                list, [list, read, result] { list->readDone(read, *result); },
                Qt::QueuedConnection);
        }
    });
}

void TReadingList::readDone(const std::shared_ptr<PendingRead>& read, const ReadResult& result) {
    if (FPendingRead != read)
        return; // replaced by a later action
    FPendingRead.reset();
    const PartsReady then = std::move(read->then);
    then(result.parts, result.bookmarks, result.error);
}

void TReadingList::DropRead() {
    if (!FPendingRead)
        return;
    FPendingRead->stopped = true;
    {
        const QMutexLocker locker(&FPendingRead->lock);
        FPendingRead->receiver = nullptr;
    }
    FPendingRead.reset();
}

void TReadingList::cancelRead() {
    // Whatever replaces the entry also ends its remaining parts.
    DropRead();
    endText();
}

void TReadingList::entryRead(int index, const QString& path, const QStringList& parts,
                             int bookmarks, const QString& error) {
    if (!error.isEmpty()) {
        // The character is already stopped; the label keeps what it showed
        // and nothing is spoken.
        FHost.ShowError(error);
        return;
    }
    const QString label = EntryLabel(index, path);
    FHost.SetFileNameLabel(label);
    startText(parts, bookmarks, label, false);
}

} // namespace kalo
