// The player's reading list: the document list played through the character
// like the tracks of a music player (Previous, Play, Stop, Next, Shuffle,
// Repeat), clipboard reading, and the progress shown from the character's
// bookmarks. The window owns one TReadingList and forwards its actions and the
// bookmark event to it; everything the list needs of the window is behind
// TPlaybackHost, so the rules run without a display.
#pragma once

#include "base/regular_file.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace kalo {

class TPlayerCharacter;

// The window and the world outside it, as the reading list sees them.
class TPlaybackHost {
public:
    virtual ~TPlaybackHost() = default;
    // The window's character controller; null when it has none (a failed
    // start-up load).
    virtual TPlayerCharacter* Character() = 0;
    // LabelFileName.
    virtual QString FileNameLabel() const = 0;
    virtual void SetFileNameLabel(const QString& text) = 0;
    // LabelNumber.
    virtual void SetNumberLabel(const QString& text) = 0;
    // PositionBar's maximum and position.
    virtual void SetPositionMax(int max) = 0;
    virtual void SetPosition(int position) = 0;
    // The clipboard's text; nothing when it holds no text.
    virtual std::optional<QString> ClipboardText() = 0;
    // The open dialog for text files: the chosen paths in the dialog's
    // order, empty on Cancel.
    virtual QStringList AskTextFiles() = 0;
    // The application's error box.
    virtual void ShowError(const QString& message) = 0;
};

// Reorders a list so that, with two or more entries, no entry keeps its
// place: for n from the last index down to 0, entry n is swapped with a
// random r in 0 .. n-1 (r = 0 for n = 0). random(bound) returns an integer in
// [0, bound).
void ShuffleList(QStringList& list, const std::function<int(int bound)>& random);

// "1. story.txt": the entry's number (index + 1), ". " and the file name.
QString EntryLabel(int itemIndex, const QString& path);
// The label at the first bookmark: "%s ( %d )".
QString LabelWithCount(const QString& label, int bookmarkCount);
// LabelNumber's text: "%.4d" (0001; five digits and more in full).
QString BookmarkNumberText(int bookmark);

// A long text cut into parts of at most partLength characters, each cut
// made at a space, which is dropped, so the words keep their bookmarks: the
// last bookmark of a part falls after the word before the cut, as it would
// in the whole text. A stretch without a space is cut after its last line
// break or other blank, and one without any blank at the length (never
// between the two halves of a surrogate pair). Each cut looks at no more
// than one part's length of text.
QStringList SplitIntoParts(const QString& text, int partLength);
// The bookmarks the character places in a text: one after each space of the
// text without its leading and trailing blanks and control characters, and
// one at the end.
int SpeechBookmarkCount(QStringView text);
// The bookmarks of all the parts together.
int SpeechBookmarkCount(const QStringList& parts);
// What remains of a text once the character has reached its bookmark b:
// the text after the b-th space (counted as SpeechBookmarkCount counts);
// the whole text for 0, nothing when there are fewer spaces.
QString TextAfterBookmark(const QString& text, int bookmark);

// The largest list entry read: far more than hours of speech, and it keeps
// a wrong choice from taking the memory.
inline constexpr qint64 MaxListEntryBytes = 64LL * 1024 * 1024;

// A text file as the character reads it: every line followed by a line
// break, in the encoding the file was written in. Throws KaloError with the
// file system's reason when the file cannot be read, and for what is not a
// regular file or is larger than MaxListEntryBytes. `stop` is asked between
// the pieces of a large file; when it says so the read ends with a KaloError
// of ReadStoppedReason.
QString ReadEntryText(const QString& path, const ReadStopCheck& stop = {});

class TReadingList : public QObject {
    Q_OBJECT
public:
    // list is the document list; it outlives the reading list. The position
    // and the playing flag are kept by the reading list itself, or, in the
    // second form, in the window's fields of those names.
    TReadingList(TPlaybackHost& host, QStringList& list, QObject* parent = nullptr);
    TReadingList(TPlaybackHost& host, QStringList& list, int& itemIndex, bool& playing,
                 QObject* parent = nullptr);
    ~TReadingList() override;

private:
    int FOwnItemIndex = 0;
    bool FOwnPlaying = false;

public:
    // Position of the current entry; may equal the list's count (past the
    // end). Not stored between runs.
    int& ItemIndex;
    // From the moment an entry starts being read until Stop or Read
    // Clipboard; while set, the end of a spoken text moves to the next entry.
    bool& Playing;

    // "Speak Clipboard": stop the character and read the clipboard text;
    // nothing without text. Playing stays as it is.
    void SpeakClipboard();
    // The same with the clipboard's text already taken (by the clipboard
    // watch): a large copy is fetched from its owner only once.
    void SpeakCopiedText(const QString& text);
    // "Read Clipboard": leave list playback and read the clipboard, or say
    // that it holds no text.
    void ReadClipboard();
    // "Play": read the current entry; asks for files when the list is empty.
    void Play();
    // "Stop".
    void Stop();
    // "Previous": one entry back, not below the first, then Play.
    void Previous();
    // "Next": one entry on (to the first again with Repeat, else past the
    // end), then Play.
    void Next();
    // "Open Text File...": pick files, make them the list, play the first.
    void OpenTextFile();
    // The character reached bookmark b of the text it is speaking. The
    // bookmarks of the list's own texts (entries and copied texts) show
    // the progress over the whole text and move the list on at its end;
    // those of any other text (the greeting, an announcement) show their
    // own count, unless a text of the list waits behind them, and never
    // move the list.
    void Bookmark(int bookmark);
    // The character was replaced, and its speech went with it: a text of
    // the list that was cut off goes on from the word it had reached,
    // after whatever the new character was given meanwhile.
    void CharacterChanged();
    // A text given to the character could not be spoken (no usable voice):
    // its end never comes, so list playback stops here, and the reason is
    // shown, once until something has been spoken again.
    void SpeechFailed(const QString& reason);

    // True while an entry's file is being read, or a large copy cut into
    // parts, in the background.
    bool ReadPending() const { return static_cast<bool>(FPendingRead); }
    // Drops such a read: the worker is told to stop, and its result is never
    // used. For a window that is going, whose handlers must not run again.
    void DropRead();

    // Replaces the random source of the shuffle (tests).
    void SetRandomSource(std::function<int(int bound)> random) { FRandom = std::move(random); }
    // An entry or a copied text longer than this many characters is handed
    // to the character part by part, each when the one before has been
    // spoken, so the character never takes in a whole large text at once
    // (its tags are worked out on the window's thread). The progress
    // display counts over the whole text.
    static constexpr int kDefaultPartLength = 16384;
    void SetPartLength(int characters) { FPartLength = characters; }

    // Replaces how an entry's file is read (tests); runs off the
    // user-interface thread. `stop` turns true once the read is no longer
    // wanted (Stop, another entry, the list going away); a reader that sees
    // it may end at once with any result, which is dropped.
    using EntryReader = std::function<QString(const QString& path, const ReadStopCheck& stop)>;
    void SetEntryReader(EntryReader reader) { FReader = std::move(reader); }

private:
    struct PendingRead;
    void replaceList(const QStringList& files);
    using PartsReady =
        std::function<void(const QStringList& parts, int bookmarks, const QString& error)>;
    void startParts(std::function<QString(const ReadStopCheck& stop)> source, PartsReady then);
    void cancelRead();
    struct ReadResult;
    void readDone(const std::shared_ptr<PendingRead>& read, const ReadResult& result);
    void entryRead(int index, const QString& path, const QStringList& parts, int bookmarks,
                   const QString& error);
    void startText(const QStringList& parts, int bookmarks, const QString& label, bool copied);
    void speakPart(TPlayerCharacter& character, bool withReadAnimation);
    void ownBookmark(int bookmark, int partBookmarks);
    void endText();

    TPlaybackHost& FHost;
    QStringList& FList;
    std::function<int(int)> FRandom;
    EntryReader FReader;
    // The read in progress, shared with the worker that does it; a newer
    // action (and the list's end) drops it, so a read that finishes late
    // never speaks over what the user asked for since, nor reaches a list
    // that is gone.
    std::shared_ptr<PendingRead> FPendingRead;
    int FPartLength = kDefaultPartLength;
    // The text the list gave the character, an entry or a copied one, in
    // its parts (empty when there is none): the part being spoken, the
    // bookmarks of the parts before it and of the whole text, the token of
    // the part and the last of its bookmarks reached, the label the text is
    // shown under (without its count), and whether the count still has to
    // go into the label at the next first bookmark.
    QStringList FParts;
    // The failure last shown; cleared when speech reaches a bookmark.
    QString FReportedFailure;
    int FPart = 0;
    int FPartBase = 0;
    int FTotal = 0;
    int FToken = 0;
    int FReached = 0;
    QString FLabel;
    bool FCopied = false;
    bool FShowCount = false;
};

} // namespace kalo
