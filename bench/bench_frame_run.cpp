// Frames of three scenes the game's way: the scene manager's update (the
// scene's own update, then the touch pass) and its paint into a 240x320
// RGB565 frame, headless, over the sample content. For each scene it prints
// the median and 99th-percentile microseconds per frame, and the
// collector's time per frame (its pauses over the measured frames, divided
// by them).
//
// - The play field in the middle of a heat: a long-goal one played without
//   input on an ordinary cell; its goal is put out of reach and the player
//   made unbeatable, so that every measured frame is a frame of play.
// - The map in free play with two of the three outer areas open and half
//   the cells known: browsing (no stylus, the cursor still), then the
//   stylus held beside the cursor, which steps it a cell every 200 ms and
//   scrolls the map, the held point going round the four edges.
// - The home scene with stats, money and three of the five pieces: each of
//   its five views in turn.
//
// Random numbers are seeded, so every run plays the same frames. The
// content is the build's (beside the `wren` program); saved data goes to a
// temporary folder.
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
#include "scene_maingame_InHomeScene.h"
#include "scene_maingame_InMapScene.h"
#include "support/headless_canvas.h"
#include "wren_WrenCanvas.h"
#include "wren_util_FastRandom.h"

namespace {

using main::Game;
using scene::maingame::InGameScene;
using scene::maingame::InHomeScene;
using scene::maingame::InMapScene;
using wren::WrenCanvas;
using wrentest::HeadlessCanvas;
using wrentest::IdleMIDlet;

constexpr int kWarmUp = 200, kFrames = 3000;
// Each view of the home scene is measured this long.
constexpr int kViewFrames = 600;
// The map's held stylus stays at one edge this many frames.
constexpr int kHoldFrames = 60;
constexpr jint kFrameTime = 40;

struct Figures {
    double medianUs, p99Us, gcUsPerFrame, gcMs;
    unsigned long long collections;
};

// Runs `frames` frames after a collection, `before(i)` ahead of frame i.
template <typename Frame, typename Before>
Figures measure(int frames, Frame&& oneFrame, Before&& before) {
    java::lang::System::gc();
    vmResetGcStats();
    std::vector<double> us;
    us.reserve(size_t(frames));
    for (int i = 0; i < frames; ++i) {
        before(i);
        auto start = std::chrono::steady_clock::now();
        oneFrame();
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const VMGcStats stats = vmGcStats();
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100],
            double(stats.totalPauseNs) / 1000.0 / frames, double(stats.totalPauseNs) / 1e6,
            static_cast<unsigned long long>(stats.collections)};
}

void report(const char* what, int frames, const Figures& f) {
    std::printf("%s, update + paint at 240x320, %d frames\n", what, frames);
    std::printf("  us per frame: median %.1f, 99th percentile %.1f\n", f.medianUs, f.p99Us);
    std::printf("  collector: %.2f us per frame (%llu collections, %.1f ms in all)\n",
                f.gcUsPerFrame, f.collections, f.gcMs);
}

// Whether the frame holds something other than black at (x, y).
bool painted(const VMPtr<javax::microedition::lcdui::Image>& frame, jint x, jint y) {
    VMPtr<VMArray<jint>> px = VMArray<jint>::create(1);
    frame->getRGB(px, 0, 1, x, y, 1, 1);
    return (px[0] & 0xFFFFFF) != 0;
}

template <typename SceneT>
VMPtr<SceneT> currentAs() {
    return vmCast<SceneT>(VMPtr<ui::Scene>(scene::SceneManager::S().currentScene));
}

}  // namespace

namespace benchframe {

int run() {
    VMPtr<HeadlessCanvas> canvas = HeadlessCanvas::make(IdleMIDlet::make());
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

    VMPtr<javax::microedition::lcdui::Image> frame =
        javax::microedition::lcdui::Image::createImage(240, 320, false, 0);
    VMPtr<javax::microedition::lcdui::Graphics> gr = frame->getGraphics();
    auto oneFrame = [&] {
        canvas->updateKeys();
        manager->updateScenes();
        manager->paintScenes(gr);
    };
    auto noInput = [](int) {};
    // Builds scene `id` and runs the frames of its loading.
    auto enter = [&](jint id) {
        manager->changeScene(id);
        VMPtr<ui::Scene> s = scene::SceneManager::S().currentScene;
        for (int i = 0; i < 100 && s != nullptr && s->progressiveLoad; ++i) oneFrame();
        return s != nullptr && !s->progressiveLoad;
    };
    auto clearFrame = [&] {
        gr->setColor(0);
        gr->fillRect(0, 0, 240, 320);
    };

    // --- the play field: a two-heat, long-goal stage of heat kind 0 on
    // cell (3, 5).
    Game::Statics& g = Game::S();
    g.progressPair[0] = 3;
    g.progressPair[1] = 5;
    m->showLoadingPanel(false, false, 0, 0, 0, 0);
    enter(InGameScene::PLAY_FIELD_SCENE);
    VMPtr<InGameScene> field = currentAs<InGameScene>();
    if (field == nullptr || field->progressiveLoad) {
        std::fprintf(stderr, "bench_frame: the play field was not built\n");
        return 1;
    }
    field->goalTarget = 1 << 30;
    field->player->hitPoints = 1 << 30;
    for (int i = 0; i < kWarmUp; ++i) oneFrame();
    clearFrame();
    Figures fieldFigures = measure(kFrames, oneFrame, noInput);
    if (field->playMode != InGameScene::MODE_PLAY || currentAs<InGameScene>() != field) {
        std::fprintf(stderr, "bench_frame: the heat did not stay in play\n");
        return 1;
    }
    // Its background stands where the frame started black.
    if (!painted(frame, 150, 60)) {
        std::fprintf(stderr, "bench_frame: nothing was painted on the play field\n");
        return 1;
    }
    field = nullptr;

    // --- the map in free play, the cursor on the home cell.
    g.stageKind = 10;
    g.progressPair[0] = 10;
    g.progressPair[1] = 5;
    g.extraFlags[0] = true;
    g.extraFlags[1] = true;
    g.extraFlags[2] = false;
    for (jint i = 0; i < g.cellFlags->length; i += 2) g.cellFlags[i] = true;
    if (!enter(InGameScene::MAP_SCENE) || currentAs<InMapScene>() == nullptr) {
        std::fprintf(stderr, "bench_frame: the map was not built\n");
        return 1;
    }
    VMPtr<InMapScene> map = currentAs<InMapScene>();
    for (int i = 0; i < kWarmUp; ++i) oneFrame();
    clearFrame();
    Figures browseFigures = measure(kFrames, oneFrame, noInput);
    if (!painted(frame, 120, 160)) {
        std::fprintf(stderr, "bench_frame: nothing was painted on the map\n");
        return 1;
    }
    // The held point goes round the middles of the four edges, clear of the
    // info and menu buttons in the bottom corners.
    static constexpr jint kEdges[4][2] = {{120, 8}, {232, 160}, {120, 272}, {8, 160}};
    int steps = 0;
    jint lastColumn = g.progressPair[0], lastRow = g.progressPair[1];
    auto holdRound = [&](int i) {
        if (g.progressPair[0] != lastColumn || g.progressPair[1] != lastRow) {
            ++steps;
            lastColumn = g.progressPair[0];
            lastRow = g.progressPair[1];
        }
        if (i % kHoldFrames != 0) return;
        const jint* at = kEdges[(i / kHoldFrames) % 4];
        if (i > 0) {
            const jint* was = kEdges[(i / kHoldFrames + 3) % 4];
            canvas->callPointerReleased(was[0], was[1]);
        }
        canvas->callPointerPressed(at[0], at[1]);
    };
    Figures holdFigures = measure(kFrames, oneFrame, holdRound);
    if (map->state != InMapScene::BROWSE || currentAs<InMapScene>() != map || steps < 20) {
        std::fprintf(stderr, "bench_frame: the held stylus did not walk the map (%d steps)\n",
                     steps);
        return 1;
    }
    canvas->callPointerReleased(kEdges[3][0], kEdges[3][1]);
    oneFrame();
    map = nullptr;

    // --- the home scene of a player some stages in.
    VMPtr<VMArray<jint>> stats = VMArray<jint>::of({2, 7, 4, 6, 3, 8, 5, 0, 5});
    g.stats = stats;
    g.progressB = 4200;
    g.progressFlags[0] = true;
    g.progressFlags[2] = true;
    g.progressFlags[3] = true;
    if (!enter(InGameScene::HOME_SCENE) || currentAs<InHomeScene>() == nullptr) {
        std::fprintf(stderr, "bench_frame: the home scene was not built\n");
        return 1;
    }
    VMPtr<InHomeScene> home = currentAs<InHomeScene>();
    for (int i = 0; i < kWarmUp; ++i) oneFrame();
    Figures viewFigures[5];
    for (jint view = 1; view <= 5; ++view) {
        home->showView(view);
        for (int i = 0; i < kWarmUp / 4; ++i) oneFrame();
        clearFrame();
        viewFigures[view - 1] = measure(kViewFrames, oneFrame, noInput);
        if (!painted(frame, 120, 160) || currentAs<InHomeScene>() != home ||
            home->currentView != view) {
            std::fprintf(stderr, "bench_frame: home view %d was not shown\n", int(view));
            return 1;
        }
    }

    report("play field mid-heat (long goal, 10 monsters)", kFrames, fieldFigures);
    report("map, browsing (cursor still)", kFrames, browseFigures);
    report("map, stylus held (cursor stepping, map scrolling)", kFrames, holdFigures);
    static const char* const kViews[5] = {"status", "upgrade", "caps", "collection", "to the map"};
    for (int v = 0; v < 5; ++v) {
        char what[64];
        std::snprintf(what, sizeof what, "home, view %d (%s)", v + 1, kViews[v]);
        report(what, kViewFrames, viewFigures[v]);
    }
    std::printf("(the held stylus stepped the map's cursor %d times)\n", steps);
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
