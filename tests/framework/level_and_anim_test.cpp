// The canvas's level renderer (tile grid, scenery), its packed animation
// tables read from sets the pack builder writes, the lightweight players,
// the text-record table and the indexed PNG writer.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "AnimSet.h"
#include "Pack.h"
#include "Png.h"
#include "TextTable.h"
#include "framework_test_support.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Image.h"
#include "runtime/runtime_test_support.h"
#include "support/java_bytes.h"
#include "wren_AnimSet.h"
#include "wren_Resources.h"

namespace {

namespace fs = std::filesystem;
using javax::microedition::lcdui::Image;
using wren::Gob;
using wren::Resources;
using wren::WrenCanvas;
using wrentest::bytesOf;
using wrentest::jbytes;
using wrentest::thrownName;
using wrentest::framework::CanvasTest;

// A graphic object that writes down where it was painted.
class MarkGob : public Gob {
    WREN_CLASS(MarkGob, Gob)
public:
    jint mark = 0;
    std::vector<std::pair<jint, jint>>* painted = nullptr;  // (mark, x)
    void ctor(jint m, jint w, jint h) {
        Gob::ctor();
        mark = m;
        width = jshort(w);
        height = jshort(h);
    }
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>&, jint x, jint, jint) override {
        if (painted) painted->push_back({mark, x});
    }
};

// Writes one plain pack of these entries as pack `number`, read afresh.
void installPack(int number, const std::vector<rpack::PackEntry>& entries) {
    fs::path rsc = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc";
    rpack::writeFiles(rsc, {{"RP" + std::to_string(number) + ".rp", rpack::encodePlainPack(entries)}});
    Resources::closePack();
}

class LevelTest : public CanvasTest {};

TEST_F(LevelTest, TilesAreCutInReadingOrderAndAliasesResolve) {
    canvas->createMap(5, 4, Image::createImage(100, 60, false, 0), 16, 16);
    ASSERT_EQ(canvas->tileSourceX->length, 18);  // 6 x 3; the right and bottom strips unused
    EXPECT_EQ(canvas->tileSourceX[6], 0);
    EXPECT_EQ(canvas->tileSourceY[6], 16);
    EXPECT_EQ(canvas->addTileAlias(7), -1);
    EXPECT_EQ(canvas->addTileAlias(9), -2);
    canvas->setTile(4, 3, -2);
    EXPECT_EQ(canvas->getTile(4, 3), -2);
    EXPECT_EQ(canvas->resolveTile(canvas->getTile(4, 3)), 9);
    canvas->setTileAlias(-2, 11);
    EXPECT_EQ(canvas->getTileAlias(-2), 11);
    canvas->fillTiles(0, 0, 2, 2, 3);
    EXPECT_EQ(canvas->getTile(1, 1), 3);

    // Outside the grid is refused, never another cell.
    for (auto [c, r] : std::vector<std::pair<jint, jint>>{{5, 0}, {-1, 1}, {0, 4}, {0, -1}})
        EXPECT_EQ(thrownName([&] { canvas->setTile(c, r, 1); }),
                  "java.lang.ArrayIndexOutOfBoundsException")
            << c << "," << r;
    EXPECT_EQ(thrownName([&] { canvas->getTileAlias(-3); }),
              "java.lang.ArrayIndexOutOfBoundsException");

    // An equal set keeps the grid; a smaller one clears it and its aliases.
    EXPECT_FALSE(canvas->setTileSet(Image::createImage(96, 48, false, 0), 16, 16));
    EXPECT_EQ(canvas->getTile(1, 1), 3);
    EXPECT_TRUE(canvas->setTileSet(Image::createImage(32, 32, false, 0), 16, 16));
    EXPECT_EQ(canvas->getTile(1, 1), 0);
    EXPECT_EQ(canvas->getTile(4, 3), 0);
    EXPECT_EQ(canvas->tileAliases->length, 0);
}

TEST_F(LevelTest, ViewOriginKeepsTheCallersSignAndANegativeSizeDropsTheMap) {
    canvas->createMap(5, 4, Image::createImage(32, 48, false, 0), 16, 12);
    canvas->setViewOrigin(30, -7);
    EXPECT_EQ(canvas->viewOriginX, -30);  // the renderer works with it negated
    EXPECT_EQ(std::vector<jint>({canvas->getViewOriginX(), canvas->getViewOriginY()}),
              std::vector<jint>({30, -7}));
    EXPECT_EQ(std::vector<jint>({canvas->getTileWidth(), canvas->getTileHeight(),
                                 canvas->getMapWidth(), canvas->getMapHeight()}),
              std::vector<jint>({16, 12, 5, 4}));
    EXPECT_FALSE(canvas->setViewSize(0, 200));
    EXPECT_EQ(std::vector<jint>({canvas->viewWidth, canvas->viewHeight}), std::vector<jint>({0, 200}));
    EXPECT_TRUE(canvas->mapTiles != nullptr);
    canvas->addTileAlias(3);
    EXPECT_TRUE(canvas->setViewSize(240, -1));
    EXPECT_EQ(std::vector<jint>({canvas->viewWidth, canvas->viewHeight}), std::vector<jint>({240, 0}));
    EXPECT_TRUE(canvas->tileSet == nullptr && canvas->tileSourceX == nullptr &&
                canvas->tileSourceY == nullptr && canvas->mapTiles == nullptr &&
                canvas->tileAliases == nullptr);
}

TEST_F(LevelTest, SceneryIsSortedCulledAndDrawnInOrderOfAdding) {
    std::vector<std::pair<jint, jint>> painted;
    canvas->createMap(40, 4, Image::createImage(32, 32, false, 0), 16, 16);
    canvas->initScenery(8);
    ASSERT_FALSE(canvas->sceneryVertical);
    // (mark, x, width): added out of order; marks 3 and 4 share a key.
    std::vector<std::array<jint, 3>> items = {
        {1, 300, 10}, {2, 20, 10}, {3, 100, 40}, {4, 100, 5}, {5, 70, 20}, {6, 5, 10}};
    for (auto [mark, x, w] : items) {
        VMPtr<MarkGob> g = MarkGob::make(mark, w, 10);
        g->painted = &painted;
        canvas->addScenery(g, x, 0, 0);
    }
    EXPECT_EQ(canvas->sceneryMargin, 40);
    canvas->mapGraphics = Image::createImage(200, 64, false, 0)->getGraphics();
    // The view 60..140: 5 (70..90), 3 (100..140), 4 (100..105) overlap; 2
    // and 6 end before it and 1 starts after it.
    canvas->paintScenery(60, 0, 0, 0, 80, 64);
    EXPECT_FALSE(canvas->scenerySortNeeded);
    for (jint k = 1; k < canvas->sceneryCount; ++k)
        EXPECT_LT(canvas->sceneryOrder[k - 1], canvas->sceneryOrder[k]);
    EXPECT_EQ(painted, (std::vector<std::pair<jint, jint>>{{3, 40}, {4, 40}, {5, 10}}));
    // A view that ends where an object begins leaves it out.
    painted.clear();
    canvas->paintScenery(0, 0, 0, 0, 70, 64);
    EXPECT_EQ(painted, (std::vector<std::pair<jint, jint>>{{2, 20}, {6, 5}}));
    canvas->initScenery(0);
    EXPECT_TRUE(canvas->sceneryGobs == nullptr);
    EXPECT_TRUE(canvas->sceneryOrder == nullptr);
}

// Animation 0: steps of level 0, 0, 3, 0, each 10 ms, moving 4 px a step,
// looping for ever. Animation 1: two steps of duration 1, looping for ever
// (the builder refuses a duration-less loop, so tests zero it in the table).
// Animation 2: two steps, one loop, interpolated from the first.
rpack::AnimSet sampleSet() {
    rpack::AnimSet set;
    set.leading = 7;
    set.durations = {10, 5, 300};
    rpack::Animation a0;
    a0.loopCount = -1;
    for (int i = 0; i < 4; ++i) a0.steps.push_back({i % 2, 4 * i, -i, 0, i == 2 ? 3 : 0, 0});
    rpack::Animation a1;
    a1.loopCount = -1;
    a1.steps = {{0, 0, 0, 1, 0, 0}, {1, 5, 5, 1, 0, 0}};
    rpack::Animation a2;
    a2.loopCount = 1;
    a2.steps = {{0, 0, 0, 0, 0, 1}, {1, 100, -50, 0, 0, 0}};
    set.animations = {a0, a1, a2};
    rpack::AnimFrame f0;
    f0.pieces = {{2, 1, -3, 1}, {0, -4, 6, 2}, {1, 0, 0, 3}, {3, 7, 7, 0}, {1, 2, 2, 3}};
    f0.boxes = {{-5, 4, 10, 20, 2}, {1, -1000, 1023, 3, 31}};
    rpack::AnimFrame f1;
    f1.boxes = {{0, 0, 1, 1, 0}};
    set.frames = {f0, f1};
    return set;
}

constexpr jint kAnimPack = 20;  // keys compare through 15 bits
constexpr jint kSetId = (kAnimPack << 10) | 1;
constexpr jint kBadId = (kAnimPack << 10) | 2;
constexpr jint kNextId = (kAnimPack << 10) | 3;

class PackedAnimTest : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        rpack::Bytes good = rpack::encodeAnimSet(sampleSet());
        rpack::Bytes cut(good.begin(), good.begin() + jint(good.size()) * 2 / 3);
        installPack(kAnimPack, {{{1}, -1}, {good, -1}, {cut, -1}, {good, -1}});
    }
};

TEST_F(PackedAnimTest, LoaderGivesTheBuildersTables) {
    rpack::AnimSet set = sampleSet();
    canvas->loadPackedAnimation(kSetId);
    canvas->loadPackedAnimation(kSetId);  // already loaded: no new row
    ASSERT_EQ(canvas->animSetKeys->length, 1);
    ASSERT_EQ(canvas->getFrameCount(kSetId), 2);
    for (size_t a = 0, first = 0; a < set.animations.size(); ++a) {
        jint e = canvas->animTable[0][jint(a)];
        EXPECT_EQ(e >> 16, jint(first));
        EXPECT_EQ(e & 0x3FF, jint(set.animations[a].steps.size()));
        EXPECT_EQ(jint(jshort(e)) >> 10, set.animations[a].loopCount);
        for (size_t s = 0; s < set.animations[a].steps.size(); ++s) {
            const rpack::AnimStep& st = set.animations[a].steps[s];
            jint v = canvas->stepData[0][jint(first + s)];
            jint f = canvas->stepFlags[0][jint(first + s)] & 0xFF;
            EXPECT_EQ(std::vector<jint>({jint(uint32_t(v) >> 22), (v << 10) >> 22, (v << 20) >> 22,
                                         v & 3, f & 0x3F, f >> 6}),
                      std::vector<jint>({st.frame, st.dx, st.dy, st.interpolation,
                                         st.durationIndex, st.level}));
        }
        first += set.animations[a].steps.size();
    }
    // Pieces, with transforms packed four to a number, and boxes.
    VMPtr<VMArray<jshort>> out = VMArray<jshort>::create(10);
    EXPECT_EQ(canvas->getFrameBoxCount(kSetId, 0), 2);
    EXPECT_EQ(canvas->getFrameBoxes(out, 0, 0, false, 0), 2);
    EXPECT_EQ(std::vector<jshort>(out->elements(), out->elements() + 10),
              (std::vector<jshort>{-5, 4, 10, 20, 2, 1, -1000, 1023, 3, 31}));
    EXPECT_EQ(canvas->getFrameBoxes(VMArray<jshort>::create(9), 0, 0, false, 0), 1);
    EXPECT_EQ(canvas->getFrameBoxes(out, 0, 0, true, 31), 1);
    EXPECT_EQ(out[0], 1);
    const auto& pieces = set.frames[0].pieces;
    for (size_t k = 0; k < pieces.size(); ++k) {
        jint p = canvas->framePieces[0][jint(k)];
        EXPECT_EQ(std::vector<jint>({jint(uint32_t(p) >> 22), (p << 10) >> 22, (p << 20) >> 22, p & 3}),
                  std::vector<jint>({pieces[k].gob, pieces[k].dx, pieces[k].dy, pieces[k].flip}));
    }
    EXPECT_EQ(canvas->durationTable[0]->length, 3);
    EXPECT_EQ(canvas->durationTable[0][2], 300);
}

// The canvas's loader and the animation-set loader read the same bytes
// into the same packed words: a field one of them shifts or signs
// differently shows up as a table that differs.
template <typename T>
std::vector<jint> wordsOf(VMPtr<VMArray<T>> a) {
    if (a == nullptr) return {-999};  // a table never filled, unlike any real one
    std::vector<jint> v;
    for (jint i = 0; i < a->length; ++i) v.push_back(jint(a[i]));
    return v;
}

TEST_F(PackedAnimTest, BothLoadersGiveEqualTables) {
    canvas->loadPackedAnimation(kSetId);
    VMPtr<wren::AnimSet> set = Resources::loadAnimSet(kSetId);
    ASSERT_TRUE(set->durations != nullptr);  // loaded whole
    struct Pair {
        const char* table;
        std::vector<jint> canvasWords, setWords;
    };
    std::vector<Pair> pairs = {
        {"animations", wordsOf<jint>(canvas->animTable[0]), wordsOf<jint>(set->animations)},
        {"steps", wordsOf<jint>(canvas->stepData[0]), wordsOf<jint>(set->steps)},
        {"step flags", wordsOf<jbyte>(canvas->stepFlags[0]), wordsOf<jbyte>(set->stepFlags)},
        {"frames", wordsOf<jint>(canvas->frameTable[0]), wordsOf<jint>(set->frames)},
        {"pieces", wordsOf<jint>(canvas->framePieces[0]), wordsOf<jint>(set->pieces)},
        {"first boxes", wordsOf<jchar>(canvas->frameBoxIndex[0]), wordsOf<jchar>(set->frameBoxStart)},
        {"boxes", wordsOf<jint>(canvas->boxData[0]), wordsOf<jint>(set->boxes)},
        {"box shapes", wordsOf<jchar>(canvas->boxInfo[0]), wordsOf<jchar>(set->boxShapes)},
        {"durations", wordsOf<jchar>(canvas->durationTable[0]), wordsOf<jchar>(set->durations)},
    };
    for (const Pair& p : pairs) {
        EXPECT_FALSE(p.canvasWords.empty()) << p.table;
        EXPECT_EQ(p.canvasWords, p.setWords) << p.table;
    }
}

TEST_F(PackedAnimTest, AFailedLoadKeepsEveryTableAligned) {
    canvas->loadPackedAnimation(kSetId);
    canvas->loadPackedAnimation(kBadId);                  // cut short
    canvas->loadPackedAnimation((kAnimPack << 10) | 9);   // no such entry
    canvas->loadPackedAnimation(kNextId);
    ASSERT_EQ(canvas->animSetKeys->length, 4);
    std::vector<jint> lengths = {canvas->animTable->length,    canvas->stepFlags->length,
                                 canvas->stepData->length,     canvas->durationTable->length,
                                 canvas->frameTable->length,   canvas->framePieces->length,
                                 canvas->frameBoxIndex->length, canvas->boxData->length,
                                 canvas->boxInfo->length};
    EXPECT_EQ(lengths, std::vector<jint>(9, 4));
    EXPECT_TRUE(canvas->levelStream == nullptr);
    // The set after the failures reads its own rows.
    EXPECT_EQ(canvas->getFrameCount(kNextId), 2);
    EXPECT_EQ(canvas->durationTable[3][2], 300);
    EXPECT_EQ(canvas->stepData[3]->length, 8);
    // Dropping all but the last keeps its rows together.
    canvas->setAnimSetKept(kNextId & 0x7FFF, true);
    canvas->compactAnimSets();
    ASSERT_EQ(canvas->animSetKeys->length, 1);
    EXPECT_EQ(canvas->findAnimSet(kNextId & 0x7FFF), 0);
    EXPECT_EQ(canvas->durationTable[0][2], 300);
    canvas->setAnimSetKept(kNextId & 0x7FFF, false);
    canvas->compactAnimSets();
    EXPECT_TRUE(canvas->animSetKeys == nullptr && canvas->players == nullptr);
}

TEST_F(PackedAnimTest, PlayersStopOnLevelThreeAndSurviveZeroDurations) {
    canvas->loadPackedAnimation(kSetId);
    canvas->startAnimation(0, kSetId, 0);
    // 35 ms would reach step 3, but step 2 (level 3) may not be passed.
    EXPECT_TRUE(canvas->updatePlayer(0, 35));
    EXPECT_EQ(canvas->getStep(0), 2);
    EXPECT_EQ(canvas->getShownStep(0), 2);
    EXPECT_EQ(canvas->players[4], 15);  // the rest is carried
    EXPECT_EQ(canvas->lastMoveX, 8);
    EXPECT_EQ(canvas->getElapsedTime(0), 35);
    // Through step 3 and round to step 0: the motion goes on (+4), as if
    // the next round started where this one ended.
    EXPECT_TRUE(canvas->updatePlayer(0, 10));
    EXPECT_EQ(canvas->getStep(0), 0);
    EXPECT_EQ(canvas->lastMoveX, 4);

    // Endless steps of no duration: the update ends, without a division.
    canvas->durationTable[0][1] = 0;
    canvas->stepData[0][4] = canvas->stepData[0][4] | 1;  // interpolated too
    canvas->startAnimation(1, kSetId, 1);
    EXPECT_TRUE(canvas->updatePlayer(1, 50));
    EXPECT_TRUE(canvas->updatePlayer(1, 0));

    // One loop with interpolation: halfway, then stopped on the last step.
    canvas->startAnimation(2, kSetId, 2);
    EXPECT_TRUE(canvas->updatePlayer(2, 5));
    EXPECT_EQ(canvas->players[16 + 5], 50);
    EXPECT_EQ(canvas->players[16 + 6], -25);
    EXPECT_FALSE(canvas->updatePlayer(2, 100));
    EXPECT_EQ(canvas->getStep(2), 1);
    EXPECT_EQ(canvas->players[16 + 4], 10);
    EXPECT_FALSE(canvas->updatePlayer(2, 10));
    EXPECT_EQ(canvas->lastMoveX, 0);
}

TEST_F(PackedAnimTest, PlayerAndSetFrameEntriesUseTheShownFrame) {
    canvas->loadPackedAnimation(kSetId);
    std::vector<std::pair<jint, jint>> painted;
    VMPtr<VMArray<Gob*>> gobs = VMArray<Gob*>::create(4);
    for (jint i = 0; i < 4; ++i) {
        VMPtr<MarkGob> g = MarkGob::make(i, 4 + i, 6);
        g->painted = &painted;
        gobs[i] = g;
    }
    canvas->startAnimation(0, kSetId, 0);  // shows frame 0: five pieces, two boxes
    canvas->paintPlayer(Image::createImage(8, 8, false, 0)->getGraphics(), gobs, 0, 30, 0, 0);
    std::vector<jint> marks;
    for (auto [mark, x] : painted) marks.push_back(mark);
    EXPECT_EQ(marks, (std::vector<jint>{2, 0, 1, 3, 1}));

    // Six shorts hold one piece; the count is still the frame's.
    VMPtr<VMArray<jshort>> pieces = VMArray<jshort>::create(6);
    pieces[4] = pieces[5] = 77;
    EXPECT_EQ(canvas->getPlayerPieces(0, pieces, 2), 5);
    EXPECT_EQ(std::vector<jshort>(pieces->elements(), pieces->elements() + 6),
              (std::vector<jshort>{2, -1, -3, 3, 77, 77}));  // mirrored: dx 1 -> -1, flip 1 ^ 2

    VMPtr<VMArray<jshort>> boxes = VMArray<jshort>::create(10);
    EXPECT_EQ(canvas->getPlayerBoxes(0, boxes), 2);
    EXPECT_EQ(canvas->getPlayerBoxes(0, boxes, 31), 1);
    EXPECT_EQ(boxes[0], 1);
    EXPECT_EQ(canvas->getSetFrameBoxes(kSetId, 1, boxes), 1);
    EXPECT_EQ(canvas->getSetFrameBoxes(kSetId, 1, boxes, 2), 0);

    // The player's bounds are the set frame's, moved to where it stands.
    VMPtr<VMArray<jint>> frameBounds = VMArray<jint>::create(4);
    VMPtr<VMArray<jint>> playerBounds = VMArray<jint>::create(4);
    canvas->getSetFrameBounds(kSetId, 0, gobs, 1, frameBounds);
    canvas->getPlayerBounds(gobs, 0, 10, -20, 1, playerBounds);
    EXPECT_EQ(std::vector<jint>(playerBounds->elements(), playerBounds->elements() + 4),
              (std::vector<jint>{frameBounds[0] + 10, frameBounds[1] - 20, frameBounds[2],
                                 frameBounds[3]}));

    // A player whose animation has no steps does nothing at all.
    canvas->startAnimation(1, kSetId, 2);
    canvas->animTable[0][2] = canvas->animTable[0][2] & ~0x3FF;
    painted.clear();
    canvas->paintPlayer(Image::createImage(8, 8, false, 0)->getGraphics(), gobs, 1, 0, 0, 0);
    EXPECT_TRUE(painted.empty());
    EXPECT_EQ(canvas->getPlayerPieces(1, pieces, 0), 0);
    EXPECT_EQ(canvas->getPlayerBoxes(1, boxes), 0);
    VMPtr<VMArray<jint>> untouched = VMArray<jint>::of({1, 2, 3, 4});
    canvas->getPlayerBounds(gobs, 1, 5, 5, 0, untouched);
    EXPECT_EQ(std::vector<jint>(untouched->elements(), untouched->elements() + 4),
              (std::vector<jint>{1, 2, 3, 4}));
}

TEST_F(LevelTest, TextRecordsKeepTheirOffsets) {
    std::vector<std::u16string> texts = {u"Hello", u"", u"\u00e9t\u00e9 \u20ac", u"end"};
    rpack::Bytes table = rpack::encodeTextTable(texts);
    rpack::Bytes cut(table.begin(), table.end() - 5);
    installPack(41, {{{1}, -1}, {table, -6}, {cut, -6}});
    canvas->loadTexts((41 << 10) | 1);
    ASSERT_TRUE(canvas->textCache != nullptr);
    ASSERT_EQ(canvas->textCache->length, 4);
    for (jint i = 0; i < 4; ++i) EXPECT_EQ(wrentest::text(canvas->getText(i)), rpack::utf16ToUtf8(texts[size_t(i)]));
    EXPECT_TRUE(canvas->textData == nullptr && canvas->textOffsets == nullptr);
    // Cut inside the third record: it and the ones after are empty.
    canvas->loadTexts((41 << 10) | 2);
    ASSERT_EQ(canvas->textCache->length, 4);
    EXPECT_EQ(wrentest::text(canvas->getText(0)), "Hello");
    EXPECT_EQ(wrentest::text(canvas->getText(2)), "");
    EXPECT_EQ(wrentest::text(canvas->getText(3)), "");
    canvas->loadTexts(-1);
    EXPECT_TRUE(canvas->textCache == nullptr);
    // Negative counts, -1 among them, leave no table and throw nothing.
    for (jint count : {-1, -2, -32768}) {
        installPack(41, {{{1}, -1}, {{uint8_t(count >> 8), uint8_t(count), 0, 1, 0x41}, -6}});
        canvas->loadTexts((41 << 10) | 1);
        EXPECT_TRUE(canvas->textCache == nullptr) << count;
        EXPECT_TRUE(canvas->textData == nullptr && canvas->textOffsets == nullptr) << count;
    }
}

TEST_F(LevelTest, IndexedPngDecodesToTheSameIndices) {
    struct Case {
        jint width, height, transparent;
    };
    for (Case c : {Case{99, 655, 2}, Case{3, 2, -1}, Case{1, 1, 0}}) {
        SCOPED_TRACE(c.width);
        jint stride = c.width + 3;
        VMPtr<VMArray<jbyte>> pixels = VMArray<jbyte>::create(5 + stride * c.height);
        for (jint i = 0; i < pixels->length; ++i) pixels[i] = jbyte((i * 7) % 4);
        VMPtr<VMArray<jbyte>> palette =
            jbytes({255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9, 0, 0, 0, 0});
        WrenCanvas::S().outBuffer = VMArray<jbyte>::create(4);
        WrenCanvas::S().outPosition = 3;
        VMPtr<VMArray<jbyte>> png =
            WrenCanvas::buildIndexedPng(pixels, 5, stride, c.width, c.height, palette, c.transparent);
        EXPECT_EQ(WrenCanvas::S().outPosition, 3);  // the writer is handed back
        rpack::DecodedPng d = rpack::decodePng(bytesOf(png));
        ASSERT_TRUE(d.indexed8);
        ASSERT_EQ(d.image.width, c.width);
        ASSERT_EQ(d.image.height, c.height);
        bool trns = false;
        for (const auto& ch : d.chunks) trns |= ch.type == "tRNS";
        EXPECT_EQ(trns, c.transparent >= 0);
        for (jint y = 0; y < c.height; ++y)
            for (jint x = 0; x < c.width; ++x)
                ASSERT_EQ(d.image.pixels[size_t(y * c.width + x)], uint8_t(pixels[5 + y * stride + x]))
                    << x << "," << y;
    }
    EXPECT_EQ(thrownName([] {
                  WrenCanvas::buildIndexedPng(VMArray<jbyte>::create(1), 0, 1, 0, 1,
                                              VMArray<jbyte>::create(7), -1);
              }),
              "java.lang.IllegalArgumentException");
}

}  // namespace

WREN_DEFINE_CLASS(MarkGob, "wrentest.MarkGob")
