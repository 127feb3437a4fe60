// main.CommonMIDlet and main.CommonCanvas: the first start makes the canvas
// and the main object, a later one only resumes; the canvas hands each
// system event to the main object before the framework's handler and does
// nothing of the game from the exit on.
#include <gtest/gtest.h>

#include "java_lang_Class.h"
#include "javax_microedition_lcdui_Image.h"
#include "main_CommonCanvas.h"
#include "main_CommonMIDlet.h"
#include "main_Main.h"
#include "shell_test_support.h"

namespace wrentest::shell {
namespace {

using main::CommonCanvas;
using main::CommonMIDlet;
using main::Main;
using wren::WrenCanvas;

TEST_F(ShellTest, ASecondStartCreatesNothingNew) {
    VMPtr<CommonMIDlet> game = CommonMIDlet::make();
    game->startApp();
    VMPtr<WrenCanvas> first = game->canvas;
    VMPtr<Main> firstMain = game->main;
    ASSERT_NE(first, nullptr);
    ASSERT_NE(firstMain, nullptr);
    EXPECT_NE(vmCast<CommonCanvas>(first), nullptr);
    EXPECT_TRUE(Main::S().instance == firstMain);
    EXPECT_TRUE(Main::S().canvas == first);
    VMPtr<main::Game> state = Main::S().game;
    stopGameThreadAndInstall(first);

    game->pauseApp();
    game->startApp();
    EXPECT_TRUE(game->canvas == first);
    EXPECT_TRUE(game->main == firstMain);
    EXPECT_TRUE(Main::S().instance == firstMain);
    EXPECT_TRUE(Main::S().game == state);
    EXPECT_EQ(first->pauseState, WrenCanvas::RESUME_REQUESTED);
}

// The application manager finds the MIDlet by the name "MIDlet-1" gives and
// makes it through its class record; the build constants are interfaces.
TEST_F(ShellTest, TheClassTableKnowsTheShellsClasses) {
    VMPtr<java::lang::Class> midletClass = java::lang::Class::forName(WREN_LIT("main.CommonMIDlet"));
    ASSERT_NE(midletClass, nullptr);
    EXPECT_NE(vmCast<CommonMIDlet>(midletClass->newInstance()), nullptr);
    for (const char* name : {"generated.Build", "generated.RP", "generated.Texts",
                             "global.GameGlobals", "global.GameScene"}) {
        SCOPED_TRACE(name);
        VMPtr<java::lang::Class> c = java::lang::Class::forName(java::lang::String::make(name));
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->isInterface);
    }
}

class CommonCanvasTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        game = CommonCanvas::make(midlet);
        stopGameThreadAndInstall(game);
        mainObject = Main::make(game);
        Main::S().redrawBackground = false;
    }

    VMNativePtr<CommonCanvas> game;
    VMNativePtr<Main> mainObject;
};

TEST_F(CommonCanvasTest, EventsReachTheMainObjectBeforeTheFramework) {
    game->closing = true;
    game->onEvent(WrenCanvas::EVENT_STARTED);
    EXPECT_FALSE(game->closing);
    EXPECT_EQ(game->desiredFrameTime, 40);

    game->onEvent(WrenCanvas::EVENT_PAUSED);
    EXPECT_TRUE(mainObject->paused);
    EXPECT_FALSE(Main::S().redrawBackground);
    game->onEvent(WrenCanvas::EVENT_RESUMED);
    EXPECT_FALSE(mainObject->paused);
    EXPECT_TRUE(Main::S().redrawBackground);

    // A size change only asks for a redraw; an unknown code does nothing.
    Main::S().redrawBackground = false;
    mainObject->paused = true;
    game->onEvent(WrenCanvas::EVENT_SIZE_CHANGED);
    EXPECT_TRUE(Main::S().redrawBackground);
    EXPECT_TRUE(mainObject->paused);
    Main::S().redrawBackground = false;
    game->onEvent(6);
    game->onEvent(-1);
    EXPECT_FALSE(Main::S().redrawBackground);
    EXPECT_TRUE(mainObject->paused);
    EXPECT_FALSE(game->closing);
}

// From the exit on, a frame still in progress neither takes the keys nor
// reaches the released game objects; a new start clears that.
TEST_F(CommonCanvasTest, AfterTheExitUpdateAndPaintDoNothing) {
    game->onEvent(WrenCanvas::EVENT_EXIT);
    EXPECT_TRUE(game->closing);
    EXPECT_EQ(Main::S().canvas, nullptr);
    EXPECT_EQ(Main::S().game, nullptr);
    EXPECT_EQ(midlet->getState(), javax::microedition::midlet::MIDlet::DESTROYED);

    game->pressKey(8);
    game->update();
    EXPECT_FALSE(game->isKeyPressed(8));
    EXPECT_EQ(Main::S().sceneManager, nullptr);
    VMPtr<javax::microedition::lcdui::Image> screen =
        javax::microedition::lcdui::Image::createImage(240, 320, false, 0xFF0000);
    Main::S().redrawBackground = true;
    game->paintGame(screen->getGraphics());
    VMPtr<VMArray<jint>> rgb = VMArray<jint>::create(1);
    screen->getRGB(rgb, 0, 1, 120, 160, 1, 1);
    EXPECT_EQ(uint32_t(rgb[0]), 0xFFF80000u);

    game->onEvent(WrenCanvas::EVENT_STARTED);
    EXPECT_FALSE(game->closing);
}

TEST_F(CommonCanvasTest, AFrameTakesTheKeysThenRunsTheMainObject) {
    game->pressKey(8);
    game->update();
    EXPECT_TRUE(game->isKeyPressed(8));
    EXPECT_NE(Main::S().sceneManager, nullptr);
}

// destroyApp's argument changes nothing: sound and game objects released,
// the main object dropped, the application ended through the canvas.
TEST_F(CommonCanvasTest, DestroyAppReleasesTheGameAndEndsTheApplication) {
    for (jboolean unconditional : {true, false}) {
        SCOPED_TRACE(unconditional);
        VMPtr<CommonMIDlet> owner = CommonMIDlet::make();
        VMPtr<CommonCanvas> canvasOfIt = CommonCanvas::make(owner);
        stopGameThreadAndInstall(canvasOfIt);
        owner->canvas = canvasOfIt;
        owner->main = Main::make(canvasOfIt);
        owner->main->initSound(9);
        owner->destroyApp(unconditional);
        EXPECT_EQ(owner->main, nullptr);
        EXPECT_EQ(Main::S().instance->soundManager, nullptr);
        EXPECT_FALSE(Main::S().soundOn);
        EXPECT_EQ(Main::S().canvas, nullptr);
        EXPECT_EQ(Main::S().resManager, nullptr);
        EXPECT_TRUE(canvasOfIt->closing);
        EXPECT_EQ(owner->getState(), javax::microedition::midlet::MIDlet::DESTROYED);
        EXPECT_EQ(WrenCanvas::S().appState, WrenCanvas::APP_EXITING);
    }
}

}  // namespace
}  // namespace wrentest::shell
