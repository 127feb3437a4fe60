#include "scene_maingame_InGameScene.h"

#include "VMMath.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "main_Game.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "scene_maingame_InGameMonster.h"
#include "ui_Addon.h"
#include "ui_Pointer.h"

WREN_DEFINE_CLASS(scene::maingame::InGameScene, "scene.maingame.InGameScene")

namespace scene::maingame {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Graphics;
using main::Game;
using main::Main;
using ui::Screen;
using wren::graphics::CollisionBox;

namespace {

// Stats of the game state.
constexpr jint STAT_POINTS = 0;
constexpr jint STAT_ATTACK = 2;
constexpr jint STAT_SPECIAL = 4;
constexpr jint STAT_HIT_POINTS = 6;
constexpr jint STAT_EXPERIENCE = 7;
constexpr jint STAT_LEVEL = 8;

// Resource ids.
constexpr jint HUD_ANIMS = 2048;
constexpr jint MARKER_ANIMS = 2050;
constexpr jint HUD_GOBS = 2052;
constexpr jint MARKER_GOBS = 2055;
constexpr jint ICON_GOBS = 4099;
constexpr jint UI_ANIMS = 9216;
constexpr jint UI_GOBS = 9217;
constexpr jint FAMILY_ANIMS = 18432;
constexpr jint FAMILY_GOBS = 18441;
constexpr jint CHEST_FAMILY = 7;

// HUD layers.
constexpr jint HUD_BARS = 0;
constexpr jint HUD_BAR_MARKER = 1;
constexpr jint HUD_CORNER = 2;
constexpr jint HUD_PAD = 3;
constexpr jint HUD_OVERLAY = 4;
constexpr jint HUD_KNOB = 5;
constexpr jint HUD_METER = 6;
constexpr jint HUD_BUTTON = 7;
constexpr jint HUD_FIRST_HEART = 8;
// Boxes of HUD frames: the bars' on layer 0, the buttons'.
constexpr jint BOX_BAR_A = 1;
constexpr jint BOX_BAR_B = 2;
constexpr jint BOX_BUTTON = 5;
constexpr jint BOX_PAUSE = 6;
// HUD frames.
constexpr jint FRAME_PAD = 2;
constexpr jint FRAME_KNOB = 3;
constexpr jint FRAME_CORNER = 4;
constexpr jint FRAME_ACTION = 5;
constexpr jint FRAME_SPECIAL = 7;
constexpr jint FRAME_EMPTY = 8;  // the pad overlay, an empty meter, an empty heart
constexpr jint FRAME_HEART = 1;
constexpr jint FRAME_SHORT_METER = 8;
constexpr jint FRAME_LONG_METER = 24;
constexpr jint METER_STEPS = 15;

constexpr jint BAR_A_COLOUR = 0xA20D0E;
constexpr jint BAR_B_COLOUR = 0x610537;
constexpr jint FIELD_COLOUR = 12621150;  // 0xC0955E
constexpr jint HUD_DEPTH = 45;
constexpr jint BOARD_DEPTH = 45;
constexpr jint PANEL_DEPTH = 46;
constexpr jint INTRO_PANEL_DEPTH = 47;

// The player's animations the scene shows or looks for.
constexpr jint PLAYER_IDLE = 0;
constexpr jint PLAYER_DASH = 5;
constexpr jint PLAYER_GRAB = 7;
constexpr jint PLAYER_DEFEATED = 8;

// Contact values: the type of the player's box that touched.
constexpr jint HIT_WEAPON = 0;
constexpr jint HIT_BODY = 2;
constexpr jint HIT_SHOVE = 3;
constexpr jint HIT_GRAB = 4;
constexpr jint HIT_SPECIAL = 5;

// Texts.
constexpr jint TEXT_FIRST_INTRO = 46;
constexpr jint INTRO_SHORT_FIRST = 0;
constexpr jint INTRO_SHORT_END = 9;
constexpr jint INTRO_LONG_FIRST = 9;
constexpr jint INTRO_LONG_END = 16;
constexpr jint CONFIRM_ENTRY = 10;
constexpr jint BOARD_ENTRY = 21;

// Panel animations and boxes.
constexpr jint PANEL_MENU = 2;
constexpr jint PANEL_FLAG = 7;
constexpr jint CURSOR_HIDDEN = 0;
constexpr jint CURSOR_SOUND = 4;
constexpr jint CURSOR_ENTRY = 5;
constexpr jint OPTIONS_CURSOR_REST = 7;
constexpr jint MENU_TEXTS[4] = {92, 93, 12, 9};
constexpr jint OPTION_TEXTS[4] = {12, 5, 107, 100};
constexpr jint OPTION_BOXES[4] = {0, 1, 4, 9};
constexpr jint MENU_CANDIDATES[3] = {1, 2, 3};
constexpr jint OPTION_CANDIDATES[4] = {5, 6, 8, 9};
constexpr jint OPTION_SOUND_ON = 5;
constexpr jint OPTION_SOUND_OFF = 6;
constexpr jint OPTION_LANGUAGE = 8;
constexpr jint OPTION_BACK = 9;

// The results screen's layers.
constexpr jint RESULT_CHEST = 3;
constexpr jint RESULT_CELL_ART = 4;
constexpr jint RESULT_REWARD_ICON = 5;
constexpr jint RESULT_CELL_ICON = 6;
constexpr jint OPENED = 2;
constexpr jint PIECE_ICON = 13;
constexpr jint REWARD_DELAY = 3000;
constexpr jint PIECE_DELAY = 6000;

// Spawn table: the monster column by player level band, heat and pair of
// slots; R draws 1 or 2.
constexpr jint R = -1;
constexpr jint SPAWN_KINDS[4][3][5] = {
    {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}},
    {{1, 0, 0, 0, 0}, {1, 1, 0, 0, 0}, {0, 0, 1, 1, 2}},
    {{1, 1, 2, 2, 2}, {0, R, 1, 1, 1}, {0, 2, 1, 1, 1}},
    {{2, 1, 1, 1, 1}, {2, 2, R, 1, 1}, {1, R, R, 2, 2}},
};

jint levelBand(jint level) { return level < 6 ? 0 : level < 11 ? 1 : level < 16 ? 2 : 3; }

jint abs(jint v) { return v < 0 ? -v : v; }

// x + rand % width: a lane of no width puts everything at its x (the draw
// is still taken, so that the numbers that follow stay the same).
jint acrossLane(const VMPtr<VMArray<jint>>& lane) {
    jint r = Main::randomInt();
    return lane[0] + (lane[2] > 0 ? r % lane[2] : 0);
}

jint belowScreen() { return Main::randomInt() % 320 + 320; }

VMPtr<VMArray<jint>> copyOf(const VMPtr<VMArray<jint>>& a) {
    VMPtr<VMArray<jint>> c = VMArray<jint>::create(a->length);
    for (jint i = 0; i < a->length; ++i) c[i] = a[i];
    return c;
}

VMPtr<Main> mainObject() { return Main::S().instance; }

VMPtr<String> text(const VMPtr<wren::util::text::Translation>& texts, jint id) {
    return String::valueOf(VMPtr<java::lang::Object>(texts->getString(id)));
}

}  // namespace

void InGameScene::staticInit() {
    Statics& s = wrenStatics_();
    s.backgroundGobIds = VMArray<jint>::of({11268, 11268, 12289, 12289, 13316, 13316, 14337, 14337,
                                            15364, 15364, 16388, 16388, 17409, 17409});
    s.backgroundAnimSetIds = VMArray<jint>::of({11264, 11264, 12288, 12288, 13312, 13312, 14336,
                                                14336, 15360, 15360, 16384, 16384, 17408, 17408});
    static const jint gobs[Game::HEAT_KINDS][3] = {{11269, 11270, 11271}, {11269, 11270, 11271},
                                    {13317, 13318, 13319}, {13317, 13318, 13319},
                                    {15365, 15366, 15366}, {16389, 16390, 16391},
                                    {13318, 15366, 16390}};
    static const jint anims[Game::HEAT_KINDS][3] = {{11265, 11266, 11267}, {11265, 11266, 11267},
                                     {13313, 13314, 13315}, {13313, 13314, 13315},
                                     {15361, 15362, 15362}, {16385, 16386, 16387},
                                     {13314, 15362, 16386}};
    VMPtr<VMArray<jint, 2>> g = VMArray<jint, 2>::create(Game::HEAT_KINDS, 3);
    VMPtr<VMArray<jint, 2>> a = VMArray<jint, 2>::create(Game::HEAT_KINDS, 3);
    for (jint k = 0; k < Game::HEAT_KINDS; ++k)
        for (jint v = 0; v < 3; ++v) {
            g[k][v] = gobs[k][v];
            a[k][v] = anims[k][v];
        }
    s.monsterGobIds = g;
    s.monsterAnimSetIds = a;
    s.languages = VMArray<jint>::of({20480, 20481, 20483, 20482, 20484});
}

// --- construction ----------------------------------------------------------

void InGameScene::ctor() {
    Scene::ctor();
    VMPtr<Main> m = mainObject();
    for (jint i = 0; i < 7; ++i) {
        if (i == 0 || i == 2)
            m->loadResources(i);
        else
            m->releaseFont(i);
    }
    stageParams = m->getLoadingPanelState();
    Game::Statics& game = Game::S();
    VMPtr<VMArray<jint>> cursor = game.progressPair;
    cellIndex = cursor[0] + Game::COLUMNS * cursor[1];
    shortGoal = stageParams[1] == 1;
    goalTarget = shortGoal ? 30 : 4800;
    const jint progress = game.stats[STAT_LEVEL];
    if (progress < 10)
        goalTarget = goalTarget / 3;
    else if (progress < 20)
        goalTarget = 2 * goalTarget / 3;
    goalCount = 0;
    const jint track = musicTrack(heatKind());
    if (track >= 0) m->changeSoundSet(track);
    if (stageParams[5] == 3) {
        playMode = MODE_RESULTS;
        VMPtr<VMArray<jint>> r = game.cellRecords[cellIndex];
        game.progressB += game.numberTable[r[2]] * r[0];
        stageParams[5] = 2;
    } else if (cellIndex == TUTORIAL_CELL) {
        playMode = MODE_INTRO;
        introShown = false;
        introIndex = shortGoal ? INTRO_SHORT_FIRST : INTRO_LONG_FIRST;
    } else {
        playMode = MODE_PLAY;
    }
}

jint InGameScene::heatKind() { return stageParams[stageParams[5] + 2]; }

jint InGameScene::musicTrack(jint kind) {
    switch (kind) {
    case 0:
    case 1:
        return 0;
    case 2:
    case 3:
        return 1;
    case 4:
        return 2;
    case 5:
        return 3;
    case 6:
        return 4;
    default:
        return -1;
    }
}

// --- loading -----------------------------------------------------------------

bool InGameScene::loadFieldStep(jint capacity, jint first) {
    Statics& s = S();
    const jint i = backgroundIndex;
    if (moreData == 0) {
        screen = Screen::make();
        screen->setBackgroundColor(FIELD_COLOUR);
        screen->setBackgroundEnabled(true);
        screen->setLayerCapacity(capacity);
        moreData = first;
        return true;
    }
    if (moreData == first) {
        backgroundIndex = Main::randomInt() % 2 + 2 * heatKind();
        screen->appendFrameLayer(s.backgroundGobIds[backgroundIndex],
                                 s.backgroundAnimSetIds[backgroundIndex], 0, 240, 0);
    } else if (moreData == first - 1) {
        screen->appendFrameLayer(s.backgroundGobIds[i], s.backgroundAnimSetIds[i], 1, 240, 0);
    } else if (moreData == first - 2) {
        screen->appendFrameLayer(s.backgroundGobIds[i], s.backgroundAnimSetIds[i], 1, 240,
                                 screen->getLayerHeight(1));
    } else {
        return false;
    }
    --moreData;
    return true;
}

void InGameScene::loadData() {
    if (playMode == MODE_RESULTS) {
        VMPtr<VMArray<jint>> r = Game::S().cellRecords[cellIndex];
        if (loadFieldStep(7, 8)) return;
        switch (moreData) {
        case 5:
        case 4: {
            const jint layer = moreData == 5 ? RESULT_CHEST : RESULT_CELL_ART;
            const jint family = moreData == 5 ? CHEST_FAMILY : r[1];
            screen->appendAnimLayer(FAMILY_GOBS + family, FAMILY_ANIMS + family, 0, 0, 0);
            rect = screen->getLayerBox(0, 0);
            screen->setLayerPosition(layer, rect[0] + rect[2] - (rect[2] - screen->getLayerWidth(layer)) / 2,
                                     160);
            moreData = moreData == 5 ? 4 : 3;
            return;
        }
        case 3:
        case 2: {
            const jint layer = moreData == 3 ? RESULT_REWARD_ICON : RESULT_CELL_ICON;
            screen->appendLayer(ICON_GOBS);
            rect = screen->getLayerBox(moreData == 3 ? RESULT_CHEST : RESULT_CELL_ART, 0);
            screen->playAnimation(layer, moreData == 3 ? r[2] : 1);
            screen->setLayerPosition(layer, rect[0] + rect[2] / 2, rect[1] + rect[3] / 2);
            moreData = moreData == 3 ? 2 : 1;
            return;
        }
        case 1:
            addObject(screen);
            moreData = 0;
            return;
        default:
            moreData = 0;
            return;
        }
    }

    if (loadFieldStep(4, 7)) return;
    switch (moreData) {
    case 4:
        moreData = 3;
        return;
    case 3: {
        fieldOrder = VMArray<jint, 2>::create(MONSTER_COUNT + 1, 2);
        VMPtr<InGameObject> p = InGameObject::make();
        player = p;
        p->setUp(p);
        rect = screen->getLayerBox(0, 0);
        const jint h = p->getLayerHeight(0);
        p->setLayerPosition(0, rect[0] + (rect[2] - p->getLayerWidth(0)) / 2, h > 80 ? 160 : 160 - h);
        moreData = 2;
        return;
    }
    case 2:
        fieldOrder[PLAYER_ROW] = VMArray<jint>::of({PLAYER_ROW, player->getLayerX(0)});
        monsters = VMArray<InGameObject*>::create(MONSTER_COUNT);
        moreData = 8;
        return;
    case 1: {
        VMPtr<Screen> markers = Screen::make();
        markers->setLayerCapacity(MONSTER_COUNT + 1);
        for (jint k = 0; k <= MONSTER_COUNT; ++k)
            markers->appendFrameLayer(MARKER_GOBS, MARKER_ANIMS, 0, 0, 0);
        markerScreen = markers;
        sorter = ui::Heapsort::make();
        fieldOrder = sorter->sort(fieldOrder, MONSTER_COUNT + 1);
        addObject(screen);
        moreData = 0;
        return;
    }
    default:
        if (moreData >= 8 && moreData <= 17) {
            spawnMonster();
            moreData = moreData == 17 ? 1 : moreData + 1;
            return;
        }
        moreData = 0;
        return;
    }
}

void InGameScene::spawnMonster() {
    Statics& s = S();
    const jint slot = moreData - 8;
    const jint level = Game::S().stats[STAT_LEVEL];
    VMPtr<InGameMonster> m = InGameMonster::make();
    monsters[slot] = m;
    m->setLayerCapacity(1);
    rect = screen->getLayerBox(0, 0);
    const jint h = stageParams[5];
    const jint k = stageParams[h + 2];
    jint v = SPAWN_KINDS[levelBand(level)][h][slot / 2];
    if (v == R) v = Main::randomInt() % 2 == 0 ? 2 : 1;
    m->appendAnimLayer(s.monsterGobIds[k][v], s.monsterAnimSetIds[k][v], 0, 0, 0);
    const jint x = acrossLane(rect);
    const jint y = belowScreen();
    m->setLayerPosition(0, x, y);
    fieldOrder[slot] = VMArray<jint>::of({slot, m->getLayerY(0)});
}

void InGameScene::loadObjects() {
    const jint n = hud != nullptr ? hud->getLayerCount() : 0;
    // The HUD holds one heart at least: a game state that comes with no
    // hit points still gets its heart, its panel and its cursor.
    jint hearts = Game::S().stats[STAT_HIT_POINTS];
    if (hearts < 1) hearts = 1;
    switch (moreObjects) {
    case 0:
        hud = Screen::make();
        hud->setLayerCapacity(hearts + 10);
        moreObjects = 11;
        return;
    case 11:
        hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, 0, 240, 0);
        barRectA = hud->getLayerBox(HUD_BARS, BOX_BAR_A);
        barRectB = hud->getLayerBox(HUD_BARS, BOX_BAR_B);
        hud->createFillRects(2);
        rect[2] = 0;
        rect[3] = 0;
        hud->setFillRect(0, copyOf(rect), BAR_A_COLOUR);
        hud->setFillRect(1, copyOf(rect), BAR_B_COLOUR);
        moreObjects = 10;
        return;
    case 10:
        hud->appendLayer(HUD_GOBS);
        hud->playAnimation(HUD_BAR_MARKER, 2);
        hud->setLayerPosition(HUD_BAR_MARKER, 240, barRectA[1]);
        moreObjects = 9;
        return;
    case 9:
        hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_CORNER, 240, 320);
        moreObjects = 8;
        return;
    case 8: {
        hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_PAD, 0, 0);
        VMPtr<VMArray<jint>> b = hud->getLayerBox(HUD_PAD, 0);
        hudBox = CollisionBox::make(b[0], b[1], b[2], b[3], CollisionBox::CIRCLE);
        moreObjects = 7;
        return;
    }
    case 7: {
        VMPtr<VMArray<jint>> pad = hud->getLayerBox(HUD_PAD, 0);
        iconCentre = VMArray<jint>::of({pad[0] + pad[2] / 2, pad[1] + pad[3] / 2});
        hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_EMPTY, 0, 0);
        VMPtr<VMArray<jint>> overlay = hud->getLayerBox(HUD_OVERLAY, 0);
        hud->setLayerPosition(HUD_OVERLAY, pad[0] - overlay[0], pad[1] - overlay[1]);
        moreObjects = 6;
        return;
    }
    case 6:
        hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_KNOB, iconCentre[0], iconCentre[1]);
        moreObjects = 5;
        return;
    case 5:
        if (shortGoal) {
            hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_SHORT_METER, 0, 320);
            hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_ACTION, 0, 320);
        } else {
            hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_LONG_METER, 0, 320);
            hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_SPECIAL, 0, 320);
        }
        rect = hud->getLayerBox(HUD_BARS, 0);
        moreObjects = 4;
        return;
    case 4:
        hud->appendFrameLayer(HUD_GOBS, HUD_ANIMS, FRAME_HEART, 240,
                              rect[1] + rect[3] * (n - HUD_FIRST_HEART));
        moreObjects = n + 1 < hearts + HUD_FIRST_HEART ? 4 : 3;
        return;
    case 3:
        hintLayer = n;
        hud->appendFrameLayer(UI_GOBS, UI_ANIMS, 0, 120, 160);
        moreObjects = 2;
        return;
    case 2:
        hud->appendFrameLayer(UI_GOBS, UI_ANIMS, 0, 120, 160);
        moreObjects = 1;
        return;
    case 1:
        hud->setLayerCursor(hintLayer);
        hud->setDepth(HUD_DEPTH);
        chargeA = 0;
        chargeB = 0;
        modal = false;
        addObject(hud);
        setHeatSpeeds();
        moreObjects = 0;
        return;
    default:
        moreObjects = 0;
        return;
    }
}

void InGameScene::setHeatSpeeds() {
    const jint v = frameTime * 5000 / 40;
    const jint w = v / 1000;
    slowSpeed = -(w / 4);
    scrollSpeed = -(w / 2);
    fastSpeed = -(w / 2);
    boostStep = Game::S().stats[STAT_SPECIAL] / 2 + 1;
}

void InGameScene::loadUi() {
    if (playMode == MODE_INTRO) {
        VMPtr<ui::MsgBoard> board = ui::MsgBoard::make();
        board->setLabelCapacity(1);
        board->addLabel(shortGoal ? 22 : 23, 0, 0);
        board->loadGraphicsById(22);
        board->setText(WREN_LIT(""));
        board->setItemCount(1);
        board->setItemTextIds(VMArray<jint>::of({CONFIRM_ENTRY}));
        board->layout();
        board->setDepth(PANEL_DEPTH);
        msgBoard = board;
        addObject(board);
    }
    VMPtr<ui::Addon> lines = ui::Addon::make();
    lines->setLabelCapacity(4);
    lines->setLabelFont(0, 1);
    for (jint k = 1; k < 4; ++k) lines->setLabelFont(k, 0);
    for (jint k = 0; k < 4; ++k) lines->addLabel(WREN_LIT(""), 0, 0);
    lines->setDepth(playMode == MODE_INTRO ? INTRO_PANEL_DEPTH : PANEL_DEPTH);
    panel = lines;
    addObject(lines);
}

// --- paint and pause ---------------------------------------------------------

void InGameScene::paintLayer(const VMPtr<Graphics>& g) {
    if (markerScreen != nullptr) markerScreen->paint(g);
    if (monsters == nullptr || player == nullptr) return;
    for (jint r = 0; r < fieldOrder->length; ++r) {
        const jint index = fieldOrder[r][0];
        if (index == fieldOrder->length - 1) {
            player->paint(g);
        } else {
            VMPtr<InGameObject> o = monsters[index];
            if (o != nullptr) o->paint(g);
        }
    }
}

void InGameScene::onPause() {
    if (modal || playMode != MODE_PLAY) return;
    // The defeat runs on to the game over, which gives the hit points back:
    // a pause now could leave with none saved.
    if (player != nullptr && player->isDefeated()) return;
    modal = true;
    pauseState = PAUSE_MENU;
    openPanel();
}

// --- update ------------------------------------------------------------------

void InGameScene::update() {
    Scene::update();
    if (progressiveLoad) return;
    switch (playMode) {
    case MODE_INTRO:
        introStep();
        return;
    case MODE_PLAY:
        if (modal) {
            if (pauseState == PAUSE_MENU)
                touchPauseMenu();
            else if (pauseState == PAUSE_OPTIONS)
                touchOptions();
            refreshDrawOrder();
            return;
        }
        frameFlag = false;
        chargeGauges();
        if (player != nullptr) player->doUpdate();
        for (jint i = 0; i < MONSTER_COUNT; ++i) {
            VMPtr<InGameObject> o = monsters[i];
            if (o != nullptr) o->doUpdate();
        }
        scrollAccum = 0;
        scrollDelta = scrollSpeed;
        rect = screen->getLayerBox(0, 0);
        if (shortGoal)
            stepShortGoal();
        else
            stepLongGoal();
        if (sceneManager->isActionPressed(13) || sceneManager->isActionPressed(22)) onPause();
        switch (player->getState()) {
        case InGameObject::STATE_DEFEATED:
            if (player->getLayerAnimation(0) == PLAYER_DEFEATED)
                player->setLayerPosition(0, player->getLayerX(0), player->getLayerY(0) + scrollDelta);
            break;
        case InGameObject::STATE_DEFEAT_OVER:
            pauseState = PAUSE_GAME_OVER;
            openPanel();
            playMode = MODE_GAME_OVER;
            break;
        default:
            break;
        }
        refreshDrawOrder();
        return;
    case MODE_RESULTS:
        stepResults();
        return;
    case MODE_WON: {
        if (player != nullptr) player->doUpdate();
        for (jint i = 0; i < MONSTER_COUNT; ++i) {
            VMPtr<InGameObject> o = monsters[i];
            if (o != nullptr) o->doUpdate();
        }
        if (player->getLayerY(0) - player->getLayerHeight(0) > 320) {
            endHeat();
            return;
        }
        scrollDelta = scrollSpeed;
        scrollAccum = 0;
        player->setLayerPosition(0, player->getLayerX(0), player->getLayerY(0) - scrollDelta);
        for (jint i = 0; i < MONSTER_COUNT; ++i) {
            VMPtr<InGameObject> o = monsters[i];
            if (o == nullptr) continue;
            const jint a = o->getLayerAnimation(0);
            if (a == 1)
                o->setLayerPosition(0, o->getLayerX(0), o->getLayerY(0) + slowSpeed);
            else if (a == 2)
                o->setLayerPosition(0, o->getLayerX(0), o->getLayerY(0) + fastSpeed);
        }
        refreshDrawOrder();
        return;
    }
    case MODE_GAME_OVER: {
        VMPtr<ui::Addon> board = currentPanel();
        if (board != nullptr && board->getChosenId() == BOARD_ENTRY) gameOverChosen();
        return;
    }
    default:
        return;
    }
}

VMPtr<ui::Addon> InGameScene::currentPanel() { return vmCast<ui::Addon>(VMPtr<ui::MyObject>(panel)); }

void InGameScene::endHeat() {
    VMPtr<VMArray<jint>> p = stageParams;
    const bool last = p[5] == 2 || (p[5] == 1 && p[0] == 0);
    VMPtr<Main> m = mainObject();
    VMPtr<Game> game = Main::S().game;
    if (cellIndex == FINAL_CELL && last) {
        Game::S().stageKind = 12;
        game->saveState();
        sceneManager->changeScene(STAGE_KIND_SCENE);
        return;
    }
    if (cellIndex == TUTORIAL_CELL) p[1] = 0;
    m->showLoadingPanel(p[0] == 1, p[1] == 1, p[2], p[3], p[4], last ? 3 : p[5] + 1);
    game->saveState();
    sceneManager->changeScene(PLAY_FIELD_SCENE);
}

void InGameScene::gameOverChosen() {
    VMPtr<VMArray<jint>> s = Game::S().stats;
    s[STAT_HIT_POINTS] = 1;
    const jint lost = shortGoal ? STAT_ATTACK : STAT_SPECIAL;
    s[lost] = s[lost] < 2 ? 0 : s[lost] - 2;
    VMPtr<VMArray<jint>> cursor = Game::S().progressPair;
    cursor[0] = 10;
    cursor[1] = 5;
    Main::S().game->saveState();
    sceneManager->changeScene(HOME_SCENE);
}

// --- intro -------------------------------------------------------------------

void InGameScene::introStep() {
    if (!introShown) {
        msgBoard->setText(text(texts, introIndex + TEXT_FIRST_INTRO));
        introShown = true;
        return;
    }
    advanceIntro();
}

void InGameScene::advanceIntro() {
    msgBoard->setPostUpdate(true);
    if (msgBoard->getChosenId() != CONFIRM_ENTRY) return;
    introShown = false;
    msgBoard->setText(WREN_LIT(""));
    ++introIndex;
    if (introIndex >= (shortGoal ? INTRO_SHORT_END : INTRO_LONG_END)) {
        msgBoard->setVisible(false);
        playMode = MODE_PLAY;
    }
}

// --- gauges, field, order --------------------------------------------------------

void InGameScene::chargeGauges() {
    const jboolean holding = player->isHolding();
    if (!holding) {
        chargeA += frameTime;
        if (chargeA > CHARGE_FULL) chargeA = CHARGE_FULL;
        chargeB += frameTime;
        if (chargeB > CHARGE_FULL) chargeB = CHARGE_FULL;
    }
    if (!shortGoal) {
        hud->playAnimation(HUD_OVERLAY, chargeA * METER_STEPS / CHARGE_FULL + FRAME_LONG_METER);
        hud->playAnimation(HUD_METER, chargeB * METER_STEPS / CHARGE_FULL + FRAME_LONG_METER);
    } else {
        hud->playAnimation(HUD_METER, holding ? FRAME_SHORT_METER
                                              : chargeB * METER_STEPS / CHARGE_FULL + FRAME_SHORT_METER);
    }
}

void InGameScene::drawBars() {
    VMPtr<VMArray<jint>> a = copyOf(barRectA);
    a[3] = vmDiv(goalCount * barRectA[3], goalTarget);
    hud->setFillRect(0, a, BAR_A_COLOUR);
    VMPtr<VMArray<jint>> b = copyOf(barRectB);
    b[3] = vmDiv(goalCount * barRectB[3], goalTarget);
    hud->setFillRect(1, b, BAR_B_COLOUR);
    hud->setLayerPosition(HUD_BAR_MARKER, 240, b[1] + b[3]);
}

void InGameScene::advanceField() {
    const jint layers = screen->getLayerCapacity();
    for (jint i = 1; i < layers; ++i)
        screen->setLayerPosition(i, screen->getLayerX(i), screen->getLayerY(i) + scrollDelta);
    if (!shortGoal) goalCount -= scrollDelta;
    drawBars();
    if (goalCount >= goalTarget && !player->isDefeated()) {
        player->play(PLAYER_IDLE);
        playMode = MODE_WON;
    }
    rect = screen->getLayerBox(0, 0);
}

void InGameScene::refreshDrawOrder() {
    const jint rows = fieldOrder->length;
    for (jint r = 0; r < rows; ++r) {
        VMPtr<VMArray<jint>> row = fieldOrder[r];
        const jint index = row[0];
        if (index == rows - 1) {
            row[1] = player->getLayerX(0);
        } else {
            VMPtr<InGameObject> o = monsters[index];
            if (o != nullptr) row[1] = o->getLayerX(0);
        }
    }
    fieldOrder = sorter->sort(fieldOrder, rows);
    VMPtr<VMArray<jint>> d;
    for (jint i = 0; i < rows; ++i) {
        if (i == rows - 1) {
            d = player->getDescriptor();
            if (d[0] != -1) {
                markerScreen->playAnimation(i, d[0]);
                markerScreen->setLayerPosition(i, d[2], d[3]);
            }
            continue;
        }
        VMPtr<InGameObject> o = monsters[i];
        if (o == nullptr) continue;
        d = o->getDescriptor();
        if (d[0] == -1) {
            markerScreen->playAnimation(i, 10);
        } else {
            markerScreen->playAnimation(i, d[1]);
            markerScreen->setLayerPosition(i, d[2], d[3]);
        }
    }
    if (d != nullptr) rect = d;
}

// --- play steps ----------------------------------------------------------------

// The field moves on, and its two background tiles take turns: the one that
// has left the top goes below the other.
void InGameScene::scrollField() {
    advanceField();
    const jint h1 = screen->getLayerHeight(1);
    if (screen->getLayerY(1) < -h1) {
        screen->setLayerPosition(1, screen->getLayerX(1), screen->getLayerY(1) + h1);
        screen->setLayerPosition(2, screen->getLayerX(2), screen->getLayerY(2) + h1);
    }
}

// A monster that has left the top of the screen comes back below it, at a
// new place across the lane.
void InGameScene::recycleIfGone(const VMPtr<InGameObject>& o) {
    if (o->getLayerY(0) + o->getLayerHeight(0) >= 0) return;
    o->activate();
    const jint x = acrossLane(rect);
    const jint y = belowScreen();
    o->setLayerPosition(0, x, y);
}

// A monster moves with the field, and faster by its walking or running pace.
void InGameScene::moveWithField(const VMPtr<InGameObject>& o) {
    const jint a = o->getLayerAnimation(0);
    jint y = o->getLayerY(0) + scrollDelta;
    if (a == 1)
        y += slowSpeed;
    else if (a == 2)
        y += fastSpeed;
    o->setLayerPosition(0, o->getLayerX(0), y);
}

void InGameScene::stepShortGoal() {
    if (!player->isDefeated()) steerByPad();
    scrollField();
    for (jint i = 0; i < MONSTER_COUNT; ++i) {
        VMPtr<InGameObject> o = monsters[i];
        if (o == nullptr) continue;
        moveWithField(o);
        if (playMode != MODE_WON && !o->isDefeated() && !o->isHolding() && !player->isDefeated()) {
            const jint hit = player->hitTestValue(o->getLayerCollisionBox(0, 0));
            switch (hit) {
            case HIT_WEAPON: {
                o->takeHit(0);
                // The weapon shows only while a monster is carried; with
                // nothing held there is nothing else to hit.
                const jint held = player->heldIndex;
                if (player->isHolding() && held >= 0 && held < MONSTER_COUNT) {
                    VMPtr<InGameObject> carried = monsters[held];
                    if (carried != nullptr) {
                        carried->takeHit(0);
                        if (carried->hitPoints < 1) player->releaseHold();
                    }
                }
                if (o->isDefeated()) recordDefeat(o);
                break;
            }
            case HIT_BODY:
                if (cellIndex != TUTORIAL_CELL) {
                    if (!player->isHurt()) player->takeHit(o->attackPower);
                    refreshHearts();
                }
                break;
            case HIT_GRAB:
                if (player->getLayerAnimation(0) == PLAYER_GRAB && !player->isHolding()) {
                    VMPtr<VMArray<jint>> d = o->getDescriptor();
                    d[1] = (d[1] % 5) * 5 + 8;
                    if (hud->getLayerAnimation(HUD_METER) >= d[1]) {
                        player->hold(i);
                        player->attackBonus = o->attackPower;
                        o->hitPoints *= 2;
                        if (o->hitPoints < 4) o->hitPoints = 4;
                        o->hold(i);
                    }
                }
                break;
            default:
                break;
            }
        }
        recycleIfGone(o);
    }
}

void InGameScene::stepLongGoal() {
    if (!player->isDefeated()) steerByTouch();
    scrollField();
    for (jint i = 0; i < MONSTER_COUNT; ++i) {
        VMPtr<InGameObject> o = monsters[i];
        if (o == nullptr) continue;
        moveWithField(o);
        if (playMode != MODE_WON && !o->isDefeated() && !o->isHolding()) {
            const jint hit = player->hitTestValue(o->getLayerCollisionBox(0, 0));
            switch (hit) {
            case HIT_WEAPON:
                o->defeat();
                break;
            case HIT_BODY:
                if (cellIndex != TUTORIAL_CELL && player->getLayerAnimation(0) != PLAYER_DASH) {
                    if (!player->isHurt()) player->takeHit(o->attackPower);
                    refreshHearts();
                }
                break;
            case HIT_SHOVE: {
                const jint ox = o->getLayerX(0), px = player->getLayerX(0);
                const jint h = o->getLayerHeight(0);
                targetX = ox < px ? ox - h / 10 : ox + h / 10;
                const jint oy = o->getLayerY(0) - scrollDelta;
                if (rect[0] <= targetX && targetX < rect[0] + rect[2])
                    o->setLayerPosition(0, targetX, oy + h / 10);
                else
                    o->setLayerPosition(0, ox, oy + h / 5);
                break;
            }
            case HIT_SPECIAL:
                o->takeHit(-1);
                if (o->isDefeated()) awardExperience(o);
                break;
            default:
                break;
            }
        }
        recycleIfGone(o);
    }
}

void InGameScene::recordDefeat(const VMPtr<InGameObject>& o) {
    goalCount += 1;
    awardExperience(o);
    drawBars();
    if (goalCount >= goalTarget) playMode = MODE_WON;
}

void InGameScene::awardExperience(const VMPtr<InGameObject>& o) {
    VMPtr<VMArray<jint>> s = Game::S().stats;
    const jint level = s[STAT_LEVEL];
    if (level >= Game::MAX_LEVEL) return;
    s[STAT_EXPERIENCE] += o->level + 1;
    if (s[STAT_EXPERIENCE] > Game::EXPERIENCE_PER_LEVEL * level) {
        s[STAT_POINTS] += 1;
        s[STAT_EXPERIENCE] -= Game::EXPERIENCE_PER_LEVEL * level;
        s[STAT_LEVEL] = level + 1;
        Game::refreshCellLevels();
        Main::S().game->saveData();
    }
}

void InGameScene::refreshHearts() {
    if (hintLayer <= HUD_FIRST_HEART) return;
    for (jint i = 0; i <= hintLayer - 9; ++i)
        hud->playAnimation(HUD_FIRST_HEART + i, i < player->hitPoints ? FRAME_HEART : FRAME_EMPTY);
}

// --- steering ------------------------------------------------------------------

void InGameScene::placeKnob(jint x, jint y, jboolean left, jboolean up) {
    const jint cx = hudBox->x + hudBox->width / 2, cy = hudBox->y + hudBox->height / 2;
    // Each step comes nearer the centre on both axes and never passes it,
    // so the walk reaches the centre at the latest; a pad that does not
    // hold its own centre (too narrow for its circle, or far from square)
    // keeps the knob there.
    while (!hudBox->containsPoint(x, y)) {
        const jint dx = abs(x - cx), dy = abs(y - cy);
        if (dx == 0 && dy == 0) break;
        jboolean horizontal;
        jint step;
        if (dx == 0) {
            horizontal = true;
            step = 0;
        } else if (dy == 0) {
            horizontal = false;
            step = 0;
        } else {
            horizontal = dy < dx;
            step = horizontal ? dx / dy : dy / dx;
            if (step > 5) step = 5;
        }
        const jint sx = horizontal ? step : 1, sy = horizontal ? 1 : step;
        x += left ? sx : -sx;
        y += up ? sy : -sy;
    }
    hud->setLayerPosition(HUD_KNOB, x, y);
}

void InGameScene::steerByPad() {
    ui::Pointer::Statics& touch = ui::Pointer::S();
    const jint cx = hudBox->x + hudBox->width / 2, cy = hudBox->y + hudBox->height / 2;
    jboolean left = false, right = false, up = false, down = false, action = false, pause = false;
    if (touch.touchPressed[0]) {
        const jint px = touch.touchX[0], py = touch.touchY[0];
        if (hudBox->containsPoint(touch.touchStartX[0], touch.touchStartY[0])) {
            right = px >= cx;
            left = !right;
            down = py >= cy;
            up = !down;
            if (hudBox->containsPoint(px, py))
                hud->setLayerPosition(HUD_KNOB, px, py);
            else
                placeKnob(px, py, left, up);
        }
        rect = VMArray<jint>::of({px, py, 0, 0, 0});
        action = hud->layerContains(HUD_BUTTON, BOX_BUTTON, rect);
        pause = hud->layerContains(HUD_CORNER, BOX_PAUSE, rect);
    } else {
        hud->setLayerPosition(HUD_KNOB, iconCentre[0], iconCentre[1]);
    }
    if (left) {
        frameFlag = true;
        scrollAccum += 5;
    }
    if (right) {
        frameFlag = true;
        scrollAccum -= 5;
    }
    if (up) scrollDelta += boostStep;
    if (down) scrollDelta -= boostStep;
    if (!player->isHurt() && !player->isDefeated() && action) {
        if (!player->isHolding())
            player->play(PLAYER_GRAB);
        else
            player->startAction();
        chargeB = 0;
    }
    if (pause) onPause();
    if (frameFlag) {
        rect = screen->getLayerBox(0, 0);
        targetX = player->getLayerX(0) - scrollAccum;
        if (targetX < rect[0] || targetX >= rect[0] + rect[2])
            frameFlag = false;
        else
            player->setLayerPosition(0, targetX, player->getLayerY(0));
    }
}

void InGameScene::steerByTouch() {
    ui::Pointer::Statics& touch = ui::Pointer::S();
    const jint cx = hudBox->x + hudBox->width / 2, cy = hudBox->y + hudBox->height / 2;
    jboolean left = false, right = false, up = false, down = false, special = false, pause = false;
    jboolean handled = false;
    if (touch.touchPressed[0]) {
        const jint x = touch.touchX[0], y = touch.touchY[0];
        if (hudBox->containsPoint(touch.touchStartX[0], touch.touchStartY[0])) {
            left = x < cx;
            right = !left;
            up = y < cy;
            down = !up;
            if (hudBox->containsPoint(x, y))
                hud->setLayerPosition(HUD_KNOB, x, y);
            else
                placeKnob(x, y, left, up);
        }
        rect = VMArray<jint>::of({x, y, 0, 0, 0});
        special = hud->layerContains(HUD_BUTTON, BOX_BUTTON, rect);
        pause = hud->layerContains(HUD_CORNER, BOX_PAUSE, rect);
        handled = true;
    }
    if (!handled) hud->setLayerPosition(HUD_KNOB, iconCentre[0], iconCentre[1]);
    if (left) scrollAccum += 5;
    if (right) scrollAccum -= 5;
    if (up) scrollDelta += boostStep;
    if (down && player->getState() != InGameObject::STATE_DASH && chargeA > 1000)
        player->enterState5();
    if (player->getState() == InGameObject::STATE_DASH) {
        scrollDelta -= 2 * boostStep;
        chargeA -= 2 * frameTime;
        if (chargeA <= 0) {
            chargeA = 0;
            player->leaveState5();
        }
    } else {
        scrollDelta -= boostStep;
    }
    if (special && chargeB > 1000) {
        chargeB -= 1000;
        player->startAttack();
    }
    if (left || right) {
        rect = screen->getLayerBox(0, 0);
        targetX = player->getLayerX(0) - scrollAccum;
        if (rect[0] <= targetX && targetX < rect[0] + rect[2]) {
            player->setLayerPosition(0, targetX, player->getLayerY(0));
            for (jint r = 0; r < fieldOrder->length; ++r) {
                VMPtr<VMArray<jint>> row = fieldOrder[r];
                if (row[0] == fieldOrder->length - 1) row[1] = targetX;
            }
        }
    }
    if (pause) onPause();
}

// --- pause -----------------------------------------------------------------------

void InGameScene::openPanel() {
    VMPtr<Main> m = mainObject();
    switch (pauseState) {
    case PAUSE_CLOSED: {
        m->playCueSound();
        hud->setLayerCursor(hintLayer);
        VMPtr<ui::Addon> lines = currentPanel();
        for (jint k = 0; k < 4; ++k) lines->setLabelText(k, WREN_LIT(""));
        modal = false;
        return;
    }
    case PAUSE_MENU: {
        m->stopSounds();
        hud->playAnimation(hintLayer, PANEL_MENU);
        placeCursor(menuIndex + 1, CURSOR_HIDDEN);
        hud->setLayerCursor(hintLayer + 2);
        VMPtr<ui::Addon> lines = currentPanel();
        for (jint k = 0; k < 4; ++k) {
            VMPtr<VMArray<jint>> b = hud->getLayerBox(hintLayer, k);
            lines->setLabel(k, text(texts, MENU_TEXTS[k]), b[0], b[1], b[2], b[3]);
        }
        return;
    }
    case PAUSE_OPTIONS: {
        VMPtr<VMArray<jint>> languages = S().languages;
        for (jint k = 0; k < languages->length; ++k)
            if (languages[k] == Main::S().language) hud->playAnimation(hintLayer, PANEL_FLAG + k);
        VMPtr<ui::Addon> lines = currentPanel();
        for (jint k = 0; k < 4; ++k) {
            VMPtr<VMArray<jint>> b = hud->getLayerBox(hintLayer, OPTION_BOXES[k]);
            lines->setLabel(k, text(texts, OPTION_TEXTS[k]), b[0], b[1], b[2], b[3]);
        }
        placeCursor(OPTIONS_CURSOR_REST, CURSOR_HIDDEN);
        return;
    }
    case PAUSE_GAME_OVER: {
        if (panel != nullptr) {
            panel->dropResources();
            panel = nullptr;
        }
        VMPtr<ui::MsgBoard> board = newBoard(19, 23);
        board->setText(text(texts, 20));
        board->setItemCount(1);
        board->setItemTextIds(VMArray<jint>::of({BOARD_ENTRY}));
        board->layout();
        board->setScrollable(true);
        board->setDepth(BOARD_DEPTH);
        board->setPostUpdate(true);
        panel = board;
        addObject(board);
        trimObjects();
        sortDrawOrder();
        return;
    }
    default:
        return;
    }
}

VMPtr<ui::MsgBoard> InGameScene::newBoard(jint heading, jint frame) {
    VMPtr<ui::MsgBoard> board = ui::MsgBoard::make();
    board->setLabelCapacity(1);
    board->addLabel(heading, 0, 0);
    board->loadGraphicsById(frame);
    return board;
}

void InGameScene::placeCursor(jint box, jint animation) {
    rect = hud->getLayerBox(hintLayer, box);
    hud->playAnimation(hintLayer + 1, animation);
    hud->setLayerPosition(hintLayer + 1, rect[0] + rect[2] / 2, rect[1] + rect[3] / 2);
}

jint InGameScene::touchedBox(const jint* candidates, jint count, jboolean& chosen) {
    ui::Pointer::Statics& touch = ui::Pointer::S();
    rect = VMArray<jint>::of({touch.touchX[0], touch.touchY[0], 0, 0, 0});
    jint highlighted = -1;
    chosen = false;
    for (jint k = 0; k < count; ++k) {
        if (!hud->layerContains(hintLayer, candidates[k], rect)) continue;
        if (touch.touchPressed[0]) highlighted = k;
        if (touch.touchReleased[0]) chosen = true;
    }
    return highlighted;
}

void InGameScene::touchPauseMenu() {
    jboolean chosen = false;
    const jint highlighted = touchedBox(MENU_CANDIDATES, 3, chosen);
    if (highlighted >= 0) {
        menuIndex = highlighted;
        placeCursor(MENU_CANDIDATES[menuIndex], CURSOR_ENTRY);
    } else {
        hud->playAnimation(hintLayer + 1, CURSOR_HIDDEN);
    }
    if (!chosen) return;
    switch (menuIndex) {
    case 0:
        pauseState -= 2;
        openPanel();
        return;
    case 1:
        pageIndex = 0;
        pauseState += 1;
        openPanel();
        return;
    case 2:
        leaveStage();
        return;
    default:
        return;
    }
}

void InGameScene::leaveStage() {
    Game::Statics& game = Game::S();
    if (cellIndex == TUTORIAL_CELL) {
        if (game.stageKind == 1) {
            game.stageKind = 2;
            game.progressPair[0] = 10;
            game.progressPair[1] = 5;
            Main::S().game->saveState();
        }
        sceneManager->changeScene(STAGE_KIND_SCENE);
        return;
    }
    Main::S().game->saveState();
    sceneManager->changeScene(MAP_SCENE);
}

void InGameScene::touchOptions() {
    jboolean chosen = false;
    const jint highlighted = touchedBox(OPTION_CANDIDATES, 4, chosen);
    if (highlighted >= 0) {
        pageIndex = OPTION_CANDIDATES[highlighted];
        placeCursor(pageIndex, pageIndex < OPTIONS_CURSOR_REST ? CURSOR_SOUND : CURSOR_ENTRY);
    } else {
        hud->playAnimation(hintLayer + 1, CURSOR_HIDDEN);
    }
    if (!chosen) return;
    switch (pageIndex) {
    case OPTION_SOUND_ON: {
        const jint track = musicTrack(heatKind());
        if (track >= 0) mainObject()->initSound(track);
        return;
    }
    case OPTION_SOUND_OFF:
        mainObject()->disableSound();
        return;
    case OPTION_LANGUAGE:
        nextLanguage();
        return;
    case OPTION_BACK:
        pauseState -= 1;
        openPanel();
        return;
    default:
        return;
    }
}

void InGameScene::nextLanguage() {
    VMPtr<VMArray<jint>> languages = S().languages;
    jint index = 0;
    for (jint k = 0; k < languages->length; ++k)
        if (languages[k] == Main::S().language) index = k;
    index = (index + 1) % languages->length;
    hud->playAnimation(hintLayer, PANEL_FLAG + index);
    mainObject()->loadLanguage(languages[index]);
    texts = Main::S().translation;
    VMPtr<ui::Addon> lines = currentPanel();
    for (jint k = 0; k < 4; ++k) lines->setLabelText(k, text(texts, OPTION_TEXTS[k]));
}

// --- results ---------------------------------------------------------------------

void InGameScene::stepResults() {
    if (screen->getLayerAnimation(RESULT_CHEST) != OPENED) {
        rect = screen->getLayerBox(RESULT_CHEST, 0);
        screen->setLayerPosition(RESULT_REWARD_ICON, rect[0] + rect[2] / 2, rect[1] + rect[3] / 2);
    }
    if (screen->getLayerAnimation(RESULT_CELL_ART) != OPENED) {
        rect = screen->getLayerBox(RESULT_CELL_ART, 0);
        screen->setLayerPosition(RESULT_CELL_ICON, rect[0] + rect[2] / 2, rect[1] + rect[3] / 2);
        if (panel != nullptr) {
            panel->dropResources();
            panel = nullptr;
        }
        rewardTimer = 0;
        return;
    }
    Game::Statics& game = Game::S();
    if (rewardTimer == 0) {
        const jint a5 = screen->getLayerAnimation(RESULT_REWARD_ICON);
        const jint a6 = screen->getLayerAnimation(RESULT_CELL_ICON);
        screen->playAnimation(RESULT_REWARD_ICON, a6);
        screen->playAnimation(RESULT_CELL_ICON, a5);
        markCurrentCellKnown();
        // The cell art may have opened before the first results frame:
        // the loading's panel is still there then, and the board could
        // never open in its place.
        if (panel != nullptr) {
            panel->dropResources();
            panel = nullptr;
        }
    }
    rewardTimer += frameTime;
    VMPtr<VMArray<jint>> cursor = game.progressPair;
    jint piece = -1;
    for (jint i = 0; i < Game::PLACES; ++i)
        if (!game.progressFlags[i] && cursor[1] == game.places[i][0] &&
            cursor[0] == game.places[i][1])
            piece = i;
    if (piece >= 0) {
        if (rewardTimer <= REWARD_DELAY) return;
        if (rewardTimer <= PIECE_DELAY) {
            screen->playAnimation(RESULT_REWARD_ICON, PIECE_ICON);
            return;
        }
        if (panel == nullptr) {
            openBoard(true);
            return;
        }
    } else {
        if (rewardTimer <= REWARD_DELAY) return;
        if (panel == nullptr) {
            Main::S().game->saveState();
            openBoard(false);
            return;
        }
    }
    VMPtr<ui::Addon> board = currentPanel();
    if (board == nullptr || board->getChosenId() != BOARD_ENTRY) return;
    if (piece >= 0) {
        game.progressFlags[piece] = true;
        // The piece (and the reward paid when the results were built) is
        // kept even if the player leaves the game on the next screen.
        Main::S().game->saveState();
    }
    if (cellIndex == TUTORIAL_CELL) {
        if (game.stageKind == 1) {
            game.stageKind = 2;
            cursor[0] = 10;
            cursor[1] = 5;
            Main::S().game->saveState();
        }
        sceneManager->changeScene(STAGE_KIND_SCENE);
        return;
    }
    if (!allListedCellsKnown()) {
        sceneManager->changeScene(MAP_SCENE);
        return;
    }
    game.stageKind = 14;
    for (jint k = 0; k < game.extraFlags->length; ++k) game.extraFlags[k] = true;
    Main::S().game->saveState();
    sceneManager->changeScene(STAGE_KIND_SCENE);
}

void InGameScene::openBoard(jboolean piece) {
    VMPtr<ui::MsgBoard> board = newBoard(45, piece ? 23 : 25);
    VMPtr<StringBuffer> message = StringBuffer::make(text(texts, 43));
    if (piece) {
        message->append(WREN_LIT(" "));
        message->append(text(texts, 44));
    } else {
        Game::Statics& game = Game::S();
        VMPtr<VMArray<jint>> r = game.cellRecords[cellIndex];
        message->append(WREN_LIT(" $"));
        message->append(game.numberTable[r[2]] * r[0]);
    }
    board->setText(message->toString());
    board->setItemCount(1);
    board->setItemTextIds(VMArray<jint>::of({BOARD_ENTRY}));
    board->layout();
    board->setScrollable(true);
    board->setPostUpdate(true);
    board->setDepth(BOARD_DEPTH);
    panel = board;
    addObject(board);
    trimObjects();
    sortDrawOrder();
}

void InGameScene::markCurrentCellKnown() {
    Game::Statics& game = Game::S();
    VMPtr<VMArray<jint>> cursor = game.progressPair;
    jint n = 0;
    for (jint row = 0; row < Game::ROWS; ++row)
        for (jint column = 0; column < Game::COLUMNS; ++column) {
            if (game.cellKinds[row][column] == 0) continue;
            if (row == cursor[1] && column == cursor[0]) {
                game.cellFlags[n] = true;
                Main::S().game->saveData();
                return;
            }
            ++n;
        }
}

jboolean InGameScene::allListedCellsKnown() {
    Game::Statics& game = Game::S();
    if (game.extraFlags[0] && game.extraFlags[1] && game.extraFlags[2]) return false;
    jint n = 0;
    for (jint row = 0; row < Game::ROWS; ++row)
        for (jint column = 0; column < Game::COLUMNS; ++column) {
            const jint kind = game.cellKinds[row][column];
            if (kind == 0) continue;
            if (((kind >= 2 && kind <= 10) || kind == 23) && !game.cellFlags[n]) return false;
            ++n;
        }
    return true;
}

}  // namespace scene::maingame
