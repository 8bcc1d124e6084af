// Mouth shapes for phonemes, so a drawn character can move its mouth with
// the speech. Each engine names its phonemes in its own alphabet; names
// an alphabet does not know fall back on a half-open mouth.
#pragma once

#include "speech/tts_types.h"

#include <QString>

namespace kalo {

struct TTSVisualShape {
    TTSMouth mouth;
    quint32 hints = 0; // TTSVisualHint bits
};

// A phoneme in the eSpeak NG alphabet ("a#", "i:", "tS", "_:").
TTSVisualShape MouthForPhoneme(const QString& phoneme);

// A phone of Flite's English phone set ("aa", "iy", "sh", "pau").
TTSVisualShape MouthForFlitePhone(const QString& phone);

} // namespace kalo
