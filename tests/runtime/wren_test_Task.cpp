#include "wren_test_Task.h"

#include "java_lang_String.h"

WREN_DEFINE_CLASS(wren::test::Task, "wren.test.Task")

namespace wren::test {

void Task::ctor(std::function<void()> work) {
    Thread::ctor(VMPtr<java::lang::String>(WREN_LIT("task")));
    body = std::move(work);
}

void Task::run() {
    if (body) body();
}

VMPtr<Task> Task::spawn(std::function<void()> work) {
    VMPtr<Task> t = make(std::move(work));
    t->start();
    return t;
}

void join(const VMPtr<java::lang::Thread>& thread) {
    VMSynchronized guard(thread);
    while (thread->isAlive()) thread->wait();
}

bool isWaitingOn(java::lang::Thread* thread, java::lang::Object* monitor) {
    VMThread* t = thread->vmThread;
    return t->state == VMThread::WAITING && t->waitLock && t->waitLock == vmMonitorLock(monitor);
}

bool isSleeping(java::lang::Thread* thread) {
    VMThread* t = thread->vmThread;
    return t->state == VMThread::WAITING && t->waitLock && t->waitLock == t->sleepLock;
}

}  // namespace wren::test
