// main.Main: the frame around the scenes (game-area offsets, the splash and
// the loading panel drawn only on a redraw), the glyph-set cache, the sound
// set rules over a sound manager that writes down what it is told, the
// first frame's scene manager, and the random helper's sign.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "main_Main.h"
#include "runtime/runtime_test_support.h"
#include "scene_SceneManager.h"
#include "shell_test_support.h"
#include "wren_AnimPlayer.h"
#include "wren_Resources.h"
#include "wren_graphics_CollisionBox.h"

namespace wrentest::shell {
namespace {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;
using main::Main;
using Calls = std::vector<std::string>;

class MainTest : public ShellTest {
protected:
    VMPtr<Main> makeMain(jint width = 240, jint height = 320) {
        canvas->width = width;
        canvas->height = height;
        return Main::make(canvas);
    }
    // A screen-sized image filled with `colour`, and its graphics.
    void makeScreen(jint colour = 0xFF0000) {
        screen = Image::createImage(canvas->width, canvas->height, false, colour);
        g = screen->getGraphics();
    }
    uint32_t pixel(jint x, jint y) {
        VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(1);
        screen->getRGB(rgb, 0, 1, x, y, 1, 1);
        return uint32_t(rgb[0]);
    }
    Calls soundCalls() {
        Calls calls = sound->calls;
        sound->calls.clear();
        return calls;
    }

    VMNativePtr<Image> screen;
    VMNativePtr<Graphics> g;
    VMNativePtr<RecordingSound> sound;
};

TEST_F(MainTest, ConstructionSharesTheObjectsAndAttachesFontZero) {
    VMPtr<Main> m = makeMain();
    Main::Statics& s = Main::S();
    EXPECT_TRUE(s.instance == m);
    EXPECT_TRUE(s.canvas == canvas);
    EXPECT_NE(s.game, nullptr);
    EXPECT_NE(s.resManager, nullptr);
    EXPECT_NE(s.random, nullptr);
    EXPECT_EQ(s.sceneManager, nullptr);
    EXPECT_TRUE(s.redrawBackground && s.splashPending && s.firstMenuVisit);
    EXPECT_FALSE(s.soundOn);
    EXPECT_EQ(m->soundManager, nullptr);
    EXPECT_EQ(s.currentGlyphSetId, 0x4C00);
    EXPECT_EQ(s.richFont->getTransform(), 5);
    EXPECT_TRUE(s.richFont->getGlyphs() == m->glyphSets[0]);
}

// The splash is drawn centred on the first redraw; the game area is centred
// with the division truncating, and handed to the canvas for touch input.
TEST_F(MainTest, TheFirstRedrawCentresTheGameAreaAndTheSplash) {
    struct Case {
        jint w, h, x, y;
    };
    for (Case c : {Case{240, 320, 0, 0}, Case{241, 321, 0, 0}, Case{480, 640, 120, 160},
                   Case{239, 319, 0, 0}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        resetGameStatics();
        makeMain(c.w, c.h);
        makeScreen();
        Main::S().instance->paint(g);
        EXPECT_EQ(Main::S().gameAreaX, c.x);
        EXPECT_EQ(Main::S().gameAreaY, c.y);
        EXPECT_EQ(canvas->getGameAreaX(), c.x);
        EXPECT_EQ(canvas->getGameAreaY(), c.y);
        EXPECT_FALSE(Main::S().redrawBackground);
        EXPECT_FALSE(Main::S().splashPending);
        // The splash covers 40 x 30 around the centre; the rest is black.
        const jint cx = c.w / 2, cy = c.h / 2;
        EXPECT_EQ(pixel(cx - 20, cy - 15), kSplashColour);
        EXPECT_EQ(pixel(cx + 19, cy + 14), kSplashColour);
        EXPECT_EQ(pixel(cx - 21, cy), 0xFF000000u);
        EXPECT_EQ(pixel(cx, cy + 15), 0xFF000000u);
        EXPECT_EQ(pixel(0, 0), 0xFF000000u);
        EXPECT_EQ(pixel(c.w - 1, c.h - 1), 0xFF000000u);
    }
}

TEST_F(MainTest, APaintWithoutARedrawRequestLeavesTheScreenAndTheArea) {
    VMPtr<Main> m = makeMain(480, 640);
    makeScreen();
    m->paint(g);
    makeScreen(0xFF0000);
    canvas->setGameAreaPosition(7, 9);
    m->paint(g);
    EXPECT_EQ(pixel(240, 320), 0xFFF80000u);
    EXPECT_EQ(pixel(0, 0), 0xFFF80000u);
    EXPECT_EQ(canvas->getGameAreaX(), 7);
    EXPECT_EQ(Main::S().gameAreaX, 120);
    // The scenes' translation is undone.
    EXPECT_EQ(g->getTranslateX(), 0);
    EXPECT_EQ(g->getTranslateY(), 0);
}

// A stored panel waits for a redraw during a load; a later redraw while
// loading draws frame 1 with the values at their boxes' top right corners
// and the marker at the box of the asked kind.
TEST_F(MainTest, TheLoadingPanelWaitsForARedrawWhileLoading) {
    VMPtr<Main> m = makeMain();
    makeScreen();
    m->paint(g);  // the splash: nothing is loading any more
    m->showLoadingPanel(true, true, 1, 2, 3, 4);
    Main::S().redrawBackground = true;
    makeScreen();
    m->paint(g);
    EXPECT_TRUE(m->panelPending);
    EXPECT_EQ(pixel(120, 160), 0xFF000000u);
    VMPtr<VMArray<jint>> state = m->getLoadingPanelState();
    ASSERT_EQ(state->length, 6);
    EXPECT_EQ((std::vector<jint>(state->elements(), state->elements() + 6)),
              (std::vector<jint>{1, 1, 1, 2, 3, 4}));

    Main::S().splashPending = true;  // loading again
    Main::S().redrawBackground = true;
    makeScreen();
    m->paint(g);
    EXPECT_FALSE(m->panelPending);
    EXPECT_FALSE(Main::S().splashPending);
    EXPECT_EQ(pixel(120 - 30, 160 - 20), kPanelColour1);
    EXPECT_EQ(pixel(120 + 29, 160 + 19), kPanelColour1);
    EXPECT_EQ(pixel(120 - 31, 160), 0xFF000000u);
    // Value 1 at the kind-0 box {-30, -20, 10, 10}: right edge -20, top -20.
    EXPECT_EQ(pixel(120 - 20, 160 - 20), kValueColours[1]);
    // Value 2 at the kind-1 box {-30, 0, 20, 10}: (-10, 0).
    EXPECT_EQ(pixel(120 - 10, 160), kValueColours[2]);
    // Value 3 at the kind-3 box {0, -20, 5, 5}: (5, -20).
    EXPECT_EQ(pixel(120 + 5, 160 - 20), kValueColours[3]);
    // The marker at the kind-4 box {10, 10, 10, 10}: (20, 10).
    EXPECT_EQ(pixel(120 + 20, 160 + 10), kMarkerColour);
}

TEST_F(MainTest, PanelFrameZeroUnlessFlagOne) {
    VMPtr<Main> m = makeMain();
    m->showLoadingPanel(false, false, 0, 0, 0, 4);
    makeScreen();
    m->paint(g);
    EXPECT_EQ(pixel(120 + 29, 160 + 19), kPanelColour);
}

// A frame the panel's set lacks, whichever question meets it first, can
// only be content too short for the game: the exception names the set's
// file and entry. A negative frame, or animation, is the program's own
// mistake and names nothing.
TEST_F(MainTest, AFramePastThePanelSetNamesItsFileAndANegativeOneNothing) {
    VMPtr<wren::AnimSet> panel = wren::Resources::requireAnimSet(
        Main::PANEL_ANIM_SET, wren::Resources::requireGobs(Main::PANEL_GOBS));
    wren::Resources::closePack();
    ASSERT_EQ(panel->getFrameCount(), 3);
    ASSERT_EQ(panel->getAnimationCount(), 3);
    makeScreen();
    VMPtr<VMArray<jint>> ints = VMArray<jint>::create(20);
    VMPtr<VMArray<wren::graphics::CollisionBox*>> boxes =
        wren::graphics::CollisionBox::ensureBoxes(nullptr, 4);
    VMPtr<wren::AnimPlayer> player = wren::AnimPlayer::make();
    player->setAnimSet(panel);
    const std::string frames = "/RP2part1.rp: entry 3: the animation set has no frame 3 (it has 3)";
    const std::string animations =
        "/RP2part1.rp: entry 3: the animation set has no animation 3 (it has 3)";
    struct Ask {
        const char* name;
        std::function<void(jint)> ask;
        const std::string& named;
    } asks[] = {
        {"getFrame", [&](jint f) { panel->getFrame(f); }, frames},
        {"getFrameBounds", [&](jint f) { panel->getFrameBounds(f, 0, ints); }, frames},
        {"getFramePieces", [&](jint f) { panel->getFramePieces(f, 0, ints); }, frames},
        {"getFramePieceCount", [&](jint f) { panel->getFramePieceCount(f); }, frames},
        {"getFrameBoxCount", [&](jint f) { panel->getFrameBoxCount(f); }, frames},
        {"getCollisionRects", [&](jint f) { panel->getCollisionRects(f, 0, ints, 1); }, frames},
        {"getCollisionBoxes", [&](jint f) { panel->getCollisionBoxes(f, 0, boxes, 1); }, frames},
        {"paintFrame", [&](jint f) { panel->paintFrame(g, f, 0, 0, 0); }, frames},
        {"setAnimation", [&](jint a) { player->setAnimation(a); }, animations},
    };
    for (const Ask& a : asks) {
        SCOPED_TRACE(a.name);
        VMPtr<java::lang::Throwable> t = wrentest::thrownBy([&] { a.ask(3); });
        ASSERT_EQ(wrentest::classNameOf(t), "java.lang.ArrayIndexOutOfBoundsException");
        const std::string message = wrentest::text(t->getMessage());
        EXPECT_EQ(message.rfind('/', 0), 0u) << message;
        EXPECT_TRUE(message.size() > a.named.size() &&
                    message.compare(message.size() - a.named.size(), a.named.size(), a.named) == 0)
            << message;
        t = wrentest::thrownBy([&] { a.ask(-1); });
        ASSERT_EQ(wrentest::classNameOf(t), "java.lang.ArrayIndexOutOfBoundsException");
        EXPECT_EQ(wrentest::text(t->getMessage()), "Array index out of range: -1");
    }
}

TEST_F(MainTest, FontsAreLoadedOnceAndAttachedOnlyWhenTheSetInUseChanges) {
    VMPtr<Main> m = makeMain();
    Main::Statics& s = Main::S();
    VMPtr<VMArray<wren::Gob*>> zero = m->glyphSets[0];
    s.richFont->setTransform(0);
    m->selectFont(0);
    EXPECT_TRUE(m->glyphSets[0] == zero);
    EXPECT_EQ(s.richFont->getTransform(), 5);

    m->selectFont(3);
    VMPtr<VMArray<wren::Gob*>> three = m->glyphSets[3];
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(s.loadedGlyphSetIds[3], 0x4C03);
    EXPECT_EQ(s.currentGlyphSetId, 0x4C03);
    EXPECT_TRUE(s.richFont->getGlyphs() == three);
    EXPECT_TRUE(m->glyphSets[0] == zero);

    // Releasing the set in use empties its slot; selecting it again loads
    // a new copy, and the rich font keeps the one it holds (same id).
    m->releaseFont(3);
    EXPECT_EQ(m->glyphSets[3], nullptr);
    EXPECT_EQ(s.loadedGlyphSetIds[3], -1);
    EXPECT_EQ(s.currentGlyphSetId, 0x4C03);
    m->selectFont(3);
    EXPECT_NE(m->glyphSets[3], nullptr);
    EXPECT_FALSE(m->glyphSets[3] == three);
    EXPECT_TRUE(s.richFont->getGlyphs() == three);

    m->selectFont(0);
    EXPECT_TRUE(s.richFont->getGlyphs() == zero);
}

TEST_F(MainTest, SoundSetRules) {
    VMPtr<Main> m = makeMain();
    Main::Statics& s = Main::S();
    sound = RecordingSound::make();

    // Sound off: nothing reaches the manager, even when one exists.
    m->soundManager = sound.get();
    m->playCueSound();
    m->stopSounds();
    m->stopMusic();
    m->playMusic(3);
    m->changeSoundSet(2);
    EXPECT_EQ(soundCalls(), Calls{});
    EXPECT_FALSE(s.musicPlaying);

    m->initSound(0);
    EXPECT_EQ(soundCalls(), (Calls{"unload 4", "loadResource 4 21505 -1 0"}));
    EXPECT_TRUE(s.soundOn);
    EXPECT_EQ(s.soundSet, 0);
    m->initSound(5);
    EXPECT_EQ(soundCalls(), (Calls{"unload 4", "loadResource 4 21504 -1 0"}));

    // A set outside 0..5 loads nothing but still turns sound on.
    m->initSound(6);
    EXPECT_EQ(soundCalls(), Calls{"unload 4"});
    EXPECT_TRUE(s.soundOn);
    EXPECT_EQ(s.soundSet, 6);

    m->changeSoundSet(6);
    EXPECT_EQ(soundCalls(), Calls{});
    m->playMusic(7);
    EXPECT_EQ(soundCalls(), Calls{"play 1 7"});
    EXPECT_TRUE(s.musicPlaying);
    m->changeSoundSet(1);
    EXPECT_EQ(soundCalls(), (Calls{"stop 1", "unload 4", "loadResource 4 21506 -1 0"}));
    EXPECT_FALSE(s.musicPlaying);
    m->stopMusic();
    EXPECT_EQ(soundCalls(), Calls{});
    m->playCueSound();
    EXPECT_EQ(soundCalls(), Calls{"play 2 4"});

    m->disableSound();
    EXPECT_EQ(soundCalls(), Calls{"stop -1"});
    EXPECT_FALSE(s.soundOn);
    EXPECT_EQ(s.soundSet, -1);
    EXPECT_TRUE(m->soundManager == sound);

    m->releaseSound();
    EXPECT_EQ(soundCalls(), Calls{"dispose"});
    EXPECT_EQ(m->soundManager, nullptr);
    m->releaseSound();
    m->disableSound();
    EXPECT_EQ(soundCalls(), Calls{});
}

TEST_F(MainTest, UpdateWhilePausedCreatesNoSceneManager) {
    VMPtr<Main> m = makeMain();
    m->onPause();
    m->update();
    EXPECT_EQ(Main::S().sceneManager, nullptr);
    m->onResume();
    Main::S().redrawBackground = false;
    m->update();
    VMPtr<scene::SceneManager> manager = Main::S().sceneManager;
    ASSERT_NE(manager, nullptr);
    EXPECT_TRUE(scene::SceneManager::S().instance == manager);
    EXPECT_EQ(manager->sceneId, 0);
    EXPECT_EQ(Main::S().language, 0x5000);
    ASSERT_NE(Main::S().translation, nullptr);
    EXPECT_TRUE(Main::S().redrawBackground);
    m->update();
    EXPECT_TRUE(Main::S().sceneManager == manager);
}

// Back from a pause: the tune starts again, except on the play field,
// whose own pause stays up.
TEST_F(MainTest, ResumeCompleteRestartsTheTuneAwayFromThePlayField) {
    VMPtr<Main> m = makeMain();
    sound = RecordingSound::make();
    m->soundManager = sound.get();
    m->initSound(0);
    soundCalls();
    m->onResumeComplete();
    EXPECT_EQ(soundCalls(), Calls{"play 2 4"});
    m->update();  // the scene manager: its first scene change stops the sounds
    EXPECT_EQ(soundCalls(), Calls{"stop -1"});
    m->onResumeComplete();
    EXPECT_EQ(soundCalls(), Calls{"play 2 4"});
    Main::S().sceneManager->sceneId = 34;
    m->onResumeComplete();
    EXPECT_EQ(soundCalls(), Calls{});
}

TEST_F(MainTest, CleanUpDropsTheSharedObjectsAndKeepsTheInstance) {
    VMPtr<Main> m = makeMain();
    m->update();
    Main::cleanUp();
    Main::Statics& s = Main::S();
    EXPECT_TRUE(s.instance == m);
    EXPECT_EQ(s.canvas, nullptr);
    EXPECT_EQ(s.sceneManager, nullptr);
    EXPECT_EQ(s.game, nullptr);
    EXPECT_EQ(s.resManager, nullptr);
    EXPECT_EQ(s.random, nullptr);
    EXPECT_EQ(s.richFont, nullptr);
    EXPECT_EQ(s.translation, nullptr);
    for (jint i = 0; i < 7; ++i) EXPECT_EQ(s.loadedGlyphSetIds[i], -1);
    EXPECT_EQ(s.currentGlyphSetId, -1);
    EXPECT_EQ(s.language, -1);
    EXPECT_EQ(s.soundSet, -1);
    EXPECT_TRUE(s.firstMenuVisit && s.redrawBackground);
    Main::cleanUp();  // a second exit finds nothing to release
}

// The absolute value of the smallest int is itself: the helper gives 0 for
// it, and the plain absolute value for everything else.
TEST_F(MainTest, RandomIntIsNeverNegative) {
    makeMain();
    VMPtr<ScriptedRandom> random = ScriptedRandom::make();
    random->script = {INT_MIN, -5, 7, INT_MAX, -INT_MAX, 0};
    Main::S().random = random;
    std::vector<jint> drawn;
    for (int i = 0; i < 6; ++i) drawn.push_back(Main::randomInt());
    EXPECT_EQ(drawn, (std::vector<jint>{0, 5, 7, INT_MAX, INT_MAX, 0}));
    for (int i = 0; i < 10000; ++i) ASSERT_GE(Main::randomInt(), 0);
}

}  // namespace
}  // namespace wrentest::shell
