// One frame of the play field in the middle of a heat, the game's way:
// the scene manager's update (the scene's own update with its rules, ten
// monsters and the player, then the touch pass) and its paint into a
// 240x320 RGB565 frame, headless, over the sample content. Prints the
// median and 99th-percentile microseconds per frame, and the collector's
// time per frame (its pauses over the measured frames, divided by them).
//
// The heat is a long-goal one played without input on an ordinary cell;
// its goal is put out of reach and the player made unbeatable, so that
// every measured frame is a frame of play. Its random numbers are seeded,
// so every run plays the same heat. The content is the build's (beside
// the `wren` program); saved data goes to a temporary folder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_frame.h"
#include "VMHeap.h"
#include "java_lang_System.h"
#include "java_lang_Thread.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "javax_microedition_midlet_MIDlet.h"
#include "main_Game.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "scene_maingame_InGameScene.h"
#include "wren_WrenCanvas.h"
#include "wren_util_FastRandom.h"

namespace benchframe {

class BenchMIDlet : public javax::microedition::midlet::MIDlet {
    WREN_CLASS(BenchMIDlet, javax::microedition::midlet::MIDlet)
public:
    void ctor() { MIDlet::ctor(); }
    void startApp() override {}
    void pauseApp() override {}
    void destroyApp(jboolean) override {}
};

// The game canvas without a window: its frames are run by the benchmark.
class BenchCanvas : public wren::WrenCanvas {
    WREN_CLASS(BenchCanvas, wren::WrenCanvas)
public:
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { WrenCanvas::ctor(owner); }
    void update() override {}
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
    jboolean isShown() override { return true; }
    jint getWidth() override { return 240; }
    jint getHeight() override { return 320; }
    void flushGraphics() override {}
};

}  // namespace benchframe

WREN_DEFINE_CLASS(benchframe::BenchMIDlet, "benchframe.BenchMIDlet")
WREN_DEFINE_CLASS(benchframe::BenchCanvas, "benchframe.BenchCanvas")

namespace {

using benchframe::BenchCanvas;
using benchframe::BenchMIDlet;
using scene::maingame::InGameScene;
using wren::WrenCanvas;

constexpr int kWarmUp = 200, kFrames = 3000;
constexpr jint kFrameTime = 40;

}  // namespace

namespace benchframe {

int run() {
    VMPtr<BenchCanvas> canvas = BenchCanvas::make(BenchMIDlet::make());
    // The canvas's own game thread waits for a show that never comes; it
    // is told to end, and the benchmark runs the frames.
    VMPtr<java::lang::Thread> gameThread = WrenCanvas::S().gameThread;
    WrenCanvas::S().appState = WrenCanvas::APP_EXITING;
    {
        VMSynchronized guard(gameThread);
        while (gameThread->isAlive()) gameThread->wait();
    }
    WrenCanvas::S().instance = canvas;
    WrenCanvas::S().appState = WrenCanvas::APP_RUNNING;
    canvas->updateScreenSize();
    canvas->initTouchInput();
    canvas->frameTime = kFrameTime;

    VMPtr<main::Main> m = main::Main::make(canvas);
    main::Main::S().random = wren::util::FastRandom::make(jlong(20240));
    VMPtr<scene::SceneManager> manager = scene::SceneManager::make();
    main::Main::S().sceneManager = manager;

    // A two-heat, long-goal stage of heat kind 0 on cell (3, 5).
    main::Game::Statics& g = main::Game::S();
    g.progressPair[0] = 3;
    g.progressPair[1] = 5;
    m->showLoadingPanel(false, false, 0, 0, 0, 0);
    manager->changeScene(InGameScene::PLAY_FIELD_SCENE);

    VMPtr<javax::microedition::lcdui::Image> frame =
        javax::microedition::lcdui::Image::createImage(240, 320, false, 0);
    VMPtr<javax::microedition::lcdui::Graphics> gr = frame->getGraphics();
    auto oneFrame = [&] {
        canvas->updateKeys();
        manager->updateScenes();
        manager->paintScenes(gr);
    };
    VMPtr<InGameScene> field = vmCast<InGameScene>(VMPtr<ui::Scene>(scene::SceneManager::S().currentScene));
    if (field == nullptr) {
        std::fprintf(stderr, "bench_frame: the play field was not built\n");
        return 1;
    }
    for (int i = 0; i < 100 && field->progressiveLoad; ++i) oneFrame();
    field->goalTarget = 1 << 30;
    field->player->hitPoints = 1 << 30;
    for (int i = 0; i < kWarmUp; ++i) oneFrame();

    java::lang::System::gc();
    vmResetGcStats();
    std::vector<double> us;
    us.reserve(kFrames);
    for (int i = 0; i < kFrames; ++i) {
        auto start = std::chrono::steady_clock::now();
        oneFrame();
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const VMGcStats stats = vmGcStats();
    if (field->playMode != InGameScene::MODE_PLAY ||
        scene::SceneManager::S().currentScene.get() != field.get()) {
        std::fprintf(stderr, "bench_frame: the heat did not stay in play\n");
        return 1;
    }
    // The field was painted: its background stands where the frame started
    // black.
    VMPtr<VMArray<jint>> px = VMArray<jint>::create(1);
    frame->getRGB(px, 0, 1, 150, 60, 1, 1);
    if ((px[0] & 0xFFFFFF) == 0) {
        std::fprintf(stderr, "bench_frame: nothing was painted\n");
        return 1;
    }
    std::sort(us.begin(), us.end());
    std::printf("play field mid-heat (long goal, 10 monsters), update + paint at 240x320, %d frames\n",
                kFrames);
    std::printf("us per frame: median %.1f, 99th percentile %.1f\n", us[us.size() / 2],
                us[us.size() * 99 / 100]);
    std::printf("collector: %.2f us per frame (%llu collections, %.1f ms in all)\n",
                double(stats.totalPauseNs) / 1000.0 / kFrames,
                static_cast<unsigned long long>(stats.collections),
                double(stats.totalPauseNs) / 1e6);
    return 0;
}

}  // namespace benchframe


namespace benchframe {

int runGuarded() {
    try {
        return run();
    } catch (java::lang::Object* caught) {
        VMPtr<java::lang::Object> e = caught;
        std::fprintf(stderr, "bench_frame: uncaught %s\n", e->toString()->toUtf8().c_str());
        return 1;
    }
}

}  // namespace benchframe
