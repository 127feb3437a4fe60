// The entity screen: layer kinds and the cursor, playAnimation and the
// move to the next animation, what each layer takes from and gives back to
// the resource cache, box lookups by type and hit queries, and the checked
// indices.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/runtime_test_support.h"
#include "toolkit_support.h"
#include "ui_ResManager.h"
#include "wren_graphics_CollisionBox.h"

namespace wrentest::toolkit {
namespace {

using ui::ResManager;
using ui::Screen;
using wren::graphics::CollisionBox;

std::vector<jint> ints(const VMPtr<VMArray<jint>>& a) {
    std::vector<jint> v;
    for (jint i = 0; i < a->length; ++i) v.push_back(a[i]);
    return v;
}

class ToolkitScreen : public ToolkitTest {
protected:
    VMPtr<Screen> screenOf(jint layers) {
        VMPtr<Screen> s = Screen::make();
        s->setLayerCapacity(layers);
        return s;
    }
    // Makes `scene` the one whose frame runs, with this wall-clock frame time.
    void runFrameOf(jint realFrameTime) {
        if (scene == nullptr) scene = LogScene::make(nullptr);
        scene->realFrameTime = realFrameTime;
        ui::Scene::S().updating = scene.get();
    }
    static jint gobRefs(jint column) { return ResManager::S().gobRefs[column]; }
    static jint animSetRefs(jint column) { return ResManager::S().animSetRefs[column]; }
    // The sum of every count the cache holds.
    static jint heldCounts() {
        ResManager::Statics& r = ResManager::S();
        jint sum = 0;
        for (jint c = 0; c < r.capacity; ++c) sum += r.gobRefs[c] + r.animSetRefs[c];
        return sum;
    }

    VMNativePtr<LogScene> scene;
};

TEST_F(ToolkitScreen, ANewScreenHasNoLayersAndTheDefaultBackground) {
    VMPtr<Screen> s = Screen::make();
    EXPECT_EQ(s->getLayerCapacity(), 0);
    EXPECT_EQ(s->getLayerCount(), 0);
    EXPECT_EQ(s->backgroundColor1, 0xE3CA83);
    EXPECT_EQ(s->backgroundColor2, 0xE3CA83);
    EXPECT_FALSE(s->backgroundEnabled);
    EXPECT_TRUE(s->isVisible());
    s->setLayerCapacity(3);
    for (jint k = 0; k < 3; ++k) {
        EXPECT_EQ(ints(s->layerClips[k]), (std::vector<jint>{0, 0, 240, 320, 0}));
        EXPECT_EQ(s->getLayerGobColumn(k), -1);
        EXPECT_EQ(s->getLayerAnimSetColumn(k), -1);
        EXPECT_EQ(s->getLayerKind(k), -1);
    }
    EXPECT_EQ(s->getLayerGobColumn(3), -1);
    EXPECT_EQ(s->getLayerAnimSetColumn(3), -1);
}

TEST_F(ToolkitScreen, LayerKindsFollowHowEachLayerWasSet) {
    VMPtr<Screen> s = screenOf(5);
    s->setAnimLayer(0, kGobsId, kAnimsId, 1, 5, 6);
    s->setLayer(1, kGobsId, kAnimsId, 2, 7, 8);
    s->setGobLayer(2, kGobsId);
    s->setLayerCursor(3);
    s->appendLayer(kOtherGobsId);
    struct Row {
        jint layer, kind, x, y, animation;
    };
    const std::vector<Row> rows = {
        {0, Screen::KIND_ANIMATION, 5, 6, 1},
        {1, Screen::KIND_FRAME, 7, 8, 2},
        {2, Screen::KIND_GOB, 0, 0, 0},
        {3, Screen::KIND_GOB, 0, 0, 0},
        {4, -1, 0, 0, -1},   // empty
        {5, -1, 0, 0, -1},   // at the capacity
        {99, -1, 0, 0, -1},  // past it
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("layer " + std::to_string(r.layer));
        EXPECT_EQ(s->getLayerKind(r.layer), r.kind);
        EXPECT_EQ(s->getLayerX(r.layer), r.x);
        EXPECT_EQ(s->getLayerY(r.layer), r.y);
        EXPECT_EQ(s->getLayerAnimation(r.layer), r.animation);
    }
    EXPECT_EQ(s->getLayerCount(), 4);
    // An animation layer sits where its player is; its offsets stay 0, 0.
    EXPECT_EQ(s->layerPlayers[0]->getX(), 5);
    EXPECT_EQ(ints(s->layerOffsets[0]), (std::vector<jint>{0, 0}));
    EXPECT_TRUE(s->layerPlayers[1] == nullptr && s->layerPlayers[2] == nullptr);
    // Sizes are the shown graphic's.
    EXPECT_EQ(s->getLayerWidth(2), 4);
    EXPECT_EQ(s->getLayerHeight(1), 4);
    EXPECT_EQ(s->getLayerWidth(4), 0);
}

TEST_F(ToolkitScreen, TheCursorTakesZeroToTheCapacity) {
    VMPtr<Screen> s = screenOf(3);
    for (auto [asked, kept] : std::vector<std::pair<jint, jint>>{{3, 3}, {4, 3}, {-1, 3}, {0, 0}, {2, 2}}) {
        s->setLayerCursor(asked);
        EXPECT_EQ(s->getLayerCount(), kept) << asked;
    }
}

TEST_F(ToolkitScreen, AppendsFillTheLayerAtTheCursorAndStopAtTheCapacity) {
    VMPtr<Screen> s = screenOf(2);
    s->appendLayer(kGobsId);
    s->appendFrameLayer(kGobsId, kAnimsId, 0, 3, 4);
    EXPECT_EQ(s->getLayerCount(), 2);
    EXPECT_EQ(s->getLayerKind(1), Screen::KIND_FRAME);
    jint held = heldCounts();
    jint used = ResManager::S().used;
    EXPECT_EQ(thrownName([&] { s->appendAnimLayer(kGobsId, kAnimsId, 0, 0, 0); }),
              "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(s->getLayerCount(), 2);
    EXPECT_EQ(heldCounts(), held);
    EXPECT_EQ(ResManager::S().used, used);
}

TEST_F(ToolkitScreen, PlayAnimationPicksTheIdForEachKindAndNeverRestartsTheShownOne) {
    VMPtr<Screen> s = screenOf(4);
    s->setAnimLayer(0, kGobsId, kAnimsId, 1, 0, 0);
    s->setLayer(1, kGobsId, kAnimsId, 0, 0, 0);
    s->setGobLayer(2, kGobsId);

    // Animation: step 1 after 10 ms; the same id keeps it there.
    VMPtr<wren::AnimPlayer> player = s->layerPlayers[0];
    player->update(10);
    EXPECT_EQ(s->getLayerStep(0), 1);
    s->playAnimation(0, 1);
    EXPECT_EQ(s->getLayerStep(0), 1);
    s->playAnimation(0, 2);
    EXPECT_EQ(player->getAnimation(), 2);
    EXPECT_EQ(s->getLayerStep(0), 0);
    EXPECT_EQ(s->getLayerAnimation(0), 2);
    EXPECT_TRUE(s->layerPaintables[0] == player);

    // Frame: the set's frame of that id.
    s->playAnimation(1, 1);
    EXPECT_TRUE(s->layerPaintables[1] == ResManager::S().animSetPool[s->getLayerAnimSetColumn(1)]->getFrame(1));
    EXPECT_EQ(s->getLayerBoxCount(1), 1);

    // Gob: the element of that index; the box queries keep to element 0.
    s->playAnimation(2, 1);
    VMPtr<VMArray<wren::Gob*>> gobs = ResManager::S().gobPool[s->getLayerGobColumn(2)];
    EXPECT_TRUE(s->layerPaintables[2] == gobs[1]);
    EXPECT_EQ(s->getLayerAnimation(2), 1);
    EXPECT_EQ(s->getLayerBoxCount(2), 1);

    // An empty layer, or one at the capacity, does nothing.
    s->playAnimation(3, 1);
    s->playAnimation(4, 1);
    EXPECT_EQ(s->getLayerKind(3), -1);
}

TEST_F(ToolkitScreen, AnIdOutsideTheLayersSetThrowsAndChangesNothing) {
    VMPtr<Screen> s = screenOf(3);
    s->setAnimLayer(0, kGobsId, kAnimsId, 1, 0, 0);
    s->setLayer(1, kGobsId, kAnimsId, 0, 0, 0);
    s->setGobLayer(2, kGobsId);
    VMPtr<wren::AnimPlayer> player = s->layerPlayers[0];
    player->update(10);
    struct Case {
        jint layer, id;
    };
    for (Case c : std::vector<Case>{{0, 4}, {0, -1}, {1, 3}, {1, -2}, {2, 3}, {2, -1}}) {
        SCOPED_TRACE(std::to_string(c.layer) + ":" + std::to_string(c.id));
        VMPtr<wren::Paintable> shown = s->layerPaintables[c.layer];
        jint id = s->getLayerAnimation(c.layer);
        EXPECT_EQ(thrownName([&] { s->playAnimation(c.layer, c.id); }),
                  "java.lang.ArrayIndexOutOfBoundsException");
        EXPECT_TRUE(s->layerPaintables[c.layer] == shown);
        EXPECT_EQ(s->getLayerAnimation(c.layer), id);
    }
    EXPECT_EQ(player->getAnimation(), 1);
    EXPECT_EQ(s->getLayerStep(0), 1);
}

TEST_F(ToolkitScreen, AnAnimationLayerMovesToTheNextIdWhenItsLoopsRunOut) {
    VMPtr<Screen> s = screenOf(2);
    s->setAnimLayer(0, kGobsId, kAnimsId, 0, 0, 0);  // one play of 10 ms
    s->setAnimLayer(1, kGobsId, kAnimsId, 0, 0, 0);  // above the cursor
    s->setLayerCursor(1);
    runFrameOf(10);
    s->doUpdate();
    EXPECT_EQ(s->getLayerAnimation(0), 1);  // on the same frame's update
    EXPECT_EQ(s->layerPlayers[0]->getAnimation(), 1);
    EXPECT_EQ(s->getLayerStep(0), 0);
    EXPECT_EQ(s->getLayerAnimation(1), 0);  // not updated

    // Animation 1 plays two steps twice: 40 ms, then animation 2, endless.
    std::vector<jint> shown;
    for (int f = 0; f < 6; ++f) {
        s->doUpdate();
        shown.push_back(s->getLayerAnimation(0));
    }
    EXPECT_EQ(shown, (std::vector<jint>{1, 1, 1, 2, 2, 2}));

    // A frozen screen is not stepped.
    s->playAnimation(0, 0);
    s->setFrozen(true);
    s->doUpdate();
    EXPECT_EQ(s->getLayerAnimation(0), 0);
    s->setFrozen(false);

    // The set's last animation, played out, stays where it stopped.
    s->playAnimation(0, 3);
    for (int f = 0; f < 3; ++f) s->doUpdate();
    EXPECT_EQ(s->getLayerAnimation(0), 3);
    EXPECT_EQ(s->layerPlayers[0]->getLoopCount(), 0);

    // No scene running: no time passes.
    ui::Scene::S().updating = nullptr;
    s->playAnimation(0, 0);
    s->doUpdate();
    EXPECT_EQ(s->getLayerAnimation(0), 0);
}

TEST_F(ToolkitScreen, LayersShareCacheColumnsAndGiveThemBack) {
    VMPtr<Screen> s = screenOf(3);
    s->setGobLayer(0, kGobsId);
    s->setAnimLayer(1, kGobsId, kAnimsId, 0, 0, 0);
    jint gobColumn = s->getLayerGobColumn(0);
    jint animColumn = s->getLayerAnimSetColumn(1);
    EXPECT_EQ(s->getLayerGobColumn(1), gobColumn);
    EXPECT_EQ(s->getLayerAnimSetColumn(0), -1);
    EXPECT_EQ(gobRefs(gobColumn), 2);
    EXPECT_EQ(animSetRefs(animColumn), 1);

    // A layer set again gives back what it held first.
    s->setGobLayer(0, kOtherGobsId);
    EXPECT_EQ(gobRefs(gobColumn), 1);
    jint otherColumn = s->getLayerGobColumn(0);
    EXPECT_NE(otherColumn, gobColumn);

    s->releaseLayer(2);  // empty: nothing
    s->releaseLayer(1);
    EXPECT_EQ(gobRefs(gobColumn), 0);
    EXPECT_EQ(animSetRefs(animColumn), 0);
    EXPECT_EQ(s->getLayerKind(1), -1);
    EXPECT_EQ(s->getLayerGobColumn(1), -1);

    s->release();
    EXPECT_EQ(heldCounts(), 0);
    EXPECT_EQ(s->getLayerKind(0), -1);
    EXPECT_EQ(s->getLayerCapacity(), 3);
    s->release();  // nothing left to give
    EXPECT_EQ(heldCounts(), 0);

    // Dropping forgets the graphics and gives nothing back.
    s->setGobLayer(0, kGobsId);
    jint column = s->getLayerGobColumn(0);
    s->dropResources();
    EXPECT_EQ(s->getLayerKind(0), -1);
    EXPECT_EQ(s->getLayerGobColumn(0), -1);
    EXPECT_EQ(gobRefs(column), 1);
}

TEST_F(ToolkitScreen, ASetThatFailsLeavesTheLayerEmptyAndHoldsNothing) {
    struct Case {
        const char* name;
        std::function<void(Screen&)> set;
        const char* thrown;
    };
    const std::vector<Case> cases = {
        {"missing Gob set", [](Screen& s) { s.setGobLayer(0, kMissingId); },
         "wren.io.resource.MissingEntryException"},
        {"no Gob set asked", [](Screen& s) { s.setGobLayer(0, -1); },
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"frame outside the set", [](Screen& s) { s.setLayer(0, kGobsId, kAnimsId, 3, 0, 0); },
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"animation outside the set",
         [](Screen& s) { s.setAnimLayer(0, kGobsId, kAnimsId, 4, 0, 0); },
         "java.lang.ArrayIndexOutOfBoundsException"},
        {"no animation set asked", [](Screen& s) { s.setAnimLayer(0, kGobsId, -1, 0, 0, 0); },
         "java.lang.ArrayIndexOutOfBoundsException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<Screen> s = screenOf(1);
        s->setGobLayer(0, kOtherGobsId);
        EXPECT_EQ(thrownName([&] { c.set(*s); }), c.thrown);
        EXPECT_EQ(s->getLayerKind(0), -1);
        EXPECT_EQ(s->getLayerGobColumn(0), -1);
        EXPECT_EQ(s->getLayerAnimSetColumn(0), -1);
        EXPECT_TRUE(s->layerPlayers[0] == nullptr);
        EXPECT_EQ(heldCounts(), 0);
    }
}

TEST_F(ToolkitScreen, BoxesAreLookedUpByTypeAndPlacedOnTheScreen) {
    VMPtr<Screen> s = screenOf(4);
    s->setAnimLayer(0, kGobsId, kAnimsId, 0, 100, 50);  // frame 0
    s->setLayer(1, kGobsId, kAnimsId, 0, 10, 20);       // frame 0
    s->setGobLayer(2, kGobsId);                          // red: drawn 1, 2 off
    s->setLayerPosition(2, 5, 5);
    using V = std::vector<jint>;
    struct Case {
        const char* name;
        V got, expected;
    };
    const std::vector<Case> cases = {
        // The first box of the type, at the player's place.
        {"animation type 1", ints(s->getLayerBox(0, 1)), V{101, 51, 2, 2, 1}},
        {"animation type 2", ints(s->getLayerBox(0, 2)), V{97, 55, 6, 7, 2}},
        {"animation, no box of the type", ints(s->getLayerBox(0, 5)), V{100, 50, 0, 0, 0}},
        // The fixed-type queries leave an animation's box at the player's
        // origin.
        {"animation box 1", ints(s->getLayerBox1(0)), V{1, 1, 2, 2, 1}},
        {"animation box 2", ints(s->getLayerBox2(0)), V{-3, 5, 6, 7, 2}},
        {"animation boxes", ints(s->getLayerBoxes(0)),
         V{100, 50, 4, 4, 0, 101, 51, 2, 2, 1, 97, 55, 6, 7, 2, 102, 52, 1, 1, 1}},
        // A frame layer moves every box by its offsets.
        {"frame type 1", ints(s->getLayerBox(1, 1)), V{11, 21, 2, 2, 1}},
        {"frame box 1", ints(s->getLayerBox1(1)), V{11, 21, 2, 2, 1}},
        {"frame box 3 (none)", ints(s->getLayerBox3(1)), V{10, 20, 0, 0, 0}},
        {"frame boxes", ints(s->getLayerBoxes(1)),
         V{10, 20, 4, 4, 0, 11, 21, 2, 2, 1, 7, 25, 6, 7, 2, 12, 22, 1, 1, 1}},
        // A Gob's one box: with its drawing offset for getLayerBox, without
        // for getLayerBoxes; the fixed-type queries give zeros.
        {"gob any type", ints(s->getLayerBox(2, 3)), V{6, 7, 4, 4, 0}},
        {"gob boxes", ints(s->getLayerBoxes(2)), V{5, 5, 4, 4, 0}},
        {"gob box 4", ints(s->getLayerBox4(2)), V{0, 0, 0, 0, 0}},
        // An empty layer, or one past the capacity: zeros, never an empty
        // array.
        {"empty box", ints(s->getLayerBox(3, 0)), V{0, 0, 0, 0, 0}},
        {"empty boxes", ints(s->getLayerBoxes(3)), V{0, 0, 0, 0, 0}},
        {"past boxes", ints(s->getLayerBoxes(9)), V{0, 0, 0, 0, 0}},
        {"box counts", V{s->getLayerBoxCount(0), s->getLayerBoxCount(1), s->getLayerBoxCount(2),
                         s->getLayerBoxCount(3)},
         V{4, 4, 1, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.name;

    VMPtr<CollisionBox> box = s->getLayerCollisionBox(0, 2);
    EXPECT_EQ((V{box->x, box->y, box->width, box->height}), (V{97, 55, 6, 7}));
    box = s->getLayerCollisionBox(1, 1);
    EXPECT_EQ((V{box->x, box->y, box->width, box->height}), (V{11, 21, 2, 2}));
    box = s->getLayerCollisionBox(2, 0);
    EXPECT_EQ((V{box->x, box->y, box->width, box->height}), (V{6, 7, 4, 4}));
    box = s->getLayerCollisionBox(3, 0);
    EXPECT_EQ((V{box->x, box->y, box->width, box->height, box->kind}), (V{0, 0, 0, 0, 3}));

    // Moving an animation layer moves its player, not the offsets.
    s->setLayerPosition(0, 30, 40);
    EXPECT_EQ(s->getLayerX(0), 30);
    EXPECT_EQ(s->getLayerY(0), 40);
    EXPECT_EQ(ints(s->layerOffsets[0]), (V{0, 0}));
    EXPECT_EQ(ints(s->getLayerBox(0, 1)), (V{31, 41, 2, 2, 1}));
}

TEST_F(ToolkitScreen, AGobWhoseBoxHasNoHeightHasNoBox) {
    VMPtr<Screen> s = screenOf(1);
    s->setGobLayer(0, kFlatGobsId);
    EXPECT_EQ(s->getLayerBoxCount(0), 0);
    EXPECT_FALSE(s->layerContains(0, 0, VMArray<jint>::of({0, 0, 0, 0})));
}

TEST_F(ToolkitScreen, HitQueriesTestAPointOrAWholeRectangle) {
    VMPtr<Screen> s = screenOf(2);
    s->setAnimLayer(0, kGobsId, kAnimsId, 0, 100, 50);  // type 0: 100, 50, 4 by 4
    struct Case {
        std::vector<jint> rect;
        bool inside;
    };
    const std::vector<Case> cases = {
        {{100, 50, 0, 0}, true},   {{103, 53, 0, 0}, true},  {{104, 50, 0, 0}, false},
        {{99, 52, 0, 0}, false},   {{101, 51, 0, 9}, true},  // width 0: the point alone
        {{101, 51, 2, 2}, true},   {{100, 50, 4, 4}, true},  {{101, 51, 4, 2}, false},
        {{90, 40, 40, 40}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(s->layerContains(0, 0, VMArray<jint>::of({c.rect[0], c.rect[1], c.rect[2], c.rect[3]})),
                  c.inside)
            << c.rect[0] << "," << c.rect[1] << " " << c.rect[2] << "x" << c.rect[3];
    }
    EXPECT_TRUE(s->layerContainsBox(0, 1, CollisionBox::make(101, 51, 2, 2, 3)));
    EXPECT_FALSE(s->layerContainsBox(0, 1, CollisionBox::make(101, 51, 3, 2, 3)));
    // An empty layer contains nothing.
    EXPECT_FALSE(s->layerContains(1, 0, VMArray<jint>::of({0, 0, 0, 0})));
}

TEST_F(ToolkitScreen, StepAndDurationOfAnAnimationLayer) {
    VMPtr<Screen> s = screenOf(2);
    s->setAnimLayer(0, kGobsId, kAnimsId, 1, 0, 0);
    s->setGobLayer(1, kGobsId);
    s->setLayerStep(0, 1);
    EXPECT_EQ(s->getLayerStep(0), 1);
    EXPECT_EQ(s->getLayerAnimationDuration(0), 20);
    s->setLayerStep(1, 1);  // not an animation: nothing
    EXPECT_EQ(s->getLayerStep(1), -1);
    EXPECT_EQ(s->getLayerAnimationDuration(1), 0);
}

TEST_F(ToolkitScreen, EveryLayerAndFillIndexIsChecked) {
    VMPtr<Screen> s = screenOf(2);
    s->setGobLayer(0, kGobsId);
    VMPtr<Screen> bare = Screen::make();
    const char* aioobe = "java.lang.ArrayIndexOutOfBoundsException";
    const char* npe = "java.lang.NullPointerException";
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* thrown;
    };
    const std::vector<Case> cases = {
        {"set a negative layer", [&] { s->setGobLayer(-1, kGobsId); }, aioobe},
        {"set the layer at the capacity", [&] { s->setLayer(2, kGobsId, kAnimsId, 0, 0, 0); }, aioobe},
        {"kind of a negative layer", [&] { s->getLayerKind(-1); }, aioobe},
        {"play a negative layer", [&] { s->playAnimation(-1, 0); }, aioobe},
        {"move a negative layer", [&] { s->setLayerPosition(-1, 0, 0); }, aioobe},
        {"release a negative layer", [&] { s->releaseLayer(-1); }, aioobe},
        {"release the layer at the capacity", [&] { s->releaseLayer(2); }, aioobe},
        {"clip of the layer at the capacity",
         [&] { s->setLayerClip(2, VMArray<jint>::of({0, 0, 1, 1})); }, aioobe},
        {"a clip shorter than four", [&] { s->setLayerClip(0, VMArray<jint>::of({0, 0, 1})); }, aioobe},
        {"fixed-type box of an empty layer", [&] { s->getLayerBox1(1); }, npe},
        {"fixed-type box past the capacity", [&] { s->getLayerBox2(2); }, aioobe},
        {"a rectangle shorter than four", [&] { s->layerContains(0, 0, VMArray<jint>::of({1, 1, 1})); },
         aioobe},
        {"a layer before the capacity is set", [&] { bare->appendLayer(kGobsId); }, npe},
        {"a query before the capacity is set", [&] { bare->getLayerKind(0); }, npe},
        {"a fill before the fills exist", [&] { s->setFillRect(0, VMArray<jint>::of({0, 0, 1, 1}), 0); },
         npe},
    };
    jint held = heldCounts();
    jint used = ResManager::S().used;
    for (const Case& c : cases) EXPECT_EQ(thrownName(c.call), c.thrown) << c.name;
    EXPECT_EQ(heldCounts(), held);
    EXPECT_EQ(ResManager::S().used, used);
    EXPECT_EQ(s->getLayerKind(0), Screen::KIND_GOB);

    s->createFillRects(2);
    EXPECT_EQ(thrownName([&] { s->setFillRect(2, VMArray<jint>::of({0, 0, 1, 1}), 0); }), aioobe);
    EXPECT_EQ(thrownName([&] { s->clearFillRect(-1); }), aioobe);
}

}  // namespace
}  // namespace wrentest::toolkit
