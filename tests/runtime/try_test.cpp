// try/finally and try/catch through vmTryFinally and vmTryCatch: which block
// runs when, what leaves the call, and that a caught exception stays alive
// while the blocks run.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "VM.h"
#include "VMTry.h"
#include "java_io_EOFException.h"
#include "java_io_IOException.h"
#include "java_lang_Error.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_OutOfMemoryError.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_System.h"
#include "runtime/runtime_test_support.h"

using java::io::EOFException;
using java::io::IOException;
using java::lang::IllegalArgumentException;
using java::lang::IllegalStateException;
using java::lang::RuntimeException;
using java::lang::String;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;

namespace {

// Throws a new exception held only by the throw: the local that made it is
// gone once the throw has left this function.
template <class E>
[[noreturn]] void throwFresh(const char* message, VMWeakPtr<Throwable>* watch = nullptr) {
    VMPtr<Throwable> e = E::make(String::make(message));
    if (watch) *watch = e;
    e->throwSelf();
    __builtin_unreachable();
}

// Throws and catches an exception of its own, so that the in-flight slot no
// longer holds the one being handled, then collects.
void clobberInFlightAndCollect() {
    try {
        IllegalArgumentException::throwNew(WREN_LIT("other"));
    } catch (IllegalArgumentException* other) {
        VMPtr<IllegalArgumentException> held = other;
    }
    java::lang::System::gc();
}

// Collects when destroyed: placed between a rethrow and its handler, it
// collects while the exception is on its way.
struct CollectOnUnwind {
    ~CollectOnUnwind() { VM::collect(); }
};

TEST(TryFinally, CleanupRunsOnceAfterTheBodyOnEveryWayOut) {
    struct Case {
        const char* name;
        std::function<jint()> body;
        const char* cleanupThrows;  // message, or null
        const char* escapes;        // class name, or "nothing"
        const char* message;        // of what escapes
    };
    const Case cases[] = {
        {"returns", [] { return jint(7); }, nullptr, "nothing", ""},
        {"throws", []() -> jint { throwFresh<IllegalStateException>("body"); }, nullptr,
         "java.lang.IllegalStateException", "body"},
        // The cleanup's exception replaces the body's, as in Java.
        {"throws, cleanup throws", []() -> jint { throwFresh<IllegalStateException>("body"); },
         "cleanup", "java.lang.IllegalArgumentException", "cleanup"},
        // A cleanup that throws on the normal path is not run again.
        {"returns, cleanup throws", [] { return jint(7); }, "cleanup",
         "java.lang.IllegalArgumentException", "cleanup"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string trace;
        jint result = -1;
        VMPtr<Throwable> escaped = thrownBy([&] {
            result = vmTryFinally(
                [&] {
                    trace += "body ";
                    return c.body();
                },
                [&] {
                    trace += "cleanup ";
                    if (c.cleanupThrows)
                        IllegalArgumentException::throwNew(String::make(c.cleanupThrows));
                });
        });
        EXPECT_EQ(trace, "body cleanup ");
        EXPECT_EQ(classNameOf(escaped), c.escapes);
        if (escaped) {
            EXPECT_EQ(text(escaped->getMessage()), c.message);
            EXPECT_EQ(result, -1);
        } else {
            EXPECT_EQ(result, 7);
        }
    }
}

TEST(TryFinally, ReturnedObjectOutlivesACollectionInTheCleanup) {
    VMPtr<String> result =
        vmTryFinally([] { return String::make("kept"); }, [] { java::lang::System::gc(); });
    EXPECT_EQ(text(result), "kept");
}

TEST(TryFinally, RethrowKeepsTheRealClassOfAnExceptionHeldThroughABase) {
    const char* where = "nowhere";
    try {
        vmTryFinally(
            [] {
                VMPtr<Throwable> base = EOFException::make(String::make("eof"));
                base->throwSelf();
            },
            [] {});
    } catch (EOFException* caught) {
        VMPtr<EOFException> held = caught;
        where = "EOFException";
    } catch (Throwable* caught) {
        VMPtr<Throwable> held = caught;
        where = "Throwable";
    }
    EXPECT_STREQ(where, "EOFException");
}

TEST(TryFinally, ExitPassesThroughAfterTheCleanup) {
    bool cleaned = false;
    jint status = -1;
    try {
        vmTryFinally([] { VMExitException::make(4)->throwSelf(); }, [&] { cleaned = true; });
    } catch (VMExitException* caught) {
        VMPtr<VMExitException> held = caught;
        status = held->status;
    }
    EXPECT_TRUE(cleaned);
    EXPECT_EQ(status, 4);
}

TEST(TryFinally, ExceptionSurvivesCollectionsInTheCleanupAndOnItsWayOut) {
    VMWeakPtr<Throwable> watch;
    std::string message;
    try {
        CollectOnUnwind collectAfterTheRethrow;
        vmTryFinally([&] { throwFresh<IllegalStateException>("kept", &watch); },
                     [] { clobberInFlightAndCollect(); });
    } catch (IllegalStateException* caught) {
        VMPtr<IllegalStateException> held = caught;
        message = text(held->getMessage());
    }
    EXPECT_EQ(message, "kept");
    EXPECT_FALSE(watch == nullptr);
}

TEST(TryFinally, NestedCleanupsRunInnermostFirst) {
    std::string trace;
    VMPtr<Throwable> escaped = thrownBy([&] {
        vmTryFinally(
            [&] {
                vmTryFinally([] { throwFresh<IllegalStateException>("deep"); },
                             [&] { trace += "inner "; });
            },
            [&] { trace += "outer "; });
    });
    EXPECT_EQ(trace, "inner outer ");
    EXPECT_EQ(classNameOf(escaped), "java.lang.IllegalStateException");
    EXPECT_EQ(text(escaped->getMessage()), "deep");
}

TEST(TryFinally, WithACatchInsideRunsHandlerThenCleanup) {
    // try { throw } catch (IOException) { ... } finally { ... }, with the
    // handler returning, then throwing.
    std::string trace;
    jint result = vmTryFinally(
        [&] {
            return vmTryCatch([]() -> jint { throwFresh<EOFException>("eof"); },
                              [&](const VMPtr<IOException>& e) {
                                  trace += "catch " + text(e->getMessage()) + " ";
                                  return jint(3);
                              });
        },
        [&] { trace += "finally "; });
    EXPECT_EQ(result, 3);
    EXPECT_EQ(trace, "catch eof finally ");

    trace.clear();
    VMPtr<Throwable> escaped = thrownBy([&] {
        vmTryFinally(
            [&] {
                vmTryCatch([] { throwFresh<EOFException>("eof"); },
                           [&](const VMPtr<IOException>&) {
                               trace += "catch ";
                               throwFresh<IllegalStateException>("from the handler");
                           });
            },
            [&] { trace += "finally "; });
    });
    EXPECT_EQ(trace, "catch finally ");
    EXPECT_EQ(classNameOf(escaped), "java.lang.IllegalStateException");
}

// Runs `thrower` under the handlers (IOException, RuntimeException) when
// `both`, else under the IOException one alone; names the handler that ran
// and the class it was given, or what left the call.
std::string handledBy(const std::function<void()>& thrower, bool both) {
    std::string seen;
    auto io = [&](const VMPtr<IOException>& e) { seen = "IOException got " + classNameOf(e); };
    auto runtime = [&](const VMPtr<RuntimeException>& e) {
        seen = "RuntimeException got " + classNameOf(e);
    };
    VMPtr<Throwable> escaped = thrownBy([&] {
        if (both)
            vmTryCatch(thrower, io, runtime);
        else
            vmTryCatch(thrower, io);
    });
    if (escaped) seen += "escaped " + classNameOf(escaped);
    return seen;
}

TEST(TryCatch, FirstHandlerOfTheClassOrASuperclassRunsElseTheExceptionPasses) {
    struct Case {
        const char* name;
        std::function<void()> thrower;
        const char* withBoth;
        const char* withIOOnly;
    };
    const Case cases[] = {
        {"subclass", [] { throwFresh<EOFException>("x"); }, "IOException got java.io.EOFException",
         "IOException got java.io.EOFException"},
        {"thrown through a base",
         [] {
             VMPtr<Throwable> base = EOFException::make();
             base->throwSelf();
         },
         "IOException got java.io.EOFException", "IOException got java.io.EOFException"},
        {"second handler", [] { throwFresh<IllegalStateException>("x"); },
         "RuntimeException got java.lang.IllegalStateException",
         "escaped java.lang.IllegalStateException"},
        {"no handler", [] { java::lang::OutOfMemoryError::throwNew(); },
         "escaped java.lang.OutOfMemoryError", "escaped java.lang.OutOfMemoryError"},
        {"nothing thrown", [] {}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(handledBy(c.thrower, true), c.withBoth);
        EXPECT_EQ(handledBy(c.thrower, false), c.withIOOnly);
    }
}

TEST(TryCatch, HandlersAreTriedInOrder) {
    std::string seen;
    vmTryCatch([] { throwFresh<EOFException>("x"); },
               [&](const VMPtr<EOFException>&) { seen += "EOFException "; },
               [&](const VMPtr<IOException>&) { seen += "IOException "; });
    vmTryCatch([] { throwFresh<IOException>("x"); },
               [&](const VMPtr<EOFException>&) { seen += "EOFException "; },
               [&](const VMPtr<IOException>&) { seen += "IOException "; });
    EXPECT_EQ(seen, "EOFException IOException ");
}

TEST(TryCatch, ExceptionFromAHandlerLeavesTheCall) {
    // The second handler would take an IllegalStateException, but not one
    // thrown by the first handler of the same call.
    for (bool multiple : {false, true}) {
        SCOPED_TRACE(multiple ? "two handlers" : "one handler");
        bool siblingRan = false;
        auto rethrowAsState = [](const VMPtr<IOException>& e) {
            IllegalStateException::throwNew(e->getMessage());
        };
        VMPtr<Throwable> escaped = thrownBy([&] {
            if (multiple)
                vmTryCatch([] { throwFresh<IOException>("io"); }, rethrowAsState,
                           [&](const VMPtr<IllegalStateException>&) { siblingRan = true; });
            else
                vmTryCatch([] { throwFresh<IOException>("io"); }, rethrowAsState);
        });
        EXPECT_FALSE(siblingRan);
        ASSERT_EQ(classNameOf(escaped), "java.lang.IllegalStateException");
        EXPECT_EQ(text(escaped->getMessage()), "io");
    }
}

TEST(TryCatch, HandlerRethrowKeepsTheRealClass) {
    for (bool multiple : {false, true}) {
        SCOPED_TRACE(multiple ? "two handlers" : "one handler");
        auto rethrow = [](const VMPtr<Throwable>& e) { e->throwSelf(); };
        auto unused = [](const VMPtr<java::lang::Error>&) {};
        const char* where = "nowhere";
        try {
            if (multiple)
                vmTryCatch([] { throwFresh<EOFException>("eof"); }, unused, rethrow);
            else
                vmTryCatch([] { throwFresh<EOFException>("eof"); }, rethrow);
        } catch (EOFException* caught) {
            VMPtr<EOFException> held = caught;
            where = "EOFException";
        } catch (Throwable* caught) {
            VMPtr<Throwable> held = caught;
            where = "Throwable";
        }
        EXPECT_STREQ(where, "EOFException");
    }
}

TEST(TryCatch, CaughtExceptionSurvivesCollectionsInTheHandler) {
    for (bool multiple : {false, true}) {
        SCOPED_TRACE(multiple ? "two handlers" : "one handler");
        VMWeakPtr<Throwable> watch;
        auto handler = [](const VMPtr<IllegalStateException>& e) {
            clobberInFlightAndCollect();
            return text(e->getMessage());
        };
        auto unused = [](const VMPtr<IOException>&) { return std::string("IOException"); };
        auto body = [&]() -> std::string { throwFresh<IllegalStateException>("kept", &watch); };
        std::string message =
            multiple ? vmTryCatch(body, unused, handler) : vmTryCatch(body, handler);
        EXPECT_EQ(message, "kept");
        EXPECT_FALSE(watch == nullptr);
    }
}

TEST(TryCatch, ResultIsTheBodysOrTheHandlers) {
    auto fallback = [](const VMPtr<IOException>&) { return String::make("fallback"); };
    VMPtr<String> fromBody = vmTryCatch([] { return String::make("body"); }, fallback);
    VMPtr<String> fromHandler =
        vmTryCatch([]() -> VMPtr<String> { throwFresh<IOException>("x"); }, fallback);
    EXPECT_EQ(text(fromBody), "body");
    EXPECT_EQ(text(fromHandler), "fallback");
}

TEST(TryCatch, OnlyAVMExceptionHandlerCatchesExit) {
    std::string seen;
    try {
        vmTryCatch([] { VMExitException::make(2)->throwSelf(); },
                   [&](const VMPtr<Throwable>&) { seen += "Throwable "; });
    } catch (VMExitException* caught) {
        VMPtr<VMExitException> held = caught;
        seen += "passed ";
    }
    vmTryCatch([] { VMExitException::make(2)->throwSelf(); },
               [&](const VMPtr<VMException>&) { seen += "VMException "; });
    EXPECT_EQ(seen, "passed VMException ");
}

}  // namespace
