// How the options dialog turns settings into control states and back: the
// write-speed list, the voice-type list and the folder settings.
#pragma once

#include <QString>
#include <QStringList>

namespace kalo {

// The write-speed list's items, "1 X" to "128 X".
QStringList WriteSpeedItems();

// The item showing RealTime: the one whose text is RealTime shifted right
// by 8 bits (unsigned) followed by " X"; item 3 ("8 X") when none is.
int WriteSpeedItemFor(int realTime, const QStringList& items);

// RealTime for an item's text: every " X" removed (letter case ignored), the
// rest read as a decimal integer n, giving n shifted left by 8 bits; 256
// (real time) when the rest is no integer.
int RealTimeForWriteSpeed(const QString& itemText);

// The voice-type list's items and the mapping: exactly "Monotone" is item 1,
// exactly "Whisper" item 2, anything else item 0 ("Normal").
QStringList VoiceTypeItems();
int VoiceTypeItemFor(const QString& voiceType);
QString VoiceTypeForItem(int item);

// A folder setting from a folder edit's text: with exactly one trailing "/"
// added when it lacks one. An empty text stays empty (it names no folder;
// "/" would be the root).
QString FolderSetting(const QString& editText);

// What a folder button puts into its edit from the folder picker's path:
// the path without its trailing "/", except the root, which keeps its one
// "/" as a drive root keeps its separator.
QString FolderEditText(const QString& pickedPath);

// A settings value cut to the 16 bits of the character's size fields.
short CutTo16Bits(int value);

// The engine download list: items and their pages, in the same order.
QStringList EngineDownloadItems();
QStringList EngineDownloadPages();

} // namespace kalo
