// The process-wide output volume word: the low 16 bits are the left channel,
// the high 16 bits the right channel, 0 silent to 65535 full. Every stream the
// program plays applies it; it may be read from any thread.
#pragma once

#include <cstdint>

namespace kalo {

uint32_t OutputVolumeWord();
void SetOutputVolumeWord(uint32_t word);

// Linear gains (0.0 to 1.0) of the two channels of the current word.
double OutputVolumeLeft();
double OutputVolumeRight();

} // namespace kalo
