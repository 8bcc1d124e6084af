// The player window's reading list and playback, the Characters, Tones and
// Skins submenus, the character settings and the voice bars. Each of these
// says plainly that it is not built yet until its code lands here.
#include "player/player_window.h"

#include "base/kalo_error.h"

namespace kalo {

namespace {
[[noreturn]] void notBuiltYet() {
    throw KaloError(QStringLiteral("not built yet"));
}
} // namespace

void TFormKALO::ActionPrevExecute() { notBuiltYet(); }
void TFormKALO::ActionPlayExecute() { notBuiltYet(); }
void TFormKALO::ActionPauseExecute() { notBuiltYet(); }
void TFormKALO::ActionStopExecute() { notBuiltYet(); }
void TFormKALO::ActionNextExecute() { notBuiltYet(); }
void TFormKALO::ActionFileExecute() { notBuiltYet(); }
void TFormKALO::ActionShuffleExecute() { notBuiltYet(); }
void TFormKALO::ActionRepeat1Execute() { notBuiltYet(); }
void TFormKALO::ActionSpeakExecute() { notBuiltYet(); }
void TFormKALO::AgentBookmark(qint32) { notBuiltYet(); }
void TFormKALO::ShuffleList() { notBuiltYet(); }
void TFormKALO::BuildCharacterMenu() { notBuiltYet(); }
void TFormKALO::BuildSkinMenu() { notBuiltYet(); }
void TFormKALO::BuildToneMenu() { notBuiltYet(); }
void TFormKALO::CharacterItemClick(QAction*) { notBuiltYet(); }
void TFormKALO::SkinItemClick(QAction*) { notBuiltYet(); }
void TFormKALO::ToneItemClick(QAction*) { notBuiltYet(); }
void TFormKALO::ApplyCharacterSettings() { notBuiltYet(); }
void TFormKALO::StoreCharacterSettings() { notBuiltYet(); }
void TFormKALO::SpeedBarChange(TJQTrackBar*) { notBuiltYet(); }
void TFormKALO::VolumeBarChange(TJQTrackBar*) { notBuiltYet(); }
void TFormKALO::ReadClipboard(const QString&) { notBuiltYet(); }

} // namespace kalo
