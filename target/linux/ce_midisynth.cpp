// FluidSynth behind MidiSynth: one settings object and one synthesizer per
// stream. FluidSynth shares the sample data of a soundfont file between the
// synthesizers that load it, so a second stream costs little.
#include "ce_midisynth.h"

#include <fluidsynth.h>

#include <mutex>

namespace ce {

namespace {

void quietLogs() {
    // FluidSynth reports every missing preset and every voice it steals; a
    // game's sound effects need none of that on the console.
    static std::once_flag once;
    std::call_once(once, [] {
        // Errors too: the callers report what failed in their own words.
        fluid_set_log_function(FLUID_ERR, nullptr, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

}  // namespace

#if defined(__SANITIZE_THREAD__)
// FluidSynth loads a soundfont's samples on OpenMP's threads; libgomp is not
// built for ThreadSanitizer, which then takes its own pool's handovers for
// races.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libgomp.so.1\nrace:libgomp.so.1\n";
}
#endif

struct MidiSynth::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    ~Impl() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

MidiSynth::MidiSynth(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MidiSynth::~MidiSynth() = default;

std::unique_ptr<MidiSynth> MidiSynth::create(uint32_t rate, const std::string& soundFont,
                                             std::string* error) {
    quietLogs();
    auto impl = std::make_unique<Impl>();
    impl->settings = new_fluid_settings();
    if (!impl->settings) {
        if (error) *error = "FluidSynth settings could not be made";
        return nullptr;
    }
    fluid_settings_setnum(impl->settings, "synth.sample-rate", double(rate));
    // The mixer's lock already serialises every call.
    fluid_settings_setint(impl->settings, "synth.threadsafe-api", 0);
    impl->synth = new_fluid_synth(impl->settings);
    if (!impl->synth) {
        if (error) *error = "FluidSynth could not start";
        return nullptr;
    }
    if (fluid_synth_sfload(impl->synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        if (error) *error = "soundfont " + soundFont + " does not load";
        return nullptr;
    }
    return std::unique_ptr<MidiSynth>(new MidiSynth(std::move(impl)));
}

void MidiSynth::send(uint32_t message) {
    fluid_synth_t* s = impl_->synth;
    int status = int(message & 0xFF);
    int channel = status & 0x0F;
    int data1 = int((message >> 8) & 0x7F);
    int data2 = int((message >> 16) & 0x7F);
    switch (status & 0xF0) {
        case 0x80:
            fluid_synth_noteoff(s, channel, data1);
            break;
        case 0x90:
            // Velocity 0 is the usual way of ending a note.
            if (data2 == 0)
                fluid_synth_noteoff(s, channel, data1);
            else
                fluid_synth_noteon(s, channel, data1, data2);
            break;
        case 0xA0:
            fluid_synth_key_pressure(s, channel, data1, data2);
            break;
        case 0xB0:
            fluid_synth_cc(s, channel, data1, data2);
            break;
        case 0xC0:
            fluid_synth_program_change(s, channel, data1);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(s, channel, data1);
            break;
        case 0xE0:
            fluid_synth_pitch_bend(s, channel, data1 | (data2 << 7));
            break;
        default:
            break;
    }
}

void MidiSynth::reset() {
    // A system reset only releases the voices (they ring on); sounds off
    // stops them at the next block, then controllers and programs go back.
    fluid_synth_t* s = impl_->synth;
    fluid_synth_all_sounds_off(s, -1);
    for (int channel = 0; channel < fluid_synth_count_midi_channels(s); ++channel)
        fluid_synth_cc(s, channel, 121, 0);  // reset all controllers
    fluid_synth_program_reset(s);
}

bool MidiSynth::sounding() const {
    return fluid_synth_get_active_voice_count(impl_->synth) > 0;
}

void MidiSynth::render(float* out, size_t frames) {
    while (frames > 0) {
        int n = frames > 4096 ? 4096 : int(frames);
        fluid_synth_write_float(impl_->synth, n, out, 0, 2, out, 1, 2);
        out += size_t(n) * 2;
        frames -= size_t(n);
    }
}

}  // namespace ce
