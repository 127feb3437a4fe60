// References to collected objects.
//
// An object stays alive only while something the collector can find refers to
// it. Five kinds of reference, the scope folded into the type:
//
//   VMPtr<T>        local variables, arguments, return values and temporaries;
//                   registered on the current thread's stack list.
//   VMField<T>      instance fields and array elements; not registered, found
//                   by tracing the holder's markReferences.
//   VMStaticPtr<T>  static fields; registered on the static list.
//   VMNativePtr<T>  references the runtime itself holds; the native list.
//   VMWeakPtr<T>    weak references; cleared when the target dies.
//
// Calling through a null reference throws NullPointerException. Calling
// through anything but a local (a field, a static, an array element) first
// copies the target into a temporary VMPtr, so the receiver stays rooted for
// the whole call even if the call overwrites the field it came from.
#pragma once

#include <concepts>
#include <type_traits>
#include <utility>

#include "VMTypes.h"

[[noreturn]] void vmThrowNullPointer();

// Upcast to the collected object, null staying null.
template <class T>
inline java::lang::Object* vmObj(T* p) {
    return static_cast<java::lang::Object*>(p);
}

struct VMRef {
    VMRef* prev = nullptr;
    VMRef* next = nullptr;

    virtual java::lang::Object* getObject() const = 0;
    virtual void clear() = 0;
    bool isNull() const { return getObject() == nullptr; }

protected:
    VMRef() = default;
    ~VMRef() = default;
    void linkAfter(VMRef* head) {
        prev = head;
        next = head->next;
        next->prev = this;
        head->next = this;
    }
    void unlink() {
        prev->next = next;
        next->prev = prev;
    }
};

// A circular list of references with a sentinel: linking and unlinking are a
// few stores whatever the order in which references die.
struct VMRefList {
    struct Anchor final : VMRef {
        Anchor() { prev = next = this; }
        java::lang::Object* getObject() const override { return nullptr; }
        void clear() override {}
    };
    Anchor head;
    const char* name;

    explicit VMRefList(const char* n) : name(n) {}
    VMRefList(const VMRefList&) = delete;
    VMRefList& operator=(const VMRefList&) = delete;
    bool empty() const { return head.next == &head; }
    template <class F>
    void forEach(F&& f) const {
        for (VMRef* r = head.next; r != &head;) {
            VMRef* n = r->next;
            f(r);
            r = n;
        }
    }
};

enum class VMScopeKind { Stack, Static, Native, Weak };

// The receivers of calls made through fields, statics and array elements. Such
// a receiver is rooted by a temporary that lives until the end of the calling
// expression; temporaries die in the reverse order of their birth, so a plain
// stack of pointers per thread roots them at a fraction of a list link's cost.
struct VMTempRoots {
    java::lang::Object** base = nullptr;
    java::lang::Object** top = nullptr;
    java::lang::Object** end = nullptr;

    VMTempRoots() = default;
    VMTempRoots(const VMTempRoots&) = delete;
    VMTempRoots& operator=(const VMTempRoots&) = delete;
    ~VMTempRoots();
    void grow();
    template <class F>
    void forEach(F&& f) const {
        for (java::lang::Object** p = base; p != top; ++p) f(*p);
    }
};
// The current thread's temporaries; switched with the stack list.
extern VMTempRoots* vmTempRoots;

template <class T>
class VMTempRoot {
public:
    explicit VMTempRoot(T* p) : ptr_(p) {
        VMTempRoots* roots = vmTempRoots;
        if (WREN_UNLIKELY(roots->top == roots->end)) roots->grow();
        *roots->top++ = vmObj(p);
    }
    ~VMTempRoot() { --vmTempRoots->top; }
    VMTempRoot(const VMTempRoot&) = delete;
    VMTempRoot& operator=(const VMTempRoot&) = delete;
    T* operator->() const { return ptr_; }

private:
    T* ptr_;
};

// The current thread's stack list; switched when a thread takes the VM lock.
extern VMRefList* vmStackList;
VMRefList& vmStaticScope();
VMRefList& vmNativeScope();
VMRefList& vmWeakScope();

template <VMScopeKind K>
inline VMRef* vmScopeHead() {
    if constexpr (K == VMScopeKind::Stack) return &vmStackList->head;
    if constexpr (K == VMScopeKind::Static) return &vmStaticScope().head;
    if constexpr (K == VMScopeKind::Native) return &vmNativeScope().head;
    if constexpr (K == VMScopeKind::Weak) return &vmWeakScope().head;
}

// Anything that holds a target reachable through get().
template <class R>
concept VMRefLike = requires(const R& r) {
    typename R::element_type;
    { r.get() } -> std::convertible_to<typename R::element_type*>;
};

template <class T, VMScopeKind K>
class VMRooted;
template <class T>
using VMPtr = VMRooted<T, VMScopeKind::Stack>;
template <class T>
using VMStaticPtr = VMRooted<T, VMScopeKind::Static>;
template <class T>
using VMNativePtr = VMRooted<T, VMScopeKind::Native>;
template <class T>
using VMWeakPtr = VMRooted<T, VMScopeKind::Weak>;

template <class T>
class VMField;

template <class T, VMScopeKind K>
class VMRooted final : public VMRef {
public:
    using element_type = T;

    VMRooted() noexcept { linkAfter(vmScopeHead<K>()); }
    VMRooted(std::nullptr_t) noexcept : VMRooted() {}
    VMRooted(T* p) noexcept : ptr_(p) { linkAfter(vmScopeHead<K>()); }
    template <class U>
        requires std::convertible_to<U*, T*>
    VMRooted(U* p) noexcept : VMRooted(static_cast<T*>(p)) {}
    VMRooted(const VMRooted& o) noexcept : VMRooted(o.ptr_) {}
    template <class R>
        requires VMRefLike<R> && std::convertible_to<typename R::element_type*, T*>
    VMRooted(const R& r) noexcept : VMRooted(static_cast<T*>(r.get())) {}
    ~VMRooted() { unlink(); }

    VMRooted& operator=(const VMRooted& o) noexcept {
        ptr_ = o.ptr_;
        return *this;
    }
    template <class R>
        requires VMRefLike<R> && std::convertible_to<typename R::element_type*, T*>
    VMRooted& operator=(const R& r) noexcept {
        ptr_ = r.get();
        return *this;
    }
    VMRooted& operator=(T* p) noexcept {
        ptr_ = p;
        return *this;
    }
    VMRooted& operator=(std::nullptr_t) noexcept {
        ptr_ = nullptr;
        return *this;
    }

    T* get() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

    // Locals root their target themselves; every other kind hands out a
    // rooted temporary that lives until the end of the calling expression.
    auto operator->() const {
        if (WREN_UNLIKELY(!ptr_)) vmThrowNullPointer();
        if constexpr (K == VMScopeKind::Stack)
            return ptr_;
        else
            return VMTempRoot<T>(ptr_);
    }
    T& operator*() const {
        if (WREN_UNLIKELY(!ptr_)) vmThrowNullPointer();
        return *ptr_;
    }
    // Checked element access for array references.
    template <class I>
    decltype(auto) operator[](I index) const
        requires requires(T& t) { t.at(jint(0)); }
    {
        return (**this).at(jint(index));
    }

    java::lang::Object* getObject() const override { return vmObj(ptr_); }
    void clear() override { ptr_ = nullptr; }

private:
    T* ptr_ = nullptr;
};

// An instance field or array element: a plain pointer that the holder's
// markReferences reports. Only ever declared through the class macros or
// inside arrays, so no field escapes marking.
template <class T>
class VMField {
public:
    using element_type = T;

    VMField() noexcept = default;
    VMField(std::nullptr_t) noexcept {}
    VMField(T* p) noexcept : ptr_(p) {}
    VMField(const VMField&) noexcept = default;
    template <class R>
        requires VMRefLike<R> && std::convertible_to<typename R::element_type*, T*>
    VMField(const R& r) noexcept : ptr_(r.get()) {}

    // Storing a reference tells the collector (a field is born in a new
    // object, which needs no telling).
    VMField& operator=(T* p) noexcept {
        ptr_ = p;
        vmRememberStore(this);
        return *this;
    }
    VMField& operator=(std::nullptr_t) noexcept {
        ptr_ = nullptr;
        return *this;
    }
    VMField& operator=(const VMField& o) noexcept {
        ptr_ = o.ptr_;
        vmRememberStore(this);
        return *this;
    }
    template <class R>
        requires VMRefLike<R> && std::convertible_to<typename R::element_type*, T*>
    VMField& operator=(const R& r) noexcept {
        ptr_ = r.get();
        vmRememberStore(this);
        return *this;
    }

    T* get() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }
    bool isNull() const noexcept { return ptr_ == nullptr; }

    VMTempRoot<T> operator->() const {
        if (WREN_UNLIKELY(!ptr_)) vmThrowNullPointer();
        return VMTempRoot<T>(ptr_);
    }
    T& operator*() const {
        if (WREN_UNLIKELY(!ptr_)) vmThrowNullPointer();
        return *ptr_;
    }
    template <class I>
    decltype(auto) operator[](I index) const
        requires requires(T& t) { t.at(jint(0)); }
    {
        return (**this).at(jint(index));
    }

    void mark(uint32_t bits) const;

private:
    T* ptr_ = nullptr;
};

// Identity comparison between any two references, whatever their static
// types, and with null.
template <class A, class B>
    requires VMRefLike<A> && VMRefLike<B>
inline bool operator==(const A& a, const B& b) {
    return vmObj(a.get()) == vmObj(b.get());
}
template <class A>
    requires VMRefLike<A>
inline bool operator==(const A& a, std::nullptr_t) {
    return a.get() == nullptr;
}

// Java's reference cast: the same object when it is a T, else null. Casts
// never throw.
// (vmDowncast is defined in VMClass.h.)
template <class T>
T* vmDowncast(java::lang::Object* o);
template <class T, class R>
    requires VMRefLike<R>
inline VMPtr<T> vmCast(const R& r) {
    return VMPtr<T>(vmDowncast<T>(vmObj(r.get())));
}
template <class T, class U>
inline VMPtr<T> vmCast(U* p) {
    return VMPtr<T>(vmDowncast<T>(vmObj(p)));
}

// The target is marked by its own address: converting it to Object, a
// virtual base, would read the target, and most targets a collection meets
// are marked already.
template <class T>
inline void VMField<T>::mark(uint32_t) const {
    if (ptr_) vmMarkReference(ptr_);
}
