// Graphic objects loaded from the sprite fixture and drawn: every sprite
// transform with the offset mirrored and swapped along, the three source
// kinds and their hints, a 0 by 0 object, insets, tiling and box outlines.
#include "graphics_support.h"

#include "java_lang_System.h"
#include "wren_GobSet.h"
#include "wren_graphics_CollisionBox.h"

using namespace gfxfw;
using wren::Gob;
using wren::graphics::CollisionBox;
using Rows = std::vector<std::string>;

namespace {

class GobDraw : public ::testing::Test {
protected:
    void SetUp() override {
        gobs = sprites();
        ASSERT_TRUE(gobs != nullptr);
        ASSERT_EQ(gobs->length, 8);
    }
    void TearDown() override { gobs = nullptr; }
    VMPtr<Gob> gob(jint i) { return VMPtr<Gob>(gobs[i]); }

    static VMStaticPtr<VMArray<Gob*>> gobs;
};
VMStaticPtr<VMArray<Gob*>> GobDraw::gobs;

// The picture "rgb" over "#.r" with offset (0, 3), drawn with its origin at
// (6, 6): each transform turns the picture by the MIDP rule and puts its
// top-left corner at the origin plus the transformed offset.
TEST_F(GobDraw, EveryTransformTurnsThePictureAndItsOffset) {
    struct Case {
        jint t;
        jint x, y;  // where the top-left corner lands
        Rows drawn;
    } cases[] = {
        {0, 6, 9, {"rgb", "#.r"}},     {1, 6, 1, {"#.r", "rgb"}},     {2, 3, 9, {"bgr", "r.#"}},
        {3, 3, 1, {"r.#", "bgr"}},     {4, 9, 6, {"r#", "g.", "br"}}, {5, 1, 6, {"#r", ".g", "rb"}},
        {6, 9, 3, {"br", "g.", "r#"}}, {7, 1, 3, {"rb", ".g", "#r"}},
    };
    VMPtr<Gob> shape = gob(kShape);
    for (const Case& c : cases) {
        SCOPED_TRACE("transform " + std::to_string(c.t));
        Target target(12, 12);
        shape->paint(target.g, 6, 6, c.t);
        EXPECT_EQ(picture(target), expected(12, 12, c.x, c.y, c.drawn));
        EXPECT_EQ(shape->getOffsetX(c.t), c.x - 6);
        EXPECT_EQ(shape->getOffsetY(c.t), c.y - 6);
        EXPECT_EQ(shape->getWidth(c.t), jint(c.drawn[0].size()));
        EXPECT_EQ(shape->getHeight(c.t), jint(c.drawn.size()));
    }
}

// The keyed picture "r " over " g": its key pixels leave the target as it
// was under every transform. (Its offset is 0, so the mirrors put it left
// of and above the origin.)
TEST_F(GobDraw, KeyedPixelsStayClearUnderEveryTransform) {
    const Rows turned[8] = {{"r ", " g"}, {" g", "r "}, {" r", "g "}, {"g ", " r"},
                            {"r ", " g"}, {" r", "g "}, {" g", "r "}, {"g ", " r"}};
    for (jint t = 0; t < 8; ++t) {
        SCOPED_TRACE("transform " + std::to_string(t));
        Target target(4, 4);
        VMPtr<Gob> keyed = gob(kKeyed);
        keyed->paint(target.g, 2, 2, t);
        EXPECT_EQ(picture(target),
                  expected(4, 4, 2 + keyed->getOffsetX(t), 2 + keyed->getOffsetY(t), turned[t]));
    }
}

// White at alpha 128 over black blends half way in RGB565 (weight
// (128 + 1) >> 3 = 16 of 32); the opaque white beside it is written as it
// is. The picture's hint 3 reaches the renderer, which has an alpha plane
// to honour it with.
TEST_F(GobDraw, PartlyTransparentPixelsBlendWithTheRenderersWeight) {
    constexpr uint32_t kHalfWhiteOverBlack = 0xFF787C78;
    VMPtr<Gob> half = gob(kHalf);
    EXPECT_EQ(half->alphaKind, 3);
    for (jint t : {0, 2, 4, 7}) {
        SCOPED_TRACE("transform " + std::to_string(t));
        Target target(4, 4, kBlack);
        half->paint(target.g, 2, 2, t);
        // The half pixel comes first unless the transform mirrors the row.
        bool reversed = t == 2 || t == 7;
        jint x = 2 + half->getOffsetX(t), y = 2 + half->getOffsetY(t);
        jint hx = x, hy = y, wx = x + 1, wy = y;
        if (t & 4) {
            wx = x;
            wy = y + 1;
        }
        if (reversed) {
            std::swap(hx, wx);
            std::swap(hy, wy);
        }
        EXPECT_EQ(target.at(hx, hy), kHalfWhiteOverBlack);
        EXPECT_EQ(target.at(wx, wy), kWhite);
    }
}

// An opaque picture hinted 3 has no alpha plane to blend with: it is drawn
// in its own format instead of being dropped.
TEST_F(GobDraw, APerPixelAlphaHintOverAnOpaqueImageDrawsItsOwnFormat) {
    VMPtr<Gob> opaque = gob(kOpaque3);
    EXPECT_EQ(opaque->alphaKind, 3);
    EXPECT_FALSE(opaque->image->hasAlpha());
    Target target(3, 1);
    opaque->paint(target.g, 1, 0, 0);
    EXPECT_EQ(picture(target), (Rows{"_by"}));
}

// A spare slot of 0 by 0 loads without an image and draws nothing, in
// every way of drawing it.
TEST_F(GobDraw, AnObjectOfNoSizeDrawsNothing) {
    VMPtr<Gob> spare = gob(kSpare);
    EXPECT_TRUE(spare->image == nullptr);
    Target target(4, 4);
    for (jint t = 0; t < 8; ++t) spare->paint(target.g, 1, 1, t);
    spare->paint(target.g);
    spare->paintInset(target.g, 1, 1, 0, 1, 0, 0, 0);
    spare->paintTiled(target.g, 0, 0);
    spare->withAlpha(128)->paint(target.g, 1, 1, 0);
    EXPECT_EQ(picture(target), expected(4, 4, 0, 0, {}));
}

// Insets are given for the untransformed picture and swap sides with the
// mirrors; the clip is as it was afterwards. The tile "ry" over "gb" is
// drawn with its corner at (1, 1) each time.
TEST_F(GobDraw, InsetsCutTheirSidesAndTheClipIsRestored) {
    struct Case {
        jint t, x, y, left, top, right, bottom;
        Rows drawn;
    } cases[] = {
        {0, 1, 1, 0, 0, 0, 0, {"ry", "gb"}},
        {0, 1, 1, 1, 0, 0, 0, {" y", " b"}},
        {0, 1, 1, 0, 1, 0, 0, {"  ", "gb"}},
        {0, 1, 1, 0, 0, 1, 1, {"r ", "  "}},
        // Mirrored, the picture's left column is drawn on the right.
        {2, 3, 1, 1, 0, 0, 0, {"y ", "b "}},
        {1, 1, 3, 0, 1, 0, 0, {"gb", "  "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "t " << c.t << " insets " << c.left << c.top << c.right << c.bottom);
        Target target(4, 4);
        target.g->setClip(0, 0, 3, 4);
        gob(kTile)->paintInset(target.g, c.x, c.y, c.t, c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(picture(target), expected(4, 4, 1, 1, c.drawn));
        EXPECT_EQ(target.g->getClipX(), 0);
        EXPECT_EQ(target.g->getClipY(), 0);
        EXPECT_EQ(target.g->getClipWidth(), 3);
        EXPECT_EQ(target.g->getClipHeight(), 4);
    }
}

// Tiles cover the clip on the grid through the start point: from the point
// on when it lies inside, extended backwards when it lies before.
TEST_F(GobDraw, TilesCoverTheClipOnTheGridThroughTheStart) {
    struct Case {
        const char* name;
        jint x, y;
        Rows rows;
    } cases[] = {
        {"start inside the clip",
         2,
         3,
         {"______", "______", "______", "__ryr_", "__gbg_", "______"}},
        {"start before the clip",
         -3,
         -2,
         {"______", "_gbgb_", "_ryry_", "_gbgb_", "_ryry_", "______"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Target target(6, 6);
        target.g->setClip(1, 1, 4, 4);
        gob(kTile)->paintTiled(target.g, c.x, c.y);
        EXPECT_EQ(picture(target), c.rows);
    }
}

// Box outlines in the box's own colour or the Graphics' colour, filled or
// not, rectangles and ellipses; the Graphics' colour is as it was after.
TEST_F(GobDraw, BoxOutlinesAndFillsDrawInTheirColour) {
    struct Case {
        const char* name;
        jint kind;
        bool filled, useColour;
        Rows rows;
    } cases[] = {
        {"outline", 3, false, false, {"______", "_####_", "_#__#_", "_#__#_", "_####_", "______"}},
        {"fill", 3, true, false, {"______", "_####_", "_####_", "_####_", "_####_", "______"}},
        {"own colour", 3, true, true, {"______", "_rrrr_", "_rrrr_", "_rrrr_", "_rrrr_", "______"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Target target(6, 6);
        target.g->setColor(0);
        VMPtr<CollisionBox> box = CollisionBox::make(0, 0, 4, 4, c.kind);
        box->filled = c.filled;
        box->useColour = c.useColour;
        box->colour = jint(0xFFFF0000);
        box->paint(target.g, 1, 1, 5);  // moved for the drawing, transform ignored
        EXPECT_EQ(picture(target), c.rows);
        EXPECT_EQ(target.g->getColor(), 0);
        EXPECT_EQ(box->x, 0);
        EXPECT_EQ(box->y, 0);
    }
    // A circle: its ellipse leaves the corners of its square alone.
    Target target(12, 12);
    target.g->setColor(0);
    VMPtr<CollisionBox> circle = CollisionBox::make(1, 1, 10, 10, CollisionBox::CIRCLE);
    circle->filled = true;
    circle->paint(target.g);
    EXPECT_EQ(target.at(6, 6), kBlack);
    EXPECT_EQ(target.at(2, 6), kBlack);
    EXPECT_EQ(target.at(1, 1), kGrey);
    EXPECT_EQ(target.at(10, 10), kGrey);
    // Nothing for a box of no size.
    Target empty(6, 6);
    CollisionBox::make(1, 1, 0, 4, 3)->paint(empty.g);
    EXPECT_EQ(picture(empty), expected(6, 6, 0, 0, {}));
}

// A graphic object's box outline follows its transform; the round box of
// sprite 7 is drawn as an ellipse around the origin.
TEST_F(GobDraw, AnObjectsBoxOutlineFollowsItsTransform) {
    Target target(12, 12);
    target.g->setColor(0);
    gob(kShape)->paintCollisionBox(target.g, 6, 6, 4);  // 2 by 3 at (9, 6)
    EXPECT_EQ(picture(target), expected(12, 12, 9, 6, {"##", "##", "##"}));
    Target round(12, 12);
    round.g->setColor(0);
    gob(kRound)->paintCollisionBox(round.g, 6, 6, 0);  // 4 by 4 at (4, 4)
    EXPECT_EQ(round.at(4, 4), kGrey);
    EXPECT_EQ(round.at(4, 5), kBlack);
    EXPECT_EQ(round.at(5, 4), kBlack);
    // Sprite 2 has no box: nothing is drawn.
    Target none(6, 6);
    gob(kHalf)->paintCollisionBox(none.g, 1, 1, 0);
    EXPECT_EQ(picture(none), expected(6, 6, 0, 0, {}));
}

TEST_F(GobDraw, PaintRegionOnlyPrintsItsNotice) {
    Target target(6, 6);
    testing::internal::CaptureStdout();
    gob(kTile)->paintRegion(target.g, 0, 0, 1, 1, 2, 2);
    java::lang::System::S().out->flush();
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "<UPCOMING FEATURE COMING SOON> This is not yet implemented\n");
    EXPECT_EQ(picture(target), expected(6, 6, 0, 0, {}));
}

// The owner's small values are stored as a short, a short and a byte: what
// does not fit comes back as its low bits, signed.
TEST(GobSet, ValuesAreNarrowedToTheirStoredWidths) {
    VMPtr<wren::GobSet> set = wren::GobSet::make();
    EXPECT_EQ(set->getGobs(), nullptr);
    EXPECT_EQ(set->getAnimSet(), nullptr);
    struct Case {
        jint given, a, b, flag;
    } cases[] = {
        {70000, 4464, 4464, 112}, {200, 200, 200, -56}, {-1, -1, -1, -1},
        {32768, -32768, -32768, 0}, {255, 255, 255, -1}, {127, 127, 127, 127},
    };
    for (const Case& c : cases) {
        set->setValueA(c.given);
        set->setValueB(c.given);
        set->setFlag(c.given);
        EXPECT_EQ(set->getValueA(), c.a) << c.given;
        EXPECT_EQ(set->getValueB(), c.b) << c.given;
        EXPECT_EQ(set->getFlag(), c.flag) << c.given;
    }
}

}  // namespace
