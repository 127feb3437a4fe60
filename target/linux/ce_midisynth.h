// A General MIDI synthesizer for the MIDI streams of wave output: short
// channel messages in, stereo samples out, over FluidSynth and a soundfont.
// Not thread-safe: the mixer calls it under its own lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace ce {

class MidiSynth {
public:
    // A synthesizer at `rate` frames per second with `soundFont` loaded; null
    // (and the reason in `error`) when FluidSynth cannot start or the
    // soundfont does not load.
    static std::unique_ptr<MidiSynth> create(uint32_t rate, const std::string& soundFont,
                                             std::string* error);
    ~MidiSynth();
    MidiSynth(const MidiSynth&) = delete;
    MidiSynth& operator=(const MidiSynth&) = delete;

    // One short message: status | data1 << 8 | data2 << 16. Note off and on,
    // key pressure, controller, program change, channel pressure and pitch
    // bend; anything else (system messages, a data byte as status) is
    // ignored.
    void send(uint32_t message);
    // Every sound off (gone by the next rendered block) and every channel's
    // controllers and program back to their power-on state.
    void reset();
    // Whether anything still sounds.
    bool sounding() const;
    // Renders `frames` stereo frames, interleaved, full scale ±1.0.
    void render(float* out, size_t frames);

private:
    struct Impl;
    explicit MidiSynth(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace ce
