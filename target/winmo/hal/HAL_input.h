// Keys and the stylus: the virtual-key to MIDP key-code table, game actions
// and key names, the canvas's key state (typed characters, the repeat
// throttle) and pointer state (the drag filter and the device's list of
// phantom touch points), and the game-action key-state masks.
#pragma once

#include <cstdint>

#include "VMTypes.h"
#include "ce_win32.h"

// The MIDP key code of a virtual key (the wheel codes for the Samsung wheel
// keys); 0 for none.
jint keyCodeForVirtualKey(uint32_t virtualKey, bool wheel);

// UP 1 → -1, LEFT 2 → -3, RIGHT 5 → -4, DOWN 6 → -2, FIRE 8 → -5, else 0.
jint HAL_getKeyCode(jint gameAction);
// The inverse; every other code (the wheel codes too) has no action.
jint HAL_getGameAction(jint keyCode);
// The key's name: `*length` is the buffer's capacity in units on entry and
// the name's length on return (0 for a key without one). The name and a
// terminating NUL are written as far as the capacity allows. 1, or 0 when
// the buffer or the length is null.
int32_t HAL_getKeyName(jint keyCode, jchar* buffer, jint* length);
// The actions pressed since the last call; those released since are then
// dropped from the pressed mask.
uint32_t HAL_getKeyStates();

class KeyState {
public:
    explicit KeyState(ce::HWND window);
    ~KeyState();
    KeyState(const KeyState&) = delete;
    KeyState& operator=(const KeyState&) = delete;

    void keyDown(ce::WPARAM virtualKey, ce::LPARAM lParam);
    void keyUp(ce::WPARAM virtualKey, ce::LPARAM lParam);
    // WM_CHAR: the next key message reports this character.
    void character(uint32_t c);

private:
    void post(ce::WPARAM virtualKey, bool down, jint kind, bool shift, bool wheel);

    ce::HWND window_;
    uint8_t* status_;         // per virtual key: 0 up, 1 down with shift, 2 down without
    uint32_t* chars_;         // last character each key typed without shift
    uint32_t* shiftChars_;    // ... and with shift
    uint32_t pendingChar_ = 0;
    bool throttling_ = false;
    uint32_t throttleStart_ = 0;
    ce::WPARAM lastKey_ = 0;
    uint32_t lastKeyTime_ = 0;
    bool keyIsDown_ = false;
    bool lastWasRepeat_ = false;
};

class PointerState {
public:
    // Reads the device's list of touch points to ignore.
    void readIgnoreList();
    void down(int16_t x, int16_t y);
    void up(int16_t x, int16_t y);
    void move(int16_t x, int16_t y);

private:
    bool ignored(int16_t x, int16_t y) const;
    void post(jint kind, int16_t x, int16_t y);

    jint lastKind_ = 0;
    int16_t lastX_ = 0;
    int16_t lastY_ = 0;
    uint32_t lastTime_ = 0;
    bool ignoring_ = false;
    jint pairs_ = 0;
    jint ignore_[16] = {};
    bool pressed_ = false;
};
