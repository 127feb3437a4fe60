// The program's entry until the host exists: boots the runtime with every
// registered class and reports what it holds.
#include <cstdio>

#include "HAL_threads.h"
#include "VM.h"
#include "VMClass.h"
#include "VMHeap.h"

int main() {
    HAL_enterVMLock();
    int result = VM::start(4u << 20, 32u << 20, NativeThread_adoptCurrent(), nullptr, 0);
    if (result != VM::INITIALIZATION_FAILED && result != VM::BOOTED) {
        std::fprintf(stderr, "start-up failed (%d)\n", result);
        return 1;
    }
    std::printf("runtime booted: %zu classes registered, %llu bytes in use\n", vmClassCount(),
                static_cast<unsigned long long>(vmHeapState().used));
    return 0;
}
