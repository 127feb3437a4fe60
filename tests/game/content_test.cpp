// The sample content read back through the game's resource front end: every
// id the game names loads, with the frames, boxes, Gobs, texts, glyphs and
// sounds the scenes rely on, and the values that would hang or crash the
// game stay inside their limits. The content is copied from the program's
// folder into a folder of this process's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "VMArray.h"
#include "java_lang_String.h"
#include "program_folder.h"
#include "wren_AnimSet.h"
#include "wren_Gob.h"
#include "wren_Resources.h"
#include "wren_io_resource_ResourcePack.h"
#include "wren_util_text_RichFont.h"
#include "wren_util_text_Translation.h"

namespace {

namespace fs = std::filesystem;
using wren::AnimSet;
using wren::Gob;
using wren::Resources;

wrentest::ProcessProgramFolder programFolder{"/tmp/wren_content_XXXXXX"};

class Content : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fs::path to = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc";
        fs::create_directories(to);
        fs::copy(fs::path(WREN_GAME_DIR) / "rsc", to,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    void SetUp() override { wren::io::resource::ResourcePack::S().currentPack = -1; }
    void TearDown() override { Resources::closePack(); }
};

// Box i of every frame has type i, so that a scene asking by number and the
// toolkit answering by type agree; returns the frame's boxes as x, y, w, h.
std::vector<std::array<int, 4>> boxesOf(const VMPtr<AnimSet>& set, int frame) {
    int n = set->getFrameBoxCount(frame);
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(5 * std::max(n, 1));
    EXPECT_EQ(set->getCollisionRects(frame, 0, out, -1), n);
    std::vector<std::array<int, 4>> boxes;
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(out[5 * i + 4], i) << "frame " << frame << " box " << i;
        boxes.push_back({jshort(out[5 * i]), jshort(out[5 * i + 1]), out[5 * i + 2], out[5 * i + 3]});
    }
    return boxes;
}

// The loop count of animation a (-1: endless).
int loopOf(const VMPtr<AnimSet>& set, int a) { return (set->animations[a] << 16) >> 26; }

// The frames animation a steps through.
std::set<int> framesOf(const VMPtr<AnimSet>& set, int a) {
    jint entry = set->animations[a];
    jint first = jint(uint32_t(entry) >> 16), count = entry & 0x3FF;
    std::set<int> frames;
    for (jint s = first; s < first + count; ++s) frames.insert(AnimSet::fieldIndex(set->steps[s]));
    return frames;
}

// Left, top, width, height of a frame's pieces (the set's Gobs bound).
std::array<int, 4> extentOf(const VMPtr<AnimSet>& set, int frame) {
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(4);
    set->getFrameBounds(frame, 0, out);
    return {out[0], out[1], out[2], out[3]};
}

bool empty(const std::array<int, 4>& box) { return box[2] == 0 || box[3] == 0; }

// The image variants copy Gobs over Gobs: from `from` over `to`, count of
// them. A copy of another size would move the figure's drawing away from
// the boxes and the size the game took from the first frame it showed.
void expectVariantKeepsSizes(const VMPtr<VMArray<Gob*>>& gobs, int from, int to, int count) {
    ASSERT_GE(to, 0);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(gobs[from + i]->width, gobs[to + i]->width) << "Gob " << from + i;
        EXPECT_EQ(gobs[from + i]->height, gobs[to + i]->height) << "Gob " << from + i;
        EXPECT_EQ(gobs[from + i]->offsetX, gobs[to + i]->offsetX) << "Gob " << from + i;
        EXPECT_EQ(gobs[from + i]->offsetY, gobs[to + i]->offsetY) << "Gob " << from + i;
    }
}

VMPtr<AnimSet> loadBound(int set, int gobs) {
    VMPtr<AnimSet> a = Resources::loadAnimSet(set);
    VMPtr<VMArray<Gob*>> g = Resources::loadGobs(gobs);
    if (a != nullptr && g != nullptr) a->setGobs(g);
    return g != nullptr ? a : nullptr;
}

struct AnimCase {
    int id;       // animation set
    int gobs;     // the Gob set it is bound to
    int frames;   // frames the game names (at least)
    int anims;    // animations the game names (at least)
    int minGobs;  // Gobs the game indexes (at least)
};

// Every animation set the shell and scenes load, with its Gob set.
const AnimCase kAnimSets[] = {
    {1024, 1027, 1, 1, 1},    // logo
    {1025, 1028, 1, 1, 1},    // menu backdrop
    {1026, 1029, 1, 1, 1},    // menu title
    {2048, 2052, 40, 1, 3},   // HUD; Gob layer shows element 2
    {2050, 2055, 14, 1, 1},   // target markers
    {2051, 2056, 3, 1, 1},    // loading panel
    {3072, 3074, 25, 2, 41},  // home; Gob layers show pieces 29..33, pips 36..40
    {4096, 4099, 15, 1, 15},  // map: cell markers; Gob layers show the icons
    {4097, 4100, 6, 1, 1},    // map overlays
    {4098, 4101, 4, 1, 1},    // map cursor and buttons
    {5120, 5121, 1, 1, 1},    // the map picture
    {6144, 6145, 1, 1, 1}, {7168, 7169, 1, 1, 1}, {8192, 8193, 1, 1, 1},  // open areas
    {9216, 9217, 26, 5, 1},   // shared interface set
    // the player's figure, one set per world
    {10240, 10245, 8, 9, 12}, {10241, 10246, 8, 9, 12}, {10242, 10247, 8, 9, 12},
    {10243, 10248, 8, 9, 12}, {10244, 10249, 8, 9, 12},
    // heat backgrounds: the lane and the ground
    {11264, 11268, 2, 1, 1}, {12288, 12289, 2, 1, 1}, {13312, 13316, 2, 1, 1},
    {14336, 14337, 2, 1, 1}, {15360, 15364, 2, 1, 1}, {16384, 16388, 2, 1, 1},
    {17408, 17409, 2, 1, 1},  // background of heat kind 6 and of the story
    // monsters of heat kinds 0..6
    {11265, 11269, 8, 8, 36}, {11266, 11270, 8, 8, 36}, {11267, 11271, 8, 8, 36},
    {13313, 13317, 8, 8, 36}, {13314, 13318, 8, 8, 36}, {13315, 13319, 8, 8, 36},
    {15361, 15365, 8, 8, 36}, {15362, 15366, 8, 8, 36},
    {16385, 16389, 8, 8, 36}, {16386, 16390, 8, 8, 36}, {16387, 16391, 8, 8, 36},
    // families 0..8: results chest, stage dialog, story figures
    {18432, 18441, 3, 4, 1}, {18433, 18442, 3, 4, 1}, {18434, 18443, 3, 4, 1},
    {18435, 18444, 3, 4, 1}, {18436, 18445, 3, 4, 1}, {18437, 18446, 3, 4, 1},
    {18438, 18447, 3, 4, 1}, {18439, 18448, 3, 4, 1}, {18440, 18449, 3, 4, 1},
};

TEST_F(Content, EveryAnimationSetLoadsWithItsGobsAndFrames) {
    for (const AnimCase& c : kAnimSets) {
        SCOPED_TRACE("set " + std::to_string(c.id));
        VMPtr<VMArray<Gob*>> gobs = Resources::loadGobs(c.gobs);
        ASSERT_NE(gobs, nullptr);
        EXPECT_GE(gobs->length, c.minGobs);
        for (jint i = 0; i < gobs->length; ++i) EXPECT_TRUE(gobs[i]->width >= 1 && gobs[i]->height >= 1) << i;
        VMPtr<AnimSet> set = Resources::loadAnimSet(c.id);
        ASSERT_NE(set, nullptr);
        set->setGobs(gobs);
        ASSERT_GE(set->getFrameCount(), c.frames);
        ASSERT_GE(set->getAnimationCount(), c.anims);
        VMPtr<VMArray<jint>> pieces = VMArray<jint>::create(4 * 256);
        for (int f = 0; f < set->getFrameCount(); ++f) {
            boxesOf(set, f);
            // Every piece names a Gob of the bound set.
            int n = set->getFramePieces(f, 0, pieces);
            for (int p = 0; p < n; ++p) EXPECT_LT(pieces[4 * p], gobs->length) << "frame " << f;
        }
        for (int a = 0; a < set->getAnimationCount(); ++a) {
            EXPECT_GT(set->getAnimationDuration(a), 0) << "animation " << a;
        }
    }
}

TEST_F(Content, EveryGobSetLoadsWithGobsOfOnePixelAtLeast) {
    // Value graphics: one per heat kind; splash: element 0.
    // 15367 is never loaded but keeps pack 15's index whole.
    const std::pair<int, int> sets[] = {{2052, 9}, {2053, 7}, {2054, 1}, {2055, 9},
                                        {2056, 3}, {3073, 1}, {3074, 41}, {4099, 15},
                                        {9217, 1}, {15367, 36}};
    for (auto [id, least] : sets) {
        SCOPED_TRACE("gobs " + std::to_string(id));
        VMPtr<VMArray<Gob*>> gobs = Resources::loadGobs(id);
        ASSERT_NE(gobs, nullptr);
        EXPECT_GE(gobs->length, least);
        for (jint i = 0; i < gobs->length; ++i) {
            EXPECT_GE(gobs[i]->width, 1);
            EXPECT_GE(gobs[i]->height, 1);
        }
    }
}

struct BoxCase {
    int set, frame, box;
    int x, y, w, h;
};

// Boxes the scenes read by number, where their place matters to the game.
const BoxCase kBoxes[] = {
    {2048, 2, 0, 90, 250, 60, 60},     // steering pad (a circle: square, even side)
    {2048, 4, 6, -40, -40, 40, 40},    // pause button
    {2048, 5, 5, 0, -60, 60, 60},      // action button
    {2048, 7, 5, 0, -60, 60, 60},      // special-attack button
    {9216, 16, 2, 0, 0, 0, 0},         // boards: buttons hit on the whole screen
    {9216, 22, 2, 0, 0, 0, 0},
    {9216, 23, 2, 0, 0, 0, 0},
    {9216, 25, 2, 0, 0, 0, 0},
    {9216, 12, 5, -40, 0, 48, 200},    // list cell touch area
    {1025, 0, 0, -128, -60, 240, 200},  // list menus' area: x -8..232, y 100..300
    {3072, 13, 0, -90, 100, 180, 40},  // home choice bar: three items
    {3072, 23, 0, 70, 10, 30, 150},    // home view title
    {3072, 24, 1, 70, -160, 30, 150},  // home money
    {4098, 0, 0, -30, 0, 30, 40},      // map cursor: tap area, cell width and height
    {4098, 0, 1, -30, 0, 30, 40},      // map cursor: row pitch
    {4098, 1, 0, 0, -40, 40, 40},      // map info button, lit and plain
    {4098, 2, 0, 0, -40, 40, 40},
    {4098, 3, 0, -40, -40, 40, 40},    // map menu button
    {17408, 0, 0, -220, 0, 200, 320},  // lane: x 20..220 on the screen
    {17408, 1, 0, -160, 0, 160, 320},  // story band: text on x 0..80
};

TEST_F(Content, BoxesTheScenesReadSitWhereTheGameNeedsThem) {
    for (const BoxCase& c : kBoxes) {
        SCOPED_TRACE("set " + std::to_string(c.set) + " frame " + std::to_string(c.frame) + " box " +
                     std::to_string(c.box));
        VMPtr<AnimSet> set = Resources::loadAnimSet(c.set);
        ASSERT_NE(set, nullptr);
        auto boxes = boxesOf(set, c.frame);
        ASSERT_GT(int(boxes.size()), c.box);
        std::array<int, 4> want{c.x, c.y, c.w, c.h};
        EXPECT_EQ(boxes[size_t(c.box)], want);
    }
}

// How many boxes each frame the scenes query carries (box i = type i).
TEST_F(Content, QueriedFramesCarryTheirNumberedBoxes) {
    const struct {
        int set;
        std::vector<int> frames;
        int boxes;
    } cases[] = {
        {2048, {0}, 3},
        {2048, {4}, 7},
        {2048, {5, 7}, 6},
        {2051, {1}, 4},
        {9216, {1}, 7},
        {9216, {2}, 4},
        {9216, {3}, 2},
        {9216, {7, 8, 9, 10, 11}, 10},
        {9216, {12}, 6},
        {9216, {16}, 5},
        {9216, {17, 18, 19, 20, 21}, 6},
        {9216, {22, 23, 25}, 4},
        {9216, {0, 24}, 0},
        {3072, {0, 1, 2, 3, 4, 5, 7, 8}, 5},
        {3072, {9}, 3},
        {3072, {11}, 6},
        {3072, {13, 23}, 1},
        {3072, {15, 16}, 7},
        {3072, {24}, 2},
        {4098, {0}, 2},
        {4098, {1, 2, 3}, 1},
    };
    for (const auto& c : cases) {
        VMPtr<AnimSet> set = Resources::loadAnimSet(c.set);
        ASSERT_NE(set, nullptr);
        for (int f : c.frames) EXPECT_EQ(set->getFrameBoxCount(f), c.boxes) << c.set << " frame " << f;
    }
}

TEST_F(Content, AnimationsOnPlainScreensNeverRunOut) {
    // A plain screen moves a finished animation on to the next id: the
    // interface set's animations play endlessly.
    VMPtr<AnimSet> ui = Resources::loadAnimSet(9216);
    ASSERT_NE(ui, nullptr);
    for (int a = 0; a < ui->getAnimationCount(); ++a) EXPECT_EQ(loopOf(ui, a), -1) << a;
    for (int id : {1024, 1026}) {
        VMPtr<AnimSet> set = Resources::loadAnimSet(id);
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(loopOf(set, 0), -1) << id;
    }
}

TEST_F(Content, FamiliesOpenOnceThenStayOpen) {
    // The results wait for the chest to reach animation 2 by moving on
    // from 0 and 1; 2 and 3 (the story's figures) never end.
    for (int f = 0; f < 9; ++f) {
        SCOPED_TRACE("family " + std::to_string(f));
        VMPtr<AnimSet> set = Resources::loadAnimSet(18432 + f);
        ASSERT_NE(set, nullptr);
        EXPECT_GE(loopOf(set, 0), 1);
        EXPECT_GE(loopOf(set, 1), 1);
        EXPECT_EQ(loopOf(set, 2), -1);
        EXPECT_EQ(loopOf(set, 3), -1);
        for (int frame : {0, 1}) {
            auto boxes = boxesOf(set, frame);
            ASSERT_GE(boxes.size(), 1u);
            EXPECT_GT(boxes[0][2], 0);
            EXPECT_GT(boxes[0][3], 0);
        }
    }
}

TEST_F(Content, SteeringPadIsASquareTheKnobWalkCanReach) {
    VMPtr<AnimSet> hud = Resources::loadAnimSet(2048);
    ASSERT_NE(hud, nullptr);
    auto pad = boxesOf(hud, 2)[0];
    EXPECT_EQ(pad[2], pad[3]);
    EXPECT_EQ(pad[2] % 2, 0);
    EXPECT_GE(pad[2], 12);
}

TEST_F(Content, HudFrameEightSitsOnThePadAsItsOverlay) {
    // Frame 8 is the empty heart, the empty short meter and the pad's
    // overlay: the HUD moves that layer so that the frame's box 0 starts
    // where the pad's box does, which must put the picture on the pad.
    VMPtr<AnimSet> hud = loadBound(2048, 2052);
    ASSERT_NE(hud, nullptr);
    auto pad = boxesOf(hud, 2)[0];
    auto boxes = boxesOf(hud, 8);
    ASSERT_GE(boxes.size(), 1u);
    auto picture = extentOf(hud, 8);
    ASSERT_FALSE(empty(picture));
    int x = pad[0] - boxes[0][0] + picture[0], y = pad[1] - boxes[0][1] + picture[1];
    EXPECT_GE(x, pad[0]);
    EXPECT_GE(y, pad[1]);
    EXPECT_LE(x + picture[2], pad[0] + pad[2]);
    EXPECT_LE(y + picture[3], pad[1] + pad[3]);
    // In the middle, where the knob rests: the pad's circle holds it.
    EXPECT_EQ(2 * x + picture[2], 2 * pad[0] + pad[2]);
    EXPECT_EQ(2 * y + picture[3], 2 * pad[1] + pad[3]);
}

// The lane every heat shares (box 0 of a background's frame 0), on the
// screen: the background's layer is drawn at (240, 0).
std::array<int, 4> laneOnScreen(int set) {
    VMPtr<AnimSet> bg = Resources::loadAnimSet(set);
    EXPECT_NE(bg, nullptr);
    if (bg == nullptr) return {};
    auto lane = boxesOf(bg, 0).at(0);
    return {240 + lane[0], lane[1], lane[2], lane[3]};
}

TEST_F(Content, PlayerFiguresShowEachBoxOnlyWhereTheRulesNeedIt) {
    for (int world = 0; world < 5; ++world) {
        SCOPED_TRACE("player set " + std::to_string(10240 + world));
        VMPtr<VMArray<Gob*>> gobs = Resources::loadGobs(10245 + world);
        ASSERT_NE(gobs, nullptr);
        int n = gobs->length;
        ASSERT_GE(n, 12);
        expectVariantKeepsSizes(gobs, n - 6, n - 12, 6);
        expectVariantKeepsSizes(gobs, n - 2, n - 8, 2);
        VMPtr<AnimSet> set = Resources::loadAnimSet(10240 + world);
        ASSERT_NE(set, nullptr);
        set->setGobs(gobs);
        ASSERT_GE(set->getAnimationCount(), 9);

        // One extent for every frame: the game sizes the layer from the
        // first animation it asks about. At most 80 high, it stands on 160.
        auto size = extentOf(set, 0);
        EXPECT_LE(size[3], 80);
        for (int f = 1; f < set->getFrameCount(); ++f) EXPECT_EQ(extentOf(set, f), size) << "frame " << f;
        // The same six boxes in every frame: the contact test reuses the
        // slots of the first frame it read.
        for (int f = 0; f < set->getFrameCount(); ++f) EXPECT_EQ(set->getFrameBoxCount(f), 6) << "frame " << f;

        // Hurt, action, attack, grab and defeat end; the rest go on.
        for (int a : {0, 2, 5, 6}) EXPECT_EQ(loopOf(set, a), -1) << "animation " << a;
        for (int a : {1, 3, 4, 7, 8}) EXPECT_GE(loopOf(set, a), 1) << "animation " << a;

        // Placed as the play field places it, in the middle of the lane.
        auto lane = laneOnScreen(11264);
        // A big box reaches across the lane and over the figure's own rows.
        int px = lane[0] + (lane[2] - size[2]) / 2;
        auto spansLane = [&](const std::array<int, 4>& b) {
            return px + b[0] <= lane[0] && px + b[0] + b[2] >= lane[0] + lane[2] &&
                   b[1] <= size[1] && b[1] + b[3] >= size[1] + size[3];
        };
        for (int a = 0; a < 9; ++a)
            for (int f : framesOf(set, a)) {
                SCOPED_TRACE("animation " + std::to_string(a) + " frame " + std::to_string(f));
                auto boxes = boxesOf(set, f);
                ASSERT_EQ(boxes.size(), 6u);
                // The weapon only while carrying: a hit with it counts a
                // defeat of the monster held.
                EXPECT_EQ(!empty(boxes[0]), a == 2);
                if (a == 2) {
                    EXPECT_TRUE(spansLane(boxes[0]));
                }
                // The grab wins the contact: no body or shove box before it.
                EXPECT_EQ(!empty(boxes[4]), a == 7);
                if (a == 7) {
                    EXPECT_TRUE(spansLane(boxes[4]));
                    EXPECT_TRUE(empty(boxes[2]) && empty(boxes[3]));
                }
                if (a == 4) {
                    EXPECT_TRUE(spansLane(boxes[5]));
                }
                // A body box lies in the shove box with room on every side,
                // so a monster rising towards it is pushed before it hurts.
                if (!empty(boxes[2])) {
                    auto b = boxes[2], s = boxes[3];
                    EXPECT_GE(b[0] - s[0], 6);
                    EXPECT_GE(b[1] - s[1], 6);
                    EXPECT_GE(s[0] + s[2] - b[0] - b[2], 6);
                    EXPECT_GE(s[1] + s[3] - b[1] - b[3], 6);
                }
            }
        // Idle and dash can be hurt; the frames of the others carry no body.
        for (int a : {0, 5}) EXPECT_FALSE(empty(boxesOf(set, *framesOf(set, a).begin())[2])) << a;
    }
}

TEST_F(Content, MonstersCanBeHitInEveryPoseTheyFightIn) {
    const std::pair<int, int> monsters[] = {{11265, 11269}, {11266, 11270}, {11267, 11271},
                                            {13313, 13317}, {13314, 13318}, {13315, 13319},
                                            {15361, 15365}, {15362, 15366}, {16385, 16389},
                                            {16386, 16390}, {16387, 16391}};
    for (auto [id, gobId] : monsters) {
        SCOPED_TRACE("monster set " + std::to_string(id));
        VMPtr<VMArray<Gob*>> gobs = Resources::loadGobs(gobId);
        ASSERT_NE(gobs, nullptr);
        int n = gobs->length;
        ASSERT_GE(n, 36);
        for (int v = 1; v <= 4; ++v) expectVariantKeepsSizes(gobs, n - 36 + 6 * v, n - 36, 6);
        VMPtr<AnimSet> set = Resources::loadAnimSet(id);
        ASSERT_NE(set, nullptr);
        set->setGobs(gobs);
        ASSERT_GE(set->getAnimationCount(), 8);
        auto size = extentOf(set, 0);
        for (int f = 0; f < set->getFrameCount(); ++f) {
            EXPECT_EQ(extentOf(set, f), size) << "frame " << f;
            EXPECT_EQ(set->getFrameBoxCount(f), 6) << "frame " << f;
        }
        // Idle poses and being caught go on; let go, beaten and hurt end
        // (the end of the hurt pose clears the hurt flag).
        for (int a = 0; a <= 3; ++a) EXPECT_EQ(loopOf(set, a), -1) << "animation " << a;
        for (int a = 4; a <= 7; ++a) EXPECT_GE(loopOf(set, a), 1) << "animation " << a;
        // The contact test takes box 0 of the idle and hurt poses: a real
        // area, tall enough to meet the shove box before the body.
        for (int a : {0, 1, 2, 7})
            for (int f : framesOf(set, a)) {
                auto boxes = boxesOf(set, f);
                ASSERT_EQ(boxes.size(), 6u);
                EXPECT_GT(boxes[0][2], 0) << "frame " << f;
                EXPECT_GE(boxes[0][3], 30) << "frame " << f;
            }
    }
}

TEST_F(Content, HeatBackgroundsHoldThePlayerAndCoverTheScreen) {
    VMPtr<AnimSet> player = loadBound(10240, 10245);
    ASSERT_NE(player, nullptr);
    int playerWidth = extentOf(player, 0)[2];
    const std::pair<int, int> backgrounds[] = {{11264, 11268}, {12288, 12289}, {13312, 13316},
                                               {14336, 14337}, {15360, 15364}, {16384, 16388},
                                               {17408, 17409}};
    for (auto [id, gobs] : backgrounds) {
        SCOPED_TRACE("background " + std::to_string(id));
        // Monsters spawn at lane.x + rand % lane.w; the player is centred.
        auto lane = laneOnScreen(id);
        EXPECT_GE(lane[2], playerWidth);
        EXPECT_GE(lane[0], 0);
        EXPECT_LE(lane[0] + lane[2], 240);
        // The ground's two layers wrap by its height: it covers the screen.
        VMPtr<AnimSet> bg = loadBound(id, gobs);
        ASSERT_NE(bg, nullptr);
        auto ground = extentOf(bg, 1);
        EXPECT_EQ(ground[0], -240);
        EXPECT_GE(ground[2], 240);
        EXPECT_GE(ground[3], 320);
    }
}

// Home frames drawn at (120, 160) as screen rectangles.
std::array<int, 4> onHomeScreen(std::array<int, 4> box) { return {box[0] + 120, box[1] + 160, box[2], box[3]}; }

bool inside(const std::array<int, 4>& in, const std::array<int, 4>& out) {
    return in[0] >= out[0] && in[1] >= out[1] && in[0] + in[2] <= out[0] + out[2] &&
           in[1] + in[3] <= out[1] + out[3];
}

const std::array<int, 4> kScreen = {0, 0, 240, 320};

TEST_F(Content, HomeTabsAreFiveButtonsOnTheScreenInEveryTabFrame) {
    // The fifth tab is the only way out of the home scene.
    VMPtr<AnimSet> home = Resources::loadAnimSet(3072);
    ASSERT_NE(home, nullptr);
    for (int f : {0, 1, 2, 3, 4, 5, 7, 8}) {
        SCOPED_TRACE("frame " + std::to_string(f));
        auto tabs = boxesOf(home, f);
        ASSERT_EQ(tabs.size(), 5u);
        for (size_t i = 0; i < tabs.size(); ++i) {
            EXPECT_FALSE(empty(tabs[i])) << i;
            EXPECT_TRUE(inside(onHomeScreen(tabs[i]), kScreen)) << i;
            for (size_t j = 0; j < i; ++j) {
                auto a = tabs[i], b = tabs[j];
                bool apart = a[0] + a[2] <= b[0] || b[0] + b[2] <= a[0] || a[1] + a[3] <= b[1] ||
                             b[1] + b[3] <= a[1];
                EXPECT_TRUE(apart) << i << " and " << j;
            }
        }
        // The tab a view keeps lit is the same tab in every frame.
        EXPECT_EQ(tabs, boxesOf(home, 0));
    }
}

TEST_F(Content, HomeRowCursorButtonsLieInTheRowAndLeaveItsPipsInSight) {
    VMPtr<VMArray<Gob*>> gobs = Resources::loadGobs(3074);
    ASSERT_NE(gobs, nullptr);
    ASSERT_GE(gobs->length, 41);
    // Pips swap pictures in place, pieces lie over one another: each kind
    // is one size.
    for (int g = 37; g <= 40; ++g) EXPECT_EQ(gobs[g]->height, gobs[36]->height) << g;
    for (int g = 30; g <= 33; ++g) EXPECT_EQ(gobs[g]->width, gobs[29]->width) << g;
    int pip = gobs[36]->height;
    VMPtr<AnimSet> home = Resources::loadAnimSet(3072);
    ASSERT_NE(home, nullptr);
    auto cursor = boxesOf(home, 9);
    ASSERT_EQ(cursor.size(), 3u);
    for (int view : {15, 16}) {
        auto boxes = boxesOf(home, view);
        ASSERT_EQ(boxes.size(), 7u);
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE("view frame " + std::to_string(view) + " row " + std::to_string(k));
            auto row = onHomeScreen(boxes[size_t(k)]), name = onHomeScreen(boxes[size_t(3 + k)]);
            // The cursor stands at the row's right edge, at y 160: minus
            // and plus inside the row (a tap outside every row ends the
            // planning), after the ten pips and the gap after the fifth.
            int pipsEnd = name[1] + name[3] + 11 * pip;
            EXPECT_GE(name[1] + name[3], row[1]);
            EXPECT_LE(pipsEnd, row[1] + row[3]);
            for (int b : {1, 2}) {
                std::array<int, 4> button = {row[0] + row[2] + cursor[size_t(b)][0], 160 + cursor[size_t(b)][1],
                                             cursor[size_t(b)][2], cursor[size_t(b)][3]};
                EXPECT_FALSE(empty(button)) << b;
                EXPECT_TRUE(inside(button, row)) << b;
                EXPECT_GE(button[1], pipsEnd) << b;
            }
            EXPECT_FALSE(empty(boxes[6]));
        }
    }
}

TEST_F(Content, HomeFigureStandsInAHoleOfTheHomePictureOverTheBackdrop) {
    // The figure is drawn between the backdrop and the home screen, its
    // top left corner at the lower right of box 2 of the home picture.
    VMPtr<AnimSet> player = loadBound(10240, 10245);
    ASSERT_NE(player, nullptr);
    auto size = extentOf(player, 0);
    VMPtr<VMArray<Gob*>> gobs = Resources::loadGobs(3074);
    ASSERT_NE(gobs, nullptr);
    VMPtr<AnimSet> home = Resources::loadAnimSet(3072);
    ASSERT_NE(home, nullptr);
    home->setGobs(gobs);
    auto anchor = onHomeScreen(boxesOf(home, 11).at(2));
    std::array<int, 4> figure = {anchor[0] + anchor[2] + size[0], anchor[1] + anchor[3] + size[1], size[2],
                                 size[3]};
    EXPECT_TRUE(inside(figure, kScreen));
    VMPtr<VMArray<jint>> pieces = VMArray<jint>::create(4 * 256);
    int n = home->getFramePieces(11, 0, pieces);
    ASSERT_GT(n, 0);
    for (int p = 0; p < n; ++p) {
        VMPtr<Gob> g = gobs[pieces[4 * p]];
        std::array<int, 4> r = {120 + pieces[4 * p + 1] + g->offsetX, 160 + pieces[4 * p + 2] + g->offsetY,
                                g->width, g->height};
        bool apart = r[0] + r[2] <= figure[0] || figure[0] + figure[2] <= r[0] || r[1] + r[3] <= figure[1] ||
                     figure[1] + figure[3] <= r[1];
        EXPECT_TRUE(apart) << "piece " << p << " covers the figure";
    }
    VMPtr<VMArray<Gob*>> backdrop = Resources::loadGobs(3073);
    ASSERT_NE(backdrop, nullptr);
    VMPtr<Gob> b = backdrop[0];
    EXPECT_TRUE(inside(figure, {120 + b->offsetX, 160 + b->offsetY, b->width, b->height}));
}

TEST_F(Content, HomeBarAndCursorShareTheItemPitch) {
    VMPtr<AnimSet> home = loadBound(3072, 3074);
    ASSERT_NE(home, nullptr);
    // The item under the finger is found by dividing by the cursor's width.
    int w = extentOf(home, 14)[2];
    ASSERT_GT(w, 0);
    EXPECT_EQ(boxesOf(home, 13)[0][2], 3 * w);
    // 10 waits for a view to place the cursor; 20 is also the idle cursor.
    EXPECT_EQ(home->getFramePieceCount(10), 0);
    EXPECT_EQ(home->getFramePieceCount(20), 0);
    // Both animations run on a plain screen.
    EXPECT_EQ(loopOf(home, 0), -1);
    EXPECT_EQ(loopOf(home, 1), -1);
    EXPECT_EQ(framesOf(home, 0), std::set<int>{9});
    EXPECT_EQ(framesOf(home, 1), std::set<int>{10});
}

TEST_F(Content, MapPictureCoversEveryCellAndMarkersSitInTheirCells) {
    // Thirteen rows of 30, twenty columns of 40, right-anchored: the
    // cursor's box 0 gives the scene that cell.
    VMPtr<AnimSet> map = loadBound(5120, 5121);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(extentOf(map, 0), (std::array<int, 4>{-390, 0, 390, 800}));
    for (auto [id, gobs] : {std::pair<int, int>{6144, 6145}, {7168, 7169}, {8192, 8193}}) {
        VMPtr<AnimSet> area = loadBound(id, gobs);
        ASSERT_NE(area, nullptr);
        auto e = extentOf(area, 0);
        EXPECT_FALSE(empty(e)) << id;
        EXPECT_TRUE(inside(e, {-390, 0, 390, 800})) << id;
    }
    VMPtr<AnimSet> markers = loadBound(4096, 4099);
    ASSERT_NE(markers, nullptr);
    for (int k = 0; k <= 14; ++k) {
        auto e = extentOf(markers, k);
        EXPECT_TRUE(inside(e, {-30, 0, 30, 40})) << "marker " << k;
    }
    // The info and menu buttons at the screen's lower corners.
    VMPtr<AnimSet> buttons = Resources::loadAnimSet(4098);
    ASSERT_NE(buttons, nullptr);
    for (int f : {1, 2}) {
        auto b = boxesOf(buttons, f)[0];
        EXPECT_TRUE(inside({b[0], b[1] + 320, b[2], b[3]}, kScreen)) << f;
    }
    auto menu = boxesOf(buttons, 3)[0];
    EXPECT_TRUE(inside({menu[0] + 240, menu[1] + 320, menu[2], menu[3]}, kScreen));
}

// The five tables in the order the game cycles them, with the word each
// uses for "Play" (text 11), so that a test can tell which one is loaded.
const std::pair<int, const char*> kTables[] = {
    {20480, "Play"}, {20481, "Jouer"}, {20483, "Spielen"}, {20482, "Jugar"}, {20484, "Gioca"}};

// Every text id the game reads.
std::vector<int> textIdsRead() {
    std::vector<int> ids = {5,  7,  8,  9,  10, 11, 12, 13, 14, 15, 19, 20, 21, 22, 23, 24, 25, 26,
                            27, 28, 29, 30, 31, 33, 34, 35, 36, 37, 38, 40, 41, 42, 43, 44, 45, 91,
                            92, 93, 98, 99, 100, 104, 105, 107, 117, 120};
    for (int i = 46; i <= 89; ++i) ids.push_back(i);
    return ids;
}

TEST_F(Content, EveryTextTableHoldsEveryTextTheGameReads) {
    for (auto [id, play] : kTables) {
        SCOPED_TRACE("table " + std::to_string(id));
        VMPtr<wren::util::text::Translation> t = Resources::loadTranslation(id);
        ASSERT_NE(t, nullptr);
        EXPECT_GE(t->count, 121);
        EXPECT_EQ(t->getString(11)->toUtf8(), play);
        for (int text : textIdsRead()) {
            std::string s = t->getString(text)->toUtf8();
            EXPECT_FALSE(s.empty()) << text;
            EXPECT_NE(s, "-") << text;
            EXPECT_EQ(s.find('\t'), std::string::npos) << text;
            EXPECT_EQ(s.find('\r'), std::string::npos) << text;
        }
    }
}

TEST_F(Content, HomeChoiceBarLabelsFitInsideItsItems) {
    // The bar's labels run along its height, one centred on each item, in
    // font 2; in every table each stays inside the held item cursor's 3 px
    // edge.
    VMPtr<AnimSet> home = loadBound(3072, 3074);
    ASSERT_NE(home, nullptr);
    const int room = boxesOf(home, 13)[0][3] - 2 * 3;
    VMPtr<VMArray<Gob*>> glyphs = Resources::loadGobs(19456 + 2);
    ASSERT_NE(glyphs, nullptr);
    VMPtr<wren::util::text::RichFont> font = wren::util::text::RichFont::make();
    font->setBitmapFont(glyphs);
    font->setTransform(5);
    for (auto [id, play] : kTables) {
        VMPtr<wren::util::text::Translation> t = Resources::loadTranslation(id);
        ASSERT_NE(t, nullptr);
        // Step by step, fill up, share points, reset, back.
        for (int text : {34, 35, 36, 37, 100}) {
            VMPtr<java::lang::String> s = t->getString(text);
            EXPECT_LE(font->stringWidth(s), room) << "table " << id << " text " << text << " \""
                                                  << s->toUtf8() << "\"";
        }
    }
}

TEST_F(Content, GlyphSetsCoverEveryCharacterOfEveryTable) {
    // Strings the game builds itself need these too.
    const std::u16string built = u"$:.0123456789 ";
    for (int font = 0; font < 7; ++font) {
        SCOPED_TRACE("font " + std::to_string(font));
        VMPtr<VMArray<Gob*>> glyphs = Resources::loadGobs(19456 + font);
        ASSERT_NE(glyphs, nullptr);
        ASSERT_GE(glyphs->length, 7);
        EXPECT_EQ(glyphs[3]->boxHeight, 255);  // the stored form
        EXPECT_GT(glyphs[0]->boxHeight, 0);    // line height: a divisor
        for (jint i = 0; i < glyphs->length; ++i) {
            EXPECT_GE(glyphs[i]->width, 1);
            EXPECT_GE(glyphs[i]->height, 1);
        }
        VMPtr<wren::util::text::RichFont> rich = wren::util::text::RichFont::make();
        rich->setBitmapFont(glyphs);
        rich->setTransform(5);
        int widest = 0;
        for (jint i = 0; i < glyphs->length; ++i) widest = std::max(widest, int(glyphs[i]->boxWidth));
        // A wrapped column must be longer than any one glyph's advance.
        EXPECT_LT(widest, 110);
        for (char16_t c : built) EXPECT_NE(rich->getGlyph(jchar(c)), nullptr) << int(c);
        for (auto [id, play] : kTables) {
            VMPtr<wren::util::text::Translation> t = Resources::loadTranslation(id);
            ASSERT_NE(t, nullptr);
            for (jint text = 0; text < t->count; ++text) {
                VMPtr<java::lang::String> s = t->getString(text);
                for (jint k = 0; k < s->length(); ++k)
                    EXPECT_NE(rich->getGlyph(s->charAt(k)), nullptr)
                        << "table " << id << " text " << text << " char " << int(s->charAt(k));
            }
        }
    }
}

TEST_F(Content, TunesAreWavClipsOfTypeOne) {
    for (int id = 21504; id <= 21509; ++id) {
        SCOPED_TRACE("tune " + std::to_string(id));
        EXPECT_EQ(Resources::getType(id), 1);
        VMPtr<VMArray<jbyte>> data = Resources::getData(id);
        ASSERT_NE(data, nullptr);
        ASSERT_GT(data->length, 44);
        std::string head(reinterpret_cast<const char*>(data->elements()), 12);
        EXPECT_EQ(head.substr(0, 4), "RIFF");
        EXPECT_EQ(head.substr(8, 4), "WAVE");
    }
}

TEST(ContentProperties, AppPropNamesTheMidletClass) {
    std::ifstream in(fs::path(WREN_GAME_DIR) / "properties" / "app.prop");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("MIDlet-1: "), std::string::npos);
    EXPECT_NE(all.find(",main.CommonMIDlet\n"), std::string::npos);
    EXPECT_NE(all.find("MIDlet-Name: "), std::string::npos);
}

}  // namespace
