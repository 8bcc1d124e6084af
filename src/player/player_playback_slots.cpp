// The player window's reading list and playback, the Characters, Tones and
// Skins submenus, the character settings and the voice bars. The rules live
// in reading_list and character_menus; this file joins them to the window's
// labels, bars, menus and character.
#include "player/player_window.h"

#include "agent/jq_agent.h"
#include "base/app_folders.h"
#include "base/kalo_error.h"
#include "base/settings_store.h"
#include "player/character_menus.h"
#include "player/jq_char_adapter.h"
#include "player/jq_track_bar.h"
#include "player/reading_list.h"
#include "player/skin_loader.h"
#include "player/skin_source.h"
#include "services/data_module.h"
#include "services/file_dialogs.h"
#include "ui/shared_helpers.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QRandomGenerator>

namespace kalo {

namespace {

// The document list the player plays: the data module's, or a list of its
// own while there is no data module (windows made in tests).
QStringList& DocumentList() {
    static QStringList withoutDataModule;
    return dmMain ? dmMain->FileList : withoutDataModule;
}

// The window's reading list and what it needs of the window. It is a child
// of the window, made the first time the window needs it.
class TPlayerPlayback : public QObject, public TPlaybackHost {
public:
    explicit TPlayerPlayback(TFormKALO& form)
        : QObject(&form), Form(form),
          List(*this, DocumentList(), form.ItemIndex, form.Playing, this) {}

    TPlayerCharacter* Character() override {
        TJQChar* character = Form.JQChar.get();
        if (!character)
            return nullptr;
        if (!FAdapter || &FAdapter->target() != character)
            FAdapter = std::make_unique<TJQCharAdapter>(*character);
        return FAdapter.get();
    }
    QString FileNameLabel() const override { return Form.LabelFileName->text(); }
    void SetFileNameLabel(const QString& text) override { Form.LabelFileName->setText(text); }
    void SetNumberLabel(const QString& text) override { Form.LabelNumber->setText(text); }
    void SetPositionMax(int max) override {
        if (Form.PositionBar)
            Form.PositionBar->setMax(max);
    }
    void SetPosition(int position) override {
        if (Form.PositionBar)
            Form.PositionBar->setPosition(position);
    }
    std::optional<QString> ClipboardText() override {
        const QClipboard* clipboard = QGuiApplication::clipboard();
        const QMimeData* data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
        if (!data || !data->hasText())
            return std::nullopt;
        return data->text();
    }
    QStringList AskTextFiles() override {
        const TFileDialogSetup setup = dmMain ? dmMain->OpenDialogTxt : TFileDialogSetup{};
        return RunOpenDialog(setup, &Form);
    }
    void ShowError(const QString& message) override { ShowErrorBox(message); }

    TFormKALO& Form;
    TReadingList List;

private:
    std::unique_ptr<TJQCharAdapter> FAdapter;
};

TPlayerPlayback& Playback(TFormKALO* form) {
    for (QObject* child : form->children()) {
        if (auto* playback = dynamic_cast<TPlayerPlayback*>(child))
            return *playback;
    }
    return *new TPlayerPlayback(*form);
}

// Radio items of one group that check themselves when chosen.
QActionGroup* RadioGroup(QMenu* menu) {
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    return group;
}

QAction* AddRadioItem(QMenu* menu, QActionGroup* group, const QString& caption, bool checked) {
    QAction* item = menu->addAction(caption);
    item->setCheckable(true);
    item->setChecked(checked);
    group->addAction(item);
    return item;
}

} // namespace

void TFormKALO::dropPendingRead() {
    for (QObject* child : children()) {
        if (auto* playback = dynamic_cast<TPlayerPlayback*>(child))
            playback->List.DropRead();
    }
}

void TFormKALO::ActionSpeakExecute() {
    Playback(this).List.SpeakClipboard();
}

void TFormKALO::ActionPauseExecute() {
    Playback(this).List.ReadClipboard();
}

void TFormKALO::ActionPlayExecute() {
    Playback(this).List.Play();
}

void TFormKALO::ActionStopExecute() {
    Playback(this).List.Stop();
}

void TFormKALO::ActionPrevExecute() {
    Playback(this).List.Previous();
}

void TFormKALO::ActionNextExecute() {
    Playback(this).List.Next();
}

void TFormKALO::ActionFileExecute() {
    Playback(this).List.OpenTextFile();
}

void TFormKALO::ActionShuffleExecute() {
    Settings.Shuffle = !Settings.Shuffle;
    ActionShuffle->setChecked(Settings.Shuffle);
}

void TFormKALO::ActionRepeat1Execute() {
    Settings.Repeat1 = !Settings.Repeat1;
    ActionRepeat1->setChecked(Settings.Repeat1);
}

void TFormKALO::AgentBookmark(qint32 bookmarkId) {
    Playback(this).List.Bookmark(bookmarkId);
}

void TFormKALO::AgentRequestFailed(const QString&, const RequestPtr& request) {
    // Told later: the control is in the middle of its queue now, and the
    // speech may have failed inside the Speak call that asked for it.
    QMetaObject::invokeMethod(
        this,
        [this, request] {
            if (JQChar && JQChar->IsOwnSpeech(request))
                Playback(this).List.SpeechFailed(request->Description());
        },
        Qt::QueuedConnection);
}

void TFormKALO::ShuffleList() {
    kalo::ShuffleList(DocumentList(), [](int bound) {
        return static_cast<int>(QRandomGenerator::global()->bounded(bound));
    });
}

void TFormKALO::ReadClipboard(const QString& text) {
    // Speak Clipboard with the text the clipboard watch has just taken.
    Playback(this).List.SpeakCopiedText(text);
}

void TFormKALO::BuildCharacterMenu() {
    try {
        const QStringList captions = CharacterMenuCaptions(CharsFolders());
        QActionGroup* group = RadioGroup(Characters1);
        for (const QString& caption : captions) {
            QAction* item = AddRadioItem(Characters1, group, caption, caption == Settings.Char1);
            connect(item, &QAction::triggered, this, [this, item] { CharacterItemClick(item); });
        }
    } catch (...) {
        // A menu that cannot be filled stays as far as it got.
    }
}

void TFormKALO::BuildSkinMenu() {
    try {
        const QStringList captions = SkinMenuCaptions(installedSkins(DataFolders()));
        QActionGroup* group = RadioGroup(Skins1);
        for (const QString& caption : captions) {
            QAction* item = AddRadioItem(Skins1, group, caption, caption == Settings.Skin);
            connect(item, &QAction::triggered, this, [this, item] { SkinItemClick(item); });
        }
    } catch (...) {
    }
}

void TFormKALO::BuildToneMenu() {
    try {
        const int modes = static_cast<int>(ToneNames.size());
        const int checked = CheckedToneItem(Settings.Tone, modes);
        QActionGroup* group = RadioGroup(Tones1);
        const QStringList captions = ToneMenuCaptions(ToneNames);
        for (int i = 0; i < captions.size(); ++i) {
            if (i == modes) {
                Tones1->addSeparator();
                continue;
            }
            QAction* item = AddRadioItem(Tones1, group, captions.at(i), i == checked);
            connect(item, &QAction::triggered, this, [this, item] { ToneItemClick(item); });
        }
    } catch (...) {
    }
}

void TFormKALO::CharacterItemClick(QAction* item) {
    const QString name = StripAccelerators(item->text());
    try {
        QString sentence;
        if (JQChar) {
            sentence = ChooseCharacter(*Playback(this).Character(), name, CharsFolders(),
                                       Settings, ToneModeIds);
        } else {
            // No character since the start-up load failed: the controller is
            // made from the chosen file, and the start finished with it.
            JQChar = std::make_unique<TJQChar>(CharacterFilePath(CharsFolders(), name));
            sentence =
                TakeChosenCharacter(*Playback(this).Character(), name, Settings, ToneModeIds);
            ApplyStartSettings();
        }
        const QList<QAction*> tones = Tones1->actions();
        const int defaultItem = static_cast<int>(ToneNames.size()) + 1;
        if (defaultItem < tones.size())
            tones.at(defaultItem)->setChecked(true);
        LabelFileName->setText(QStringLiteral("New Character"));
        Playback(this).Character()->Speak(sentence);
        // The old character's speech went with it: the list goes on after
        // the introduction from where it was.
        Playback(this).List.CharacterChanged();
    } catch (...) {
        // A character that fails to load changes nothing: the one running
        // (if any) stays, Char1 keeps its name, nothing is announced, and
        // the check mark goes back to the character that runs.
        for (QAction* other : Characters1->actions())
            other->setChecked(StripAccelerators(other->text()) == Settings.Char1 && JQChar);
    }
}

void TFormKALO::SkinItemClick(QAction* item) {
    try {
        Settings.Skin = StripAccelerators(item->text());
        ApplySkin();
    } catch (...) {
    }
}

void TFormKALO::ToneItemClick(QAction* item) {
    try {
        // Without a character only the choice is kept.
        TPlayerCharacter* character = Playback(this).Character();
        const int position = static_cast<int>(Tones1->actions().indexOf(item));
        ChooseTone(character, position, Settings, ToneModeIds);
        if (!character)
            return;
        LabelFileName->setText(QStringLiteral("New Voice"));
        character->Speak(kNewVoiceSentence);
    } catch (...) {
    }
}

void TFormKALO::ApplyCharacterSettings() {
    if (!JQChar)
        return;
    TJQCharAdapter character(*JQChar);
    kalo::ApplyCharacterSettings(character, Settings, ToneModeIds);
}

void TFormKALO::StoreCharacterSettings() {
    if (JQChar)
        kalo::StoreCharacterSettings(TJQCharAdapter(*JQChar), Settings);
}

void TFormKALO::SpeedBarChange(TJQTrackBar* sender) {
    const int speed = (sender ? sender : SpeedBar)->Position();
    Settings.Spd = speed;
    if (JQChar)
        JQChar->Speed = speed;
}

void TFormKALO::VolumeBarChange(TJQTrackBar* sender) {
    SetWaveVolume((sender ? sender : VolumeBar)->Position());
}

} // namespace kalo
