// The contents and rules of the player's Characters, Skins and Tones
// submenus, and how the stored character settings reach the character and
// come back. The window builds its menu items from these lists and calls
// these operations from its click handlers.
#pragma once

#include <QString>
#include <QStringList>

namespace kalo {

class TPlayerCharacter;
struct TSettings;

// All letters a-z and A-Z lower case, then the first character upper case:
// JAMES gives James.
QString CaseNormalised(const QString& name);

// A menu caption without the "&" marks the menu system may have put in.
QString StripAccelerators(const QString& caption);

// Captions of the Characters submenu: every file in the folder whose name
// ends in ".acs" (any letter case), without that extension, case-normalised,
// in the order the directory lists them. A missing folder gives none.
QStringList CharacterMenuCaptions(const QString& charsFolder);
// The same over several folders in order (the user's characters, then the
// installation's); a caption an earlier folder gave already is left out.
QStringList CharacterMenuCaptions(const QStringList& charsFolders);

// The file of the character named name: CharsFolder + name + ".acs", or the
// file in the folder whose name matches that without regard to letter case
// (a file JAMES.ACS is listed as James and found again from that caption).
QString CharacterFilePath(const QString& charsFolder, const QString& name);
// The same in the first of the folders that has the character; the first
// folder's path when none has it.
QString CharacterFilePath(const QStringList& charsFolders, const QString& name);

// Captions of the Skins submenu from the installed skin names.
QStringList SkinMenuCaptions(const QStringList& skinNames);

// The position of the caption equal to name (letter case counts), or -1.
int CheckedItemByCaption(const QStringList& captions, const QString& name);

// The Tones submenu: the mode names, a separator ("-"), then the default item.
extern const QString kDefaultToneCaption; // "Default Tone of Current Character"
QStringList ToneMenuCaptions(const QStringList& toneNames);
// The Tones item checked for a stored Tone with modeCount installed modes:
// the mode's position, the default item (modeCount + 1) for -1, else -1.
int CheckedToneItem(int tone, int modeCount);

// The speech mode a stored Tone stands for: its identifier when it names an
// installed mode, the character's own otherwise.
QString ToneModeFor(int tone, const QStringList& toneModeIds, const QString& defaultTone);

// Pushes the stored settings into the character, in the order the character
// expects: place, visibility and size (the size it shows at: a hidden
// character stays hidden); voice; balloon, animation and sound effects;
// speech mode.
void ApplyCharacterSettings(TPlayerCharacter& character, const TSettings& settings,
                            const QStringList& toneModeIds);
// Copies the character's place, size (the size it shows at), voice and
// visibility back.
void StoreCharacterSettings(const TPlayerCharacter& character, TSettings& settings);

// Choosing a character named name: loads CharsFolder + name + ".acs", shows
// it, resets the voice to the character's own, takes its size into the
// settings, applies the settings and stores Char1. Returns the sentence the
// character announces itself with. Throws when the file cannot be loaded;
// Char1 then keeps the old name.
QString ChooseCharacter(TPlayerCharacter& character, const QString& name,
                        const QStringList& charsFolders, TSettings& settings,
                        const QStringList& toneModeIds);
inline QString ChooseCharacter(TPlayerCharacter& character, const QString& name,
                               const QString& charsFolder, TSettings& settings,
                               const QStringList& toneModeIds) {
    return ChooseCharacter(character, name, QStringList{charsFolder}, settings, toneModeIds);
}
// The same for a character already loaded from the chosen file (the first
// one of a window whose start-up load failed): everything after the load.
QString TakeChosenCharacter(TPlayerCharacter& character, const QString& name, TSettings& settings,
                            const QStringList& toneModeIds);
// "My name is <name>. Thank you for selecting me."
QString CharacterAnnouncement(const QString& name);

// Choosing the Tones item at position (modes first, then the separator and
// the default item): stores Tone and selects the mode. Without a character
// (null) only Tone is stored.
void ChooseTone(TPlayerCharacter* character, int position, TSettings& settings,
                const QStringList& toneModeIds);
extern const QString kNewVoiceSentence; // "This is my new voice."

} // namespace kalo
