#include "player/reading_list.h"

#include "base/kalo_error.h"
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

QString ReadEntryText(const QString& path) {
    QString text = ReadTextFile(path).text;
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
    TPlayerCharacter* character = FHost.Character();
    if (!character)
        return;
    const int count = character->BookmarkCount();
    if (bookmark == 1) {
        FHost.SetFileNameLabel(LabelWithCount(FHost.FileNameLabel(), count));
        FHost.SetPositionMax(count);
    }
    if (Playing && bookmark == count)
        Next();
    FHost.SetPosition(bookmark);
    FHost.SetNumberLabel(BookmarkNumberText(bookmark));
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
    QThreadPool::globalInstance()->start([this, weak, receiver, reader, index, path] {
        QString text;
        QString error;
        try {
            text = reader(path);
        } catch (const KaloError& e) {
            error = e.message();
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(
            receiver,
            [this, weak, index, path, text = std::move(text), error = std::move(error)] {
                // Only this object holds the read; while it can be locked
                // here, on the object's own thread, the object is alive.
                const auto alive = weak.lock();
                if (!alive || FPendingRead != alive)
                    return;
                FPendingRead.reset();
                entryRead(index, path, text, error);
            },
            Qt::QueuedConnection);
    });
}

void TReadingList::cancelRead() {
    FPendingRead.reset();
}

void TReadingList::entryRead(int index, const QString& path, const QString& text,
                             const QString& error) {
    if (!error.isEmpty()) {
        // The character is already stopped; the label keeps what it showed
        // and nothing is spoken.
        FHost.ShowError(error);
        return;
    }
    FHost.SetFileNameLabel(EntryLabel(index, path));
    if (TPlayerCharacter* character = FHost.Character())
        character->Speak(text);
}

} // namespace kalo
