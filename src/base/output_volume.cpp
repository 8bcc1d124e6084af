#include "base/output_volume.h"

#include <atomic>

namespace kalo {

namespace {
std::atomic<uint32_t> g_volumeWord{0xFFFFFFFFu};
}

uint32_t OutputVolumeWord() {
    return g_volumeWord.load(std::memory_order_relaxed);
}

void SetOutputVolumeWord(uint32_t word) {
    g_volumeWord.store(word, std::memory_order_relaxed);
}

double OutputVolumeLeft() {
    return (OutputVolumeWord() & 0xFFFFu) / 65535.0;
}

double OutputVolumeRight() {
    return (OutputVolumeWord() >> 16) / 65535.0;
}

} // namespace kalo
