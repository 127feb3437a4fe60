// The map's dialogs: the stage dialog of the cursor cell with its texts
// laid into the dialog frame's boxes, the play-mode dialog that stores the
// stage parameters and asks for the play field, the menu (back to the main
// menu) and the settings (sound, language), and the rule that the last
// button held on acts when the stylus is released over any button.
#include <gtest/gtest.h>

#include "main_Game.h"
#include "map_test_support.h"
#include "ui_Screen.h"

namespace wrentest::map {
namespace {

using main::Game;
using main::Main;

// Dialog boxes on the screen: the dialog is drawn at (120, 160).
std::vector<jint> screenBox(const Box& b) { return {120 + b.x, 160 + b.y, b.width, b.height}; }
std::vector<jint> boxCentre(const Box& b) {
    return {120 + b.x + b.width / 2, 160 + b.y + b.height / 2};
}

class MapDialog : public MapTest {
protected:
    // A map with the cursor on (column, row), whose record is `record`.
    void loadOn(jint column, jint row, std::vector<jint> record) {
        VMPtr<VMArray<jint>> r = Game::S().cellRecords[column + 20 * row];
        for (jint i = 0; i < 6; ++i) r[i] = record[size_t(i)];
        setCursor(column, row);
        load();
    }
    void tapCursor() {
        std::vector<jint> c = centre(scene->cursorLayer, 0);
        quickTap(c[0], c[1]);
    }
    void tapMenuButton() {
        std::vector<jint> c = centre(scene->dialogLayer - 1, 0);
        quickTap(c[0], c[1]);
    }
    // Layer of the highlight, and where it stands.
    jint highlight() { return scene->screen->getLayerAnimation(scene->dialogLayer + 1); }
    std::vector<jint> highlightAt() {
        jint layer = scene->dialogLayer + 1;
        return {scene->screen->getLayerX(layer), scene->screen->getLayerY(layer)};
    }
    std::vector<jint> stageParams() {
        VMPtr<VMArray<jint>> p = mainObject->getLoadingPanelState();
        return {p[0], p[1], p[2], p[3], p[4], p[5]};
    }
    std::vector<std::string> lines() { return {lineText(0), lineText(1), lineText(2), lineText(3)}; }
};

TEST_F(MapDialog, TheStageDialogOfTheCursorCell) {
    struct Case {
        std::vector<jint> record;  // level, family, reward kind, heat kinds
        std::string level, reward;
    };
    const std::vector<Case> cases = {
        {{7, 3, 2, 0, 1, -1}, "0:4207", "$1120"},   // rate 160
        {{12, 0, 5, 0, 1, 1}, "0:4212", "$576"},    // rate 48
        {{9, 8, 1, 2, 2, 2}, "0:4209", "$9"},       // rate 1: the level itself
        {{10, 6, 0, 4, 4, 4}, "0:4210", "$1400"},   // rate 140
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        loadOn(9, 5, c.record);
        tapCursor();
        ASSERT_EQ(scene->state, 1);
        VMPtr<ui::Screen> screen = scene->screen;
        jint d = scene->dialogLayer;
        EXPECT_EQ(screen->getLayerAnimation(d), 1);
        EXPECT_EQ(screen->getLayerCount(), d + 4);
        // The highlight rests (an empty frame) on the play button.
        EXPECT_EQ(highlight(), 0);
        EXPECT_EQ(highlightAt(), boxCentre(kStageBoxes[5]));
        EXPECT_EQ(lines(), (std::vector<std::string>{"0:41", c.level, c.reward, ""}));
        EXPECT_EQ(lineBox(0), screenBox(kStageBoxes[0]));
        EXPECT_EQ(lineBox(1), screenBox(kStageBoxes[1]));
        EXPECT_EQ(lineBox(2), screenBox(kStageBoxes[4]));
        // The cell icon: element `reward kind` of the icon set, on box 2's
        // centre.
        EXPECT_EQ(screen->getLayerAnimation(d + 2), c.record[2]);
        EXPECT_EQ((std::vector<jint>{screen->getLayerX(d + 2), screen->getLayerY(d + 2)}),
                  boxCentre(kStageBoxes[2]));
        // The cell picture: frame 1 of the family's set, its right edge at
        // box 3's x plus its width.
        EXPECT_EQ(screen->getLayerAnimation(d + 3), 1);
        EXPECT_EQ(ui::ResManager::S().ids[0][screen->getLayerGobColumn(d + 3)], 18441 + c.record[1]);
        EXPECT_EQ(screen->getLayerWidth(d + 3), 60);
        EXPECT_EQ((std::vector<jint>{screen->getLayerX(d + 3), screen->getLayerY(d + 3)}),
                  (std::vector<jint>{120 + kStageBoxes[3].x + 60, 160 + kStageBoxes[3].y}));
        EXPECT_EQ(scene->cellRecord[0], c.record[0]);
        scene->unload();
        scene = nullptr;
        ui::ResManager::clear();
    }
}

TEST_F(MapDialog, BackFromTheStageDialogClearsTheLinesAndHidesTheDialogs) {
    loadOn(9, 5, {7, 3, 2, 0, 1, -1});
    tapCursor();
    std::vector<jint> back = boxCentre(kStageBoxes[6]);
    holdTap(back[0], back[1]);
    EXPECT_EQ(scene->state, 0);
    EXPECT_EQ(scene->screen->getLayerCount(), scene->dialogLayer);
    EXPECT_EQ(lines(), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_TRUE(manager->requested.empty());
}

TEST_F(MapDialog, TheLastButtonHeldOnActsWhereverOverAButtonTheStylusIsReleased) {
    loadOn(9, 5, {7, 3, 2, 0, 1, -1});
    tapCursor();
    std::vector<jint> play = boxCentre(kStageBoxes[5]);
    std::vector<jint> back = boxCentre(kStageBoxes[6]);

    // Held on "back": highlighted there.
    press(back[0], back[1]);
    frames(2);
    EXPECT_EQ(scene->confirmChoice, 1);
    EXPECT_EQ(highlight(), 4);
    EXPECT_EQ(highlightAt(), back);
    // Off every button: no highlight, and a release there does nothing.
    canvas->callPointerDragged(120, 160);
    frames(2);
    EXPECT_EQ(highlight(), 0);
    lift(120, 160);
    frames(2);
    EXPECT_EQ(scene->state, 1);
    EXPECT_EQ(scene->confirmChoice, 1);

    // Pressed on "back", slid to "play" and released there: play.
    press(back[0], back[1]);
    frames(2);
    canvas->callPointerDragged(play[0], play[1]);
    frames(2);
    EXPECT_EQ(scene->confirmChoice, 0);
    EXPECT_EQ(highlightAt(), play);
    lift(play[0], play[1]);
    frames(2);
    EXPECT_EQ(scene->state, 5);
    EXPECT_EQ(scene->modeChoice, 0);
}

TEST_F(MapDialog, AReleaseOverAButtonActsOnTheStoredChoice) {
    loadOn(9, 5, {7, 3, 2, 0, 1, -1});
    tapCursor();
    // Pressed and released on "back" in one pass: never seen held, so the
    // choice the dialog opened with (play) acts.
    std::vector<jint> back = boxCentre(kStageBoxes[6]);
    quickTap(back[0], back[1]);
    EXPECT_EQ(scene->state, 5);
}

TEST_F(MapDialog, TheModeDialogStoresTheStageAndAsksForThePlayField) {
    struct Case {
        const char* name;
        jint column, row;
        std::vector<jint> record;
        bool longGoal;
        std::vector<jint> params;
        std::vector<jint> requested;
        jint stageKind;
    };
    const std::vector<Case> cases = {
        {"two heats, short goal", 9, 5, {3, 1, 5, 0, 1, -1}, false, {0, 1, 0, 1, 1, 0}, {34}, 10},
        {"two heats, long goal", 9, 5, {3, 1, 5, 1, 2, -1}, true, {0, 0, 1, 2, 2, 0}, {34}, 10},
        {"three heats, long goal", 9, 5, {8, 2, 6, 1, 0, 2}, true, {1, 0, 1, 0, 2, 0}, {34}, 10},
        {"the tutorial cell: through story position 13", 10, 6, {1, 0, 3, 0, 0, -1}, false,
         {0, 1, 0, 0, 0, 0}, {45}, 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager->requested.clear();
        Game::S().stageKind = 10;
        loadOn(c.column, c.row, c.record);
        tapCursor();
        std::vector<jint> play = boxCentre(kStageBoxes[5]);
        quickTap(play[0], play[1]);
        ASSERT_EQ(scene->state, 5);
        VMPtr<ui::Screen> screen = scene->screen;
        EXPECT_EQ(screen->getLayerAnimation(scene->dialogLayer), 3);
        EXPECT_EQ(screen->getLayerCount(), scene->dialogLayer + 2);
        EXPECT_EQ(highlightAt(), boxCentre(kModeBoxes[0]));
        EXPECT_EQ(lines(), (std::vector<std::string>{"", "0:22", "0:23", ""}));
        EXPECT_EQ(lineBox(1), screenBox(kModeBoxes[0]));
        EXPECT_EQ(lineBox(2), screenBox(kModeBoxes[1]));
        EXPECT_TRUE(manager->requested.empty());

        std::vector<jint> mode = boxCentre(kModeBoxes[c.longGoal ? 1 : 0]);
        press(mode[0], mode[1]);
        frames(2);
        EXPECT_EQ(highlight(), 6);
        lift(mode[0], mode[1]);
        frames(2);
        EXPECT_EQ(stageParams(), c.params);
        EXPECT_EQ(manager->requested, c.requested);
        EXPECT_EQ(Game::S().stageKind, c.stageKind);
        scene->unload();
        scene = nullptr;
        ui::ResManager::clear();
    }
}

TEST_F(MapDialog, TheMenuLeadsBackToTheMapToTheSettingsOrToTheMainMenu) {
    load();
    tapMenuButton();
    ASSERT_EQ(scene->state, 2);
    EXPECT_EQ(lines(), (std::vector<std::string>{"0:92", "0:93", "0:12", "0:9"}));
    for (jint i = 0; i < 4; ++i) EXPECT_EQ(lineBox(i), screenBox(kMenuBoxes[i]));
    // The first visit's highlight is on item 0 (box 1).
    EXPECT_EQ(highlightAt(), boxCentre(kMenuBoxes[1]));

    // Item 0: back to the map.
    std::vector<jint> resume = boxCentre(kMenuBoxes[1]);
    holdTap(resume[0], resume[1]);
    EXPECT_EQ(scene->state, 0);

    // Item 1: the settings, which keep the menu's painted layers.
    tapMenuButton();
    std::vector<jint> options = boxCentre(kMenuBoxes[2]);
    holdTap(options[0], options[1]);
    ASSERT_EQ(scene->state, 3);
    EXPECT_EQ(scene->menuChoice, 1);
    EXPECT_EQ(scene->screen->getLayerCount(), scene->dialogLayer + 2);

    // Back from the settings: the menu, its highlight on the item chosen
    // last.
    std::vector<jint> back = boxCentre(kSettingsBoxes[9]);
    holdTap(back[0], back[1]);
    ASSERT_EQ(scene->state, 2);
    EXPECT_EQ(highlightAt(), boxCentre(kMenuBoxes[2]));

    // Item 2: the main menu.
    std::vector<jint> leave = boxCentre(kMenuBoxes[3]);
    holdTap(leave[0], leave[1]);
    EXPECT_EQ(manager->requested, std::vector<jint>{2});
}

// A press and release the menu never sees held act on the item of the
// last visit.
TEST_F(MapDialog, AQuickTapInTheMenuActsOnTheLastVisitsItem) {
    load();
    tapMenuButton();
    std::vector<jint> options = boxCentre(kMenuBoxes[2]);
    holdTap(options[0], options[1]);
    ASSERT_EQ(scene->state, 3);
    std::vector<jint> back = boxCentre(kSettingsBoxes[9]);
    holdTap(back[0], back[1]);
    ASSERT_EQ(scene->state, 2);
    // Released over "leave" without being seen held there: the stored
    // "options" acts.
    std::vector<jint> leave = boxCentre(kMenuBoxes[3]);
    quickTap(leave[0], leave[1]);
    EXPECT_EQ(scene->state, 3);
    EXPECT_TRUE(manager->requested.empty());
}

TEST_F(MapDialog, SettingsSoundAndLanguage) {
    load();
    tapMenuButton();
    std::vector<jint> options = boxCentre(kMenuBoxes[2]);
    holdTap(options[0], options[1]);
    ASSERT_EQ(scene->state, 3);
    VMPtr<ui::Screen> screen = scene->screen;
    jint d = scene->dialogLayer;
    EXPECT_EQ(screen->getLayerAnimation(d), 7);  // language index 0
    EXPECT_EQ(lines(), (std::vector<std::string>{"0:12", "0:5", "0:107", "0:100"}));
    EXPECT_EQ(lineBox(0), screenBox(kSettingsBoxes[0]));
    EXPECT_EQ(lineBox(1), screenBox(kSettingsBoxes[1]));
    EXPECT_EQ(lineBox(2), screenBox(kSettingsBoxes[4]));
    EXPECT_EQ(lineBox(3), screenBox(kSettingsBoxes[9]));
    EXPECT_EQ(highlightAt(), boxCentre(kSettingsBoxes[7]));
    EXPECT_EQ(scene->settingsChoice, 0);

    // A release over a button with no press on one since the dialog
    // opened does nothing.
    std::vector<jint> soundOn = boxCentre(kSettingsBoxes[5]);
    quickTap(soundOn[0], soundOn[1]);
    EXPECT_EQ(mainObject->calls, Calls{});
    EXPECT_FALSE(Main::S().soundOn);

    holdTap(soundOn[0], soundOn[1]);
    EXPECT_EQ(mainObject->calls, (Calls{"initSound 5", "cue"}));
    // Again, with sound on: nothing.
    holdTap(soundOn[0], soundOn[1]);
    EXPECT_EQ(mainObject->calls, (Calls{"initSound 5", "cue"}));
    std::vector<jint> soundOff = boxCentre(kSettingsBoxes[6]);
    press(soundOff[0], soundOff[1]);
    frames(2);
    EXPECT_EQ(highlight(), 4);
    lift(soundOff[0], soundOff[1]);
    frames(2);
    EXPECT_EQ(mainObject->calls, (Calls{"initSound 5", "cue", "disableSound"}));
    EXPECT_EQ(scene->state, 3);

    // The language button cycles 20480, 20481, 20483, 20482, 20484 and
    // round; the flag frame and the lines follow.
    std::vector<jint> language = boxCentre(kSettingsBoxes[8]);
    struct Step {
        jint id;
        jint frame;
        std::string options;
    };
    for (Step s : {Step{0x5001, 8, "1:12"}, Step{0x5003, 9, "3:12"}, Step{0x5002, 10, "2:12"},
                   Step{0x5004, 11, "4:12"}, Step{0x5000, 7, "0:12"}}) {
        press(language[0], language[1]);
        frames(2);
        EXPECT_EQ(highlight(), 5);
        lift(language[0], language[1]);
        frames(2);
        EXPECT_EQ(Main::S().language, s.id);
        EXPECT_EQ(screen->getLayerAnimation(d), s.frame);
        EXPECT_EQ(lineText(0), s.options);
        EXPECT_TRUE(scene->texts == Main::S().translation);
    }
    EXPECT_EQ(lineBox(3), screenBox(kSettingsBoxes[9]));
}

TEST_F(MapDialog, TheStageDialogPicture) {
    loadOn(9, 5, {7, 3, 2, 0, 1, -1});
    tapCursor();
    std::vector<jint> back = boxCentre(kStageBoxes[6]);
    press(back[0], back[1]);
    frames(2);
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    keepPicture(img, "map_stage_dialog");
    // The panel, the highlight over "back", the cell icon and picture.
    EXPECT_EQ(pixel(img, 25, 295), readBack(kPanelColour));
    EXPECT_EQ(pixel(img, back[0], back[1]), readBack(kHighlight4));
    EXPECT_EQ(pixel(img, 120, 100 + 10), readBack(markerColour(2)));
    EXPECT_NE(pixel(img, 60, 130), readBack(kPanelColour));
    lift(back[0], back[1]);
    frames(2);
    tapMenuButton();
    keepPicture(paint(), "map_menu");
}

}  // namespace
}  // namespace wrentest::map
