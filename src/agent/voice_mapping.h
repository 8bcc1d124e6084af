// From a character's voice settings to the speech layer's: values of the
// speech tags in the engine's units, the installed mode closest to a
// character's own voice, and the mouth picture for a phoneme's mouth shape.
#pragma once

#include "agent/speech_tags.h"
#include "speech/tts_engine.h"
#include "speech/tts_types.h"

#include <QString>

#include <vector>

namespace kalo {

// Volume 0 to 65535 onto the engine's volume range.
quint32 EngineVolume(qint64 agentVolume, const TTSRange& range);
// Base pitch in Hz onto the engine's pitch range, on a logarithmic scale:
// 50 Hz and below give the lowest pitch, 400 Hz and above the highest;
// kVoiceDefault gives the engine's normal pitch.
quint32 EnginePitch(qint64 hz, const TTSRange& range);
// Words per minute, limited to the engine's range; kVoiceDefault gives
// the normal speed.
quint32 EngineSpeed(qint64 wpm, const TTSRange& range);

// The voice a character starts each text with, in tag units (Hz and
// words per minute, kVoiceDefault for the engine's own).
struct AgentVoiceStart {
    qint64 volume = 65535;
    qint64 pitch = kVoiceDefault;
    qint64 speed = kVoiceDefault;
};

// The text for the speech layer: the spoken text with its marks in the
// engine's units, the start settings placed at its beginning.
TTSMarkedText EngineText(const ParsedSpeech& speech, const AgentVoiceStart& start,
                         const TTSEngineRanges& ranges);

// The language code ("en-us", "de") of a Windows language id; a primary
// id alone (9) gives the bare language ("en"). Empty for ids we do not know.
QString LanguageCodeForId(quint16 languageId);

// Index of the mode that best fits: exact language code first, then the
// same primary language, then the gender (1 female, 2 male, 0 any); ties go
// to the earlier mode. -1 when there are no modes.
int ClosestMode(const std::vector<TTSModeInfo>& modes, const QString& languageCode, quint16 gender);

// The character's mouth picture (0 closed, 1 to 4 wide open 1 to 4, 5
// medium, 6 narrow) for a phoneme's mouth shape.
int MouthPicture(const TTSMouth& mouth, quint32 hints);

} // namespace kalo
