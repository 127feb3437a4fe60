// The canvas's forwarders to the resource front end, its images made from
// indexed pixels, and its further second entries: each reaching its first
// entry with the same arguments and handing back its result, and an
// override of one entry leaving the other as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework_test_support.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_DataInputStream.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "runtime/runtime_test_support.h"
#include "support/java_bytes.h"
#include "wren_Resources.h"
#include "wren_platform_marl_WrenMarl.h"

namespace {

using java::lang::Object;
using java::lang::String;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using wren::Resources;
using wren::WrenCanvas;
using wrentest::bytesOf;
using wrentest::jbytes;
using wrentest::thrownName;
using wrentest::framework::CanvasTest;
using wrentest::framework::TestCanvas;
using wrentest::framework::TestMIDlet;

std::vector<jint> pixelsOf(const VMPtr<Image>& image) {
    jint w = image->getWidth(), h = image->getHeight();
    VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(w * h);
    image->getRGB(rgb, 0, w, 0, 0, w, h);
    return std::vector<jint>(rgb->elements(), rgb->elements() + w * h);
}

// Red, green and blue (each exact on a 16-bit surface) as PLTE data, then
// four bytes where the chunk's CRC goes.
VMPtr<VMArray<jbyte>> threeColours() {
    return jbytes({0xF8, 0, 0, 0, 0xFC, 0, 0, 0, 0xF8, 0, 0, 0, 0});
}

// Rows of 3 indices at stride 4, from offset 1: 0 1 2 / 2 1 0.
VMPtr<VMArray<jbyte>> indexedRows() { return jbytes({9, 0, 1, 2, 9, 2, 1, 0, 9}); }

// --- the forwarders to the resource front end ---

class CanvasResourceEntries : public CanvasTest {
protected:
    void TearDown() override {
        Resources::closePack();
        canvas->deleteAllData();
        CanvasTest::TearDown();
    }
    // Entry 0: three bytes of type 5; 1: none, type -5; 2: a PNG whose
    // palette entry 1 is transparent.
    VMPtr<VMArray<jbyte>> packBytes() {
        VMPtr<VMArray<jbyte, 2>> entries = VMArray<jbyte, 2>::create(3, 0);
        entries[0] = jbytes({1, 2, 3});
        entries[1] = jbytes({});
        entries[2] = WrenCanvas::buildIndexedPng(indexedRows(), 1, 4, 3, 2, threeColours(), 1);
        return Resources::savePack(entries, jbytes({5, 0xFB, 1}));
    }
    static void open(const VMPtr<VMArray<jbyte>>& pack) {
        ASSERT_TRUE(Resources::loadPack(
            java::io::DataInputStream::make(java::io::ByteArrayInputStream::make(pack))));
    }
    // What a call answers, or the name of what it threw.
    static std::string outcome(const std::function<jint()>& call) {
        std::string answer;
        std::string thrown = thrownName([&] { answer = std::to_string(call()); });
        return thrown == "nothing" ? answer : thrown;
    }
};

TEST_F(CanvasResourceEntries, EachAnswersAndFailsAsTheFrontEndDoesForTheSameId) {
    open(packBytes());
    struct Case {
        const char* entry;
        std::function<jint(jint)> canvasCall;
        std::function<jint(jint)> frontEndCall;
        std::vector<std::string> expected;  // for ids 0, 1, 2
    };
    const std::vector<Case> cases = {
        {"getResourceType", [&](jint id) { return canvas->getResourceType(id); },
         [](jint id) { return Resources::getType(id); }, {"5", "-5", "1"}},
        {"getResourceSize", [&](jint id) { return canvas->getResourceSize(id); },
         [](jint id) { return Resources::getSize(id); }, {"3", "0", ""}},
        {"getTransparentIndex", [&](jint id) { return canvas->getTransparentIndex(id); },
         [](jint id) { return Resources::getTransparentIndex(id); }, {"-1", "-1", "1"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.entry);
        for (jint id : {0, 1, 2, 7}) {
            SCOPED_TRACE(id);
            std::string got = outcome([&] { return k.canvasCall(id); });
            EXPECT_EQ(got, outcome([&] { return k.frontEndCall(id); }));
            if (id < 3 && !k.expected[size_t(id)].empty()) {
                EXPECT_EQ(got, k.expected[size_t(id)]);
            }
        }
    }
    EXPECT_EQ(outcome([&] { return canvas->getResourceSize(7); }),
              "wren.io.resource.MissingEntryException");
}

TEST_F(CanvasResourceEntries, ClosePackAndLoadStoredPackChangeTheFrontEndsPack) {
    VMPtr<VMArray<jbyte>> pack = packBytes();
    open(pack);
    canvas->closePack();
    EXPECT_EQ(outcome([] { return Resources::getSize(0); }),
              "wren.io.resource.MissingEntryException");

    ASSERT_TRUE(canvas->saveData(31, pack));
    EXPECT_TRUE(canvas->loadStoredPack(31));
    EXPECT_EQ(Resources::getSize(0), 3);
    EXPECT_EQ(bytesOf(Resources::getData(0)), (wrentest::Bytes{1, 2, 3}));
    // Nothing saved under 32: false, and the pack is closed.
    EXPECT_FALSE(canvas->loadStoredPack(32));
    EXPECT_EQ(outcome([] { return Resources::getSize(0); }),
              "wren.io.resource.MissingEntryException");
}

// Both entries write the pixels as a PNG and decode it: the palette's
// colours where the indices say, the transparent entry clear.
TEST_F(CanvasResourceEntries, ImagesFromIndexedPixelsThroughEitherEntry) {
    constexpr jint red = jint(0xFFF80000), green = jint(0xFF00FC00), blue = jint(0xFF0000F8);
    VMPtr<VMArray<jbyte>> png =
        WrenCanvas::buildIndexedPng(indexedRows(), 1, 4, 3, 2, threeColours(), 1);
    std::vector<jint> decoded = pixelsOf(Resources::createImage(png, 0, png->length));
    for (bool second : {false, true}) {
        SCOPED_TRACE(second ? "createImageFromDataAlias" : "createImageFromData");
        VMPtr<Image> image =
            second ? canvas->createImageFromDataAlias(indexedRows(), 1, 4, 3, 2, threeColours(), 1)
                   : canvas->createImageFromData(indexedRows(), 1, 4, 3, 2, threeColours(), 1);
        ASSERT_TRUE(image != nullptr);
        EXPECT_EQ(image->getWidth(), 3);
        EXPECT_EQ(image->getHeight(), 2);
        std::vector<jint> px = pixelsOf(image);
        EXPECT_EQ(px, decoded);
        EXPECT_EQ(px[0], red);
        EXPECT_EQ(px[2], blue);
        EXPECT_EQ(px[3], blue);
        EXPECT_EQ(px[5], red);
        EXPECT_EQ(px[1] >> 24, 0);  // index 1 (green) is the transparent one
        EXPECT_EQ(px[4] >> 24, 0);
    }
    // Without a transparent index every pixel is opaque.
    std::vector<jint> opaque =
        pixelsOf(canvas->createImageFromData(indexedRows(), 1, 4, 3, 2, threeColours(), -1));
    EXPECT_EQ(opaque, (std::vector<jint>{red, green, blue, blue, green, red}));
}

// --- second entries ---

// Writes down every call of a first entry with its arguments and answers
// with values no base entry would give.
class EntryRecordingCanvas : public TestCanvas {
    WREN_CLASS(EntryRecordingCanvas, TestCanvas)
public:
    std::vector<std::string> calls;
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { TestCanvas::ctor(owner); }
    void note(const std::string& call) { calls.push_back(call); }
    static std::string n(jint v) { return " " + std::to_string(v); }

    void updateKeys() override { note("updateKeys"); }
    void resetKeys() override { note("resetKeys"); }
    jboolean isKeyPressed(jint k) override { return note("isKeyPressed" + n(k)), true; }
    jboolean isKeyHeld(jint k) override { return note("isKeyHeld" + n(k)), true; }
    jboolean isKeyReleased(jint k) override { return note("isKeyReleased" + n(k)), true; }
    jint getKeyPressCount(jint k) override { return note("getKeyPressCount" + n(k)), 61; }
    jint getPressedMask() override { return note("getPressedMask"), 0x102; }
    jint getHeldMask() override { return note("getHeldMask"), 0x204; }
    jint getReleasedMask() override { return note("getReleasedMask"), 0x408; }
    jboolean wasAnyKeyPressed() override { return note("wasAnyKeyPressed"), true; }
    jboolean isRepaintAll() override { return note("isRepaintAll"), true; }
    void invalidate() override { note("invalidate"); }
    void setDesiredFrameTime(jint ms) override { note("setDesiredFrameTime" + n(ms)); }
    void setFrameTimeCap(jint ms) override { note("setFrameTimeCap" + n(ms)); }
    jint getFrameTime() override { return note("getFrameTime"), 77; }
    void resetFrameTimer() override { note("resetFrameTimer"); }
    void setGameAreaSize(jint w, jint h) override { note("setGameAreaSize" + n(w) + n(h)); }
    void setGameAreaPosition(jint x, jint y) override {
        note("setGameAreaPosition" + n(x) + n(y));
    }
    void setGameAreaX(jint x) override { note("setGameAreaX" + n(x)); }
    void setGameAreaY(jint y) override { note("setGameAreaY" + n(y)); }
    void setGameAreaWidth(jint w) override { note("setGameAreaWidth" + n(w)); }
    void setGameAreaHeight(jint h) override { note("setGameAreaHeight" + n(h)); }
    jint getGameAreaX() override { return note("getGameAreaX"), -31; }
    jint getGameAreaY() override { return note("getGameAreaY"), -32; }
    jint getGameAreaWidth() override { return note("getGameAreaWidth"), 333; }
    jint getGameAreaHeight() override { return note("getGameAreaHeight"), 444; }
    void setVibrationEnabled(jboolean on) override { note("setVibrationEnabled" + n(on)); }
    void setBacklightEnabled(jboolean on) override { note("setBacklightEnabled" + n(on)); }
    jboolean platformRequest(const VMPtr<String>& url) override {
        lastUrl = url.get();
        return note("platformRequest"), true;
    }
    void objectHook1(const VMPtr<Object>& o) override { lastObject = o.get(), note("objectHook1"); }
    void objectHook2(const VMPtr<Object>& o) override { lastObject = o.get(), note("objectHook2"); }
    void objectHook3(const VMPtr<Object>& o) override { lastObject = o.get(), note("objectHook3"); }
    // Beyond an int, so a narrowing on the way shows.
    jlong longHook() override { return note("longHook"), 0x123456789ABLL; }
    Object* lastUrl = nullptr;
    Object* lastObject = nullptr;
};

class FurtherSecondEntries : public CanvasTest {
protected:
    VMPtr<TestCanvas> makeCanvas(const VMPtr<TestMIDlet>& owner) override {
        return EntryRecordingCanvas::make(owner);
    }
    EntryRecordingCanvas& rec() {
        return *vmCast<EntryRecordingCanvas>(VMPtr<TestCanvas>(canvas.get()));
    }
};

TEST_F(FurtherSecondEntries, EachReachesItsFirstEntryWithTheSameArgumentsAndGivesItsResult) {
    EntryRecordingCanvas& c = rec();
    struct Case {
        std::function<jlong()> call;  // the second entry's result (0 for none)
        std::string reached;
        jlong result;
    };
    auto none = [](std::function<void()> f) {
        return [f]() -> jlong {
            f();
            return 0;
        };
    };
    const std::vector<Case> cases = {
        {none([&] { c.updateKeysAlias(); }), "updateKeys", 0},
        {none([&] { c.resetKeysAlias(); }), "resetKeys", 0},
        {[&] { return jlong(c.isKeyPressedAlias(21)); }, "isKeyPressed 21", 1},
        {[&] { return jlong(c.isKeyHeldAlias(-5)); }, "isKeyHeld -5", 1},
        {[&] { return jlong(c.isKeyReleasedAlias(6)); }, "isKeyReleased 6", 1},
        {[&] { return jlong(c.getKeyPressCountAlias(8)); }, "getKeyPressCount 8", 61},
        {[&] { return jlong(c.getPressedMaskAlias()); }, "getPressedMask", 0x102},
        {[&] { return jlong(c.getHeldMaskAlias()); }, "getHeldMask", 0x204},
        {[&] { return jlong(c.getReleasedMaskAlias()); }, "getReleasedMask", 0x408},
        {[&] { return jlong(c.wasAnyKeyPressedAlias()); }, "wasAnyKeyPressed", 1},
        {[&] { return jlong(c.isRepaintAllAlias()); }, "isRepaintAll", 1},
        {none([&] { c.invalidateAlias(); }), "invalidate", 0},
        {none([&] { c.setDesiredFrameTimeAlias(33); }), "setDesiredFrameTime 33", 0},
        {none([&] { c.setFrameTimeCapAlias(-4); }), "setFrameTimeCap -4", 0},
        {[&] { return jlong(c.getFrameTimeAlias()); }, "getFrameTime", 77},
        {none([&] { c.resetFrameTimerAlias(); }), "resetFrameTimer", 0},
        {none([&] { c.setGameAreaSizeAlias(176, 208); }), "setGameAreaSize 176 208", 0},
        {none([&] { c.setGameAreaSizeAlias2(-1, 300); }), "setGameAreaSize -1 300", 0},
        {none([&] { c.setGameAreaPositionAlias(3, -7); }), "setGameAreaPosition 3 -7", 0},
        {none([&] { c.setGameAreaXAlias(10); }), "setGameAreaX 10", 0},
        {none([&] { c.setGameAreaYAlias(-11); }), "setGameAreaY -11", 0},
        {none([&] { c.setGameAreaWidthAlias(120); }), "setGameAreaWidth 120", 0},
        {none([&] { c.setGameAreaWidthAlias2(121); }), "setGameAreaWidth 121", 0},
        {none([&] { c.setGameAreaHeightAlias(130); }), "setGameAreaHeight 130", 0},
        {none([&] { c.setGameAreaHeightAlias2(131); }), "setGameAreaHeight 131", 0},
        {[&] { return jlong(c.getGameAreaXAlias()); }, "getGameAreaX", -31},
        {[&] { return jlong(c.getGameAreaYAlias()); }, "getGameAreaY", -32},
        {[&] { return jlong(c.getGameAreaWidthAlias()); }, "getGameAreaWidth", 333},
        {[&] { return jlong(c.getGameAreaHeightAlias()); }, "getGameAreaHeight", 444},
        {none([&] { c.setVibrationEnabledAlias(false); }), "setVibrationEnabled 0", 0},
        {none([&] { c.setBacklightEnabledAlias(true); }), "setBacklightEnabled 1", 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.reached);
        c.calls.clear();
        EXPECT_EQ(k.call(), k.result);
        EXPECT_EQ(c.calls, std::vector<std::string>{k.reached});
    }
    VMPtr<String> url = WREN_LIT("http://example.invalid/");
    c.calls.clear();
    EXPECT_TRUE(c.platformRequestAlias(url));
    EXPECT_EQ(c.calls, std::vector<std::string>{"platformRequest"});
    EXPECT_EQ(c.lastUrl, url.get());

    VMPtr<String> hooked = WREN_LIT("hooked");
    const std::vector<std::pair<std::function<void(const VMPtr<Object>&)>, std::string>> hooks = {
        {[&](const VMPtr<Object>& o) { c.objectHook1Alias(o); }, "objectHook1"},
        {[&](const VMPtr<Object>& o) { c.objectHook2Alias(o); }, "objectHook2"},
        {[&](const VMPtr<Object>& o) { c.objectHook3Alias(o); }, "objectHook3"},
    };
    for (const auto& [call, reached] : hooks) {
        SCOPED_TRACE(reached);
        c.calls.clear();
        c.lastObject = nullptr;
        call(hooked);
        EXPECT_EQ(c.calls, std::vector<std::string>{reached});
        EXPECT_EQ(c.lastObject, hooked.get());
    }
    c.calls.clear();
    EXPECT_EQ(c.longHookAlias(), 0x123456789ABLL);
    EXPECT_EQ(c.calls, std::vector<std::string>{"longHook"});
}

// Overrides of one entry each: the second key query, the first gradient,
// the first image entry, the first orientation entry and the second entries
// of the hooks.
class OverridingCanvas : public TestCanvas {
    WREN_CLASS(OverridingCanvas, TestCanvas)
public:
    std::vector<std::string> calls;
    void ctor(const VMPtr<javax::microedition::midlet::MIDlet>& owner) { TestCanvas::ctor(owner); }
    jboolean isKeyPressedAlias(jint) override { return true; }
    void objectHook1Alias(const VMPtr<Object>&) override { calls.push_back("objectHook1Alias"); }
    void objectHook2Alias(const VMPtr<Object>&) override { calls.push_back("objectHook2Alias"); }
    void objectHook3Alias(const VMPtr<Object>&) override { calls.push_back("objectHook3Alias"); }
    jlong longHookAlias() override { return 99; }
    void fillGradientDown(const VMPtr<Graphics>&, jint, jint, jint, jint, jint, jint) override {}
    VMPtr<Image> createImageFromData(const VMPtr<VMArray<jbyte>>&, jint, jint, jint, jint,
                                     const VMPtr<VMArray<jbyte>>&, jint) override {
        return nullptr;
    }
    jint getOrientation() override { return 12345; }
};

class SecondEntryOverrides : public CanvasTest {
protected:
    VMPtr<TestCanvas> makeCanvas(const VMPtr<TestMIDlet>& owner) override {
        return OverridingCanvas::make(owner);
    }
    OverridingCanvas& over() {
        return *vmCast<OverridingCanvas>(VMPtr<TestCanvas>(canvas.get()));
    }
};

TEST_F(SecondEntryOverrides, AnOverrideOfOneEntryLeavesTheOtherAsItWas) {
    // The second key query is overridden: the first still reads the
    // snapshot, where no key is pressed.
    canvas->updateKeys();
    EXPECT_TRUE(canvas->isKeyPressedAlias(21));
    EXPECT_FALSE(canvas->isKeyPressed(21));

    // The first gradient draws nothing now; the second still draws the
    // gradient's own body.
    auto drawn = [](const std::function<void(const VMPtr<Graphics>&)>& draw) {
        VMPtr<Image> image = Image::createImage(6, 4, false, 0x000000);
        draw(image->getGraphics());
        return pixelsOf(image);
    };
    std::vector<jint> blank = drawn([](const VMPtr<Graphics>&) {});
    std::vector<jint> gradient = drawn([](const VMPtr<Graphics>& g) {
        WrenCanvas::fillGradientDownStatic(g, 0, 0, 6, 4, 0xF80000, 0x0000F8);
    });
    ASSERT_NE(gradient, blank);
    EXPECT_EQ(drawn([&](const VMPtr<Graphics>& g) {
                  canvas->fillGradientDown(g, 0, 0, 6, 4, 0xF80000, 0x0000F8);
              }),
              blank);
    EXPECT_EQ(drawn([&](const VMPtr<Graphics>& g) {
                  canvas->fillGradientDownAlias(g, 0, 0, 6, 4, 0xF80000, 0x0000F8);
              }),
              gradient);

    // The first image entry answers null; the second still makes the image.
    EXPECT_TRUE(canvas->createImageFromData(indexedRows(), 1, 4, 3, 2, threeColours(), -1) ==
                nullptr);
    VMPtr<Image> image =
        canvas->createImageFromDataAlias(indexedRows(), 1, 4, 3, 2, threeColours(), -1);
    ASSERT_TRUE(image != nullptr);
    EXPECT_EQ(image->getWidth(), 3);

    // The first orientation entry is overridden; the second asks the
    // platform.
    EXPECT_EQ(canvas->getOrientation(), 12345);
    EXPECT_EQ(canvas->getOrientationAlias(), wren::platform::marl::WrenMarl::getOrientation());

    // The hooks' second entries are overridden: the first entries still do
    // nothing, and the first long hook still answers 0.
    OverridingCanvas& c = over();
    VMPtr<String> hooked = WREN_LIT("hooked");
    struct Hook {
        std::function<void(const VMPtr<Object>&)> first, second;
        std::string overridden;
    };
    const std::vector<Hook> hooks = {
        {[&](const VMPtr<Object>& o) { c.objectHook1(o); },
         [&](const VMPtr<Object>& o) { c.objectHook1Alias(o); }, "objectHook1Alias"},
        {[&](const VMPtr<Object>& o) { c.objectHook2(o); },
         [&](const VMPtr<Object>& o) { c.objectHook2Alias(o); }, "objectHook2Alias"},
        {[&](const VMPtr<Object>& o) { c.objectHook3(o); },
         [&](const VMPtr<Object>& o) { c.objectHook3Alias(o); }, "objectHook3Alias"},
    };
    for (const Hook& h : hooks) {
        SCOPED_TRACE(h.overridden);
        c.calls.clear();
        h.first(hooked);
        EXPECT_TRUE(c.calls.empty());
        h.second(hooked);
        EXPECT_EQ(c.calls, std::vector<std::string>{h.overridden});
    }
    EXPECT_EQ(c.longHookAlias(), 99);
    EXPECT_EQ(c.longHook(), 0);
}

}  // namespace

WREN_DEFINE_CLASS(EntryRecordingCanvas, "wrentest.framework.EntryRecordingCanvas")
WREN_DEFINE_CLASS(OverridingCanvas, "wrentest.framework.OverridingCanvas")
