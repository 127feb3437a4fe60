// The renderer's throughput on a 240x320 RGB565 frame: solid fill, opaque,
// colour-keyed and alpha blits (Mpixel/s) and text (glyphs/s), each next to
// memcpy of the same bytes, the physical limit. After those, the three blits
// are timed against memcpy of the frame in one interleaved run (a round of
// memcpy, then a round of the blit, and again), so that a machine whose speed
// drifts under other load moves both sides of each ratio alike: for the blit
// rows the CPU gets, for each vector unit it has, and for the scalar rows.
#include <benchmark/benchmark.h>
#include <hwy/targets.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "HAL_fonts.h"
#include "HAL_graphics.h"
#include "HAL_render.h"

namespace {

constexpr int W = 240, H = 320;

struct Frame {
    std::unique_ptr<Surface> target{Surface::createOpaque(W, H)};
    std::unique_ptr<NativeGraphics> g{NativeGraphics_createOnSurface(target.get())};
};

NativeImage* sourceImage(uint32_t alphaPattern) {
    std::vector<jint> px(size_t(W) * H);
    for (size_t i = 0; i < px.size(); ++i) {
        uint32_t a = alphaPattern == 0 ? 0xFF : alphaPattern == 1 ? ((i % 7) ? 0xFF : 0) : (i * 13) & 0xFF;
        px[i] = jint((a << 24) | uint32_t(i * 2654435761u) >> 8);
    }
    NativeImage* img = nullptr;
    ArgbToNativeImage(&img, px.data(), int64_t(px.size()), W, H, W, true);
    return img;
}

void pixels(benchmark::State& state) {
    state.counters["Mpixel/s"] = benchmark::Counter(double(state.iterations()) * W * H / 1e6,
                                                    benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(state.iterations()) * W * H * 2);
}

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint16_t> a(size_t(W) * H, 1), b(size_t(W) * H);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    pixels(state);
}

void BM_Fill(benchmark::State& state) {
    Frame f;
    f.g->setColour(0xFF336699);
    for (auto _ : state) {
        render::fillRect(f.g.get(), 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixels(state);
}

void blitBench(benchmark::State& state, uint32_t pattern) {
    Frame f;
    NativeImage* img = sourceImage(pattern);
    for (auto _ : state) {
        render::blit(f.g.get(), 0, 0, W, H, img->surface, 0, 0, 0);
        benchmark::ClobberMemory();
    }
    img->release();
    pixels(state);
}
void BM_OpaqueBlit(benchmark::State& s) { blitBench(s, 0); }
void BM_KeyedBlit(benchmark::State& s) { blitBench(s, 1); }
void BM_AlphaBlit(benchmark::State& s) { blitBench(s, 2); }

void BM_Text(benchmark::State& state) {
    FontCache_init();
    Frame f;
    const char16_t text[] = u"The quick brown fox jumps";
    const int n = int(sizeof text / 2 - 1);
    for (auto _ : state) HAL_drawString(f.g.get(), text, n, 4, 100);
    state.counters["glyphs/s"] = benchmark::Counter(double(state.iterations()) * n,
                                                    benchmark::Counter::kIsRate);
    f.g.reset();
    FontCache_free();
}

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_Fill);
BENCHMARK(BM_OpaqueBlit);
BENCHMARK(BM_KeyedBlit);
BENCHMARK(BM_AlphaBlit);
BENCHMARK(BM_Text);

// Prints each pixel figure and its ratio to memcpy's after the run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            auto it = r.counters.find("Mpixel/s");
            if (it == r.counters.end()) continue;
            if (r.benchmark_name() == "BM_Memcpy") memcpyRate = it->second.value;
            if (memcpyRate > 0)
                std::printf("  %-14s %9.1f Mpixel/s  %.2f of memcpy\n", r.benchmark_name().c_str(),
                            it->second.value, it->second.value / memcpyRate);
        }
    }
    double memcpyRate = 0;
};

// Seconds of `reps` calls of f.
template <typename F>
double timed(int reps, F&& f) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) {
        f();
        benchmark::ClobberMemory();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Rounds of memcpy of the frame and of each blit, in turn; each blit's ratio
// is the median over the rounds of (memcpy time / blit time), so one round
// slowed by another process does not decide it. One line per way of running
// the blit rows: as the dispatcher picks for this CPU, forced onto each
// vector unit it has, and the scalar reference rows.
void interleavedRatios() {
    constexpr int kRounds = 101, kReps = 40;
    std::vector<uint16_t> a(size_t(W) * H, 1), b(size_t(W) * H);
    Frame f;
    NativeImage* images[] = {sourceImage(0), sourceImage(1), sourceImage(2)};
    auto copy = [&] {
        std::memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::DoNotOptimize(b.data());
    };
    auto line = [&](const std::string& name) {
        double median[3];
        for (int i = 0; i < 3; ++i) {
            std::vector<double> ratios;
            for (int r = 0; r < kRounds; ++r) {
                double m = timed(kReps, copy);
                double t = timed(kReps, [&] {
                    render::blit(f.g.get(), 0, 0, W, H, images[i]->surface, 0, 0, 0);
                });
                ratios.push_back(m / t);
            }
            std::nth_element(ratios.begin(), ratios.begin() + kRounds / 2, ratios.end());
            median[i] = ratios[kRounds / 2];
        }
        std::printf("  %-28s %6.2f %6.2f %6.2f\n", name.c_str(), median[0], median[1], median[2]);
    };
    std::printf(
        "\nBlits against memcpy of the %dx%d RGB565 frame, interleaved (median of %d rounds):\n"
        "  %-28s %6s %6s %6s\n",
        W, H, kRounds, "blit rows", "opaque", "keyed", "alpha");
    line(std::string(render::blitVectorTarget()) + " (picked for this CPU)");
    for (int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        line(hwy::TargetName(target));
    }
    hwy::SetSupportedTargetsForTest(0);
    render::useScalarBlits(true);
    line("scalar reference");
    render::useScalarBlits(false);
    for (NativeImage* image : images) image->release();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    interleavedRatios();
    return 0;
}
