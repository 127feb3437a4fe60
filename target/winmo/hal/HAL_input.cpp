#include "HAL_input.h"

#include <cstdlib>
#include <new>

#include "HAL_devicelibs.h"
#include "HAL_host.h"
#include "HAL_properties.h"
#include "VMClock.h"

using namespace ce;

namespace {

// Bit n is game action n. Read and written under the VM lock only.
uint32_t pressedActions = 0;
uint32_t releasedActions = 0;

template <class T>
T* allocateTable(const char* failure) {
    T* table = new (std::nothrow) T[256]();
    if (!table) vmFatalError(failure);
    return table;
}

bool isWheelCandidate(WPARAM vk) { return vk == VK_UP || vk == VK_DOWN; }

bool wheelKey(WPARAM vk, LPARAM lParam) {
    return isWheelCandidate(vk) && SamsungSdk_isWheelKey(UINT(vk), UINT((lParam >> 16) & 0xFF));
}

const char16_t* nameOfVirtualKey(jint vk) {
    switch (vk) {
        case 0: return u"Unknown";
        case 13: return u"Action";
        case 27: return u"Back";
        case 37: return u"Left";
        case 38: return u"Up";
        case 39: return u"Right";
        case 40: return u"Down";
        case 91: return u"Home screen";
        case 112: return u"Softkey 1";
        case 113: return u"Softkey 2";
        case 114: return u"Talk";
        case 115: return u"End";
        case 117: return u"Volume Up";
        case 118: return u"Volume Down";
        case 119: return u"*";
        case 120: return u"#";
        case 121: return u"Record";
        case 122: return u"Symbol";
        case 127: return u"Speakerphone";
        case 128: return u"Flip";
        case 129: return u"Power";
        case 130: return u"Red";
        case 131: return u"Arrow Rocker";
        case 132: return u"Arrow D-Pad";
        case 134: return u"Action Rocker";
        case 135: return u"Voice Dial";
        default: return nullptr;
    }
}

jint virtualKeyOfCode(jint code) {
    switch (code) {
        case -28: case -5: return 13;
        case -27: case -4: return 39;
        case -26: case -3: return 37;
        case -25: case -2: return 40;
        case -24: case -1: return 38;
        case -23: return 44;
        case -22: return 181;
        case -21: return 127;
        case -20: return 172;
        case -17: case -16: return 0;
        case -15: return 173;
        case -14: return 118;
        case -13: return 117;
        case -12: return 91;
        case -11: return 115;
        case -10: return 114;
        case -9: return 27;
        case -8: return 12;
        case -7: return 113;
        case -6: return 112;
        case 35: return 120;
        case 42: return 119;
        case 9: case 27: case 32: return code;
        default: break;
    }
    if (code >= 48 && code <= 57) return code - 48 + 96;
    if (code >= 'A' && code <= 'Z') return code;
    return code + 1500;
}

}  // namespace

jint keyCodeForVirtualKey(uint32_t vk, bool wheel) {
    if (vk >= '0' && vk <= '9') vk = VK_NUMPAD0 + (vk - '0');
    switch (vk) {
        case 0: return 0;
        case VK_BACK: case VK_ESCAPE: return -9;
        case VK_CLEAR: return -8;
        case VK_RETURN: case VK_SELECT: return wheel ? -28 : -5;
        case VK_MENU: case VK_HOME: case VK_LWIN: case VK_LMENU: case VK_RMENU: return -12;
        case VK_END: return 35;
        case VK_LEFT: return wheel ? -26 : -3;
        case VK_UP: return wheel ? -24 : -1;
        case VK_RIGHT: return wheel ? -27 : -4;
        case VK_DOWN: return wheel ? -25 : -2;
        case VK_PRINT: case VK_MULTIPLY: case VK_F8: return 42;
        case VK_SNAPSHOT: return -23;
        case VK_DELETE: return 127;
        case VK_ADD: return 43;
        case VK_SEPARATOR: return 124;
        case VK_SUBTRACT: case VK_OEM_MINUS: return 45;
        case VK_DECIMAL: case VK_OEM_PERIOD: return 46;
        case VK_DIVIDE: case VK_OEM_2: return 47;
        case VK_F1: return -6;
        case VK_F2: return -7;
        case VK_F3: return -10;
        case VK_F4: return -11;
        case VK_F6: case 175: return -13;
        case VK_F7: case 174: return -14;
        case VK_F9: return 35;
        case VK_F16: return -21;
        case 170: case 171: case 172: return -20;
        case 173: return -15;
        case 179: case 181: return -22;
        case VK_OEM_1: return 59;
        case VK_OEM_PLUS: return 61;
        case VK_OEM_COMMA: return 44;
        case VK_OEM_3: return 34;
        case VK_OEM_4: return 91;
        case VK_OEM_5: return 92;
        case VK_OEM_6: return 93;
        case VK_OEM_7: return 39;
        case VK_SPACE: case VK_TAB: return jint(vk);
        default: break;
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return jint(vk - VK_NUMPAD0 + 48);
    if (vk >= 'A' && vk <= 'Z') return jint(vk);
    return jint(vk - 1500);
}

jint HAL_getKeyCode(jint gameAction) {
    switch (gameAction) {
        case 1: return -1;
        case 2: return -3;
        case 5: return -4;
        case 6: return -2;
        case 8: return -5;
        default: return 0;
    }
}

jint HAL_getGameAction(jint keyCode) {
    switch (keyCode) {
        case -1: return 1;
        case -3: return 2;
        case -4: return 5;
        case -2: return 6;
        case -5: return 8;
        default: return 0;
    }
}

int32_t HAL_getKeyName(jint keyCode, jchar* buffer, jint* length) {
    if (!buffer || !length) return 0;
    jint capacity = *length;
    if (capacity > 0) buffer[0] = 0;
    *length = 0;
    const char16_t* name = nameOfVirtualKey(virtualKeyOfCode(keyCode));
    if (!name) return 1;
    jint n = 0;
    while (name[n] && n < capacity - 1) {
        buffer[n] = name[n];
        ++n;
    }
    if (capacity > 0) buffer[n] = 0;
    *length = n;
    return 1;
}

uint32_t HAL_getKeyStates() {
    uint32_t result = pressedActions;
    pressedActions &= ~releasedActions;
    releasedActions = 0;
    return result;
}

// --- key state ---------------------------------------------------------------------------

KeyState::KeyState(HWND window)
    : window_(window),
      status_(allocateTable<uint8_t>("Unable to allocate key status array")),
      chars_(allocateTable<uint32_t>("Unable to allocate key char array")),
      shiftChars_(allocateTable<uint32_t>("Unable to allocate key shift char array")) {}

KeyState::~KeyState() {
    delete[] status_;
    delete[] chars_;
    delete[] shiftChars_;
}

void KeyState::keyDown(WPARAM vk, LPARAM lParam) {
    uint32_t now = vmTickCount();
    bool wheel = wheelKey(vk, lParam);
    bool shift = status_[VK_SHIFT] != 0;
    if (vk < 256) status_[vk] = shift ? 1 : 2;
    bool repeat = (lParam >> 30) & 1;
    if (throttling_ && (!repeat || vk != lastKey_)) {
        throttling_ = false;
        throttleStart_ = 0;
    }
    if (!throttling_ && repeat && lastWasRepeat_ && vk == lastKey_) {
        // The second repeat of a held key: from the first repeat on, the
        // next 100 ms of repeats are dropped.
        throttling_ = true;
        throttleStart_ = lastKeyTime_;
    }
    lastKey_ = vk;
    lastKeyTime_ = now;
    keyIsDown_ = true;
    lastWasRepeat_ = repeat;
    if (repeat && throttling_ && now - throttleStart_ < 100) {
        pendingChar_ = 0;
        return;
    }
    post(vk, true, repeat ? VM_EVENT_KEY_REPEATED : VM_EVENT_KEY_PRESSED, shift, wheel);
}

void KeyState::keyUp(WPARAM vk, LPARAM lParam) {
    uint32_t now = vmTickCount();
    bool wheel = wheelKey(vk, lParam);
    bool shift = status_[VK_SHIFT] != 0;
    if (vk < 256) {
        if (status_[vk] == 0) {
            // No press was seen (it went to another window): report one.
            keyDown(vk, lParam & 0x01FF0000);
        } else {
            shift = status_[vk] == 1;
        }
        status_[vk] = 0;
    }
    lastKeyTime_ = now;
    throttling_ = false;
    throttleStart_ = 0;
    lastKey_ = vk;
    keyIsDown_ = false;
    lastWasRepeat_ = false;
    post(vk, false, VM_EVENT_KEY_RELEASED, shift, wheel);
}

void KeyState::character(uint32_t c) {
    if (!pendingChar_) pendingChar_ = c;
}

void KeyState::post(WPARAM vk, bool down, jint kind, bool shift, bool wheel) {
    uint32_t* table = shift ? shiftChars_ : chars_;
    jint code;
    if (pendingChar_) {
        code = jint(pendingChar_);
        pendingChar_ = 0;
        if (vk < 256) table[vk] = uint32_t(code);
    } else {
        code = vk < 256 ? jint(table[vk]) : 0;
    }
    if (!code) code = keyCodeForVirtualKey(uint32_t(vk), wheel);
    if (!code) return;
    jint action = HAL_getGameAction(code);
    if (action > 0 && action < 32) (down ? pressedActions : releasedActions) |= uint32_t(1) << action;
    intptr_t args[1] = {code};
    postHostEvent(kind, 1, args, true);
}

// --- pointer state -------------------------------------------------------------------------

void PointerState::readIgnoreList() {
    ignoring_ = false;
    pairs_ = 0;
    if (!isDeviceConfigEnabled(DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS)) return;
    jint count = 16;
    if (!getDeviceConfigList(DEVICE_CONFIG_IGNORE_SOME_POINTER_EVENTS, u"WHERE", ignore_, &count))
        return;
    if (count >= 2) {
        ignoring_ = true;
        pairs_ = count / 2;
    }
}

bool PointerState::ignored(int16_t x, int16_t y) const {
    if (!ignoring_) return false;
    for (jint i = 0; i < pairs_; ++i)
        if (ignore_[2 * i] == x && ignore_[2 * i + 1] == y) return true;
    return false;
}

void PointerState::down(int16_t x, int16_t y) {
    if (ignored(x, y)) return;
    pressed_ = true;
    post(VM_EVENT_POINTER_PRESSED, x, y);
}

void PointerState::up(int16_t x, int16_t y) {
    if (ignored(x, y)) return;
    if (!pressed_) post(VM_EVENT_POINTER_PRESSED, x, y);
    pressed_ = false;
    post(VM_EVENT_POINTER_RELEASED, x, y);
}

void PointerState::move(int16_t x, int16_t y) {
    if (!pressed_) post(VM_EVENT_POINTER_PRESSED, x, y);
    pressed_ = true;
    post(VM_EVENT_POINTER_DRAGGED, x, y);
}

void PointerState::post(jint kind, int16_t x, int16_t y) {
    uint32_t now = vmTickCount();
    if (now - lastTime_ < 30 && kind == lastKind_ && std::abs(x - lastX_) < 5 &&
        std::abs(y - lastY_) < 5)
        return;
    lastKind_ = kind;
    lastX_ = x;
    lastY_ = y;
    lastTime_ = now;
    intptr_t args[2] = {x, y};
    postHostEvent(kind, 2, args, true);
}
