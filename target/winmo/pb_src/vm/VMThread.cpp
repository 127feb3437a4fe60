#include "VMThread.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "VM.h"

namespace {
std::atomic<bool> yieldIsDisabled{false};
}

VMThread::VMThread(void* native) : state(RUNNING), nativeThread(native) {
    if (vmInstance) {
        vmInstance->threads.pushFront(reinterpret_cast<intptr_t>(this));
        vmInstance->currentThread = this;
    }
    makeCurrent();
}

VMThread::~VMThread() {
    if (vmInstance) {
        vmInstance->threads.remove(reinterpret_cast<intptr_t>(this));
        if (vmInstance->currentThread == this) vmInstance->currentThread = nullptr;
    }
    if (vmStackList == &references) vmStackList = nullptr;
    if (vmTempRoots == &tempRoots) vmTempRoots = nullptr;
}

void VMThread::makeCurrent() {
    vmStackList = &references;
    vmTempRoots = &tempRoots;
    if (vmInstance) vmInstance->currentThread = this;
}

VMThread* VMThread::current() { return vmInstance ? vmInstance->currentThread : nullptr; }

void VMThread::yield() {
    if (yieldIsDisabled.load(std::memory_order_relaxed)) return;
    std::this_thread::yield();
}

void VMThread::sleep(jlong millis) {
    if (millis <= 0) {
        yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(millis));
}

void VMThread::disableYield() { yieldIsDisabled = true; }
void VMThread::enableYield() { yieldIsDisabled = false; }
bool VMThread::yieldDisabled() { return yieldIsDisabled; }
