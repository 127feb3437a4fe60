// The renderer's throughput on a 240x320 RGB565 frame: solid fill, opaque,
// colour-keyed and alpha blits (Mpixel/s) and text (glyphs/s), each next to
// memcpy of the same bytes, the physical limit.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
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

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
