// Animation players stepping by time: level rules, loop counts, walking
// under every transform, interpolation (with durations of 0 and time
// carried past a level-3 stop), endless sets of no duration, drawing
// against the pieces drawn by hand, the bounds of a changed animation, and
// collision questions over frames of different box counts.
#include "anim_support.h"
#include "VMTry.h"
#include "java_lang_NullPointerException.h"
#include "wren_graphics_CollisionBox.h"

using namespace gfxfw;
using rpack::AnimStep;
using rpack::Bytes;
using wren::AnimPlayer;
using wren::AnimSet;
using wren::Gob;
using wren::graphics::CollisionBox;

namespace {

// The builder's bytes with the duration table's last values replaced (all
// values one byte long before and after).
Bytes withDurations(Bytes bytes, const std::vector<uint8_t>& durations) {
    std::copy(durations.begin(), durations.end(), bytes.end() - ptrdiff_t(durations.size()));
    return bytes;
}

AnimStep st(int frame, int dx, int dy, int duration, int level = 0, int interp = 0) {
    return {frame, dx, dy, duration, level, interp};
}

// Steps of duration 100 with the given levels, endless.
std::vector<AnimStep> levelled(std::vector<int> levels) {
    std::vector<AnimStep> steps;
    for (int l : levels) steps.push_back(st(0, 0, 0, 0, l));
    return steps;
}

void paintOnce(const VMPtr<AnimPlayer>& p) {
    Target t(4, 4);
    p->paint(t.g);
}

TEST(AnimPlayerUpdate, HigherLevelsAreShownAndLevelThreeStops) {
    struct Op {
        jint elapsed;
        bool paintFirst;
        jint step, shown, stepTime;
    };
    struct Case {
        const char* name;
        std::vector<int> levels;
        std::vector<Op> ops;
    } cases[] = {
        {"a passed level 2 hides the level-0 step after it until painted",
         {0, 2, 0},
         {{250, false, 2, 1, 50}, {10, true, 2, 2, 60}}},
        {"level 3 stops the update with the time carried into it",
         {0, 3, 0},
         {{250, false, 1, 1, 150}, {0, true, 2, 2, 50}}},
        {"the level lasts until a paint",
         {0, 2, 0, 0},
         {{100, false, 1, 1, 0}, {100, false, 2, 1, 0}, {100, true, 3, 3, 0}}},
        {"one update over many steps of one level shows the last",
         {1, 1, 1, 1},
         {{350, false, 3, 3, 50}, {100, false, 0, 0, 50}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<AnimPlayer> p = playerOf(loadAnim(oneAnimation(-1, levelled(c.levels), {100})));
        for (const Op& op : c.ops) {
            if (op.paintFirst) paintOnce(p);
            EXPECT_TRUE(p->update(op.elapsed));
            EXPECT_EQ(p->getStep(), op.step);
            EXPECT_EQ(p->getShownStep(), op.shown);
            EXPECT_EQ(p->stepTime, op.stepTime);
        }
    }
}

TEST(AnimPlayerUpdate, LoopCountsEndOnTheLastStep) {
    struct Op {
        jint elapsed;
        bool playing;
        jint step, stepTime, x;
    };
    struct Case {
        int loop;
        std::vector<Op> ops;
    } cases[] = {
        {1, {{1000, false, 2, 100, 20}, {100, false, 2, 100, 20}}},
        {0, {{500, false, 0, 0, 0}}},
        {2, {{250, true, 2, 50, 20}, {100, true, 0, 50, 20}, {300, false, 2, 100, 40}}},
        {-5, {{650, true, 0, 50, 40}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("loop " + std::to_string(c.loop));
        VMPtr<AnimPlayer> p = playerOf(loadAnim(
            oneAnimation(c.loop, {st(0, 0, 0, 0), st(0, 10, 0, 0), st(0, 20, 0, 0)}, {100})));
        EXPECT_EQ(p->getLoopCount(), c.loop < 0 ? -1 : c.loop);
        for (const Op& op : c.ops) {
            EXPECT_EQ(p->update(op.elapsed), op.playing);
            EXPECT_EQ(p->getStep(), op.step);
            EXPECT_EQ(p->stepTime, op.stepTime);
            EXPECT_EQ(p->getX(), op.x);
        }
        // Stopped, an update only takes the position as the previous one.
        if (p->getLoopCount() == 0) {
            jint x = p->getX();
            p->setPrevX(-1);
            EXPECT_FALSE(p->update(70));
            EXPECT_EQ(p->getX(), x);
            EXPECT_EQ(p->getPrevX(), x);
        }
    }
}

// Jumping to a step puts the player on it where it stands: the updates
// after the jump walk only the steps' differences from there.
TEST(AnimPlayerUpdate, ASetStepDoesNotMoveThePlayer) {
    VMPtr<AnimSet> set =
        loadAnim(oneAnimation(-1, {st(0, 0, 0, 0), st(0, 4, 1, 0), st(0, 8, 2, 0)}, {10}));
    VMPtr<AnimPlayer> p = playerOf(set);
    p->setX(20);
    p->setY(30);
    p->setStep(2);
    EXPECT_EQ(p->getStep(), 2);
    p->update(5);
    EXPECT_EQ(p->getX(), 20);
    EXPECT_EQ(p->getY(), 30);
    EXPECT_EQ(p->getStep(), 2);
    // On to step 1 of the next play: (4, 1) past step 0, which sits where
    // step 2 did.
    p->update(10);
    p->update(10);
    EXPECT_EQ(p->getStep(), 1);
    EXPECT_EQ(p->getX(), 24);
    EXPECT_EQ(p->getY(), 31);
    // Back to step 0 from step 1: no move either.
    p->setStep(0);
    p->update(5);
    EXPECT_EQ(p->getX(), 24);
    EXPECT_EQ(p->getY(), 31);
}

// The time into the animation: the durations of the steps before the
// current one plus the time spent in it.
TEST(AnimPlayerUpdate, ElapsedTimeCountsTheStepsBefore) {
    // Step durations 10, 30, 10.
    VMPtr<AnimSet> set =
        loadAnim(oneAnimation(1, {st(0, 0, 0, 0), st(0, 0, 0, 1), st(0, 0, 0, 0)}, {10, 30}));
    VMPtr<AnimPlayer> p = playerOf(set);
    EXPECT_EQ(p->getElapsedTime(), 0);
    p->update(25);
    EXPECT_EQ(p->getStep(), 1);
    EXPECT_EQ(p->getElapsedTime(), 25);
    p->update(20);
    EXPECT_EQ(p->getStep(), 2);
    EXPECT_EQ(p->getElapsedTime(), 45);
    p->setStep(1);
    EXPECT_EQ(p->getElapsedTime(), 10);
    // A player with no animation has spent no time.
    EXPECT_EQ(AnimPlayer::make()->getElapsedTime(), 0);
}

// Steps at (0, 0), (4, 1), (8, 2), 10 each, endless: every play walks
// (8, 2) further, turned by the player's transform, whether it is run in
// small updates or one.
TEST(AnimPlayerUpdate, WalksKeepGoingInTheTransformsDirection) {
    struct Case {
        jint t, x, y;
    } cases[] = {{0, 16, 4}, {1, 16, -4}, {2, -16, 4}, {3, -16, -4},
                 {4, 4, 16}, {5, -4, 16}, {6, 4, -16}, {7, -4, -16}};
    VMPtr<AnimSet> set =
        loadAnim(oneAnimation(-1, {st(0, 0, 0, 0), st(0, 4, 1, 0), st(0, 8, 2, 0)}, {10}));
    for (const Case& c : cases) {
        SCOPED_TRACE("transform " + std::to_string(c.t));
        VMPtr<AnimPlayer> small = playerOf(set), large = playerOf(set);
        small->setTransform(c.t);
        large->setTransform(c.t);
        for (int i = 0; i < 6; ++i) small->update(10);
        large->update(60);
        for (const VMPtr<AnimPlayer>& p : {small, large}) {
            EXPECT_EQ(p->getX(), c.x);
            EXPECT_EQ(p->getY(), c.y);
            EXPECT_EQ(p->getStep(), 0);
        }
    }
}

TEST(AnimPlayerUpdate, InterpolationBlendsTowardsTheNextStep) {
    // Durations: 0 -> 100, 1 -> 10, 2 -> 0 (patched in: the builder refuses it).
    auto bytesOf = [](int loop, std::vector<AnimStep> steps) {
        return withDurations(
            rpack::encodeAnimSet(oneAnimation(loop, std::move(steps), {100, 10, 1})), {100, 10, 0});
    };
    struct Case {
        const char* name;
        Bytes bytes;
        std::vector<std::pair<jint, jint>> updatesAndX;
    } cases[] = {
        {"a quarter and a half of the way",
         bytesOf(-1, {st(0, 0, 0, 0, 0, 1), st(0, 100, 0, 0)}),
         {{25, 25}, {25, 50}, {50, 100}}},
        {"an endless last step blends towards the next play's first",
         bytesOf(-1, {st(0, 10, 0, 0), st(0, 40, 0, 0, 0, 1)}),
         {{0, 10}, {100, 40}, {50, 45}, {50, 50}}},
        {"the final play's last step is not blended",
         bytesOf(1, {st(0, 10, 0, 0), st(0, 40, 0, 0, 0, 1)}),
         {{0, 10}, {100, 40}, {50, 40}}},
        {"a level-3 step of duration 0 is the fraction 0",
         bytesOf(-1, {st(0, 0, 0, 0), st(0, 30, 0, 2, 3, 1), st(0, 100, 0, 0)}),
         {{100, 30}}},
        {"time carried past a level-3 stop is at most the whole step",
         bytesOf(-1, {st(0, 0, 0, 0), st(0, 0, 0, 1, 3, 1), st(0, 100, 0, 0)}),
         {{150, 100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<AnimPlayer> p = playerOf(loadAnimBytes(c.bytes));
        for (auto [elapsed, x] : c.updatesAndX) {
            p->update(elapsed);
            EXPECT_EQ(p->getX(), x) << "after " << elapsed;
        }
    }
}

// Every step of no duration: the set is patched past what the builder
// writes. Each update ends after at most one play.
TEST(AnimPlayerUpdate, PlaysOfNoDurationEndTheUpdate) {
    struct Case {
        const char* name;
        int loop;
        std::vector<int> levels;
        bool playing;
        jint step;
    } cases[] = {
        {"endless", -1, {0, 0, 0}, true, 0},
        {"endless with levels", -1, {1, 2, 0}, true, 0},
        {"endless with a level-3 step", -1, {0, 3, 0}, true, 1},
        {"three plays", 3, {0, 0, 0}, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<AnimStep> steps;
        for (size_t i = 0; i < c.levels.size(); ++i)
            steps.push_back(st(0, int(i), 0, 0, c.levels[i]));
        VMPtr<AnimPlayer> p = playerOf(loadAnimBytes(
            withDurations(rpack::encodeAnimSet(oneAnimation(c.loop, steps, {1})), {0})));
        for (jint elapsed : {0, 0, 1000, 65535}) {
            EXPECT_EQ(p->update(elapsed), c.playing);
            EXPECT_EQ(p->getStep(), c.step);
            paintOnce(p);
        }
    }
}

// --- drawing and frame questions ---------------------------------------------

class AnimPlayerDraw : public ::testing::Test {
protected:
    void SetUp() override {
        gobs = sprites();
        rpack::AnimSet s;
        s.durations = {10};
        s.frames.resize(3);
        s.frames[0].pieces = {{kTile, -4, 0, 1}, {kShape, 2, -1, 0}, {kKeyed, 3, 3, 2}};
        s.frames[1].pieces = {{kTile, 0, 0, 0}};
        s.frames[1].boxes = {{0, 0, 2, 2, 0, false}};
        s.frames[2].pieces = {{kShape, 0, 0, 0}};
        for (int i = 0; i < 5; ++i) s.frames[2].boxes.push_back({-100, -100, 1, 1, 1, false});
        s.frames[2].boxes.push_back({50, 50, 4, 4, 3, false});
        s.animations = {{-1, {st(1, 0, 0, 0)}},
                        {-1, {st(1, 0, 0, 0), st(2, 0, 0, 0), st(0, 0, 0, 0)}}};
        set = loadAnim(s);
        set->setGobs(gobs);
    }
    void TearDown() override {
        gobs = nullptr;
        set = nullptr;
    }
    std::vector<std::pair<jint, jint>> offsets() {
        std::vector<std::pair<jint, jint>> o;
        for (jint i = 0; i < gobs->length; ++i) o.push_back({gobs[i]->offsetX, gobs[i]->offsetY});
        return o;
    }

    static VMStaticPtr<VMArray<Gob*>> gobs;
    static VMStaticPtr<AnimSet> set;
};
VMStaticPtr<VMArray<Gob*>> AnimPlayerDraw::gobs;
VMStaticPtr<AnimSet> AnimPlayerDraw::set;

TEST_F(AnimPlayerDraw, AFrameIsItsPiecesDrawnInOrder) {
    auto before = offsets();
    for (jint t = 0; t < 8; ++t) {
        SCOPED_TRACE("transform " + std::to_string(t));
        VMPtr<AnimPlayer> p = playerOf(set, 1);
        p->setStep(2);
        p->setX(10);
        p->setY(11);
        p->setTransform(t);
        Target drawn(24, 24), byHand(24, 24), asFrame(24, 24);
        p->paint(drawn.g);
        set->getFrame(0)->paint(asFrame.g, 10, 11, t);
        VMPtr<VMArray<jint>> pieces = VMArray<jint>::create(12);
        ASSERT_EQ(p->getFramePieces(pieces), 3);
        for (jint k = 0; k < 12; k += 4)
            VMPtr<Gob>(gobs[pieces[k]])
                ->paint(byHand.g, 10 + pieces[k + 1], 11 + pieces[k + 2], pieces[k + 3]);
        EXPECT_EQ(drawn.pixels(), byHand.pixels());
        EXPECT_EQ(drawn.pixels(), asFrame.pixels());
        EXPECT_EQ(offsets(), before);

        // Everything drawn lies in the frame's bounds, and they touch it.
        VMPtr<VMArray<jint>> b = VMArray<jint>::create(4);
        p->getFrameBounds(b);
        std::vector<std::string> rows = picture(drawn);
        jint minX = 99, minY = 99, maxX = -1, maxY = -1;
        for (jint y = 0; y < 24; ++y)
            for (jint x = 0; x < 24; ++x)
                if (rows[size_t(y)][size_t(x)] != '_')
                    minX = std::min(minX, x), minY = std::min(minY, y), maxX = std::max(maxX, x),
                    maxY = std::max(maxY, y);
        EXPECT_GE(minX, b[0]);
        EXPECT_GE(minY, b[1]);
        EXPECT_LT(maxX, b[0] + b[2]);
        EXPECT_LT(maxY, b[1] + b[3]);
    }
}

TEST_F(AnimPlayerDraw, OffsetsComeBackWhenDrawingThrows) {
    auto before = offsets();
    VMPtr<AnimPlayer> p = playerOf(set);
    bool thrown = vmTryCatch(
        [&] {
            p->paint(nullptr, 3, 4, 1);
            return false;
        },
        [](const VMPtr<java::lang::NullPointerException>&) { return true; });
    EXPECT_TRUE(thrown);
    EXPECT_EQ(offsets(), before);
    EXPECT_EQ(p->getX(), 0);
    EXPECT_EQ(p->getTransform(), 0);
}

TEST_F(AnimPlayerDraw, BoundsFollowTheAnimationAndTheSet) {
    // Animation 1 covers its three frames (all at offset 0).
    jint left = 99, top = 99, right = -99, bottom = -99;
    for (jint f = 0; f < 3; ++f) {
        VMPtr<wren::Frame> frame = set->getFrame(f);
        left = std::min(left, frame->getOffsetX(0));
        top = std::min(top, frame->getOffsetY(0));
        right = std::max(right, frame->getOffsetX(0) + frame->getWidth(0));
        bottom = std::max(bottom, frame->getOffsetY(0) + frame->getHeight(0));
    }
    VMPtr<AnimPlayer> p = playerOf(set, 1);
    EXPECT_EQ(p->getWidth(0), right - left);
    EXPECT_EQ(p->getHeight(0), bottom - top);
    EXPECT_EQ(p->getOffsetX(0), left);
    EXPECT_EQ(p->getOffsetY(1), -bottom);

    // Animation 0 is the 2 by 2 tile alone.
    p->setAnimation(0);
    EXPECT_EQ(p->getWidth(0), 2);
    EXPECT_EQ(p->getHeight(4), 2);
    EXPECT_EQ(p->getOffsetX(0), 0);

    // Another set: the 3 by 2 shape 3 below its origin.
    rpack::AnimSet shape = oneAnimation(-1, {st(0, 0, 0, 0)}, {10});
    shape.frames[0].pieces = {{kShape, 0, 0, 0}};
    VMPtr<AnimSet> other = loadAnim(shape);
    other->setGobs(gobs);
    p->setAnimSet(other);
    EXPECT_EQ(p->getWidth(0), 3);
    EXPECT_EQ(p->getOffsetY(0), 3);
    EXPECT_EQ(p->getAnimationFrame(), other->getAnimationFrame(0));
}

// Frame 1 (the 2 by 2 tile at its origin) at (0, 0), then at (5, -3): the
// animation's bounds cover both places, the step's offset turned with the
// frame.
TEST_F(AnimPlayerDraw, AnimationBoundsTakeTheStepsOffsets) {
    rpack::AnimSet s;
    s.durations = {10};
    s.frames.resize(2);
    s.frames[1].pieces = {{kTile, 0, 0, 0}};
    s.animations = {{-1, {st(1, 0, 0, 0), st(1, 5, -3, 0)}}};
    VMPtr<AnimSet> moving = loadAnim(s);
    moving->setGobs(gobs);
    struct Case {
        jint t;
        std::vector<jint> bounds;
    } cases[] = {
        {0, {0, -3, 7, 5}},
        // Turned half round: the tile at {-2, -2} and the step at (-5, 3).
        {3, {-7, -2, 7, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("transform " + std::to_string(c.t));
        VMPtr<VMArray<jint>> b = VMArray<jint>::create(4);
        moving->getAnimationBounds(0, c.t, b);
        EXPECT_EQ((std::vector<jint>{b[0], b[1], b[2], b[3]}), c.bounds);
    }
    // The animation's Frame takes the untransformed bounds.
    VMPtr<AnimPlayer> p = playerOf(moving);
    EXPECT_EQ(p->getOffsetX(0), 0);
    EXPECT_EQ(p->getOffsetY(0), -3);
    EXPECT_EQ(p->getWidth(0), 7);
    EXPECT_EQ(p->getHeight(0), 5);
}

// A copy over other images shares every table but draws with its own
// images and makes its own Frames; the set it came from is unchanged.
TEST_F(AnimPlayerDraw, ACopyWithOtherImagesDrawsThem) {
    VMPtr<VMArray<Gob*>> others = VMArray<Gob*>::create(gobs->length);
    for (jint i = 0; i < gobs->length; ++i) others[i] = gobs[i];
    others[kTile] = gobs[kShape];
    VMPtr<wren::Frame> original = set->getFrame(1);
    VMPtr<AnimSet> copy = set->copyWithGobs(others);
    EXPECT_TRUE(copy->getGobs() == others);
    EXPECT_TRUE(set->getGobs() == gobs);
    EXPECT_EQ(copy->getResourceId(), set->getResourceId());
    EXPECT_EQ(copy->getAnimationCount(), 2);
    EXPECT_EQ(copy->getAnimationDuration(1), set->getAnimationDuration(1));
    EXPECT_FALSE(copy->getFrame(1) == original);
    EXPECT_TRUE(set->getFrame(1) == original);

    Target fromCopy(8, 8), fromSet(8, 8), shape(8, 8), tile(8, 8);
    copy->paintFrame(fromCopy.g, 1, 2, 2, 0);
    set->paintFrame(fromSet.g, 1, 2, 2, 0);
    VMPtr<Gob>(gobs[kShape])->paint(shape.g, 2, 2, 0);
    VMPtr<Gob>(gobs[kTile])->paint(tile.g, 2, 2, 0);
    EXPECT_EQ(picture(fromCopy), picture(shape));
    EXPECT_EQ(picture(fromSet), picture(tile));
    EXPECT_NE(picture(shape), picture(tile));
}

// Animation 1 shows frames of 1, 6 and no boxes: the shared box buffer
// starts smaller than the second frame needs.
TEST_F(AnimPlayerDraw, CollisionsFollowTheShownFramesBoxes) {
    CollisionBox::S().sBoxesA = CollisionBox::ensureBoxes(nullptr, 1);
    VMPtr<AnimPlayer> p = playerOf(set, 1);
    p->setX(100);
    p->setY(100);
    VMPtr<AnimPlayer> other = playerOf(set, 1);
    VMPtr<CollisionBox> out = CollisionBox::make();
    Target screen(8, 8);
    struct Expect {
        jint boxes;
        bool inside, outside;
        bool hasBox;
        std::vector<jint> first;  // x, y, w, h of the first box
    } frames[] = {
        {1, true, false, true, {100, 100, 2, 2}},
        {6, true, false, true, {0, 0, 1, 1}},  // box 1 of 6, at (-100, -100)
        {0, false, false, false, {}},
    };
    jint insides[3][2] = {{101, 101}, {152, 152}, {101, 101}};
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE("step " + std::to_string(f));
        const Expect& e = frames[f];
        EXPECT_EQ(p->getCollisionBoxCount(), e.boxes);
        EXPECT_EQ(p->containsPoint(insides[f][0], insides[f][1]), e.inside);
        EXPECT_EQ(p->containsPoint(99, 99), e.outside);
        EXPECT_EQ(p->getCollisionBox(out), e.hasBox);
        if (e.hasBox) {
            std::vector<jint> got{out->x, out->y, out->width, out->height};
            EXPECT_EQ(got, e.first);
        } else {
            EXPECT_EQ(out->width, 0);
        }
        p->paintCollisionBoxes(screen.g);
        // The other player, on the same frame 100 pixels up and left.
        EXPECT_EQ(other->collidesWith(p), false);
        other->setX(p->getX());
        other->setY(p->getY());
        EXPECT_EQ(other->collidesWith(p), e.boxes > 0);
        other->setX(0);
        other->setY(0);
        p->update(10);
        other->update(10);
    }
    // Only type 3: the sixth box of frame 2.
    p->setStep(1);
    p->collisionType = 3;
    EXPECT_TRUE(p->getCollisionBox(out));
    EXPECT_EQ((std::vector<jint>{out->x, out->y, out->width, out->height}),
              (std::vector<jint>{150, 150, 4, 4}));
    VMPtr<Gob> tile = gobs[kTile];
    tile->boxWidth = 2;
    tile->boxHeight = 2;
    EXPECT_TRUE(p->collidesWith(tile, 153, 153, 0));
    EXPECT_FALSE(p->collidesWith(tile, 154, 154, 0));
    tile->boxWidth = 0;
    tile->boxHeight = 0;
}

}  // namespace
