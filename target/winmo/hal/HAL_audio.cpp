#include "HAL_audio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "HAL_audioclip.h"
#include "HAL_graphics.h"
#include "HAL_memory.h"
#include "HAL_status.h"
#include "ce_text.h"

using namespace ce;

namespace {

constexpr DWORD kLoopFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
constexpr DWORD kEndlessLoops = 1000000;
constexpr jlong kMicrosPerSecond = 1000000;

// Guarded by the VM lock, as every operation but the device callback is.
std::vector<NativePlayer*> players;

// Set and read from any thread: the device callback posts too.
std::atomic<HAL_PlayerEventHook> eventHook{nullptr};
std::atomic<void*> eventContext{nullptr};

void postEvent(NativePlayer* player, jint event, jlong mediaTime) {
    HAL_PlayerEventHook hook = eventHook.load();
    if (hook) hook(eventContext.load(), player, event, mediaTime, 0);
}

// The media time for an event posted on the VM's side; 0 when unreadable.
jlong eventTime(NativePlayer* player) {
    jlong time = 0;
    return HAL_getPlayerMediaTime(player, &time) == HAL_OK ? time : 0;
}

DWORD loopsField(jint loops) { return loops == -1 ? kEndlessLoops : DWORD(loops) + 1; }

// The device's thread: a started player whose buffer came back has reached
// its end. It may not call the device (nor read the position) from here.
void deviceCallback(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WOM_DONE) return;
    auto* player = reinterpret_cast<NativePlayer*>(instance);
    int32_t started = NativePlayer::STARTED;
    if (player->state.compare_exchange_strong(started, NativePlayer::ENDED))
        postEvent(player, HAL_PLAYER_END_OF_MEDIA, 0);
}

void freeCounted(void* block) { HAL_freeNative(block); }
void freeMalloced(void* block) { std::free(block); }

void releaseClip(uint8_t* clip, void (*release)(void*)) {
    if (clip && release) release(clip);
}

// Builds the record over `clip` (owned from here on, freed on failure),
// opens the device and lists the player.
int32_t makePlayer(NativePlayer** out, uint8_t* clip, size_t clipLength,
                   void (*release)(void*), jint contentType, jint loops,
                   const WAVEFORMAT_MIDI& format, size_t dataOffset, size_t dataLength,
                   jlong duration) {
    void* block = HAL_allocNative(sizeof(NativePlayer));
    if (!block) {
        releaseClip(clip, release);
        return HAL_OUT_OF_MEMORY;
    }
    auto* player = new (block) NativePlayer();
    player->format = format;
    player->contentType = contentType;
    player->duration = duration;
    player->clip = clip;
    player->clipLength = clipLength;
    player->releaseClip = release;
    player->savedHeader.lpData = reinterpret_cast<LPSTR>(clip + dataOffset);
    player->savedHeader.dwBufferLength = DWORD(dataLength);
    player->savedHeader.dwFlags = kLoopFlags;
    player->savedHeader.dwLoops = loopsField(loops);
    player->liveHeader = player->savedHeader;

    auto fail = [&](int32_t status) {
        player->~NativePlayer();
        HAL_freeNative(block);
        releaseClip(clip, release);
        return status;
    };
    try {
        players.reserve(players.size() + 1);
    } catch (const std::bad_alloc&) {
        return fail(HAL_OUT_OF_MEMORY);
    }
    if (waveOutOpen(&player->device, WAVE_MAPPER, &player->format.wfx,
                    reinterpret_cast<DWORD_PTR>(&deviceCallback),
                    reinterpret_cast<DWORD_PTR>(player), CALLBACK_FUNCTION) != MMSYSERR_NOERROR)
        return fail(HAL_MALFORMED);
    players.push_back(player);
    *out = player;
    return HAL_OK;
}

// A WAV player over a clip it now owns.
int32_t makeWavPlayer(NativePlayer** out, uint8_t* clip, size_t length, void (*release)(void*),
                      jint loops) {
    WavClipInfo info;
    int32_t status = WavClip_parse(clip, length, &info);
    if (status != HAL_OK) {
        releaseClip(clip, release);
        return status;
    }
    WAVEFORMAT_MIDI format{};
    format.wfx.wFormatTag = WAVE_FORMAT_PCM;
    format.wfx.nChannels = info.channels;
    format.wfx.nSamplesPerSec = info.samplesPerSec;
    format.wfx.nAvgBytesPerSec = info.avgBytesPerSec;
    format.wfx.nBlockAlign = info.blockAlign;
    format.wfx.wBitsPerSample = info.bitsPerSample;
    format.wfx.cbSize = 0;
    return makePlayer(out, clip, length, release, HAL_CONTENT_WAV, loops, format, info.dataOffset,
                      info.dataLength, info.durationMicros);
}

// A MIDI player: the file is converted into a buffer of stream records,
// which becomes the clip; the file itself is not kept.
int32_t makeMidiPlayer(NativePlayer** out, const uint8_t* file, size_t length, jint loops) {
    uint16_t division = 0;
    int32_t status = MidiClip_parseHeader(file, length, &division);
    if (status != HAL_OK) return status;
    size_t count = MidiClip_convert(file, length, nullptr, 0);
    if (count > 0xFFFFFFFFu / sizeof(MidiStreamEvent)) return HAL_OUT_OF_MEMORY;
    auto* events = static_cast<uint8_t*>(HAL_allocNative(count * sizeof(MidiStreamEvent)));
    if (!events) return HAL_OUT_OF_MEMORY;
    MidiClip_convert(file, length, reinterpret_cast<MidiStreamEvent*>(events), count);

    WAVEFORMAT_MIDI format{};
    format.wfx.wFormatTag = WAVE_FORMAT_MIDI;
    format.wfx.nChannels = 1;
    format.wfx.nSamplesPerSec = 32;
    format.wfx.nAvgBytesPerSec = 32;
    format.wfx.nBlockAlign = 8;
    format.wfx.wBitsPerSample = 16;
    format.wfx.cbSize = WAVEFORMAT_MIDI_EXTRASIZE;
    // One tick is one millisecond, whatever tempo the file sets.
    format.USecPerQuarterNote = DWORD(division) * 1000;
    format.TicksPerQuarterNote = division;
    size_t bytes = count * sizeof(MidiStreamEvent);
    return makePlayer(out, events, bytes, &freeCounted, HAL_CONTENT_MIDI, loops, format, 0, bytes,
                      0);
}

// Reads a whole file into a counted block.
int32_t readFile(const std::string& path, uint8_t** data, size_t* length) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return HAL_NOT_FOUND;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
        info.st_size > 0x7FFFFFFF) {
        ::close(fd);
        return HAL_IO_ERROR;
    }
    size_t size = size_t(info.st_size);
    auto* block = static_cast<uint8_t*>(HAL_allocNative(size));
    if (!block) {
        ::close(fd);
        return HAL_OUT_OF_MEMORY;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, block + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    ::close(fd);
    if (done < size) {
        HAL_freeNative(block);
        return HAL_IO_ERROR;
    }
    *data = block;
    *length = size;
    return HAL_OK;
}

bool validLoops(jint loops) { return loops >= -1; }

}  // namespace

// --- creation ------------------------------------------------------------------------

int32_t HAL_createPlayerWithData(NativePlayer** player, const uint8_t* data, jint length,
                                 jint contentType, jint loops) {
    if (!player) return HAL_BAD_ARGUMENT;
    *player = nullptr;
    if ((!data && length > 0) || length < 0 || !validLoops(loops)) return HAL_BAD_ARGUMENT;
    if (contentType == HAL_CONTENT_MIDI) return makeMidiPlayer(player, data, size_t(length), loops);
    if (contentType != HAL_CONTENT_NONE && contentType != HAL_CONTENT_WAV) return HAL_NOT_SUPPORTED;
    // Refused before the copy: a clip with no header never costs memory.
    if (size_t(length) < 44) return HAL_MALFORMED;
    auto* copy = static_cast<uint8_t*>(HAL_allocNative(size_t(length)));
    if (!copy) return HAL_OUT_OF_MEMORY;
    std::memcpy(copy, data, size_t(length));
    return makeWavPlayer(player, copy, size_t(length), &freeCounted, loops);
}

int32_t HAL_createPlayerWithLocator(NativePlayer** player, jint protocol, const jchar* chars,
                                    jint count, jint contentType, jint loops) {
    if (!player) return HAL_BAD_ARGUMENT;
    *player = nullptr;
    if (contentType != HAL_CONTENT_NONE && contentType != HAL_CONTENT_WAV) return HAL_NOT_SUPPORTED;
    if ((!chars && count > 0) || count < 0 || !validLoops(loops)) return HAL_BAD_ARGUMENT;
    uint8_t* data = nullptr;
    size_t length = 0;
    void (*release)(void*) = nullptr;
    if (protocol == HAL_PROTOCOL_FILE) {
        // "//" then the path.
        if (count <= 2) return HAL_NOT_FOUND;
        std::string path;
        appendFileNameUtf8(path, chars + 2, count - 2);
        if (path.find('\0') != std::string::npos) return HAL_NOT_FOUND;
        int32_t status = readFile(path, &data, &length);
        if (status != HAL_OK) return status;
        release = &freeCounted;
    } else if (protocol == HAL_PROTOCOL_JAR) {
        jint size = 0;
        int32_t status = HAL_loadResource(chars, count, &data, &size);
        if (status != HAL_OK) return status;
        length = size_t(size);
        release = &freeMalloced;
    } else {
        return HAL_BAD_ARGUMENT;
    }
    return makeWavPlayer(player, data, length, release, loops);
}

jboolean HAL_isContentTypeSupported(jint code) { return code == HAL_CONTENT_WAV; }

jboolean HAL_isProtocolSupported(jint code) {
    return code == HAL_PROTOCOL_FILE || code == HAL_PROTOCOL_JAR;
}

// --- control -------------------------------------------------------------------------

int32_t HAL_prefetchPlayer(NativePlayer* p) {
    if (!p) return HAL_BAD_ARGUMENT;
    int32_t state = p->state.load();
    if (state == NativePlayer::REALIZED || state == NativePlayer::DEALLOCATING) {
        // Written paused: the start that follows only restarts the device.
        if (waveOutPrepareHeader(p->device, &p->liveHeader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR ||
            waveOutPause(p->device) != MMSYSERR_NOERROR ||
            waveOutWrite(p->device, &p->liveHeader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
            return HAL_MALFORMED;
    } else if (state == NativePlayer::STARTED) {
        // Already playing: calling this prefetched would let a stop leave it
        // running.
        return HAL_OK;
    }
    p->state = NativePlayer::PREFETCHED;
    return HAL_OK;
}

int32_t HAL_startPlayer(NativePlayer* p) {
    if (!p) return HAL_BAD_ARGUMENT;
    WAVEHDR live = p->savedHeader;
    if (p->contentType != HAL_CONTENT_MIDI) {
        // The device plays from whole seconds only.
        DWORD skip = DWORD(p->startOffset / kMicrosPerSecond) * p->format.wfx.nAvgBytesPerSec;
        if (skip > live.dwBufferLength) skip = live.dwBufferLength;
        live.lpData += skip;
        live.dwBufferLength -= skip;
        live.dwFlags = kLoopFlags;
    }
    jlong offset = p->startOffset;
    // The old header must be back from the device before it is replaced.
    int32_t status = HAL_deallocatePlayer(p);
    if (status != HAL_OK) return status;
    p->liveHeader = live;
    p->startOffset = offset;

    int32_t state = p->state.load();
    if (state == NativePlayer::REALIZED || state == NativePlayer::ENDED ||
        state == NativePlayer::DEALLOCATING) {
        if (HAL_prefetchPlayer(p) != HAL_OK) return HAL_MALFORMED;
    }
    state = p->state.load();
    if (state == NativePlayer::PREFETCHED || state == NativePlayer::STOPPED) {
        // Started before the device runs, so that the end of a short clip
        // can't come back before the player counts as started.
        p->state = NativePlayer::STARTED;
        if (waveOutRestart(p->device) != MMSYSERR_NOERROR) {
            p->state = state;
            return HAL_MALFORMED;
        }
    }
    postEvent(p, HAL_PLAYER_STARTED, eventTime(p));
    return HAL_OK;
}

int32_t HAL_stopPlayer(NativePlayer* p) {
    if (!p) return HAL_BAD_ARGUMENT;
    if (p->state.load() == NativePlayer::STARTED && waveOutPause(p->device) != MMSYSERR_NOERROR)
        return HAL_MALFORMED;
    p->state = NativePlayer::STOPPED;
    postEvent(p, HAL_PLAYER_STOPPED, eventTime(p));
    return HAL_OK;
}

int32_t HAL_deallocatePlayer(NativePlayer* p) {
    if (!p) return HAL_BAD_ARGUMENT;
    p->state = NativePlayer::DEALLOCATING;
    if (waveOutReset(p->device) != MMSYSERR_NOERROR ||
        waveOutUnprepareHeader(p->device, &p->liveHeader, sizeof(WAVEHDR)) != MMSYSERR_NOERROR)
        return HAL_MALFORMED;
    p->startOffset = 0;
    p->state = NativePlayer::REALIZED;
    postEvent(p, HAL_PLAYER_DEALLOCATED, eventTime(p));
    return HAL_OK;
}

int32_t HAL_closePlayer(NativePlayer* p) {
    if (!p) return HAL_BAD_ARGUMENT;
    HAL_deallocatePlayer(p);
    if (waveOutClose(p->device) != MMSYSERR_NOERROR) return HAL_MALFORMED;
    postEvent(p, HAL_PLAYER_CLOSED, 0);
    for (auto it = players.begin(); it != players.end(); ++it) {
        if (*it == p) {
            players.erase(it);
            break;
        }
    }
    releaseClip(p->clip, p->releaseClip);
    p->~NativePlayer();
    HAL_freeNative(p);
    return HAL_OK;
}

int32_t HAL_setPlayerLoopCount(NativePlayer* p, jint loops) {
    if (!p || !validLoops(loops)) return HAL_BAD_ARGUMENT;
    p->savedHeader.dwFlags = kLoopFlags;
    p->savedHeader.dwLoops = loopsField(loops);
    return HAL_OK;
}

int32_t HAL_setPlayerMediaTime(NativePlayer* p, jlong micros) {
    if (!p || micros < 0 || micros > p->duration) return HAL_BAD_ARGUMENT;
    p->startOffset = micros;
    postEvent(p, HAL_PLAYER_MEDIA_TIME_SET, eventTime(p));
    return HAL_OK;
}

int32_t HAL_getPlayerMediaTime(NativePlayer* p, jlong* micros) {
    if (!p || !micros) return HAL_BAD_ARGUMENT;
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (waveOutGetPosition(p->device, &time, sizeof(MMTIME)) != MMSYSERR_NOERROR) {
        *micros = -1;
        return HAL_MALFORMED;
    }
    if (time.wType != TIME_BYTES) return HAL_NOT_SUPPORTED;
    jlong played = jlong(time.u.cb) * kMicrosPerSecond / p->format.wfx.nAvgBytesPerSec;
    jlong span = p->duration - p->startOffset;
    if (span <= 0) {
        // Nothing to wrap around (a MIDI stream, or no clip left after the
        // start): the time runs on from where it began.
        *micros = p->startOffset + played;
        return HAL_OK;
    }
    jlong n = played / span;
    jlong loops = p->liveHeader.dwLoops;
    // Exactly at the end of the last play: the time stays at the end.
    if (loops != 0 && n >= loops && n % loops == 0) n -= 1;
    *micros = p->startOffset + played - n * span;
    return HAL_OK;
}

int32_t HAL_getPlayerDuration(NativePlayer* p, jlong* micros) {
    if (!p || !micros) return HAL_BAD_ARGUMENT;
    *micros = p->duration;
    return HAL_OK;
}

int32_t HAL_getPlayerState(NativePlayer* p, jint* state) {
    if (!p || !state) return HAL_BAD_ARGUMENT;
    switch (p->state.load()) {
        case NativePlayer::REALIZED: *state = 0; break;
        case NativePlayer::STARTED: *state = 2; break;
        default: *state = 1; break;
    }
    return HAL_OK;
}

int32_t HAL_getPlayerContentType(NativePlayer* p, jint* code) {
    if (!p || !code) return HAL_BAD_ARGUMENT;
    *code = p->contentType;
    return HAL_OK;
}

int32_t HAL_getPlayerVolume(NativePlayer* p, jint* level) {
    if (!p || !level) return HAL_BAD_ARGUMENT;
    DWORD volume = 0;
    if (waveOutGetVolume(p->device, &volume) != MMSYSERR_NOERROR) {
        *level = -1;
        return HAL_MALFORMED;
    }
    // The right channel, rounded half up.
    DWORD right = volume >> 16;
    *level = jint((right * 200 + 65535) / 131070);
    return HAL_OK;
}

int32_t HAL_setPlayerVolume(NativePlayer* p, jint level) {
    if (!p) return HAL_BAD_ARGUMENT;
    WAVEOUTCAPS caps{};
    if (waveOutGetDevCaps(reinterpret_cast<UINT_PTR>(p->device), &caps, sizeof(WAVEOUTCAPS)) !=
            MMSYSERR_NOERROR ||
        !(caps.dwSupport & WAVECAPS_VOLUME))
        return HAL_NOT_SUPPORTED;
    if (level < 0) level = 0;
    if (level > 100) level = 100;
    DWORD v = DWORD(level) * 65535 / 100;
    DWORD volume = (caps.dwSupport & WAVECAPS_LRVOLUME) ? v * 0x10001 : v;
    if (waveOutSetVolume(p->device, volume) != MMSYSERR_NOERROR) return HAL_MALFORMED;
    postEvent(p, HAL_PLAYER_VOLUME_CHANGED, eventTime(p));
    return HAL_OK;
}

void HAL_stopAllPlayers() {
    // A stop never closes, so the list stays as it is during the walk.
    for (size_t i = 0; i < players.size(); ++i) HAL_stopPlayer(players[i]);
}

void HAL_setPlayerEventHook(void* context, HAL_PlayerEventHook hook) {
    eventContext = context;
    eventHook = hook;
}

size_t HAL_getPlayerCount() { return players.size(); }

bool HAL_isPlayerListed(const NativePlayer* player) {
    for (NativePlayer* p : players)
        if (p == player) return true;
    return false;
}
