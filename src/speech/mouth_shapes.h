// Mouth shapes for phonemes, so a drawn character can move its mouth with
// the speech. Phonemes are named in the eSpeak NG alphabet; names from
// another engine fall back on a half-open mouth.
#pragma once

#include "speech/tts_types.h"

#include <QString>

namespace kalo {

struct TTSVisualShape {
    TTSMouth mouth;
    quint32 hints = 0; // TTSVisualHint bits
};

TTSVisualShape MouthForPhoneme(const QString& phoneme);

} // namespace kalo
