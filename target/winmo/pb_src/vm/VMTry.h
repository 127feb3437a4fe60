// Java's try/finally and try/catch as calls. Written out by hand, each needs
// a handler that roots what it caught as its first statement and rethrows
// with throwSelf; here that is done once, so no class can get it wrong.
//
//   // try { target.paint(g); } finally { g.dispose(); }
//   vmTryFinally([&] { target->paint(g); }, [&] { g->dispose(); });
//
//   // try { return Integer.parseInt(v); } catch (NumberFormatException e) { return def; }
//   return vmTryCatch([&] { return Integer::parseInt(v); },
//                     [&](const VMPtr<NumberFormatException>& e) { return def; });
//
// vmTryFinally runs the cleanup after the body, whether the body returns or
// throws. A thrown exception stays rooted while the cleanup runs and then goes
// on as its real class; an exception thrown by the cleanup replaces it, as in
// Java. The body's result is handed back after the cleanup.
//
// vmTryCatch gives each handler the type it catches through its parameter,
// `const VMPtr<T>&` (or `VMPtr<T>` when the handler assigns to it). Handlers
// are tried in order, the first of a matching class runs, and an exception no
// handler takes goes on untouched. An exception thrown by a handler leaves the
// whole call: no other handler of the same call sees it. A handler's result
// is the call's result, so with a body that returns a value every handler
// returns one too (a lambda that always throws then names its return type).
//
// try/catch/finally is a vmTryCatch inside a vmTryFinally's body. Body,
// handlers and cleanup are called in place: `return` inside one leaves only
// that lambda. A handler of VMException catches everything, the exit of the
// program included, as `catch (VMException*)` does.
#pragma once

#include <type_traits>
#include <utility>

#include "VMException.h"

namespace vmtry_detail {

// What a handler catches: T, from its one parameter VMPtr<T>.
template <class Fn>
struct Handler : Handler<decltype(&std::remove_cvref_t<Fn>::operator())> {};
template <class C, class R, class A>
struct Handler<R (C::*)(A) const> {
    using Arg = std::remove_cvref_t<A>;
    using Caught = typename Arg::element_type;
    static_assert(std::is_same_v<Arg, VMPtr<Caught>>, "a handler takes the exception as a VMPtr");
    static_assert(std::is_base_of_v<VMException, Caught>, "a handler catches a throwable class");
};
template <class C, class R, class A>
struct Handler<R (C::*)(A)> : Handler<R (C::*)(A) const> {};
template <class C, class R, class A>
struct Handler<R (C::*)(A) const noexcept> : Handler<R (C::*)(A) const> {};
template <class C, class R, class A>
struct Handler<R (C::*)(A) noexcept> : Handler<R (C::*)(A) const> {};

template <class R, class Fn>
constexpr void checkHandlerResult() {
    using Result = std::invoke_result_t<Fn&, const VMPtr<typename Handler<Fn>::Caught>&>;
    if constexpr (std::is_void_v<R>)
        static_assert(std::is_void_v<Result>, "the body returns nothing: so does the handler");
    else
        static_assert(std::is_convertible_v<Result, R>,
                      "the handler returns what the body returns (give a lambda that always "
                      "throws that return type)");
}

// Runs the first handler whose class the exception has; rethrows it when none has.
template <class R, class Fn, class... More>
R dispatch(const VMPtr<VMException>& e, Fn& handler, More&... more) {
    using T = typename Handler<Fn>::Caught;
    if (T* t = dynamic_cast<T*>(e.get())) {
        VMPtr<T> caught = t;
        return handler(caught);
    }
    if constexpr (sizeof...(More) > 0) {
        return dispatch<R>(e, more...);
    } else {
        e->throwSelf();
        __builtin_unreachable();  // the compiler can't see that a virtual call never returns
    }
}

}  // namespace vmtry_detail

template <class Body, class Cleanup>
std::invoke_result_t<Body&> vmTryFinally(Body&& body, Cleanup&& cleanup) {
    using R = std::invoke_result_t<Body&>;
    static_assert(
        !(std::is_pointer_v<R> &&
          std::is_base_of_v<java::lang::Object, std::remove_cv_t<std::remove_pointer_t<R>>>),
        "the cleanup may collect: return the object as a VMPtr");
    // The cleanup of the normal path stays outside the try, so that when it
    // throws it does not run a second time.
    auto guarded = [&]() -> R {
        try {
            return body();
        } catch (VMException* caught) {
            VMPtr<VMException> e = caught;
            cleanup();
            e->throwSelf();
            __builtin_unreachable();
        }
    };
    if constexpr (std::is_void_v<R>) {
        guarded();
        cleanup();
    } else {
        R result = guarded();
        cleanup();
        return result;
    }
}

template <class Body, class Fn, class... More>
std::invoke_result_t<Body&> vmTryCatch(Body&& body, Fn&& handler, More&&... more) {
    using R = std::invoke_result_t<Body&>;
    vmtry_detail::checkHandlerResult<R, Fn>();
    (vmtry_detail::checkHandlerResult<R, More>(), ...);
    if constexpr (sizeof...(More) == 0) {
        // One handler: the language's own catch matches the class, and
        // anything else passes without being caught.
        using T = typename vmtry_detail::Handler<Fn>::Caught;
        try {
            return body();
        } catch (T* thrown) {
            VMPtr<T> caught = thrown;
            return handler(caught);
        }
    } else {
        try {
            return body();
        } catch (VMException* thrown) {
            VMPtr<VMException> caught = thrown;
            return vmtry_detail::dispatch<R>(caught, handler, more...);
        }
    }
}
