// Wave output over one SDL2 audio device and the stand-in's mixer.
//
// Locks, in the only order they are taken: deviceMutex (opening and closing
// the SDL device, which takes SDL's own device lock), then `mutex` (the
// handle table and the mixer; the SDL callback takes it), then
// `callbackMutex` (the queue of callbacks owed). SDL's device lock is never
// asked for while `mutex` is held: the SDL audio thread holds it while it
// waits for `mutex`. No callback runs with any of them held.
#include "ce_waveout.h"

#include <SDL.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "ce_mixer.h"

namespace ce {

namespace {

constexpr uint32_t kMixRate = 44100;
// Handles are numbers from here on, never reused, so that a stale handle is
// refused and cannot be taken for a device id.
constexpr uintptr_t kFirstHandle = 0x10000;

struct Handle {
    uint32_t stream = 0;
    WAVEOUTPROC procedure = nullptr;  // null with CALLBACK_NULL
    DWORD_PTR instance = 0;
};

struct Callback {
    uintptr_t handle;
    WAVEOUTPROC procedure;
    DWORD_PTR instance;
    UINT message;
    DWORD_PTR param1;
};

struct Audio {
    std::mutex deviceMutex;
    SDL_AudioDeviceID device = 0;
    bool sdlAudioStarted = false;
    bool failDevice = false;
    bool failureReported = false;  // a game opens many players: say it once
    bool closedForGood = false;    // the process is ending: no device again

    std::mutex mutex;
    Mixer mixer{kMixRate};
    std::map<uintptr_t, Handle> handles;
    uintptr_t nextHandle = kFirstHandle;
    bool manual = false;
    std::vector<Mixer::Done> done;  // scratch for render, reset

    std::mutex callbackMutex;
    std::condition_variable callbackChanged;
    std::deque<Callback> callbacks;
    uintptr_t running = 0;  // the handle whose callback the thread is running
    bool threadStarted = false;
    std::thread::id threadId;
};

// Lives for the whole process: the SDL audio thread and the callback thread
// may still be running when static objects are destroyed.
Audio& audio() {
    static Audio* instance = new Audio;
    return *instance;
}

void callbackThread() {
    Audio& a = audio();
    std::unique_lock lock(a.callbackMutex);
    for (;;) {
        a.callbackChanged.wait(lock, [&] { return !a.callbacks.empty(); });
        Callback c = a.callbacks.front();
        a.callbacks.pop_front();
        a.running = c.handle;
        lock.unlock();
        c.procedure(reinterpret_cast<HWAVEOUT>(c.handle), c.message, c.instance, c.param1, 0);
        lock.lock();
        a.running = 0;
        a.callbackChanged.notify_all();
    }
}

void startCallbackThread() {
    Audio& a = audio();
    std::lock_guard lock(a.callbackMutex);
    if (a.threadStarted) return;
    std::thread thread(callbackThread);
    a.threadId = thread.get_id();
    thread.detach();
    a.threadStarted = true;
}

// Queues a WOM_DONE for every finished header whose handle has a callback
// (`mutex` held, so that a reset or close of the handle sees them queued).
void queueDone(Audio& a, const std::vector<Mixer::Done>& done) {
    if (done.empty()) return;
    std::lock_guard lock(a.callbackMutex);
    bool any = false;
    for (const auto& d : done) {
        for (const auto& [id, handle] : a.handles) {
            if (handle.stream != d.stream) continue;
            if (handle.procedure) {
                a.callbacks.push_back({id, handle.procedure, handle.instance, WOM_DONE,
                                       reinterpret_cast<DWORD_PTR>(d.header)});
                any = true;
            }
            break;
        }
    }
    if (any) a.callbackChanged.notify_all();
}

// Delivers, on this thread, every callback still owed for `handle`, after
// the one the callback thread may be running for it has returned (no lock
// held).
void deliverOwed(uintptr_t handle) {
    Audio& a = audio();
    std::vector<Callback> owed;
    {
        std::unique_lock lock(a.callbackMutex);
        if (std::this_thread::get_id() != a.threadId)
            a.callbackChanged.wait(lock, [&] { return a.running != handle; });
        for (auto it = a.callbacks.begin(); it != a.callbacks.end();) {
            if (it->handle == handle) {
                owed.push_back(*it);
                it = a.callbacks.erase(it);
            } else {
                ++it;
            }
        }
        a.callbackChanged.notify_all();
    }
    for (const auto& c : owed)
        c.procedure(reinterpret_cast<HWAVEOUT>(c.handle), c.message, c.instance, c.param1, 0);
}

void renderLocked(Audio& a, int16_t* out, size_t frames) {
    a.done.clear();
    a.mixer.render(out, frames, &a.done);
    queueDone(a, a.done);
}

void sdlCallback(void*, Uint8* stream, int length) {
    Audio& a = audio();
    std::lock_guard lock(a.mutex);
    renderLocked(a, reinterpret_cast<int16_t*>(stream), size_t(length) / (2 * sizeof(int16_t)));
}

// The SDL side of ensureDevice (`deviceMutex` held).
bool openDevice(Audio& a) {
    if (!a.sdlAudioStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            if (!a.failureReported)
                std::fprintf(stderr, "wave output: no audio: %s\n", SDL_GetError());
            a.failureReported = true;
            return false;
        }
        a.sdlAudioStarted = true;
    }
    SDL_AudioSpec want{};
    want.freq = int(kMixRate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = sdlCallback;
    SDL_AudioSpec have{};
    // SDL converts to whatever the hardware takes: the mixer always sees
    // 44100 Hz stereo 16-bit.
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        if (!a.failureReported)
            std::fprintf(stderr, "wave output: no audio device: %s\n", SDL_GetError());
        a.failureReported = true;
        return false;
    }
    a.device = device;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

// Opens the shared SDL device unless it is open or the mix is manual. False
// when no device opens.
bool ensureDevice() {
    Audio& a = audio();
    std::lock_guard deviceLock(a.deviceMutex);
    {
        std::lock_guard lock(a.mutex);
        if (a.manual) return true;
    }
    if (a.device != 0) return true;
    if (a.failDevice || a.closedForGood) return false;
    bool opened = openDevice(a);
    // SDL keeps an error buffer for each thread that calls it and frees it
    // only on the threads it started itself; the caller here may be any
    // thread of the program (the game's own, which ends before the process
    // does), and would leave it behind. What the buffer held has been
    // printed. The main thread's lasts as long as the process, and there
    // SDL may keep more than the buffer (the video's), so it stays.
    if (gettid() != getpid()) SDL_TLSCleanup();
    return opened;
}

Handle* handleOf(Audio& a, HWAVEOUT device) {
    auto it = a.handles.find(reinterpret_cast<uintptr_t>(device));
    return it == a.handles.end() ? nullptr : &it->second;
}

// What `use(mixer, stream)` answers for the device's stream, under the mixer
// lock; MMSYSERR_INVALHANDLE for a device that is not open.
template <class Use>
MMRESULT withStream(HWAVEOUT device, Use use) {
    Audio& a = audio();
    std::lock_guard lock(a.mutex);
    Handle* handle = handleOf(a, device);
    if (!handle) return MMSYSERR_INVALHANDLE;
    return use(a.mixer, handle->stream);
}

}  // namespace

MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD fdwOpen) {
    if (!device) return MMSYSERR_INVALPARAM;
    *device = nullptr;
    if (!format) return MMSYSERR_INVALPARAM;
    if (deviceId != 0 && deviceId != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
    if (fdwOpen != CALLBACK_NULL && fdwOpen != CALLBACK_FUNCTION) return MMSYSERR_INVALFLAG;
    if (fdwOpen == CALLBACK_FUNCTION && callback == 0) return MMSYSERR_INVALPARAM;
    if (!ensureDevice()) return MMSYSERR_NODRIVER;
    startCallbackThread();

    Audio& a = audio();
    Handle handle;
    if (fdwOpen == CALLBACK_FUNCTION) {
        handle.procedure = reinterpret_cast<WAVEOUTPROC>(callback);
        handle.instance = instance;
    }
    MMRESULT check = Mixer::checkFormat(*format);
    if (check != MMSYSERR_NOERROR) return check;
    // The soundfont loads here, not under the lock the audio thread needs.
    std::unique_ptr<MidiSynth> synth;
    if (format->wFormatTag == WAVE_FORMAT_MIDI) {
        std::string error;
        synth = MidiSynth::create(kMixRate, kSoundFontPath, &error);
        if (!synth) {
            static std::atomic<bool> reported{false};
            if (!reported.exchange(true))
                std::fprintf(stderr, "wave output: no MIDI: %s\n", error.c_str());
            return MMSYSERR_NODRIVER;
        }
    }
    uintptr_t id;
    {
        std::lock_guard lock(a.mutex);
        MMRESULT result = a.mixer.addStream(*format, &handle.stream, std::move(synth));
        if (result != MMSYSERR_NOERROR) return result;
        id = a.nextHandle++;
        a.handles[id] = handle;
    }
    *device = reinterpret_cast<HWAVEOUT>(id);
    if (handle.procedure) handle.procedure(*device, WOM_OPEN, handle.instance, 0, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
    return withStream(device, [&](Mixer&, uint32_t) -> MMRESULT {
        if (!header || size < sizeof(WAVEHDR) || (!header->lpData && header->dwBufferLength > 0))
            return MMSYSERR_INVALPARAM;
        if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
        header->dwFlags = (header->dwFlags & ~DWORD(WHDR_DONE)) | WHDR_PREPARED;
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size) {
    return withStream(device, [&](Mixer&, uint32_t) -> MMRESULT {
        if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
        if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
        header->dwFlags &= ~DWORD(WHDR_PREPARED);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size) {
    return withStream(device, [&](Mixer& mixer, uint32_t stream) -> MMRESULT {
        if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
        if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
        if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
        header->dwFlags = (header->dwFlags & ~DWORD(WHDR_DONE)) | WHDR_INQUEUE;
        mixer.write(stream, header);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutPause(HWAVEOUT device) {
    return withStream(device, [](Mixer& mixer, uint32_t stream) -> MMRESULT {
        mixer.pause(stream);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutRestart(HWAVEOUT device) {
    return withStream(device, [](Mixer& mixer, uint32_t stream) -> MMRESULT {
        mixer.restart(stream);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutReset(HWAVEOUT device) {
    Audio& a = audio();
    {
        std::lock_guard lock(a.mutex);
        Handle* handle = handleOf(a, device);
        if (!handle) return MMSYSERR_INVALHANDLE;
        std::vector<Mixer::Done> done;
        a.mixer.reset(handle->stream, &done);
        queueDone(a, done);
    }
    deliverOwed(reinterpret_cast<uintptr_t>(device));
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT device) {
    Audio& a = audio();
    Handle closed;
    {
        std::lock_guard lock(a.mutex);
        Handle* handle = handleOf(a, device);
        if (!handle) return MMSYSERR_INVALHANDLE;
        if (a.mixer.queued(handle->stream)) return WAVERR_STILLPLAYING;
        closed = *handle;
        a.mixer.removeStream(handle->stream);
        a.handles.erase(reinterpret_cast<uintptr_t>(device));
    }
    deliverOwed(reinterpret_cast<uintptr_t>(device));
    if (closed.procedure) closed.procedure(device, WOM_CLOSE, closed.instance, 0, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT size) {
    return withStream(device, [&](Mixer& mixer, uint32_t stream) -> MMRESULT {
        if (!time || size < sizeof(MMTIME)) return MMSYSERR_INVALPARAM;
        time->wType = TIME_BYTES;
        time->u.cb = DWORD(mixer.position(stream));
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutGetVolume(HWAVEOUT device, DWORD* volume) {
    return withStream(device, [&](Mixer& mixer, uint32_t stream) -> MMRESULT {
        if (!volume) return MMSYSERR_INVALPARAM;
        *volume = mixer.volume(stream);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume) {
    return withStream(device, [&](Mixer& mixer, uint32_t stream) -> MMRESULT {
        mixer.setVolume(stream, volume);
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutGetDevCaps(UINT_PTR deviceId, WAVEOUTCAPS* caps, UINT size) {
    bool known = deviceId == 0 || deviceId == WAVE_MAPPER || deviceId == UINT_PTR(-1);
    if (!known) {
        Audio& a = audio();
        std::lock_guard lock(a.mutex);
        known = a.handles.count(deviceId) != 0;
    }
    if (!known) return MMSYSERR_BADDEVICEID;
    if (!caps || size < sizeof(WAVEOUTCAPS)) return MMSYSERR_INVALPARAM;
    *caps = WAVEOUTCAPS{};
    caps->vDriverVersion = 0x0100;
    const char16_t name[] = u"Wave output";
    static_assert(sizeof name / sizeof name[0] <= MAXPNAMELEN);
    for (size_t i = 0; i < sizeof name / sizeof name[0]; ++i) caps->szPname[i] = name[i];
    caps->dwFormats = 0x0FFF;  // every WAVE_FORMAT_ bit above
    caps->wChannels = 2;
    caps->dwSupport = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME;
    return MMSYSERR_NOERROR;
}

void closeAudioDevice() {
    Audio& a = audio();
    std::lock_guard deviceLock(a.deviceMutex);
    a.closedForGood = true;
    // Waits for SDL's audio thread to leave the mixer: `mutex` is not held.
    if (a.device != 0) SDL_CloseAudioDevice(a.device);
    a.device = 0;
    if (a.sdlAudioStarted) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    a.sdlAudioStarted = false;
}

namespace fake {

bool useManualAudio(bool manual) {
    Audio& a = audio();
    std::lock_guard deviceLock(a.deviceMutex);
    {
        std::lock_guard lock(a.mutex);
        if (!a.handles.empty()) return false;
        a.manual = manual;
    }
    if (manual && a.device != 0) {
        SDL_CloseAudioDevice(a.device);
        a.device = 0;
    }
    return true;
}

bool renderAudio(int16_t* out, size_t frames) {
    Audio& a = audio();
    std::lock_guard lock(a.mutex);
    if (!a.manual) return false;
    renderLocked(a, out, frames);
    return true;
}

void flushAudioCallbacks() {
    Audio& a = audio();
    std::unique_lock lock(a.callbackMutex);
    if (std::this_thread::get_id() == a.threadId) return;
    a.callbackChanged.wait(lock, [&] { return a.callbacks.empty() && a.running == 0; });
}

void failAudioDevice(bool fail) {
    Audio& a = audio();
    std::lock_guard deviceLock(a.deviceMutex);
    a.failDevice = fail;
}

int openWaveHandles() {
    Audio& a = audio();
    std::lock_guard lock(a.mutex);
    return int(a.handles.size());
}

uint32_t mixRate() {
    return kMixRate;
}

}  // namespace fake

}  // namespace ce
