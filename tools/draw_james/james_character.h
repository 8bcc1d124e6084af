// James as a complete character: his animations, states, balloon and voice,
// his pictures reduced to one palette, ready for the .acs writer.
#pragma once

#include "agent/acs_file.h"

#include <QImage>
#include <QString>

#include <vector>

namespace james {

// Index of the key colour in James's palette.
inline constexpr int TransparentIndex = 0;

// The whole character. Deterministic: every call gives the same model, so
// the written file is the same on every build.
kalo::acs::Character BuildJames();

// A short mono 16-bit PCM WAV file (22050 Hz): a sine sweep from one
// frequency to another with a soft start and end, or noise when noise is set.
QByteArray MakeChirp(double seconds, double fromHz, double toHz, bool noise = false);

} // namespace james
