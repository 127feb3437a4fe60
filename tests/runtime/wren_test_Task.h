// A thread whose run() calls a C++ function, so that a test writes each
// thread's body where it is used; and the waits the thread tests share.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "VMClass.h"
#include "VMThread.h"
#include "java_lang_Thread.h"

namespace wren::test {

class Task : public java::lang::Thread {
    WREN_CLASS(Task, java::lang::Thread)
public:
    std::function<void()> body;

    // Named, so that tasks leave the numbering of unnamed threads alone.
    void ctor(std::function<void()> work);
    void run() override;

    // A started task.
    static VMPtr<Task> spawn(std::function<void()> work);
};

// Thread.join: waits on the thread's monitor until it has ended.
void join(const VMPtr<java::lang::Thread>& thread);

// Lets the other threads run until `done` holds: each condition is one that a
// correct runtime reaches. A runtime that never gets there fails the test
// after a minute rather than hanging it.
template <class P>
void yieldUntil(P done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) {
            ADD_FAILURE() << "gave up waiting for a condition a correct runtime reaches";
            return;
        }
        VMThread::yield();
    }
}

// Whether `thread` sits in Object.wait on `monitor`, or in Thread.sleep.
bool isWaitingOn(java::lang::Thread* thread, java::lang::Object* monitor);
bool isSleeping(java::lang::Thread* thread);

}  // namespace wren::test
