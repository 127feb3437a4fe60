// scene.maingame.InHomeScene: the player's home, the hub between stages.
// One full-screen picture (the main screen, 36 layers: home picture, its
// top and bottom edges, the tab bar, the view frame, thirty stat pips and
// the row cursor) under a panel of texts, over a one-layer backdrop. Five
// tabs pick a view: 1 status, 2 upgrade (stat levels bought with money),
// 3 caps (free points raise the caps), 4 collection, 5 the way to the map.
//
// Outside the tutorial a tap runs one of four pop-up states: 0 the home
// view with its tabs, 1 a three-item choice bar, 2 planning steps on the
// stat rows, 3 the confirmation bar. Only a confirmation changes the money
// and the stats, and each one saves the progress once. Built while the
// stage kind is 4, the scene instead pages through thirteen tutorial pages
// in a black band on the left and then hands over to the scene of the next
// stage kind.
//
// Touch only: pointer 0's held and released flags, as the scene manager's
// pointer pass left them for this frame. Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "main_Game.h"
#include "scene_maingame_InGameObject.h"
#include "ui_Addon.h"
#include "ui_Scene.h"
#include "ui_Screen.h"

namespace scene::maingame {

class InHomeScene : public ui::Scene {
    WREN_CLASS(InHomeScene, ui::Scene,
               // [0..2] steps planned for stats 0..2, [3] free points still
               // unassigned while points are shared out.
               (pendingUpgrades, VMArray<jint>),
               // The player's figure dressed for the planned levels.
               (homeObject, InGameObject),
               // Price of each level step of stat 2, and of stats 0 and 1.
               (upgradeCostsStat2, VMArray<jint>), (upgradeCosts, VMArray<jint>),
               (backgroundScreen, ui::Screen),
               // Per tutorial page, the text id of its heading, 0 for none.
               (tutorialHeadings, VMArray<jint>),
               // The bar (layer 0), its item cursor (1) and a cap (2).
               (popupScreen, ui::Screen), (tutorialPanel, ui::Addon),
               // The bar's three item labels.
               (popupPanel, ui::Addon))
public:
    WREN_PLAIN_OBJECT()

    // Resource ids (pack 3).
    static constexpr jint HOME_ANIMS = 3072;
    static constexpr jint BACKDROP_GOBS = 3073;
    static constexpr jint HOME_GOBS = 3074;

    static constexpr jint LAYERS = 36;
    static constexpr jint FIRST_PIP_LAYER = 5;
    // One pip for each step a cap can take.
    static constexpr jint PIPS_PER_STAT = main::Game::STAT_CAP_MAX;
    static constexpr jint ROW_CURSOR_LAYER = 35;
    static constexpr jint TUTORIAL_PAGES = 13;
    static constexpr jint TUTORIAL_STAGE_KIND = 4;

    // Pop-up states.
    static constexpr jint HOME_VIEW = 0;
    static constexpr jint CHOICE_BAR = 1;
    static constexpr jint ALLOCATION = 2;
    static constexpr jint CONFIRMATION = 3;

    // Pip pictures (elements of the home Gob set).
    static constexpr jint PIP_LEVEL = 36;
    static constexpr jint PIP_CAP = 37;
    static constexpr jint PIP_BEYOND = 38;
    static constexpr jint PIP_ASSIGNED = 39;
    static constexpr jint PIP_CAP_VIEW3 = 40;
    static constexpr jint FIRST_PIECE = 29;

    // Frames of the home animation set.
    static constexpr jint FRAME_COLLECTION = 12;
    static constexpr jint FRAME_BAR = 13;
    static constexpr jint FRAME_CURSOR_HELD = 14;
    static constexpr jint FRAME_CAPS_VIEW = 15;
    static constexpr jint FRAME_UPGRADE_VIEW = 16;
    static constexpr jint FRAME_STATUS_VIEW = 20;
    static constexpr jint FRAME_CURSOR_IDLE = 20;
    static constexpr jint FRAME_CAP = 21;

    jint tutorialStep = 0;
    jint currentView = 0;
    jint popupState = 0;
    jint pendingCost = 0;
    jboolean tutorialMode = false;
    // The stat row being planned, or -1 while a reset waits for its answer.
    jint selectedStat = 0;
    // On the confirmation bar: 0 confirm, 1 back.
    jint confirmPending = 0;
    // Frame of the tab bar (layer 3) for the highlighted tab.
    jint selectedTab = 0;
    // Item of the choice bar under the stylus, 0..2.
    jint popupChoice = 0;
    // The stat reset costs the player's level times this.
    jint rewardBase = 0;

    // Shared glyph sets: fonts 0 and 1 dropped, 2..6 (the panels') loaded.
    // Tutorial mode when the stage kind is 4.
    void ctor();

    // One frame: the base update, then the tutorial page or the handler of
    // the pop-up state; nothing while loading.
    void update() override;
    // Phase 1, one step a call: the main screen, the backdrop, the fixed
    // layers, one pip a call, the row cursor, then the screen joins the
    // scene.
    void loadData() override;
    // Phase 2: the stat preview and the pop-up screen.
    void loadObjects() override;
    // Phase 3: the tutorial band's text, the main panel and the bar labels.
    void loadUi() override;
    // The tutorial band, or the pop-up bar in states 1 and 3.
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // Redraws tabs, view frame, pips or pieces, and the panel texts for
    // the view; a view outside 1..5 only becomes currentView.
    virtual void showView(jint view);

    // Re-dresses the preview for the levels with the planned steps added;
    // the stats keep their values.
    void refreshPreview();

private:
    void updateHomeView();
    void updateChoiceBar();
    void updateAllocation();
    void updateConfirm();

    VMPtr<ui::Addon> mainPanel();
    // Text of a text id of the current language.
    VMPtr<java::lang::String> text(jint id);
    // The tutorial page: its heading, ": " and its text, or the text alone.
    VMPtr<java::lang::String> pageText(jint step);
    // Sets `rect` to the zero-size rectangle at pointer 0.
    void takePointerPoint();
    static jboolean pointerHeld();
    static jboolean pointerReleased();

    // Pip j (0..9) of stat k shows `picture`; a pip outside the bar is no
    // layer of it and is left alone.
    void playPip(jint k, jint j, jint picture);
    // Places pip layer n under the one before it (the first under its name
    // box on `boxLayer`), `gap` pip heights lower.
    void placePip(jint n, jint boxLayer, jint gap);
    // Price of raising stat k from level `level`.
    jint stepPrice(jint k, jint level);
    // A stat's cap as far as the bar and the price tables reach (ten).
    static jint reachableCap(jint k);

    // The width of the bar's item cursor (of its held picture), which is
    // the width of an item.
    jint cursorWidth();
    // Which item (0..2, 0 the rightmost) of the bar in `rect` lies under x,
    // or -1 when the cursor has no width or x is beside the three items.
    jint barItemAt(jint x);
    // The three labels of view v's choice bar at their items, the cursor
    // over item 0.
    void layoutChoiceBar(jint view);
    void openChoiceBar(jint view);
    // Cursor and labels for a price; a price above the money offers no
    // confirmation.
    void openConfirmBar(jint price);
    // Pending price in main-panel line 6 (drawn as too dear above the
    // money); free points left in line 7.
    void updateCostLine();
    void updatePointsLine();
    static VMPtr<java::lang::String> money(jint amount);
    static VMPtr<java::lang::String> twoDigits(jint n);
    void clearPlan();
    // The action of the held stylus on the confirmation bar.
    void holdConfirmBar(jint px);
    // The stylus against the confirmation bar: off it the item cursor
    // idles, held on it the bar follows; true once it is lifted on the bar.
    jboolean confirmBarReleased(jint px, jboolean released);
};

}  // namespace scene::maingame
