#include "HAL_commands.h"

#include <new>

#include "HAL_memory.h"
#include "HAL_status.h"
#include "HAL_strings.h"

bool NativeCommand::init(const jchar* text, jint length, jint commandType, jint commandPriority) {
    NativeString* copy = NativeString::fromChars(text, length);
    if (!copy) return false;
    clear();
    label = copy;
    type = commandType;
    priority = commandPriority;
    return true;
}

void NativeCommand::clear() {
    if (label) label->release();
    label = nullptr;
}

int32_t HAL_createCommand(NativeCommand** out, const jchar* label, jint length, jint type,
                          jint priority) {
    if (!label) return HAL_BAD_ARGUMENT;
    // The label passes through a temporary native string on its way into the
    // record, which keeps a copy of its own.
    NativeString* temporary = NativeString::fromChars(label, length);
    if (!temporary) return HAL_BAD_ARGUMENT;
    void* block = HAL_allocNative(sizeof(NativeCommand));
    NativeCommand* command = block ? new (block) NativeCommand() : nullptr;
    bool made = command && command->init(temporary->buffer(), temporary->length(), type, priority);
    temporary->release();
    if (!made) {
        if (command) {
            command->~NativeCommand();
            HAL_freeNative(block);
        }
        return HAL_BAD_ARGUMENT;
    }
    if (out) {
        *out = command;
    } else {
        // Nobody could ever free a record whose handle goes nowhere.
        HAL_deleteCommand(command);
    }
    return HAL_OK;
}

int32_t HAL_deleteCommand(NativeCommand* command) {
    if (!command) return HAL_BAD_ARGUMENT;
    command->clear();
    command->~NativeCommand();
    HAL_freeNative(command);
    return HAL_OK;
}

int32_t HAL_callSerially(HAL_SerialRoutine, intptr_t) {
    return HAL_OK;
}
