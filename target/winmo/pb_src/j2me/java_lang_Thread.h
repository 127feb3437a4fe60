#pragma once

#include "VMClass.h"
#include "VMThread.h"
#include "java_lang_Runnable.h"
#include "java_lang_String.h"

namespace java::lang {

class Thread : public virtual Object, public virtual Runnable {
    WREN_CLASS(Thread, Object, (target, Runnable), (name, String))
public:
    VMThread* vmThread = nullptr;
    jint priority = 5;

    struct Statics {
        jint unnamedCount = 0;  // numbers unnamed threads across the program
    };
    WREN_STATICS(Statics)

    ~Thread() override;

    void ctor();
    void ctor(const VMPtr<Runnable>& runnable);
    void ctor(const VMPtr<String>& threadName);
    // The start-up thread's object, over its existing record.
    void ctorForRecord(const VMPtr<String>& threadName, VMThread* record);

    virtual void start();
    virtual void interrupt();
    void run() override;
    jboolean isAlive();
    VMPtr<String> getName() { return name; }
    VMPtr<String> toString() override;

    static VMPtr<Thread> currentThread();
    static void sleep(jlong millis);
    static void yield();

private:
    void init(const VMPtr<Runnable>& runnable, const VMPtr<String>& threadName);
};

}  // namespace java::lang
