// The finalizer thread: calls finalize() once on each finalizable object a
// collection found unreachable. Started by the first collection that finds
// one.
#pragma once

#include "java_lang_Thread.h"

namespace com::nimbault::marl::vm {

class Finalizer : public java::lang::Thread {
    WREN_CLASS(Finalizer, java::lang::Thread)
public:
    // Written by other threads only under this object's monitor (or, for
    // `idle`, by this thread); read under the VM lock.
    jboolean idle = false;
    jboolean stopRequested = false;
    // Set by wake(): a wake that comes while a pass runs may be for objects
    // the pass has already gone by, so the thread passes again instead of
    // waiting.
    jboolean wakePending = false;

    void ctor();
    void run() override;
    virtual void pause() { idle = true; }
    virtual void wake();
    virtual void stop();

private:
    void finalizationPass();
};

}  // namespace com::nimbault::marl::vm
