// The story scene: its load steps and layout (background anchored by its
// box 0, the black band left of it with the text, the figures centred on
// the box), one page per release of the first pointer once loaded, and
// what the tap after the last page does to the stage kind and the saved
// progress before it asks for scene 45.
#include <gtest/gtest.h>

#include <string>

#include "front_support.h"
#include "main_Game.h"
#include "scene_SceneManager.h"
#include "scene_maingame_InGameStory.h"
#include "scene_maingame_InMapScene.h"
#include "ui_Addon.h"
#include "ui_Screen.h"

namespace wrentest::front {
namespace {

using main::Game;
using main::Main;
using scene::maingame::InGameStory;

// Offsets in the progress record (store 0).
constexpr jint kProgressBAt = 4;
constexpr jint kFreePointsAt = 13;
constexpr jint kCursorAt = 49;
constexpr jint kStageKindAt = 60;

std::string text(const VMPtr<java::lang::String>& s) {
    VMCString out;
    vmCStringAssign(out, s);
    return std::string(out.c_str());
}

class StoryTest : public FrontTest {
protected:
    VMPtr<InGameStory> story() { return vmCast<InGameStory>(current()); }
    VMPtr<ui::Addon> panel() { return vmCast<ui::Addon>(story()->panel); }
    std::string shown() { return text(panel()->wrappedText->getText()); }
    std::string tableText(jint id) { return text(Main::S().translation->getString(id)); }

    // The manager, then scene 45 at the given stage kind, loaded.
    void openStory(jint stageKind) {
        frame();
        Game::S().stageKind = stageKind;
        manager()->changeScene(45);
        ASSERT_NE(story(), nullptr);
        frameUntilLoaded();
        calls();
    }
    jint savedInt(jint at) { return intAt(record(0), at); }
};

// Stage kind 0: pages 82 and 83; the second tap sets stage kind 1, saves,
// and asks for 45, which puts the cursor on the tutorial cell and stores
// its stage parameters for the play field.
TEST_F(StoryTest, TheFirstStoryEndsWithStageKindOneSaved) {
    frame();
    manager()->changeScene(45);
    ASSERT_NE(story(), nullptr);
    // loadData 0, 4, 3, 2, 1; loadObjects; loadUi; the end of the load.
    EXPECT_EQ(frameUntilLoaded(), 8);
    EXPECT_EQ(shown(), tableText(82));
    EXPECT_EQ(story()->page, 0);

    tap(100, 100);
    EXPECT_EQ(story()->page, 1);
    EXPECT_EQ(shown(), tableText(83));
    EXPECT_EQ(Game::S().stageKind, 0);
    EXPECT_EQ(savedInt(kStageKindAt), 0);

    tap(100, 100);
    EXPECT_EQ(manager()->sceneId, 45);
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(current()->getClass()->getName()->toUtf8(), "scene.maingame.InGameScene");
    EXPECT_EQ(Game::S().stageKind, 1);
    EXPECT_EQ(savedInt(kStageKindAt), 1);
    // The stage kind was saved before the change that moved the cursor.
    EXPECT_EQ(savedInt(kCursorAt), 10);
    EXPECT_EQ(savedInt(kCursorAt + 4), 5);
    EXPECT_EQ(Game::S().progressPair[0], 10);
    EXPECT_EQ(Game::S().progressPair[1], 6);
}

// Stage kind 11: one page (text 91); the stage kind is 10 already, so the
// tap saves nothing, and 45 is the map.
TEST_F(StoryTest, TheMissingPieceStorySavesNothing) {
    openStory(11);
    EXPECT_EQ(Game::S().stageKind, 10);
    EXPECT_EQ(shown(), tableText(91));
    Game::S().progressB = 4321;
    tap(50, 50);
    EXPECT_EQ(Game::S().stageKind, 10);
    EXPECT_EQ(savedInt(kProgressBAt), 1000);
    EXPECT_EQ(savedInt(kStageKindAt), 0);
    EXPECT_EQ(manager()->sceneId, 45);
    EXPECT_TRUE(vmIsInstanceOf(current(), scene::maingame::InMapScene::classRecord()));
}

struct EndCase {
    jint stageKind;
    jint firstText;
};

// Kinds 12 and 14: three pages; the last tap gives 30 free points, stage
// kind 10, and saves.
TEST_F(StoryTest, TheLateStoriesGiveFreePointsAndReturnToNormalPlay) {
    for (EndCase c : {EndCase{12, 87}, EndCase{14, 84}}) {
        SCOPED_TRACE("stage kind " + std::to_string(c.stageKind));
        openStory(c.stageKind);
        for (jint p = 0; p < 3; ++p) {
            EXPECT_EQ(shown(), tableText(c.firstText + p));
            EXPECT_EQ(savedInt(kFreePointsAt), 0);
            tap(120, 160);
        }
        EXPECT_EQ(Game::S().stats[0], 30);
        EXPECT_EQ(Game::S().stageKind, 10);
        EXPECT_EQ(savedInt(kFreePointsAt), 30);
        EXPECT_EQ(savedInt(kStageKindAt), 10);
        EXPECT_EQ(manager()->sceneId, 45);
        Game::S().stats[0] = 0;
        Main::S().game->saveState();
    }
}

// Nothing turns a page while the scene loads, and a held pointer does not;
// its release does.
TEST_F(StoryTest, OnlyAReleaseAfterLoadingTurnsThePage) {
    frame();
    manager()->changeScene(45);
    press(100, 100);
    lift(100, 100);
    frame();
    frame();
    ASSERT_TRUE(story()->progressiveLoad);
    frameUntilLoaded();
    frame();
    EXPECT_EQ(story()->page, 0);
    press(100, 100);
    for (int i = 0; i < 5; ++i) frame();
    EXPECT_EQ(story()->page, 0);
    lift(100, 100);
    frame();
    frame();
    EXPECT_EQ(story()->page, 1);
    frame();
    EXPECT_EQ(story()->page, 1);
}

// The fixture's box 0 is {-160, 0, 160, 320} at (240, 0): no shift, a band
// {0, 0, 80, 320} in black holding the text, figures 60 wide centred on the
// box at y 160.
TEST_F(StoryTest, LayoutFromTheBackgroundBox) {
    openStory(0);
    VMPtr<InGameStory> s = story();
    VMPtr<ui::Screen> screen = s->screen;
    EXPECT_EQ(s->backgroundShift, 0);
    EXPECT_EQ(screen->getLayerX(0), 240);
    EXPECT_EQ(screen->getLayerY(0), 0);
    EXPECT_EQ(screen->getLayerAnimation(0), 1);
    EXPECT_EQ(screen->getLayerX(1), 190);
    EXPECT_EQ(screen->getLayerY(1), 160);
    EXPECT_EQ(screen->getLayerAnimation(1), 3);
    EXPECT_EQ(screen->getLayerX(2), 190);
    EXPECT_EQ(screen->getLayerAnimation(2), 2);
    VMPtr<VMArray<jint>> box = panel()->getTextBox();
    EXPECT_EQ(box[0], 0);
    EXPECT_EQ(box[1], 0);
    EXPECT_EQ(box[2], 80);
    EXPECT_EQ(box[3], 320);
    EXPECT_EQ(panel()->fontIndex, 2);

    VMPtr<javax::microedition::lcdui::Image> img = paint();
    EXPECT_EQ(pixel(img, 1, 318), kBlack);
    EXPECT_EQ(pixel(img, 85, 5), kStoryColour);
    EXPECT_EQ(pixel(img, 235, 300), kStoryColour);
    EXPECT_EQ(pixel(img, 160, 160), 0xFF8000C0u);  // family frame 2, purple
    // Some text in the band.
    int ink = 0;
    for (jint y = 0; y < 320; ++y)
        for (jint x = 0; x < 80; ++x) ink += pixel(img, x, y) != kBlack;
    EXPECT_GT(ink, 50);
}

// The constructor's requests: the story music, every font dropped, font 2
// loaded.
TEST_F(StoryTest, TheConstructorAsksForTheStoryMusicAndFontTwo) {
    frame();
    calls();
    VMPtr<InGameStory> s = InGameStory::make(5, 2);
    EXPECT_EQ(s->firstPage, 5);
    EXPECT_EQ(s->page, 5);
    EXPECT_EQ(s->extraPages, 2);
    EXPECT_EQ(calls(), (Calls{"sound set 4", "release font 0", "release font 1", "release font 2",
                              "release font 3", "release font 4", "release font 5",
                              "release font 6", "load font 2"}));
}

class StoryCutTest : public StoryTest {
protected:
    FixtureShape shape() override {
        FixtureShape s;
        s.storyBoxY = 20;
        return s;
    }
};

// A text box whose bottom would pass y 320 ends at 320.
TEST_F(StoryCutTest, TheTextBoxEndsAtTheBottomEdge) {
    openStory(0);
    VMPtr<VMArray<jint>> box = panel()->getTextBox();
    EXPECT_EQ(box[1], 20);
    EXPECT_EQ(box[3], 300);
    tap(10, 10);
    box = panel()->getTextBox();
    EXPECT_EQ(box[1], 20);
    EXPECT_EQ(box[3], 300);
}

}  // namespace
}  // namespace wrentest::front
