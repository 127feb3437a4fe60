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
    {9216, 9217, 26, 5, 1},   // shared interface set
    {17408, 17409, 2, 1, 1},  // background of heat kind 6 and of the story
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
    const std::pair<int, int> sets[] = {{2052, 9}, {2053, 7}, {2054, 1}, {2055, 9},
                                        {2056, 3}, {9217, 1}};
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
    {2048, 8, 0, -16, -16, 16, 16},    // pad overlay alignment
    {9216, 16, 2, 0, 0, 0, 0},         // boards: buttons hit on the whole screen
    {9216, 22, 2, 0, 0, 0, 0},
    {9216, 23, 2, 0, 0, 0, 0},
    {9216, 25, 2, 0, 0, 0, 0},
    {9216, 12, 5, -40, 0, 40, 200},    // list cell touch area
    {1025, 0, 0, -120, -160, 240, 320},  // list menus' area: the whole screen
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
