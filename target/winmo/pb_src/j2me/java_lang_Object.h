// java.lang.Object: the header every collected object carries, and the
// operations every class inherits.
#pragma once

#include <type_traits>

#include "VMPtr.h"

struct VMPlatformLock;
class VMArray_Base;

// Header flag bits. Reachability is not among them: the collector keeps its
// marks in bitmaps beside the heap's chunks.
enum : uint32_t {
    VM_FLAG_FINALIZABLE = 4,
    VM_FLAG_FINALIZED = 8,
    VM_FLAG_UNDER_CONSTRUCTION = 16,
    // The monitor has a platform lock (kept in a side table: few objects are
    // ever contended, so the header does not carry the pointer).
    VM_FLAG_INFLATED = 32,
    // A finalizable object that the last collection found unreachable.
    VM_FLAG_FINALIZE_DUE = 64,
};

// Which class a class really extends. Every class declared with the class
// macros, and Object, befriends a function `wrenNearestClass_` taking a
// pointer to itself and a VMOtherThan of itself; called with a class's own
// tag, the second parameter rules out the class's own overload, and overload
// resolution then prefers the conversion to the nearest base. Interfaces
// declare none, so only the superclass chain takes part.
template <class T>
struct VMClassTag {};
template <class Self>
struct VMOtherThan {
    template <class T>
        requires(!std::is_same_v<T, Self>)
    VMOtherThan(VMClassTag<T>) {}
};

// The extra bytes an object carries after its own fields (an array's
// elements), in one block with it: `count` elements of `elementSize` bytes.
struct VMTrailing {
    int64_t count;
    size_t elementSize;
};

namespace java::lang {

class Object {
public:
    // The header, 24 bytes with the vtable pointer. Touched only under the VM
    // lock. The heap finds every object through its chunks, so the header
    // needs no list link.
    VMThread* monitorOwner_ = nullptr;
    jint monitorCount_ = 0;
    uint32_t vmFlags_ = VM_FLAG_UNDER_CONSTRUCTION;

    // The native constructor: tells the heap where the object's header lies
    // in its block, and keeps the object alive until its construction ends.
    Object();
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    // Run by the sweep, unless the object's class is a plain one (see
    // WREN_PLAIN_OBJECT), or when a native constructor throws.
    virtual ~Object();

    // Objects live on the VM heap, zero-filled.
    static void* operator new(size_t size);
    static void* operator new(size_t size, VMTrailing trailing);
    static void operator delete(void* p);
    static void operator delete(void* p, VMTrailing trailing);

    virtual jint hashCode();
    virtual jboolean equals(const VMPtr<Object>& other);
    virtual VMPtr<String> toString();
    virtual void finalize();
    virtual void markReferences(uint32_t bits);
    virtual Class* getClass();
    // The object as an array, or null: cheaper than a dynamic_cast for code
    // that handles any array (System.arraycopy).
    virtual VMArray_Base* vmAsArray() { return nullptr; }

    // The Java constructor.
    void ctor() {}

    // Monitor operations (wait and notify need the owning thread).
    void wait();
    void wait(jlong timeoutMillis);
    void notify();
    void notifyAll();

    // What every class declares (see VMClass.h).
    using wrenSuper_ = void;
    using wrenStaticInitOwner_ = void;
    static constexpr bool wrenIsInterface_ = false;
    friend Object* wrenNearestClass_(Object* p, VMOtherThan<Object>) { return p; }
    static Class* wrenClass_;
    static Class* classRecord() { return wrenClass_; }
    static void clinit();
    static Class* wrenRegister_();
    template <class F>
    void wrenEachRef_(F&&) {}
    template <class S = Object>
    static VMPtr<S> allocate();
    static VMPtr<Object> make();
};

}  // namespace java::lang

// A class whose objects own nothing the collector does not see (no destructor
// of its own and no member that has one: only primitives and the reference
// fields of its WREN_CLASS list) says so with WREN_PLAIN_OBJECT() after its
// WREN_CLASS line. The sweep then frees its dead objects without running
// their destructors. The promise covers the class itself, not its
// subclasses: each says so for itself.
#define WREN_PLAIN_OBJECT() using wrenPlainClass_ = wrenSelf_;

template <class T>
constexpr bool vmIsPlainObject() {
    if constexpr (requires { typename T::wrenPlainClass_; })
        return std::is_same_v<typename T::wrenPlainClass_, T>;
    else
        return false;
}

// Ends an object's native construction: from here the collector keeps it only
// while it is reachable, and runs its destructor when it dies unless
// `destructor` is false.
void vmConstructionEnded(java::lang::Object* o, bool destructor);
// The newest object under construction, which the heap keeps apart from the
// others (nearly always the only one).
extern java::lang::Object* vmNewestConstructing;
inline void vmEndConstruction(java::lang::Object* o) {
    if (o->vmFlags_ & VM_FLAG_UNDER_CONSTRUCTION) vmConstructionEnded(o, true);
}
// Finalizable objects get finalize() called once after they become unreachable.
void vmSetFinalizable(java::lang::Object* o, bool on);

// Wraps a freshly constructed object in a local reference and ends its
// construction: the last step of every new-expression.
template <class T>
inline VMPtr<T> vmAdopt(T* p) {
    VMPtr<T> r(p);
    java::lang::Object* o = vmObj(p);
    if (o->vmFlags_ & VM_FLAG_UNDER_CONSTRUCTION) {
        // The usual case, a plain object made while nothing else was, needs
        // no word with the heap.
        if (vmIsPlainObject<T>() && o == vmNewestConstructing) {
            o->vmFlags_ &= ~VM_FLAG_UNDER_CONSTRUCTION;
            vmNewestConstructing = nullptr;
        } else {
            vmConstructionEnded(o, !vmIsPlainObject<T>());
        }
    }
    return r;
}

template <class S>
VMPtr<S> java::lang::Object::allocate() {
    clinit();
    return vmAdopt(new S());
}
inline VMPtr<java::lang::Object> java::lang::Object::make() { return allocate(); }

// An inflated monitor's platform lock, or null while the monitor is thin.
VMPlatformLock* vmMonitorLock(java::lang::Object* obj);
// Gives the monitor its platform lock (entered when the caller holds it).
void vmInflateMonitor(java::lang::Object* obj);

// Monitor enter and exit (recursive). Unlocking a monitor the current thread
// does not hold ends the process.
void vmLock(java::lang::Object* obj);
void vmUnlock(java::lang::Object* obj);

// A synchronized block: holds a local reference to the guarded object, so it
// stays alive while locked, and unlocks on every way out.
class VMSynchronized {
public:
    template <class R>
    explicit VMSynchronized(const R& r) : obj_(vmObj(&*r)) {
        vmLock(obj_.get());
    }
    explicit VMSynchronized(java::lang::Object* o) : obj_(o) {
        if (!o) vmThrowNullPointer();
        vmLock(o);
    }
    ~VMSynchronized() { vmUnlock(obj_.get()); }
    VMSynchronized(const VMSynchronized&) = delete;
    VMSynchronized& operator=(const VMSynchronized&) = delete;

private:
    VMPtr<java::lang::Object> obj_;
};
