// The resource front end by id: an entry's bytes, stream (marked at its
// start), size, type and place in memory; images with and without a
// replacement palette; packs from streams, from the pack writer and from
// record stores through the canvas; and export of an image as an 8-bit BMP.
#include "resources_test_support.h"

#include "javax_microedition_rms_RecordStore.h"
#include "test_canvas.h"

using namespace restest;
using javax::microedition::lcdui::Image;
using wren::Resources;

namespace {

const fs::path kGobPacks = WREN_GOB_PACKS;
const fs::path kGobSources = WREN_GOB_SOURCES;

uint32_t le32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint32_t le16(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}

std::vector<uint32_t> imagePixels(const VMPtr<Image>& img) {
    jint w = img->getWidth(), h = img->getHeight();
    VMPtr<VMArray<jint>> px = VMArray<jint>::create(w * h);
    img->getRGB(px, 0, w, 0, 0, w, h);
    return std::vector<uint32_t>(reinterpret_cast<uint32_t*>(px->elements()),
                                 reinterpret_cast<uint32_t*>(px->elements()) + w * h);
}

class FrontEnd : public PackFixture {
protected:
    void SetUp() override {
        PackFixture::SetUp();
        Resources::closePack();
    }
    void TearDown() override {
        Resources::closePack();
        wren::WrenCanvas::S().instance = nullptr;
        PackFixture::TearDown();
    }
};

// Pack 5 split over two part files: every entry by id, in all its forms.
TEST_F(FrontEnd, EveryEntryByIdInEveryForm) {
    std::vector<rpack::PackEntry> entries = sampleEntries();
    rpack::PackContent content;
    content.number = 5;
    content.entries = entries;
    content.splitParts = 2;
    install(rpack::buildPack(content));
    for (size_t e = 0; e < entries.size(); ++e) {
        SCOPED_TRACE("entry " + std::to_string(e));
        jint id = (5 << 10) | jint(e);
        EXPECT_EQ(bytesOf(Resources::getData(id)), entries[e].data);
        EXPECT_EQ(Resources::getSize(id), jint(entries[e].data.size()));
        EXPECT_EQ(Resources::getType(id), entries[e].type);
        VMPtr<VMArray<jbyte>> block = Resources::getPackData(id);
        jint offset = Resources::getOffset(id);
        Bytes inPlace;
        for (size_t i = 0; i < entries[e].data.size(); ++i)
            inPlace.push_back(uint8_t(block[offset + jint(i)]));
        EXPECT_EQ(inPlace, entries[e].data);
        // A stream marked at the entry's start.
        VMPtr<DataInputStream> in = Resources::openStream(id);
        EXPECT_EQ(drain(in), entries[e].data);
        ASSERT_TRUE(in->markSupported());
        in->reset();
        EXPECT_EQ(drain(in), entries[e].data);
    }
    // The pack in memory is the one array every entry lies in.
    EXPECT_TRUE(Resources::getPackData(5 << 10) == Resources::getPackData((5 << 10) | 5));
}

// The sheet of the fixtures with the palette of its recoloured twin, then
// as stored: the pack's bytes and the caller's palette are both restored.
TEST_F(FrontEnd, ImagesWithAReplacementPaletteAndWithout) {
    fs::copy(kGobPacks, rscDir(), fs::copy_options::recursive);
    const jint sheet = (6 << 10) | 1, twin = (6 << 10) | 4;
    std::vector<uint32_t> stored = imagePixels(Resources::getImage(sheet));
    EXPECT_EQ(imagePixels(Resources::getImage(sheet, nullptr)), stored);
    EXPECT_EQ(stored[0], 0xFFF80000u);
    VMPtr<VMArray<jbyte>> palette = Resources::readPalette(twin);
    ASSERT_TRUE(palette != nullptr);
    Bytes before = bytesOf(palette);
    Bytes packBefore = bytesOf(Resources::getData(sheet));
    std::vector<uint32_t> swapped = imagePixels(Resources::getImage(sheet, palette));
    EXPECT_EQ(swapped[0], 0xFF0000F8u);
    EXPECT_EQ(swapped, imagePixels(Resources::getImage(twin)));
    EXPECT_EQ(bytesOf(palette), before);
    EXPECT_EQ(bytesOf(Resources::getData(sheet)), packBefore);
    EXPECT_EQ(imagePixels(Resources::getImage(sheet)), stored);
    EXPECT_EQ(Resources::getTransparentIndex(sheet), 0);
    // Not a PNG: no palette, no transparent index.
    EXPECT_TRUE(Resources::readPalette(6 << 10) == nullptr);
    EXPECT_EQ(Resources::getTransparentIndex(6 << 10), -1);
}

// Packs from streams: the writer's bytes load back as pack 0; null closes.
TEST_F(FrontEnd, PacksFromStreamsAndTheWriter) {
    VMPtr<VMArray<jbyte, 2>> entries = VMArray<jbyte, 2>::create(3);
    entries[0] = jbytes(bytesFrom({1, 2, 3}));
    entries[1] = jbytes({});
    entries[2] = jbytes(bytesFrom({9}));
    VMPtr<VMArray<jbyte>> types = jbytes(bytesFrom({4, 0xFB, 1}));
    VMPtr<VMArray<jbyte>> bytes = Resources::savePack(entries, types);
    EXPECT_EQ(bytesOf(bytes),
              plainPack({{bytesFrom({1, 2, 3}), 4}, {{}, -5}, {bytesFrom({9}), 1}}));
    EXPECT_TRUE(
        Resources::loadPack(DataInputStream::make(java::io::ByteArrayInputStream::make(bytes))));
    EXPECT_EQ(bytesOf(Resources::getData(0)), bytesFrom({1, 2, 3}));
    EXPECT_EQ(Resources::getType(1), -5);
    EXPECT_EQ(Resources::getSize(2), 1);
    EXPECT_FALSE(Resources::loadPack(nullptr));
    EXPECT_EQ(thrownName([] { Resources::getSize(0); }), "wren.io.resource.MissingEntryException");
}

// A pack kept in a record store comes through the canvas's loadData; -1
// and an id with nothing saved close the pack.
TEST_F(FrontEnd, PacksFromRecordStores) {
    VMPtr<TestCanvas> canvas = TestCanvas::make();
    wren::WrenCanvas::S().instance = canvas;
    std::vector<rpack::PackEntry> entries = sampleEntries();  // over two 4096-byte records
    installStore(rpack::encodeRecordStore(31, plainPack(entries)));
    EXPECT_TRUE(Resources::loadStoredPack(31));
    expectEntries(VMPtr<wren::io::resource::ResourcePack>(Resources::S().pack), 0, entries);
    EXPECT_FALSE(Resources::loadStoredPack(-1));
    EXPECT_EQ(thrownName([] { Resources::getSize(0); }), "wren.io.resource.MissingEntryException");
    EXPECT_TRUE(Resources::loadStoredPack(31));
    EXPECT_FALSE(Resources::loadStoredPack(32));
    EXPECT_EQ(thrownName([] { Resources::getSize(0); }), "wren.io.resource.MissingEntryException");
}

// An image as an 8-bit BMP: headers, a 256-entry palette with the key at
// index 0, rows bottom-up padded to four bytes. The canvas's writer is as
// it was afterwards.
TEST_F(FrontEnd, ImagesExportAsEightBitBitmaps) {
    struct Case {
        int width;
        uint32_t stride;
    } cases[] = {{5, 8}, {8, 8}, {1, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE("width " + std::to_string(c.width));
        // Black, white and the key, with the key appearing second.
        rpack::IndexedImage img;
        img.width = c.width;
        img.height = 2;
        img.palette = {{0, 0, 0, 255}, {255, 0, 255, 0}, {255, 255, 255, 255}};
        for (int i = 0; i < c.width * 2; ++i) img.pixels.push_back(uint8_t(i % 3));
        installFile("RP30.rp", plainPack({{rpack::encodePng(img), -3}}));
        Resources::closePack();
        VMPtr<VMArray<jbyte>> saved = VMArray<jbyte>::create(3);
        wren::WrenCanvas::S().outBuffer = saved;
        wren::WrenCanvas::S().outPosition = 2;
        Bytes bmp = bytesOf(Resources::getImageAsBMP(30 << 10));
        EXPECT_TRUE(wren::WrenCanvas::S().outBuffer == saved);
        EXPECT_EQ(wren::WrenCanvas::S().outPosition, 2);

        uint32_t size = 1078 + c.stride * 2;
        ASSERT_EQ(bmp.size(), size);
        EXPECT_EQ(le16(bmp, 0), 0x4D42u);
        EXPECT_EQ(le32(bmp, 2), size);
        EXPECT_EQ(le32(bmp, 6), 0u);
        EXPECT_EQ(le32(bmp, 10), 1078u);
        EXPECT_EQ(le32(bmp, 14), 40u);
        EXPECT_EQ(le32(bmp, 18), uint32_t(c.width));
        EXPECT_EQ(le32(bmp, 22), 2u);
        EXPECT_EQ(le16(bmp, 26), 1u);
        EXPECT_EQ(le16(bmp, 28), 8u);
        EXPECT_EQ(le32(bmp, 30), 0u);
        EXPECT_EQ(le32(bmp, 34), c.stride * 2);
        EXPECT_EQ(le32(bmp, 46), 256u);
        EXPECT_EQ(le32(bmp, 50), 256u);
        // Read back from RGB565: the key is 0xF800F8, white 0xF8FCF8. In
        // order of appearance black, key, white; the key goes to 0.
        uint32_t key = 0xFFF800F8, black = 0xFF000000, white = 0xFFF8FCF8;
        bool threeColours = c.width > 1;
        EXPECT_EQ(le32(bmp, 54), key);
        EXPECT_EQ(le32(bmp, 58), black);
        EXPECT_EQ(le32(bmp, 62), threeColours ? white : 0xFF000000u);
        for (size_t i = 3; i < 256; ++i) ASSERT_EQ(le32(bmp, 54 + 4 * i), 0xFF000000u) << i;
        // Source index -> BMP index: black 1, key 0, white 2.
        const uint8_t bmpIndex[3] = {1, 0, 2};
        for (int row = 0; row < 2; ++row) {
            size_t at = 1078 + size_t(1 - row) * c.stride;  // bottom row first
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(bmp[at + size_t(x)], bmpIndex[img.pixels[size_t(row * c.width + x)]])
                    << row << "," << x;
            for (uint32_t x = uint32_t(c.width); x < c.stride; ++x) EXPECT_EQ(bmp[at + x], 0);
        }
    }
}

// A failed export (no such image) leaves the writer as it was too.
TEST_F(FrontEnd, AFailedExportLeavesTheWriterAlone) {
    VMPtr<VMArray<jbyte>> saved = VMArray<jbyte>::create(1);
    wren::WrenCanvas::S().outBuffer = saved;
    wren::WrenCanvas::S().outPosition = 1;
    installFile("RP30.rp", plainPack({{bytesFrom({1, 2, 3}), -3}}));
    EXPECT_EQ(thrownName([] { Resources::getImageAsBMP(30 << 10); }),
              "java.lang.IllegalArgumentException");
    EXPECT_TRUE(wren::WrenCanvas::S().outBuffer == saved);
    EXPECT_EQ(wren::WrenCanvas::S().outPosition, 1);
}

}  // namespace
