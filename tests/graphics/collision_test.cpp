// Collision boxes and rectangles: overlap, containment, circles (whose
// height plays no part) and boxes of no size (which never collide), the set
// operations, box lists with their hit pair, graphic objects' boxes under
// every transform, and the two tests between placed Paintables, whose
// shared box buffer holds a box in every slot however the counts grow.
#include "graphics_support.h"

#include "wren_graphics_CollisionBox.h"
#include "wren_graphics_Rect.h"

using namespace gfxfw;
using wren::Gob;
using wren::Paintable;
using wren::graphics::CollisionBox;
using wren::graphics::Rect;

namespace {

constexpr jint R = CollisionBox::RECTANGLE;
constexpr jint C = CollisionBox::CIRCLE;

std::vector<jint> ints(const VMPtr<VMArray<jint>>& a) {
    return std::vector<jint>(a->elements(), a->elements() + a->length);
}

VMPtr<CollisionBox> box(jint x, jint y, jint w, jint h, jint kind = R, jint type = 0) {
    VMPtr<CollisionBox> b = CollisionBox::make(x, y, w, h, kind);
    b->type = type;
    return b;
}

// A Gob with only a box: (x, y) from the origin, w by h, round or not.
VMPtr<Gob> boxGob(jint x, jint y, jint w, jint h, bool round = false) {
    VMPtr<Gob> g = Gob::make();
    g->boxX = jshort(x);
    g->boxY = jshort(y);
    g->boxWidth = jshort(w);
    g->boxHeight = jshort(h);
    g->roundBox = round;
    return g;
}

struct Pair {
    const char* name;
    jint ax, ay, aw, ah, akind;
    jint bx, by, bw, bh, bkind;
    bool hit;
};

// Both orders of every pair answer alike.
TEST(CollisionBoxes, OverlapOfRectanglesAndCircles) {
    const Pair pairs[] = {
        {"rectangles overlapping by a pixel", 0, 0, 10, 10, R, 9, 9, 5, 5, R, true},
        {"rectangles touching at an edge", 0, 0, 10, 10, R, 10, 0, 5, 5, R, false},
        {"rectangle inside another", 0, 0, 10, 10, R, 2, 2, 3, 3, R, true},
        {"apart", 0, 0, 10, 10, R, 20, 20, 5, 5, R, false},
        {"circles touching", 0, 0, 10, 10, C, 10, 0, 10, 10, C, true},
        {"circles apart by a pixel", 0, 0, 10, 10, C, 11, 0, 10, 10, C, false},
        {"circle over a rectangle's corner", 0, 0, 10, 10, C, 8, 8, 10, 10, R, true},
        {"circle near a corner, beyond reach", 0, 0, 10, 10, C, 9, 9, 10, 10, R, false},
        {"circle beside a rectangle's edge", 0, 0, 10, 10, C, 10, 2, 5, 5, R, true},
        {"circle clear of a rectangle's edge", 0, 0, 10, 10, C, 11, 2, 5, 5, R, false},
        {"kind other than 3 is a circle", 0, 0, 10, 10, 7, 10, 0, 10, 10, C, true},
        // Rectangles of no size and circles of no width never collide.
        {"empty rectangle inside a rectangle", 0, 0, 10, 10, R, 5, 5, 0, 3, R, false},
        {"flat rectangle inside a circle", 0, 0, 10, 10, C, 5, 5, 3, 0, R, false},
        {"empty circle inside a rectangle", 0, 0, 10, 10, R, 5, 5, 0, 0, C, false},
        {"empty circle on a circle", 0, 0, 10, 10, C, 4, 4, 0, 4, C, false},
        // A circle's height plays no part: it is its diameter alone.
        {"circle of no height inside a rectangle", 0, 0, 20, 20, R, 5, 5, 6, 0, C, true},
        {"circle of no height over a corner", 0, 0, 10, 0, C, 8, 8, 10, 10, R, true},
        {"circle of no height near a corner", 0, 0, 10, 0, C, 9, 9, 10, 10, R, false},
        {"circles of no height touching", 0, 0, 10, 0, C, 10, 0, 10, 0, C, true},
        {"circles of no height apart", 0, 0, 10, 0, C, 11, 0, 10, 0, C, false},
        {"circle of negative height on a circle", 0, 0, 10, -3, C, 10, 0, 10, 10, C, true},
        {"circle one wide is its point", 0, 0, 10, 10, R, 5, 5, 1, 0, C, true},
    };
    for (const Pair& p : pairs) {
        SCOPED_TRACE(p.name);
        VMPtr<CollisionBox> a = box(p.ax, p.ay, p.aw, p.ah, p.akind);
        VMPtr<CollisionBox> b = box(p.bx, p.by, p.bw, p.bh, p.bkind);
        EXPECT_EQ(a->intersects(b), p.hit);
        EXPECT_EQ(b->intersects(a), p.hit);
        // The same with the rectangle given by its numbers.
        if (p.bkind == R) {
            EXPECT_EQ(a->intersects(p.bx, p.by, p.bw, p.bh), p.hit);
        }
        if (p.akind == R) {
            EXPECT_EQ(b->intersects(p.ax, p.ay, p.aw, p.ah), p.hit);
        }
    }
}

TEST(CollisionBoxes, PointsAndContainment) {
    VMPtr<CollisionBox> r = box(0, 0, 10, 10);
    EXPECT_TRUE(r->containsPoint(0, 0));  // left and top edges are in
    EXPECT_TRUE(r->containsPoint(9, 9));
    EXPECT_FALSE(r->containsPoint(10, 5));  // right and bottom edges are out
    EXPECT_FALSE(r->containsPoint(5, 10));
    VMPtr<CollisionBox> c = box(0, 0, 10, 10, C);
    EXPECT_TRUE(c->containsPoint(5, 5));
    EXPECT_TRUE(c->containsPoint(1, 5));
    EXPECT_FALSE(c->containsPoint(0, 0));
    EXPECT_FALSE(c->containsPoint(10, 5));
    EXPECT_FALSE(box(0, 0, 0, 10)->containsPoint(0, 0));
    EXPECT_FALSE(box(0, 0, 0, 10, C)->containsPoint(0, 0));

    struct Case {
        const char* name;
        jint x, y, w, h;
        bool inside;
    } cases[] = {
        {"inside", 2, 2, 3, 3, true},
        {"the same", 0, 0, 10, 10, true},
        {"one pixel over", 0, 0, 11, 10, false},
        {"left of it", -1, 0, 5, 5, false},
        {"of no width", 2, 2, 0, 3, false},
        {"of no height", 2, 2, 3, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(r->contains(k.x, k.y, k.w, k.h), k.inside);
        EXPECT_EQ(r->contains(box(k.x, k.y, k.w, k.h)), k.inside);
        EXPECT_EQ(c->contains(k.x, k.y, k.w, k.h), k.inside);  // the extent, whatever the kind
    }
    // A box of no size contains nothing.
    EXPECT_FALSE(box(0, 0, 0, 10)->contains(0, 0, 0, 0));
    EXPECT_FALSE(box(0, 0, 10, 0)->contains(box(0, 0, 1, 0)));
}

TEST(CollisionBoxes, PlacementTestsDoNotRejectEmptyExtents) {
    VMPtr<CollisionBox> other = box(0, 0, 10, 10);
    EXPECT_TRUE(box(5, 5, 0, 0)->intersectsAt(other, 0, 0));
    EXPECT_TRUE(box(0, 0, 4, 4)->intersectsAt(other, 6, 6, 3));  // the transform is ignored
    EXPECT_FALSE(box(0, 0, 4, 4)->intersectsAt(other, 10, 0));
}

TEST(CollisionBoxes, IntersectUniteAndCopies) {
    VMPtr<CollisionBox> out = box(0, 0, 0, 0, C, 9);
    out->colour = 5;
    out->intersect(box(0, 0, 10, 10), box(5, 6, 10, 10));
    EXPECT_EQ(out->x, 5);
    EXPECT_EQ(out->y, 6);
    EXPECT_EQ(out->width, 5);
    EXPECT_EQ(out->height, 4);
    EXPECT_EQ(out->kind, R);
    EXPECT_EQ(out->type, 9);
    EXPECT_EQ(out->colour, 5);
    out->intersect(box(0, 0, 10, 10), box(20, 0, 5, 5));
    EXPECT_LE(out->width, 0);
    EXPECT_TRUE(out->isEmpty());
    out->unite(box(0, 0, 10, 10), box(20, -5, 5, 5));
    EXPECT_EQ(out->x, 0);
    EXPECT_EQ(out->y, -5);
    EXPECT_EQ(out->width, 25);
    EXPECT_EQ(out->height, 15);

    VMPtr<CollisionBox> src = box(1, 2, 3, 4, C, 7);
    src->filled = true;
    src->useColour = true;
    src->colour = 0x112233;
    VMPtr<CollisionBox> some = CollisionBox::make();
    src->copyTo(some);
    EXPECT_EQ(wrentest::text(some->toString()), "x,y:1,2, WxH:3,4");
    EXPECT_EQ(some->kind, C);
    EXPECT_EQ(some->type, 7);
    EXPECT_FALSE(some->filled);
    VMPtr<CollisionBox> all = CollisionBox::make();
    src->copyAllTo(all);
    EXPECT_TRUE(all->filled);
    EXPECT_TRUE(all->useColour);
    EXPECT_EQ(all->colour, 0x112233);
    EXPECT_EQ(wrentest::text(CollisionBox::make()->toString()), "x,y:0,0, WxH:0,0");
    EXPECT_EQ(Rect::make()->kind, R);
    EXPECT_EQ(CollisionBox::make()->kind, R);
    EXPECT_EQ(CollisionBox::make(C)->getType(), C);
}

TEST(CollisionBoxes, ABoxListsItselfByType) {
    VMPtr<VMArray<CollisionBox*>> out = CollisionBox::ensureBoxes(nullptr, 1);
    VMPtr<CollisionBox> first = out[0];
    VMPtr<CollisionBox> b = box(3, 4, 5, 6, R, 1);
    EXPECT_EQ(b->getCollisionBoxes(0, out, 2), 0);
    EXPECT_EQ(first->width, 0);  // untouched
    EXPECT_EQ(b->getCollisionBoxes(0, out, -1), 1);
    EXPECT_EQ(b->getCollisionBoxes(0, out, 1), 1);
    EXPECT_EQ(first->x, 3);
    EXPECT_EQ(first->height, 6);
    EXPECT_EQ(first->type, 1);
    EXPECT_EQ(box(3, 4, 0, 6, R, 1)->getCollisionBoxes(0, out, -1), 0);
    EXPECT_EQ(b->getCollisionBoxCount(), 1);
    EXPECT_EQ(box(3, 4, 5, 0)->getCollisionBoxCount(), 0);
    EXPECT_EQ(b->getCollisionRects(0, VMArray<jint>::create(5)), 0);
}

// Only the second box of the first list hits, and only the third of the
// second list: both are reported.
TEST(CollisionBoxes, ListsReportTheFirstHittingPair) {
    VMPtr<VMArray<CollisionBox*>> a = VMArray<CollisionBox*>::create(2);
    a[0] = box(0, 0, 5, 5);
    a[1] = box(50, 50, 5, 5);
    VMPtr<VMArray<CollisionBox*>> b = VMArray<CollisionBox*>::create(3);
    b[0] = box(20, 0, 5, 5);
    b[1] = box(0, 20, 5, 5);
    b[2] = box(52, 52, 5, 5, C);
    EXPECT_TRUE(CollisionBox::collideLists(2, a, 3, b));
    EXPECT_TRUE(CollisionBox::S().sHitA == a[1]);
    EXPECT_TRUE(CollisionBox::S().sHitB == b[2]);
    EXPECT_FALSE(CollisionBox::collideLists(2, a, 2, b));
    EXPECT_TRUE(CollisionBox::S().sHitA == nullptr);
    EXPECT_TRUE(CollisionBox::S().sHitB == nullptr);
    // A circle of no height is hit as the circle of its width.
    b[1] = box(48, 48, 4, 0, C);
    EXPECT_TRUE(CollisionBox::collideLists(2, a, 2, b));
    EXPECT_TRUE(CollisionBox::S().sHitA == a[1]);
    EXPECT_TRUE(CollisionBox::S().sHitB == b[1]);
}

// Every slot of the buffer handed back holds a box: a new one, a reused
// one, and one that someone else left with gaps.
TEST(CollisionBoxes, EnsuredBuffersHoldABoxInEverySlot) {
    VMPtr<VMArray<CollisionBox*>> small = CollisionBox::ensureBoxes(nullptr, 2);
    ASSERT_EQ(small->length, 4);
    for (jint i = 0; i < 4; ++i) EXPECT_FALSE(small[i] == nullptr) << i;
    EXPECT_TRUE(CollisionBox::ensureBoxes(small, 3) == small);
    EXPECT_TRUE(CollisionBox::ensureBoxes(small, 4) == small);
    VMPtr<VMArray<CollisionBox*>> larger = CollisionBox::ensureBoxes(small, 7);
    ASSERT_EQ(larger->length, 7);
    for (jint i = 0; i < 7; ++i) EXPECT_FALSE(larger[i] == nullptr) << i;
    VMPtr<VMArray<CollisionBox*>> gaps = VMArray<CollisionBox*>::create(5);
    EXPECT_TRUE(CollisionBox::ensureBoxes(gaps, 3) == gaps);
    for (jint i = 0; i < 5; ++i) EXPECT_FALSE(gaps[i] == nullptr) << i;
}

// A Paintable with more boxes than the last one tested fills the shared
// buffer's slots beyond those; every one must hold a box.
class ManyBoxes : public Paintable {
    WREN_CLASS(ManyBoxes, Paintable)
public:
    jint count = 0;
    jint step = 0;
    void ctor(jint n, jint s) {
        Paintable::ctor();
        count = n;
        step = s;
    }
    jint getType() override { return 9; }
    jint getHeight(jint t) override { return 1; }
    jint getWidth(jint t) override { return 1; }
    jint getOffsetX(jint t) override { return 0; }
    jint getOffsetY(jint t) override { return 0; }
    void paint(const VMPtr<Graphics>& g, jint x, jint y, jint t) override {}
    jint getCollisionBoxCount() override { return count; }
    jint getCollisionBoxes(jint t, const VMPtr<VMArray<CollisionBox*>>& out, jint type) override {
        for (jint i = 0; i < count; ++i) out[i]->setBounds(i * step, 0, 2, 2);
        return count;
    }
};

}  // namespace

WREN_DEFINE_CLASS(ManyBoxes, "wrentest.ManyBoxes")

namespace {

TEST(PlacedPaintables, ALaterTestWithMoreBoxesFindsEveryBoxInPlace) {
    CollisionBox::S().sBoxesA = nullptr;
    CollisionBox::S().sBoxesB = nullptr;
    VMPtr<Gob> target = boxGob(0, 0, 2, 2);
    // Two boxes make the buffer (four slots), then five and then three.
    EXPECT_FALSE(ManyBoxes::make(2, 10)->collides(0, 0, 0, -1, target, 5, 0, 0, -1));
    EXPECT_TRUE(ManyBoxes::make(5, 10)->collides(0, 0, 0, -1, target, 40, 0, 0, -1));
    EXPECT_EQ(CollisionBox::S().sHitA->x, 40);
    EXPECT_TRUE(ManyBoxes::make(3, 10)->collides(0, 0, 0, -1, target, 20, 1, 0, -1));
    EXPECT_TRUE(target->collides(20, 1, 0, -1, ManyBoxes::make(4, 10), 0, 0, 0, -1));
    EXPECT_EQ(CollisionBox::S().sHitB->x, 20);
}

// Graphic objects' boxes under each transform: the box "0, 0, 3, 2" of a
// picture at offset (0, 3), so at (0, 3) .. (3, 5) from the origin
// untransformed.
TEST(PlacedPaintables, AnObjectsBoxTurnsWithIt) {
    VMPtr<Gob> g = boxGob(0, 0, 3, 2);
    g->offsetY = 3;
    g->width = 3;
    g->height = 2;
    struct Case {
        jint t, x, y, w, h;
    } cases[] = {
        {0, 0, 3, 3, 2}, {1, 0, -5, 3, 2}, {2, -3, 3, 3, 2}, {3, -3, -5, 3, 2},
        {4, 3, 0, 2, 3}, {5, -5, 0, 2, 3}, {6, 3, -3, 2, 3}, {7, -5, -3, 2, 3},
    };
    VMPtr<CollisionBox> out = CollisionBox::make();
    VMPtr<VMArray<jint>> rect = VMArray<jint>::create(5);
    for (const Case& c : cases) {
        SCOPED_TRACE("transform " + std::to_string(c.t));
        EXPECT_TRUE(g->getCollisionBox(out, 10, 20, c.t));
        EXPECT_EQ(out->x, 10 + c.x);
        EXPECT_EQ(out->y, 20 + c.y);
        EXPECT_EQ(out->width, c.w);
        EXPECT_EQ(out->height, c.h);
        EXPECT_EQ(out->type, -1);
        EXPECT_EQ(g->getCollisionRects(c.t, rect, 5), 1);
        EXPECT_EQ(rect[0], c.x);
        EXPECT_EQ(rect[1], c.y);
        EXPECT_EQ(rect[2], c.w);
        EXPECT_EQ(rect[3], c.h);
        EXPECT_EQ(rect[4], -1);
        EXPECT_TRUE(g->collidesWithRect(10, 20, c.t, 10 + c.x + c.w - 1, 20 + c.y, 1, 1));
        EXPECT_FALSE(g->collidesWithRect(10, 20, c.t, 10 + c.x + c.w, 20 + c.y, 1, 1));
    }
    // A round box is written as kind 4; 0x8005 reads as width 5 and round.
    VMPtr<VMArray<jshort>> d = VMArray<jshort>::create(10);
    d[8] = jshort(0x8005);
    d[9] = 2;
    wren::Gob::S().rgbRows = VMArray<jint, 2>::create(1);
    wren::Gob::S().rgbRowCount = 0;
    VMPtr<Gob> round = Gob::make();
    round->readDescriptor(d);
    wren::Gob::S().rgbRows = nullptr;
    EXPECT_EQ(round->boxWidth, 5);
    EXPECT_TRUE(round->roundBox);
    EXPECT_TRUE(round->getCollisionBox(out, 0, 0, 0));
    EXPECT_EQ(out->kind, C);
}

TEST(PlacedPaintables, ObjectsWithoutABoxNeverCollide) {
    VMPtr<Gob> flat = boxGob(0, 0, 4, 0);
    VMPtr<Gob> solid = boxGob(0, 0, 4, 4);
    EXPECT_EQ(flat->getCollisionBoxCount(), 0);
    VMPtr<VMArray<CollisionBox*>> out = CollisionBox::ensureBoxes(nullptr, 1);
    VMPtr<CollisionBox> first = out[0];
    first->x = 77;
    EXPECT_EQ(flat->getCollisionBoxes(0, out, -1), 0);
    EXPECT_EQ(first->x, 77);
    VMPtr<VMArray<jint>> rect = VMArray<jint>::of({7, 7, 7, 7, 7});
    EXPECT_EQ(flat->getCollisionRects(0, rect, -1), 0);
    EXPECT_EQ(rect[0], 7);
    // Its empty box is still written by getCollisionBox, which says false.
    EXPECT_FALSE(flat->getCollisionBox(first, 1, 1, 0));
    EXPECT_EQ(first->width, 4);
    // A box and an output too short to take it: 1, nothing written.
    VMPtr<VMArray<jint>> shortRect = VMArray<jint>::of({7, 7, 7, 7});
    EXPECT_EQ(solid->getCollisionRects(0, shortRect, -1), 1);
    EXPECT_EQ(shortRect[0], 7);

    CollisionBox::S().sHitA = CollisionBox::make();
    EXPECT_FALSE(flat->collides(0, 0, 0, -1, solid, 0, 0, 0, -1));
    EXPECT_TRUE(CollisionBox::S().sHitA == nullptr);
    EXPECT_FALSE(solid->collides(0, 0, 0, -1, flat, 0, 0, 0, -1));
    EXPECT_FALSE(flat->collidesByRects(0, 0, 0, -1, solid, 0, 0, 0, -1, nullptr));
    EXPECT_FALSE(solid->collidesWith(0, 0, 0, flat, 0, 0, 0));
    EXPECT_FALSE(flat->collidesWith(0, 0, 0, solid, 0, 0, 0));
}

TEST(PlacedPaintables, RectangleTestsReportTheOverlapAndTypes) {
    VMPtr<Gob> a = boxGob(0, 0, 10, 10);
    VMPtr<Gob> b = boxGob(0, 0, 10, 10, true);  // round, taken as a rectangle here
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(6);
    EXPECT_TRUE(a->collidesByRects(0, 0, 0, -1, b, 5, 5, 0, -1, out));
    EXPECT_EQ(ints(out), (std::vector<jint>{5, 5, 5, 5, -1, -1}));
    EXPECT_TRUE(a->collidesByRects(0, 0, 0, -1, b, 5, 5, 0, -1, nullptr));
    EXPECT_FALSE(a->collidesByRects(0, 0, 0, -1, b, 10, 0, 0, -1, out));
    // The margin form grows the other's box.
    EXPECT_FALSE(a->collidesWith(0, 0, 0, b, 10, 0, 0));
    EXPECT_TRUE(a->collidesWith(0, 0, 0, b, 10, 0, 0, -1, 0, 0, 0));

    VMPtr<VMArray<jint>> ra = VMArray<jint>::of({0, 0, 10, 10, 1, 50, 50, 2, 2, 2});
    VMPtr<VMArray<jint>> rb = VMArray<jint>::of({51, 51, 4, 4, 3});
    VMPtr<VMArray<jint>> rout = VMArray<jint>::of({9, 9, 9, 9, 9, 9});
    EXPECT_FALSE(Gob::collideRects(0, ra, 1, rb, rout));
    EXPECT_FALSE(Gob::collideRects(2, ra, 0, rb, rout));
    EXPECT_EQ(rout[0], 9);
    EXPECT_TRUE(Gob::collideRects(2, ra, 1, rb, rout));
    EXPECT_EQ(ints(rout), (std::vector<jint>{51, 51, 1, 1, 2, 3}));

    EXPECT_FALSE(Paintable::rectsOverlap(0, 0, 10, 10, 10, 0, 5, 5));
    EXPECT_TRUE(Paintable::rectsOverlap(0, 0, 10, 10, 9, 9, 5, 5));
    EXPECT_FALSE(Paintable::rectsOverlap(0, 0, 10, 10, 2, 2, 0, 5));
}

// The picture rectangle, not the box, against a Rect; empty rectangles
// are not rejected.
TEST(PlacedPaintables, PictureRectangleTest) {
    VMPtr<Gob> g = Gob::make();
    g->offsetX = -2;
    g->offsetY = -2;
    g->width = 4;
    g->height = 4;
    VMPtr<Rect> r = Rect::make();
    r->setBounds(11, 11, 1, 1);
    EXPECT_TRUE(g->intersects(r, 10, 10));
    r->setBounds(12, 12, 1, 1);
    EXPECT_FALSE(g->intersects(r, 10, 10));
    r->setBounds(9, 9, 0, 0);  // empty, inside the picture
    EXPECT_TRUE(g->intersects(r, 10, 10));
    r->setBounds(7, 9, 1, 1);
    EXPECT_FALSE(g->intersects(r, 10, 10));
}

}  // namespace
