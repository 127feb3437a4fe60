// The scene objects and the scene base: the frozen rule of update against
// the scene's own pass, the depth order with the scene's layer at 40,
// phased and progressive loading, growth, trimming and removal, the clocks
// and unloading.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "java_lang_System.h"
#include "javax_microedition_lcdui_Image.h"
#include "runtime/runtime_test_support.h"
#include "toolkit_support.h"
#include "ui_ResManager.h"

namespace wrentest::toolkit {
namespace {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;

class ToolkitScene : public ToolkitTest {
protected:
    VMPtr<LogScene> newScene() { return LogScene::make(&log); }
    VMPtr<LogObject> newObject(const std::string& name, jint depth) {
        return LogObject::make(name, depth, &log);
    }
    // Only the entries that start with `prefix`-free names: paints and the
    // layer.
    Log painted() const {
        Log out;
        for (const std::string& e : log)
            if (e == "layer" || e.ends_with(" paint")) out.push_back(e);
        return out;
    }
    std::vector<jint> order(const VMPtr<LogScene>& s) const {
        std::vector<jint> v;
        for (jint i = 0; i < s->drawOrder->length; ++i) v.push_back(s->drawOrder[i]);
        return v;
    }
    VMPtr<Graphics> graphics() { return Image::createImage(240, 320, false, 0)->getGraphics(); }

    Log log;
};

TEST_F(ToolkitScene, ANewObjectAndTheFrozenRuleOfUpdate) {
    VMPtr<LogObject> o = newObject("a", 0);
    EXPECT_TRUE(o->isVisible());
    EXPECT_FALSE(o->isFrozen());
    EXPECT_FALSE(o->hasPostUpdate());
    EXPECT_EQ(o->getDepth(), 0);
    EXPECT_TRUE(o->canvas == canvas);

    o->update();
    o->setFrozen(true);
    o->update();
    o->setFrozen(false);
    o->update();
    EXPECT_EQ(log, (Log{"a update", "a update"}));
}

TEST_F(ToolkitScene, ThePassUpdatesVisibleObjectsFrozenOrNotAndPostUpdatesEveryFlaggedOne) {
    struct Case {
        const char* name;
        bool visible, frozen, post;
    };
    const std::vector<Case> cases = {
        {"plain", true, false, false},      {"frozen", true, true, true},
        {"hidden", false, false, true},     {"hidden-frozen", false, true, false},
        {"hidden-plain", false, false, false},
    };
    VMPtr<LogScene> s = newScene();
    for (const Case& c : cases) {
        VMPtr<LogObject> o = newObject(c.name, 0);
        o->setVisible(c.visible);
        o->setFrozen(c.frozen);
        o->setPostUpdate(c.post);
        s->addObject(o);
    }
    // An object added during the pass, at a later index, is updated in the
    // same pass.
    VMPtr<LogObject> first = vmCast<LogObject>(VMPtr<ui::MyObject>(s->objects[0]));
    bool added = false;
    first->onUpdate = [&] {
        if (!added) s->addObject(newObject("late", 0));
        added = true;
    };
    s->update();
    EXPECT_EQ(log, (Log{"plain update", "frozen update", "frozen post", "hidden post", "late update"}));
    EXPECT_TRUE(ui::Scene::S().updating.get() == s.get());
}

TEST_F(ToolkitScene, TheLayerIsPaintedOnceWhereTheDepthOrderReaches40) {
    struct Case {
        const char* name;
        std::vector<jint> depths;  // a negative depth adds a hidden object of -depth
        Log expected;
    };
    const std::vector<Case> cases = {
        {"no objects", {}, {"layer"}},
        {"one each side", {10, 50}, {"10 paint", "layer", "50 paint"}},
        {"all deeper", {50, 60}, {"layer", "50 paint", "60 paint"}},
        {"all nearer", {10, 20}, {"10 paint", "20 paint", "layer"}},
        {"a leading 40 does not go under the layer", {40, 50}, {"40 paint", "50 paint", "layer"}},
        {"a leading 41 does", {41, 50}, {"layer", "41 paint", "50 paint"}},
        {"a hidden object still places the layer", {-30, 45}, {"layer", "45 paint"}},
        {"unsorted input", {50, 10, 39}, {"10 paint", "39 paint", "layer", "50 paint"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.clear();
        VMPtr<LogScene> s = newScene();
        for (jint d : c.depths) {
            VMPtr<LogObject> o = newObject(std::to_string(d < 0 ? -d : d), d < 0 ? -d : d);
            o->setVisible(d >= 0);
            s->addObject(o);
        }
        s->trimObjects();
        s->sortDrawOrder();
        s->paint(graphics());
        EXPECT_EQ(painted(), c.expected);
    }
}

TEST_F(ToolkitScene, PaintClipsToTheGameAreaAndResetsTheClipAfter) {
    VMPtr<LogScene> s = newScene();
    std::vector<jint> clipInLayer;
    s->onLayer = [&](const VMPtr<Graphics>& g) {
        clipInLayer = {g->getClipX(), g->getClipY(), g->getClipWidth(), g->getClipHeight()};
    };
    canvas->setGameAreaSize(200, 100);
    VMPtr<Graphics> g = Image::createImage(480, 640, false, 0)->getGraphics();
    g->setClip(5, 5, 7, 7);
    s->paint(g);
    EXPECT_EQ(log, Log{"layer"});
    EXPECT_EQ(clipInLayer, (std::vector<jint>{0, 0, 240, 320}));
    EXPECT_EQ((std::vector<jint>{g->getClipX(), g->getClipY(), g->getClipWidth(), g->getClipHeight()}),
              (std::vector<jint>{0, 0, canvas->gameAreaWidth, canvas->gameAreaHeight}));
}

TEST_F(ToolkitScene, SortKeepsEqualDepthsInIndexOrder) {
    struct Case {
        std::vector<jint> depths;
        std::vector<jint> order;
    };
    const std::vector<Case> cases = {
        {{2, 3, 1}, {2, 0, 1}},
        {{5, 1, 5, 1}, {1, 3, 0, 2}},
        {{7, 7, 7}, {0, 1, 2}},
        {{-4, 0, -9}, {2, 0, 1}},
    };
    for (const Case& c : cases) {
        VMPtr<LogScene> s = newScene();
        for (jint d : c.depths) s->addObject(newObject("o", d));
        s->trimObjects();
        s->sortDrawOrder();
        EXPECT_EQ(order(s), c.order);
    }
}

TEST_F(ToolkitScene, AProgressiveLoadRunsOnePhaseAFrameAndEndsOnTheSixthUpdate) {
    VMPtr<LogScene> s = newScene();
    s->dataRepeats = 2;
    s->build = [&](LogScene& scene) {
        scene.addObject(newObject("x", 10));
        scene.addObject(newObject("y", 50));
    };
    s->setProgressiveLoad(true);
    s->loadAll();  // returns at once: the frames do the work
    EXPECT_TRUE(log.empty());

    const std::vector<Log> perUpdate = {{"data"}, {"data"}, {"data"}, {"objects"}, {"ui"}, {}};
    for (size_t u = 0; u < perUpdate.size(); ++u) {
        SCOPED_TRACE("update " + std::to_string(u + 1));
        log.clear();
        EXPECT_TRUE(s->progressiveLoad);
        EXPECT_FALSE(main::Main::S().redrawBackground);
        s->paint(graphics());  // nothing painted while loading, not even the layer
        s->update();
        EXPECT_EQ(log, perUpdate[u]);
    }
    EXPECT_FALSE(s->progressiveLoad);
    EXPECT_TRUE(main::Main::S().redrawBackground);
    EXPECT_EQ(mainObject->cues, 1);
    EXPECT_EQ(s->capacity, 2);
    EXPECT_EQ(order(s), (std::vector<jint>{0, 1}));

    log.clear();
    s->update();
    s->paint(graphics());
    EXPECT_EQ(log, (Log{"x update", "y update", "x paint", "layer", "y paint"}));
    EXPECT_EQ(mainObject->cues, 1);
}

TEST_F(ToolkitScene, AOneShotLoadTrimsAndSortsWithoutRedrawOrCue) {
    VMPtr<LogScene> s = newScene();
    s->dataRepeats = 1;
    s->objectRepeats = 2;
    s->build = [&](LogScene& scene) {
        scene.addObject(newObject("deep", 60));
        scene.addObject(newObject("near", 5));
        scene.addObject(newObject("mid", 30));
    };
    s->loadAll();
    EXPECT_EQ(log, (Log{"data", "data", "objects", "objects", "objects", "ui"}));
    EXPECT_FALSE(s->progressiveLoad);
    EXPECT_EQ(s->capacity, 3);
    EXPECT_EQ(s->objects->length, 3);
    EXPECT_EQ(s->growStep, 3);
    EXPECT_EQ(order(s), (std::vector<jint>{1, 2, 0}));
    EXPECT_FALSE(main::Main::S().redrawBackground);
    EXPECT_EQ(mainObject->cues, 0);
}

TEST_F(ToolkitScene, ArraysGrowInHalvingStepsOfAtLeastFive) {
    VMPtr<LogScene> s = newScene();
    std::vector<jint> capacities;
    for (int i = 0; i < 46; ++i) {
        s->addObject(newObject("o", 0));
        if (capacities.empty() || capacities.back() != s->capacity) capacities.push_back(s->capacity);
        EXPECT_EQ(s->objects->length, s->capacity);
        EXPECT_EQ(s->drawOrder->length, s->capacity);
    }
    EXPECT_EQ(capacities, (std::vector<jint>{20, 30, 35, 40, 45, 50}));

    // A scene trimmed to 6 grows by 5; one trimmed to nothing grows first.
    VMPtr<LogScene> six = newScene();
    for (int i = 0; i < 6; ++i) six->addObject(newObject("o", 0));
    six->trimObjects();
    six->addObject(newObject("o", 0));
    EXPECT_EQ(six->capacity, 11);
    VMPtr<LogScene> none = newScene();
    none->trimObjects();
    EXPECT_EQ(none->capacity, 0);
    none->addObject(newObject("o", 0));
    EXPECT_EQ(none->capacity, 5);
    EXPECT_TRUE(none->objects[0] != nullptr);
}

TEST_F(ToolkitScene, RemovalEmptiesTheElementAndCutsOnlyTrailingHoles) {
    VMPtr<LogScene> s = newScene();
    for (const char* n : {"a", "b", "c", "d"}) s->addObject(newObject(n, 0));
    s->trimObjects();
    s->sortDrawOrder();

    s->removeObject(1);  // in the middle: a hole, nothing cut
    EXPECT_EQ(s->capacity, 4);
    EXPECT_TRUE(s->objects[1] == nullptr);
    s->removeObject(3);  // the last: cut down to c
    EXPECT_EQ(s->capacity, 3);
    EXPECT_EQ(s->objects->length, 3);
    EXPECT_EQ(s->drawOrder->length, 3);
    s->removeObject(1);  // a hole: nothing
    s->removeObject(7);  // past the end: nothing
    EXPECT_EQ(log, (Log{"b release", "d release"}));
    EXPECT_EQ(wrentest::thrownName([&] { s->removeObject(-1); }),
              "java.lang.ArrayIndexOutOfBoundsException");

    // The paint passes over the hole.
    log.clear();
    s->paint(graphics());
    EXPECT_EQ(painted(), (Log{"a paint", "c paint", "layer"}));
}

TEST_F(ToolkitScene, RemovingTheLastObjectKeepsTheDrawOrderInsideTheArray) {
    // The last object by index is the first to draw: cutting the order to
    // its first element would leave it naming the removed index.
    VMPtr<LogScene> s = newScene();
    s->addObject(newObject("deep", 50));
    s->addObject(newObject("near", 10));
    s->trimObjects();
    s->sortDrawOrder();
    ASSERT_EQ(order(s), (std::vector<jint>{1, 0}));
    s->removeObject(1);
    EXPECT_EQ(order(s), (std::vector<jint>{0}));
    log.clear();
    s->paint(graphics());
    EXPECT_EQ(painted(), (Log{"layer", "deep paint"}));

    // Three objects, the middle drawn first, the last removed: the order of
    // the rest is kept.
    VMPtr<LogScene> t = newScene();
    t->addObject(newObject("a", 30));
    t->addObject(newObject("b", 20));
    t->addObject(newObject("c", 10));
    t->trimObjects();
    t->sortDrawOrder();
    t->removeObject(2);
    EXPECT_EQ(order(t), (std::vector<jint>{1, 0}));
}

TEST_F(ToolkitScene, ClocksAddTheCanvasFrameTimeAndTheWallClock) {
    VMPtr<LogScene> s = newScene();
    canvas->frameTime = 40;
    s->lastTime = java::lang::System::currentTimeMillis() - 1500;
    s->update();
    EXPECT_EQ(s->frameTime, 40);
    EXPECT_EQ(s->sceneTime, 40);
    EXPECT_GE(s->realFrameTime, 1500);
    EXPECT_LT(s->realFrameTime, 1500 + 60000);
    EXPECT_EQ(s->realTime, s->realFrameTime);
    jint before = s->realTime;

    // A jump that does not fit an int counts as none, either way.
    for (jlong jump : {(jlong(1) << 31) + 5000, -(jlong(1) << 32)}) {
        s->lastTime = java::lang::System::currentTimeMillis() - jump;
        s->update();
        EXPECT_EQ(s->realFrameTime, 0);
        EXPECT_EQ(s->realTime, before);
    }
    EXPECT_EQ(s->sceneTime, 120);

    // loadAll starts the clocks again.
    s->loadAll();
    EXPECT_EQ(s->sceneTime, 0);
    EXPECT_EQ(s->realTime, 0);
}

TEST_F(ToolkitScene, UnloadReleasesObjectsScreenAndPanel) {
    VMPtr<LogScene> s = newScene();
    s->addObject(newObject("a", 0));
    s->addObject(newObject("b", 0));
    s->panel = newObject("panel", 0);
    VMPtr<ui::Screen> screen = ui::Screen::make();
    screen->setLayerCapacity(1);
    screen->appendLayer(kGobsId);
    s->screen = screen;
    jint column = screen->getLayerGobColumn(0);
    EXPECT_EQ(ui::ResManager::S().gobRefs[column], 1);
    s->update();
    log.clear();

    s->unload();
    EXPECT_EQ(log, (Log{"a release", "b release", "panel release"}));
    EXPECT_EQ(ui::ResManager::S().gobRefs[column], 0);
    EXPECT_TRUE(s->screen == nullptr && s->panel == nullptr);
    EXPECT_EQ(s->objects->length, 20);
    EXPECT_TRUE(s->objects[0] == nullptr && s->objects[1] == nullptr);
    EXPECT_TRUE(ui::Scene::S().updating == nullptr);
}

TEST_F(ToolkitScene, ReloadUnloadsThenLoadsAgain) {
    VMPtr<LogScene> s = newScene();
    s->build = [&](LogScene& scene) { scene.addObject(newObject("x", 0)); };
    s->loadAll();
    log.clear();
    s->build = [&](LogScene& scene) { scene.addObject(newObject("y", 0)); };
    s->reload();
    EXPECT_EQ(log, (Log{"x release", "data", "objects", "ui"}));
}

}  // namespace
}  // namespace wrentest::toolkit
