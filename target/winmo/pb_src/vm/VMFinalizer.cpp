#include "VMFinalizer.h"

#include "VM.h"
#include "VMHeap.h"
#include "java_lang_InterruptedException.h"

WREN_DEFINE_CLASS(com::nimbault::marl::vm::Finalizer, "com.nimbault.marl.vm.Finalizer")

namespace com::nimbault::marl::vm {

void Finalizer::ctor() { Thread::ctor(WREN_LIT("Finalizer")); }

void Finalizer::wake() {
    VMSynchronized guard(this);
    idle = false;
    wakePending = true;
    notify();
}

void Finalizer::stop() {
    VMSynchronized guard(this);
    stopRequested = true;
    notify();
}

void Finalizer::run() {
    while (!stopRequested) {
        wakePending = false;
        finalizationPass();
        VMSynchronized guard(this);
        if (!wakePending) idle = true;
        try {
            while (idle && !stopRequested) wait();
        } catch (java::lang::InterruptedException* caught) {
            VMPtr<java::lang::InterruptedException> e = caught;
            stopRequested = true;
        }
    }
}

void Finalizer::finalizationPass() {
    using java::lang::Object;
    // The heap keeps the finalizable objects apart, so the pass looks at
    // nothing else. It takes the newest due object each time: finalize() may
    // make others finalizable or not, and a collection during it may find
    // more due.
    while (Object* o = vmNextFinalizeDue()) {
        vmSetFinalizable(o, false);
        o->vmFlags_ = (o->vmFlags_ & ~VM_FLAG_FINALIZE_DUE) | VM_FLAG_FINALIZED;
        {
            VMPtr<Object> held = o;
            try {
                o->finalize();
            } catch (java::lang::Throwable* caught) {
                VMPtr<java::lang::Throwable> dropped = caught;
            }
        }
        VMThread::yield();
        if (stopRequested || idle) return;
    }
}

}  // namespace com::nimbault::marl::vm
