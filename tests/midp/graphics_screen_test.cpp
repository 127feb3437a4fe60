// A Graphics on a game canvas's screen buffer: made at the buffer's size,
// reset for each later getGraphics, drawn into the frame and from it, and
// harmless once the buffer is gone.
#include <gtest/gtest.h>

#include "HAL_graphics.h"
#include "HAL_status.h"
#include "HAL_surface.h"
#include "HAL_window.h"
#include "graphics_test_support.h"
#include "java_lang_Runtime.h"

using namespace gfxtest;
using wrentest::thrownName;

namespace {

using Rows = std::vector<std::string>;

// A canvas of a fixed size with its screen buffer.
class ScreenGraphics : public ::testing::Test {
protected:
    void SetUp() override {
        canvas.width = 6;
        canvas.height = 4;
        ASSERT_EQ(HAL_createScreenBuffer(&canvas, &buffer), HAL_OK);
    }
    void TearDown() override {
        if (buffer) HAL_deleteScreenBuffer(buffer);
    }
    // The frame as the screen would show it.
    Rows frame() const {
        Rows rows;
        const Surface* s = buffer->surface;
        for (jint y = 0; y < s->height(); ++y) {
            std::string row;
            for (jint x = 0; x < s->width(); ++x)
                row += glyph(0xFF000000u | rgb565ToRgb(*s->pixelAt(x, y)));
            rows.push_back(row);
        }
        return rows;
    }

    NativeDisplayable canvas{1};
    ScreenBuffer* buffer = nullptr;
};

TEST_F(ScreenGraphics, DrawsIntoTheFrameAtItsSize) {
    VMPtr<Graphics> g = Graphics::createForScreenBuffer(buffer);
    EXPECT_EQ(g->getClipWidth(), 6);
    EXPECT_EQ(g->getClipHeight(), 4);
    g->setColor(0xFFFFFF);
    g->fillRect(0, 0, 6, 4);
    g->setColor(0xFF0000);
    g->translate(1, 1);
    g->fillRect(0, 0, 2, 2);
    EXPECT_EQ(frame(), (Rows{"......", ".rr...", ".rr...", "......"}));
    // No image behind it: no copyArea, no SRC blending.
    EXPECT_EQ(thrownName([&] { g->copyArea(0, 0, 1, 1, 2, 2, 0); }),
              "java.lang.IllegalStateException");
    EXPECT_EQ(thrownName([&] { g->setBlendingMode(1); }), "java.lang.IllegalArgumentException");
}

TEST_F(ScreenGraphics, ALaterGetGraphicsStartsAfresh) {
    VMPtr<Graphics> g = Graphics::createForScreenBuffer(buffer);
    g->setColor(0xFFFFFF);
    g->fillRect(0, 0, 6, 4);
    g->translate(2, 1);
    g->setClip(0, 0, 1, 1);
    g->setAlphaColor(int32_t(0x800000FF));
    g->setStrokeStyle(Graphics::DOTTED);
    g->setFont(Font::getFont(Font::FACE_MONOSPACE, 0, Font::SIZE_LARGE));

    // The canvas grew meanwhile: the reset takes the new size.
    canvas.width = 8;
    buffer->sizeChanged();
    g->resetForScreenBuffer(buffer);
    EXPECT_EQ(g->getTranslateX(), 0);
    EXPECT_EQ(g->getClipX(), 0);
    EXPECT_EQ(g->getClipWidth(), 8);
    EXPECT_EQ(g->getClipHeight(), 4);
    EXPECT_EQ(g->getAlphaColor(), int32_t(0xFF000000));
    EXPECT_EQ(g->getStrokeStyle(), Graphics::SOLID);
    EXPECT_EQ(g->getFont(), Font::getDefaultFont());
    // The native context was reset too: black, solid, whole frame. (The
    // resized frame's contents are undefined: paint it first.)
    g->setColor(0xFFFFFF);
    g->fillRect(0, 0, 8, 4);
    g->setColor(0);
    g->drawLine(0, 3, 7, 3);
    EXPECT_EQ(frame(), (Rows{"........", "........", "........", "########"}));
}

TEST_F(ScreenGraphics, TheBufferDrawnIntoAnImageAtTheTranslation) {
    VMPtr<Graphics> g = Graphics::createForScreenBuffer(buffer);
    g->setColor(0x0000FF);
    g->fillRect(0, 0, 6, 4);
    g->setColor(0xFF0000);
    g->fillRect(0, 0, 1, 1);
    VMPtr<Image> img = blank(8, 5);
    VMPtr<Graphics> paint = img->getGraphics();
    paint->translate(1, 1);
    paint->drawScreenBuffer(buffer);
    EXPECT_EQ(picture(img), (Rows{"........", ".rbbbbb.", ".bbbbbb.", ".bbbbbb.", ".bbbbbb."}));
}

TEST_F(ScreenGraphics, NothingIsDrawnAfterTheBufferIsDeleted) {
    VMPtr<Graphics> g = Graphics::createForScreenBuffer(buffer);
    HAL_deleteScreenBuffer(buffer);
    buffer = nullptr;
    // Under AddressSanitizer any write into the freed frame stops the run.
    g->setColor(0xFF0000);
    g->fillRect(0, 0, 6, 4);
    g->drawLine(0, 0, 5, 3);
    g->drawString(java::lang::String::make("gone"), 0, 0, 0);
    g->drawImage(blank(2, 2), 0, 0, 0);
    g->fillArc(0, 0, 6, 4, 0, 360);
    g->drawRGB(VMArray<jint>::of({1, 2}), 0, 2, 0, 0, 2, 1, false);
    g->setClip(0, 0, 3, 3);
    EXPECT_EQ(g->getClipWidth(), 3);
}

TEST(GraphicsCollector, AGraphicsKeepsItsImageAndFontAlive) {
    // The image and the font are reachable only through the Graphics.
    VMPtr<Graphics> g = blank(3, 2)->getGraphics();
    g->setFont(Font::getFont(Font::FACE_PROPORTIONAL, Font::STYLE_ITALIC, Font::SIZE_SMALL));
    java::lang::Runtime::getRuntime()->gc();
    g->setColor(0x0000FF);
    g->fillRect(1, 0, 1, 2);
    EXPECT_EQ(g->getFont()->getFace(), Font::FACE_PROPORTIONAL);
    EXPECT_EQ(picture(g->targetImage), (Rows{".b.", ".b."}));
}

TEST(GraphicsDispose, DrawsNothingOnceDisposed) {
    VMPtr<Image> img = blank(3, 2);
    VMPtr<Graphics> g = img->getGraphics();
    g->dispose();
    g->dispose();
    g->fillRect(0, 0, 3, 2);
    g->drawString(java::lang::String::make("x"), 0, 0, 0);
    g->setColor(0x123456);
    EXPECT_EQ(g->getColor(), 0x123456);
    EXPECT_EQ(picture(img), (Rows{"...", "..."}));
}

TEST(GraphicsNative, APaintContextIsAdoptedAtItsTargetsSize) {
    VMPtr<Image> img = blank(5, 3);
    NativeGraphics* context = nullptr;
    ASSERT_EQ(HAL_createGraphicsWithImage(&context, img->handle), HAL_OK);
    VMPtr<Graphics> g = Graphics::createForNativeContext(context);  // owns it from here
    EXPECT_EQ(g->getClipWidth(), 5);
    EXPECT_EQ(g->getClipHeight(), 3);
    g->setColor(0x00FF00);
    g->fillRect(4, 2, 9, 9);
    EXPECT_EQ(picture(img), (Rows{".....", ".....", "....g"}));
}

}  // namespace
