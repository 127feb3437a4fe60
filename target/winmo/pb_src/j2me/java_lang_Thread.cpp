#include "java_lang_Thread.h"

#include <string>

#include "VM.h"
#include "java_lang_IllegalThreadStateException.h"

WREN_DEFINE_CLASS(java::lang::Thread, "java.lang.Thread", java::lang::Runnable)

namespace java::lang {

Thread::~Thread() {
    // The record outlives its object; a later collection deletes it once the
    // thread has ended.
    if (vmThread) vmThread->javaThread = nullptr;
    vmThread = nullptr;
}

void Thread::ctor() { init(nullptr, nullptr); }
void Thread::ctor(const VMPtr<Runnable>& runnable) { init(runnable, nullptr); }
void Thread::ctor(const VMPtr<String>& threadName) { init(nullptr, threadName); }

void Thread::init(const VMPtr<Runnable>& runnable, const VMPtr<String>& threadName) {
    Object::ctor();
    vmThread = new VMThread(this);
    VMThread* current = VMThread::current();
    if (current && current->javaThread) priority = current->javaThread->priority;
    target = runnable;
    if (threadName) {
        name = threadName;
    } else {
        std::string text = "Thread-" + std::to_string(++S().unnamedCount);
        name = String::make(text.c_str());
    }
}

void Thread::ctorForRecord(const VMPtr<String>& threadName, VMThread* record) {
    Object::ctor();
    priority = 5;
    name = threadName;
    vmThread = record;
    record->javaThread = this;
}

void Thread::start() {
    VMSynchronized guard(this);
    if (vmThread->isStarted()) IllegalThreadStateException::throwNew();
    vmThread->start();
}

void Thread::interrupt() { vmThread->interrupt(); }

void Thread::run() {
    if (target) target->run();
}

jboolean Thread::isAlive() { return vmThread && vmThread->isAlive(); }

VMPtr<String> Thread::toString() {
    std::string text = "Thread[" + (name ? name->toUtf8() : std::string("null")) + "," +
                       std::to_string(priority) + "]";
    return String::make(text.c_str());
}

VMPtr<Thread> Thread::currentThread() {
    clinit();
    VMThread* t = VMThread::current();
    return t ? t->javaThread : nullptr;
}

void Thread::sleep(jlong millis) {
    clinit();
    VMThread::sleep(millis);
}

void Thread::yield() {
    clinit();
    VMThread::yield();
}

}  // namespace java::lang
