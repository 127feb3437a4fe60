// java.lang.Object, the reference scopes and the monitors' thin lock.
#include <cinttypes>
#include <cstdlib>
#include <cstdio>

#include <unordered_map>

#include "HAL_threads.h"
#include "VM.h"
#include "VMClass.h"
#include "VMHeap.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IllegalMonitorStateException.h"
#include "java_lang_String.h"

namespace {
// Locals made while no thread is current (before start-up) join this list.
VMRefList bootStackList("boot stack scope");

VMRefList& makeScope(const char* name) { return *new VMRefList(name); }

VMTempRoots bootTempRoots;
}  // namespace

VMRefList* vmStackList = &bootStackList;
VMTempRoots* vmTempRoots = &bootTempRoots;

VMTempRoots::~VMTempRoots() { std::free(base); }

void VMTempRoots::grow() {
    size_t used = size_t(top - base), capacity = size_t(end - base);
    size_t wanted = capacity ? capacity * 2 : 256;
    auto* bigger = static_cast<java::lang::Object**>(std::realloc(base, wanted * sizeof(*base)));
    if (!bigger) vmFatalError("Ran out of memory for temporary references!");
    base = bigger;
    top = bigger + used;
    end = bigger + wanted;
}
VMRefList& vmStaticScope() {
    static VMRefList& list = makeScope("static scope");
    return list;
}
VMRefList& vmNativeScope() {
    static VMRefList& list = makeScope("native scope");
    return list;
}
VMRefList& vmWeakScope() {
    static VMRefList& list = makeScope("weak scope");
    return list;
}

void vmDropMonitorLock(java::lang::Object* o);

namespace java::lang {

Class* Object::wrenClass_ = nullptr;

Object::Object() { vmObjectBorn(this); }

Object::~Object() {
    // An object whose construction failed, or a finalizable one, is still
    // among the heap's keepers.
    if (vmFlags_ & (VM_FLAG_UNDER_CONSTRUCTION | VM_FLAG_FINALIZABLE)) vmObjectLeavesKeepers(this);
    if (vmFlags_ & VM_FLAG_INFLATED) vmDropMonitorLock(this);
}

void* Object::operator new(size_t size) { return vmAllocateObject(size); }

void* Object::operator new(size_t size, VMTrailing trailing) {
    // The fields end 8-aligned, so the trailing bytes start 8-aligned too.
    // Neither part is above the largest block, so the sum can't wrap; a sum
    // above it raises OutOfMemoryError in the allocator.
    size_t fields = (size + 7) & ~size_t(7);
    return vmAllocateObject(fields + vmCheckedArrayBytes(trailing.count, trailing.elementSize));
}

void Object::operator delete(void* p) { vmFree(p); }

void Object::operator delete(void* p, VMTrailing) { vmFree(p); }

jint Object::hashCode() {
    auto address = reinterpret_cast<uintptr_t>(vmObj(this));
    return jint(uint32_t(address ^ (uint64_t(address) >> 32)));
}

jboolean Object::equals(const VMPtr<Object>& other) { return vmObj(this) == other.get(); }

VMPtr<String> Object::toString() {
    VMPtr<Class> cls = getClass();
    std::string text = cls ? cls->getName()->toUtf8() : std::string("?");
    char hash[16];
    std::snprintf(hash, sizeof hash, "@%" PRIx32, uint32_t(hashCode()));
    text += hash;
    return String::make(text.c_str());
}

void Object::finalize() {}

void Object::markReferences(uint32_t) {}

Class* Object::getClass() { return wrenClass_; }

void Object::clinit() {
    if (WREN_UNLIKELY(!wrenClass_ || wrenClass_->initState != 0))
        vmEnsureClassReady(wrenClass_, "java::lang::Object");
}

Class* Object::wrenRegister_() {
    return wrenClass_ = vmRegisterClassRecord("java.lang.Object", "", __FILE__, &vmEmptyStaticInit,
                                              &vmFactoryCall<Object>, VMClassKind::Concrete);
}

namespace {
VMPendingClass objectPending(&Object::wrenRegister_);

void requireOwner(Object* o) {
    if (o->monitorCount_ == 0 || o->monitorOwner_ != VMThread::current())
        IllegalMonitorStateException::throwNew();
}
}  // namespace

void Object::wait() { wait(0); }

void Object::wait(jlong timeoutMillis) {
    if (timeoutMillis < 0) IllegalArgumentException::throwNew();
    requireOwner(this);
    vmInflateMonitor(this);
    VMThread::current()->wait(this, timeoutMillis);
}

void Object::notify() {
    requireOwner(this);
    HAL_notify(vmMonitorLock(this));
}

void Object::notifyAll() {
    requireOwner(this);
    HAL_notifyAll(vmMonitorLock(this));
}

}  // namespace java::lang

namespace {
// Platform locks of inflated monitors, by object. Few objects are ever
// contended or waited on, so the header only carries a flag.
std::unordered_map<java::lang::Object*, VMPlatformLock*>& monitorLocks() {
    static auto* table = new std::unordered_map<java::lang::Object*, VMPlatformLock*>();
    return *table;
}
}  // namespace

VMPlatformLock* vmMonitorLock(java::lang::Object* o) {
    if (!(o->vmFlags_ & VM_FLAG_INFLATED)) return nullptr;
    return monitorLocks().at(o);
}

void vmInflateMonitor(java::lang::Object* o) {
    if (o->vmFlags_ & VM_FLAG_INFLATED) return;
    if (o->monitorCount_ != 0 && o->monitorOwner_ != VMThread::current())
        vmFatalError("Attempt to inflate a lock that we do not own in _VM_inflateMonitor().");
    VMPlatformLock* lock = nullptr;
    if (HAL_createLock(&lock, o->monitorCount_ != 0) != 0)
        vmFatalError("HAL_createLock() failed in _VM_inflateMonitor().");
    monitorLocks()[o] = lock;
    o->vmFlags_ |= VM_FLAG_INFLATED;
    // The lock goes with the object: the sweep must run the destructor that
    // drops it, even for a class whose objects need none otherwise.
    vmKeepDestructor(o);
}

void vmDropMonitorLock(java::lang::Object* o) {
    auto& table = monitorLocks();
    auto it = table.find(o);
    if (it == table.end()) return;
    HAL_destroyLock(it->second);
    table.erase(it);
}

void vmLock(java::lang::Object* o) {
    VMThread* t = VMThread::current();
    if (!(o->vmFlags_ & VM_FLAG_INFLATED)) {
        if (o->monitorCount_ == 0) {
            o->monitorOwner_ = t;
            o->monitorCount_ = 1;
            return;
        }
        if (o->monitorOwner_ == t) {
            ++o->monitorCount_;
            return;
        }
        // Held by another thread: let it run until it lets go, then give the
        // monitor a platform lock to block on from now on.
        while (o->monitorCount_ != 0 && o->monitorOwner_ != t) VMThread::yield();
        vmInflateMonitor(o);
    }
    if (o->monitorOwner_ == t && o->monitorCount_ > 0) {
        ++o->monitorCount_;
        return;
    }
    HAL_lock(monitorLocks().at(o));
    o->monitorOwner_ = t;
    o->monitorCount_ = 1;
}

void vmUnlock(java::lang::Object* o) {
    if (o->monitorCount_ <= 0 || o->monitorOwner_ != VMThread::current())
        vmFatalError("Monitor state is invalid in _VM_unlock()!");
    if (--o->monitorCount_ != 0) return;
    o->monitorOwner_ = nullptr;
    if (VMPlatformLock* lock = vmMonitorLock(o)) {
        // Releasing wakes every waiter; each returns once it has the monitor.
        HAL_notifyAll(lock);
        HAL_unlock(lock);
        VMThread::yield();
    }
}
