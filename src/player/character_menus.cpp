#include "player/character_menus.h"

#include "base/settings_store.h"
#include "player/player_character.h"

#include <QDir>
#include <QFileInfo>

namespace kalo {

const QString kDefaultToneCaption = QStringLiteral("Default Tone of Current Character");
const QString kNewVoiceSentence = QStringLiteral("This is my new voice.");

namespace {
constexpr QLatin1StringView kCharacterExtension(".acs");
}

QString CaseNormalised(const QString& name) {
    QString result = name;
    for (QChar& c : result) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    if (!result.isEmpty())
        result[0] = result.at(0).toUpper();
    return result;
}

QString StripAccelerators(const QString& caption) {
    QString name = caption;
    name.remove(QLatin1Char('&'));
    return name;
}

QStringList CharacterMenuCaptions(const QString& charsFolder) {
    QStringList captions;
    const QDir folder(charsFolder);
    if (charsFolder.isEmpty() || !folder.exists())
        return captions;
    // Any file whose name ends in .acs, hidden ones too, in directory order.
    const QStringList names =
        folder.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& file : names) {
        if (file.size() <= kCharacterExtension.size() ||
            !file.endsWith(kCharacterExtension, Qt::CaseInsensitive))
            continue;
        captions << CaseNormalised(file.left(file.size() - kCharacterExtension.size()));
    }
    return captions;
}

QStringList CharacterMenuCaptions(const QStringList& charsFolders) {
    QStringList captions;
    for (const QString& folder : charsFolders)
        for (const QString& caption : CharacterMenuCaptions(folder))
            if (!captions.contains(caption))
                captions << caption;
    return captions;
}

namespace {

// The character's file in the folder, found without regard to letter case;
// empty when the folder has none of that name.
QString characterFileIn(const QString& charsFolder, const QString& name) {
    const QString wanted = name + kCharacterExtension;
    const QString exact = charsFolder + wanted;
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList names =
        QDir(charsFolder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& file : names) {
        if (file.compare(wanted, Qt::CaseInsensitive) == 0)
            return charsFolder + file;
    }
    return {};
}

} // namespace

QString CharacterFilePath(const QString& charsFolder, const QString& name) {
    return CharacterFilePath(QStringList{charsFolder}, name);
}

QString CharacterFilePath(const QStringList& charsFolders, const QString& name) {
    for (const QString& folder : charsFolders) {
        const QString found = characterFileIn(folder, name);
        if (!found.isEmpty())
            return found;
    }
    return charsFolders.value(0) + name + kCharacterExtension;
}

QStringList SkinMenuCaptions(const QStringList& skinNames) {
    QStringList captions;
    for (const QString& name : skinNames)
        captions << CaseNormalised(name);
    return captions;
}

int CheckedItemByCaption(const QStringList& captions, const QString& name) {
    return static_cast<int>(captions.indexOf(name));
}

QStringList ToneMenuCaptions(const QStringList& toneNames) {
    QStringList captions = toneNames;
    captions << QStringLiteral("-") << kDefaultToneCaption;
    return captions;
}

int CheckedToneItem(int tone, int modeCount) {
    if (tone >= 0 && tone < modeCount)
        return tone;
    if (tone == -1)
        return modeCount + 1;
    return -1;
}

QString ToneModeFor(int tone, const QStringList& toneModeIds, const QString& defaultTone) {
    if (tone >= 0 && tone < toneModeIds.size())
        return toneModeIds.at(tone);
    return defaultTone;
}

void ApplyCharacterSettings(TPlayerCharacter& character, const TSettings& settings,
                            const QStringList& toneModeIds) {
    character.SetLeft(settings.Left);
    character.SetTop(settings.Top);
    character.SetVisible(settings.Char1Visible);
    // A hidden character only remembers its size, and stays hidden.
    character.SetShownWidth(settings.Width);
    character.SetShownHeight(settings.Height);

    character.SetVolume(settings.Vol);
    character.SetPitch(settings.Pit);
    character.SetSpeed(settings.Spd);
    character.SetVoiceType(settings.VoiceType);

    character.SetBalloonVisible(settings.BalloonVisible);
    character.SetAnimationOn(settings.AnimationOn);
    character.SetSoundEffectsOn(settings.SoundEffectsOn);

    character.SetTone(ToneModeFor(settings.Tone, toneModeIds, character.DefaultTone()));
}

void StoreCharacterSettings(const TPlayerCharacter& character, TSettings& settings) {
    settings.Left = character.Left();
    settings.Top = character.Top();
    // The size it shows at, also while hidden (then it is 0 by 0).
    settings.Width = character.ShownWidth();
    settings.Height = character.ShownHeight();
    settings.Vol = character.Volume();
    settings.Pit = character.Pitch();
    settings.Spd = character.Speed();
    settings.VoiceType = character.VoiceType();
    settings.Char1Visible = character.Visible();
}

QString CharacterAnnouncement(const QString& name) {
    return QStringLiteral("My name is ") + name + QStringLiteral(". Thank you for selecting me.");
}

QString ChooseCharacter(TPlayerCharacter& character, const QString& name,
                        const QStringList& charsFolders, TSettings& settings,
                        const QStringList& toneModeIds) {
    character.LoadCharacter(CharacterFilePath(charsFolders, name));
    return TakeChosenCharacter(character, name, settings, toneModeIds);
}

QString TakeChosenCharacter(TPlayerCharacter& character, const QString& name, TSettings& settings,
                            const QStringList& toneModeIds) {
    character.SetVisible(true);
    settings.Tone = -1;
    settings.Width = character.Width();
    settings.Height = character.Height();
    ApplyCharacterSettings(character, settings, toneModeIds);
    settings.Char1 = name;
    return CharacterAnnouncement(name);
}

void ChooseTone(TPlayerCharacter* character, int position, TSettings& settings,
                const QStringList& toneModeIds) {
    const bool mode = position >= 0 && position < toneModeIds.size();
    settings.Tone = mode ? position : -1;
    if (character)
        character->SetTone(mode ? toneModeIds.at(position) : character->DefaultTone());
}

} // namespace kalo
