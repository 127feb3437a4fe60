// A whole program on the runtime, started the way the host starts the game:
// the VM boots on this program's boot class, whose entry starts two threads.
// Both add to one counter under one monitor, yielding while they hold it,
// then pass a token back and forth with wait and notify. The program prints
// what they counted once the VM has shut down.
#include <cstdio>

#include "HAL_threads.h"
#include "VM.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_lang_Thread.h"

namespace demo {

constexpr jint kIncrements = 10000;
constexpr jint kHandoffs = 100;

class Shared : public virtual java::lang::Object {
    WREN_CLASS(Shared, java::lang::Object)
public:
    jint counter = 0;
    jint token = 0;  // the id of the worker whose turn it is
    jint handoffs = 0;
};

class Worker : public java::lang::Thread {
    WREN_CLASS(Worker, java::lang::Thread, (shared, Shared))
public:
    jint id = 0;

    void ctor(const VMPtr<Shared>& s, jint workerId) {
        Thread::ctor();
        shared = s;
        id = workerId;
    }

    void run() override {
        for (jint i = 0; i < kIncrements; ++i) {
            VMSynchronized guard(shared);
            jint seen = shared->counter;
            Thread::yield();  // the other worker runs, but can't get in
            shared->counter = seen + 1;
        }
        VMSynchronized guard(shared);
        for (;;) {
            while (shared->token != id && shared->handoffs < kHandoffs) shared->wait();
            if (shared->handoffs >= kHandoffs) {
                shared->notifyAll();
                return;
            }
            shared->token = 1 - id;
            ++shared->handoffs;
            shared->notify();
        }
    }
};

// The boot class: its entry runs both workers to the end.
class ThreadDemo : public virtual java::lang::Object {
    WREN_CLASS(ThreadDemo, java::lang::Object)
public:
    static jint counted;
    static jint handedOff;

    static void main(const VMPtr<java::lang::Object>&) {
        clinit();
        VMPtr<Shared> shared = Shared::make();
        VMPtr<Worker> first = Worker::make(shared, 0);
        VMPtr<Worker> second = Worker::make(shared, 1);
        first->start();
        second->start();
        join(first);
        join(second);
        counted = shared->counter;
        handedOff = shared->handoffs;
    }

private:
    static void join(const VMPtr<Worker>& w) {
        VMSynchronized guard(w);
        while (w->isAlive()) w->wait();
    }
};
jint ThreadDemo::counted = 0;
jint ThreadDemo::handedOff = 0;

}  // namespace demo

WREN_DEFINE_CLASS(demo::Shared, "demo.Shared")
WREN_DEFINE_CLASS(demo::Worker, "demo.Worker")
WREN_DEFINE_CLASS(demo::ThreadDemo, "demo.ThreadDemo")
WREN_MAIN_ENTRY(demo::ThreadDemo, &demo::ThreadDemo::main)

int main() {
    HAL_enterVMLock();
    int booted = vmCreate(4u << 20, 32u << 20, NativeThread_adoptCurrent(), "demo.ThreadDemo", 0);
    if (booted != VM::BOOTED) {
        std::fprintf(stderr, "thread_demo: start-up failed (%d)\n", booted);
        return 1;
    }
    vmShutdown();
    HAL_leaveVMLock();
    std::printf("counter=%d handoffs=%d\n", demo::ThreadDemo::counted, demo::ThreadDemo::handedOff);
    return 0;
}
