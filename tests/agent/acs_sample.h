// Characters built in code for the tests, the benchmark and the fuzzer's
// seeds: every part of the format occurs in SampleCharacter.
#pragma once

#include "agent/acs_file.h"

#include <QByteArray>

#include <vector>

namespace kalo::test {

// Palette indices of the sample character.
constexpr quint8 kKey = 0; // the transparent index (magenta)
constexpr quint8 kRed = 1;
constexpr quint8 kGreen = 2;
constexpr quint8 kBlue = 3;
constexpr quint8 kWhite = 4;
constexpr quint8 kKeyTwin = 5; // opaque, and the same colour as kKey

// A 32 x 24 character with images, a transparent hole, animations with
// branches, exit frames, overlays and sounds, states, voice, balloon, tray
// icon and two languages. With withSounds false it has no sounds (and no
// frame uses one).
acs::Character SampleCharacter(bool withSounds = true);

// A character of about the given size in bytes when written: many
// frames over many images of noisy pictures.
acs::Character LargeCharacter(qsizetype approximateBytes);

// A WAV file made by libsndfile in memory (format e.g. SF_FORMAT_WAV |
// SF_FORMAT_PCM_16 or SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM), mono.
QByteArray MakeWav(int format, int sampleRate, const std::vector<qint16>& samples);

// A sine tone of the given length.
std::vector<qint16> Tone(int sampleRate, int frames, double hz, double amplitude = 8000);

} // namespace kalo::test
