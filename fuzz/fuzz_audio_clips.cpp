// The clip readers over arbitrary bytes: the WAV reader's samples must lie
// inside the clip, and the MIDI conversion must fill exactly what it counted.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "HAL_audioclip.h"
#include "HAL_status.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;

    WavClipInfo wav;
    if (WavClip_parse(data, size, &wav) == HAL_OK) {
        if (wav.dataOffset > size || wav.dataLength > size - wav.dataOffset ||
            wav.avgBytesPerSec == 0 || wav.blockAlign == 0 || wav.dataLength % wav.blockAlign)
            std::abort();
        // Touch the first and last sample bytes.
        volatile uint8_t sink = 0;
        if (wav.dataLength) sink = data[wav.dataOffset] ^ data[wav.dataOffset + wav.dataLength - 1];
        (void)sink;
    }

    uint16_t division = 0;
    if (MidiClip_parseHeader(data, size, &division) == HAL_OK) {
        if (division == 0 || division > 32767) std::abort();
        size_t count = MidiClip_convert(data, size, nullptr, 0);
        std::vector<MidiStreamEvent> events(count);
        if (MidiClip_convert(data, size, events.data(), count) != count) std::abort();
    }
    // The conversion alone, whatever the header says.
    MidiClip_convert(data, size, nullptr, 0);
    return 0;
}
