#include "scene_maingame_InHomeScene.h"

#include <algorithm>

#include "VMMath.h"
#include "java_lang_StringBuffer.h"
#include "main_Game.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "ui_Pointer.h"

WREN_DEFINE_CLASS(scene::maingame::InHomeScene, "scene.maingame.InHomeScene")

namespace scene::maingame {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Graphics;
using main::Game;
using main::Main;
using ui::Addon;
using ui::Screen;

namespace {

// Main-screen layers.
constexpr jint HOME_PICTURE = 0;
constexpr jint TOP_EDGE = 1;
constexpr jint BOTTOM_EDGE = 2;
constexpr jint TAB_BAR = 3;
constexpr jint VIEW_FRAME = 4;

// Frames of the fixed layers.
constexpr jint FRAME_HOME = 11;
constexpr jint FRAME_TOP = 23;
constexpr jint FRAME_BOTTOM = 24;
// Tab-bar frames while a choice bar is open, by view.
constexpr jint FRAME_TABS_BAR2 = 7;
constexpr jint FRAME_TABS_BAR3 = 8;
constexpr jint ROW_CURSOR_ANIMATION = 0;
constexpr jint LOADING_CURSOR_ANIMATION = 1;

// Pop-up screen layers.
constexpr jint BAR = 0;
constexpr jint ITEM_CURSOR = 1;

// Main-panel lines and their fonts.
constexpr jint LINE_TITLE = 0;
constexpr jint LINE_MONEY = 1;
constexpr jint LINE_LEVEL = 5;
constexpr jint LINE_COST = 6;
constexpr jint LINE_POINTS = 7;
constexpr jint PANEL_LINES = 8;
constexpr jint FONT_NAMES = 2;
constexpr jint FONT_TITLE = 3;
constexpr jint FONT_MONEY = 4;
constexpr jint FONT_TOO_DEAR = 5;
constexpr jint FONT_POINTS = 6;

// Text ids.
constexpr jint TEXT_TITLES = 23;  // + view
constexpr jint TEXT_STAT_NAMES = 29;
constexpr jint TEXT_LEVEL = 33;
constexpr jint TEXT_STEP_BY_STEP = 34;
constexpr jint TEXT_FILL_UP = 35;
constexpr jint TEXT_SHARE_POINTS = 36;
constexpr jint TEXT_RESET = 37;
constexpr jint TEXT_PRICE = 38;
constexpr jint TEXT_TOO_DEAR = 40;
constexpr jint TEXT_FIRST_PAGE = 64;
constexpr jint TEXT_CONFIRM = 98;
constexpr jint TEXT_CANCEL = 99;
constexpr jint TEXT_BACK = 100;
constexpr jint TEXT_SURE = 104;

// Tutorial headings that switch the view: heading, view, tab.
constexpr jint HEADING_VIEWS[][3] = {{25, 2, 1}, {26, 3, 2}, {27, 4, 3}, {28, 5, 4}};

// The tutorial band on the left of the screen.
constexpr jint BAND_WIDTH = 80;
constexpr jint AREA_HEIGHT = 320;
constexpr jint CENTRE_X = 120;
constexpr jint CENTRE_Y = 160;

constexpr jint MAP_SCENE = 43;
constexpr jint STAGE_SCENE = 45;
constexpr jint STATS = 3;

}  // namespace

void InHomeScene::ctor() {
    Scene::ctor();
    tutorialHeadings = VMArray<jint>::of({0, 29, 29, 30, 30, 31, 0, 24, 25, 26, 26, 27, 28});
    upgradeCosts = VMArray<jint>::of({100, 200, 200, 300, 300, 500, 500, 1000, 1000, 2000});
    upgradeCostsStat2 = VMArray<jint>::of({100, 100, 100, 200, 200, 200, 300, 300, 300, 500});
    rewardBase = 500;
    popupChoice = 0;
    confirmPending = 0;
    selectedStat = 0;
    pendingCost = 0;
    currentView = 1;
    selectedTab = 1;
    pendingUpgrades = VMArray<jint>::create(4);
    VMPtr<Main> m = Main::S().instance;
    for (jint i = 0; i < Main::FONT_COUNT; ++i) {
        if (i < 2)
            m->releaseFont(i);
        else
            m->loadResources(i);
    }
    if (Game::S().stageKind == TUTORIAL_STAGE_KIND) {
        tutorialMode = true;
        tutorialStep = 0;
    }
}

// --- loading -----------------------------------------------------------------------------

void InHomeScene::loadData() {
    const jint step = moreData;
    switch (step) {
        case 0:
            screen = Screen::make();
            screen->setLayerCapacity(LAYERS);
            if (tutorialMode) {
                rect = VMArray<jint>::of({0, 0, BAND_WIDTH, AREA_HEIGHT});
                screen->createFillRects(1);
                screen->setFillRect(0, rect, 0);
            }
            moreData = 7;
            return;
        case 7: {
            VMPtr<Screen> backdrop = Screen::make();
            backgroundScreen = backdrop;
            backdrop->setLayerCapacity(1);
            backdrop->appendLayer(BACKDROP_GOBS);
            backdrop->setLayerPosition(0, CENTRE_X, CENTRE_Y);
            backdrop->setDepth(0);
            addObject(backdrop);
            break;
        }
        case 6:
            screen->appendFrameLayer(HOME_GOBS, HOME_ANIMS, FRAME_HOME, CENTRE_X, CENTRE_Y);
            screen->appendFrameLayer(HOME_GOBS, HOME_ANIMS, FRAME_TOP, CENTRE_X, 0);
            screen->appendFrameLayer(HOME_GOBS, HOME_ANIMS, FRAME_BOTTOM, CENTRE_X, AREA_HEIGHT);
            break;
        case 5:
            screen->appendFrameLayer(HOME_GOBS, HOME_ANIMS, selectedTab, CENTRE_X, CENTRE_Y);
            break;
        case 4:
            screen->appendFrameLayer(HOME_GOBS, HOME_ANIMS, FRAME_STATUS_VIEW, CENTRE_X, CENTRE_Y);
            break;
        case 3: {
            // One pip a call; the call that finds the bars complete ends the
            // step.
            const jint n = screen->getLayerCount();
            if (n == ROW_CURSOR_LAYER) break;
            screen->appendLayer(HOME_GOBS);
            const jint k = (n - FIRST_PIP_LAYER) / PIPS_PER_STAT;
            const jint p = n - FIRST_PIP_LAYER - PIPS_PER_STAT * k;
            VMPtr<VMArray<jint>> status = Game::S().stats;
            const jint level = status[2 * k + 2], cap = status[2 * k + 1];
            screen->playAnimation(n, p < level ? PIP_LEVEL : p < cap ? PIP_CAP : PIP_BEYOND);
            placePip(n, HOME_PICTURE, 1);
            return;
        }
        case 2:
            screen->appendAnimLayer(HOME_GOBS, HOME_ANIMS, LOADING_CURSOR_ANIMATION, 0, 0);
            break;
        case 1:
            screen->setDepth(2);
            addObject(screen);
            break;
        default:
            // No other step is ever set.
            moreData = 0;
            return;
    }
    moreData = step - 1;
}

void InHomeScene::loadObjects() {
    rect = screen->getLayerBox(HOME_PICTURE, 2);
    VMPtr<InGameObject> figure = InGameObject::make();
    homeObject = figure;
    refreshPreview();
    figure->setDepth(1);
    addObject(figure);
    VMPtr<Screen> popup = Screen::make();
    popupScreen = popup;
    popup->setBackgroundEnabled(false);
    popup->setLayerCapacity(3);
    popup->appendFrameLayer(HOME_GOBS, HOME_ANIMS, FRAME_BAR, CENTRE_X, CENTRE_Y);
    popup->appendFrameLayer(HOME_GOBS, HOME_ANIMS, FRAME_CURSOR_HELD, CENTRE_X, CENTRE_Y);
    popup->appendFrameLayer(HOME_GOBS, HOME_ANIMS, FRAME_CAP, CENTRE_X, CENTRE_Y);
}

void InHomeScene::loadUi() {
    if (tutorialMode) {
        rect = VMArray<jint>::of({0, 0, BAND_WIDTH, AREA_HEIGHT});
        VMPtr<Addon> band = Addon::make();
        tutorialPanel = band;
        band->setFontIndex(2);
        band->setText(pageText(tutorialStep), 0, 0, BAND_WIDTH, AREA_HEIGHT);
    }

    VMPtr<Addon> lines = Addon::make();
    panel = lines;
    lines->setLabelCapacity(PANEL_LINES);
    VMPtr<VMArray<jint>> status = Game::S().stats;
    auto addAt = [&](jint font, const VMPtr<String>& s, jint layer, jint box) {
        rect = screen->getLayerBox(layer, box);
        lines->setLabelFont(lines->labelCount, font);
        lines->addLabel(s, rect[0], rect[1], rect[2], rect[3]);
    };
    addAt(FONT_TITLE, text(TEXT_TITLES + currentView), TOP_EDGE, 0);
    addAt(FONT_MONEY, money(Game::S().progressB), BOTTOM_EDGE, 1);
    for (jint k = 0; k < STATS; ++k)
        addAt(FONT_NAMES, text(TEXT_STAT_NAMES + k), HOME_PICTURE, 3 + k);
    {
        VMPtr<StringBuffer> level = StringBuffer::make(text(TEXT_LEVEL));
        level->append(jint(status[8]));
        rect = screen->getLayerBox(HOME_PICTURE, 2);
        lines->setLabelFont(LINE_LEVEL, FONT_NAMES);
        lines->addLabel(level->toString(), rect[0] - rect[2], rect[1], rect[2], rect[3]);
    }
    lines->setLabelFont(LINE_COST, FONT_MONEY);
    lines->addLabel(money(0), 0, 0);
    lines->setLabelFont(LINE_POINTS, FONT_POINTS);
    lines->addLabel(twoDigits(status[0]), 0, 0);
    lines->setLabelCount(6);
    lines->setDepth(4);
    addObject(lines);

    VMPtr<Addon> labels = Addon::make();
    popupPanel = labels;
    labels->setLabelCapacity(3);
    for (jint i = 0; i < 3; ++i) {
        labels->setLabelFont(i, FONT_NAMES);
        labels->addLabel(WREN_LIT(" "), 0, 0);
    }
}

void InHomeScene::paintLayer(const VMPtr<Graphics>& g) {
    if (tutorialMode) {
        g->setColor(0);
        g->fillRect(0, 0, BAND_WIDTH, AREA_HEIGHT);
        tutorialPanel->paint(g);
        return;
    }
    if (popupState == CHOICE_BAR || popupState == CONFIRMATION) {
        popupScreen->paint(g);
        popupPanel->paint(g);
    }
}

// --- the frame ---------------------------------------------------------------------------

void InHomeScene::update() {
    Scene::update();
    if (progressiveLoad) return;
    if (!tutorialMode) {
        switch (popupState) {
            case HOME_VIEW:
                updateHomeView();
                break;
            case CHOICE_BAR:
                updateChoiceBar();
                break;
            case ALLOCATION:
                updateAllocation();
                break;
            case CONFIRMATION:
                updateConfirm();
                break;
            default:
                break;
        }
        return;
    }
    if (!pointerReleased()) return;
    ++tutorialStep;
    if (tutorialStep < tutorialHeadings->length) {
        rect = VMArray<jint>::of({0, 0, BAND_WIDTH, AREA_HEIGHT});
        tutorialPanel->setText(pageText(tutorialStep), 0, 0, BAND_WIDTH, AREA_HEIGHT);
        const jint heading = tutorialHeadings[tutorialStep];
        if (heading == tutorialHeadings[tutorialStep - 1]) return;
        for (const auto& hv : HEADING_VIEWS) {
            if (hv[0] != heading) continue;
            currentView = hv[1];
            selectedTab = hv[2];
            showView(hv[1]);
        }
        return;
    }
    ++Game::S().stageKind;
    Main::S().game->saveState();
    sceneManager->changeScene(STAGE_SCENE);
}

// --- views -------------------------------------------------------------------------------

void InHomeScene::showView(jint view) {
    currentView = view;
    if (view < 1 || view > 5) return;
    screen->playAnimation(TAB_BAR, selectedTab);
    static constexpr jint VIEW_FRAMES[] = {0,
                                           FRAME_STATUS_VIEW,
                                           FRAME_UPGRADE_VIEW,
                                           FRAME_CAPS_VIEW,
                                           FRAME_COLLECTION,
                                           FRAME_STATUS_VIEW};
    screen->playAnimation(VIEW_FRAME, VIEW_FRAMES[view]);
    VMPtr<Addon> lines = mainPanel();

    if (view == 4) {
        VMPtr<VMArray<jboolean>> collected = Game::S().progressFlags;
        jint j = FIRST_PIP_LAYER;
        for (jint i = 0; i < 5; ++i) {
            if (!collected[i]) continue;
            screen->playAnimation(j, FIRST_PIECE + i);
            screen->setLayerPosition(j, CENTRE_X, CENTRE_Y);
            ++j;
        }
        screen->setLayerCursor(j);
        lines->setLabelText(LINE_TITLE, text(TEXT_TITLES + 4));
        lines->setLabelCount(2);
        return;
    }

    const jint boxLayer = view == 2 || view == 3 ? VIEW_FRAME : HOME_PICTURE;
    // Views 2 and 3 leave a gap of one pip after the fifth.
    const jint gap = view == 2 || view == 3 ? 2 : 1;
    VMPtr<VMArray<jint>> status = Game::S().stats;
    for (jint n = FIRST_PIP_LAYER; n < ROW_CURSOR_LAYER; ++n) {
        const jint k = (n - FIRST_PIP_LAYER) / PIPS_PER_STAT;
        const jint p = n - FIRST_PIP_LAYER - PIPS_PER_STAT * k;
        const jint level = status[2 * k + 2], cap = status[2 * k + 1];
        jint picture;
        if (view == 3)
            picture = p < cap ? PIP_CAP_VIEW3 : PIP_BEYOND;
        else
            picture = p < level ? PIP_LEVEL : p < cap ? PIP_CAP : PIP_BEYOND;
        screen->playAnimation(n, picture);
        placePip(n, boxLayer, p == 5 ? gap : 1);
    }
    screen->setLayerCursor(ROW_CURSOR_LAYER);

    lines->setLabelText(LINE_TITLE, text(TEXT_TITLES + view));
    for (jint k = 0; k < STATS; ++k) {
        rect = screen->getLayerBox(boxLayer, 3 + k);
        lines->setLabel(2 + k, text(TEXT_STAT_NAMES + k), rect[0], rect[1], rect[2], rect[3]);
    }
    if (view == 1 || view == 5) {
        VMPtr<StringBuffer> level = StringBuffer::make(text(TEXT_LEVEL));
        level->append(jint(status[8]));
        rect = screen->getLayerBox(HOME_PICTURE, 2);
        lines->setLabel(LINE_LEVEL, level->toString(), rect[0] - rect[2], rect[1], rect[2],
                        rect[3]);
        lines->setLabelCount(6);
        return;
    }
    lines->setLabelText(LINE_MONEY, money(Game::S().progressB));
    lines->setLabelText(LINE_LEVEL, WREN_LIT(""));
    rect = screen->getLayerBox(VIEW_FRAME, 6);
    if (view == 2) {
        lines->setLabel(LINE_COST, money(0), rect[0], rect[1], rect[2], rect[3]);
        lines->setLabelCount(7);
        return;
    }
    lines->setLabelText(LINE_COST, WREN_LIT(""));
    lines->setLabel(LINE_POINTS, twoDigits(status[0]), rect[0], rect[1], rect[2], rect[3]);
    lines->setLabelCount(8);
}

void InHomeScene::placePip(jint n, jint boxLayer, jint gap) {
    const jint p = (n - FIRST_PIP_LAYER) % PIPS_PER_STAT;
    if (p == 0) {
        const jint k = (n - FIRST_PIP_LAYER) / PIPS_PER_STAT;
        rect = screen->getLayerBox(boxLayer, 3 + k);
        const jint x = rect[0] + rect[2] - vmDiv(rect[2] - screen->getLayerWidth(n), 2);
        screen->setLayerPosition(n, x, rect[1] + rect[3]);
        return;
    }
    screen->setLayerPosition(n, screen->getLayerX(n - 1),
                             screen->getLayerY(n - 1) + gap * screen->getLayerHeight(n - 1));
}

void InHomeScene::playPip(jint k, jint j, jint picture) {
    if (j < 0 || j >= PIPS_PER_STAT) return;
    screen->playAnimation(FIRST_PIP_LAYER + PIPS_PER_STAT * k + j, picture);
}

// --- pop-up state 0: the tabs ------------------------------------------------------------

void InHomeScene::updateHomeView() {
    takePointerPoint();
    const jboolean held = pointerHeld(), released = pointerReleased();

    // The tabs do not overlap: the first under the stylus is the one. (The
    // view drawn for a held tab reuses `rect`, so no later tab is tried.)
    jint tab = -1;
    for (jint i = 0; i < 5 && tab < 0; ++i)
        if (screen->layerContains(TAB_BAR, i, rect)) tab = i;
    if (tab >= 0 && held) {
        currentView = selectedTab = tab + 1;
        showView(tab + 1);
        screen->playAnimation(TAB_BAR, tab + 1);
        return;
    }
    if (!released) return;
    if (tab < 0) {
        screen->playAnimation(TAB_BAR, 0);
        return;
    }
    // A release acts on the view its hold showed.
    if (currentView == 2 || currentView == 3)
        openChoiceBar(currentView);
    else if (currentView == 5)
        sceneManager->changeScene(MAP_SCENE);
}

// --- pop-up state 1: the choice bar ------------------------------------------------------

jint InHomeScene::cursorWidth() {
    // Measured on the held picture whatever the cursor shows now: the idle
    // picture may have no width, and labels laid out by it would all land
    // on one spot.
    VMPtr<Screen> popup = popupScreen;
    const jint shown = popup->getLayerAnimation(ITEM_CURSOR);
    popup->playAnimation(ITEM_CURSOR, FRAME_CURSOR_HELD);
    const jint w = popup->getLayerWidth(ITEM_CURSOR);
    popup->playAnimation(ITEM_CURSOR, shown);
    return w;
}

jint InHomeScene::barItemAt(jint x) {
    const jint w = cursorWidth();
    // A cursor without width tells no item from another.
    if (w <= 0) return -1;
    const jint k = vmDiv((x - rect[0]) + (3 * w - rect[2]), w);
    const jint item = 2 - k;
    return item >= 0 && item <= 2 ? item : -1;
}

void InHomeScene::layoutChoiceBar(jint view) {
    rect = popupScreen->getLayerBox(BAR, 0);
    const jint x = rect[0], y = rect[1], width = rect[2], height = rect[3];
    popupScreen->setLayerPosition(ITEM_CURSOR, x + width, CENTRE_Y);
    const jint w = cursorWidth();
    const jint ids[3] = {view == 2 ? TEXT_STEP_BY_STEP : TEXT_SHARE_POINTS,
                         view == 2 ? TEXT_FILL_UP : TEXT_RESET, TEXT_BACK};
    for (jint j = 0; j < 3; ++j)
        popupPanel->setLabel(j, text(ids[j]), x + width - (j + 1) * w, y, w, height);
}

void InHomeScene::openChoiceBar(jint view) {
    popupChoice = 0;
    layoutChoiceBar(view);
    popupScreen->playAnimation(ITEM_CURSOR, FRAME_CURSOR_IDLE);
    screen->playAnimation(TAB_BAR, view == 2 ? FRAME_TABS_BAR2 : FRAME_TABS_BAR3);
    popupState = CHOICE_BAR;
}

void InHomeScene::updateChoiceBar() {
    takePointerPoint();
    const jint px = rect[0];
    if (!popupScreen->layerContains(BAR, 0, rect)) {
        popupScreen->playAnimation(ITEM_CURSOR, FRAME_CURSOR_IDLE);
        return;
    }
    rect = popupScreen->getLayerBox(BAR, 0);
    if (pointerHeld()) {
        popupScreen->playAnimation(ITEM_CURSOR, FRAME_CURSOR_HELD);
        const jint item = barItemAt(px);
        // Over no item the bar offers only its way back.
        popupChoice = item < 0 ? 2 : item;
        popupScreen->setLayerPosition(ITEM_CURSOR, rect[0] + rect[2] - cursorWidth() * popupChoice,
                                      CENTRE_Y);
        return;
    }
    if (!pointerReleased()) return;
    VMPtr<VMArray<jint>> status = Game::S().stats;
    if (popupChoice == 2) {
        screen->playAnimation(TAB_BAR, 0);
        popupState = HOME_VIEW;
        return;
    }
    if (popupChoice == 0) {
        selectedStat = 0;
        if (currentView == 2) pendingCost = 0;
        for (jint k = 0; k < STATS; ++k) pendingUpgrades[k] = 0;
        pendingUpgrades[3] = status[0];
        popupState = ALLOCATION;
        rect = screen->getLayerBox(VIEW_FRAME, 0);
        screen->setLayerPosition(ROW_CURSOR_LAYER, rect[0] + rect[2], CENTRE_Y);
        screen->playAnimation(ROW_CURSOR_LAYER, ROW_CURSOR_ANIMATION);
        screen->setLayerCursor(LAYERS);
        return;
    }
    if (popupChoice != 1) return;
    if (currentView == 2) {
        // Fill up: every stat planned up to its cap.
        pendingCost = 0;
        for (jint k = 0; k < STATS; ++k) pendingUpgrades[k] = 0;
        for (jint k = 0; k < STATS; ++k)
            for (jint t = 0;
                 t < PIPS_PER_STAT && status[2 * k + 2] + pendingUpgrades[k] < reachableCap(k);
                 ++t) {
                playPip(k, status[2 * k + 2] + pendingUpgrades[k], PIP_LEVEL);
                pendingUpgrades[k] = pendingUpgrades[k] + 1;
                pendingCost += stepPrice(k, status[2 * k + 2] + pendingUpgrades[k] - 1);
            }
        updateCostLine();
        openConfirmBar(pendingCost);
        popupState = CONFIRMATION;
    } else if (currentView == 3) {
        selectedStat = -1;
        openConfirmBar(status[8] * rewardBase);
        popupState = CONFIRMATION;
    }
}

void InHomeScene::openConfirmBar(jint price) {
    confirmPending = 0;
    rect = popupScreen->getLayerBox(BAR, 0);
    const jint w = cursorWidth();
    const jint right = rect[0] + rect[2];
    if (price > Game::S().progressB) {
        popupScreen->setLayerPosition(ITEM_CURSOR, right - 2 * w, CENTRE_Y);
        popupPanel->setLabelText(0, text(TEXT_TOO_DEAR));
        popupPanel->setLabelText(1, WREN_LIT(""));
        return;
    }
    popupScreen->setLayerPosition(ITEM_CURSOR, right - w, CENTRE_Y);
    VMPtr<StringBuffer> label = StringBuffer::make(text(TEXT_PRICE));
    label->append(price);
    popupPanel->setLabelText(0, label->toString());
    popupPanel->setLabelText(1, text(TEXT_CONFIRM));
    popupPanel->setLabelText(2, text(TEXT_CANCEL));
}

// --- pop-up state 2: planning on the stat rows -------------------------------------------

jint InHomeScene::reachableCap(jint k) {
    VMPtr<VMArray<jint>> status = Game::S().stats;
    return std::min(jint(status[2 * k + 1]), PIPS_PER_STAT);
}

jint InHomeScene::stepPrice(jint k, jint level) {
    return k == 2 ? upgradeCostsStat2[level] : upgradeCosts[level];
}

void InHomeScene::updateAllocation() {
    if (!pointerReleased()) return;
    takePointerPoint();
    jint hit = -1;
    for (jint i = 0; i < STATS; ++i)
        if (screen->layerContains(VIEW_FRAME, i, rect)) {
            hit = i;
            break;
        }
    VMPtr<VMArray<jint>> status = Game::S().stats;
    if (hit >= 0 && hit != selectedStat) {
        selectedStat = hit;
        rect = screen->getLayerBox(VIEW_FRAME, hit);
        screen->setLayerPosition(ROW_CURSOR_LAYER, rect[0] + rect[2], CENTRE_Y);
        return;
    }
    if (hit >= 0) {
        takePointerPoint();
        const jint s = selectedStat;
        const bool minus = screen->layerContains(ROW_CURSOR_LAYER, 1, rect);
        const bool plus = !minus && screen->layerContains(ROW_CURSOR_LAYER, 2, rect);
        const jint level = status[2 * s + 2], cap = status[2 * s + 1];
        bool stepped = false;
        if (currentView == 2) {
            if (minus && pendingUpgrades[s] >= 1) {
                pendingCost -= stepPrice(s, level + pendingUpgrades[s] - 1);
                updateCostLine();
                pendingUpgrades[s] = pendingUpgrades[s] - 1;
                playPip(s, level + pendingUpgrades[s], PIP_CAP);
                stepped = true;
            } else if (plus && level + pendingUpgrades[s] < reachableCap(s)) {
                playPip(s, level + pendingUpgrades[s], PIP_LEVEL);
                pendingUpgrades[s] = pendingUpgrades[s] + 1;
                pendingCost += stepPrice(s, level + pendingUpgrades[s] - 1);
                updateCostLine();
                stepped = true;
            }
        } else if (currentView == 3) {
            if (minus && pendingUpgrades[s] >= 1) {
                pendingUpgrades[3] = pendingUpgrades[3] + 1;
                pendingUpgrades[s] = pendingUpgrades[s] - 1;
                playPip(s, cap + pendingUpgrades[s], PIP_BEYOND);
                updatePointsLine();
                stepped = true;
            } else if (plus && pendingUpgrades[3] >= 1 && cap + pendingUpgrades[s] < PIPS_PER_STAT) {
                playPip(s, cap + pendingUpgrades[s], PIP_ASSIGNED);
                pendingUpgrades[3] = pendingUpgrades[3] - 1;
                pendingUpgrades[s] = pendingUpgrades[s] + 1;
                updatePointsLine();
                stepped = true;
            }
        }
        if (stepped) refreshPreview();
        return;
    }

    // A tap beside the rows ends the planning.
    if (currentView == 2) {
        screen->setLayerCursor(ROW_CURSOR_LAYER);
        if (pendingUpgrades[0] + pendingUpgrades[1] + pendingUpgrades[2] == 0) {
            popupState = HOME_VIEW;
            screen->playAnimation(TAB_BAR, 0);
            return;
        }
        openConfirmBar(pendingCost);
        if (pendingCost > Game::S().progressB) {
            clearPlan();
            refreshPreview();
        }
        popupState = CONFIRMATION;
    } else if (currentView == 3) {
        if (pendingUpgrades[3] == status[0]) {
            popupState = HOME_VIEW;
            screen->playAnimation(TAB_BAR, 0);
            screen->setLayerCursor(ROW_CURSOR_LAYER);
            return;
        }
        confirmPending = 0;
        rect = popupScreen->getLayerBox(BAR, 0);
        popupScreen->setLayerPosition(ITEM_CURSOR, rect[0] + rect[2] - cursorWidth(), CENTRE_Y);
        popupPanel->setLabelText(0, text(TEXT_SURE));
        popupPanel->setLabelText(1, text(TEXT_CONFIRM));
        popupPanel->setLabelText(2, text(TEXT_CANCEL));
        popupState = CONFIRMATION;
    }
}

void InHomeScene::updateCostLine() {
    VMPtr<Addon> lines = mainPanel();
    lines->setLabelFont(LINE_COST, pendingCost > Game::S().progressB ? FONT_TOO_DEAR : FONT_MONEY);
    lines->setLabelText(LINE_COST, money(pendingCost));
}

void InHomeScene::updatePointsLine() {
    mainPanel()->setLabelText(LINE_POINTS, twoDigits(pendingUpgrades[3]));
}

void InHomeScene::clearPlan() {
    for (jint k = 0; k < STATS; ++k) pendingUpgrades[k] = 0;
}

// --- pop-up state 3: the confirmation bar ------------------------------------------------

void InHomeScene::holdConfirmBar(jint px) {
    popupScreen->playAnimation(ITEM_CURSOR, FRAME_CURSOR_HELD);
    const jint w = cursorWidth();
    const jint right = rect[0] + rect[2];
    switch (barItemAt(px)) {
        case 0:
            // The price itself confirms; the cursor idles over it.
            confirmPending = 0;
            popupScreen->playAnimation(ITEM_CURSOR, FRAME_CURSOR_IDLE);
            break;
        case 1:
            confirmPending = 0;
            popupScreen->setLayerPosition(ITEM_CURSOR, right - w, CENTRE_Y);
            break;
        default:
            // Item 2, and a stylus over no item: nothing is bought.
            confirmPending = 1;
            popupScreen->setLayerPosition(ITEM_CURSOR, right - 2 * w, CENTRE_Y);
            break;
    }
}

jboolean InHomeScene::confirmBarReleased(jint px, jboolean released) {
    if (!popupScreen->layerContains(BAR, 0, rect)) {
        popupScreen->playAnimation(ITEM_CURSOR, FRAME_CURSOR_IDLE);
        return false;
    }
    rect = popupScreen->getLayerBox(BAR, 0);
    if (pointerHeld()) {
        holdConfirmBar(px);
        return false;
    }
    return released;
}

void InHomeScene::updateConfirm() {
    takePointerPoint();
    const jint px = rect[0];
    Game::Statics& game = Game::S();
    VMPtr<VMArray<jint>> status = game.stats;
    VMPtr<Addon> lines = mainPanel();
    const jboolean released = pointerReleased();

    if (currentView == 2) {
        if (pendingCost > game.progressB) {
            // Nothing to confirm: any tap dismisses the bar.
            if (!released) return;
            showView(2);
            lines->setLabelFont(LINE_COST, FONT_MONEY);
            screen->playAnimation(TAB_BAR, 0);
            popupState = HOME_VIEW;
            return;
        }
        if (!confirmBarReleased(px, released)) return;
        if (confirmPending == 0) {
            status[2] = status[2] + pendingUpgrades[0];
            status[4] = status[4] + pendingUpgrades[1];
            status[6] = status[6] + pendingUpgrades[2];
            game.progressB -= pendingCost;
            Main::S().game->saveState();
            lines->setLabelText(LINE_COST, money(0));
            lines->setLabelText(LINE_MONEY, money(game.progressB));
            popupState = HOME_VIEW;
            screen->playAnimation(TAB_BAR, 0);
        } else {
            showView(2);
            selectedStat = 0;
            popupChoice = 0;
            layoutChoiceBar(2);
            screen->playAnimation(TAB_BAR, FRAME_TABS_BAR2);
            popupState = CHOICE_BAR;
        }
        clearPlan();
        refreshPreview();
        return;
    }

    if (currentView != 3) return;
    const jint price = status[8] * rewardBase;
    if (selectedStat == -1 && game.progressB < price) {
        if (!released) return;
        showView(3);
        screen->playAnimation(TAB_BAR, 0);
        popupState = HOME_VIEW;
        return;
    }
    if (!confirmBarReleased(px, released)) return;
    if (selectedStat != -1) {
        if (confirmPending != 0) {
            // Back to the rows, the plan kept.
            popupState = ALLOCATION;
            return;
        }
        for (jint k = 0; k < STATS; ++k) {
            status[2 * k + 1] = status[2 * k + 1] + pendingUpgrades[k];
            status[2 * k + 2] = status[2 * k + 2] + pendingUpgrades[k];
        }
        status[0] = pendingUpgrades[3];
        Main::S().game->saveState();
        showView(3);
        popupState = HOME_VIEW;
        screen->playAnimation(TAB_BAR, 0);
        clearPlan();
        refreshPreview();
        return;
    }
    if (confirmPending == 0) {
        // The reset: every cap point but one of stat 2's back as free points.
        status[0] = status[0] + status[1] + status[3] + status[5] - 1;
        status[1] = status[2] = status[3] = status[4] = 0;
        status[5] = status[6] = 1;
        game.progressB -= price;
        lines->setLabelText(LINE_MONEY, money(game.progressB));
        Main::S().game->saveState();
        showView(3);
        clearPlan();
        refreshPreview();
        popupState = HOME_VIEW;
        screen->playAnimation(TAB_BAR, 0);
        return;
    }
    showView(3);
    popupChoice = 0;
    layoutChoiceBar(3);
    screen->playAnimation(TAB_BAR, FRAME_TABS_BAR3);
    popupState = CHOICE_BAR;
}

// --- the preview -------------------------------------------------------------------------

void InHomeScene::refreshPreview() {
    VMPtr<VMArray<jint>> status = Game::S().stats;
    for (jint k = 0; k < STATS; ++k) status[2 * k + 2] = status[2 * k + 2] + pendingUpgrades[k];
    Game::classifyStats();
    for (jint k = 0; k < STATS; ++k) status[2 * k + 2] = status[2 * k + 2] - pendingUpgrades[k];
    // Dressed by the form just computed; its values are the real stats.
    VMPtr<InGameObject> figure = homeObject;
    figure->setUp(figure);
    rect = screen->getLayerBox(HOME_PICTURE, 2);
    figure->setLayerPosition(0, rect[0] + rect[2], rect[1] + rect[3]);
}

// --- helpers -----------------------------------------------------------------------------

VMPtr<Addon> InHomeScene::mainPanel() {
    return vmCast<Addon>(panel);
}

VMPtr<String> InHomeScene::text(jint id) {
    return texts->getString(id);
}

VMPtr<String> InHomeScene::pageText(jint step) {
    const jint heading = tutorialHeadings[step];
    if (heading == 0) return text(TEXT_FIRST_PAGE + step);
    VMPtr<StringBuffer> page = StringBuffer::make(String::valueOf(text(heading)));
    page->append(WREN_LIT(": "));
    page->append(text(TEXT_FIRST_PAGE + step));
    return page->toString();
}

void InHomeScene::takePointerPoint() {
    ui::Pointer::Statics& touch = ui::Pointer::S();
    rect = VMArray<jint>::of({touch.touchX[0], touch.touchY[0], 0, 0, 0});
}

jboolean InHomeScene::pointerHeld() {
    return ui::Pointer::S().touchPressed[0];
}

jboolean InHomeScene::pointerReleased() {
    return ui::Pointer::S().touchReleased[0];
}

VMPtr<String> InHomeScene::money(jint amount) {
    VMPtr<StringBuffer> s = StringBuffer::make(WREN_LIT("$"));
    s->append(amount);
    return s->toString();
}

VMPtr<String> InHomeScene::twoDigits(jint n) {
    VMPtr<StringBuffer> s = StringBuffer::make();
    if (n < 10) s->append(WREN_LIT("0"));
    s->append(n);
    return s->toString();
}

}  // namespace scene::maingame
