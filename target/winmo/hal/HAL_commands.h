// Native commands: the bridge's record behind a MIDP Command (its own copy of
// the label, the command type and the priority), which a displayable hands
// to its native counterpart. And the serial-run hand-off, which this
// platform accepts and never runs.
#pragma once

#include <cstdint>

#include "VMTypes.h"

class NativeString;

struct NativeCommand {
    // Takes its own copy of the label; false when memory runs out.
    bool init(const jchar* label, jint length, jint type, jint priority);
    // Drops the label.
    void clear();

    NativeString* label = nullptr;
    jint type = 0;
    jint priority = 0;
};

// A new record holding a copy of the label: HAL_BAD_ARGUMENT for null label
// characters or when the record can't be had (nothing stored then); else 0
// with the record in `*out` when `out` is given.
int32_t HAL_createCommand(NativeCommand** out, const jchar* label, jint length, jint type,
                          jint priority);
// Frees the record and its label; HAL_BAD_ARGUMENT for null.
int32_t HAL_deleteCommand(NativeCommand* command);

// The routine and its argument would be run later on the UI thread; this
// platform has no such queue, so nothing is ever run. 0.
using HAL_SerialRoutine = void (*)(intptr_t argument);
int32_t HAL_callSerially(HAL_SerialRoutine routine, intptr_t argument);
