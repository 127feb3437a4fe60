// Key input and the per-frame key snapshot: press counts, the held and
// released bits, the key map with its game actions and keypad digits, the
// keyboard's letters folded onto the keypad, negative key numbers, the masks
// and first-key queries, and a reset.
#include "framework_test_support.h"

namespace wrentest::framework {
namespace {

using wren::WrenCanvas;

constexpr jint kFive = 21;  // the virtual key of "5"
constexpr jint kUp = 1;

class KeyStateTest : public CanvasTest {
public:
    // The snapshot of a key as "count held released" (the bits that are set).
    std::string state(jint key) {
        std::string s = std::to_string(canvas->getKeyPressCount(key));
        if (canvas->isKeyHeld(key)) s += " held";
        if (canvas->isKeyReleased(key)) s += " released";
        EXPECT_EQ(canvas->isKeyPressed(key), canvas->getKeyPressCount(key) > 0);
        return s;
    }
    void press(jint code) { canvas->callKeyPressed(code); }
    void release(jint code) { canvas->callKeyReleased(code); }
    void repeat(jint code) { canvas->callKeyRepeated(code); }
    void tap(jint code) { canvas->tapKey(code); }
    void frame() { canvas->updateKeys(); }
};

// Each case drives the keys between snapshots and reads the "5" key's
// snapshot after each one.
TEST_F(KeyStateTest, SnapshotsOfPressesHoldsAndReleases) {
    struct Case {
        const char* name;
        std::vector<std::function<void(KeyStateTest&)>> beforeFrames;
        std::vector<std::string> snapshots;
    };
    auto pressFive = [](KeyStateTest& t) { t.press('5'); };
    auto releaseFive = [](KeyStateTest& t) { t.release('5'); };
    auto tapFive = [](KeyStateTest& t) {
        t.press('5');
        t.release('5');
    };
    auto nothing = [](KeyStateTest&) {};
    const Case cases[] = {
        {"pressed and released within a frame", {tapFive, nothing}, {"1 held released", "0"}},
        {"pressed, then released a frame later",
         {pressFive, releaseFive, nothing},
         {"1 held", "0 released", "0"}},
        {"held over frames", {pressFive, nothing, nothing}, {"1 held", "0 held", "0 held"}},
        {"the platform's repeated presses of a held key",
         {[](KeyStateTest& t) {
              t.press('5');
              t.press('5');
          },
          [](KeyStateTest& t) { t.press('5'); }},
         {"1 held", "0 held"}},
        {"70 taps in one frame saturate at 63",
         {[](KeyStateTest& t) {
              for (int i = 0; i < 70; ++i) {
                  t.press('5');
                  t.release('5');
              }
          }},
         {"63 held released"}},
        {"a release of a key that is not held", {releaseFive}, {"0"}},
        {"pressed again after its release within a frame",
         {[](KeyStateTest& t) {
              t.press('5');
              t.release('5');
              t.press('5');
          }},
         {"2 held"}},
        {"'k' of a keyboard drives the keypad's 5", {[](KeyStateTest& t) {
                                                        t.press('k');
                                                        t.release('k');
                                                    }},
         {"1 held released"}},
        {"repeat callbacks count nothing",
         {[](KeyStateTest& t) { t.repeat('5'); }},
         {"0"}},
        {"tapKey goes the whole callback way", {[](KeyStateTest& t) { t.tap('5'); }},
         {"1 held released"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas->resetKeys();
        frame();
        for (size_t i = 0; i < c.beforeFrames.size(); ++i) {
            c.beforeFrames[i](*this);
            frame();
            EXPECT_EQ(state(kFive), c.snapshots[i]) << "frame " << i + 1;
        }
    }
}

TEST_F(KeyStateTest, TheKeyMapDrivesGameActionsDigitsAndAliases) {
    struct Case {
        jint code;
        jint key;
    };
    const Case cases[] = {
        {-1, 1},   {-3, 2},  {'#', 3},   {-4, 5},   {-2, 6},   {13, 8},   {-10, 9},
        {'*', 10}, {-9, 15}, {'0', 16},  {'9', 25}, {-11, 26},
        // Keyboard letters on the keypad keys.
        {'.', 16}, {'u', 17}, {'i', 18}, {'o', 19}, {'j', 20}, {'k', 21}, {'l', 22},
        {'m', 23}, {0xF6, 24}, {0xE4, 25}, {0xE5, 3}, {',', 10},
        // Compared as 16-bit characters.
        {0x10000 + 'u', 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        canvas->resetKeys();
        frame();
        press(c.code);
        frame();
        EXPECT_EQ(state(c.key), "1 held");
        for (jint k = 1; k < 64; ++k) {
            if (k == c.key) continue;
            EXPECT_FALSE(canvas->isKeyPressed(k)) << "key " << k;
        }
        release(c.code);
        frame();
        EXPECT_EQ(state(c.key), "0 released");
    }
    // The action key (-5) and an unmapped letter drive no key, but count as
    // a key pressed in that frame.
    for (jint code : {-5, jint('A'), 5000}) {
        SCOPED_TRACE(code);
        frame();
        press(code);
        frame();
        EXPECT_EQ(canvas->getPressedMask(), 0);
        EXPECT_EQ(canvas->getHeldMask(), 0);
        EXPECT_TRUE(canvas->wasAnyKeyPressed());
        release(code);
        frame();
        EXPECT_FALSE(canvas->wasAnyKeyPressed());
    }
}

TEST_F(KeyStateTest, KeyNumbersWithoutTheMap) {
    frame();
    canvas->pressKey(-5);
    canvas->pressKey(40);
    // Neither has a slot: nothing changes.
    canvas->pressKey(0);
    canvas->pressKey(64);
    canvas->pressKey(-65);
    frame();
    EXPECT_EQ(state(-5), "1 held");
    EXPECT_EQ(canvas->keySnapshot[68] & 0xFF, 0x41);  // -5 lives in slot 63 - (-5)
    EXPECT_EQ(state(40), "1 held");
    EXPECT_EQ(canvas->getSnapshotState(0), 0);
    EXPECT_EQ(canvas->getSnapshotState(64), 0);
    EXPECT_EQ(canvas->getSnapshotState(100), 0);
    EXPECT_EQ(canvas->getSnapshotState(-65), 0);
    // The masks and first-key queries cover virtual keys 1..31 only.
    EXPECT_EQ(canvas->getPressedMask(), 0);
    EXPECT_EQ(canvas->getFirstPressedKey(), 0);
    canvas->releaseKey(-5);
    frame();
    EXPECT_EQ(state(-5), "0 released");
    EXPECT_EQ(state(40), "0 held");
}

TEST_F(KeyStateTest, MasksAndFirstKeysReadTheSnapshot) {
    frame();
    press('5');  // 21
    press(-1);   // up, 1
    release(-1);
    canvas->pressKey(31);
    frame();
    EXPECT_EQ(canvas->getPressedMask(), (1 << 1) | (1 << 21) | jint(1u << 31));
    EXPECT_EQ(canvas->getHeldMask(), (1 << 1) | (1 << 21) | jint(1u << 31));
    EXPECT_EQ(canvas->getReleasedMask(), 1 << 1);
    EXPECT_EQ(canvas->getFirstPressedKey(), 1);
    EXPECT_EQ(canvas->getFirstReleasedKey(), 1);
    // Keys pressed after the snapshot change nothing in this frame.
    press('0');
    EXPECT_EQ(canvas->getPressedMask(), (1 << 1) | (1 << 21) | jint(1u << 31));
    frame();
    EXPECT_EQ(canvas->getPressedMask(), 1 << 16);
    EXPECT_EQ(canvas->getHeldMask(), (1 << 16) | (1 << 21) | jint(1u << 31));
    EXPECT_EQ(canvas->getFirstHeldKey(), 16);
    EXPECT_EQ(canvas->getFirstReleasedKey(), 0);
}

// After a reset the frame sees no key, and the next snapshot reports the
// keys that were held as released.
TEST_F(KeyStateTest, AResetForgetsEveryKey) {
    frame();
    press(-1);
    press('5');
    frame();
    press('0');  // pressed after the snapshot: lost by the reset
    canvas->resetKeys();
    EXPECT_EQ(state(kUp), "0");
    EXPECT_EQ(canvas->getPressedMask(), 0);
    EXPECT_FALSE(canvas->wasAnyKeyPressed());
    frame();
    EXPECT_EQ(state(kUp), "0 released");
    EXPECT_EQ(state(kFive), "0 released");
    EXPECT_EQ(state(16), "0");
    release(-1);  // its release changes nothing now
    frame();
    EXPECT_EQ(state(kUp), "0");
}

// Start, pause and resume begin with no keys.
TEST_F(KeyStateTest, StartPauseAndResumeResetTheKeys) {
    for (jint code : {jint(WrenCanvas::EVENT_STARTED), jint(WrenCanvas::EVENT_PAUSED),
                      jint(WrenCanvas::EVENT_RESUMED)}) {
        SCOPED_TRACE(code);
        frame();
        press('5');
        frame();
        canvas->onEvent(code);
        EXPECT_EQ(state(kFive), "0");
        release('5');
    }
    frame();
    press('5');
    frame();
    for (jint code : {jint(WrenCanvas::EVENT_SIZE_CHANGED), jint(WrenCanvas::EVENT_RESUME_COMPLETE), 17})
        canvas->onEvent(code);
    EXPECT_EQ(state(kFive), "1 held");
}

TEST_F(KeyStateTest, VirtualKeysForTheGameComeFromTheTopDownTo41) {
    WrenCanvas::S().nextFreeVirtualKey = 63;
    for (jint expected = 63; expected >= 41; --expected)
        EXPECT_EQ(WrenCanvas::allocateVirtualKey(), expected);
    EXPECT_EQ(WrenCanvas::allocateVirtualKey(), 0);
    EXPECT_EQ(WrenCanvas::allocateVirtualKey(), 0);
    WrenCanvas::S().nextFreeVirtualKey = 63;
}

}  // namespace
}  // namespace wrentest::framework
