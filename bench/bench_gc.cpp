// The collector benchmark: binary trees, written as an ordinary class on the
// runtime so that every allocation, root and collection takes the same path
// as the game's own objects. bench/java/BinaryTrees.java is its Java twin.
//
//   bench_gc [--depth N] [--min-mb N] [--max-mb N]
//
// The default heap (4 to 64 MiB) is a handset's, so the collector runs often
// while the long-lived tree stays live through every collection.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_args.h"
#include "HAL_threads.h"
#include "VM.h"
#include "VMClass.h"
#include "VMHeap.h"
#include "java_lang_String.h"

namespace bench {

class TreeNode : public virtual java::lang::Object {
    WREN_CLASS(TreeNode, java::lang::Object, (left, TreeNode), (right, TreeNode))
    WREN_PLAIN_OBJECT()
public:
    void ctor(const VMPtr<TreeNode>& l, const VMPtr<TreeNode>& r) {
        java::lang::Object::ctor();
        left = l;
        right = r;
    }
    jint itemCheck() {
        if (left == nullptr) return 1;
        return 1 + left->itemCheck() + right->itemCheck();
    }
    static VMPtr<TreeNode> bottomUp(jint depth) {
        clinit();
        if (depth <= 0) return TreeNode::make(nullptr, nullptr);
        VMPtr<TreeNode> l = bottomUp(depth - 1);
        VMPtr<TreeNode> r = bottomUp(depth - 1);
        return TreeNode::make(l, r);
    }
};

}  // namespace bench

WREN_DEFINE_CLASS(bench::TreeNode, "bench.TreeNode")

namespace {

constexpr jint kMinDepth = 4;

constexpr const char* kUsage = "bench_gc [--depth N] [--min-mb N] [--max-mb N]";

[[noreturn]] void usage() { benchargs::usage(kUsage); }

long positiveArg(int argc, char** argv, int& i) {
    return benchargs::positiveArg(argc, argv, i, kUsage);
}

void run(jint maxDepth) {
    using bench::TreeNode;
    VMPtr<TreeNode> longLived = TreeNode::bottomUp(maxDepth);

    for (jint depth = kMinDepth; depth <= maxDepth; depth += 2) {
        jint iterations = jint(1) << (maxDepth - depth + kMinDepth);
        jint check = 0;
        for (jint i = 0; i < iterations; ++i) check += TreeNode::bottomUp(depth)->itemCheck();
        std::printf("%d\t trees of depth %d\t check: %d\n", iterations, depth, check);
    }
    std::printf("long lived tree of depth %d\t check: %d\n", maxDepth, longLived->itemCheck());
}

}  // namespace

int main(int argc, char** argv) {
    long depth = 16, minMb = 4, maxMb = 64;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--depth") == 0) depth = positiveArg(argc, argv, i);
        else if (std::strcmp(argv[i], "--min-mb") == 0) minMb = positiveArg(argc, argv, i);
        else if (std::strcmp(argv[i], "--max-mb") == 0) maxMb = positiveArg(argc, argv, i);
        else usage();
    }
    // The per-depth loop needs room for at least two depths above the minimum,
    // and 2^(depth + 1) nodes must still count in a jint.
    if (depth < kMinDepth + 2) depth = kMinDepth + 2;
    if (depth > 28) usage();

    HAL_enterVMLock();
    int booted = VM::start(uint64_t(minMb) << 20, uint64_t(maxMb) << 20,
                           NativeThread_adoptCurrent(), nullptr, 0);
    if (booted != VM::INITIALIZATION_FAILED && booted != VM::BOOTED) {
        std::fprintf(stderr, "bench_gc: runtime start-up failed (%d)\n", booted);
        return 1;
    }
    // Start-up collects once; only the workload's collections count.
    vmResetGcStats();

    auto started = std::chrono::steady_clock::now();
    try {
        run(jint(depth));
    } catch (java::lang::Object* caught) {
        VMPtr<java::lang::Object> e = caught;
        std::fprintf(stderr, "bench_gc: uncaught %s\n", e->toString()->toUtf8().c_str());
        return 1;
    }
    double timeMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();

    const VMGcStats& gc = vmGcStats();
    double maxPauseMs = double(gc.maxPauseNs) / 1e6;
    double meanPauseMs = gc.collections ? double(gc.totalPauseNs) / 1e6 / double(gc.collections) : 0.0;
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("bench_gc: time_ms=%.1f collections=%llu full_collections=%llu max_pause_ms=%.2f "
                "mean_pause_ms=%.2f peak_mb=%.1f\n",
                timeMs, static_cast<unsigned long long>(gc.collections),
                static_cast<unsigned long long>(gc.fullCollections), maxPauseMs, meanPauseMs,
                double(usage.ru_maxrss) / 1024.0);
    return 0;
}
