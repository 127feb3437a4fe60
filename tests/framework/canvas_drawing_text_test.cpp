// The canvas's text entries over its rich font, its fills over the platform
// extension, the text table it decodes on demand and its resource forwards.
// Drawing is checked by the pixels it leaves, measuring by the values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework_test_support.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_DataInputStream.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "runtime/runtime_test_support.h"
#include "support/java_bytes.h"
#include "wren_AnimSet.h"
#include "wren_Resources.h"
#include "wren_util_text_RichFont.h"

namespace {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using wren::Gob;
using wren::Resources;
using wren::WrenCanvas;
using wren::util::text::RichFont;
using wrentest::bytesOf;
using wrentest::jbytes;
using wrentest::thrownName;
using wrentest::framework::CanvasTest;

constexpr jint TOP_LEFT = 20;

VMPtr<String> jstr(const std::string& ascii) {
    std::u16string s(ascii.begin(), ascii.end());
    return String::make(reinterpret_cast<const jchar*>(s.data()), jint(s.size()));
}

std::u16string textOf(const VMPtr<String>& s) {
    std::u16string out;
    for (jint i = 0; i < s->length(); ++i) out += s->charAt(i);
    return out;
}

// Every pixel of the image, row by row, alpha included.
std::vector<jint> pixelsOf(const VMPtr<Image>& image) {
    jint w = image->getWidth(), h = image->getHeight();
    VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(w * h);
    image->getRGB(rgb, 0, w, 0, 0, w, h);
    return std::vector<jint>(rgb->elements(), rgb->elements() + w * h);
}

// A white image with the text drawn on it in black by `draw`.
template <typename Draw>
std::vector<jint> inkOf(Draw draw) {
    VMPtr<Image> image = Image::createImage(60, 30, false, 0xFFFFFF);
    VMPtr<Graphics> g = image->getGraphics();
    g->setColor(0);
    draw(g);
    return pixelsOf(image);
}

class CanvasText : public CanvasTest {};

TEST_F(CanvasText, EveryEntryMeasuresAndDrawsWithTheOneFont) {
    VMPtr<RichFont> font = canvas->getFont();
    ASSERT_TRUE(font != nullptr);
    EXPECT_TRUE(canvas->getFont() == font);
    EXPECT_TRUE(canvas->getDefaultFont() == font);

    VMPtr<String> s = jstr("Wren 42");
    VMPtr<VMArray<jchar>> chars = VMArray<jchar>::create(s->length());
    s->getChars(0, s->length(), chars, 0);
    VMPtr<StringBuffer> sb = StringBuffer::make(s);
    jint whole = font->stringWidth(s);
    ASSERT_GT(whole, 0);
    for (jint w :
         {canvas->stringWidth(s), canvas->plainStringWidth(s),
          canvas->charsWidth(chars, 0, s->length()), canvas->plainCharsWidth(chars, 0, s->length()),
          canvas->stringBufferWidth(sb), canvas->plainStringBufferWidth(sb)})
        EXPECT_EQ(w, whole);
    EXPECT_EQ(canvas->substringWidth(s, 1, 3), font->substringWidth(s, 1, 3));
    EXPECT_EQ(canvas->plainSubstringWidth(s, 1, 3), font->substringWidth(s, 1, 3));
    EXPECT_EQ(canvas->charWidth(u'W'), font->charWidth(u'W'));
    EXPECT_EQ(canvas->plainCharWidth(u'W'), font->charWidth(u'W'));
    EXPECT_EQ(canvas->stringWidth(jstr("")), 0);
    EXPECT_EQ(canvas->getFontHeight(), font->getHeight());
    EXPECT_EQ(canvas->getFontBaseline(), font->getBaselinePosition());

    // A measurement leaves no one-shot state behind for the next height.
    jint height = font->stringHeight(s);
    canvas->stringWidth(s);
    EXPECT_EQ(font->stringHeight(s), height);

    jint bounds[2][4];
    for (int k = 0; k < 2; ++k) {
        VMPtr<VMArray<jint>> out = VMArray<jint>::create(4);
        if (k == 0)
            canvas->getStringBounds(s, 5, 7, out, TOP_LEFT);
        else
            canvas->getStringBufferBounds(sb, 5, 7, out, TOP_LEFT);
        for (jint i = 0; i < 4; ++i) bounds[k][i] = out[i];
    }
    VMPtr<VMArray<jint>> expected = VMArray<jint>::create(4);
    font->stringBounds(s, 5, 7, expected, TOP_LEFT);
    for (jint i = 0; i < 4; ++i) {
        EXPECT_EQ(bounds[0][i], expected[i]) << i;
        EXPECT_EQ(bounds[1][i], expected[i]) << i;
    }

    // Each drawing form leaves the font's own pixels, and only inside the
    // ink box.
    std::vector<jint> golden = inkOf([&](auto g) { font->drawString(g, s, 5, 7, TOP_LEFT); });
    const jint paper = inkOf([](auto) {})[0];
    int inked = 0;
    for (jint i = 0; i < jint(golden.size()); ++i) {
        if (golden[i] == paper) continue;
        ++inked;
        jint x = i % 60, y = i / 60;
        EXPECT_TRUE(x >= expected[0] && x < expected[0] + expected[2] && y >= expected[1] &&
                    y < expected[1] + expected[3])
            << x << "," << y;
    }
    EXPECT_GT(inked, 0);
    EXPECT_EQ(inkOf([&](auto g) { canvas->drawString(g, s, 5, 7, TOP_LEFT); }), golden);
    EXPECT_EQ(inkOf([&](auto g) { canvas->drawStringBuffer(g, sb, 5, 7, TOP_LEFT); }), golden);
    EXPECT_EQ(inkOf([&](auto g) { canvas->drawChars(g, chars, 0, s->length(), 5, 7, TOP_LEFT); }),
              golden);
    EXPECT_EQ(inkOf([&](auto g) {
                  canvas->drawSubstring(g, jstr("xWren 42x"), 1, s->length(), 5, 7, TOP_LEFT);
              }),
              golden);
    EXPECT_EQ(inkOf([&](auto g) { canvas->drawChar(g, u'W', 5, 7, TOP_LEFT); }),
              inkOf([&](auto g) { font->drawChar(g, u'W', 5, 7, TOP_LEFT); }));
    EXPECT_EQ(inkOf([&](auto g) { canvas->drawNumber(g, 42, 4, 5, 7, TOP_LEFT); }),
              inkOf([&](auto g) { font->drawString(g, jstr("0042"), 5, 7, TOP_LEFT); }));
    EXPECT_EQ(inkOf([&](auto g) { canvas->drawNumber(g, -7, 2, 5, 7, TOP_LEFT); }),
              inkOf([&](auto g) { font->drawString(g, jstr("-07"), 5, 7, TOP_LEFT); }));
}

// Seven glyphs already in the converted form: the header in boxHeight,
// the character code in boxX, the advance in boxWidth.
VMPtr<VMArray<Gob*>> handMadeGlyphs() {
    const jint header[7] = {9, 7, 3, 0, 10, 0, 0};
    const char16_t codes[7] = {u' ', u'A', u'B', u'C', u'D', u'E', u'F'};
    VMPtr<VMArray<Gob*>> glyphs = VMArray<Gob*>::create(7);
    for (jint i = 0; i < 7; ++i) {
        VMPtr<Gob> g = Gob::make();
        g->boxHeight = jshort(header[i]);
        g->boxX = jshort(codes[i]);
        g->boxWidth = jshort(i + 2);
        glyphs[i] = g;
    }
    return glyphs;
}

TEST_F(CanvasText, StyleAndBitmapFontChangeTheFontItself) {
    EXPECT_EQ(canvas->getFontStyle(), 1);
    canvas->setFontStyle(4);
    EXPECT_EQ(canvas->getFontStyle(), 4);
    EXPECT_EQ(canvas->getFont()->getSystemFontStyle(), 4);
    EXPECT_EQ(thrownName([&] { canvas->setFontStyle(6); }), "java.lang.IllegalArgumentException");
    EXPECT_EQ(canvas->getFontStyle(), 4);
    EXPECT_TRUE(canvas->getBitmapFont() == nullptr);

    VMPtr<VMArray<Gob*>> glyphs = handMadeGlyphs();
    canvas->setBitmapFont(glyphs);
    EXPECT_TRUE(canvas->getBitmapFont() == glyphs);
    EXPECT_TRUE(canvas->getGlyph(u'B') == glyphs[2]);
    EXPECT_TRUE(canvas->getGlyph(u'Z') == nullptr);
    EXPECT_EQ(canvas->getFontHeight(), 9);
    EXPECT_EQ(canvas->getFontBaseline(), 7);
    // Advances 3 + 4, and a missing 'Z' advances by header value 2.
    EXPECT_EQ(canvas->stringWidth(jstr("AB")), 7);
    EXPECT_EQ(canvas->plainStringWidth(jstr("AZ")), 6);

    canvas->setBitmapFont(nullptr);
    EXPECT_TRUE(canvas->getBitmapFont() == nullptr);
}

TEST_F(CanvasText, TextComesFromTheCacheOrIsDecodedFromTheBytes) {
    // "abc", then "d", U+00E9 and U+20AC.
    canvas->textData = jbytes({'a', 'b', 'c', 'd', 0xC3, 0xA9, 0xE2, 0x82, 0xAC});
    canvas->textOffsets = VMArray<jchar>::of({0, 3, 9});
    EXPECT_EQ(textOf(canvas->getText(0)), u"abc");
    EXPECT_EQ(textOf(canvas->getText(1)), u"d\u00E9\u20AC");
    // Offsets beyond the bytes fail the decoding, which answers null.
    canvas->textOffsets = VMArray<jchar>::of({0, 3, 40});
    EXPECT_TRUE(canvas->getText(1) == nullptr);

    VMPtr<VMArray<String*>> cache = VMArray<String*>::create(2);
    cache[1] = jstr("cached");
    canvas->textCache = cache;
    EXPECT_TRUE(canvas->getText(1) == cache[1]);
    EXPECT_TRUE(canvas->getText(0) == nullptr);
}

class CanvasFills : public CanvasTest {};

// A black w by h image whose Graphics `fill` draws on.
template <typename Fill>
std::vector<jint> filled(jint w, jint h, Fill fill) {
    VMPtr<Image> image = Image::createImage(w, h, false, 0);
    fill(image);
    return pixelsOf(image);
}

TEST_F(CanvasFills, GradientsStepAcrossOrDownInOpaqueColours) {
    // The alpha bytes of the colours are ignored.
    std::vector<jint> across = filled(5, 3, [&](auto image) {
        canvas->fillGradientAcross(image->getGraphics(), 0, 0, 5, 3, 0x00FF0000, 0x110000FF);
    });
    std::vector<jint> down = filled(3, 5, [&](auto image) {
        canvas->fillGradientDown(image->getGraphics(), 0, 0, 3, 5, 0x00FF0000, 0x110000FF);
    });
    for (jint step = 0; step < 5; ++step) {
        jint left = across[step] & 0xFFFFFF, top = down[step * 3] & 0xFFFFFF;
        for (jint other = 1; other < 3; ++other) {
            EXPECT_EQ(across[other * 5 + step], across[step]) << "column " << step;
            EXPECT_EQ(down[step * 3 + other], down[step * 3]) << "row " << step;
        }
        EXPECT_EQ(left, top) << step;
        EXPECT_EQ(across[step] >> 24 & 0xFF, 0xFF);
        if (step > 0) {
            EXPECT_LT(left >> 16, across[step - 1] >> 16 & 0xFF) << step;
            EXPECT_GT(left & 0xFF, across[step - 1] & 0xFF) << step;
        }
    }
    // The screen keeps 5, 6 and 5 bits of red, green and blue.
    EXPECT_EQ(across[0] & 0xF8FCF8, 0xF80000);
    EXPECT_EQ(across[4] >> 16 & 0xFF, 0x30);

    // The static bodies and the image form paint the same.
    EXPECT_EQ(filled(5, 3,
                     [&](auto image) {
                         WrenCanvas::fillGradientAcrossStatic(image->getGraphics(), 0, 0, 5, 3,
                                                              0xFF0000, 0x0000FF);
                     }),
              across);
    EXPECT_EQ(filled(3, 5,
                     [&](auto image) {
                         WrenCanvas::fillGradientDownStatic(image->getGraphics(), 0, 0, 3, 5,
                                                            0xFF0000, 0x0000FF);
                     }),
              down);
    EXPECT_EQ(filled(3, 5,
                     [&](auto image) {
                         canvas->fillGradientDownInImage(image, 0, 0, 3, 5, 0xFF0000, 0x0000FF);
                     }),
              down);
    EXPECT_TRUE(WrenCanvas::getExtendedGraphics() == WrenCanvas::getExtendedGraphics());
}

TEST_F(CanvasFills, AlphaFillsBlendAndLeaveTheGraphicsAsItWas) {
    std::vector<jint> rect = filled(4, 4, [&](auto image) {
        VMPtr<Graphics> g = image->getGraphics();
        g->setColor(0xFFFFFF);
        canvas->fillRectAlpha(g, 0, 0, 2, 4, 128);
        // Back at full opacity for the Graphics' own fill.
        g->fillRect(3, 0, 1, 4);
    });
    jint grey = rect[0] & 0xFF;
    EXPECT_GT(grey, 0x60);
    EXPECT_LT(grey, 0xA0);
    EXPECT_EQ(rect[1], rect[0]);
    EXPECT_EQ(rect[2] & 0xFFFFFF, 0);
    EXPECT_EQ(rect[3] & 0xFFFFFF, 0xF8FCF8);

    std::vector<jint> tri = filled(8, 8, [&](auto image) {
        VMPtr<Graphics> g = image->getGraphics();
        g->setColor(0xFFFFFF);
        canvas->fillTriangleAlpha(g, 0, 0, 8, 0, 0, 8, 128);
        g->fillRect(7, 7, 1, 1);
    });
    EXPECT_EQ(tri[0], rect[0]);
    EXPECT_EQ(tri[7 * 8 + 7] & 0xFFFFFF, 0xF8FCF8);
    EXPECT_EQ(tri[6 * 8 + 6] & 0xFFFFFF, 0);

    // The transform reaches the platform and changes no pixel.
    EXPECT_EQ(filled(4, 4,
                     [&](auto image) {
                         VMPtr<Graphics> g = image->getGraphics();
                         canvas->setTransform(g, 3, 4, 90, 2, 2);
                         g->setColor(0xFFFFFF);
                         g->fillRect(1, 1, 2, 2);
                         canvas->resetTransform(g);
                         g->fillRect(0, 0, 1, 1);
                     }),
              filled(4, 4, [&](auto image) {
                  VMPtr<Graphics> g = image->getGraphics();
                  g->setColor(0xFFFFFF);
                  g->fillRect(1, 1, 2, 2);
                  g->fillRect(0, 0, 1, 1);
              }));
}

class CanvasResourceForwards : public CanvasTest {};

TEST_F(CanvasResourceForwards, AnswerAndFailAsTheFrontEndDoes) {
    VMPtr<VMArray<jbyte, 2>> entries = VMArray<jbyte, 2>::create(2, 0);
    entries[0] = jbytes({1, 2, 3});
    entries[1] = jbytes({});
    VMPtr<VMArray<jbyte>> types = jbytes({5, 9});
    VMPtr<VMArray<jbyte>> pack = canvas->savePack(entries, types);
    EXPECT_EQ(bytesOf(pack), bytesOf(Resources::savePack(entries, types)));

    ASSERT_TRUE(Resources::loadPack(
        java::io::DataInputStream::make(java::io::ByteArrayInputStream::make(pack))));
    // Entry 0 is no image: neither a palette nor a bitmap comes of it.
    EXPECT_TRUE(canvas->readPalette(0) == nullptr);
    EXPECT_TRUE(Resources::readPalette(0) == nullptr);
    std::string failure = thrownName([] { Resources::getImageAsBMP(0); });
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(thrownName([&] { canvas->getImageAsBMP(0); }), failure);
    std::string missing = thrownName([] { Resources::loadAnimSet(7); });
    EXPECT_FALSE(missing.empty());
    EXPECT_EQ(thrownName([&] { canvas->loadAnimSet(7); }), missing);
    Resources::closePack();
}

}  // namespace
