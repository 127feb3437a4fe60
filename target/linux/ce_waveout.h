// Wave output as the host uses it: open a handle on a format, prepare
// headers, write them (looping a run of headers when asked), pause, restart,
// reset, close, read the position in bytes, set the volume per handle and
// read the device's capabilities; a function callback hears when a header is
// done. Our own declarations of the platform's names and values.
//
// Behind it: one SDL2 audio device (44100 Hz stereo, 16-bit), opened on the
// first waveOutOpen and shared by every handle, and our own mixer that adds
// up every open handle, each converted from its own rate and sample format
// and scaled by its own volume, clipped to 16 bits. MIDI streams (format tag
// WAVE_FORMAT_MIDI) are rendered by FluidSynth with the General MIDI
// soundfont in kSoundFontPath. When no audio device opens, waveOutOpen
// fails with MMSYSERR_NODRIVER and the caller goes on without sound.
//
// Threads: every call may be made from any thread. WOM_DONE callbacks run on
// the stand-in's own callback thread, never with the mixer's lock held, in
// the order the headers finished; WOM_OPEN and WOM_CLOSE run on the calling
// thread before waveOutOpen and waveOutClose return. waveOutReset and
// waveOutClose deliver every callback still owed for the handle before they
// return (on the calling thread, after waiting for one that is already
// running), so that no callback for a header or handle arrives after the
// caller has reused or freed it. A callback must therefore not wait for
// anything the caller of those two functions may hold, and must not call
// waveOut functions itself (as on the platform).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ce_win32.h"

namespace ce {

using MMRESULT = UINT;
using DWORD_PTR = uintptr_t;
using LPSTR = char*;

struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;

// Result codes.
enum : MMRESULT {
    MMSYSERR_NOERROR = 0,
    MMSYSERR_ERROR = 1,
    MMSYSERR_BADDEVICEID = 2,
    MMSYSERR_INVALHANDLE = 5,
    MMSYSERR_NODRIVER = 6,
    MMSYSERR_NOMEM = 7,
    MMSYSERR_NOTSUPPORTED = 8,
    MMSYSERR_INVALFLAG = 10,
    MMSYSERR_INVALPARAM = 11,
    WAVERR_BADFORMAT = 32,
    WAVERR_STILLPLAYING = 33,
    WAVERR_UNPREPARED = 34,
};

// The device that picks a real one for the format; device 0 is the same.
constexpr UINT WAVE_MAPPER = UINT(-1);

// Format tags.
enum : WORD {
    WAVE_FORMAT_PCM = 1,
    // A MIDI event stream (WAVEFORMAT_MIDI, records below).
    WAVE_FORMAT_MIDI = 0x3000,
};

// Natural alignment: 18 bytes of fields, sizeof 20. A format with cbSize
// extra bytes has them after the 18 bytes, at the next aligned field (see
// WAVEFORMAT_MIDI).
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

// The MIDI stream format. wfx: wFormatTag WAVE_FORMAT_MIDI, cbSize at least
// WAVEFORMAT_MIDI_EXTRASIZE; the other fields of wfx are not used (the host
// writes nChannels 1, nSamplesPerSec 32, nAvgBytesPerSec 32, nBlockAlign 8,
// wBitsPerSample 16). One tick lasts USecPerQuarterNote /
// TicksPerQuarterNote microseconds (the host sets both from the file's
// division so that a tick is one millisecond).
//
// The data written is a run of 8-byte WAVEFORMAT_MIDI_MESSAGE records in
// native (little-endian) byte order: DeltaTicks, the ticks to wait after
// the previous record (or after the start of the stream), then MidiMsg, a
// short channel message: status | data1 << 8 | data2 << 16 (the high byte is
// ignored). Note on/off, key pressure, controller, program change, channel
// pressure and pitch bend are played; other statuses are skipped. A
// header's trailing bytes short of a record are skipped. The position in
// bytes counts the records played (8 bytes each).
struct WAVEFORMAT_MIDI {
    WAVEFORMATEX wfx;
    DWORD USecPerQuarterNote;
    DWORD TicksPerQuarterNote;
};
constexpr WORD WAVEFORMAT_MIDI_EXTRASIZE = WORD(sizeof(WAVEFORMAT_MIDI) - 18);
static_assert(WAVEFORMAT_MIDI_EXTRASIZE == 10, "the host writes cbSize 10");

struct WAVEFORMAT_MIDI_MESSAGE {
    DWORD DeltaTicks;
    DWORD MidiMsg;
};

// Header flags.
enum : DWORD {
    WHDR_DONE = 0x01,       // set when the device gives the header back
    WHDR_PREPARED = 0x02,   // set by waveOutPrepareHeader
    WHDR_BEGINLOOP = 0x04,  // first header of a loop; its dwLoops counts the plays
    WHDR_ENDLOOP = 0x08,    // last header of a loop (may be the same header)
    WHDR_INQUEUE = 0x10,    // written and not yet done
};

// One buffer of data. The caller keeps the header and its data alive and
// unchanged from waveOutWrite until the header is done (WHDR_DONE, or the
// WOM_DONE callback, or waveOutReset returned).
struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;  // in bytes; only whole blocks (nBlockAlign) play
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    // On a WHDR_BEGINLOOP header: how many times the loop plays in all
    // (0 plays it once, as 1 does).
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};

// Time formats. waveOutGetPosition answers in TIME_BYTES whatever is asked,
// and says so in wType.
enum : UINT {
    TIME_MS = 0x0001,
    TIME_SAMPLES = 0x0002,
    TIME_BYTES = 0x0004,
    TIME_TICKS = 0x0020,
};

struct MMTIME {
    UINT wType;
    union {
        DWORD ms;
        DWORD sample;
        DWORD cb;
        DWORD ticks;
    } u;
};

constexpr int MAXPNAMELEN = 32;

// Device capabilities.
enum : DWORD {
    WAVECAPS_VOLUME = 0x0004,
    WAVECAPS_LRVOLUME = 0x0008,
};
// Format bits of dwFormats: 11.025, 22.05 and 44.1 kHz, mono and stereo,
// 8 and 16 bits.
enum : DWORD {
    WAVE_FORMAT_1M08 = 0x00000001,
    WAVE_FORMAT_1S08 = 0x00000002,
    WAVE_FORMAT_1M16 = 0x00000004,
    WAVE_FORMAT_1S16 = 0x00000008,
    WAVE_FORMAT_2M08 = 0x00000010,
    WAVE_FORMAT_2S08 = 0x00000020,
    WAVE_FORMAT_2M16 = 0x00000040,
    WAVE_FORMAT_2S16 = 0x00000080,
    WAVE_FORMAT_4M08 = 0x00000100,
    WAVE_FORMAT_4S08 = 0x00000200,
    WAVE_FORMAT_4M16 = 0x00000400,
    WAVE_FORMAT_4S16 = 0x00000800,
};

struct WAVEOUTCAPS {
    WORD wMid;
    WORD wPid;
    DWORD vDriverVersion;
    WCHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;  // WAVECAPS_VOLUME | WAVECAPS_LRVOLUME here
};

// waveOutOpen's fdwOpen.
enum : DWORD {
    CALLBACK_NULL = 0x00000000,
    CALLBACK_FUNCTION = 0x00030000,
};

// Callback messages. dwParam1 of WOM_DONE is the WAVEHDR*.
enum : UINT {
    WOM_OPEN = 0x3BB,
    WOM_CLOSE = 0x3BC,
    WOM_DONE = 0x3BD,
};

using WAVEOUTPROC = void (*)(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                             DWORD_PTR param2);

// The General MIDI soundfont that renders MIDI streams.
constexpr const char* kSoundFontPath = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Opens a handle on device WAVE_MAPPER or 0 (others: MMSYSERR_BADDEVICEID).
// PCM: 1 or 2 channels, 8 (unsigned) or 16 (signed) bits, 1..384000 Hz,
// nBlockAlign = channels × bits / 8, nAvgBytesPerSec = nBlockAlign × rate;
// anything else is WAVERR_BADFORMAT, as is a MIDI format whose cbSize is
// short or whose tempo fields are 0. A null format or out pointer is
// MMSYSERR_INVALPARAM. fdwOpen is CALLBACK_NULL or CALLBACK_FUNCTION
// (callback: a WAVEOUTPROC, called with `instance`; null is
// MMSYSERR_INVALPARAM); other flags are MMSYSERR_INVALFLAG. No audio
// device, or a MIDI stream when the soundfont cannot be loaded:
// MMSYSERR_NODRIVER. WOM_OPEN is sent before it returns. The new handle
// plays (is not paused), position 0, volume 0xFFFFFFFF.
MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format,
                     DWORD_PTR callback, DWORD_PTR instance, DWORD fdwOpen);
// Sets WHDR_PREPARED (and clears WHDR_DONE). A header in the queue:
// WAVERR_STILLPLAYING. A null header, null data with a length, or size
// below sizeof(WAVEHDR): MMSYSERR_INVALPARAM.
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
// Clears WHDR_PREPARED. A header in the queue: WAVERR_STILLPLAYING.
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* header, UINT size);
// Queues a prepared header (else WAVERR_UNPREPARED; one already queued:
// WAVERR_STILLPLAYING): WHDR_DONE cleared, WHDR_INQUEUE set. Headers play in
// the order written. A WHDR_BEGINLOOP header starts a loop that runs through
// the next WHDR_ENDLOOP header and plays dwLoops times; headers inside a loop
// are done together when the loop has ended. Each done header gets WHDR_DONE
// (WHDR_INQUEUE cleared) and a WOM_DONE callback.
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size);
// Holds playback where it is; queued and later written headers wait.
MMRESULT waveOutPause(HWAVEOUT device);
// Resumes after waveOutPause.
MMRESULT waveOutRestart(HWAVEOUT device);
// Stops playback: every queued header is done (WOM_DONE each, delivered
// before the call returns), position back to 0, the handle no longer paused,
// a MIDI stream's sounds silenced.
MMRESULT waveOutReset(HWAVEOUT device);
// Closes the handle (WOM_CLOSE sent before it returns). Headers still queued:
// WAVERR_STILLPLAYING and the handle stays open.
MMRESULT waveOutClose(HWAVEOUT device);
// Bytes played since the open or the last reset, loops counted every time
// round (32 bits, wrapping), in TIME_BYTES. A null time or size below
// sizeof(MMTIME): MMSYSERR_INVALPARAM.
MMRESULT waveOutGetPosition(HWAVEOUT device, MMTIME* time, UINT size);
// The handle's volume: left in the low word, right in the high word.
MMRESULT waveOutGetVolume(HWAVEOUT device, DWORD* volume);
// Sets the handle's volume (0xFFFF is full, 0 silent; applied to the next
// samples mixed).
MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume);
// `deviceId`: WAVE_MAPPER, 0, or an open handle cast to UINT_PTR (others:
// MMSYSERR_BADDEVICEID). Does not need the audio device to open.
MMRESULT waveOutGetDevCaps(UINT_PTR deviceId, WAVEOUTCAPS* caps, UINT size);

// --- stand-in only ------------------------------------------------------------

// The end of the process, as the device's own would do it: the audio device
// is closed and SDL's audio stops, so that nothing SDL allocated for it is
// left behind. Open handles go silent but stay valid for the calls that need
// no device (reset, close); every later waveOutOpen fails with
// MMSYSERR_NODRIVER. Call once no thread plays any more.
void closeAudioDevice();

// Tests and headless drivers.
namespace fake {

// Manual audio: no SDL device; the mix advances only through renderAudio.
// Switching needs every handle closed (false otherwise). Off by default.
bool useManualAudio(bool manual);
// Renders `frames` stereo frames (interleaved 16-bit) of the current mix into
// `out` (may be null to discard) and queues the callbacks that are due.
// Only in manual mode (false otherwise).
bool renderAudio(int16_t* out, size_t frames);
// Waits until every callback queued so far has been delivered.
void flushAudioCallbacks();
// The next device opens fail as if no audio device existed (an open device
// is not touched).
void failAudioDevice(bool fail);
// Open handles.
int openWaveHandles();
// The mixer's output rate in frames per second.
uint32_t mixRate();

}  // namespace fake

}  // namespace ce
