// The confirmation bar (pop-up state 3): what confirming writes into the
// game state and the saved progress record (once per confirmation), what
// going back keeps, the prices nobody can pay, fill up, the stat reset, and
// a bar whose item cursor has no width.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "home_test_support.h"

namespace wrentest::home {
namespace {

// Offsets in record 0: money, then the nine stats.
constexpr jint kMoneyAt = 4;
constexpr jint kStatsAt = 13;

class HomeConfirm : public HomeTest {
protected:
    void plusOn(jint k, int times = 1) {
        if (scene->selectedStat != k) tap(homeBox(4, k));
        for (int i = 0; i < times; ++i) tap(homeBox(35, 2));
    }
    void endPlanning() { tap(20, 300); }
    // The levels view's "fill up": the plan, then its confirmation bar.
    void fillUp() {
        tap(homeBox(3, 1));
        tap(barItem(1));
    }
    // The caps view's reset: its confirmation bar.
    void openReset() {
        tap(homeBox(3, 2));
        tap(barItem(1));
    }
    // These stats and this money still, and nothing saved.
    void expectNothingBought(const std::vector<jint>& values, jint cash) {
        EXPECT_EQ(stats(), values);
        EXPECT_EQ(money(), cash);
        EXPECT_EQ(game->saves, 0);
    }
    // The saved record holds this money and these stats.
    void expectSaved(jint cash, const std::vector<jint>& values) {
        VMPtr<VMArray<jbyte>> bytes = savedProgress();
        ASSERT_NE(bytes, nullptr);
        ASSERT_EQ(bytes->length, 72);
        EXPECT_EQ(intAt(bytes, kMoneyAt), cash);
        for (jint i = 0; i < 9; ++i)
            EXPECT_EQ(intAt(bytes, kStatsAt + 4 * i), values[size_t(i)]) << "stat " << i;
    }
};

TEST_F(HomeConfirm, ConfirmingAPurchaseRaisesTheLevelsTakesTheMoneyAndSavesOnce) {
    // Confirmed on the price (item 0) or on the confirm item (1).
    for (jint item : {0, 1}) {
        SCOPED_TRACE("item " + std::to_string(item));
        setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 2000);
        game->saves = 0;
        build();
        startPlanning(2);
        plusOn(0, 2);
        plusOn(2, 1);
        endPlanning();
        ASSERT_EQ(scene->popupState, 3);
        ASSERT_EQ(scene->pendingCost, 500);
        hold(barItem(item).cx(), barItem(item).cy());
        EXPECT_EQ(scene->confirmPending, 0);
        // The price item leaves the cursor idle where it was.
        EXPECT_EQ(scene->popupScreen->getLayerAnimation(1), item == 0 ? 20 : 14);
        EXPECT_EQ(game->saves, 0);
        release();
        const std::vector<jint> after = {0, 5, 3, 5, 1, 5, 2, 0, 1};
        EXPECT_EQ(stats(), after);
        EXPECT_EQ(money(), 1500);
        EXPECT_EQ(game->saves, 1);
        expectSaved(1500, after);
        EXPECT_EQ(scene->popupState, 0);
        EXPECT_EQ(layerShown(3), 0);
        EXPECT_EQ(label(6), "$0");
        EXPECT_EQ(label(1), "$1500");
        EXPECT_EQ(pending(), (std::vector<jint>{0, 0, 0, 0}));
        // The bought levels stay on the bars.
        EXPECT_EQ(pip(0, 2), 36);
        EXPECT_EQ(pip(2, 1), 36);
        scene->unload();
    }
}

// Confirming on the price leaves the cursor on its idle picture, which has
// no width in this content: the next bar's items are still a cursor wide.
TEST_F(HomeConfirm, TheNextBarIsLaidOutByTheCursorWhateverItShows) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 2000);
    build();
    startPlanning(2);
    plusOn(0);
    endPlanning();
    tap(barItem(0));
    ASSERT_EQ(game->saves, 1);
    ASSERT_EQ(scene->popupScreen->getLayerAnimation(1), 20);
    ASSERT_EQ(scene->popupScreen->getLayerWidth(1), 0);
    tap(homeBox(3, 2));
    ASSERT_EQ(scene->popupState, 1);
    for (jint j = 0; j < 3; ++j) {
        Rect item = barItem(j);
        EXPECT_EQ(scene->popupPanel->labelPositions[j][0], item.x) << "item " << j;
        EXPECT_EQ(scene->popupPanel->labelWidths[j], item.w) << "item " << j;
    }
    EXPECT_EQ(scene->popupScreen->getLayerAnimation(1), 20);
}

TEST_F(HomeConfirm, GoingBackFromAPurchaseReopensTheChoiceBarAndKeepsEverything) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 2000);
    build();
    startPlanning(2);
    plusOn(1, 2);
    endPlanning();
    tap(barItem(2));
    EXPECT_EQ(scene->popupState, 1);
    EXPECT_EQ(scene->popupChoice, 0);
    EXPECT_EQ(scene->selectedStat, 0);
    EXPECT_EQ(layerShown(3), 7);
    EXPECT_EQ(barLabel(0), "t34");
    EXPECT_EQ(barLabel(1), "t35");
    EXPECT_EQ(barLabel(2), "t100");
    EXPECT_EQ(pending(), (std::vector<jint>{0, 0, 0, 0}));
    EXPECT_EQ(pips(1), (std::vector<jint>{36, 37, 37, 37, 37, 38, 38, 38, 38, 38}));
    expectNothingBought({0, 5, 1, 5, 1, 5, 1, 0, 1}, 2000);
}

TEST_F(HomeConfirm, APriceAboveTheMoneyIsDismissedByAnyTap) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 300);
    build();
    startPlanning(2);
    plusOn(0, 2);
    endPlanning();
    ASSERT_EQ(barLabel(0), "t40");
    // Holding on the confirm place buys nothing either.
    hold(barItem(1).cx(), barItem(1).cy());
    EXPECT_EQ(scene->popupState, 3);
    release();
    EXPECT_EQ(scene->popupState, 0);
    EXPECT_EQ(layerShown(3), 0);
    EXPECT_EQ(panel()->labelFonts[6], 4);
    EXPECT_EQ(label(6), "$0");
    expectNothingBought({0, 5, 1, 5, 1, 5, 1, 0, 1}, 300);
}

TEST_F(HomeConfirm, ATapBesideAPayableBarOnlyIdlesTheCursor) {
    setGame({0, 5, 1, 5, 1, 5, 1, 0, 1}, 2000);
    build();
    startPlanning(2);
    plusOn(0);
    endPlanning();
    hold(barItem(1).cx(), barItem(1).cy());
    EXPECT_EQ(scene->popupScreen->getLayerAnimation(1), 14);
    drag(120, 40);
    lift(120, 40);
    frame();
    frame();
    EXPECT_EQ(scene->popupState, 3);
    EXPECT_EQ(scene->popupScreen->getLayerAnimation(1), 20);
    EXPECT_EQ(game->saves, 0);
}

TEST_F(HomeConfirm, FillUpPlansEveryStatToItsCap) {
    setGame({0, 3, 1, 0, 0, 4, 2, 0, 1}, 5000);
    build();
    fillUp();
    EXPECT_EQ(scene->popupState, 3);
    EXPECT_EQ(pending(), (std::vector<jint>{2, 0, 2, 0}));
    EXPECT_EQ(scene->pendingCost, 200 + 200 + 100 + 200);
    EXPECT_EQ(label(6), "$700");
    EXPECT_EQ(barLabel(0), "t38700");
    EXPECT_EQ(pips(0), (std::vector<jint>{36, 36, 36, 38, 38, 38, 38, 38, 38, 38}));
    EXPECT_EQ(pips(2), (std::vector<jint>{36, 36, 36, 36, 38, 38, 38, 38, 38, 38}));
    tap(barItem(1));
    EXPECT_EQ(stats(), (std::vector<jint>{0, 3, 3, 0, 0, 4, 4, 0, 1}));
    EXPECT_EQ(money(), 4300);
    EXPECT_EQ(game->saves, 1);
    expectSaved(4300, stats());
}

// A saved cap above ten (the bars have ten pips, the price tables ten
// steps) lets no level past ten be planned.
TEST_F(HomeConfirm, NoLevelIsPlannedPastTenWhateverTheCap) {
    setGame({0, 12, 9, 0, 0, 0, 0, 0, 1}, 10000);
    build();
    fillUp();
    EXPECT_EQ(scene->popupState, 3);
    EXPECT_EQ(pending(), (std::vector<jint>{1, 0, 0, 0}));
    EXPECT_EQ(scene->pendingCost, 2000);
    tap(barItem(1));
    EXPECT_EQ(stats(), (std::vector<jint>{0, 12, 10, 0, 0, 0, 0, 0, 1}));
    // At ten, plus plans nothing more.
    tap(homeBox(3, 1));
    tap(barItem(0));
    tap(homeBox(35, 2));
    EXPECT_EQ(pending(), (std::vector<jint>{0, 0, 0, 0}));
}

TEST_F(HomeConfirm, FillUpAtEveryCapPlansNothingAtPriceZero) {
    setGame({0, 3, 3, 2, 2, 4, 4, 0, 1}, 0);
    build();
    fillUp();
    EXPECT_EQ(scene->popupState, 3);
    EXPECT_EQ(scene->pendingCost, 0);
    EXPECT_EQ(label(6), "$0");
    EXPECT_EQ(panel()->labelFonts[6], 4);
    EXPECT_EQ(barLabel(0), "t380");
}

TEST_F(HomeConfirm, ConfirmingSharedPointsRaisesCapsAndLevels) {
    setGame({5, 2, 2, 3, 1, 1, 1, 0, 1}, 100);
    build();
    startPlanning(3);
    plusOn(0, 2);
    plusOn(2, 1);
    endPlanning();
    tap(barItem(1));
    const std::vector<jint> after = {2, 4, 4, 3, 1, 2, 2, 0, 1};
    EXPECT_EQ(stats(), after);
    EXPECT_EQ(money(), 100);
    EXPECT_EQ(game->saves, 1);
    expectSaved(100, after);
    EXPECT_EQ(scene->popupState, 0);
    EXPECT_EQ(scene->currentView, 3);
    EXPECT_EQ(scene->screen->getLayerCount(), 35);
    EXPECT_EQ(label(7), "02");
    EXPECT_EQ(pips(0), (std::vector<jint>{40, 40, 40, 40, 38, 38, 38, 38, 38, 38}));
}

TEST_F(HomeConfirm, GoingBackFromSharedPointsKeepsThePlanAndTheRowCursor) {
    setGame({5, 2, 2, 3, 1, 1, 1, 0, 1}, 100);
    build();
    startPlanning(3);
    plusOn(1, 2);
    endPlanning();
    tap(barItem(2));
    EXPECT_EQ(scene->popupState, 2);
    EXPECT_EQ(pending(), (std::vector<jint>{0, 2, 0, 3}));
    EXPECT_EQ(scene->screen->getLayerCount(), 36);
    EXPECT_EQ(scene->selectedStat, 1);
    EXPECT_EQ(game->saves, 0);
    // Planning goes on from there.
    tap(homeBox(35, 2));
    EXPECT_EQ(pending(), (std::vector<jint>{0, 3, 0, 2}));
}

TEST_F(HomeConfirm, TheResetGivesBackTheCapPointsForItsPrice) {
    setGame({4, 3, 2, 5, 5, 2, 2, 0, 3}, 2000);
    build();
    openReset();
    ASSERT_EQ(scene->popupState, 3);
    EXPECT_EQ(scene->selectedStat, -1);
    EXPECT_EQ(barLabel(0), "t381500");
    tap(barItem(1));
    const std::vector<jint> after = {13, 0, 0, 0, 0, 1, 1, 0, 3};
    EXPECT_EQ(stats(), after);
    EXPECT_EQ(money(), 500);
    EXPECT_EQ(game->saves, 1);
    expectSaved(500, after);
    EXPECT_EQ(label(1), "$500");
    EXPECT_EQ(label(7), "13");
    EXPECT_EQ(scene->popupState, 0);
    EXPECT_EQ(layerShown(3), 0);
}

TEST_F(HomeConfirm, AResetNobodyCanPayChangesNothing) {
    setGame({4, 3, 2, 5, 5, 2, 2, 0, 3}, 1499);
    build();
    openReset();
    ASSERT_EQ(scene->popupState, 3);
    EXPECT_EQ(barLabel(0), "t40");
    EXPECT_EQ(barLabel(1), "");
    EXPECT_EQ(barLabel(2), "t100");
    tap(barItem(1));
    EXPECT_EQ(scene->popupState, 0);
    expectNothingBought({4, 3, 2, 5, 5, 2, 2, 0, 3}, 1499);
}

TEST_F(HomeConfirm, GoingBackFromTheResetReopensTheChoiceBar) {
    setGame({4, 3, 2, 5, 5, 2, 2, 0, 3}, 2000);
    build();
    openReset();
    tap(barItem(2));
    EXPECT_EQ(scene->popupState, 1);
    EXPECT_EQ(layerShown(3), 8);
    EXPECT_EQ(barLabel(0), "t36");
    EXPECT_EQ(barLabel(1), "t37");
    EXPECT_EQ(barLabel(2), "t100");
    EXPECT_EQ(money(), 2000);
    EXPECT_EQ(game->saves, 0);
}

// With an item cursor of no width the bar cannot tell its items apart: a
// held stylus answers "back" wherever it is on the bar, and nothing is
// bought. (The item was the bar's offset divided by that width.)
TEST_F(HomeConfirm, ACursorWithoutWidthAnswersBackAndNeverDividesByZero) {
    reinstall(false);
    setGame({5, 5, 1, 5, 1, 5, 1, 0, 1}, 2000);
    build();
    ASSERT_EQ(scene->popupScreen->getLayerWidth(1), 0);
    Rect bar = popupBox(0, 0);
    const jint right = bar.x + bar.w - 10;

    // The choice bar: the right third would be item 0.
    tap(homeBox(3, 1));
    hold(right, bar.cy());
    EXPECT_EQ(scene->popupChoice, 2);
    release();
    EXPECT_EQ(scene->popupState, 0);

    // A release seen without a hold acts on the choice the bar opened with
    // (step by step): a purchase is planned, then the confirmation bar.
    tap(homeBox(3, 1));
    quickTap(right, bar.cy());
    ASSERT_EQ(scene->popupState, 2);
    tap(homeBox(35, 2));
    tap(20, 300);
    ASSERT_EQ(scene->popupState, 3);
    hold(right, bar.cy());
    EXPECT_EQ(scene->confirmPending, 1);
    release();
    EXPECT_EQ(scene->popupState, 1);

    // Shared points: back to the planning.
    tap(barItem(2));
    tap(homeBox(3, 2));
    quickTap(right, bar.cy());
    ASSERT_EQ(scene->popupState, 2);
    tap(homeBox(35, 2));
    tap(20, 300);
    ASSERT_EQ(scene->popupState, 3);
    hold(right, bar.cy());
    release();
    EXPECT_EQ(scene->popupState, 2);

    expectNothingBought({5, 5, 1, 5, 1, 5, 1, 0, 1}, 2000);
}

}  // namespace
}  // namespace wrentest::home
