// The graphic-object set loader: rpack's sets read back field for field and
// pixel for pixel against their sources, the format's byte examples (column
// order, signed and unsigned 1-byte forms, the round flag, hint sections,
// left-out groups, empty sets), replacement palettes, a pack above 31, a
// table of malformed sets, every one of which gives null and leaves no row
// table behind, and descriptor data longer than its columns, which is read.
#include "resources_test_support.h"

#include <optional>

#include "GobSet.h"
#include "Sources.h"
#include "wren_Gob.h"

using namespace restest;
using wren::Gob;
using wren::Resources;

namespace {

const fs::path kGobPacks = WREN_GOB_PACKS;
const fs::path kGobSources = WREN_GOB_SOURCES;

std::string readText(const fs::path& path) {
    Bytes b = readFile(path);
    return std::string(b.begin(), b.end());
}

// The ARGB value a pixel of the sheet reads back as from an RGB565 image:
// a keyed image gives its key pixels, and whatever falls on the key, as
// 0x00F800F8.
uint32_t readBack(const rpack::PaletteColour& c, bool keyed) {
    uint32_t rgb = uint32_t(c.r & 0xF8) << 16 | uint32_t(c.g & 0xFC) << 8 | (c.b & 0xF8);
    if (keyed && (c.a < 8 || rgb == 0xF800F8)) return 0x00F800F8;
    return uint32_t(c.a) << 24 | rgb;
}

// The pixels of a Gob's image, row by row.
std::vector<uint32_t> imagePixels(const VMPtr<Gob>& g) {
    jint w = g->width, h = g->height;
    VMPtr<VMArray<jint>> px = VMArray<jint>::create(w * h);
    g->image->getRGB(px, 0, w, 0, 0, w, h);
    return std::vector<uint32_t>(reinterpret_cast<uint32_t*>(px->elements()),
                                 reinterpret_cast<uint32_t*>(px->elements()) + w * h);
}

// A set entry written byte by byte, as the format lays it out; n and m
// can be given wrong.
struct SetBytes {
    int sheetEntry = 0;
    int layout = 0x0007;
    int countWord = 0;
    Bytes data;
    std::optional<Bytes> hints;
    std::optional<int> n;
    std::optional<int> m;

    Bytes encode() const {
        Bytes out{uint8_t(sheetEntry >> 8), uint8_t(sheetEntry), 0x5A};
        int nn = n ? *n : int(data.size()) + 4;
        out.push_back(uint8_t(nn >> 8));
        out.push_back(uint8_t(nn));
        out.push_back(uint8_t(layout >> 8));
        out.push_back(uint8_t(layout));
        out.push_back(uint8_t(countWord >> 8));
        out.push_back(uint8_t(countWord));
        out.insert(out.end(), data.begin(), data.end());
        if (hints) {
            int mm = m ? *m : int(hints->size()) + 5;
            out.push_back(uint8_t(mm >> 8));
            out.push_back(uint8_t(mm));
            out.insert(out.end(), {0x11, 0x22, 0x33, 0x44, 0x55});
            out.insert(out.end(), hints->begin(), hints->end());
        }
        return out;
    }
};

// A 256 by 2 sheet of three opaque colours, wide enough for a 1-byte width
// of 248.
rpack::IndexedImage wideSheet() {
    rpack::IndexedImage img;
    img.width = 256;
    img.height = 2;
    img.palette = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}};
    for (int i = 0; i < 512; ++i) img.pixels.push_back(uint8_t(i % 3));
    return img;
}

constexpr jint kPack = 22;
constexpr jint kSetId = (kPack << 10) | 1;

class GobSets : public PackFixture {
protected:
    void SetUp() override {
        PackFixture::SetUp();
        Resources::closePack();
    }
    void TearDown() override {
        Resources::closePack();
        PackFixture::TearDown();
    }
    // Pack 22: entry 0 the wide sheet, entry 1 the set, entry 2 a text.
    void installSet(const Bytes& set) {
        Resources::closePack();
        installFile("RP22.rp", plainPack({{rpack::encodePng(wideSheet()), -3},
                                          {set, -1},
                                          {rpack::encodeTextTable({u"not a picture"}), -6}}));
    }
    VMPtr<VMArray<Gob*>> load(const Bytes& set) {
        installSet(set);
        return Resources::loadGobs(kSetId);
    }
    void installFixtures() { fs::copy(kGobPacks, rscDir(), fs::copy_options::recursive); }
};

// Every object of the fixture's sets equals its source: offset, size, box,
// round flag and hint, and its image holds the sheet's pixels of its
// rectangle. A 0 by 0 object has no image.
TEST_F(GobSets, EverySetReadsBackAgainstItsSource) {
    installFixtures();
    rpack::IndexedImage sheet = rpack::parseImageSource(readText(kGobSources / "src/sheet.img"));
    struct Case {
        const char* source;
        jint id;
    } cases[] = {{"src/sprites.gobs", 6 << 10},
                 {"src/none.gobs", (6 << 10) | 2},
                 {"src/zeros.gobs", (6 << 10) | 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        rpack::GobSet source = rpack::parseGobSource(readText(kGobSources / c.source));
        VMPtr<VMArray<Gob*>> gobs = Resources::loadGobs(c.id);
        ASSERT_TRUE(gobs != nullptr);
        ASSERT_EQ(gobs->length, jint(source.gobs.size()));
        for (jint i = 0; i < gobs->length; ++i) {
            SCOPED_TRACE("object " + std::to_string(i));
            const rpack::Gob& s = source.gobs[size_t(i)];
            VMPtr<Gob> g = gobs[i];
            EXPECT_EQ(g->offsetX, s.offsetX);
            EXPECT_EQ(g->offsetY, s.offsetY);
            EXPECT_EQ(g->width, s.width);
            EXPECT_EQ(g->height, s.height);
            EXPECT_EQ(g->boxX, s.boxX);
            EXPECT_EQ(g->boxY, s.boxY);
            EXPECT_EQ(g->boxWidth, s.boxWidth);
            EXPECT_EQ(g->boxHeight, s.boxHeight);
            EXPECT_EQ(g->roundBox, s.roundBox);
            EXPECT_EQ(g->alphaKind, s.hint);
            if (s.width == 0 || s.height == 0) {
                EXPECT_TRUE(g->image == nullptr);
                continue;
            }
            ASSERT_FALSE(g->image == nullptr);
            EXPECT_EQ(g->image->getWidth(), s.width);
            EXPECT_EQ(g->image->getHeight(), s.height);
            // Keyed when it has clear pixels and no partly clear ones.
            bool clear = false, partly = false;
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.width; ++x) {
                    uint8_t a =
                        sheet.palette[sheet.pixels[size_t((s.y + y) * sheet.width + s.x + x)]].a;
                    clear = clear || a < 8;
                    partly = partly || (a >= 8 && a < 248);
                }
            std::vector<uint32_t> want;
            for (int y = 0; y < s.height; ++y)
                for (int x = 0; x < s.width; ++x)
                    want.push_back(readBack(
                        sheet.palette[sheet.pixels[size_t((s.y + y) * sheet.width + s.x + x)]],
                        clear && !partly));
            EXPECT_EQ(imagePixels(g), want);
        }
        EXPECT_TRUE(Gob::S().rgbRows == nullptr);
    }
}

// The sheet decoded with another palette (red and blue exchanged); the pack
// keeps its own, so the next load has the stored colours again.
TEST_F(GobSets, AReplacementPaletteRecoloursTheSheetForOneLoad) {
    installFixtures();
    VMPtr<VMArray<jbyte>> palette = Resources::readPalette((6 << 10) | 4);
    ASSERT_TRUE(palette != nullptr);
    Bytes before = bytesOf(palette);
    VMPtr<VMArray<Gob*>> recoloured = Resources::loadGobs(6 << 10, palette);
    ASSERT_TRUE(recoloured != nullptr);
    EXPECT_EQ(imagePixels(recoloured[0]),
              (std::vector<uint32_t>{0xFF0000F8, 0xFF00FC00, 0xFFF80000, 0xFF000000, 0xFFF8FCF8,
                                     0xFF0000F8}));
    EXPECT_EQ(bytesOf(palette), before);
    VMPtr<VMArray<Gob*>> stored = Resources::loadGobs(6 << 10);
    EXPECT_EQ(imagePixels(stored[0]), (std::vector<uint32_t>{0xFFF80000, 0xFF00FC00, 0xFF0000F8,
                                                             0xFF000000, 0xFFF8FCF8, 0xFFF80000}));
}

// In pack 40 the sheet id (id & 0xFC00 | entry) is above 0x7FFF: read as a
// signed short it would name a negative pack.
TEST_F(GobSets, ASetInAPackAbove31FindsItsSheet) {
    installFixtures();
    VMPtr<VMArray<Gob*>> gobs = Resources::loadGobs((40 << 10) | 1);
    ASSERT_TRUE(gobs != nullptr);
    ASSERT_EQ(gobs->length, 1);
    EXPECT_EQ(Resources::S().gobSheetId, jshort(40 << 10));
    EXPECT_EQ(imagePixels(gobs[0]), (std::vector<uint32_t>{0xFFF80000, 0xFF0000F8}));
    EXPECT_EQ(gobs[0]->getOffsetX(0), -1);
}

// Groups 0 and 1 in 1-byte columns: 0xF8 is -8 as an offset and 248 as a
// width. The picture is cut from (1, 1) of the wide sheet, whose pixel i
// has colour i % 3.
TEST_F(GobSets, OneByteFieldsAreSignedOrUnsignedByField) {
    SetBytes s;
    s.layout = 0x0004 | (0x3F << 5);
    s.countWord = 1;
    s.data = bytesFrom({0xF8, 0x02, 0x01, 0x01, 0xF8, 0x01});
    VMPtr<VMArray<Gob*>> gobs = load(s.encode());
    ASSERT_TRUE(gobs != nullptr);
    VMPtr<Gob> g = gobs[0];
    EXPECT_EQ(g->offsetX, -8);
    EXPECT_EQ(g->offsetY, 2);
    EXPECT_EQ(g->width, 248);
    EXPECT_EQ(g->height, 1);
    EXPECT_EQ(g->getCollisionBoxCount(), 0);
    EXPECT_EQ(g->alphaKind, 0);  // no hint section
    const uint32_t colours[3] = {0xFFF80000, 0xFF00FC00, 0xFF0000F8};
    std::vector<uint32_t> px = imagePixels(g);
    for (jint x = 0; x < 248; ++x) ASSERT_EQ(px[size_t(x)], colours[(257 + x) % 3]) << x;
}

// Each stored field is a column of N values: with two objects, field 0's
// two bytes, then field 1's.
TEST_F(GobSets, FieldsAreStoredColumnByColumn) {
    SetBytes s;
    s.layout = 0x0006 | 0x0060;
    s.countWord = 2;
    s.data = bytesFrom({0xF8, 0x05, 0x01, 0xFF});
    VMPtr<VMArray<Gob*>> gobs = load(s.encode());
    ASSERT_TRUE(gobs != nullptr);
    ASSERT_EQ(gobs->length, 2);
    EXPECT_EQ(gobs[0]->offsetX, -8);
    EXPECT_EQ(gobs[0]->offsetY, 1);
    EXPECT_EQ(gobs[1]->offsetX, 5);
    EXPECT_EQ(gobs[1]->offsetY, -1);
    // Two objects of no size: no images, and no failure.
    EXPECT_TRUE(gobs[0]->image == nullptr);
    EXPECT_TRUE(gobs[1]->image == nullptr);
}

// The box group in 2-byte columns: 0x8005 is a round box 5 wide.
TEST_F(GobSets, TwoByteFieldsAreSignedAndCarryTheRoundFlag) {
    SetBytes s;
    s.layout = 0x0003;
    s.countWord = 1;
    s.data = bytesFrom({0xFF, 0xFE, 0x00, 0x02, 0x80, 0x05, 0x00, 0x03});
    VMPtr<VMArray<Gob*>> gobs = load(s.encode());
    ASSERT_TRUE(gobs != nullptr);
    VMPtr<Gob> g = gobs[0];
    EXPECT_EQ(g->boxX, -2);
    EXPECT_EQ(g->boxY, 2);
    EXPECT_EQ(g->boxWidth, 5);
    EXPECT_TRUE(g->roundBox);
    EXPECT_EQ(g->boxHeight, 3);
    EXPECT_EQ(g->getCollisionBoxCount(), 1);
}

// Count word 0x2005: five objects and a hint section, four hints a byte
// from the lowest bits; bits 12, 14 and 15 of the count word mean nothing.
// Layout 7 leaves every field out: all objects are 0 by 0.
TEST_F(GobSets, HintsCountWordsAndLeftOutGroups) {
    struct Case {
        const char* name;
        SetBytes set;
        std::vector<jint> hints;
    } cases[] = {
        {"a hint section",
         {0, 0x0007, 0x2005, {}, bytesFrom({0xE4, 0x03}), {}, {}},
         {0, 1, 2, 3, 3}},
        {"more hint bytes than needed",
         {0, 0x0007, 0x2001, {}, bytesFrom({0x02, 0x77, 0x77}), {}, {}},
         {2}},
        {"ignored count-word bits", {0, 0x001F, 0xD003, {}, {}, {}, {}}, {0, 0, 0}},
        {"no objects", {0, 0x0000, 0x0000, {}, {}, {}, {}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<VMArray<Gob*>> gobs = load(c.set.encode());
        ASSERT_TRUE(gobs != nullptr);
        ASSERT_EQ(gobs->length, jint(c.hints.size()));
        for (jint i = 0; i < gobs->length; ++i) {
            EXPECT_EQ(gobs[i]->alphaKind, c.hints[size_t(i)]) << i;
            EXPECT_EQ(gobs[i]->width, 0);
            EXPECT_EQ(gobs[i]->getCollisionBoxCount(), 0);
        }
    }
    // The sheet is loaded even for no objects: a missing one fails the set.
    SetBytes none;
    none.sheetEntry = 9;
    EXPECT_TRUE(load(none.encode()) == nullptr);
}

// Sets that do not hold what they say: each gives null, the row table is
// gone, and the reader goes on with the next load.
TEST_F(GobSets, MalformedSetsGiveNull) {
    // One object cut at (0, 0), 4 by 2 in 1-byte columns, with a box and a
    // hint: the base every case spoils.
    auto base = [] {
        SetBytes s;
        s.layout = 0x0001 | (0xFF << 5);
        s.countWord = 0x2001;
        s.data = bytesFrom({0, 0, 4, 2, 0, 0, 4, 2});
        s.hints = bytesFrom({0x01});
        return s;
    };
    auto wideBox = [](int width, int height) {
        SetBytes s;
        s.layout = 0x0005;  // group 1 only, in 2-byte columns
        s.countWord = 1;
        s.data = bytesFrom({0, 0, 0, 0, uint8_t(width >> 8), uint8_t(width), uint8_t(height >> 8),
                            uint8_t(height)});
        return s;
    };
    ASSERT_TRUE(load(base().encode()) != nullptr);
    struct Case {
        const char* name;
        Bytes set;
    };
    std::vector<Case> cases;
    {
        SetBytes s = base();
        s.n = 3;
        cases.push_back({"n below 4", s.encode()});
        s.n = -1;
        cases.push_back({"n negative", s.encode()});
        s.n = 8 + 4 + 1;
        cases.push_back({"n one past the columns", s.encode()});
    }
    {
        SetBytes s = base();
        s.m = 4;
        cases.push_back({"m below 5", s.encode()});
        s.hints = Bytes{};
        s.m.reset();
        cases.push_back({"no hint byte for the object", s.encode()});
    }
    {
        SetBytes s = base();
        s.data.pop_back();
        cases.push_back({"columns longer than the data", s.encode()});
        s = base();
        s.countWord = 0x2002;
        cases.push_back({"more objects than the columns hold", s.encode()});
    }
    {
        SetBytes s = base();
        s.sheetEntry = 1024;
        cases.push_back({"a sheet entry past 1023", s.encode()});
        s.sheetEntry = 7;
        cases.push_back({"a sheet entry the pack lacks", s.encode()});
        s.sheetEntry = 2;
        cases.push_back({"a sheet that is not a picture", s.encode()});
    }
    cases.push_back({"a picture past the sheet's right edge", wideBox(257, 1).encode()});
    cases.push_back({"a picture past the sheet's bottom", wideBox(1, 3).encode()});
    cases.push_back({"a negative width", wideBox(-16, 2).encode()});
    // Asks for 32767 * 32767 ints: refused before any is allocated.
    cases.push_back({"a picture far larger than the sheet", wideBox(32767, 32767).encode()});
    {
        Bytes whole = base().encode();
        for (size_t n = 0; n < whole.size(); ++n)
            cases.push_back({"cut short", Bytes(whole.begin(), whole.begin() + long(n))});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name << " (" << c.set.size() << " bytes)");
        EXPECT_TRUE(load(c.set) == nullptr);
        EXPECT_TRUE(Gob::S().rgbRows == nullptr);
    }
    // The loader is not left in a bad state.
    ASSERT_TRUE(load(base().encode()) != nullptr);
}

// Descriptor data longer than its columns is read: the bytes after the
// columns are not looked at, and the hint section after them still counts.
TEST_F(GobSets, DataLongerThanItsColumnsIsRead) {
    // Two objects, groups 1 and 2 in 1-byte columns: (0, 0) 4 by 2 with a
    // box of the same, and (4, 0) 2 by 1 with a box at (1, 0) 2 by 1.
    SetBytes s;
    s.layout = 0x0001 | (0xFF << 5);
    s.countWord = 0x2002;
    s.data = bytesFrom({0, 4, 0, 0, 4, 2, 2, 1, 0, 1, 0, 0, 4, 2, 2, 1});
    s.hints = bytesFrom({0x0E});
    const jint expected[2][6] = {{4, 2, 0, 4, 2, 2}, {2, 1, 1, 2, 1, 3}};
    std::vector<uint32_t> pixels[2];
    for (const Bytes& extra : {Bytes(), bytesFrom({0x7F}), Bytes(100, 0xFF)}) {
        SCOPED_TRACE(extra.size());
        SetBytes longer = s;
        longer.data.insert(longer.data.end(), extra.begin(), extra.end());
        VMPtr<VMArray<Gob*>> gobs = load(longer.encode());
        ASSERT_TRUE(gobs != nullptr);
        ASSERT_EQ(gobs->length, 2);
        for (jint i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            VMPtr<Gob> g = gobs[i];
            EXPECT_EQ(g->width, expected[i][0]);
            EXPECT_EQ(g->height, expected[i][1]);
            EXPECT_EQ(g->boxX, expected[i][2]);
            EXPECT_EQ(g->boxWidth, expected[i][3]);
            EXPECT_EQ(g->boxHeight, expected[i][4]);
            EXPECT_EQ(g->alphaKind, expected[i][5]);
            if (extra.empty())
                pixels[i] = imagePixels(g);
            else
                EXPECT_EQ(imagePixels(g), pixels[i]);
        }
    }
}

// A set entry that can't be opened is the reader's exception, not null.
TEST_F(GobSets, ASetEntryTheReaderCannotOpenThrows) {
    installSet(SetBytes{}.encode());
    EXPECT_EQ(thrownName([] { Resources::loadGobs((kPack << 10) | 9); }),
              "wren.io.resource.MissingEntryException");
    // Packs that don't exist, plain and chunked.
    for (jint pack : {30, 9}) {
        Resources::closePack();
        EXPECT_EQ(thrownName([&] { Resources::loadGobs(pack << 10); }),
                  "wren.io.resource.MissingEntryException");
    }
}

}  // namespace
