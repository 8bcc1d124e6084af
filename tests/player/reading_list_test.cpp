#include "player/reading_list.h"

#include "base/kalo_error.h"
#include "base/settings_store.h"
#include "fake_character.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSemaphore>
#include <QThreadPool>

#include <atomic>
#include <memory>

using namespace kalo;
using kalo::test::FakeCharacter;
using kalo::test::returnsWithin;
using kalo::test::ScratchAppFolder;
using kalo::test::TestFifo;
using kalo::test::waitFor;

namespace {

class FakeHost : public TPlaybackHost {
public:
    FakeCharacter character;
    bool hasCharacter = true;
    QString label = QStringLiteral("I'm ready!");
    QStringList labels; // every text LabelFileName took
    QStringList numbers;
    int positionMax = 220;
    QList<int> positions;
    std::optional<QString> clipboard;
    QStringList dialogAnswer;
    int dialogShown = 0;
    QStringList errors;

    TPlayerCharacter* Character() override { return hasCharacter ? &character : nullptr; }
    QString FileNameLabel() const override { return label; }
    void SetFileNameLabel(const QString& text) override {
        label = text;
        labels << text;
    }
    void SetNumberLabel(const QString& text) override { numbers << text; }
    void SetPositionMax(int max) override { positionMax = max; }
    void SetPosition(int position) override { positions << position; }
    std::optional<QString> ClipboardText() override { return clipboard; }
    QStringList AskTextFiles() override {
        ++dialogShown;
        return dialogAnswer;
    }
    void ShowError(const QString& message) override { errors << message; }
};

class ReadingListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings = TSettings{};
        folder.write(QStringLiteral("a.txt"), "alpha one\n");
        folder.write(QStringLiteral("b.txt"), "beta two three");
        folder.write(QStringLiteral("c.txt"), "gamma");
        a = folder.file(QStringLiteral("a.txt"));
        b = folder.file(QStringLiteral("b.txt"));
        c = folder.file(QStringLiteral("c.txt"));
    }
    void TearDown() override { Settings = TSettings{}; }

    // Lets a read that is under way arrive.
    void settle() {
        ASSERT_TRUE(waitFor([&] { return !list.ReadPending(); }));
    }
    // The character speaks the text at the front of its queue: it reaches
    // every bookmark in turn, as long as nothing stops it, and the text
    // ends. Returns the text.
    QString speakToTheEnd() {
        const TSpokenText front = host.character.SpeakingNow();
        const QString text = host.character.Queued().value(0);
        for (int i = 1; i <= front.bookmarkCount; ++i) {
            list.Bookmark(i);
            if (host.character.SpeakingNow().token != front.token)
                break; // stopped: the list moved on
        }
        host.character.Finish(front.token);
        settle();
        return text;
    }
    QString lastCall() const { return host.character.calls.value(host.character.calls.size() - 1); }

    ScratchAppFolder folder;
    QString a, b, c;
    QStringList documents;
    FakeHost host;
    TReadingList list{host, documents};
};

TEST_F(ReadingListTest, TwoFilesPlayInTurnAndStopAfterTheLast) {
    host.dialogAnswer = {a, b};
    list.Play();
    EXPECT_EQ(host.dialogShown, 1);
    EXPECT_EQ(documents, (QStringList{a, b}));
    settle();
    EXPECT_TRUE(list.Playing);
    EXPECT_EQ(list.ItemIndex, 0);
    EXPECT_EQ(host.label, "1. a.txt");
    EXPECT_EQ(lastCall(), "Speak:alpha one\n");

    list.Bookmark(1);
    EXPECT_EQ(host.label, "1. a.txt ( 2 )");
    speakToTheEnd();
    EXPECT_EQ(list.ItemIndex, 1);
    EXPECT_EQ(host.label, "2. b.txt");
    // Every line of the file is followed by a line break.
    EXPECT_EQ(lastCall(), "Speak:beta two three\n");

    speakToTheEnd();
    EXPECT_EQ(list.ItemIndex, 2);
    EXPECT_TRUE(list.Playing);
    const qsizetype callsAtEnd = host.character.calls.size();
    EXPECT_FALSE(list.ReadPending());
    EXPECT_EQ(host.character.calls.size(), callsAtEnd) << "nothing more is read";

    list.Previous();
    settle();
    EXPECT_EQ(list.ItemIndex, 1);
    EXPECT_EQ(host.label, "2. b.txt");
    EXPECT_EQ(lastCall(), "Speak:beta two three\n");
    EXPECT_EQ(host.dialogShown, 1);
}

TEST_F(ReadingListTest, RepeatGoesRoundWithoutEnd) {
    Settings.Repeat1 = true;
    host.dialogAnswer = {a, b};
    list.Play();
    settle();
    QStringList seen;
    for (int round = 0; round < 6; ++round) {
        seen << host.label;
        speakToTheEnd();
    }
    EXPECT_EQ(seen, (QStringList{"1. a.txt", "2. b.txt", "1. a.txt", "2. b.txt", "1. a.txt",
                                 "2. b.txt"}));
    EXPECT_TRUE(list.Playing);
}

TEST_F(ReadingListTest, PreviousAndNextOnAnEmptyListAskForFiles) {
    for (const bool next : {false, true}) {
        documents.clear();
        list.ItemIndex = 0;
        host.dialogAnswer = {b, a};
        const int shown = host.dialogShown;
        next ? list.Next() : list.Previous();
        EXPECT_EQ(host.dialogShown, shown + 1);
        settle();
        EXPECT_EQ(list.ItemIndex, 0);
        EXPECT_EQ(host.label, "1. b.txt");
        EXPECT_EQ(lastCall(), "Speak:beta two three\n");
    }
}

TEST_F(ReadingListTest, CancellingTheDialogChangesNothing) {
    list.Play();
    EXPECT_EQ(host.dialogShown, 1);
    EXPECT_TRUE(documents.isEmpty());
    EXPECT_FALSE(list.Playing);
    EXPECT_TRUE(host.character.calls.isEmpty());

    documents = {a, b};
    list.ItemIndex = 1;
    list.OpenTextFile();
    EXPECT_EQ(documents, (QStringList{a, b}));
    EXPECT_EQ(list.ItemIndex, 1);
    EXPECT_TRUE(host.character.calls.isEmpty());
}

TEST_F(ReadingListTest, OpenTextFileReplacesTheListAndPlaysTheFirst) {
    documents = {c};
    list.ItemIndex = 0;
    host.dialogAnswer = {b, a};
    list.OpenTextFile();
    EXPECT_EQ(documents, (QStringList{b, a}));
    settle();
    EXPECT_EQ(host.label, "1. b.txt");
    EXPECT_TRUE(list.Playing);
}

TEST_F(ReadingListTest, ShuffleMovesEveryEntry) {
    Settings.Shuffle = true;
    for (int run = 0; run < 50; ++run) {
        host.dialogAnswer = {a, b};
        list.OpenTextFile();
        EXPECT_EQ(documents, (QStringList{b, a}));
        host.dialogAnswer = {a, b, c};
        list.OpenTextFile();
        ASSERT_EQ(documents.size(), 3);
        EXPECT_NE(documents[0], a);
        EXPECT_NE(documents[1], b);
        EXPECT_NE(documents[2], c);
        EXPECT_EQ(QSet<QString>(documents.begin(), documents.end()), (QSet<QString>{a, b, c}));
        settle();
    }
}

TEST(ShuffleList, NoEntryKeepsItsPlaceWhateverTheRandomSource) {
    // The extremes of the random source: always the lowest and always the
    // highest allowed value, and bounds that must never reach n.
    for (const bool highest : {false, true}) {
        for (int count = 0; count <= 7; ++count) {
            QStringList entries;
            for (int i = 0; i < count; ++i)
                entries << QString::number(i);
            QStringList shuffled = entries;
            ShuffleList(shuffled, [&](int bound) {
                EXPECT_GE(bound, 1);
                return highest ? bound - 1 : 0;
            });
            ASSERT_EQ(shuffled.size(), count);
            if (count >= 2) {
                for (int i = 0; i < count; ++i)
                    EXPECT_NE(shuffled[i], entries[i]) << count << " entries, place " << i;
            } else {
                EXPECT_EQ(shuffled, entries) << "one entry has nowhere else to go";
            }
        }
    }
}

TEST_F(ReadingListTest, ShuffleTurnedOnLaterDoesNotReorderTheCurrentList) {
    host.dialogAnswer = {a, b, c};
    list.OpenTextFile();
    Settings.Shuffle = true;
    list.Next();
    EXPECT_EQ(documents, (QStringList{a, b, c}));
    settle();
}

TEST_F(ReadingListTest, NextPastTheEndLeavesTheSpeechRunning) {
    host.dialogAnswer = {a, b};
    list.OpenTextFile();
    settle();
    list.Next();
    settle();
    ASSERT_EQ(list.ItemIndex, 1);
    const QStringList before = host.character.calls;
    list.Next();
    EXPECT_EQ(list.ItemIndex, 2);
    list.Next();
    EXPECT_EQ(list.ItemIndex, 2);
    EXPECT_EQ(host.character.calls, before) << "no Stop, no new text";
    EXPECT_FALSE(list.ReadPending());
}

TEST_F(ReadingListTest, ClipboardWatchDuringPlaybackContinuesTheListAfterwards) {
    host.dialogAnswer = {a, b};
    list.OpenTextFile();
    settle();
    list.Bookmark(1);
    host.clipboard = QStringLiteral("copied words here");
    list.SpeakClipboard();
    EXPECT_EQ(host.label, "Reading Clipboard");
    EXPECT_EQ(host.character.calls.mid(host.character.calls.size() - 2),
              (QStringList{"Stop", "Read:copied words here"}));
    EXPECT_TRUE(list.Playing);
    speakToTheEnd();
    EXPECT_EQ(list.ItemIndex, 1);
    EXPECT_EQ(host.label, "2. b.txt");
}

TEST_F(ReadingListTest, ReadClipboardEndsListPlayback) {
    host.dialogAnswer = {a, b};
    list.OpenTextFile();
    settle();
    host.clipboard = QStringLiteral("copied words");
    list.ReadClipboard();
    EXPECT_FALSE(list.Playing);
    EXPECT_EQ(lastCall(), "Read:copied words");
    speakToTheEnd();
    EXPECT_EQ(list.ItemIndex, 0);
    EXPECT_EQ(lastCall(), "Read:copied words");
    EXPECT_EQ(host.label, "Reading Clipboard ( 2 )");
}

TEST_F(ReadingListTest, ClipboardWithoutText) {
    host.label = QStringLiteral("1. a.txt");
    list.SpeakClipboard();
    EXPECT_TRUE(host.character.calls.isEmpty());
    EXPECT_EQ(host.label, "1. a.txt");

    list.Playing = true;
    list.ReadClipboard();
    EXPECT_FALSE(list.Playing);
    EXPECT_EQ(host.label, "Reading Clipboard");
    EXPECT_EQ(host.character.calls,
              (QStringList{"Stop", "Read:There is no text available in the clipboard."}));
}

TEST_F(ReadingListTest, ThreeWordsShowTheirBookmarks) {
    host.clipboard = QStringLiteral("one two three");
    list.SpeakClipboard();
    ASSERT_EQ(host.character.bookmarkCount, 3);
    list.Bookmark(1);
    EXPECT_EQ(host.label, "Reading Clipboard ( 3 )");
    EXPECT_EQ(host.positionMax, 3);
    list.Bookmark(2);
    list.Bookmark(3);
    EXPECT_EQ(host.numbers, (QStringList{"0001", "0002", "0003"}));
    EXPECT_EQ(host.positions, (QList<int>{1, 2, 3}));
    EXPECT_EQ(host.label, "Reading Clipboard ( 3 )");
    EXPECT_FALSE(list.ReadPending());
}

TEST(ReadingListLabels, Texts) {
    EXPECT_EQ(EntryLabel(0, QStringLiteral("/home/u/docs/story.txt")), "1. story.txt");
    EXPECT_EQ(EntryLabel(11, QStringLiteral("relative.TXT")), "12. relative.TXT");
    EXPECT_EQ(LabelWithCount(QStringLiteral("1. story.txt"), 120), "1. story.txt ( 120 )");
    EXPECT_EQ(BookmarkNumberText(1), "0001");
    EXPECT_EQ(BookmarkNumberText(9999), "9999");
    EXPECT_EQ(BookmarkNumberText(123456), "123456");
}

TEST_F(ReadingListTest, AMissingEntryShowsTheErrorAndSpeaksNothing) {
    documents = {folder.file(QStringLiteral("gone.txt")), a};
    host.label = QStringLiteral("before");
    list.Play();
    settle();
    ASSERT_EQ(host.errors.size(), 1);
    EXPECT_TRUE(host.errors[0].contains("gone.txt")) << host.errors[0].toStdString();
    EXPECT_TRUE(list.Playing);
    EXPECT_EQ(host.character.calls, QStringList{"Stop"});
    EXPECT_EQ(host.label, "before");
    // The list goes on from there when asked.
    list.Next();
    settle();
    EXPECT_EQ(host.label, "2. a.txt");
}

TEST_F(ReadingListTest, AFolderInTheListIsAnErrorToo) {
    documents = {folder.path()};
    list.Play();
    settle();
    EXPECT_EQ(host.errors.size(), 1);
    EXPECT_EQ(host.character.calls, QStringList{"Stop"});
}

TEST(SpeechParts, CutsAtSpacesSoEveryWordKeepsItsBookmark) {
    const QString text = QStringLiteral("one two three four five six seven");
    const QStringList parts = SplitIntoParts(text, 10);
    EXPECT_EQ(parts, (QStringList{"one two", "three four", "five six", "seven"}));
    int total = 0;
    for (const QString& part : parts)
        total += SpeechBookmarkCount(part);
    EXPECT_EQ(total, SpeechBookmarkCount(text));
    EXPECT_EQ(SpeechBookmarkCount(text), 7);
    EXPECT_EQ(SplitIntoParts(QStringLiteral("abcdefghijk"), 4),
              (QStringList{"abcd", "efgh", "ijk"}));
    EXPECT_EQ(SplitIntoParts(QStringLiteral("short"), 100), QStringList{"short"});
    EXPECT_EQ(SplitIntoParts(QString(), 100), QStringList{QString()});
    EXPECT_EQ(SpeechBookmarkCount(QStringLiteral("  \n ")), 1);
}

TEST(SpeechParts, TextWithoutSpacesIsCutAtBlanksAndPunctuationAndKeepsItsPairs) {
    // One word a line: after the line breaks.
    EXPECT_EQ(SplitIntoParts(QStringLiteral("alpha\nbeta\ngamma\n"), 8),
              (QStringList{"alpha\n", "beta\n", "gamma\n"}));
    // Tab-separated: after the tabs.
    EXPECT_EQ(SplitIntoParts(QStringLiteral("12\t34\t56\t78"), 6),
              (QStringList{"12\t34\t", "56\t78"}));
    // Chinese: after the full stops.
    EXPECT_EQ(SplitIntoParts(QStringLiteral("一二三。四五六。七八九"), 5),
              (QStringList{"一二三。", "四五六。", "七八九"}));
    // Characters outside the basic plane are never torn apart.
    const QString faces = QString::fromUtf8("😀😀😀😀😀");
    const QStringList parts = SplitIntoParts(faces, 3);
    EXPECT_EQ(parts.join(QString()), faces);
    for (const QString& part : parts) {
        ASSERT_FALSE(part.isEmpty());
        EXPECT_FALSE(part.front().isLowSurrogate());
        EXPECT_FALSE(part.back().isHighSurrogate());
    }
    EXPECT_EQ(SplitIntoParts(faces, 1).join(QString()), faces);
    // The count over the parts is what the character will place.
    EXPECT_EQ(SpeechBookmarkCount(parts), int(parts.size()));
}

TEST(SpeechParts, TheTextAfterABookmark) {
    const QString text = QStringLiteral("  one two  three\n");
    EXPECT_EQ(TextAfterBookmark(text, 0), text);
    EXPECT_EQ(TextAfterBookmark(text, 1), "two  three\n");
    EXPECT_EQ(TextAfterBookmark(text, 2), " three\n");
    EXPECT_EQ(TextAfterBookmark(text, 3), "three\n");
    EXPECT_EQ(TextAfterBookmark(text, 4), "");
    // Its count and the bookmarks reached make up the whole text's.
    for (int reached = 0; reached <= 3; ++reached)
        EXPECT_LE(reached + SpeechBookmarkCount(TextAfterBookmark(text, reached)),
                  SpeechBookmarkCount(text));
}

TEST_F(ReadingListTest, ALongEntryIsSpokenPartByPartWithProgressOverTheWhole) {
    list.SetPartLength(10);
    folder.write(QStringLiteral("long.txt"), "one two three four five six seven");
    const QString longFile = folder.file(QStringLiteral("long.txt"));
    documents = {longFile, b};
    list.Play();
    settle();
    EXPECT_EQ(lastCall(), "Speak:one two");
    QStringList spokenParts;
    for (int round = 0; round < 10 && host.label.startsWith("1. long.txt"); ++round)
        spokenParts << speakToTheEnd();
    EXPECT_EQ(spokenParts, (QStringList{"one two", "three four", "five six", "seven\n"}));
    // One count for the whole entry, the numbers running on across parts.
    EXPECT_TRUE(host.labels.contains("1. long.txt ( 7 )"));
    EXPECT_EQ(host.numbers.mid(0, 7),
              (QStringList{"0001", "0002", "0003", "0004", "0005", "0006", "0007"}));
    EXPECT_EQ(host.positionMax, 7);
    EXPECT_EQ(host.label, "2. b.txt");
    EXPECT_EQ(list.ItemIndex, 1);
}

TEST_F(ReadingListTest, StopOrAClipboardReadingEndsTheRemainingParts) {
    list.SetPartLength(10);
    folder.write(QStringLiteral("long.txt"), "one two three four five six seven");
    documents = {folder.file(QStringLiteral("long.txt")), b};
    list.Play();
    settle();
    host.clipboard = QStringLiteral("copied");
    list.SpeakClipboard();
    speakToTheEnd();
    // The copied text ended: the list goes on with the next entry, not with
    // the rest of the interrupted one.
    EXPECT_EQ(host.label, "2. b.txt");

    list.Previous();
    settle();
    list.Stop();
    const qsizetype calls = host.character.calls.size();
    list.Bookmark(1);
    list.Bookmark(2);
    EXPECT_EQ(host.character.calls.size(), calls) << "no further part after Stop";
}

TEST(ReadEntryText, LinesEndWithABreakAndBinaryBytesComeThrough) {
    ScratchAppFolder folder;
    folder.write(QStringLiteral("crlf.txt"), "one\r\ntwo");
    EXPECT_EQ(ReadEntryText(folder.file(QStringLiteral("crlf.txt"))), "one\ntwo\n");
    folder.write(QStringLiteral("empty.txt"), "");
    EXPECT_EQ(ReadEntryText(folder.file(QStringLiteral("empty.txt"))), "");
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(static_cast<char>(i * 7 % 256));
    folder.write(QStringLiteral("blob.bin"), binary);
    const QString text = ReadEntryText(folder.file(QStringLiteral("blob.bin")));
    EXPECT_GE(text.size(), 4000);
    EXPECT_THROW(ReadEntryText(folder.file(QStringLiteral("missing.txt"))), KaloError);
}

// An entry chosen with "All Files" may be anything: a FIFO or a device is
// refused without blocking, a file past the size limit with a message.
TEST(ReadEntryText, OnlyRegularFilesOfASaneSizeAreRead) {
    ScratchAppFolder folder;
    const TestFifo fifo(folder.file(QStringLiteral("fifo.txt")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), folder.file(QStringLiteral("zero.txt"))));
    for (const QString& path : {fifo.path(), folder.file(QStringLiteral("zero.txt"))}) {
        QString message;
        ASSERT_TRUE(returnsWithin(
            5000,
            [&] {
                try {
                    ReadEntryText(path);
                } catch (const KaloError& e) {
                    message = e.message();
                }
            },
            fifo))
            << path.toStdString();
        EXPECT_TRUE(message.contains(path + QStringLiteral("\". It is not a regular file")))
            << message.toStdString();
    }
    QFile big(folder.file(QStringLiteral("big.txt")));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(MaxListEntryBytes + 1)); // sparse: no real space used
    big.close();
    try {
        ReadEntryText(big.fileName());
        ADD_FAILURE();
    } catch (const KaloError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("The file \"%1\" is too large to be read aloud "
                                              "(%2 MB); files of up to %3 MB are read.")
                                   .arg(big.fileName())
                                   .arg(MaxListEntryBytes / (1024 * 1024) + 1)
                                   .arg(MaxListEntryBytes / (1024 * 1024)));
    }
}

// A large file is read a piece at a time, and a read that is no longer
// wanted ends between two pieces instead of reading on to the end.
TEST(ReadEntryText, AReadToldToStopEndsBetweenPieces) {
    ScratchAppFolder folder;
    QByteArray text;
    while (text.size() < 5 * 1024 * 1024)
        text += "Words of a long document, read aloud.\n";
    folder.write(QStringLiteral("big.txt"), text);
    const QString path = folder.file(QStringLiteral("big.txt"));
    int asked = 0;
    EXPECT_EQ(ReadEntryText(path, [&] { return ++asked < 0; }).size(), text.size());
    EXPECT_GE(asked, 5) << "asked between the pieces";
    asked = 0;
    try {
        ReadEntryText(path, [&] { return ++asked == 2; });
        ADD_FAILURE() << "read to the end";
    } catch (const KaloError& e) {
        EXPECT_TRUE(e.message().contains(ReadStoppedReason(), Qt::CaseInsensitive)) << e.message().toStdString();
    }
    EXPECT_EQ(asked, 2);
}

// A reader that holds the file until the test lets it go: the window's thread
// must not be the one that waits. With `heedStop` it gives up as soon as the
// read is no longer wanted, as the real reader does between pieces.
struct HeldReader {
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>(0);
    std::shared_ptr<std::atomic<int>> started = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> stopped = std::make_shared<std::atomic<int>>(0);
    bool heedStop = false;
    TReadingList::EntryReader reader() const {
        return [gate = gate, started = started, stopped = stopped,
                heed = heedStop](const QString& path, const ReadStopCheck& stop) {
            ++*started;
            while (!gate->tryAcquire(1, 5)) {
                if (heed && stop()) {
                    ++*stopped;
                    return QString();
                }
            }
            return QStringLiteral("held text of ") + path;
        };
    }
};

TEST_F(ReadingListTest, ReadingHappensOffTheWindowThread) {
    HeldReader held;
    list.SetEntryReader(held.reader());
    documents = {a, b};
    list.Play();
    // Play returned while the reader is still blocked.
    ASSERT_TRUE(waitFor([&] { return held.started->load() == 1; }));
    EXPECT_TRUE(list.ReadPending());
    EXPECT_EQ(host.character.calls, QStringList{"Stop"});
    held.gate->release();
    settle();
    EXPECT_EQ(lastCall(), "Speak:held text of " + a);
}

TEST_F(ReadingListTest, CopiesWhileAFileIsReadKeepTheListsPlace) {
    HeldReader held;
    list.SetEntryReader(held.reader());
    documents = {a, b, c};
    list.ItemIndex = 1;
    list.Play();
    ASSERT_TRUE(waitFor([&] { return held.started->load() == 1; }));
    for (int i = 0; i < 5; ++i) {
        host.clipboard = QStringLiteral("copy number %1").arg(i);
        list.SpeakClipboard();
    }
    held.gate->release();
    // The late file must not speak over the clipboard text.
    QCoreApplication::processEvents();
    ASSERT_TRUE(waitFor([&] { return !list.ReadPending(); }));
    waitFor([] { return false; }, 50);
    EXPECT_EQ(lastCall(), "Read:copy number 4");
    EXPECT_EQ(host.label, "Reading Clipboard");
    EXPECT_EQ(list.ItemIndex, 1);
    EXPECT_TRUE(list.Playing);
    // When the copied text ends, the list goes on with the next entry.
    held.gate->release(1);
    speakToTheEnd();
    EXPECT_EQ(list.ItemIndex, 2);
    EXPECT_EQ(lastCall(), "Speak:held text of " + c);
}

TEST_F(ReadingListTest, StopDropsAReadUnderWay) {
    HeldReader held;
    list.SetEntryReader(held.reader());
    documents = {a};
    list.Play();
    ASSERT_TRUE(waitFor([&] { return held.started->load() == 1; }));
    list.Stop();
    EXPECT_FALSE(list.Playing);
    held.gate->release();
    waitFor([] { return false; }, 100);
    EXPECT_EQ(host.character.calls, (QStringList{"Stop", "Stop"}));
}

TEST(ReadingListLife, GoingAwayWhileAFileIsReadIsSafe) {
    HeldReader held;
    FakeHost host;
    QStringList documents{QStringLiteral("/nowhere/x.txt")};
    {
        TReadingList list(host, documents);
        list.SetEntryReader(held.reader());
        list.Play();
        ASSERT_TRUE(waitFor([&] { return held.started->load() == 1; }));
    }
    held.gate->release();
    waitFor([] { return false; }, 100);
    EXPECT_EQ(host.character.calls, QStringList{"Stop"});
}

// The program's end waits for the work on the shared thread pool: a list
// that goes (the window closed, Converter Mode) must end its read rather than
// leave the end waiting for it, and nothing of it reaches the host.
TEST(ReadingListLife, GoingAwayEndsTheReadItStarted) {
    HeldReader held;
    held.heedStop = true;
    FakeHost host;
    QStringList documents{QStringLiteral("/nowhere/x.txt"), QStringLiteral("/nowhere/y.txt")};
    {
        TReadingList list(host, documents);
        list.SetEntryReader(held.reader());
        list.Play();
        ASSERT_TRUE(waitFor([&] { return held.started->load() == 1; }));
        // A read replaced by another ends too.
        list.Next();
        ASSERT_TRUE(waitFor([&] { return held.started->load() == 2; }));
        ASSERT_TRUE(waitFor([&] { return held.stopped->load() == 1; }));
    }
    EXPECT_TRUE(QThreadPool::globalInstance()->waitForDone(20000)) << "the read went on";
    EXPECT_EQ(held.stopped->load(), 2);
    waitFor([] { return false; }, 50);
    EXPECT_EQ(host.character.calls, (QStringList{"Stop", "Stop"}));
    EXPECT_TRUE(host.labels.isEmpty());
    EXPECT_TRUE(host.errors.isEmpty());
}

TEST_F(ReadingListTest, WithoutACharacterNothingIsSpokenOrBroken) {
    host.hasCharacter = false;
    host.clipboard = QStringLiteral("text");
    list.SpeakClipboard();
    list.ReadClipboard();
    list.Bookmark(1);
    documents = {a};
    list.Play();
    settle();
    list.Stop();
    EXPECT_TRUE(host.character.calls.isEmpty());
    EXPECT_TRUE(host.errors.isEmpty());
}

// --- texts the list did not give: announcements, the greeting

const QString kTwelve =
    QStringLiteral("one two three four five six seven eight nine ten eleven twelve");

QStringList Numbers(int from, int to) {
    QStringList numbers;
    for (int n = from; n <= to; ++n)
        numbers << BookmarkNumberText(n);
    return numbers;
}

TEST_F(ReadingListTest, AnAnnouncementQueuedBehindAnEntryNeitherEndsNorMovesIt) {
    folder.write(QStringLiteral("twelve.txt"), kTwelve.toUtf8());
    documents = {folder.file(QStringLiteral("twelve.txt")), b};
    list.Play();
    settle();
    // A tone is chosen while the entry is read: the window announces it,
    // and the announcement (five words) waits behind the entry.
    host.label = QStringLiteral("New Voice");
    host.character.Speak(QStringLiteral("This is my new voice."));
    speakToTheEnd();
    // The entry was read to its twelfth word, and only then did the list go on.
    EXPECT_EQ(host.numbers, Numbers(1, 12));
    EXPECT_EQ(host.positionMax, 12);
    EXPECT_EQ(list.ItemIndex, 1);
    EXPECT_EQ(host.label, "2. b.txt");
}

TEST_F(ReadingListTest, AnAnnouncementBetweenThePartsOfAnEntryLeavesTheCountAlone) {
    list.SetPartLength(10);
    folder.write(QStringLiteral("long.txt"), "one two three four five six seven");
    documents = {folder.file(QStringLiteral("long.txt")), b};
    list.Play();
    settle();
    ASSERT_EQ(host.character.Queued(), QStringList{"one two"});
    const int firstPart = host.character.SpeakingNow().token;
    list.Bookmark(1);
    host.character.Speak(QStringLiteral("This is my new voice."));
    list.Bookmark(2);
    host.character.Finish(firstPart);
    // The next part queues behind the announcement, which is heard first.
    EXPECT_EQ(host.character.Queued(), (QStringList{"This is my new voice.", "three four"}));
    QStringList spoken;
    for (int round = 0; round < 10 && host.label.startsWith("1. long.txt"); ++round)
        spoken << speakToTheEnd();
    EXPECT_EQ(spoken, (QStringList{"This is my new voice.", "three four", "five six", "seven\n"}));
    // The counter ran through the entry once, never back and never jumping.
    EXPECT_EQ(host.numbers, Numbers(1, 7));
    EXPECT_EQ(host.positions, (QList<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(host.positionMax, 7);
    EXPECT_EQ(host.label, "2. b.txt");
    EXPECT_EQ(list.ItemIndex, 1);
}

TEST_F(ReadingListTest, ANewCharacterGoesOnWithTheEntryFromTheWordReached) {
    folder.write(QStringLiteral("twelve.txt"), kTwelve.toUtf8());
    documents = {folder.file(QStringLiteral("twelve.txt")), b};
    list.Play();
    settle();
    for (int i = 1; i <= 4; ++i)
        list.Bookmark(i);
    // A character is chosen: the old one goes with its speech, the new one
    // introduces itself (eight words).
    host.character.LoadCharacter(QStringLiteral("Merlin.acs"));
    host.label = QStringLiteral("New Character");
    host.character.Speak(QStringLiteral("My name is Merlin. Thank you for selecting me."));
    list.CharacterChanged();
    EXPECT_EQ(host.character.Queued(),
              (QStringList{"My name is Merlin. Thank you for selecting me.",
                           "five six seven eight nine ten eleven twelve\n"}));
    speakToTheEnd();
    EXPECT_EQ(list.ItemIndex, 0) << "the introduction does not move the list on";
    EXPECT_EQ(host.numbers, Numbers(1, 4));
    speakToTheEnd();
    EXPECT_EQ(host.numbers, Numbers(1, 12));
    EXPECT_TRUE(host.labels.contains("1. twelve.txt ( 12 )"));
    EXPECT_EQ(list.ItemIndex, 1);
    EXPECT_EQ(host.label, "2. b.txt");

    // Nothing to go on with: nothing more is said.
    list.Stop();
    const qsizetype calls = host.character.calls.size();
    list.CharacterChanged();
    EXPECT_EQ(host.character.calls.size(), calls);
}

TEST_F(ReadingListTest, TextsOutsideTheListShowTheirOwnCountAndNeverMoveIt) {
    // An entry that could not be read leaves the list playing with nothing
    // spoken; the greeting then must not move it on.
    documents = {a, b};
    list.Playing = true;
    host.label = QStringLiteral("I'm ready!");
    host.character.Speak(QStringLiteral("Good morning! I'm ready."));
    speakToTheEnd();
    EXPECT_EQ(host.label, "I'm ready! ( 4 )");
    EXPECT_EQ(host.positionMax, 4);
    EXPECT_EQ(host.numbers, Numbers(1, 4));
    EXPECT_EQ(list.ItemIndex, 0);
    EXPECT_TRUE(host.character.Queued().isEmpty());
}

TEST_F(ReadingListTest, ALargeCopyIsReadInPartsBetweenTheReadingAnimations) {
    list.SetPartLength(10);
    documents = {a, b};
    list.Play();
    settle();
    list.Bookmark(1);
    host.clipboard = QStringLiteral("one two three four five six seven");
    host.character.calls.clear();
    list.SpeakClipboard();
    settle();
    EXPECT_EQ(host.character.calls, (QStringList{"Stop", "Play:Read", "Speak:one two"}));
    host.numbers.clear();
    for (int round = 0; round < 10 && host.label.startsWith("Reading Clipboard"); ++round)
        speakToTheEnd();
    EXPECT_TRUE(host.character.calls.contains("Speak:seven"));
    EXPECT_EQ(host.character.calls.indexOf("Play:ReadReturn"),
              host.character.calls.indexOf("Speak:seven") + 1);
    EXPECT_TRUE(host.labels.contains("Reading Clipboard ( 7 )"));
    EXPECT_EQ(host.numbers, Numbers(1, 7));
    // Then the list goes on, as after any copy read while it plays.
    EXPECT_EQ(host.label, "2. b.txt");
}

} // namespace

// A text the character cannot speak (no usable voice) never reaches its last
// bookmark: the list stops, and the reason is shown once, not again for
// each text that fails the same way, until something has been spoken.
TEST_F(ReadingListTest, AFailedSpeechStopsTheListAndIsReportedOnce) {
    host.dialogAnswer = {a, b};
    list.SetPartLength(4); // a.txt in parts
    list.Play();
    settle();
    ASSERT_TRUE(list.Playing);
    const qsizetype spoken = host.character.calls.size();
    list.SpeechFailed(QStringLiteral("No speech mode is installed"));
    EXPECT_FALSE(list.Playing);
    ASSERT_EQ(host.errors.size(), 1);
    EXPECT_TRUE(host.errors[0].contains(QStringLiteral("No speech mode is installed")))
        << host.errors[0].toStdString();
    EXPECT_EQ(list.ItemIndex, 0);

    list.Play();
    settle();
    EXPECT_TRUE(list.Playing);
    list.SpeechFailed(QStringLiteral("No speech mode is installed"));
    EXPECT_FALSE(list.Playing);
    EXPECT_EQ(host.errors.size(), 1);
    // Another reason is news.
    list.SpeechFailed(QStringLiteral("The sound device failed"));
    EXPECT_EQ(host.errors.size(), 2);
    // The rest of the entry is not handed on, and the list stays where it
    // was; a bookmark means speech works again, so the same reason is news
    // after it.
    const qsizetype spokenNow = host.character.calls.size();
    EXPECT_GT(spokenNow, spoken);
    list.Bookmark(host.character.bookmarkCount);
    EXPECT_EQ(host.character.calls.size(), spokenNow);
    EXPECT_EQ(list.ItemIndex, 0);
    list.SpeechFailed(QStringLiteral("The sound device failed"));
    EXPECT_EQ(host.errors.size(), 3);
}
