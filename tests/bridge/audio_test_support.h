// What the wave-output suites share: the formats they open streams with.
#pragma once

#include <cstdint>

#include "ce_waveout.h"

namespace audiotest {

// Interleaved integer PCM.
inline ce::WAVEFORMATEX pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    ce::WAVEFORMATEX f{};
    f.wFormatTag = ce::WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = uint16_t(channels * bits / 8);
    f.nAvgBytesPerSec = f.nBlockAlign * rate;
    return f;
}

}  // namespace audiotest
