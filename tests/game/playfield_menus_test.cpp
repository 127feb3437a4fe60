// The play field's boards and menus: the tutorial's intro pages, the pause
// menu and its options panel, and the results with their reward and
// piece boards.
#include <gtest/gtest.h>

#include <string>

#include "main_Game.h"
#include "playfield_support.h"
#include "ui_Addon.h"
#include "ui_MsgBoard.h"
#include "wren_util_text_WrappedText.h"

namespace wrentest::playfield {
namespace {

using main::Game;
using scene::maingame::InGameScene;

class MenusTest : public PlayfieldTest {
protected:
    static VMPtr<ui::Addon> panelOf(const VMPtr<InGameScene>& s) {
        return vmCast<ui::Addon>(VMPtr<ui::MyObject>(s->panel));
    }
    static std::string textOf(const VMPtr<ui::Addon>& a) {
        if (a->wrappedText == nullptr) return "";
        return a->wrappedText->getText()->toUtf8();
    }
    std::string tableText(jint id) { return main::Main::S().translation->getString(id)->toUtf8(); }

    // A release on the board's only button, as the event pass leaves it.
    void releaseOnButton(const VMPtr<ui::Addon>& board) {
        VMPtr<VMArray<jint>> r = board->getItemRects()[0];
        const jint x = r[0] + r[2] / 2, y = r[1] + r[3] / 2;
        ui::Pointer::Statics& p = ui::Pointer::S();
        p.touchStartX[0] = x;
        p.touchStartY[0] = y;
        releasedAt(x, y);
    }

    // The centre of box `box` of the pause panel.
    static std::pair<jint, jint> panelBox(const VMPtr<InGameScene>& s, jint box) {
        VMPtr<VMArray<jint>> b = s->hud->getLayerBox(s->hintLayer, box);
        return {b[0] + b[2] / 2, b[1] + b[3] / 2};
    }
    // Finger held over box `hold` for a frame, then let go over box
    // `release` in the next.
    void holdThenRelease(const VMPtr<InGameScene>& s, jint hold, jint release) {
        auto [hx, hy] = panelBox(s, hold);
        touch(hx, hy, hx, hy);
        frame(s);
        auto [rx, ry] = panelBox(s, release);
        releasedAt(rx, ry);
        frame(s);
        lift();
    }

    VMPtr<InGameScene> pausedHeat(jint column = 3, jint row = 5) {
        VMPtr<InGameScene> s = loadHeat({0, 0, 1, 1, 1, 0}, column, row);
        s->playMode = InGameScene::MODE_PLAY;
        pressPauseKey();
        frame(s);
        return s;
    }

    // The results of a stage on (column, row) whose chest and cell art
    // have opened: loaded at once, the screen's layers 3 and 4 set to their
    // open animation.
    VMPtr<InGameScene> openedResults(jint column, jint row) {
        VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 3}, column, row);
        s->loadAll();
        s->screen->playAnimation(3, 2);
        s->screen->playAnimation(4, 2);
        return s;
    }
    // Frames until `ms` of results time have passed.
    void runFor(const VMPtr<InGameScene>& s, jint ms) {
        for (jint t = 0; t < ms; t += 40) frame(s);
    }
};

// --- intro -------------------------------------------------------------------

TEST_F(MenusTest, TheTutorialsIntroPagesStartPlayAfterTheLast) {
    struct Case {
        jint shortGoal;
        jint first, pages;
    };
    for (const Case& c : {Case{1, 0, 9}, Case{0, 9, 7}}) {
        SCOPED_TRACE(c.shortGoal);
        VMPtr<InGameScene> s = makeScene({0, c.shortGoal, 0, 0, 0, 0}, 10, 6);
        load(s);
        ASSERT_EQ(s->playMode, InGameScene::MODE_INTRO);
        VMPtr<ui::MsgBoard> board = s->msgBoard;
        for (jint page = 0; page < c.pages; ++page) {
            SCOPED_TRACE(page);
            // The page is on the board (the load's last frame showed the
            // first one).
            if (page > 0) {
                EXPECT_EQ(textOf(board), "");
                frame(s);
            }
            EXPECT_EQ(textOf(board), tableText(46 + c.first + page));
            EXPECT_TRUE(s->introShown);
            // Nothing chosen: nothing changes but the board's touch pass.
            frame(s);
            EXPECT_TRUE(board->hasPostUpdate());
            EXPECT_EQ(s->introIndex, c.first + page);
            releaseOnButton(board);
            frame(s);
            lift();
            EXPECT_EQ(s->introIndex, c.first + page + 1);
        }
        EXPECT_EQ(s->playMode, InGameScene::MODE_PLAY);
        EXPECT_FALSE(board->isVisible());
        ui::ResManager::clear();
    }
}

// --- pause menu ----------------------------------------------------------------

TEST_F(MenusTest, ThePauseMenuShowsItsLinesAndAHiddenCursor) {
    VMPtr<RecordingSound> sound = RecordingSound::make();
    mainObject->soundManager = sound.get();
    main::Main::S().soundOn = true;
    main::Main::S().soundSet = 0;
    VMPtr<InGameScene> s = loadHeat({0, 0, 1, 1, 1, 0});
    // The load's end plays the cue.
    EXPECT_EQ(sound->calls, (std::vector<std::string>{"play 2 4"}));
    sound->calls.clear();
    pressPauseKey();
    frame(s);
    ASSERT_TRUE(s->modal);
    EXPECT_EQ(sound->calls, (std::vector<std::string>{"stop -1"}));
    EXPECT_EQ(s->hud->getLayerAnimation(s->hintLayer), 2);
    EXPECT_EQ(s->hud->getLayerCount(), s->hintLayer + 2);
    EXPECT_EQ(s->hud->getLayerAnimation(s->hintLayer + 1), 0);
    auto [cx, cy] = panelBox(s, 1);
    EXPECT_EQ(s->hud->getLayerX(s->hintLayer + 1), cx);
    EXPECT_EQ(s->hud->getLayerY(s->hintLayer + 1), cy);
    VMPtr<ui::Addon> lines = panelOf(s);
    const jint texts[] = {92, 93, 12, 9};
    for (jint k = 0; k < 4; ++k) {
        EXPECT_EQ(lines->labelTexts[k]->toUtf8(), tableText(texts[k]));
        VMPtr<VMArray<jint>> b = s->hud->getLayerBox(s->hintLayer, k);
        EXPECT_EQ(lines->labelPositions[k][0], b[0]);
        EXPECT_EQ(lines->labelPositions[k][1], b[1]);
    }
}

TEST_F(MenusTest, AHeldItemIsHighlightedAndTheLastHighlightActsOnRelease) {
    VMPtr<InGameScene> s = pausedHeat();
    // Held over "options": highlighted.
    auto [ox, oy] = panelBox(s, 2);
    touch(ox, oy, ox, oy);
    frame(s);
    EXPECT_EQ(s->menuIndex, 1);
    EXPECT_EQ(s->hud->getLayerAnimation(s->hintLayer + 1), 5);
    EXPECT_EQ(s->hud->getLayerX(s->hintLayer + 1), ox);
    // Moved off every item: the cursor hides.
    touch(ox, oy, 5, 5);
    frame(s);
    EXPECT_EQ(s->hud->getLayerAnimation(s->hintLayer + 1), 0);
    // Held over "resume", let go over "options": the game resumes.
    holdThenRelease(s, 1, 2);
    EXPECT_FALSE(s->modal);
    EXPECT_EQ(s->pauseState, InGameScene::PAUSE_CLOSED);
    EXPECT_EQ(s->hud->getLayerCount(), s->hintLayer);
    for (jint k = 0; k < 4; ++k) EXPECT_EQ(panelOf(s)->labelTexts[k]->toUtf8(), "");
    // Play goes on.
    const jint count = s->goalCount;
    frame(s);
    EXPECT_GT(s->goalCount, count);
}

TEST_F(MenusTest, TheOptionsPanelShowsTheLanguageFlagAndGoesBack) {
    VMPtr<InGameScene> s = pausedHeat();
    holdThenRelease(s, 2, 2);
    ASSERT_EQ(s->pauseState, InGameScene::PAUSE_OPTIONS);
    EXPECT_EQ(s->pageIndex, 0);
    // Language 20480 is the first of the list: flag 7.
    EXPECT_EQ(s->hud->getLayerAnimation(s->hintLayer), 7);
    VMPtr<ui::Addon> lines = panelOf(s);
    const jint texts[] = {12, 5, 107, 100};
    const jint boxes[] = {0, 1, 4, 9};
    for (jint k = 0; k < 4; ++k) {
        EXPECT_EQ(lines->labelTexts[k]->toUtf8(), tableText(texts[k]));
        VMPtr<VMArray<jint>> b = s->hud->getLayerBox(s->hintLayer, boxes[k]);
        EXPECT_EQ(lines->labelPositions[k][0], b[0]);
    }
    auto [rx, ry] = panelBox(s, 7);
    EXPECT_EQ(s->hud->getLayerX(s->hintLayer + 1), rx);
    EXPECT_EQ(s->hud->getLayerY(s->hintLayer + 1), ry);
    // The sound entries show cursor 4, the others 5.
    auto [sx, sy] = panelBox(s, 6);
    touch(sx, sy, sx, sy);
    frame(s);
    EXPECT_EQ(s->pageIndex, 6);
    EXPECT_EQ(s->hud->getLayerAnimation(s->hintLayer + 1), 4);
    holdThenRelease(s, 9, 9);
    EXPECT_EQ(s->pauseState, InGameScene::PAUSE_MENU);
    EXPECT_EQ(panelOf(s)->labelTexts[1]->toUtf8(), tableText(93));
}

TEST_F(MenusTest, SoundOnLoadsTheHeatsTuneAndSoundOffStopsIt) {
    VMPtr<RecordingSound> sound = RecordingSound::make();
    mainObject->soundManager = sound.get();
    VMPtr<InGameScene> s = pausedHeat();
    holdThenRelease(s, 2, 2);
    sound->calls.clear();
    // Heat kind 1 plays track 0: sound set 0's tune, endlessly; asked
    // again, loaded again.
    holdThenRelease(s, 5, 5);
    holdThenRelease(s, 5, 5);
    EXPECT_EQ(sound->calls, (std::vector<std::string>{"unload 4", "loadResource 4 21505 -1 0",
                                                      "unload 4", "loadResource 4 21505 -1 0"}));
    EXPECT_TRUE(main::Main::S().soundOn);
    sound->calls.clear();
    holdThenRelease(s, 6, 6);
    EXPECT_EQ(sound->calls, (std::vector<std::string>{"stop -1"}));
    EXPECT_FALSE(main::Main::S().soundOn);
}

TEST_F(MenusTest, TheLanguageEntryCyclesTheTablesInTheListsOrder) {
    VMPtr<InGameScene> s = pausedHeat();
    holdThenRelease(s, 2, 2);
    const jint expected[] = {20481, 20483, 20482, 20484, 20480};
    for (jint k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        holdThenRelease(s, 8, 8);
        EXPECT_EQ(main::Main::S().language, expected[k]);
        EXPECT_EQ(s->texts.get(), main::Main::S().translation.get());
        EXPECT_EQ(s->hud->getLayerAnimation(s->hintLayer), 7 + (k + 1) % 5);
        EXPECT_EQ(panelOf(s)->labelTexts[2]->toUtf8(), tableText(107));
    }
    // A table that is not in the list counts as the first.
    mainObject->loadLanguage(20480);
    main::Main::S().language = 12345;
    holdThenRelease(s, 8, 8);
    EXPECT_EQ(main::Main::S().language, 20481);
}

TEST_F(MenusTest, LeaveSavesAndGoesToTheMap) {
    VMPtr<InGameScene> s = pausedHeat();
    stats()[6] = 2;
    Game::S().progressB = 4321;
    holdThenRelease(s, 3, 3);
    EXPECT_EQ(manager->requested, (std::vector<int>{43}));
    EXPECT_EQ(savedInt(0, 4), 4321);
    EXPECT_EQ(savedInt(0, 13 + 4 * 6), 2);
    EXPECT_EQ(savedInt(0, 49), 3);
    EXPECT_EQ(savedInt(0, 53), 5);
}

TEST_F(MenusTest, LeavingTheTutorialGoesToTheStageKindsScene) {
    for (auto [kind, saved] : {std::pair{1, true}, std::pair{2, false}}) {
        SCOPED_TRACE(kind);
        manager->requested.clear();
        canvas->deleteAllData();
        Game::S().stageKind = kind;
        VMPtr<InGameScene> s = pausedHeat(10, 6);
        holdThenRelease(s, 3, 3);
        EXPECT_EQ(manager->requested, (std::vector<int>{45}));
        EXPECT_EQ(Game::S().stageKind, 2);
        EXPECT_EQ(Game::S().progressPair[1], saved ? 5 : 6);
        EXPECT_EQ(canvas->loadData(0) != nullptr, saved);
        if (saved) EXPECT_EQ(savedInt(0, 60), 2);
        ui::ResManager::clear();
    }
}

// --- results -----------------------------------------------------------------------

TEST_F(MenusTest, TheRewardBoardOpensAfterThreeSecondsSavedAndLeavesForTheMap) {
    Game::Statics& g = Game::S();
    VMPtr<VMArray<jint>> r = g.cellRecords[103];
    r[0] = 3;
    r[2] = 3;  // rate 60
    g.progressB = 1000;
    VMPtr<InGameScene> s = openedResults(3, 5);
    EXPECT_EQ(g.progressB, 1180);
    frame(s);
    // The first opened frame: the icons swap, the cell is known and the
    // world saved; the loading's panel is gone.
    EXPECT_EQ(s->screen->getLayerAnimation(5), 1);
    EXPECT_EQ(s->screen->getLayerAnimation(6), 3);
    // Cell (3, 5) is non-zero cell 26 in row order.
    EXPECT_TRUE(g.cellFlags[26]);
    EXPECT_EQ(savedByte(1, 26), 1);
    EXPECT_EQ(s->panel, nullptr);
    runFor(s, 2960);
    EXPECT_EQ(s->rewardTimer, 3000);
    EXPECT_EQ(s->panel, nullptr);
    frame(s);
    VMPtr<ui::Addon> board = panelOf(s);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(textOf(board), tableText(43) + " $180");
    EXPECT_EQ(savedInt(0, 4), 1180);
    frame(s);
    EXPECT_TRUE(manager->requested.empty());
    releaseOnButton(board);
    frame(s);
    EXPECT_EQ(manager->requested, (std::vector<int>{43}));
}

TEST_F(MenusTest, APieceShowsItsIconThenItsBoardAndIsSavedWhenConfirmed) {
    Game::Statics& g = Game::S();
    // Piece 2 lies on cell (3, 5).
    g.places[2][0] = 5;
    g.places[2][1] = 3;
    g.progressFlags[2] = false;
    g.progressB = 1000;
    VMPtr<VMArray<jint>> r = g.cellRecords[103];
    r[0] = 2;
    r[2] = 3;
    VMPtr<InGameScene> s = openedResults(3, 5);
    frame(s);
    runFor(s, 2960);
    EXPECT_NE(s->screen->getLayerAnimation(5), 13);
    frame(s);
    EXPECT_EQ(s->screen->getLayerAnimation(5), 13);
    runFor(s, 2960);
    EXPECT_EQ(s->panel, nullptr);
    frame(s);
    VMPtr<ui::Addon> board = panelOf(s);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(textOf(board), tableText(43) + " " + tableText(44));
    // Not saved by the board's opening.
    EXPECT_EQ(savedByte(0, 8 + 2), 0);
    releaseOnButton(board);
    frame(s);
    EXPECT_EQ(manager->requested, (std::vector<int>{43}));
    EXPECT_TRUE(g.progressFlags[2]);
    // Saved before the scene changed: the piece and the reward.
    EXPECT_EQ(savedByte(0, 8 + 2), 1);
    EXPECT_EQ(savedInt(0, 4), 1120);
}

TEST_F(MenusTest, ACollectedPieceCountsAsNone) {
    Game::Statics& g = Game::S();
    g.places[2][0] = 5;
    g.places[2][1] = 3;
    g.progressFlags[2] = true;
    VMPtr<InGameScene> s = openedResults(3, 5);
    runFor(s, 3040);
    VMPtr<ui::Addon> board = panelOf(s);
    ASSERT_NE(board, nullptr);
    EXPECT_NE(textOf(board).find(" $"), std::string::npos);
}

TEST_F(MenusTest, ChestsThatOpenedBeforeTheFirstResultsFrameStillEndInTheBoard) {
    // openedResults loads at once: the loading's four-line panel is there
    // when the first results frame finds the cell art open.
    VMPtr<InGameScene> s = openedResults(3, 5);
    ASSERT_NE(s->panel, nullptr);
    runFor(s, 3040);
    VMPtr<ui::MsgBoard> board = vmCast<ui::MsgBoard>(VMPtr<ui::MyObject>(s->panel));
    ASSERT_NE(board, nullptr);
    releaseOnButton(board);
    frame(s);
    EXPECT_EQ(manager->requested, (std::vector<int>{43}));
}

TEST_F(MenusTest, ClosingTheChestAgainDropsTheBoardAndCountsAfresh) {
    VMPtr<InGameScene> s = openedResults(3, 5);
    runFor(s, 3040);
    ASSERT_NE(s->panel, nullptr);
    s->screen->playAnimation(4, 1);
    frame(s);
    EXPECT_EQ(s->panel, nullptr);
    EXPECT_EQ(s->rewardTimer, 0);
}

TEST_F(MenusTest, TheResultsConfirmationPicksTheNextScene) {
    struct Case {
        const char* name;
        jint column, row;
        jint stageKind;
        bool allKnown;
        bool areasOpen;
        int scene;
        jint stageKindAfter;
    };
    const Case cases[] = {
        {"tutorial, first time", 10, 6, 1, false, false, 45, 2},
        {"tutorial, again", 10, 6, 10, false, false, 45, 10},
        {"a cell still unknown", 3, 5, 10, false, false, 43, 10},
        {"every listed cell known", 3, 5, 10, true, false, 45, 14},
        {"known, areas already open", 3, 5, 10, true, true, 43, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager->requested.clear();
        Game::Statics& g = Game::S();
        g.stageKind = c.stageKind;
        for (jint k = 0; k < 3; ++k) g.extraFlags[k] = c.areasOpen;
        for (jint k = 0; k < Game::CELLS; ++k) g.cellFlags[k] = c.allKnown;
        for (jint k = 0; k < Game::PLACES; ++k) g.progressFlags[k] = true;
        VMPtr<InGameScene> s = openedResults(c.column, c.row);
        runFor(s, 3040);
        VMPtr<ui::Addon> board = panelOf(s);
        ASSERT_NE(board, nullptr);
        releaseOnButton(board);
        frame(s);
        EXPECT_EQ(manager->requested, (std::vector<int>{c.scene}));
        EXPECT_EQ(g.stageKind, c.stageKindAfter);
        EXPECT_EQ(savedInt(0, 60), c.stageKindAfter);
        if (c.stageKindAfter == 14)
            for (jint k = 0; k < 3; ++k) EXPECT_EQ(savedByte(0, 57 + k), 1);
        if (c.stageKind == 1) {
            EXPECT_EQ(g.progressPair[0], 10);
            EXPECT_EQ(g.progressPair[1], 5);
        }
        ui::ResManager::clear();
    }
}

TEST_F(MenusTest, MarkingACellUsesItsOrdinalAmongTheMapsCells) {
    const std::tuple<jint, jint, jint> cells[] = {{9, 1, 0}, {9, 2, 1}, {10, 5, 33}, {10, 6, 51}};
    for (auto [column, row, ordinal] : cells) {
        SCOPED_TRACE(ordinal);
        VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 0}, column, row);
        s->markCurrentCellKnown();
        EXPECT_TRUE(Game::S().cellFlags[ordinal]);
        EXPECT_EQ(savedByte(1, ordinal), 1);
    }
    // A cursor on no cell changes nothing and saves nothing.
    canvas->deleteAllData();
    VMPtr<InGameScene> s = makeScene({0, 0, 0, 0, 0, 0}, 0, 0);
    s->markCurrentCellKnown();
    EXPECT_EQ(canvas->loadData(1), nullptr);
}

}  // namespace
}  // namespace wrentest::playfield
