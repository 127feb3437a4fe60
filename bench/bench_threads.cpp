// The thread benchmark: two Java threads on the runtime hand a monitor back
// and forth in two ways. In the first they pass a token with wait and notify;
// in the second they contend for the monitor, yielding after each hold. Both
// report hand-offs per second. bench/java/ThreadHandoff.java is the Java twin.
//
//   bench_threads [--passes N] [--rounds N]
//
// --passes is the number of token passes; --rounds the number of holds each
// contending thread makes. A hand-off in the second workload is a hold by the
// other thread than the last one.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_args.h"
#include "HAL_threads.h"
#include "VM.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_lang_Thread.h"

namespace bench {

class Token : public virtual java::lang::Object {
    WREN_CLASS(Token, java::lang::Object)
public:
    jint turn = 0;
    jint passes = 0;
    jint limit = 0;
};

// Waits for the token, passes it to the other thread, until `limit` passes.
class Passer : public java::lang::Thread {
    WREN_CLASS(Passer, java::lang::Thread, (token, Token))
public:
    jint me = 0;
    void ctor(const VMPtr<Token>& t, jint id) {
        Thread::ctor();
        token = t;
        me = id;
    }
    void run() override {
        VMSynchronized guard(token);
        for (;;) {
            while (token->turn != me && token->passes < token->limit) token->wait();
            if (token->passes >= token->limit) break;
            token->turn = 1 - me;
            ++token->passes;
            token->notify();
        }
        token->notifyAll();
    }
};

class Counter : public virtual java::lang::Object {
    WREN_CLASS(Counter, java::lang::Object)
public:
    jint count = 0;
    jint last = -1;
    jint handoffs = 0;
    jint ready = 0;
};

// Holds the monitor `rounds` times, yielding after each hold, once the other
// contender has arrived.
class Contender : public java::lang::Thread {
    WREN_CLASS(Contender, java::lang::Thread, (counter, Counter))
public:
    jint me = 0;
    jint rounds = 0;
    void ctor(const VMPtr<Counter>& c, jint id, jint n) {
        Thread::ctor();
        counter = c;
        me = id;
        rounds = n;
    }
    void run() override {
        {
            // Both start together: otherwise the first may be done before
            // the second has begun.
            VMSynchronized guard(counter);
            ++counter->ready;
            counter->notifyAll();
            while (counter->ready < 2) counter->wait();
        }
        for (jint i = 0; i < rounds; ++i) {
            {
                VMSynchronized guard(counter);
                ++counter->count;
                if (counter->last != me) {
                    ++counter->handoffs;
                    counter->last = me;
                }
            }
            Thread::yield();
        }
    }
};

}  // namespace bench

WREN_DEFINE_CLASS(bench::Token, "bench.Token")
WREN_DEFINE_CLASS(bench::Passer, "bench.Passer")
WREN_DEFINE_CLASS(bench::Counter, "bench.Counter")
WREN_DEFINE_CLASS(bench::Contender, "bench.Contender")

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kUsage = "bench_threads [--passes N] [--rounds N]";

[[noreturn]] void usage() { benchargs::usage(kUsage); }

long positiveArg(int argc, char** argv, int& i) {
    return benchargs::positiveArg(argc, argv, i, kUsage, 1000000000);
}

void join(const VMPtr<java::lang::Thread>& t) {
    VMSynchronized guard(t);
    while (t->isAlive()) t->wait();
}

double millisSince(Clock::time_point started) {
    return std::chrono::duration<double, std::milli>(Clock::now() - started).count();
}

// Returns the time taken, in milliseconds.
double passTokens(jint passes) {
    VMPtr<bench::Token> token = bench::Token::make();
    token->limit = passes;
    VMPtr<bench::Passer> a = bench::Passer::make(token, 0);
    VMPtr<bench::Passer> b = bench::Passer::make(token, 1);
    auto started = Clock::now();
    a->start();
    b->start();
    join(a);
    join(b);
    double ms = millisSince(started);
    if (token->passes != passes) {
        std::fprintf(stderr, "bench_threads: %d passes instead of %d\n", token->passes, passes);
        std::exit(1);
    }
    return ms;
}

// Returns the time taken in milliseconds; `handoffs` gets the hand-off count.
double contend(jint rounds, jint& handoffs) {
    VMPtr<bench::Counter> counter = bench::Counter::make();
    VMPtr<bench::Contender> a = bench::Contender::make(counter, 0, rounds);
    VMPtr<bench::Contender> b = bench::Contender::make(counter, 1, rounds);
    auto started = Clock::now();
    a->start();
    b->start();
    join(a);
    join(b);
    double ms = millisSince(started);
    if (counter->count != 2 * rounds) {
        std::fprintf(stderr, "bench_threads: count %d instead of %d\n", counter->count, 2 * rounds);
        std::exit(1);
    }
    handoffs = counter->handoffs;
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    long passes = 200000, rounds = 1000000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--passes") == 0) passes = positiveArg(argc, argv, i);
        else if (std::strcmp(argv[i], "--rounds") == 0) rounds = positiveArg(argc, argv, i);
        else usage();
    }

    HAL_enterVMLock();
    int booted = VM::start(4u << 20, 64u << 20, NativeThread_adoptCurrent(), nullptr, 0);
    if (booted != VM::INITIALIZATION_FAILED && booted != VM::BOOTED) {
        std::fprintf(stderr, "bench_threads: runtime start-up failed (%d)\n", booted);
        return 1;
    }
    try {
        // A short run of each first, as the Java twin does for its compiler.
        jint ignored = 0;
        passTokens(jint(passes / 10 + 1));
        contend(jint(rounds / 10 + 1), ignored);

        double ms = passTokens(jint(passes));
        std::printf("bench_threads: pingpong handoffs=%ld time_ms=%.1f handoffs_per_s=%.0f\n", passes, ms,
                    double(passes) * 1000.0 / ms);
        jint handoffs = 0;
        ms = contend(jint(rounds), handoffs);
        std::printf("bench_threads: contention holds=%ld handoffs=%d time_ms=%.1f handoffs_per_s=%.0f\n",
                    2 * rounds, handoffs, ms, double(handoffs) * 1000.0 / ms);
    } catch (java::lang::Object* caught) {
        VMPtr<java::lang::Object> e = caught;
        std::fprintf(stderr, "bench_threads: uncaught %s\n", e->toString()->toUtf8().c_str());
        return 1;
    }
    return 0;
}
