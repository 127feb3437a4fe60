// The class macros. Every class is declared with one macro inside its body
// and defined with one macro in its source file; see
// target/winmo/pb_src/vm/README.md for the conventions and a worked example.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "java_lang_Class.h"

// --- preprocessor iteration over a variadic list --------------------------
#define WREN_PARENS_ ()
#define WREN_EXPAND_(...) WREN_EXPAND4_(WREN_EXPAND4_(WREN_EXPAND4_(WREN_EXPAND4_(__VA_ARGS__))))
#define WREN_EXPAND4_(...) WREN_EXPAND3_(WREN_EXPAND3_(WREN_EXPAND3_(WREN_EXPAND3_(__VA_ARGS__))))
#define WREN_EXPAND3_(...) WREN_EXPAND2_(WREN_EXPAND2_(WREN_EXPAND2_(WREN_EXPAND2_(__VA_ARGS__))))
#define WREN_EXPAND2_(...) WREN_EXPAND1_(WREN_EXPAND1_(WREN_EXPAND1_(WREN_EXPAND1_(__VA_ARGS__))))
#define WREN_EXPAND1_(...) __VA_ARGS__
#define WREN_FOR_EACH_(m, ...) __VA_OPT__(WREN_EXPAND_(WREN_FOR_EACH_STEP_(m, __VA_ARGS__)))
#define WREN_FOR_EACH_STEP_(m, a, ...) m(a) __VA_OPT__(WREN_FOR_EACH_AGAIN_ WREN_PARENS_(m, __VA_ARGS__))
#define WREN_FOR_EACH_AGAIN_() WREN_FOR_EACH_STEP_
#define WREN_FOR_EACH_ARG_(m, x, ...) __VA_OPT__(WREN_EXPAND_(WREN_FOR_EACH_ARG_STEP_(m, x, __VA_ARGS__)))
#define WREN_FOR_EACH_ARG_STEP_(m, x, a, ...) \
    m(x, a) __VA_OPT__(WREN_FOR_EACH_ARG_AGAIN_ WREN_PARENS_(m, x, __VA_ARGS__))
#define WREN_FOR_EACH_ARG_AGAIN_() WREN_FOR_EACH_ARG_STEP_
#define WREN_CAT_(a, b) WREN_CAT_I_(a, b)
#define WREN_CAT_I_(a, b) a##b

// Which class a class really extends: see VMOtherThan in java_lang_Object.h.
#define WREN_NEAREST_CLASS_PROBE_(Self) \
    friend Self* wrenNearestClass_(Self* p_, ::VMOtherThan<Self>) { return p_; }

// A reference field is written (name, Type): the type may contain commas.
#define WREN_REF_DECL_(pair) WREN_REF_DECL_I_ pair
#define WREN_REF_DECL_I_(name, ...) VMField<__VA_ARGS__> name;
#define WREN_REF_VISIT_(pair) WREN_REF_VISIT_I_ pair
#define WREN_REF_VISIT_I_(name, ...) f_(name);

// --- declaration: one macro inside the class body ---------------------------
//
//   class Node : public virtual java::lang::Object {
//       WREN_CLASS(Node, java::lang::Object, (next, Node), (label, java::lang::String))
//   public:
//       jint weight = 0;
//       void ctor(const VMPtr<java::lang::String>& label);
//   };
//
// The trailing list declares the reference fields and is the only place they
// are declared, so marking can't miss one.
#define WREN_CLASS(Self, Super, ...)                                                     \
public:                                                                                  \
    using wrenSelf_ = Self;                                                              \
    using wrenSuper_ = Super;                                                            \
    static constexpr bool wrenIsInterface_ = false;                                      \
    WREN_NEAREST_CLASS_PROBE_(Self)                                                      \
    static ::java::lang::Class* wrenClass_;                                              \
    static ::java::lang::Class* classRecord() { return wrenClass_; }                     \
    static void clinit() {                                                               \
        if (WREN_UNLIKELY(!wrenClass_ || wrenClass_->initState != 0))                    \
            ::vmEnsureClassReady(wrenClass_, #Self);                                     \
    }                                                                                    \
    static ::java::lang::Class* wrenRegister_();                                         \
    ::java::lang::Class* getClass() override { return wrenClass_; }                      \
    void markReferences(uint32_t bits) override;                                         \
    template <class S_ = Self>                                                           \
    static VMPtr<S_> allocate() {                                                        \
        clinit();                                                                        \
        return ::vmAdopt(new S_());                                                      \
    }                                                                                    \
    /* `new Self(args)`: allocation, then the Java constructor ctor(args). */            \
    template <class... A_>                                                               \
    static VMPtr<Self> make(A_&&... a_) {                                                \
        VMPtr<Self> p_ = allocate();                                                     \
        p_->ctor(std::forward<A_>(a_)...);                                               \
        return p_;                                                                       \
    }                                                                                    \
    WREN_FOR_EACH_(WREN_REF_DECL_, __VA_ARGS__)                                          \
    template <class F_>                                                                  \
    void wrenEachRef_([[maybe_unused]] F_&& f_) {                                        \
        WREN_FOR_EACH_(WREN_REF_VISIT_, __VA_ARGS__)                                     \
    }                                                                                    \
                                                                                         \
public:

// An exception class: a class whose objects can be thrown. throwSelf throws
// the object as a pointer to its real class, so a rethrow through a base
// reference is still caught by a handler of the real class.
#define WREN_THROWABLE(Self, Super, ...)                                                 \
    WREN_CLASS(Self, Super __VA_OPT__(, ) __VA_ARGS__)                                   \
    [[noreturn]] void throwSelf() override {                                             \
        ::vmSetInFlight(this);                                                           \
        throw this;                                                                      \
    }                                                                                    \
    /* `throw new Self(args)` */                                                         \
    template <class... A_>                                                               \
    [[noreturn]] static void throwNew(A_&&... a_) {                                      \
        make(std::forward<A_>(a_)...)->throwSelf();                                      \
        __builtin_unreachable();                                                         \
    }                                                                                    \
                                                                                         \
public:

// An interface: no fields, no instances of its own.
#define WREN_INTERFACE(Self)                                                             \
public:                                                                                  \
    using wrenSelf_ = Self;                                                              \
    static constexpr bool wrenIsInterface_ = true;                                       \
    static ::java::lang::Class* wrenClass_;                                              \
    static ::java::lang::Class* classRecord() { return wrenClass_; }                     \
    static void clinit() {                                                               \
        if (WREN_UNLIKELY(!wrenClass_ || wrenClass_->initState != 0))                    \
            ::vmEnsureClassReady(wrenClass_, #Self);                                     \
    }                                                                                    \
    static ::java::lang::Class* wrenRegister_();                                         \
                                                                                         \
public:

// A class with a Java static initialiser declares it with this macro and
// defines `void Self::staticInit()` in its source file.
#define WREN_STATIC_INIT()                                                               \
    static void staticInit();                                                            \
    using wrenStaticInitOwner_ = wrenSelf_;

// Static fields live in one struct reached through S(), which runs the
// static-initialiser check first:
//   struct Statics { VMStaticPtr<String> greeting; jint count = 0; };
//   WREN_STATICS(Statics)
// The struct is kept in a function-local static: a static data member of the
// nested type would need its member initialisers before the enclosing class
// is complete, which the language does not allow. wrenStatics_() reaches the
// struct without the check (the runtime's own use, and tests).
#define WREN_STATICS(Type)                                                               \
    static Type& wrenStatics_() {                                                        \
        static Type statics_;                                                            \
        return statics_;                                                                 \
    }                                                                                    \
    static Type& S() {                                                                   \
        clinit();                                                                        \
        return wrenStatics_();                                                           \
    }

// --- definition: one macro in the class's source file -----------------------
//
//   WREN_DEFINE_CLASS(pkg::Node, "pkg.Node")
//   WREN_DEFINE_CLASS(pkg::Task, "pkg.Task", java::lang::Runnable)
//   WREN_DEFINE_ABSTRACT_CLASS(pkg::Shape, "pkg.Shape")
//   WREN_DEFINE_INTERFACE(pkg::Sized, "pkg.Sized")
//   WREN_DEFINE_INTERFACE(pkg::Box, "pkg.Box", pkg::Sized)
//
// The superclass is the one WREN_CLASS names, and the compiler checks that it
// is the class's direct C++ base. Trailing arguments are the interfaces the
// class implements directly (for an interface, those it extends), as types:
// each must be an interface and a base of the class. The record's relations
// are taken from these types when start-up resolves the registrations, so
// the record, `vmIsInstanceOf` and `vmCast` can't disagree.
#define WREN_DEFINE_CLASS(Cls, javaName, ...)                                            \
    WREN_DEFINE_BODY_(Cls, javaName, ::VMClassKind::Concrete __VA_OPT__(, ) __VA_ARGS__)
#define WREN_DEFINE_ABSTRACT_CLASS(Cls, javaName, ...)                                   \
    WREN_DEFINE_BODY_(Cls, javaName, ::VMClassKind::Abstract __VA_OPT__(, ) __VA_ARGS__)
#define WREN_DEFINE_INTERFACE(Cls, javaName, ...)                                        \
    static_assert(Cls::wrenIsInterface_, #Cls " is defined as an interface but declared " \
                                         "with WREN_CLASS: use WREN_INTERFACE");           \
    WREN_CHECK_INTERFACES_(Cls __VA_OPT__(, ) __VA_ARGS__)                               \
    ::java::lang::Class* Cls::wrenClass_ = nullptr;                                      \
    ::java::lang::Class* Cls::wrenRegister_() {                                          \
        return wrenClass_ = ::vmRegisterClassRecord(javaName, nullptr, __FILE__,         \
                                                    ::vmStaticInitOf<Cls>(), nullptr,    \
                                                    ::VMClassKind::Interface);           \
    }                                                                                    \
    WREN_PENDING_(Cls, nullptr __VA_OPT__(, ) __VA_ARGS__)

#define WREN_DEFINE_BODY_(Cls, javaName, kind, ...)                                      \
    static_assert(!Cls::wrenIsInterface_,                                                \
                  #Cls " is declared with WREN_INTERFACE: define it with WREN_DEFINE_INTERFACE"); \
    static_assert(::vmNamesDirectSuperclass<Cls>(),                                      \
                  "WREN_CLASS of " #Cls " names a superclass that is not its direct C++ base " \
                  "class (the parent's fields would not be marked)");                    \
    WREN_CHECK_INTERFACES_(Cls __VA_OPT__(, ) __VA_ARGS__)                               \
    ::java::lang::Class* Cls::wrenClass_ = nullptr;                                      \
    void Cls::markReferences(uint32_t bits) {                                            \
        wrenSuper_::markReferences(bits);                                                \
        wrenEachRef_([bits](const auto& f_) { f_.mark(bits); });                         \
    }                                                                                    \
    ::java::lang::Class* Cls::wrenRegister_() {                                          \
        return wrenClass_ = ::vmRegisterClassRecord(javaName, nullptr, __FILE__,         \
                                                    ::vmStaticInitOf<Cls>(),             \
                                                    ::vmFactoryOf<Cls, kind>(), kind);   \
    }                                                                                    \
    WREN_PENDING_(Cls, &Cls::wrenSuper_::wrenClass_ __VA_OPT__(, ) __VA_ARGS__)

#define WREN_CHECK_INTERFACES_(Cls, ...) WREN_FOR_EACH_ARG_(WREN_CHECK_INTERFACE_, Cls, __VA_ARGS__)
#define WREN_CHECK_INTERFACE_(Cls, Iface)                                                \
    static_assert(Iface::wrenIsInterface_,                                               \
                  #Cls ": " #Iface " is named as an interface but is a class");          \
    static_assert(std::is_base_of_v<Iface, Cls>,                                         \
                  #Cls " names the interface " #Iface " but does not derive from it");

// The registration entry: the record's slot, its superclass's slot (null for
// an interface) and the slots of its direct interfaces, null-terminated.
#define WREN_PENDING_(Cls, superSlot, ...)                                               \
    namespace {                                                                          \
    ::java::lang::Class** const WREN_CAT_(wrenInterfaceSlots_, __LINE__)[] = {           \
        WREN_FOR_EACH_(WREN_INTERFACE_SLOT_, __VA_ARGS__) nullptr};                      \
    ::VMPendingClass WREN_CAT_(wrenPendingClass_, __LINE__)(                             \
        &Cls::wrenRegister_, &Cls::wrenClass_, superSlot,                                \
        WREN_CAT_(wrenInterfaceSlots_, __LINE__));                                       \
    }
#define WREN_INTERFACE_SLOT_(Iface) &Iface::wrenClass_,

// The boot class names its static entry point with this, after its definition.
#define WREN_MAIN_ENTRY(Cls, fn)                                                         \
    namespace {                                                                          \
    ::VMPendingMainEntry WREN_CAT_(wrenMainEntry_, __LINE__)(&Cls::wrenClass_, fn);      \
    }

// --- helpers the macros expand to -------------------------------------------

// Fails loudly when a class is used before the VM registered it; else runs
// the initialisation protocol.
void vmEnsureClassReady(java::lang::Class* cls, const char* cppName);

// Roots an exception for the time between its throw and its handler.
void vmSetInFlight(java::lang::Object* exception);

// True when the superclass WREN_CLASS names is the class's direct base among
// the classes (interfaces aside).
template <class C>
constexpr bool vmNamesDirectSuperclass() {
    using Nearest = decltype(wrenNearestClass_(static_cast<C*>(nullptr), VMClassTag<C>{}));
    return std::is_same_v<Nearest, typename C::wrenSuper_*>;
}

template <class C>
constexpr java::lang::Class::StaticInit vmStaticInitOf() {
    if constexpr (std::is_same_v<typename C::wrenStaticInitOwner_, C>)
        return &C::staticInit;
    else
        return &vmEmptyStaticInit;
}

template <class C>
VMPtr<java::lang::Object> vmFactoryCall() {
    return C::make();
}

template <class C, VMClassKind K>
constexpr java::lang::Class::Factory vmFactoryOf() {
    if constexpr (K == VMClassKind::Concrete && requires(C& c) { c.ctor(); })
        return &vmFactoryCall<C>;
    else
        return nullptr;
}

// The object as a T, or null. An object whose class is exactly T (the common
// case: a cast to the class an object was made as) skips the general
// dynamic_cast: within objects of one most-derived class the Object part
// always sits at the same offset, learnt from the first such cast.
//
// Casts to an array type succeed exactly where Java's instanceof does, except
// to an array over an interface, which a compile error refuses.
template <class T>
T* vmDowncast(java::lang::Object* o) {
    if constexpr (requires { T::kInterfaceElements; }) {
        static_assert(!T::kInterfaceElements,
                      "no cast to an array over an interface: the arrays of the classes that "
                      "implement it are not that C++ type, so the cast would miss them. Take "
                      "VMArray<java::lang::Object*>, which every reference array is, and cast "
                      "its elements");
    }
    if (!o) return nullptr;
    // Only classes declared with the class macros.
    if constexpr (requires { typename T::wrenSelf_; }) {
        static_assert(std::is_same_v<typename T::wrenSelf_, T>, "a class without its own macro");
        static std::ptrdiff_t objectOffset = PTRDIFF_MIN;
        if (T::classRecord() && o->getClass() == T::classRecord()) {
            if (WREN_LIKELY(objectOffset != PTRDIFF_MIN))
                return reinterpret_cast<T*>(reinterpret_cast<char*>(o) - objectOffset);
            T* t = dynamic_cast<T*>(o);
            if (t) objectOffset = reinterpret_cast<char*>(o) - reinterpret_cast<char*>(t);
            return t;
        }
    }
    return dynamic_cast<T*>(o);
}
