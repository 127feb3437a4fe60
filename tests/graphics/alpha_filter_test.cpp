// Alpha images and colour filters: the global opacity set for one draw and
// put back, the renderer's blend at alpha 128, and filters that leave the
// colour key keyed (the key reads back from RGB565 as 0x00F800F8).
#include "graphics_support.h"

#include "wren_graphics_RGBFilter.h"

using namespace gfxfw;
using wren::Gob;
using wren::GobAlphaImage;
using wren::graphics::RGBFilter;
using Rows = std::vector<std::string>;

namespace wrentest_filters {

// Every pixel's colour inverted and made opaque: a filter that would turn
// a key pixel it was handed into a visible green.
class InvertFilter : public RGBFilter {
    WREN_CLASS(InvertFilter, RGBFilter)
public:
    jint seen = 0;
    void ctor() { RGBFilter::ctor(); }
    jint filterRGB(jint argb) override {
        ++seen;
        return jint(0xFF000000) | (~argb & 0xFFFFFF);
    }
};

// Hands every pixel back as it came.
class SameFilter : public RGBFilter {
    WREN_CLASS(SameFilter, RGBFilter)
public:
    std::vector<uint32_t> seen;
    void ctor() { RGBFilter::ctor(); }
    jint filterRGB(jint argb) override {
        seen.push_back(uint32_t(argb));
        return argb;
    }
};

}  // namespace wrentest_filters

WREN_DEFINE_CLASS(wrentest_filters::InvertFilter, "wrentest.InvertFilter")
WREN_DEFINE_CLASS(wrentest_filters::SameFilter, "wrentest.SameFilter")

namespace {

using wrentest_filters::InvertFilter;
using wrentest_filters::SameFilter;

constexpr uint32_t kHalfWhiteOverBlack = 0xFF787C78;

VMPtr<Gob> opaqueWhite(jint w, jint h) {
    VMPtr<VMArray<jint>> px = VMArray<jint>::create(w * h);
    for (jint i = 0; i < w * h; ++i) px[i] = jint(0xFFFFFFFF);
    return Gob::createFromRGB(px, w, h, true);
}

class AlphaImage : public ::testing::Test {
protected:
    void TearDown() override { gobs = nullptr; }
    VMPtr<Gob> sprite(jint i) {
        if (gobs == nullptr) gobs = sprites();
        return VMPtr<Gob>(gobs[i]);
    }
    static VMStaticPtr<VMArray<Gob*>> gobs;
};
VMStaticPtr<VMArray<Gob*>> AlphaImage::gobs;

// Opaque white at alpha 128 over black: the blit's own blend. Alpha 0 draws
// nothing. The Graphics' alpha is put back either way.
TEST_F(AlphaImage, TheOpacityIsTheGraphicsAlphaForOneDraw) {
    struct Case {
        jint alpha, graphicsAlpha;
        uint32_t pixel;
    } cases[] = {
        {128, 255, kHalfWhiteOverBlack},
        {128, 128, kHalfWhiteOverBlack},
        {255, 60, kWhite},
        {0, 255, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "alpha " << c.alpha << " over a Graphics at " << c.graphicsAlpha);
        Target target(2, 2, kBlack);
        target.g->setAlpha(c.graphicsAlpha);
        VMPtr<GobAlphaImage> a = opaqueWhite(2, 2)->withAlpha(c.alpha);
        a->paint(target.g, 0, 0, 0);
        EXPECT_EQ(target.pixels(), std::vector<uint32_t>(4, c.pixel));
        EXPECT_EQ(target.g->getAlpha(), c.graphicsAlpha);
    }
}

TEST_F(AlphaImage, MadeFromAGraphicObjectItKeepsItsShapeAndShares) {
    VMPtr<Gob> shape = sprite(kShape);
    VMPtr<GobAlphaImage> a = shape->toAlphaImage();
    EXPECT_TRUE(a->isAlphaImage());
    EXPECT_FALSE(shape->isAlphaImage());
    EXPECT_EQ(a->getAlpha(), 255);
    EXPECT_EQ(shape->getAlpha(), 255);
    EXPECT_TRUE(a->image == shape->image);
    EXPECT_EQ(a->offsetY, 3);
    EXPECT_EQ(a->boxWidth, 3);
    EXPECT_EQ(a->alphaKind, 1);
    // An alpha image is its own alpha image; withAlpha changes it in place.
    EXPECT_TRUE(a->toAlphaImage() == a);
    EXPECT_TRUE(a->withAlpha(64) == a);
    EXPECT_EQ(a->getAlpha(), 64);
    // A plain object's withAlpha leaves the object itself alone.
    shape->setAlpha(10);
    EXPECT_EQ(shape->getAlpha(), 255);
    VMPtr<GobAlphaImage> b = shape->withAlpha(128);
    EXPECT_FALSE(b == a);
    EXPECT_EQ(b->getAlpha(), 128);
    // Stored as a short, unchecked.
    b->setAlpha(70000);
    EXPECT_EQ(b->getAlpha(), 4464);
    // Drawn under a transform, with the offset turned as the object's.
    Target target(12, 12);
    a->setAlpha(255);
    a->paint(target.g, 6, 6, 5);
    EXPECT_EQ(picture(target), expected(12, 12, 1, 6, {"#r", ".g", "rb"}));
}

TEST_F(AlphaImage, TurningAnArrayLooksAtItsFirstElementOnly) {
    VMPtr<VMArray<Gob*>> gobs = VMArray<Gob*>::create(2);
    gobs[0] = opaqueWhite(1, 1);
    gobs[1] = opaqueWhite(1, 1);
    Gob::toAlphaImages(gobs);
    EXPECT_TRUE(gobs[0]->isAlphaImage());
    EXPECT_TRUE(gobs[1]->isAlphaImage());
    VMPtr<Gob> plain = opaqueWhite(1, 1);
    gobs[1] = plain;
    Gob::toAlphaImages(gobs);
    EXPECT_TRUE(gobs[1] == plain);
    // An empty array has no first element to look at: nothing is read.
    EXPECT_EQ(wrentest::thrownName([] { Gob::toAlphaImages(VMArray<Gob*>::create(0)); }), "nothing");
}

// The filter walks from the last pixel to the first, and skips the key in
// both its spellings; opaque magenta is a colour like any other.
TEST(ColourFilter, TheKeyIsSkippedAsTheScreenStoresIt) {
    VMPtr<SameFilter> f = SameFilter::make();
    VMPtr<VMArray<jint>> px = VMArray<jint>::of(
        {jint(0x00FF00FF), jint(0xFF000000), jint(0x00F800F8), jint(0xFFFF00FF), jint(0x80FF00FF)});
    f->filter(px);
    EXPECT_EQ(f->seen, (std::vector<uint32_t>{0x80FF00FF, 0xFFFF00FF, 0xFF000000}));
    f->filter(VMArray<jint>::create(0));
    EXPECT_EQ(f->seen.size(), 3u);
}

// Sprite 5 is opaque magenta, the key and white. In a colour-keyed image
// opaque magenta is the key itself (RGB565 0xF81F), so both read back as
// the key and stay clear through an inverting filter; only the white turns
// black. In an opaque image magenta is a colour, and is filtered.
TEST_F(AlphaImage, AFilteredObjectKeepsItsKeyedPixelsClear) {
    VMPtr<GobAlphaImage> keyed = sprite(kMagentaKey)->toAlphaImage();
    VMPtr<javax::microedition::lcdui::Image> before = keyed->image;
    VMPtr<InvertFilter> invert = InvertFilter::make();
    keyed->applyFilter(invert);
    EXPECT_EQ(invert->seen, 1);
    EXPECT_FALSE(keyed->image == before);
    EXPECT_EQ(keyed->alphaKind, 2);  // clear pixels are left: the hint stays
    Target target(3, 1);
    keyed->paint(target.g, 0, 0, 0);
    EXPECT_EQ(picture(target), (Rows{"__#"}));
    // The source object is untouched.
    Target source(3, 1);
    sprite(kMagentaKey)->paint(source.g, 0, 0, 0);
    EXPECT_EQ(picture(source), (Rows{"__."}));

    VMPtr<VMArray<jint>> px = VMArray<jint>::of({jint(0xFFFF00FF), jint(0xFFFFFFFF)});
    VMPtr<GobAlphaImage> opaque = Gob::createFromRGB(px, 2, 1, true)->toAlphaImage();
    Target plain(2, 1);
    opaque->paint(plain.g, 0, 0, 0);
    EXPECT_EQ(picture(plain), (Rows{"m."}));
    opaque->applyFilter(InvertFilter::make());
    opaque->paint(plain.g, 0, 0, 0);
    EXPECT_EQ(picture(plain), (Rows{"g#"}));
}

// A filter that changes nothing still gives the object an image of its
// own; with no clear pixel left the hint becomes 1.
TEST_F(AlphaImage, AFilterGivesANewImageAndAnOpaqueHint) {
    VMPtr<GobAlphaImage> a = sprite(kShape)->toAlphaImage();
    a->alphaKind = 3;
    VMPtr<javax::microedition::lcdui::Image> before = a->image;
    a->applyFilter(SameFilter::make());
    EXPECT_FALSE(a->image == before);
    EXPECT_EQ(a->alphaKind, 1);
    EXPECT_EQ(a->offsetY, 3);
    EXPECT_EQ(a->getAlpha(), 255);
    Target target(3, 2);
    a->paint(target.g, 0, -3, 0);
    EXPECT_EQ(picture(target), (Rows{"rgb", "#.r"}));
    // A plain object ignores filters; one of no size has no pixels to filter.
    VMPtr<InvertFilter> invert = InvertFilter::make();
    sprite(kShape)->applyFilter(invert);
    sprite(kSpare)->toAlphaImage()->applyFilter(invert);
    EXPECT_EQ(invert->seen, 0);
}

// Half-transparent pixels keep their alpha through a filter.
TEST_F(AlphaImage, PartlyClearPixelsKeepTheirAlphaThroughAFilter) {
    VMPtr<GobAlphaImage> a = sprite(kHalf)->toAlphaImage();
    a->applyFilter(SameFilter::make());
    EXPECT_EQ(a->alphaKind, 3);
    Target target(2, 1, kBlack);
    a->paint(target.g, 0, 0, 0);
    EXPECT_EQ(target.pixels(), (std::vector<uint32_t>{kHalfWhiteOverBlack, kWhite}));
}

}  // namespace
