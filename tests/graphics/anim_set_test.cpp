// Animation sets read from their bytes: every table's bit layout with the
// escapes of both number forms, the transforms of boxes, pieces and
// Frames, every prefix of a valid set against a plain model of what a load
// that stops at the data's end keeps, totals far beyond the bytes, and the
// whole, checked load the game uses.
#include <functional>
#include <optional>

#include "anim_support.h"
#include "java_io_IOException.h"
#include "runtime/runtime_test_support.h"
#include "wren_graphics_CollisionBox.h"
#include "wren_graphics_Rect.h"

using namespace gfxfw;
using rpack::Bytes;
using wren::AnimPlayer;
using wren::AnimSet;
using wren::Frame;
using wren::graphics::CollisionBox;

namespace {

template <typename T>
std::optional<std::vector<jint>> tableOf(const VMPtr<VMArray<T>>& a) {
    if (a == nullptr) return std::nullopt;
    std::vector<jint> v;
    for (jint i = 0; i < a->length; ++i) v.push_back(jint(a[i]));
    return v;
}
std::optional<std::vector<jint>> table(const VMPtr<VMArray<jint>>& a) {
    return tableOf(a);
}
std::optional<std::vector<jint>> table(const VMPtr<VMArray<jbyte>>& a) {
    return tableOf(a);
}
std::optional<std::vector<jint>> table(const VMPtr<VMArray<jchar>>& a) {
    return tableOf(a);
}

template <typename A>
std::vector<jint> ints(const A& a) {
    return table(a).value_or(std::vector<jint>{});
}

// A set with both animations, escapes in every number form, a piece group
// of four flips of 3, a circle, and bytes after the duration table.
const Bytes kEscapes = {
    7,                             // leading byte
    0,    2,                       // two animations
    1,    2,                       // of 1 and 2 steps
    0xFF, 2,                       // loops -1 and 2
    0x41, 0xFF, 0x01, 0xC3, 0,     // flags: index 1 level 1; interpolation 1 level 3 index 3; 0
    0,    1,    1,                 // frames
    0x80, 0xFF, 0x80, 5,    0xFB,  // dx -128, 5, -5
    1,    0x80, 0x01, 0xFF, 0x80, 0xFE, 0x00,        // dy 1, 511, -512
    0,    2,                                         // two frames
    4,    1,                                         // of 4 and 1 pieces
    0xFF, 0x00, 0xFF, 0x40,                          // flips 3 3 3 3, then 1
    0,    1,    2,    3,    0xFF, 0x03, 0xFF,        // Gobs 0..3, 1023
    0,    0,    0,    0,    0,                       // piece dx
    0,    0,    0,    0,    0xFF,                    // piece dy, the last -1
    0,    2,                                         // boxes: none, then two
    0x80, 0xFC, 0x00, 0x7F,                          // x -1024, 127
    0x80, 0x03, 0xFF, 0xFE,                          // y 1023, -2
    0xFF, 0x03, 0xFF, 4,                             // width 1023, 4
    0xFF, 0x03, 0xFF, 5,                             // height 1023, 5
    0x3F, 5,                                         // type 31 circle, type 5
    0,    4,                                         // four durations
    0,    100,  0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,  // 0, 100, 255, 65535
    0xAA, 0xBB,                                      // not read
};

jint field(jint v, jint shift) {
    return jint(uint32_t(v & 0x3FF) << shift);
}

TEST(AnimSetLoad, EveryTableKeepsItsBitLayout) {
    VMPtr<AnimSet> set = loadAnimBytes(kEscapes);
    EXPECT_EQ(ints(set->animations), (std::vector<jint>{0xFC01, 0x10802}));
    EXPECT_EQ(ints(set->durationCache), (std::vector<jint>{0, 0}));
    EXPECT_EQ(ints(set->stepFlags), (std::vector<jint>{0x41, jbyte(0xC3), 0}));
    EXPECT_EQ(ints(set->steps), (std::vector<jint>{field(-128, 12) | field(1, 2),
                                                   1 | (1 << 22) | field(5, 12) | field(511, 2),
                                                   (1 << 22) | field(-5, 12) | field(-512, 2)}));
    EXPECT_EQ(AnimSet::fieldDx(set->steps[0]), -128);
    EXPECT_EQ(AnimSet::fieldDy(set->steps[1]), 511);
    EXPECT_EQ(AnimSet::fieldDy(set->steps[2]), -512);
    EXPECT_EQ(ints(set->frames), (std::vector<jint>{4, 1 | (4 << 16) | (2 << 8)}));
    EXPECT_EQ(ints(set->pieces), (std::vector<jint>{3, 3 | (1 << 22), 3 | (2 << 22), 3 | (3 << 22),
                                                    1 | jint(1023u << 22) | field(-1, 2)}));
    EXPECT_EQ(AnimSet::fieldIndex(set->pieces[4]), 1023);
    EXPECT_EQ(ints(set->frameBoxStart), (std::vector<jint>{0, 0}));
    EXPECT_EQ(ints(set->boxes),
              (std::vector<jint>{jint(uint32_t(-1024) << 21) | (1023 << 10) | 1023,
                                 (127 << 21) | ((-2 & 0x7FF) << 10) | 4}));
    EXPECT_EQ(ints(set->boxShapes),
              (std::vector<jint>{((1023 << 6) & 0xFFFF) | 0x3F, (5 << 6) | 5}));
    EXPECT_EQ(ints(set->durations), (std::vector<jint>{0, 100, 255, 65535}));
    EXPECT_EQ(set->getResourceId(), 0);

    // The boxes read back signed and sized, the circle as kind 4.
    VMPtr<VMArray<jint>> rects = VMArray<jint>::create(10);
    EXPECT_EQ(set->getCollisionRects(1, 0, rects), 2);
    EXPECT_EQ(ints(rects), (std::vector<jint>{-1024, 1023, 1023, 1023, 31, 127, -2, 4, 5, 5}));
    VMPtr<VMArray<CollisionBox*>> boxes = CollisionBox::ensureBoxes(nullptr, 2);
    EXPECT_EQ(set->getCollisionBoxes(1, 0, boxes), 2);
    EXPECT_EQ(boxes[0]->kind, CollisionBox::CIRCLE);
    EXPECT_EQ(boxes[1]->kind, CollisionBox::RECTANGLE);

    // Stored loop bits 0x3F read back as -1: endless.
    VMPtr<AnimPlayer> p = AnimPlayer::make();
    p->setAnimSet(set);
    p->setAnimation(0);
    EXPECT_EQ(p->getLoopCount(), -1);
    p->setAnimation(1);
    EXPECT_EQ(p->getLoopCount(), 2);
    EXPECT_EQ(p->getStepCount(), 2);
    EXPECT_EQ(set->getAnimationDuration(0), 100);
    EXPECT_EQ(set->getAnimationDuration(1), 65535 + 0);
    EXPECT_EQ(set->getAnimationDuration(-1), 0);
    EXPECT_EQ(set->getAnimationDuration(2), 0);
}

// Box (2, 3, 4, 5) of type 5 beside one of type 1.
TEST(AnimSetLoad, BoxesTurnWithTheTransformAndFilterByType) {
    rpack::AnimSet src = oneAnimation(-1, {{0, 0, 0, 0, 0, 0}}, {10});
    src.frames[0].boxes = {{2, 3, 4, 5, 5, false}, {0, 0, 1, 1, 1, false}};
    VMPtr<AnimSet> set = loadAnim(src);
    struct Case {
        jint t, type, room;
        jint count;
        std::vector<jint> out;
    } cases[] = {
        {4, 5, 10, 1, {3, 2, 5, 4, 5}},
        {2, 5, 10, 1, {-6, 3, 4, 5, 5}},
        {1, 5, 10, 1, {2, -8, 4, 5, 5}},
        {7, 5, 10, 1, {-8, -6, 5, 4, 5}},
        {0, -1, 10, 2, {2, 3, 4, 5, 5, 0, 0, 1, 1, 1}},
        {0, 1, 10, 1, {0, 0, 1, 1, 1}},
        {0, -1, 4, 0, {}},
        {0, 3, 10, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("transform " + std::to_string(c.t) + " type " + std::to_string(c.type));
        VMPtr<VMArray<jint>> out = VMArray<jint>::create(c.room);
        EXPECT_EQ(set->getCollisionRects(0, c.t, out, c.type), c.count);
        std::vector<jint> got = ints(out);
        got.resize(c.out.size());
        EXPECT_EQ(got, c.out);
    }
}

TEST(AnimSetFrame, OffsetsAndSizesFollowTheTransform) {
    VMPtr<AnimSet> set = loadAnim(oneAnimation(-1, {{0, 0, 0, 0, 0, 0}}, {10}));
    VMPtr<VMArray<jint>> bounds = VMArray<jint>::of({-10, -20, 30, 40});
    VMPtr<Frame> f = Frame::make(set, 0, bounds);
    EXPECT_EQ(f->getOffsetX(0), -10);
    EXPECT_EQ(f->getOffsetX(2), -20);
    EXPECT_EQ(f->getOffsetY(1), -20);
    EXPECT_EQ(f->getOffsetX(4), -20);
    EXPECT_EQ(f->getWidth(4), 40);
    EXPECT_EQ(f->getHeight(5), 30);
    EXPECT_EQ(f->getType(), 1);
    EXPECT_EQ(AnimPlayer::make()->getType(), 2);

    VMPtr<Frame> anim3 = Frame::make(set, -3, bounds);
    EXPECT_EQ(anim3->getFrameId(), 3);
    EXPECT_EQ(anim3->getCollisionBoxCount(), 0);

    // A right edge on the rectangle's left edge does not reach it.
    VMPtr<wren::graphics::Rect> r = wren::graphics::Rect::make();
    r->setBounds(20, 0, 5, 5);
    EXPECT_FALSE(f->intersects(r, 0, 0));
    EXPECT_TRUE(f->intersects(r, 1, 0));

    // A frame of no pieces has the empty bounds.
    set->setGobs(VMArray<wren::Gob*>::create(0));
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(4);
    set->getFrameBounds(0, 0, out);
    EXPECT_EQ(ints(out), (std::vector<jint>{0x7FFFFFFF, 0x7FFFFFFF, 0, 0}));
}

// --- what a load that stops keeps --------------------------------------------

struct End {};

// The tables a load of `b` keeps, written from the format: a byte read past
// the end is -1, every other read past it ends the load; a total larger
// than the bytes left ends it before its tables exist.
struct Model {
    std::optional<std::vector<jint>> animations, stepFlags, steps, frames, frameBoxStart, pieces,
        boxes, boxShapes, durations;

    explicit Model(const Bytes& b) : bytes(b) {
        try {
            run();
        } catch (const End&) {
        }
    }

private:
    const Bytes& bytes;
    size_t pos = 0;

    int left() const { return int(bytes.size() - pos); }
    int u8() {
        if (pos >= bytes.size()) {
            pos = bytes.size();
            throw End{};
        }
        return bytes[pos++];
    }
    int u16() {
        int h = u8();
        return (h << 8) | u8();
    }
    int varU() {
        int v = pos < bytes.size() ? bytes[pos++] : -1;
        return v == 0xFF ? u16() : v;
    }
    int varS() {
        int v = int8_t(u8());
        return v == -128 ? int16_t(u16()) : v;
    }
    int64_t counts(std::vector<jint>& t) {
        int64_t sum = 0;
        for (jint& e : t) {
            int v = varU();
            e = jint(uint32_t(v) | uint32_t(sum) << 16);
            sum += v;
        }
        return sum;
    }
    void placements(std::vector<jint>& t) {
        for (jint& e : t) e = jint(uint32_t(e) | uint32_t(varU()) << 22);
        for (jint& e : t) e |= (varS() & 0x3FF) << 12;
        for (jint& e : t) e |= (varS() & 0x3FF) << 2;
    }
    void run() {
        u8();
        animations.emplace(size_t(u16()));
        int64_t s = counts(*animations);
        for (jint& e : *animations) e |= (varS() & 0x3F) << 10;
        if (s < 0 || s > left()) return;
        stepFlags.emplace(size_t(s));
        steps.emplace(size_t(s));
        for (size_t i = 0; i < size_t(s); ++i) {
            int v = varU();
            (*stepFlags)[i] = jbyte(v);
            (*steps)[i] = v >> 8;
        }
        placements(*steps);
        int f = u16();
        frameBoxStart.emplace(size_t(f));
        frames.emplace(size_t(f));
        int64_t p = counts(*frames);
        if (p < 0 || p > left()) return;
        pieces.emplace(size_t(p));
        int group = 0, position = 0;
        for (jint& e : *pieces) {
            if (position == 0) group = varU(), position = 8;
            position -= 2;
            e = (group >> position) & 3;
        }
        placements(*pieces);
        int64_t total = 0;
        for (size_t i = 0; i < size_t(f); ++i) {
            int c = varU();
            (*frames)[i] = jint(uint32_t((*frames)[i]) | uint32_t(c) << 8);
            (*frameBoxStart)[i] = jint(uint16_t(total));
            total += c;
        }
        if (total < 0 || total > left()) return;
        boxes.emplace(size_t(total));
        boxShapes.emplace(size_t(total));
        for (jint& e : *boxes) e = jint(uint32_t(varS()) << 21);
        for (jint& e : *boxes) e |= (varS() & 0x7FF) << 10;
        for (jint& e : *boxes) e |= varU();
        for (jint& e : *boxShapes) e = uint16_t(varU() << 6);
        for (jint& e : *boxShapes) e = uint16_t(e | varU());
        durations.emplace(size_t(u16()));
        for (jint& e : *durations) e = uint16_t(varU());
    }
};

void expectLikeModel(const VMPtr<AnimSet>& set, const Model& m) {
    EXPECT_EQ(table(set->animations), m.animations);
    EXPECT_EQ(table(set->stepFlags), m.stepFlags);
    EXPECT_EQ(table(set->steps), m.steps);
    EXPECT_EQ(table(set->frames), m.frames);
    EXPECT_EQ(table(set->frameBoxStart), m.frameBoxStart);
    EXPECT_EQ(table(set->pieces), m.pieces);
    EXPECT_EQ(table(set->boxes), m.boxes);
    EXPECT_EQ(table(set->boxShapes), m.boxShapes);
    EXPECT_EQ(table(set->durations), m.durations);
}

TEST(AnimSetLoad, EveryPrefixLoadsWhatItsBytesHold) {
    rpack::AnimSet rich;
    rich.leading = 3;
    rich.durations = {5, 300, 0, 70000 - 4465};
    rich.frames.resize(3);
    rich.frames[0].pieces = {
        {0, -8, 4, 3}, {1, 200, -200, 1}, {2, 0, 0, 0}, {3, 1, 1, 2}, {4, 2, 2, 3}};
    rich.frames[0].boxes = {{-1000, 1000, 300, 1023, 31, true}};
    rich.frames[2].boxes = {{1, 2, 3, 4, 5, false}, {-1, -2, 3, 4, 6, false}};
    rich.animations = {{-1, {{0, -300, 300, 1, 3, 1}, {2, 511, -512, 0, 0, 0}}},
                       {5, {{1, 0, 0, 3, 2, 0}}}};
    Bytes full = rpack::encodeAnimSet(rich);
    for (size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes of " + std::to_string(full.size()));
        Bytes prefix(full.begin(), full.begin() + ptrdiff_t(n));
        Model m(prefix);
        expectLikeModel(loadAnimBytes(prefix), m);
        EXPECT_EQ(AnimSet::S().sStream, nullptr);
    }
    // The whole set has every table, as the builder's decoder reads it.
    Model whole(full);
    ASSERT_TRUE(whole.durations.has_value());
    EXPECT_EQ(whole.durations->size(), rich.durations.size());
    EXPECT_EQ(rpack::decodeAnimSet(full), rich);
}

// A few thousand bytes that declare step, piece or box totals in the
// hundreds of millions (or past 2^32): the load ends at the total, with
// the tables before it whole, without allocating for it.
TEST(AnimSetLoad, TotalsBeyondTheBytesEndTheLoad) {
    auto hugeSteps = [](int animations) {
        rpack::ByteWriter w;
        w.u8(0);
        w.u16(uint32_t(animations));
        for (int i = 0; i < animations; ++i) rpack::writeVarU(w, 0xFFFF);
        for (int i = 0; i < animations; ++i) rpack::writeVarS(w, -1);
        w.bytes(Bytes(64, 0));
        return w.take();
    };
    auto hugeFrames = [](bool boxes) {
        rpack::ByteWriter w;
        w.u8(0);
        w.u16(0);
        w.u16(0xFFFF);
        for (int i = 0; i < 0xFFFF; ++i) rpack::writeVarU(w, boxes ? 0 : 0xFFFF);
        if (boxes)
            for (int i = 0; i < 0xFFFF; ++i) rpack::writeVarU(w, 0xFFFF);
        w.bytes(Bytes(64, 0));
        return w.take();
    };
    struct Case {
        const char* name;
        Bytes bytes;
        bool steps, pieces, boxes;
    } cases[] = {
        {"steps: 5000 x 65535", hugeSteps(5000), false, false, false},
        {"steps: 65535 x 65535, past 2^32", hugeSteps(0xFFFF), false, false, false},
        {"pieces: 65535 x 65535", hugeFrames(false), true, false, false},
        {"boxes: 65535 x 65535", hugeFrames(true), true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<AnimSet> set = loadAnimBytes(c.bytes);
        ASSERT_TRUE(set->animations != nullptr);
        EXPECT_EQ(set->steps != nullptr, c.steps);
        EXPECT_EQ(set->pieces != nullptr, c.pieces);
        EXPECT_EQ(set->boxes != nullptr, c.boxes);
        EXPECT_EQ(set->durations, nullptr);
        if (c.steps) {
            EXPECT_EQ(set->frames->length, 0xFFFF);
        } else {
            EXPECT_EQ(set->animations[0] & 0x3FF, 0x3FF);  // 65535 kept to its field
        }
        expectLikeModel(set, Model(c.bytes));
    }
}

// --- the whole, checked load -------------------------------------------------

// One animation of two steps (frames 0 and 1, durations 0 and 1); frame 0
// of one piece (Gob 1) and one box, frame 1 of two pieces (Gobs 0 and 1);
// two durations. The comments give each byte's place, for the cases below.
const Bytes kChecked = {
    0,                     // 0: leading byte
    0,    1,               // 1: one animation
    2,                     // 3: of two steps
    0xFF,                  // 4: endless
    0,    1,               // 5: step flags: duration indices 0 and 1
    0,    1,               // 7: frames 0 and 1
    0,    0,  0, 0,        // 9: step dx, dy
    0,    2,               // 13: two frames
    1,    2,               // 15: of one and two pieces
    0,                     // 17: flips
    1,    0,  1,           // 18: Gobs 1, 0, 1
    0,    0,  0, 0, 0, 0,  // 21: piece dx, dy
    1,    0,               // 27: one box, none
    0,    0,  4, 4, 0,     // 29: x, y, width, height, type
    0,    2,               // 34: two durations
    100,  50,              // 36
};

Bytes changed(Bytes b, size_t at, uint8_t value) {
    b.at(at) = value;
    return b;
}

Bytes cut(const Bytes& b, size_t n) {
    return Bytes(b.begin(), b.begin() + ptrdiff_t(n));
}

// The set as the game's loads take it, entry 0 of a pack read from a stream,
// bound to `gobs` (null: no pictures yet); what it threw, else null.
VMPtr<java::lang::Throwable> requireAnimBytes(const Bytes& bytes,
                                              const VMPtr<VMArray<wren::Gob*>>& gobs,
                                              VMPtr<AnimSet>* loaded = nullptr) {
    Bytes pack = rpack::encodePlainPack({{bytes, -1}});
    VMPtr<java::io::DataInputStream> in = java::io::DataInputStream::make(
        java::io::ByteArrayInputStream::make(wrentest::jbytes(pack)));
    EXPECT_TRUE(wren::Resources::loadPack(in));
    VMPtr<java::lang::Throwable> thrown = wrentest::thrownBy([&] {
        VMPtr<AnimSet> set = wren::Resources::requireAnimSet(0, gobs);
        if (loaded != nullptr) *loaded = set;
    });
    wren::Resources::closePack();
    return thrown;
}

TEST(AnimSetChecked, AWholeSetWhoseReferencesLandLoadsBoundToItsPictures) {
    VMPtr<VMArray<wren::Gob*>> two = VMArray<wren::Gob*>::create(2);
    VMPtr<AnimSet> set;
    VMPtr<java::lang::Throwable> t = requireAnimBytes(kChecked, two, &set);
    ASSERT_EQ(t, nullptr) << wrentest::text(t->toString());
    EXPECT_TRUE(set->getGobs() == two);
    EXPECT_EQ(set->getAnimationDuration(0), 150);
    EXPECT_EQ(set->findBadReference(2), nullptr);
    // The tables are those the quiet load makes of the same bytes.
    expectLikeModel(set, Model(kChecked));
    EXPECT_EQ(AnimSet::S().sStream, nullptr);
}

// Bytes after the duration table are not read, and a set may hold no
// animation at all (frame layers show its frames): such a set loads with
// the tables its bytes hold. Only a player that starts an animation the set
// lacks fails.
TEST(AnimSetChecked, TakesBytesAfterItsTablesAndASetWithoutAnimations) {
    VMPtr<VMArray<wren::Gob*>> two = VMArray<wren::Gob*>::create(2);
    Bytes oneMore = kChecked;
    oneMore.push_back(0);
    Bytes threeMore = kChecked;
    threeMore.insert(threeMore.end(), {0xAA, 0xBB, 0xCC});
    // Every table empty: no animation, frame or duration.
    const Bytes empty = {0, 0, 0, 0, 0, 0, 0};
    // One frame of no pieces and no boxes, and no animation.
    const Bytes framesOnly = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    // A set's entry zeroed after its first byte: empty tables, then 31 bytes.
    const Bytes zeroed = changed(Bytes(kChecked.size(), 0), 0, 7);
    struct Case {
        const char* name;
        Bytes bytes;
        Bytes tables;  // the same tables alone
        jint animations, frames;
    } cases[] = {
        {"a byte after the durations", oneMore, kChecked, 1, 2},
        {"bytes after the durations", threeMore, kChecked, 1, 2},
        {"no table holding anything", empty, empty, 0, 0},
        {"frames but no animation", framesOnly, framesOnly, 0, 1},
        {"the entry zeroed after its first byte", zeroed, empty, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<AnimSet> set;
        VMPtr<java::lang::Throwable> t = requireAnimBytes(c.bytes, two, &set);
        ASSERT_EQ(t, nullptr) << wrentest::text(t->toString());
        EXPECT_EQ(AnimSet::S().sStream, nullptr);
        expectLikeModel(set, Model(c.tables));
        EXPECT_EQ(set->getAnimationCount(), c.animations);
        EXPECT_EQ(set->getFrameCount(), c.frames);
        // A frame layer's way to the frame (it has no pieces to draw).
        if (c.animations == 0 && c.frames > 0)
            EXPECT_EQ(set->getFrame(0)->getCollisionBoxCount(), 0);
        VMPtr<AnimPlayer> player = AnimPlayer::make();
        player->setAnimSet(set);
        t = wrentest::thrownBy([&] { player->setAnimation(c.animations); });
        EXPECT_EQ(wrentest::classNameOf(t), "java.lang.ArrayIndexOutOfBoundsException");
        EXPECT_EQ(player->getStepCount(), 0);
    }
}

// Bytes that read whole but name a place past a table, or that end before
// the tables do: each is refused at load time with the entry and the
// reason.
TEST(AnimSetChecked, RefusesASetThatEndsEarlyOrNamesAPlacePastItsTable) {
    VMPtr<VMArray<wren::Gob*>> two = VMArray<wren::Gob*>::create(2);
    VMPtr<VMArray<wren::Gob*>> one = VMArray<wren::Gob*>::create(1);
    // Two animations, the second of no steps: a player that starts it reads
    // the step after the last.
    const Bytes noStepsAtTheEnd = {0, 0, 2, 1, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 10};
    struct Case {
        const char* name;
        Bytes bytes;
        VMPtr<VMArray<wren::Gob*>> gobs;
        const char* why;  // null: it loads
    } cases[] = {
        {"a step's frame", changed(kChecked, 8, 2), two, "step 1 names frame 2 of 2"},
        {"a step's duration", changed(kChecked, 6, 2), two, "step 1 names duration 2 of 2"},
        {"a piece's graphic object", changed(kChecked, 18, 2), two,
         "piece 0 names graphic object 2 of 2"},
        {"fewer pictures than the pieces use", kChecked, one,
         "piece 0 names graphic object 1 of 1"},
        {"no pictures yet: the pieces are not checked", changed(kChecked, 18, 200), nullptr,
         nullptr},
        {"an animation without steps after the last", noStepsAtTheEnd, nullptr,
         "animation 1 names step 1 of 1"},
        {"a step count larger than the bytes left", changed(kChecked, 3, 200), two,
         "java.io.EOFException: the tables run past the entry's end"},
        {"a frame count larger than the bytes left", changed(kChecked, 14, 200), two,
         "java.io.EOFException: the tables run past the entry's end"},
        {"the last duration missing", cut(kChecked, kChecked.size() - 1), two,
         "java.io.EOFException: the tables run past the entry's end"},
        {"the data ending inside the boxes", cut(kChecked, 31), two, "java.io.EOFException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<java::lang::Throwable> t = requireAnimBytes(c.bytes, c.gobs);
        EXPECT_EQ(AnimSet::S().sStream, nullptr);
        if (c.why == nullptr) {
            EXPECT_EQ(t, nullptr) << wrentest::text(t->toString());
            continue;
        }
        EXPECT_EQ(wrentest::classNameOf(t), "java.io.IOException");
        EXPECT_EQ(wrentest::text(t ? t->getMessage() : nullptr),
                  std::string("resource pack 0: entry 0: the animation set can't be read (") +
                      c.why + ")");
        // What the game's loads refuse, the quiet load still answers.
        EXPECT_NE(loadAnimBytes(c.bytes), nullptr);
    }
}

// The references no whole read of bytes can break (a run's first index is
// the sum of the counts before it), set by hand in a good set's tables.
TEST(AnimSetChecked, FindsEveryKindOfReferencePastItsTable) {
    struct Case {
        const char* name;
        std::function<void(AnimSet&)> spoil;
        const char* why;
    } cases[] = {
        {"an animation's steps", [](AnimSet& s) { s.animations[0] += 1 << 16; },
         "animation 0 names step 2 of 2"},
        {"a frame's pieces", [](AnimSet& s) { s.frames[1] += 1 << 16; },
         "frame 1 names piece 3 of 3"},
        {"a frame's boxes", [](AnimSet& s) { s.frameBoxStart[0] = 1; }, "frame 0 names box 1 of 1"},
        {"a step's frame", [](AnimSet& s) { s.steps[0] |= 5 << 22; }, "step 0 names frame 5 of 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<AnimSet> set = loadAnimBytes(kChecked);
        ASSERT_EQ(set->findBadReference(2), nullptr);
        c.spoil(*set);
        EXPECT_EQ(wrentest::text(set->findBadReference(2)), c.why);
        EXPECT_EQ(wrentest::text(set->findBadReference(-1)), c.why);
    }
}

}  // namespace
