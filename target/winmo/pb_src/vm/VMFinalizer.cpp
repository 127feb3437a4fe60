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
restart:
    int step = 0;
    for (Object* o = vmObjectListHead(); o; o = o->vmNext_) {
        if ((o->vmFlags_ & VM_FLAG_FINALIZABLE) && (o->vmFlags_ & VM_FLAG_FINALIZE_DUE)) {
            vmSetFinalizable(o, false);
            o->vmFlags_ = (o->vmFlags_ & ~VM_FLAG_FINALIZE_DUE) | VM_FLAG_FINALIZED;
            uint32_t collections = vmInstance->collectionCount;
            VMPtr<Object> held = o;
            try {
                o->finalize();
            } catch (java::lang::Throwable* caught) {
                VMPtr<java::lang::Throwable> dropped = caught;
            }
            // A collection during finalize() may have freed what the walk
            // stood on.
            if (vmInstance->collectionCount != collections) goto restart;
            step = -1;
        }
        if (++step % 16 == 0) {
            VMPtr<Object> position = o;  // keeps the walk's place alive across the yield
            VMThread::yield();
            if (stopRequested || idle) return;
        }
    }
}

}  // namespace com::nimbault::marl::vm
