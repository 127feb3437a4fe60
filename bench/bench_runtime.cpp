// The runtime-classes benchmark: string building, Hashtable and Vector, on
// the platform classes exactly as game code calls them.
// bench/java/RuntimeBench.java is its Java twin.
//
//   bench_runtime [--count N] [--min-mb N] [--max-mb N] [--aged RUNS]
//
// Three workloads of N operations each (10^6 by default, at least 65 536),
// timed apart:
//   strings    new StringBuffer().append("score ").append(i).append("/")
//              .append(N).toString()
//   hashtable  N puts then N gets, Integer keys over 65 536 distinct values
//   vector     N addElement, then N elementAt
// Each prints a check value, which must match the twin's. Values are read
// back through hashCode() (an Integer's is its value) rather than a cast to
// Integer, so that the figures are the collections' and not the cast's.
//
// --aged RUNS runs the hashtable workload RUNS times in one process instead,
// printing each run's time: the heap the later runs allocate from has been
// through every collection of the earlier ones, so a collector whose cost
// grows with the heap's age shows as later runs slower than the first.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_args.h"
#include "HAL_threads.h"
#include "VM.h"
#include "VMArray.h"
#include "VMClass.h"
#include "VMHeap.h"
#include "java_lang_Integer.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "java_util_Hashtable.h"
#include "java_util_Vector.h"

namespace {

using java::lang::Integer;
using java::lang::Object;
using java::lang::String;
using java::lang::StringBuffer;

constexpr jint kDistinctKeys = 65536;

constexpr const char* kUsage = "bench_runtime [--count N] [--min-mb N] [--max-mb N] [--aged RUNS]";

[[noreturn]] void usage() { benchargs::usage(kUsage); }

long positiveArg(int argc, char** argv, int& i) {
    return benchargs::positiveArg(argc, argv, i, kUsage);
}

jint strings(jint n) {
    jint check = 0;
    for (jint i = 0; i < n; ++i) {
        VMPtr<StringBuffer> sb = StringBuffer::make();
        sb->append(WREN_LIT("score "));
        sb->append(i);
        sb->append(WREN_LIT("/"));
        sb->append(n);
        VMPtr<String> s = sb->toString();
        check += s->length() + s->charAt(s->length() - 1);
    }
    return check;
}

jint hashtable(jint n) {
    VMPtr<java::util::Hashtable> table = java::util::Hashtable::make();
    for (jint i = 0; i < n; ++i) {
        VMPtr<Integer> key = Integer::make(i & (kDistinctKeys - 1));
        table->put(key, Integer::make(i));
    }
    jint check = table->size();
    for (jint i = 0; i < n; ++i) {
        VMPtr<Integer> key = Integer::make((i * 7) & (kDistinctKeys - 1));
        VMPtr<Object> value = table->get(key);
        check += value->hashCode();
    }
    return check;
}

jint vector(jint n) {
    VMPtr<VMArray<Integer*>> items = VMArray<Integer*>::create(16);
    for (jint i = 0; i < 16; ++i) items[i] = Integer::make(i * 3);
    VMPtr<java::util::Vector> v = java::util::Vector::make();
    for (jint i = 0; i < n; ++i) v->addElement(items[i & 15]);
    jint check = v->size();
    for (jint i = 0; i < n; ++i) check += v->elementAt(i)->hashCode();
    return check;
}

struct Timing {
    double ms = 0;
    double gcMs = 0;
    double maxPauseMs = 0;
    unsigned long long collections = 0;
};

// Each workload starts from a collected heap, so that none pays for sweeping
// the garbage of the one before; that collection is not counted.
template <class F>
Timing timed(const char* name, F&& body, jint n) {
    VM::collect();
    vmResetGcStats();
    auto started = std::chrono::steady_clock::now();
    jint check = body(n);
    Timing t;
    t.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    const VMGcStats& gc = vmGcStats();
    t.gcMs = double(gc.totalPauseNs) / 1e6;
    t.maxPauseMs = double(gc.maxPauseNs) / 1e6;
    t.collections = gc.collections;
    std::printf("%s check: %d\n", name, check);
    return t;
}

// The process's peak resident memory, in MiB.
double peakMb() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void runAll(jint n) {
    Timing s = timed("strings", strings, n);
    Timing h = timed("hashtable", hashtable, n);
    Timing v = timed("vector", vector, n);
    double maxPause = s.maxPauseMs;
    for (const Timing* t : {&h, &v})
        if (t->maxPauseMs > maxPause) maxPause = t->maxPauseMs;
    std::printf("bench_runtime: strings_ms=%.1f hashtable_ms=%.1f vector_ms=%.1f "
                "strings_collections=%llu hashtable_collections=%llu vector_collections=%llu "
                "max_pause_ms=%.2f peak_mb=%.1f\n",
                s.ms, h.ms, v.ms, s.collections, h.collections, v.collections, maxPause, peakMb());
}

void runAged(jint n, long runs) {
    Timing first, last;
    double maxPause = 0;
    for (long r = 1; r <= runs; ++r) {
        Timing t = timed("hashtable", hashtable, n);
        std::printf("aged run %ld: hashtable_ms=%.1f gc_ms=%.1f collections=%llu max_pause_ms=%.2f\n",
                    r, t.ms, t.gcMs, t.collections, t.maxPauseMs);
        if (r == 1) first = t;
        last = t;
        if (t.maxPauseMs > maxPause) maxPause = t.maxPauseMs;
    }
    std::printf("bench_runtime: aged_runs=%ld first_ms=%.1f last_ms=%.1f first_gc_ms=%.1f "
                "last_gc_ms=%.1f aged_ratio=%.2f max_pause_ms=%.2f peak_mb=%.1f\n",
                runs, first.ms, last.ms, first.gcMs, last.gcMs, last.ms / first.ms, maxPause, peakMb());
}

}  // namespace

int main(int argc, char** argv) {
    long count = 1000000, minMb = 16, maxMb = 256, aged = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--count") == 0) count = positiveArg(argc, argv, i);
        else if (std::strcmp(argv[i], "--min-mb") == 0) minMb = positiveArg(argc, argv, i);
        else if (std::strcmp(argv[i], "--max-mb") == 0) maxMb = positiveArg(argc, argv, i);
        else if (std::strcmp(argv[i], "--aged") == 0) aged = benchargs::positiveArg(argc, argv, i, kUsage, 1000);
        else usage();
    }
    // Below one put per distinct key, the gets would look up keys never put.
    if (count < kDistinctKeys || count > 100000000) usage();

    HAL_enterVMLock();
    int booted = VM::start(uint64_t(minMb) << 20, uint64_t(maxMb) << 20,
                           NativeThread_adoptCurrent(), nullptr, 0);
    if (booted != VM::INITIALIZATION_FAILED && booted != VM::BOOTED) {
        std::fprintf(stderr, "bench_runtime: runtime start-up failed (%d)\n", booted);
        return 1;
    }

    try {
        if (aged) runAged(jint(count), aged);
        else runAll(jint(count));
    } catch (java::lang::Object* caught) {
        VMPtr<java::lang::Object> e = caught;
        std::fprintf(stderr, "bench_runtime: uncaught %s\n", e->toString()->toUtf8().c_str());
        return 1;
    }
    return 0;
}
