// Graphic objects drawn the game's way (Gob.paint, then Graphics.drawRegion
// and the renderer's blit) into a 240x320 RGB565 frame: a 240x240 picture
// per source kind (opaque, colour-keyed, per-pixel alpha, each with its
// hint) under each of the eight sprite transforms, in Mpixel/s beside
// memcpy of the frame. Each figure is the median over rounds that time
// memcpy and the blit in turn, so that load from other processes moves both
// sides of a ratio alike.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_timing.h"
#include "HAL_threads.h"
#include "VM.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "wren_Gob.h"

namespace {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using wren::Gob;

constexpr jint W = 240, H = 320, S = 240;
constexpr int kRounds = 101, kReps = 20;

// 0 opaque, 1 every seventh pixel clear, 2 alpha stepping through 0..255.
VMPtr<Gob> picture(int kind) {
    VMPtr<VMArray<jint>> px = VMArray<jint>::create(S * S);
    for (jint i = 0; i < S * S; ++i) {
        uint32_t a = kind == 0 ? 0xFF : kind == 1 ? ((i % 7) ? 0xFF : 0) : uint32_t(i * 13) & 0xFF;
        px[i] = jint((a << 24) | (uint32_t(i) * 2654435761u) >> 8);
    }
    return Gob::createFromRGB(px, S, S, true);
}

template <typename F>
double seconds(F&& f) {
    return benchtiming::seconds(kReps, f);
}
using benchtiming::median;

void run() {
    VMPtr<Image> frame = Image::createImage(W, H, false, 0);
    VMPtr<Graphics> g = frame->getGraphics();
    std::vector<uint16_t> a(size_t(W) * H, 1), b(size_t(W) * H);
    auto copy = [&] {
        std::memcpy(b.data(), a.data(), a.size() * 2);
        asm volatile("" : : "r"(b.data()) : "memory");
    };
    const char* kinds[3] = {"opaque", "keyed", "alpha"};
    VMPtr<Gob> gobs[3] = {picture(0), picture(1), picture(2)};
    double blitPixels = double(S) * S * kReps, framePixels = double(W) * H * kReps;

    std::vector<double> memcpyRates;
    double rates[8][3];
    for (jint t = 0; t < 8; ++t) {
        for (int k = 0; k < 3; ++k) {
            VMPtr<Gob> gob = gobs[k];
            // The origin that puts the turned picture at (0, 40), whole.
            jint x = -gob->getOffsetX(t), y = 40 - gob->getOffsetY(t);
            std::vector<double> blit;
            for (int r = 0; r < kRounds; ++r) {
                memcpyRates.push_back(framePixels / seconds(copy) / 1e6);
                blit.push_back(blitPixels / seconds([&] { gob->paint(g, x, y, t); }) / 1e6);
            }
            rates[t][k] = median(blit);
        }
    }
    double memcpyRate = median(memcpyRates);
    std::printf("Graphic objects of %dx%d drawn into a %dx%d RGB565 frame (median of %d rounds)\n",
                S, S, W, H, kRounds);
    std::printf("memcpy of the frame: %.1f Mpixel/s\n\n", memcpyRate);
    std::printf("%-10s", "transform");
    for (const char* k : kinds) std::printf(" %12s %6s", k, "/mcpy");
    std::printf("\n");
    for (jint t = 0; t < 8; ++t) {
        std::printf("%-10d", t);
        for (int k = 0; k < 3; ++k)
            std::printf(" %12.1f %6.2f", rates[t][k], rates[t][k] / memcpyRate);
        std::printf("\n");
    }
}

}  // namespace

int main() {
    HAL_enterVMLock();
    int booted = VM::start(8u << 20, 256u << 20, NativeThread_adoptCurrent(), nullptr, 0);
    if (booted != VM::INITIALIZATION_FAILED && booted != VM::BOOTED) {
        std::fprintf(stderr, "bench_gfx: runtime start-up failed (%d)\n", booted);
        return 1;
    }
    try {
        run();
    } catch (java::lang::Object* caught) {
        VMPtr<java::lang::Object> e = caught;
        std::fprintf(stderr, "bench_gfx: uncaught %s\n", e->toString()->toUtf8().c_str());
        return 1;
    }
    return 0;
}
