// Every test process boots one VM, then checks the heap after each
// collection: a live object whose marked reference leads to a freed object
// stops the run.
#include <gtest/gtest.h>

#include "HAL_threads.h"
#include "VM.h"
#include "VMHeap.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    vmSetHeapCheck(true);
    // The test thread runs Java code, so it holds the VM lock like any such
    // thread; blocking calls give it up and take it back.
    HAL_enterVMLock();
    int booted = VM::start(8u << 20, 256u << 20, NativeThread_adoptCurrent(), nullptr, 0);
    if (booted != VM::INITIALIZATION_FAILED) {
        std::fprintf(stderr, "runtime start-up failed: %d\n", booted);
        return 1;
    }
    return RUN_ALL_TESTS();
}
