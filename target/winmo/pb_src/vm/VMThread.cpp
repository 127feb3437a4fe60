#include "VMThread.h"

#include <atomic>

#include "HAL_threads.h"
#include "VM.h"
#include "VMHeap.h"
#include "java_lang_InterruptedException.h"
#include "java_lang_Thread.h"

namespace {
std::atomic<bool> yieldIsDisabled{false};
}

void* VMThread::operator new(size_t size) { return vmAllocate(size, true); }
void VMThread::operator delete(void* p) { vmFree(p); }

VMThread::VMThread(NativeThread* native) : state(RUNNING), nativeThread(native) {
    if (!nativeThread) nativeThread = NativeThread_adoptCurrent();
    HAL_setCurrentThreadData(1, this);
    if (vmInstance) vmInstance->threads.pushFront(reinterpret_cast<intptr_t>(this));
    makeCurrent();
}

VMThread::VMThread(java::lang::Thread* thread) : javaThread(thread) {
    executionRef = new (vmAllocate(sizeof(VMNativePtr<java::lang::Thread>), false))
        VMNativePtr<java::lang::Thread>(thread);
    if (HAL_createThread(&nativeThread, &VMThread_run, this) != 0)
        vmFatalError("Unable to create thread!");
    if (vmInstance) vmInstance->threads.pushFront(reinterpret_cast<intptr_t>(this));
}

VMThread::~VMThread() {
    if (vmInstance) {
        vmInstance->threads.remove(reinterpret_cast<intptr_t>(this));
        if (vmInstance->currentThread == this) vmInstance->currentThread = nullptr;
    }
    if (executionRef) {
        // A created thread that never ran is let through its gate with
        // nothing to do, so it can be joined.
        HAL_deleteThread(nativeThread);
        executionRef->~VMRooted();
        vmFree(executionRef);
    }
    HAL_destroyLock(sleepLock);
    if (vmStackList == &references) vmStackList = nullptr;
    if (vmTempRoots == &tempRoots) vmTempRoots = nullptr;
}

void VMThread::makeCurrent() {
    vmStackList = &references;
    vmTempRoots = &tempRoots;
    if (vmInstance) vmInstance->currentThread = this;
}

VMThread* VMThread::current() { return vmInstance ? vmInstance->currentThread : nullptr; }

void VMThread::start() {
    if (state != NEW) return;
    state = RUNNING;
    HAL_startThread(nativeThread);
}

void VMThread::interrupt() {
    if (!isAlive()) return;
    interrupted = 1;
    if (waitLock) HAL_notifyAll(waitLock);
}

void VMThread::cancel() {
    if (state == RUNNING) HAL_interruptThread(nativeThread);
}

void VMThread::checkInterrupted() {
    if (interrupted) {
        interrupted = 0;
        java::lang::InterruptedException::throwNew();
    }
}

void VMThread::yield() {
    if (yieldIsDisabled.load(std::memory_order_relaxed)) return;
    if (!HAL_holdsVMLock()) return;
    if (vmInstance) vmInstance->currentThread = nullptr;
    HAL_yield();
}

void VMThread::sleep(jlong millis) {
    VMThread* t = current();
    if (!t || t->state != RUNNING) {
        // No thread record (the runtime's own callers before start-up):
        // only give the time away.
        if (millis > 0) HAL_sleep(uint32_t(millis > 0xFFFFFFFE ? 0xFFFFFFFE : millis));
        return;
    }
    t->checkInterrupted();
    t->sleepFor(millis);
    t->checkInterrupted();
}

void VMThread::pause(jlong millis) {
    VMThread* t = current();
    if (!t || t->state != RUNNING) {
        if (millis > 0) HAL_sleep(uint32_t(millis > 0xFFFFFFFE ? 0xFFFFFFFE : millis));
        return;
    }
    t->sleepFor(millis);
}

void VMThread::sleepFor(jlong millis) {
    if (millis > 0) {
        if (!sleepLock && HAL_createLock(&sleepLock, 1) != 0)
            vmFatalError("HAL_createLock() failed in VMThread::sleep().");
        state = WAITING;
        waitLock = sleepLock;
        if (vmInstance) vmInstance->currentThread = nullptr;
        HAL_timedWait(sleepLock, uint32_t(millis), int32_t(millis >> 32));
        state = RUNNING;
        waitLock = nullptr;
    } else {
        yield();
    }
}

void VMThread::wait(java::lang::Object* monitor, jlong timeoutMillis) {
    if (state != RUNNING) return;
    checkInterrupted();
    jint count = monitor->monitorCount_;
    monitor->monitorOwner_ = nullptr;
    monitor->monitorCount_ = 0;
    state = WAITING;
    waitLock = vmMonitorLock(monitor);
    if (vmInstance) vmInstance->currentThread = nullptr;
    HAL_timedWait(waitLock, uint32_t(timeoutMillis), int32_t(timeoutMillis >> 32));
    state = RUNNING;
    waitLock = nullptr;
    monitor->monitorCount_ = count;
    monitor->monitorOwner_ = this;
    checkInterrupted();
}

void VMThread::disableYield() { yieldIsDisabled = true; }
void VMThread::enableYield() { yieldIsDisabled = false; }
bool VMThread::yieldDisabled() { return yieldIsDisabled; }

int VMThread::countAlive() {
    int alive = 0;
    if (vmInstance) vmInstance->threads.forEach<VMThread*>([&](VMThread* t) { alive += t->isAlive(); });
    return alive;
}

void VMThread_run(void* data) {
    auto* t = static_cast<VMThread*>(data);
    if (!t) return;
    t->makeCurrent();
    {
        VMPtr<java::lang::Thread> self = t->executionRef->get();
        try {
            self->run();
        } catch (java::lang::Throwable* caught) {
            VMPtr<java::lang::Throwable> e = caught;
            try {
                e->printStackTrace();
            } catch (...) {
                vmFatalError("Unexpected exception in VMThread_run() #1!");
            }
        } catch (VMExitException*) {
            if (vmInstance) vmInstance->exitRequested = 1;
        } catch (...) {
            vmFatalError("Unexpected exception in VMThread_run() #1!");
        }
        try {
            t->state = VMThread::ENDED;
            {
                VMSynchronized guard(self);
                self->notifyAll();
            }
            if (t->sleepLock) HAL_unlock(t->sleepLock);
            *t->executionRef = nullptr;
        } catch (...) {
            vmFatalError("Unexpected exception in VMThread_run() #2!");
        }
    }
}
