// The mixer behind wave output: every open stream with its queue of headers,
// loop, pause state, position and volume, and the rendering of the current
// mix into 16-bit stereo frames. It knows no device and no thread: the wave
// output layer calls it under its own lock, from the audio device's callback
// or from a test, and delivers the finished headers it reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ce_midisynth.h"
#include "ce_waveout.h"

namespace ce {

class Mixer {
public:
    // Output: interleaved stereo 16-bit frames at `rate` frames per second.
    // MIDI streams load `soundFont`.
    explicit Mixer(uint32_t rate, std::string soundFont = kSoundFontPath);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    uint32_t rate() const { return rate_; }

    // A header given back to its stream (WHDR_DONE set, WHDR_INQUEUE cleared).
    struct Done {
        uint32_t stream;
        WAVEHDR* header;
    };

    // MMSYSERR_NOERROR for a format waveOutOpen takes, else WAVERR_BADFORMAT.
    static MMRESULT checkFormat(const WAVEFORMATEX& format);
    // Checks the format and adds a stream, not paused, at position 0, full
    // volume: MMSYSERR_NOERROR with *id set, WAVERR_BADFORMAT, or
    // MMSYSERR_NODRIVER when no synthesizer starts for a MIDI stream. A MIDI
    // stream takes `synth` when given (loading the soundfont is slow: the
    // caller can do it outside its lock), else makes its own.
    MMRESULT addStream(const WAVEFORMATEX& format, uint32_t* id,
                       std::unique_ptr<MidiSynth> synth = nullptr);
    const std::string& soundFont() const { return soundFont_; }
    // Forgets a stream; its queue must be empty (queued() false).
    void removeStream(uint32_t id);
    bool hasStream(uint32_t id) const;
    // Whether the stream holds headers not yet done.
    bool queued(uint32_t id) const;

    // Appends a header to the stream's queue (the caller checked its flags).
    void write(uint32_t id, WAVEHDR* header);
    void pause(uint32_t id);
    void restart(uint32_t id);
    // Gives back every queued header in queue order (appended to `done`),
    // position 0, not paused, a MIDI stream silenced.
    void reset(uint32_t id, std::vector<Done>* done);
    // Bytes played since the stream was added or last reset.
    uint64_t position(uint32_t id) const;
    DWORD volume(uint32_t id) const;
    void setVolume(uint32_t id, DWORD volume);

    // Renders `frames` frames of the mix into `out` (2 × frames samples; may
    // be null, the mix then only advances) and appends the headers that
    // finished: stream by stream, each stream's in the order they finished.
    void render(int16_t* out, size_t frames, std::vector<Done>* done);

private:
    struct Stream;
    Stream* find(uint32_t id) const;
    // Moves past finished headers (ending or repeating loops) until the
    // current header has data left; false when nothing is left to play.
    bool settle(Stream& s, std::vector<Done>* done);
    void finishHeader(Stream& s, std::vector<Done>* done);
    void complete(Stream& s, size_t count, std::vector<Done>* done);
    void mixPcm(Stream& s, size_t frames, std::vector<Done>* done);
    void mixMidi(Stream& s, size_t frames, std::vector<Done>* done);
    void addSynth(Stream& s, size_t at, size_t frames);

    uint32_t rate_;
    std::string soundFont_;
    uint32_t nextId_ = 1;
    std::map<uint32_t, std::unique_ptr<Stream>> streams_;
    std::vector<int32_t> sum_;
    std::vector<float> synthBuffer_;
};

}  // namespace ce
