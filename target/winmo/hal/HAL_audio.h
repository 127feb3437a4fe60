// Native players: each plays one in-memory clip (PCM WAV, or a single-track
// MIDI file converted to the MIDI stream format) through its own wave-output
// handle. The media player class drives them; every operation runs under the
// VM lock, except the device callback, which only marks a started player as
// ended.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "VMTypes.h"
#include "ce_waveout.h"

// Content-type codes the host knows (shared with the media Manager).
enum : jint {
    HAL_CONTENT_NONE = 1,  // no type given: played as WAV
    HAL_CONTENT_WAV = 2,
    HAL_CONTENT_MIDI = 6,
};
// Locator protocol codes the host can read.
enum : jint {
    HAL_PROTOCOL_FILE = 4,
    HAL_PROTOCOL_JAR = 5,
};

// Player events, as the event hook receives them.
enum : jint {
    HAL_PLAYER_STARTED = 0,
    HAL_PLAYER_STOPPED = 1,
    HAL_PLAYER_END_OF_MEDIA = 2,
    HAL_PLAYER_DEALLOCATED = 4,
    HAL_PLAYER_VOLUME_CHANGED = 5,
    HAL_PLAYER_CLOSED = 6,
    HAL_PLAYER_MEDIA_TIME_SET = 7,
};

struct NativePlayer {
    // Native states; the state query folds them into realized (0),
    // prefetched (1) and started (2).
    enum : int32_t {
        REALIZED = 0,
        PREFETCHED = 1,
        STARTED = 2,
        STOPPED = 3,
        ENDED = 4,
        DEALLOCATING = 5,
    };

    ce::HWAVEOUT device = nullptr;
    // What waveOutOpen was given: wfx alone for WAV, all of it for MIDI.
    ce::WAVEFORMAT_MIDI format{};
    // The whole clip, with the loop flags and count; each start builds the
    // live header from it.
    ce::WAVEHDR savedHeader{};
    // The header prepared and written to the device.
    ce::WAVEHDR liveHeader{};
    jint contentType = 0;
    jlong duration = 0;     // µs; 0 for MIDI
    jlong startOffset = 0;  // µs: where the next start begins
    // Written by the device callback's thread too.
    std::atomic<int32_t> state{REALIZED};
    // The WAV file or the MIDI event records; owned.
    uint8_t* clip = nullptr;
    size_t clipLength = 0;
    void (*releaseClip)(void*) = nullptr;
};

// Makes a player over a private copy of `length` bytes: content type 1 or 2
// a WAV player, 6 a MIDI player. `loops` counts the extra plays, -1 endless.
// HAL_NOT_SUPPORTED for another content type or a MIDI file with more than
// one track or an SMPTE (or zero) division; HAL_MALFORMED for a clip that is
// not PCM WAV or a MIDI file cut short of its headers, and when the device
// will not open; HAL_OUT_OF_MEMORY; HAL_BAD_ARGUMENT for null pointers, a
// negative length or loops below -1. On failure *player is null and nothing
// remains.
int32_t HAL_createPlayerWithData(NativePlayer** player, const uint8_t* data, jint length,
                                 jint contentType, jint loops);
// Makes a WAV player over a file (protocol 4: the characters after the
// first two, "//", name it) or a resource (protocol 5: the characters name
// it). HAL_NOT_SUPPORTED for a content type other than 1 or 2;
// HAL_BAD_ARGUMENT for another protocol; HAL_NOT_FOUND for a file that
// can't be opened; HAL_IO_ERROR for an empty or unreadable one; the
// resource reader's status for a resource; then as above.
int32_t HAL_createPlayerWithLocator(NativePlayer** player, jint protocol, const jchar* chars,
                                    jint count, jint contentType, jint loops);
jboolean HAL_isContentTypeSupported(jint code);
jboolean HAL_isProtocolSupported(jint code);

// Every operation below returns HAL_BAD_ARGUMENT for a null player or out
// pointer, and HAL_MALFORMED when the device fails.
int32_t HAL_prefetchPlayer(NativePlayer* player);
// Starts from the media time last set (whole seconds of it for WAV).
int32_t HAL_startPlayer(NativePlayer* player);
int32_t HAL_stopPlayer(NativePlayer* player);
int32_t HAL_deallocatePlayer(NativePlayer* player);
// Frees the player; on a device failure it stays open and listed.
int32_t HAL_closePlayer(NativePlayer* player);
// Extra plays from the next start on; -1 endless, below -1 HAL_BAD_ARGUMENT.
int32_t HAL_setPlayerLoopCount(NativePlayer* player, jint loops);
// Where the next start begins, 0..duration µs (else HAL_BAD_ARGUMENT).
int32_t HAL_setPlayerMediaTime(NativePlayer* player, jlong micros);
// The position in µs; HAL_NOT_SUPPORTED when the device answers in another
// time format; -1 on a device failure.
int32_t HAL_getPlayerMediaTime(NativePlayer* player, jlong* micros);
// The clip's length in µs (0 for MIDI).
int32_t HAL_getPlayerDuration(NativePlayer* player, jlong* micros);
// 0 realized, 1 prefetched (also stopped, ended, deallocated), 2 started.
int32_t HAL_getPlayerState(NativePlayer* player, jint* state);
int32_t HAL_getPlayerContentType(NativePlayer* player, jint* code);
// 0..100 from the right channel; HAL_NOT_SUPPORTED without volume control.
int32_t HAL_getPlayerVolume(NativePlayer* player, jint* level);
int32_t HAL_setPlayerVolume(NativePlayer* player, jint level);

// The host going to the background: every listed player stops, in list order.
void HAL_stopAllPlayers();

// The event hook: (context, player, event, media time in µs or 0, 0). Null
// removes it. Events from the device callback come on its thread.
using HAL_PlayerEventHook = void (*)(void* context, NativePlayer* player, jint event,
                                     jlong mediaTime, jint reserved);
void HAL_setPlayerEventHook(void* context, HAL_PlayerEventHook hook);

// The player list, for tests.
size_t HAL_getPlayerCount();
bool HAL_isPlayerListed(const NativePlayer* player);
