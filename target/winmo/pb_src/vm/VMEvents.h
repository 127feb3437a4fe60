// The kinds of event the host posts to the runtime's dispatcher, with the
// arguments each carries, and the listener masks over them. The host posts
// these numbers and the runtime's listeners switch on them, so both take
// them from here. The numbers are the platform's own: never renumber them.
// This host posts neither the time-zone, the paint nor the command event;
// their listeners handle them all the same.
#pragma once

#include <cstdint>

#include "VMTypes.h"

enum VMEventKind : jint {
    VM_EVENT_PAUSE = 1,              // none
    VM_EVENT_RESUME = 2,             // none
    VM_EVENT_DESTROY = 3,            // none
    VM_EVENT_TIME_ZONE_CHANGED = 4,  // none
    VM_EVENT_DISPLAY = 5,            // the displayable's id
    VM_EVENT_SIZE_CHANGED = 6,       // the displayable's id, width, height
    VM_EVENT_PAINT = 7,              // a native graphics context, the displayable's id
    VM_EVENT_KEY_PRESSED = 8,        // the key code
    VM_EVENT_KEY_RELEASED = 9,       // the key code
    VM_EVENT_KEY_REPEATED = 10,      // the key code
    VM_EVENT_POINTER_PRESSED = 11,   // x, y
    VM_EVENT_POINTER_RELEASED = 12,  // x, y
    VM_EVENT_POINTER_DRAGGED = 13,   // x, y
    VM_EVENT_COMMAND = 15,           // the native command's id
};

// A listener's mask has bit k set for each kind k it wants, so only kinds
// below this have a bit; any other kind reaches nobody.
constexpr jint VM_EVENT_MASK_BITS = 32;

constexpr uint32_t vmEventMask(jint kind) { return uint32_t(1) << kind; }

// The Display's mask: every kind from 0 to 30.
constexpr uint32_t VM_EVENT_MASK_ALL = 0x7FFFFFFF;
