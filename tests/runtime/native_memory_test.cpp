// Counted native blocks: the byte counter that the heap limit reads, and
// what a failed allocation tries before it gives up.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "HAL_memory.h"
#include "HAL_threads.h"
#include "VM.h"
#include "VMHeap.h"
#include "runtime/vm_test_support.h"
#include "runtime/wren_test_Node.h"

using wren::test::collectionCount;
using wren::test::Node;

namespace {

// Both allocate/free pairs promise the same behaviour.
struct Allocator {
    const char* name;
    void* (*allocate)(size_t);
    void (*release)(void*);
};
const Allocator kAllocators[] = {
    {"native", &HAL_allocNative, &HAL_freeNative},
    {"pixels", &HAL_allocPixels, &HAL_freePixels},
};

// What the stand-in for the shell's free-memory request was asked, and what
// it answers.
size_t requestedBytes = 0;
int requests = 0;
bool requestAnswer = false;
bool freeMemoryRequest(size_t bytes) {
    ++requests;
    requestedBytes = bytes;
    return requestAnswer;
}

class NativeMemory : public ::testing::Test {
protected:
    void TearDown() override {
        HAL_failNextAllocations(0);
        HAL_setFreeMemoryRequest(nullptr);
    }
};

}  // namespace

TEST_F(NativeMemory, CounterHoldsEveryLiveBlockWithItsHeader) {
    for (const Allocator& a : kAllocators) {
        const uint64_t before = HAL_getNativeMemoryUsed();
        void* empty = a.allocate(0);
        ASSERT_NE(empty, nullptr) << a.name << ": zero bytes is a valid request";
        EXPECT_EQ(HAL_getNativeMemoryUsed() - before, 16u) << a.name;

        void* block = a.allocate(1000);
        ASSERT_NE(block, nullptr) << a.name;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u) << a.name;
        std::memset(block, 0xA5, 1000);  // the whole payload is the caller's
        EXPECT_EQ(HAL_getNativeMemoryUsed() - before, 16u + 1016u) << a.name;

        a.release(empty);
        EXPECT_EQ(HAL_getNativeMemoryUsed() - before, 1016u) << a.name;
        a.release(nullptr);
        EXPECT_EQ(HAL_getNativeMemoryUsed() - before, 1016u) << a.name << ": freeing null";
        a.release(block);
        EXPECT_EQ(HAL_getNativeMemoryUsed(), before) << a.name;
    }
}

TEST_F(NativeMemory, SizeThatCannotCarryItsHeaderIsRefused) {
    const uint64_t before = HAL_getNativeMemoryUsed();
    const uint32_t collections = collectionCount();
    for (const Allocator& a : kAllocators) {
        for (size_t size : {SIZE_MAX, SIZE_MAX - 15}) {
            EXPECT_EQ(a.allocate(size), nullptr) << a.name << " " << size;
        }
    }
    EXPECT_EQ(HAL_getNativeMemoryUsed(), before);
    EXPECT_EQ(collectionCount(), collections) << "no collection can make such a block fit";
}

// Native bytes count against the same limit as the heap's own.
TEST_F(NativeMemory, HeapLimitCountsNativeBlocks) {
    const int64_t freeBefore = vmFreeMemory();
    void* block = HAL_allocNative(64 * 1024);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(freeBefore - vmFreeMemory(), 64 * 1024 + 16);
    HAL_freeNative(block);
    EXPECT_EQ(vmFreeMemory(), freeBefore);
}

// A first failure collects once (Java objects may be holding native blocks)
// and tries again; then the shell is asked to free memory, and only when it
// says it did is there a last try.
TEST_F(NativeMemory, FailedAllocationCollectsThenAsksTheShell) {
    struct Case {
        int failures;
        bool shellInstalled;
        bool shellAnswer;
        bool succeeds;
        int shellRequests;
    };
    const Case cases[] = {
        {1, false, false, true, 0},  // the retry after the collection succeeds
        {2, false, false, false, 0}, // nothing answers the shell request
        {2, true, false, false, 1},  // the shell freed nothing: no last try
        {2, true, true, true, 1},    // the shell freed memory: the last try succeeds
        {3, true, true, false, 1},   // the last try fails too
    };
    for (const Allocator& a : kAllocators) {
        for (const Case& c : cases) {
            const std::string label = std::string(a.name) + ", " + std::to_string(c.failures) +
                                      " failures, shell " +
                                      (c.shellInstalled ? (c.shellAnswer ? "frees" : "refuses") : "absent");
            const jint garbageId = Node::newId();
            Node::make(garbageId);
            requests = 0;
            requestedBytes = 0;
            requestAnswer = c.shellAnswer;
            HAL_setFreeMemoryRequest(c.shellInstalled ? &freeMemoryRequest : nullptr);
            const uint64_t before = HAL_getNativeMemoryUsed();
            const uint32_t collections = collectionCount();

            HAL_failNextAllocations(c.failures);
            void* block = a.allocate(100);

            EXPECT_EQ(block != nullptr, c.succeeds) << label;
            EXPECT_EQ(collectionCount(), collections + 1) << label;
            EXPECT_TRUE(Node::wasFreed(garbageId)) << label << ": a real collection";
            EXPECT_EQ(requests, c.shellRequests) << label;
            if (c.shellRequests) {
                EXPECT_EQ(requestedBytes, 116u) << label << ": asks for the whole block";
            }
            EXPECT_EQ(HAL_getNativeMemoryUsed() - before, c.succeeds ? 116u : 0u) << label;
            a.release(block);
            HAL_failNextAllocations(0);
        }
    }
}

// The collection runs under the VM lock even when the caller holds it
// already, and leaves the caller the current thread.
TEST_F(NativeMemory, RetryFromAThreadHoldingTheLockTwice) {
    HAL_enterVMLock();
    HAL_failNextAllocations(1);
    const uint32_t collections = collectionCount();
    void* block = HAL_allocNative(8);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(collectionCount(), collections + 1);
    EXPECT_TRUE(HAL_holdsVMLock());
    HAL_leaveVMLock();
    EXPECT_TRUE(HAL_holdsVMLock());
    EXPECT_EQ(VMThread::current(), vmInstance->mainThread);
    HAL_freeNative(block);
}
