// The mixer: PCM streams are read frame by frame through a 32.32 fixed-point
// rate step (linear interpolation inside a header), MIDI streams run their
// records against a frame clock and let FluidSynth render between them.
// Every stream is scaled by its own volume and added into 32-bit sums that
// are clipped to 16 bits once at the end.
#include "ce_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ce {

namespace {

constexpr uint64_t kOne = uint64_t(1) << 32;  // one source frame in the rate step

int32_t clip16(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, -32768, 32767));
}

}  // namespace

struct Mixer::Stream {
    uint32_t id = 0;
    bool midi = false;

    // PCM: the source layout and the rate step (source frames per output
    // frame, 32.32) with the fraction of the current source frame played.
    uint16_t channels = 2;
    uint16_t bits = 16;
    uint16_t blockAlign = 4;
    uint64_t step = kOne;
    uint64_t frac = 0;

    // MIDI: the synthesizer and the clock. A record is due once the frames
    // played reach the frame of its tick (ticks counted from the start or
    // the last reset, loops included).
    std::unique_ptr<MidiSynth> synth;
    uint32_t usPerQuarter = 0;
    uint32_t ticksPerQuarter = 0;
    uint64_t ticks = 0;
    uint64_t frames = 0;
    bool deltaTaken = false;  // the current record's delta is in `ticks`

    // The queue: headers written and not yet done, in order. Outside a loop
    // the playing header is the first; inside one the loop starts at the
    // first and `current` walks through it.
    std::deque<WAVEHDR*> queue;
    size_t current = 0;
    uint32_t offset = 0;   // bytes played of the current header
    bool entered = false;  // the current header's loop flag has been seen
    bool inLoop = false;
    uint32_t loopsLeft = 0;  // plays of the loop still to come, this one included

    bool paused = false;
    uint64_t position = 0;
    DWORD volume = 0xFFFFFFFF;

    uint32_t unit() const { return midi ? uint32_t(sizeof(WAVEFORMAT_MIDI_MESSAGE)) : blockAlign; }
    uint32_t usable(const WAVEHDR* h) const {
        return h->dwBufferLength - h->dwBufferLength % unit();
    }
    // The frame at which a record at tick `t` is due.
    uint64_t frameOfTick(uint64_t t, uint32_t rate) const {
        unsigned __int128 num = (unsigned __int128)t * usPerQuarter * rate;
        unsigned __int128 den = (unsigned __int128)ticksPerQuarter * 1000000u;
        return uint64_t((num + den - 1) / den);
    }
};

Mixer::Mixer(uint32_t rate, std::string soundFont)
    : rate_(rate), soundFont_(std::move(soundFont)) {}
Mixer::~Mixer() = default;

Mixer::Stream* Mixer::find(uint32_t id) const {
    auto it = streams_.find(id);
    return it == streams_.end() ? nullptr : it->second.get();
}

MMRESULT Mixer::checkFormat(const WAVEFORMATEX& format) {
    if (format.wFormatTag == WAVE_FORMAT_PCM) {
        bool shape = (format.nChannels == 1 || format.nChannels == 2) &&
                     (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
                     format.nSamplesPerSec >= 1 && format.nSamplesPerSec <= 384000;
        if (!shape) return WAVERR_BADFORMAT;
        uint32_t block = uint32_t(format.nChannels) * format.wBitsPerSample / 8;
        if (format.nBlockAlign != block || format.nAvgBytesPerSec != block * format.nSamplesPerSec)
            return WAVERR_BADFORMAT;
        return MMSYSERR_NOERROR;
    }
    if (format.wFormatTag == WAVE_FORMAT_MIDI) {
        if (format.cbSize < WAVEFORMAT_MIDI_EXTRASIZE) return WAVERR_BADFORMAT;
        const auto& midi = reinterpret_cast<const WAVEFORMAT_MIDI&>(format);
        if (midi.USecPerQuarterNote == 0 || midi.TicksPerQuarterNote == 0) return WAVERR_BADFORMAT;
        return MMSYSERR_NOERROR;
    }
    return WAVERR_BADFORMAT;
}

MMRESULT Mixer::addStream(const WAVEFORMATEX& format, uint32_t* id,
                          std::unique_ptr<MidiSynth> synth) {
    MMRESULT check = checkFormat(format);
    if (check != MMSYSERR_NOERROR) return check;
    auto s = std::make_unique<Stream>();
    if (format.wFormatTag == WAVE_FORMAT_PCM) {
        s->channels = format.nChannels;
        s->bits = format.wBitsPerSample;
        s->blockAlign = format.nBlockAlign;
        s->step = (uint64_t(format.nSamplesPerSec) << 32) / rate_;
    } else {
        const auto& midi = reinterpret_cast<const WAVEFORMAT_MIDI&>(format);
        if (!synth) synth = MidiSynth::create(rate_, soundFont_, nullptr);
        if (!synth) return MMSYSERR_NODRIVER;
        s->midi = true;
        s->synth = std::move(synth);
        s->usPerQuarter = midi.USecPerQuarterNote;
        s->ticksPerQuarter = midi.TicksPerQuarterNote;
    }
    s->id = nextId_++;
    *id = s->id;
    streams_[s->id] = std::move(s);
    return MMSYSERR_NOERROR;
}

void Mixer::removeStream(uint32_t id) {
    streams_.erase(id);
}
bool Mixer::hasStream(uint32_t id) const {
    return find(id) != nullptr;
}

bool Mixer::queued(uint32_t id) const {
    Stream* s = find(id);
    return s && !s->queue.empty();
}

void Mixer::write(uint32_t id, WAVEHDR* header) {
    if (Stream* s = find(id)) s->queue.push_back(header);
}

void Mixer::pause(uint32_t id) {
    if (Stream* s = find(id)) s->paused = true;
}

void Mixer::restart(uint32_t id) {
    if (Stream* s = find(id)) s->paused = false;
}

void Mixer::reset(uint32_t id, std::vector<Done>* done) {
    Stream* s = find(id);
    if (!s) return;
    complete(*s, s->queue.size(), done);
    s->inLoop = false;
    s->loopsLeft = 0;
    s->paused = false;
    s->position = 0;
    s->frac = 0;
    s->ticks = 0;
    s->frames = 0;
    if (s->synth) s->synth->reset();
}

uint64_t Mixer::position(uint32_t id) const {
    Stream* s = find(id);
    return s ? s->position : 0;
}

DWORD Mixer::volume(uint32_t id) const {
    Stream* s = find(id);
    return s ? s->volume : 0;
}

void Mixer::setVolume(uint32_t id, DWORD volume) {
    if (Stream* s = find(id)) s->volume = volume;
}

void Mixer::complete(Stream& s, size_t count, std::vector<Done>* done) {
    for (size_t i = 0; i < count && !s.queue.empty(); ++i) {
        WAVEHDR* h = s.queue.front();
        s.queue.pop_front();
        h->dwFlags = (h->dwFlags & ~DWORD(WHDR_INQUEUE)) | WHDR_DONE;
        if (done) done->push_back({s.id, h});
    }
    s.current = 0;
    s.offset = 0;
    s.entered = false;
    s.deltaTaken = false;
}

void Mixer::finishHeader(Stream& s, std::vector<Done>* done) {
    WAVEHDR* h = s.queue[s.current];
    if (!s.inLoop) {
        complete(s, 1, done);
        return;
    }
    if (!(h->dwFlags & WHDR_ENDLOOP)) {
        ++s.current;
        s.offset = 0;
        s.entered = false;
        s.deltaTaken = false;
        return;
    }
    if (s.loopsLeft > 1) {
        uint64_t bytes = 0;
        uint64_t ticks = 0;
        for (size_t i = 0; i <= s.current; ++i) {
            const WAVEHDR* part = s.queue[i];
            uint32_t length = s.usable(part);
            bytes += length;
            if (s.midi) {
                for (uint32_t at = 0; at < length; at += sizeof(WAVEFORMAT_MIDI_MESSAGE)) {
                    WAVEFORMAT_MIDI_MESSAGE record;
                    std::memcpy(&record, part->lpData + at, sizeof record);
                    ticks += record.DeltaTicks;
                }
            }
        }
        // A loop that takes no time would spin here for every repetition:
        // its remaining plays are counted at once instead.
        bool takesTime = s.midi ? ticks > 0 : bytes > 0;
        if (takesTime) {
            --s.loopsLeft;
            s.current = 0;
            s.offset = 0;
            s.entered = true;  // the loop is already running
            s.deltaTaken = false;
            return;
        }
        s.position += bytes * (s.loopsLeft - 1);
    }
    s.inLoop = false;
    s.loopsLeft = 0;
    complete(s, s.current + 1, done);
}

bool Mixer::settle(Stream& s, std::vector<Done>* done) {
    while (s.current < s.queue.size()) {
        WAVEHDR* h = s.queue[s.current];
        if (!s.entered) {
            s.entered = true;
            if ((h->dwFlags & WHDR_BEGINLOOP) && !s.inLoop) {
                s.inLoop = true;
                s.loopsLeft = h->dwLoops ? h->dwLoops : 1;
            }
        }
        if (s.offset < s.usable(h)) return true;
        finishHeader(s, done);
    }
    return false;
}

void Mixer::mixPcm(Stream& s, size_t frames, std::vector<Done>* done) {
    const int64_t left = s.volume & 0xFFFF;
    const int64_t right = s.volume >> 16;
    auto read = [&s](const uint8_t* p, int channel) -> int32_t {
        if (s.bits == 16) return int16_t(uint16_t(p[2 * channel] | (p[2 * channel + 1] << 8)));
        return (int32_t(p[channel]) - 128) * 256;
    };
    int32_t* sum = sum_.data();
    for (size_t k = 0; k < frames; ++k) {
        if (!settle(s, done)) {
            s.frac = 0;
            return;
        }
        const WAVEHDR* h = s.queue[s.current];
        uint32_t usable = s.usable(h);
        const uint8_t* p = reinterpret_cast<const uint8_t*>(h->lpData) + s.offset;
        // The next frame, for the interpolation, from the same header only.
        const uint8_t* q = s.offset + s.blockAlign < usable ? p + s.blockAlign : p;
        int32_t l0 = read(p, 0), l1 = read(q, 0);
        int32_t r0 = s.channels == 2 ? read(p, 1) : l0;
        int32_t r1 = s.channels == 2 ? read(q, 1) : l1;
        int64_t f = int64_t(s.frac);
        int64_t l = l0 + ((int64_t(l1 - l0) * f) >> 32);
        int64_t r = r0 + ((int64_t(r1 - r0) * f) >> 32);
        sum[2 * k] += int32_t(l * left / 65535);
        sum[2 * k + 1] += int32_t(r * right / 65535);

        s.frac += s.step;
        while (s.frac >= kOne) {
            s.frac -= kOne;
            s.offset += s.blockAlign;
            s.position += s.blockAlign;
            if (s.offset >= usable) {
                if (!settle(s, done)) {
                    s.frac = 0;
                    return;
                }
                usable = s.usable(s.queue[s.current]);
            }
        }
    }
}

void Mixer::addSynth(Stream& s, size_t at, size_t frames) {
    if (frames == 0 || !s.synth->sounding()) return;
    synthBuffer_.resize(frames * 2);
    s.synth->render(synthBuffer_.data(), frames);
    const int64_t volume[2] = {s.volume & 0xFFFF, s.volume >> 16};
    int32_t* sum = sum_.data() + at * 2;
    for (size_t i = 0; i < frames * 2; ++i) {
        float x = std::clamp(synthBuffer_[i], -1.0f, 1.0f);
        int64_t v = std::lrint(x * 32767.0f);
        sum[i] += int32_t(v * volume[i & 1] / 65535);
    }
}

void Mixer::mixMidi(Stream& s, size_t frames, std::vector<Done>* done) {
    size_t at = 0;
    while (at < frames) {
        bool playing;
        uint64_t due = 0;
        while ((playing = settle(s, done))) {
            const WAVEHDR* h = s.queue[s.current];
            WAVEFORMAT_MIDI_MESSAGE record;
            std::memcpy(&record, h->lpData + s.offset, sizeof record);
            if (!s.deltaTaken) {
                s.ticks += record.DeltaTicks;
                s.deltaTaken = true;
            }
            due = s.frameOfTick(s.ticks, rate_);
            if (due > s.frames) break;
            s.synth->send(record.MidiMsg);
            s.offset += sizeof record;
            s.position += sizeof record;
            s.deltaTaken = false;
        }
        size_t n = frames - at;
        if (playing) {
            n = size_t(std::min<uint64_t>(n, due - s.frames));
            // The clock runs only while records wait, so that a header written
            // after a pause in the stream starts from its own first delta.
            s.frames += n;
        }
        addSynth(s, at, n);
        at += n;
    }
}

void Mixer::render(int16_t* out, size_t frames, std::vector<Done>* done) {
    sum_.assign(frames * 2, 0);
    for (auto& [id, stream] : streams_) {
        if (stream->paused) continue;
        if (stream->midi)
            mixMidi(*stream, frames, done);
        else
            mixPcm(*stream, frames, done);
    }
    if (out) {
        for (size_t i = 0; i < frames * 2; ++i) out[i] = int16_t(clip16(sum_[i]));
    }
}

}  // namespace ce
