// Planning steps on the stat rows (pop-up state 2): prices, what a tap on a
// row, on minus or plus does, the invariants of a long walk of taps, and
// the end of the planning.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "home_test_support.h"
#include "main_Game.h"

namespace wrentest::home {
namespace {

const jint kCosts[10] = {100, 200, 200, 300, 300, 500, 500, 1000, 1000, 2000};
const jint kCostsStat2[10] = {100, 100, 100, 200, 200, 200, 300, 300, 300, 500};

jint price(jint k, jint level) {
    return k == 2 ? kCostsStat2[level] : kCosts[level];
}

class HomePlanning : public HomeTest {
protected:
    Rect row(jint k) { return homeBox(4, k); }
    Rect minus() { return homeBox(35, 1); }
    Rect plus() { return homeBox(35, 2); }
    void selectRow(jint k) {
        if (scene->selectedStat != k) tap(row(k));
        ASSERT_EQ(scene->selectedStat, k);
    }
    void plusOn(jint k, int times = 1) {
        selectRow(k);
        for (int i = 0; i < times; ++i) tap(plus());
    }
    void minusOn(jint k, int times = 1) {
        selectRow(k);
        for (int i = 0; i < times; ++i) tap(minus());
    }
};

TEST_F(HomePlanning, EnteringSelectsRowZeroAndShowsTheRowCursor) {
    setGame({4, 3, 1, 3, 1, 3, 1, 0, 1}, 1000);
    build();
    startPlanning(2);
    EXPECT_EQ(scene->selectedStat, 0);
    EXPECT_EQ(pending(), (std::vector<jint>{0, 0, 0, 4}));
    EXPECT_EQ(scene->screen->getLayerCount(), 36);
    EXPECT_EQ(layerShown(35), 0);
    EXPECT_EQ(scene->screen->getLayerX(35), row(0).x + row(0).w);
    EXPECT_EQ(scene->screen->getLayerY(35), 160);
}

TEST_F(HomePlanning, AStepCostsThePriceOfTheLevelItStartsFrom) {
    for (jint k : {0, 1, 2})
        for (jint level = 0; level < 10; ++level) {
            SCOPED_TRACE("stat " + std::to_string(k) + " level " + std::to_string(level));
            setGame({0, 10, level, 10, level, 10, level, 0, 1}, 100000);
            build();
            startPlanning(2);
            plusOn(k);
            EXPECT_EQ(scene->pendingCost, price(k, level));
            EXPECT_EQ(label(6), "$" + std::to_string(price(k, level)));
            scene->unload();
        }
}

TEST_F(HomePlanning, PlusAndMinusMoveOnePipAndThePrice) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 5000);
    build();
    startPlanning(2);
    plusOn(0, 2);
    EXPECT_EQ(scene->pendingCost, 400);
    EXPECT_EQ(label(6), "$400");
    EXPECT_EQ(panel()->labelFonts[6], 4);
    EXPECT_EQ(pips(0), (std::vector<jint>{36, 36, 36, 37, 37, 38, 38, 38, 38, 38}));
    minusOn(0);
    EXPECT_EQ(scene->pendingCost, 200);
    EXPECT_EQ(pips(0), (std::vector<jint>{36, 36, 37, 37, 37, 38, 38, 38, 38, 38}));
    plusOn(2, 4);
    EXPECT_EQ(scene->pendingCost, 200 + 100 + 100 + 200 + 200);
    EXPECT_EQ(pending(), (std::vector<jint>{1, 0, 4, 0}));
    // The stats themselves wait for the confirmation.
    EXPECT_EQ(stats(), (std::vector<jint>{0, 5, 1, 5, 1, 5, 1, 0, 1}));
}

TEST_F(HomePlanning, TapsThatCannotStepChangeNothing) {
    setGame({1, 2, 2, 3, 1, 10, 1, 0, 1}, 5000);
    build();
    startPlanning(2);
    auto snapshot = [&] {
        return std::make_tuple(pending(), scene->pendingCost, pips(0), pips(1), pips(2), label(6));
    };
    auto before = snapshot();
    // Plus at the cap.
    plusOn(0);
    EXPECT_EQ(snapshot(), before);
    // Minus with nothing planned on the row.
    minusOn(1);
    EXPECT_EQ(scene->selectedStat, 1);
    before = snapshot();
    tap(minus());
    EXPECT_EQ(snapshot(), before);
    // On the selected row, beside both buttons.
    tap(row(1).cx(), row(1).y + 5);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(scene->popupState, 2);
}

TEST_F(HomePlanning, ATapOnAnotherRowOnlyMovesTheCursor) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 5000);
    build();
    startPlanning(2);
    // Row 1, where plus would stand once the cursor is there.
    Rect r1 = row(1);
    Rect plusBox = plus();
    tap(r1.cx(), plusBox.cy());
    EXPECT_EQ(scene->selectedStat, 1);
    EXPECT_EQ(scene->screen->getLayerX(35), r1.x + r1.w);
    EXPECT_EQ(pending(), (std::vector<jint>{0, 0, 0, 0}));
    EXPECT_EQ(scene->pendingCost, 0);
    tap(plus());
    EXPECT_EQ(pending(), (std::vector<jint>{0, 1, 0, 0}));
}

TEST_F(HomePlanning, AboveTheMoneyThePriceTurnsToTheWarningFont) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 250);
    build();
    startPlanning(2);
    plusOn(0);
    EXPECT_EQ(panel()->labelFonts[6], 4);
    plusOn(0);
    EXPECT_EQ(scene->pendingCost, 400);
    EXPECT_EQ(panel()->labelFonts[6], 5);
    minusOn(0);
    EXPECT_EQ(panel()->labelFonts[6], 4);
}

TEST_F(HomePlanning, SharingPointsRaisesCapsWithinTen) {
    setGame({3, 9, 2, 1, 1, 0, 0, 0, 1}, 0);
    build();
    startPlanning(3);
    EXPECT_EQ(label(7), "03");
    plusOn(0);
    EXPECT_EQ(pending(), (std::vector<jint>{1, 0, 0, 2}));
    EXPECT_EQ(pip(0, 9), 39);
    EXPECT_EQ(label(7), "02");
    // The cap is at ten with the plan: no further step.
    tap(plus());
    EXPECT_EQ(pending(), (std::vector<jint>{1, 0, 0, 2}));
    plusOn(2, 3);
    EXPECT_EQ(pending(), (std::vector<jint>{1, 0, 2, 0}));
    EXPECT_EQ(label(7), "00");
    minusOn(2);
    EXPECT_EQ(pending(), (std::vector<jint>{1, 0, 1, 1}));
    EXPECT_EQ(pip(2, 1), 38);
    EXPECT_EQ(pip(2, 0), 39);
}

// A long walk of taps on rows and buttons: after every tap the plan is one
// the player may confirm, and the pips and the price say what it is.
TEST_F(HomePlanning, ALongWalkOfTapsKeepsThePlanValid) {
    for (jint view : {2, 3}) {
        SCOPED_TRACE("view " + std::to_string(view));
        const std::vector<jint> start = {6, 4, 1, 10, 3, 2, 2, 0, 5};
        setGame(start, 3000);
        build();
        startPlanning(view);
        std::mt19937 random(20240 + view);
        for (int t = 0; t < 150; ++t) {
            switch (random() % 5) {
                case 0:
                case 1:
                    tap(plus());
                    break;
                case 2:
                case 3:
                    tap(minus());
                    break;
                default:
                    tap(row(jint(random() % 3)));
                    break;
            }
            ASSERT_EQ(scene->popupState, 2);
            ASSERT_EQ(stats(), start);
            std::vector<jint> p = pending();
            jint cost = 0, planned = 0;
            for (jint k = 0; k < 3; ++k) {
                const jint cap = start[size_t(2 * k + 1)], level = start[size_t(2 * k + 2)];
                ASSERT_GE(p[size_t(k)], 0);
                planned += p[size_t(k)];
                std::vector<jint> expect;
                if (view == 2) {
                    ASSERT_LE(level + p[size_t(k)], cap);
                    for (jint j = 0; j < p[size_t(k)]; ++j) cost += price(k, level + j);
                    for (jint j = 0; j < 10; ++j)
                        expect.push_back(j < level + p[size_t(k)] ? 36 : j < cap ? 37 : 38);
                } else {
                    ASSERT_LE(cap + p[size_t(k)], 10);
                    for (jint j = 0; j < 10; ++j)
                        expect.push_back(j < cap ? 40 : j < cap + p[size_t(k)] ? 39 : 38);
                }
                ASSERT_EQ(pips(k), expect) << "stat " << k << " after tap " << t;
            }
            if (view == 2) {
                ASSERT_EQ(scene->pendingCost, cost);
                ASSERT_EQ(label(6), "$" + std::to_string(cost));
            } else {
                ASSERT_EQ(p[3] + planned, start[0]);
                ASSERT_EQ(label(7), "0" + std::to_string(p[3]));
            }
            // The preview is dressed for the planned levels.
            const jint shownClass = main::Game::S().statClass;
            VMPtr<VMArray<jint>> s = main::Game::S().stats;
            // (A shared point raises the level with the cap.)
            for (jint k = 0; k < 3; ++k) s[2 * k + 2] = s[2 * k + 2] + p[size_t(k)];
            main::Game::classifyStats();
            for (jint k = 0; k < 3; ++k) s[2 * k + 2] = s[2 * k + 2] - p[size_t(k)];
            ASSERT_EQ(shownClass, main::Game::S().statClass);
        }
        scene->unload();
    }
}

// --- the end of the planning ---------------------------------------------------------------

TEST_F(HomePlanning, NothingPlannedGoesBackToTheHomeView) {
    for (jint view : {2, 3}) {
        setGame({2, 5, 1, 5, 1, 5, 1, 0, 1}, 5000);
        build();
        startPlanning(view);
        tap(20, 300);
        EXPECT_EQ(scene->popupState, 0);
        EXPECT_EQ(layerShown(3), 0);
        EXPECT_EQ(scene->screen->getLayerCount(), 35);
        EXPECT_EQ(game->saves, 0);
        scene->unload();
    }
}

TEST_F(HomePlanning, APlanOpensTheConfirmationBarWithItsPrice) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 5000);
    build();
    startPlanning(2);
    plusOn(1, 2);
    tap(20, 300);
    EXPECT_EQ(scene->popupState, 3);
    EXPECT_EQ(scene->confirmPending, 0);
    EXPECT_EQ(barLabel(0), "t38400");
    EXPECT_EQ(barLabel(1), "t98");
    EXPECT_EQ(barLabel(2), "t99");
    Rect bar = popupBox(0, 0);
    EXPECT_EQ(scene->popupScreen->getLayerX(1), bar.x + bar.w - 60);
    // The row cursor is no longer drawn; the plan waits.
    EXPECT_EQ(scene->screen->getLayerCount(), 35);
    EXPECT_EQ(pending(), (std::vector<jint>{0, 2, 0, 0}));
}

TEST_F(HomePlanning, APlanAboveTheMoneyIsDroppedAndOffersNoConfirmation) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 300);
    build();
    startPlanning(2);
    plusOn(0, 2);
    tap(20, 300);
    EXPECT_EQ(scene->popupState, 3);
    EXPECT_EQ(barLabel(0), "t40");
    EXPECT_EQ(barLabel(1), "");
    EXPECT_EQ(pending(), (std::vector<jint>{0, 0, 0, 0}));
    Rect bar = popupBox(0, 0);
    EXPECT_EQ(scene->popupScreen->getLayerX(1), bar.x + bar.w - 120);
}

TEST_F(HomePlanning, SharedPointsAskForConfirmationWithTheRowCursorShown) {
    setGame({3, 2, 2, 1, 1, 1, 1, 0, 1}, 0);
    build();
    startPlanning(3);
    plusOn(1);
    tap(20, 300);
    EXPECT_EQ(scene->popupState, 3);
    EXPECT_EQ(barLabel(0), "t104");
    EXPECT_EQ(barLabel(1), "t98");
    EXPECT_EQ(barLabel(2), "t99");
    EXPECT_EQ(scene->screen->getLayerCount(), 36);
}

}  // namespace
}  // namespace wrentest::home
