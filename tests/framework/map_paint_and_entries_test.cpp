// The canvas's whole-map paint (where the view lands, what the clip and the
// map's ends cut off, the overlay mode) read back from offscreen images, and
// its second entries, each shown reaching its first.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework_test_support.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "runtime/runtime_test_support.h"

namespace {

using java::lang::String;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using wren::Gob;
using wren::WrenCanvas;
using wrentest::framework::CanvasTest;
using wrentest::framework::TestCanvas;
using wrentest::framework::TestMIDlet;

constexpr jint kTile = 8;
constexpr jint kMapW = 4, kMapH = 2;  // tiles: a 32 by 16 pixel map
constexpr jint kBackground = 0x000000;

std::vector<jint> pixelsOf(const VMPtr<Image>& image) {
    jint w = image->getWidth(), h = image->getHeight();
    VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(w * h);
    image->getRGB(rgb, 0, w, 0, 0, w, h);
    return std::vector<jint>(rgb->elements(), rgb->elements() + w * h);
}

VMPtr<Image> filled(jint w, jint h, jint colour) {
    return Image::createImage(w, h, false, colour);
}

VMPtr<Gob> solidGob(jint w, jint h, jint colour) {
    VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(w * h);
    for (jint i = 0; i < w * h; ++i) rgb[i] = colour;
    return Gob::createFromRGB(rgb, w, h, false);
}

// Eight 8 by 8 tiles side by side whose every pixel differs (its column in
// the green bits, its row in the red ones), so a shifted or wrong tile
// shows in any pixel.
VMPtr<Image> tileSetImage() {
    jint w = 8 * kTile;
    VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(w * kTile);
    for (jint y = 0; y < kTile; ++y)
        for (jint x = 0; x < w; ++x) rgb[y * w + x] = (y << 21) | (x << 10) | 0x80;
    return Image::createRGBImage(rgb, w, kTile, false);
}

class MapPaint : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        tiles = tileSetImage();
        // Cell (c, r) holds tile 4r + c + 1: every cell a different tile.
        canvas->createMap(kMapW, kMapH, tiles, kTile, kTile);
        for (jint r = 0; r < kMapH; ++r)
            for (jint c = 0; c < kMapW; ++c) canvas->setTile(c, r, r * kMapW + c + 1);
        // The tile pixels as a target of the same kind keeps them.
        VMPtr<Image> copy = filled(tiles->getWidth(), kTile, kBackground);
        copy->getGraphics()->drawImage(tiles, 0, 0, Graphics::TOP | Graphics::LEFT);
        tilePixels = pixelsOf(copy);
    }

    // The map's pixel at world (x, y).
    jint worldPixel(jint x, jint y) const {
        jint tile = (y / kTile) * kMapW + x / kTile;  // tile number - 1
        return tilePixels[(y % kTile) * 8 * kTile + tile * kTile + x % kTile];
    }

    VMNativePtr<Image> tiles;
    std::vector<jint> tilePixels;
};

TEST_F(MapPaint, TheViewLandsAtTheOriginCutByTheClipAndTheMap) {
    struct Case {
        const char* what;
        jint viewW, viewH, originX, originY;
        std::vector<jint> clip;  // empty: the whole target
        // Where the map shows on the 40 by 24 target, and the world pixel
        // at target (0, 0).
        jint x0, y0, x1, y1, worldX, worldY;
    };
    const std::vector<Case> cases = {
        {"inside the map", 16, 8, -10, -4, {}, 0, 0, 16, 8, 10, 4},
        {"the clip cuts the view", 16, 8, -10, -4, {4, 2, 6, 3}, 4, 2, 10, 5, 10, 4},
        // The view would reach 8 and 4 pixels past the map: the map is
        // drawn where it lies and stops at its end.
        {"past the far ends", 16, 8, -24, -12, {}, 0, 0, 8, 4, 24, 12},
        {"before the near ends", 16, 8, 5, 3, {}, 5, 3, 21, 11, -5, -3},
        // The map shifted into a larger view: the view past its end gets no
        // tiles, not the next row's.
        {"a map smaller than the view", 40, 24, 4, 2, {}, 4, 2, 36, 18, -4, -2},
        {"a clip outside the view", 16, 8, 0, 0, {20, 10, 5, 5}, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<Image> target = filled(40, 24, kBackground);
        VMPtr<Graphics> g = target->getGraphics();
        if (!c.clip.empty()) g->setClip(c.clip[0], c.clip[1], c.clip[2], c.clip[3]);
        canvas->setViewSize(c.viewW, c.viewH);
        canvas->setViewOrigin(c.originX, c.originY);
        canvas->paintMap(g);

        std::vector<jint> expected(40 * 24, pixelsOf(filled(1, 1, kBackground))[0]);
        for (jint y = c.y0; y < c.y1; ++y)
            for (jint x = c.x0; x < c.x1; ++x)
                expected[y * 40 + x] = worldPixel(x + c.worldX, y + c.worldY);
        EXPECT_EQ(pixelsOf(target), expected);
        // The paint leaves no trace on the canvas or the Graphics.
        EXPECT_EQ(canvas->getViewOriginX(), c.originX);
        EXPECT_EQ(canvas->getViewOriginY(), c.originY);
        EXPECT_EQ(g->getTranslateX(), 0);
        EXPECT_EQ(g->getTranslateY(), 0);
        EXPECT_TRUE(canvas->mapGraphics == nullptr);
    }
}

TEST_F(MapPaint, LayersStackAndTheOverlayModeAddsOnlyNewSprites) {
    const jint magenta = 0xFF00FF, white = 0xFFFFFF, cyan = 0x00FFFF;
    auto colour = [](jint rgb) { return pixelsOf(filled(1, 1, rgb))[0]; };
    canvas->setViewSize(32, 16);
    canvas->initScenery(1);
    canvas->addScenery(solidGob(4, 4, magenta), 2, 2, 0);
    canvas->initSprites(2);
    canvas->addSprite(solidGob(4, 4, white), 10, 2, 0);
    // The view starts 2 pixels into the map.
    canvas->setViewOrigin(-2, 0);

    VMPtr<Image> target = filled(30, 16, kBackground);
    canvas->paintMap(target->getGraphics());
    std::vector<jint> px = pixelsOf(target);
    auto at = [&](jint x, jint y) { return px[y * 30 + x]; };
    EXPECT_EQ(at(0, 2), colour(magenta));  // scenery over the tiles
    EXPECT_EQ(at(8, 5), colour(white));    // the sprite over both
    EXPECT_EQ(at(20, 10), worldPixel(22, 10));

    // Over what is there, the overlay draws the sprite added since, and
    // neither tiles nor scenery nor the sprite drawn before.
    canvas->addSprite(solidGob(4, 4, cyan), 20, 8, 0);
    canvas->overlayMode = true;
    target = filled(30, 16, kBackground);
    canvas->paintMap(target->getGraphics());
    std::vector<jint> expected(30 * 16, colour(kBackground));
    for (jint y = 8; y < 12; ++y)
        for (jint x = 18; x < 22; ++x) expected[y * 30 + x] = colour(cyan);
    EXPECT_EQ(pixelsOf(target), expected);

    canvas->overlayMode = false;
    canvas->paintMap(target->getGraphics());
    px = pixelsOf(target);
    EXPECT_EQ(at(0, 2), colour(magenta));
    EXPECT_EQ(at(8, 5), colour(white));
    EXPECT_EQ(at(2, 12), worldPixel(4, 12));

    // A view held back from past the map's end draws no sprite out there.
    canvas->initSprites(1);
    canvas->addSprite(solidGob(4, 4, white), 34, 4, 0);
    canvas->setViewSize(16, 16);
    canvas->setViewOrigin(-24, 0);
    target = filled(30, 16, kBackground);
    canvas->paintMap(target->getGraphics());
    px = pixelsOf(target);
    EXPECT_EQ(at(7, 5), worldPixel(31, 5));
    EXPECT_EQ(at(10, 5), colour(kBackground));
}

// A canvas whose first entries write down how they were called and answer
// values of their own.
class RecordingCanvas : public TestCanvas {
    WREN_CLASS(RecordingCanvas, TestCanvas, (bytes, VMArray<jbyte>), (text, String))
public:
    std::vector<std::string> calls;
    std::vector<java::lang::Object*> objects;  // the object arguments of the last call
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) {
        TestCanvas::ctor(owner);
        bytes = VMArray<jbyte>::create(3);
        text = String::make(u"record", 6);
    }
    void note(const std::string& call, std::vector<java::lang::Object*> args) {
        calls.push_back(call);
        objects = std::move(args);
    }
    jboolean saveData(jint id, const VMPtr<VMArray<jbyte>>& data) override {
        note("saveData " + std::to_string(id), {data.get()});
        return true;
    }
    VMPtr<VMArray<jbyte>> loadData(jint id) override {
        note("loadData " + std::to_string(id), {});
        return bytes;
    }
    void resetClip(const VMPtr<Graphics>& g) override { note("resetClip", {g.get()}); }
    void setClipInGameArea(const VMPtr<Graphics>& g, jint x, jint y, jint w, jint h) override {
        note("setClipInGameArea " + std::to_string(x) + " " + std::to_string(y) + " " +
                 std::to_string(w) + " " + std::to_string(h),
             {g.get()});
    }
    void vibrate(jint d) override { note("vibrate " + std::to_string(d), {}); }
    void flashBacklight(jint d) override { note("flashBacklight " + std::to_string(d), {}); }
    VMPtr<String> getText(jint index) override {
        note("getText " + std::to_string(index), {});
        return text;
    }
    void paintPlayer(const VMPtr<Graphics>& g, const VMPtr<VMArray<Gob*>>& gobs, jint player,
                     jint x, jint y, jint t) override {
        note("paintPlayer " + std::to_string(player) + " " + std::to_string(x) + " " +
                 std::to_string(y) + " " + std::to_string(t),
             {g.get(), gobs.get()});
    }
    void getPlayerBounds(const VMPtr<VMArray<Gob*>>& gobs, jint player, jint x, jint y, jint t,
                         const VMPtr<VMArray<jint>>& bounds) override {
        note("getPlayerBounds " + std::to_string(player) + " " + std::to_string(x) + " " +
                 std::to_string(y) + " " + std::to_string(t),
             {gobs.get(), bounds.get()});
    }
    void logMessage(jint level, const VMPtr<String>& s, const VMPtr<Object>& detail) override {
        note("logMessage " + std::to_string(level), {s.get(), detail.get()});
    }
};

class SecondEntries : public CanvasTest {
protected:
    VMPtr<TestCanvas> makeCanvas(const VMPtr<TestMIDlet>& owner) override {
        return RecordingCanvas::make(owner);
    }
    RecordingCanvas& rec() { return *vmCast<RecordingCanvas>(VMPtr<TestCanvas>(canvas.get())); }
};

TEST_F(SecondEntries, EachReachesItsFirstEntryWithTheSameArguments) {
    RecordingCanvas& c = rec();
    VMPtr<Graphics> g = filled(4, 4, 0)->getGraphics();
    VMPtr<VMArray<jbyte>> data = VMArray<jbyte>::create(2);
    VMPtr<VMArray<Gob*>> gobs = VMArray<Gob*>::create(1);
    VMPtr<VMArray<jint>> bounds = VMArray<jint>::create(4);
    VMPtr<String> a = String::make(u"a", 1), b = String::make(u"b", 1);
    struct Case {
        const char* entry;
        std::function<void()> call;
        std::string reached;
        std::vector<java::lang::Object*> objects;
    };
    const std::vector<Case> cases = {
        {"saveDataAlias",
         [&] { EXPECT_TRUE(c.saveDataAlias(7, data)); },
         "saveData 7",
         {data.get()}},
        {"loadDataAlias", [&] { EXPECT_TRUE(c.loadDataAlias(-3) == c.bytes); }, "loadData -3", {}},
        {"resetClipAlias", [&] { c.resetClipAlias(g); }, "resetClip", {g.get()}},
        {"setClipInGameAreaAlias",
         [&] { c.setClipInGameAreaAlias(g, -5, 1, 20, 30); },
         "setClipInGameArea -5 1 20 30",
         {g.get()}},
        {"vibrateAlias", [&] { c.vibrateAlias(120); }, "vibrate 120", {}},
        {"flashBacklightAlias", [&] { c.flashBacklightAlias(80); }, "flashBacklight 80", {}},
        {"getTextAlias", [&] { EXPECT_TRUE(c.getTextAlias(4) == c.text); }, "getText 4", {}},
        {"paintPlayerAlias",
         [&] { c.paintPlayerAlias(g, gobs, 2, 10, -20, 5); },
         "paintPlayer 2 10 -20 5",
         {g.get(), gobs.get()}},
        {"getPlayerBoundsAlias",
         [&] { c.getPlayerBoundsAlias(gobs, 3, 1, 2, 4, bounds); },
         "getPlayerBounds 3 1 2 4",
         {gobs.get(), bounds.get()}},
        {"log(text)", [&] { c.log(a); }, "logMessage 0", {a.get(), nullptr}},
        {"log(text, text)", [&] { c.log(a, b); }, "logMessage 0", {a.get(), b.get()}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.entry);
        c.calls.clear();
        k.call();
        EXPECT_EQ(c.calls, std::vector<std::string>{k.reached});
        EXPECT_EQ(c.objects, k.objects);
    }
    EXPECT_TRUE(c.getStrings() == nullptr);
}

// The entries over the static image helpers give what the helpers give.
class ImageEntries : public CanvasTest {};

TEST_F(ImageEntries, EachGivesWhatItsStaticBodyGives) {
    VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(12);
    for (jint i = 0; i < 12; ++i) rgb[i] = (i * 0x151A07) | 0xFF000000;
    VMPtr<Image> source = WrenCanvas::createRGBImage(rgb, 4, 3, false);
    enum Via { NONE, ENTRY, STATIC };
    // Each case works through the entry, the static body or neither, and
    // answers the pixels or values it left.
    struct Case {
        const char* what;
        std::function<std::vector<jint>(Via)> run;
    };
    auto onTarget = [](const std::function<void(const VMPtr<Graphics>&)>& draw) {
        VMPtr<Image> target = filled(8, 8, 0x102030);
        VMPtr<Graphics> g = target->getGraphics();
        g->translate(2, 1);
        draw(g);
        return pixelsOf(target);
    };
    const std::vector<Case> cases = {
        {"drawImageRegion",
         [&](Via via) {
             return onTarget([&](const VMPtr<Graphics>& g) {
                 if (via == ENTRY) canvas->drawImageRegionEntry(source, 1, 1, 3, 2, g, 2, 3);
                 if (via == STATIC) WrenCanvas::drawImageRegion(source, 1, 1, 3, 2, g, 2, 3);
             });
         }},
        {"drawImageRegion, Graphics first",
         [&](Via via) {
             return onTarget([&](const VMPtr<Graphics>& g) {
                 if (via == ENTRY) canvas->drawImageRegionEntry(g, source, 1, 1, 3, 2, 2, 3);
                 if (via == STATIC) WrenCanvas::drawImageRegion(source, 1, 1, 3, 2, g, 2, 3);
             });
         }},
        {"drawRGB",
         [&](Via via) {
             return onTarget([&](const VMPtr<Graphics>& g) {
                 if (via == ENTRY) canvas->drawRGBEntry(g, rgb, 1, 4, 0, 2, 3, 2, false);
                 if (via == STATIC) WrenCanvas::drawRGB(g, rgb, 1, 4, 0, 2, 3, 2, false);
             });
         }},
        {"createRGBImage",
         [&](Via via) {
             if (via == NONE) return std::vector<jint>();
             return pixelsOf(via == ENTRY ? canvas->createRGBImageEntry(rgb, 3, 4, false)
                                          : WrenCanvas::createRGBImage(rgb, 3, 4, false));
         }},
        {"getRGB",
         [&](Via via) {
             VMPtr<VMArray<jint>> out = VMArray<jint>::create(8);
             if (via == ENTRY) canvas->getRGBEntry(source, out, 1, 3, 1, 0, 3, 2);
             if (via == STATIC) WrenCanvas::getRGB(source, out, 1, 3, 1, 0, 3, 2);
             return std::vector<jint>(out->elements(), out->elements() + 8);
         }},
        {"updatePaletteCrc",
         [&](Via via) {
             VMPtr<VMArray<jbyte>> palette = VMArray<jbyte>::create(10);
             for (jint i = 0; i < 6; ++i) palette[i] = jbyte(i * 40);
             if (via == ENTRY) canvas->updatePaletteCrcEntry(palette);
             if (via == STATIC) WrenCanvas::updatePaletteCrc(palette);
             return std::vector<jint>(palette->elements() + 6, palette->elements() + 10);
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<jint> viaEntry = k.run(ENTRY);
        EXPECT_EQ(viaEntry, k.run(STATIC));
        EXPECT_NE(viaEntry, k.run(NONE));  // the helper did its work
    }
}

}  // namespace

WREN_DEFINE_CLASS(RecordingCanvas, "wrentest.framework.RecordingCanvas")
