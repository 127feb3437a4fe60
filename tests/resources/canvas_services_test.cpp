// What the resources, drawables and sound manager use of the canvas: the
// settings hook, saved data by id read back from record stores, and the
// pixel helpers (alpha tests, indexed pixels with the key at index 0).
#include "resources_test_support.h"

#include "javax_microedition_rms_RecordStore.h"
#include "test_canvas.h"

using namespace restest;
using javax::microedition::lcdui::Image;
using javax::microedition::rms::RecordStore;
using wren::WrenCanvas;

namespace {

VMPtr<VMArray<jint>> argb(std::initializer_list<uint32_t> values) {
    VMPtr<VMArray<jint>> a = VMArray<jint>::create(jint(values.size()));
    jint i = 0;
    for (uint32_t v : values) a[i++] = jint(v);
    return a;
}

TEST(CanvasPixels, AlphaTests) {
    struct Case {
        const char* name;
        std::vector<uint32_t> pixels;
        bool hasAlpha;
        jint kind;
    } cases[] = {
        {"opaque", {0xFF000000, 0xF0FFFFFF}, false, 1},
        {"fully clear among opaque", {0xFF000000, 0x00FFFFFF}, true, 2},
        {"nearly clear counts as clear", {0x0FFFFFFF, 0xFF000000}, true, 2},
        {"partly clear", {0xFF000000, 0x80FFFFFF, 0x00000000}, true, 3},
        {"just below opaque", {0xEFFFFFFF}, true, 3},
        {"nothing", {}, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<VMArray<jint>> a = VMArray<jint>::create(jint(c.pixels.size()));
        for (size_t i = 0; i < c.pixels.size(); ++i) a[jint(i)] = jint(c.pixels[i]);
        EXPECT_EQ(WrenCanvas::hasAlpha(a), c.hasAlpha);
        EXPECT_EQ(WrenCanvas::getAlphaKind(a, 0, 0, 0, 0, a->length, 1), c.kind);
    }
    // A rectangle of a larger array: pixel (i, j) at offset + (y + j) *
    // scanlength + x + i. Outside it a partly clear pixel is not seen.
    VMPtr<VMArray<jint>> grid = argb({0x80000000, 0x80000000, 0x80000000, 0x80000000,  //
                                      0x80000000, 0xFF000000, 0x00000000, 0x80000000,  //
                                      0x80000000, 0xFF000000, 0xFF000000, 0x80000000});
    EXPECT_EQ(WrenCanvas::getAlphaKind(grid, 1, 4, 0, 1, 2, 2), 2);
    EXPECT_EQ(WrenCanvas::getAlphaKind(grid, 0, 4, 1, 2, 2, 1), 1);
    EXPECT_EQ(WrenCanvas::getAlphaKind(grid, 0, 4, 1, 1, 3, 1), 3);
}

// Colours in order of first appearance; the last key-like colour to appear
// ((c & 0xF0F0F0) == 0xF000F0) goes to index 0. Colours are read back from
// RGB565 images.
TEST(CanvasPixels, IndexedPixelsPutTheKeyFirst) {
    struct Case {
        const char* name;
        std::vector<uint32_t> pixels;
        std::vector<uint32_t> palette;
        std::vector<int> indices;
    } cases[] = {
        {"black then magenta", {0xFF000000, 0xFFFF00FF}, {0xFFF800F8, 0xFF000000}, {1, 0}},
        {"no key", {0xFF0000FF, 0xFF0000FF, 0xFFFFFFFF}, {0xFF0000F8, 0xFFF8FCF8}, {0, 0, 1}},
        {"a near key counts", {0xFFFFFFFF, 0xFFF808F8}, {0xFFF808F8, 0xFFF8FCF8}, {1, 0}},
        {"0xE000F0 does not", {0xFFFFFFFF, 0xFFE000F0}, {0xFFF8FCF8, 0xFFE000F0}, {0, 1}},
        {"the last key-like colour wins",
         {0xFF000000, 0xFFF800F8, 0xFFF808F8, 0xFFF800F8},
         {0xFFF808F8, 0xFFF800F8, 0xFF000000},
         {2, 1, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<VMArray<jint>> px = VMArray<jint>::create(jint(c.pixels.size()));
        for (size_t i = 0; i < c.pixels.size(); ++i) px[jint(i)] = jint(c.pixels[i]);
        VMPtr<Image> img = WrenCanvas::createRGBImage(px, jint(c.pixels.size()), 1, false);
        VMPtr<VMArray<jint>> palette = VMArray<jint>::create(8);
        palette[7] = 77;
        VMPtr<VMArray<jbyte>> out = WrenCanvas::toIndexedPixels(img, palette);
        std::vector<uint32_t> got;
        for (size_t i = 0; i < c.palette.size(); ++i) got.push_back(uint32_t(palette[jint(i)]));
        EXPECT_EQ(got, c.palette);
        EXPECT_EQ(palette[7], 77);  // entries past the colours are untouched
        ASSERT_EQ(out->length, jint(c.indices.size()));
        for (jint i = 0; i < out->length; ++i) EXPECT_EQ(out[i], c.indices[size_t(i)]) << i;
    }
}

TEST(CanvasPixels, ImagesAndTheirPixels) {
    VMPtr<VMArray<jint>> px = argb({0xFF102030, 0x00000000, 0x80FFFFFF, 0xFFFFFFFF});
    VMPtr<Image> img = WrenCanvas::createRGBImage(px, 2, 2, true);
    VMPtr<VMArray<jint>> back = VMArray<jint>::create(6);
    WrenCanvas::getRGB(img, back, 1, 3, 0, 0, 2, 2);
    EXPECT_EQ(uint32_t(back[1]), 0xFF102030u);
    EXPECT_EQ(uint32_t(back[4]) >> 24, 0x80u);
    EXPECT_EQ(back[3], 0);
    VMPtr<Image> opaque = WrenCanvas::createRGBImage(px, 2, 2, false);
    WrenCanvas::getRGB(opaque, back, 0, 2, 0, 0, 2, 1);
    EXPECT_EQ(uint32_t(back[1]) >> 24, 0xFFu);
}

class CanvasServices : public PackFixture {
protected:
    // The item's bytes as records of `sizes` bytes each, the first byte of
    // the item 0 and each next one more.
    void store(jint id, std::vector<jint> sizes) {
        VMPtr<RecordStore> rs = RecordStore::openRecordStore(java::lang::String::valueOf(id), true);
        jint next = 0;
        for (jint n : sizes) {
            VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(n);
            for (jint i = 0; i < n; ++i) b[i] = jbyte(next++);
            rs->addRecord(b, 0, n);
        }
        rs->closeRecordStore();
    }
};

// Saved items are the store's records back to back, cut as saves cut them
// (4096-byte records, the last 1 to 4096); an empty store is an empty item, a
// missing one null.
TEST_F(CanvasServices, SavedDataIsTheRecordsConcatenated) {
    VMPtr<TestCanvas> canvas = TestCanvas::make();
    struct Case {
        jint id;
        std::vector<jint> records;
    } cases[] = {{5, {}}, {6, {4096}}, {7, {4096, 1}}, {-3, {4096, 4096, 10}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        store(c.id, c.records);
        VMPtr<VMArray<jbyte>> data = canvas->loadData(c.id);
        ASSERT_TRUE(data != nullptr);
        jint total = 0;
        for (jint n : c.records) total += n;
        ASSERT_EQ(data->length, total);
        for (jint i = 0; i < total; ++i) ASSERT_EQ(data[i], jbyte(i)) << i;
    }
    EXPECT_TRUE(canvas->loadData(8) == nullptr);
    // Loading closes the store it opened: it can be deleted right after.
    RecordStore::deleteRecordStore(java::lang::String::valueOf(6));
    EXPECT_TRUE(canvas->loadData(6) == nullptr);
}

// The first call of the hook turns every setting on; later calls change
// nothing.
TEST_F(CanvasServices, TheSettingsHookLoadsOnce) {
    VMPtr<TestCanvas> canvas = TestCanvas::make();
    EXPECT_FALSE(canvas->soundEnabled);
    EXPECT_FALSE(canvas->settingsLoaded);
    canvas->syncSettings(0);
    EXPECT_TRUE(canvas->settingsLoaded);
    EXPECT_TRUE(canvas->soundEnabled);
    EXPECT_TRUE(canvas->vibrationEnabled);
    EXPECT_TRUE(canvas->backlightEnabled);
    canvas->soundEnabled = false;
    canvas->syncSettings(1);
    EXPECT_FALSE(canvas->soundEnabled);
}

}  // namespace
