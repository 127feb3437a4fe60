// 200 animation players updated and painted into a 240x320 RGB565 frame,
// the game's way (AnimPlayer.update, then paint through the set's frame
// pieces and Gob.paint): microseconds per frame, and the collector's
// allocations per frame after a warm-up, counted as the objects that the
// frames leave on the heap while no collection runs (a frame of the game
// should allocate none).
//
// The set: four frames of three 16x16 pieces (opaque, keyed, alpha) and two
// boxes, and three endless animations (a walk, an interpolated bob, one
// with step levels); players start on different animations, steps,
// positions and transforms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "AnimSet.h"
#include "HAL_threads.h"
#include "Pack.h"
#include "VM.h"
#include "VMHeap.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_lang_System.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "wren_AnimPlayer.h"
#include "wren_AnimSet.h"
#include "wren_Gob.h"
#include "wren_Resources.h"

namespace {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using wren::AnimPlayer;
using wren::AnimSet;
using wren::Gob;

constexpr jint W = 240, H = 320, kPlayers = 200, kWarmUp = 100, kFrames = 2000;

VMPtr<Gob> picture(int kind) {
    constexpr jint S = 16;
    VMPtr<VMArray<jint>> px = VMArray<jint>::create(S * S);
    for (jint i = 0; i < S * S; ++i) {
        uint32_t a = kind == 0 ? 0xFF : kind == 1 ? ((i % 5) ? 0xFF : 0) : uint32_t(i * 7) & 0xFF;
        px[i] = jint((a << 24) | (uint32_t(i) * 2654435761u) >> 8);
    }
    VMPtr<Gob> g = Gob::createFromRGB(px, S, S, true);
    g->offsetX = -8;
    g->offsetY = -8;
    return g;
}

VMPtr<AnimSet> loadSet() {
    rpack::AnimSet s;
    s.durations = {50, 80, 120};
    for (int f = 0; f < 4; ++f) {
        rpack::AnimFrame fr;
        fr.pieces = {{0, f, 0, 0}, {1, 4, -4 + f, 1}, {2, -4, 4, f & 3}};
        fr.boxes = {{-8, -8, 16, 16, 0, false}, {-2, -12, 4, 4, 1, true}};
        s.frames.push_back(fr);
    }
    s.animations = {
        {-1, {{0, 0, 0, 0, 0, 0}, {1, 3, 0, 1, 0, 0}, {2, 6, 0, 0, 0, 0}, {3, 9, 0, 1, 0, 0}}},
        {-1, {{0, 0, 0, 2, 0, 1}, {1, 0, -6, 2, 0, 1}}},
        {-1, {{2, 0, 0, 0, 0, 0}, {3, 0, 0, 0, 2, 0}, {0, 0, 0, 0, 0, 0}, {1, 0, 0, 1, 3, 0}}},
    };
    rpack::Bytes pack = rpack::encodePlainPack({{rpack::encodeAnimSet(s), -1}});
    VMPtr<VMArray<jbyte>> bytes = VMArray<jbyte>::create(jint(pack.size()));
    for (size_t i = 0; i < pack.size(); ++i) bytes[jint(i)] = jbyte(pack[i]);
    wren::Resources::loadPack(
        java::io::DataInputStream::make(java::io::ByteArrayInputStream::make(bytes)));
    VMPtr<AnimSet> set = wren::Resources::loadAnimSet(0);
    wren::Resources::closePack();
    VMPtr<VMArray<Gob*>> gobs = VMArray<Gob*>::create(3);
    for (jint k = 0; k < 3; ++k) gobs[k] = picture(k);
    set->setGobs(gobs);
    return set;
}

size_t liveObjects() {
    size_t n = 0;
    vmForEachObject([&](java::lang::Object*) { ++n; });
    return n;
}

void run() {
    VMPtr<AnimSet> set = loadSet();
    VMPtr<Image> frame = Image::createImage(W, H, false, 0);
    VMPtr<Graphics> g = frame->getGraphics();
    VMPtr<VMArray<AnimPlayer*>> players = VMArray<AnimPlayer*>::create(kPlayers);
    for (jint i = 0; i < kPlayers; ++i) {
        VMPtr<AnimPlayer> p = AnimPlayer::make();
        p->setAnimSet(set);
        p->setAnimation(i % 3);
        p->setStep(i % 2);
        p->setX(8 + (i * 37) % (W - 16));
        p->setY(8 + (i * 53) % (H - 16));
        p->setTransform(i & 7);
        players[i] = p;
    }
    auto oneFrame = [&](jint n) {
        for (jint i = 0; i < kPlayers; ++i) {
            VMPtr<AnimPlayer> p = players[i];
            p->update(16 + (n + i) % 20);
            // Walkers are kept on the screen.
            if (p->x < -16 || p->x > W + 16) p->x = jshort(W / 2);
            if (p->y < -16 || p->y > H + 16) p->y = jshort(H / 2);
            p->paint(g);
        }
    };
    for (jint n = 0; n < kWarmUp; ++n) oneFrame(n);

    java::lang::System::gc();
    vmResetGcStats();
    size_t before = liveObjects();
    std::vector<double> us;
    for (jint n = 0; n < kFrames; ++n) {
        auto start = std::chrono::steady_clock::now();
        oneFrame(n);
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    uint64_t collections = vmGcStats().collections;
    size_t after = liveObjects();
    std::sort(us.begin(), us.end());
    double mean = 0;
    for (double v : us) mean += v;
    mean /= double(us.size());
    std::printf("%d animation players updated and painted into a %dx%d RGB565 frame, %d frames\n",
                kPlayers, W, H, kFrames);
    std::printf("us per frame: median %.1f, mean %.1f, 90th percentile %.1f\n", us[us.size() / 2],
                mean, us[us.size() * 9 / 10]);
    if (collections == 0)
        std::printf(
            "collector allocations per frame after warm-up: %.3f (%zu objects over %d frames)\n",
            double(after - before) / kFrames, after - before, kFrames);
    else
        std::printf("collector allocations per frame after warm-up: not 0 (%llu collections ran)\n",
                    static_cast<unsigned long long>(collections));
}

}  // namespace

int main() {
    HAL_enterVMLock();
    int booted = VM::start(8u << 20, 256u << 20, NativeThread_adoptCurrent(), nullptr, 0);
    if (booted != VM::INITIALIZATION_FAILED && booted != VM::BOOTED) {
        std::fprintf(stderr, "bench_anim: runtime start-up failed (%d)\n", booted);
        return 1;
    }
    try {
        run();
    } catch (java::lang::Object* caught) {
        VMPtr<java::lang::Object> e = caught;
        std::fprintf(stderr, "bench_anim: uncaught %s\n", e->toString()->toUtf8().c_str());
        return 1;
    }
    return 0;
}
