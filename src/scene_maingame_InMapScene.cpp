#include "scene_maingame_InMapScene.h"

#include "VMMath.h"
#include "java_lang_String.h"
#include "java_lang_StringBuffer.h"
#include "main_Game.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "ui_Pointer.h"
#include "ui_Screen.h"

WREN_DEFINE_CLASS(scene::maingame::InMapScene, "scene.maingame.InMapScene")

namespace scene::maingame {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Graphics;
using main::Game;
using main::Main;

namespace {

const jint kLanguages[InMapScene::LANGUAGE_COUNT] = {0x5000, 0x5001, 0x5003, 0x5002, 0x5004};

// Dialog frames of the dialog layer, and its highlight frames.
constexpr jint NO_DIALOG = 0;
constexpr jint STAGE_FRAME = 1;
constexpr jint MENU_FRAME = 2;
constexpr jint MODE_FRAME = 3;
constexpr jint FIRST_SETTINGS_FRAME = 7;
constexpr jint HIGHLIGHT_OFF = 0;
constexpr jint HIGHLIGHT_BUTTON = 4;
constexpr jint HIGHLIGHT_ITEM = 5;
constexpr jint HIGHLIGHT_MODE = 6;

// Frames of the cursor layer's set shown by the buttons.
constexpr jint CURSOR_FRAME = 0;
constexpr jint INFO_ON_FRAME = 1;
constexpr jint INFO_OFF_FRAME = 2;
constexpr jint MENU_BUTTON_FRAME = 3;
constexpr jint DIALOG_PICTURE_FRAME = 1;

// Text ids.
constexpr jint TEXT_SOUND = 5;
constexpr jint TEXT_LEAVE = 9;
constexpr jint TEXT_OPTIONS = 12;
constexpr jint TEXT_SHORT_GOAL = 22;
constexpr jint TEXT_LONG_GOAL = 23;
constexpr jint TEXT_STAGE_TITLE = 41;
constexpr jint TEXT_LEVEL = 42;
constexpr jint FIRST_TUTORIAL_TEXT = 60;   // plus the story position, below 4
constexpr jint SECOND_TUTORIAL_TEXT = 72;  // plus the story position, 5 to 9
constexpr jint TEXT_MENU_TITLE = 92;
constexpr jint TEXT_RESUME = 93;
constexpr jint TEXT_BACK = 100;
constexpr jint TEXT_LANGUAGE = 107;

// Settings buttons: their boxes are their choices.
constexpr jint SOUND_ON = 5;
constexpr jint SOUND_OFF = 6;
constexpr jint SETTINGS_REST_BOX = 7;
constexpr jint NEXT_LANGUAGE = 8;
constexpr jint SETTINGS_BACK = 9;
constexpr jint MENU_TUNE = 5;
// The game action of the fire key.
constexpr jint ACTION_FIRE = 18;

}  // namespace

// --- construction and loading ------------------------------------------------------------

void InMapScene::ctor() {
    Scene::ctor();
    // The game state owns the map; nothing here writes to it.
    mapGrid = Game::S().cellKinds;
    holdTimer = 0;
    state = BROWSE;
    jint kind = Game::S().stageKind;
    tutorialMode = kind == FIRST_TUTORIAL || kind == SECOND_TUTORIAL;
}

void InMapScene::setRect(jint x, jint y, jint width, jint height) {
    rect[0] = x;
    rect[1] = y;
    rect[2] = width;
    rect[3] = height;
}

void InMapScene::loadData() {
    Game::Statics& game = Game::S();
    switch (moreData) {
    case 0: {
        screen = ui::Screen::make();
        screen->setBackgroundEnabled(true);
        screen->setBackgroundColor(0);
        if (tutorialMode) {
            // The band the tutorial text is painted in, over the map.
            setRect(0, 0, BAND_WIDTH, AREA_HEIGHT);
            screen->createFillRects(1);
            screen->setFillRect(0, rect, 0);
        }
        openAreaCount = 0;
        for (jint i = 0; i < game.extraFlags->length; ++i)
            if (game.extraFlags[i]) ++openAreaCount;
        cellCount = 0;
        for (jint r = 0; r < Game::ROWS; ++r)
            for (jint c = 0; c < Game::COLUMNS; ++c)
                if (mapGrid[r][c] != 0) ++cellCount;
        screen->setLayerCapacity(cellCount + openAreaCount + 13);
        moreData = 12;
        return;
    }
    case 12:
        screen->appendFrameLayer(MAP_GOBS, MAP_ANIMS, 0, 0, 0);
        break;
    case 11:
        for (jint i = 0; i < game.extraFlags->length; ++i)
            if (game.extraFlags[i])
                screen->appendFrameLayer(MAP_GOBS + PACK_STEP * (i + 1),
                                         MAP_ANIMS + PACK_STEP * (i + 1), 0, 0, 0);
        break;
    case 10:
        for (jint k = 0; k < cellCount; ++k)
            screen->appendFrameLayer(MARKER_GOBS, MARKER_ANIMS, PLAIN_MARKER, 0, 0);
        break;
    case 9: {
        cursorLayer = screen->getLayerCount();
        screen->appendFrameLayer(CURSOR_GOBS, CURSOR_ANIMS, CURSOR_FRAME, 0, 0);
        VMPtr<VMArray<jint>> metrics = VMArray<jint>::create(6);
        rect = screen->getLayerBox(cursorLayer, 0);
        for (jint i = 0; i < 4; ++i) metrics[i] = rect[i];
        rect = screen->getLayerBox(cursorLayer, 1);
        metrics[4] = rect[1];
        metrics[5] = rect[3];
        cellMetrics = metrics;
        jint w = metrics[2], h = metrics[5];
        VMPtr<VMArray<jint, 3>> positions = VMArray<jint, 3>::create(Game::ROWS, Game::COLUMNS, 2);
        for (jint r = 0; r < Game::ROWS; ++r)
            for (jint c = 0; c < Game::COLUMNS; ++c) {
                positions[r][c][0] = w * (13 - r) - ((c & 1) != 0 ? vmDiv(w, 2) : 0);
                positions[r][c][1] = h * c;
            }
        cellPositions = positions;
        break;
    }
    case 8:
        for (jint i = 0; i < 5; ++i) {
            bool closed = i < 3 && !game.extraFlags[i];
            screen->appendFrameLayer(OVERLAY_GOBS, OVERLAY_ANIMS, closed ? CLOSED_OVERLAY : i, 0, 0);
        }
        break;
    case 7:
        screen->appendFrameLayer(CURSOR_GOBS, CURSOR_ANIMS, INFO_OFF_FRAME, 0, AREA_HEIGHT);
        break;
    case 6:
        screen->appendFrameLayer(CURSOR_GOBS, CURSOR_ANIMS, MENU_BUTTON_FRAME, AREA_WIDTH,
                                 AREA_HEIGHT);
        break;
    case 5:
        dialogLayer = screen->getLayerCount();
        screen->appendFrameLayer(DIALOG_GOBS, DIALOG_ANIMS, NO_DIALOG, AREA_WIDTH / 2,
                                 AREA_HEIGHT / 2);
        break;
    case 4:
        screen->appendFrameLayer(DIALOG_GOBS, DIALOG_ANIMS, HIGHLIGHT_OFF, AREA_WIDTH / 2,
                                 AREA_HEIGHT / 2);
        break;
    case 3:
        screen->appendLayer(MARKER_GOBS);
        break;
    case 2:
        screen->appendFrameLayer(FAMILY_GOBS + 1, FAMILY_ANIMS + 1, 0, AREA_WIDTH / 2,
                                 AREA_HEIGHT / 2);
        break;
    case 1:
        screen->setLayerCursor(dialogLayer);
        addObject(screen);
        centerOnCursor();
        break;
    default:
        moreData = 1;
        break;
    }
    --moreData;
}

void InMapScene::loadObjects() {}

void InMapScene::loadUi() {
    if (tutorialMode) {
        setRect(0, 0, BAND_WIDTH, AREA_HEIGHT);
        sidePanel = ui::Addon::make();
        sidePanel->setFontIndex(2);
        jint kind = Game::S().stageKind;
        jint textId = kind == FIRST_TUTORIAL ? kind + FIRST_TUTORIAL_TEXT : kind + SECOND_TUTORIAL_TEXT;
        sidePanel->setText(texts->getString(textId), rect[0], rect[1], rect[2], rect[3]);
    }
    VMPtr<ui::Addon> lines = ui::Addon::make();
    panel = lines;
    lines->setLabelCapacity(4);
    for (jint i = 0; i < 4; ++i) {
        lines->setLabelFont(i, i == 0 ? 1 : 0);
        lines->addLabel(WREN_LIT(""), 0, 0);
    }
    addObject(lines);
}

void InMapScene::paintLayer(const VMPtr<Graphics>& g) {
    if (tutorialMode && sidePanel != nullptr) sidePanel->paint(g);
}

// --- the state machine -------------------------------------------------------------------

void InMapScene::update() {
    Scene::update();
    if (progressiveLoad) return;
    switch (state) {
    case BROWSE:
        updateBrowse();
        break;
    case STAGE_DIALOG:
        updateConfirm();
        break;
    case MENU:
        updateMenu();
        break;
    case SETTINGS:
        updateSettings();
        break;
    case MODE_DIALOG:
        updateModeChoice();
        break;
    default:
        break;
    }
}

void InMapScene::changeScene(jint id) { sceneManager->changeScene(id); }

jint InMapScene::languageIndex() {
    jint id = Main::S().language;
    for (jint i = 0; i < LANGUAGE_COUNT; ++i)
        if (kLanguages[i] == id) return i;
    return -1;
}

VMPtr<ui::Addon> InMapScene::linesPanel() { return vmCast<ui::Addon>(VMPtr<ui::MyObject>(panel)); }

void InMapScene::placeLine(jint line, const VMPtr<String>& text, jint box) {
    rect = screen->getLayerBox(dialogLayer, box);
    linesPanel()->setLabel(line, text, rect[0], rect[1], rect[2], rect[3]);
}

void InMapScene::clearLine(jint line) { linesPanel()->setLabelText(line, WREN_LIT("")); }

void InMapScene::centreOnBox(jint layer, jint box) {
    rect = screen->getLayerBox(dialogLayer, box);
    screen->setLayerPosition(layer, rect[0] + vmDiv(rect[2], 2), rect[1] + vmDiv(rect[3], 2));
}

void InMapScene::placeHighlight(jint box) {
    screen->playAnimation(dialogLayer + 1, HIGHLIGHT_OFF);
    centreOnBox(dialogLayer + 1, box);
}

void InMapScene::refreshStateUi() {
    switch (state) {
    case BROWSE:
        screen->setLayerCursor(dialogLayer);
        for (jint i = 0; i < 4; ++i) clearLine(i);
        break;
    case STAGE_DIALOG: {
        screen->playAnimation(dialogLayer, STAGE_FRAME);
        placeHighlight(5);
        screen->setLayerCursor(dialogLayer + 4);
        placeLine(0, texts->getString(TEXT_STAGE_TITLE), 0);
        Game::Statics& game = Game::S();
        VMPtr<VMArray<jint>> cursor = game.progressPair;
        cellRecord = game.cellRecords[cursor[0] + Game::COLUMNS * cursor[1]];
        jint family = cellRecord[1];
        screen->playAnimation(dialogLayer + 2, cellRecord[2]);
        centreOnBox(dialogLayer + 2, 2);
        screen->setLayer(dialogLayer + 3, FAMILY_GOBS + family, FAMILY_ANIMS + family,
                         DIALOG_PICTURE_FRAME, 0, 0);
        rect = screen->getLayerBox(dialogLayer, 3);
        screen->setLayerPosition(dialogLayer + 3, rect[0] + screen->getLayerWidth(dialogLayer + 3),
                                 rect[1]);
        jint level = cellRecord[0];
        VMPtr<StringBuffer> levelText =
            StringBuffer::make(String::valueOf(texts->getString(TEXT_LEVEL)));
        if (level < 10) levelText->append(WREN_LIT("0"));
        levelText->append(level);
        placeLine(1, levelText->toString(), 1);
        VMPtr<StringBuffer> reward = StringBuffer::make(WREN_LIT("$"));
        reward->append(game.numberTable[cellRecord[2]] * level);
        placeLine(2, reward->toString(), 4);
        break;
    }
    case MENU:
        screen->playAnimation(dialogLayer, MENU_FRAME);
        placeHighlight(menuChoice + 1);
        screen->setLayerCursor(dialogLayer + 2);
        placeLine(0, texts->getString(TEXT_MENU_TITLE), 0);
        placeLine(1, texts->getString(TEXT_RESUME), 1);
        placeLine(2, texts->getString(TEXT_OPTIONS), 2);
        placeLine(3, texts->getString(TEXT_LEAVE), 3);
        break;
    case SETTINGS: {
        jint index = languageIndex();
        if (index >= 0) screen->playAnimation(dialogLayer, FIRST_SETTINGS_FRAME + index);
        placeLine(0, texts->getString(TEXT_OPTIONS), 0);
        placeLine(1, texts->getString(TEXT_SOUND), 1);
        placeLine(2, texts->getString(TEXT_LANGUAGE), 4);
        placeLine(3, texts->getString(TEXT_BACK), 9);
        placeHighlight(SETTINGS_REST_BOX);
        break;
    }
    case MODE_DIALOG:
        screen->playAnimation(dialogLayer, MODE_FRAME);
        placeHighlight(0);
        placeLine(1, texts->getString(TEXT_SHORT_GOAL), 0);
        placeLine(2, texts->getString(TEXT_LONG_GOAL), 1);
        clearLine(0);
        clearLine(3);
        screen->setLayerCursor(dialogLayer + 2);
        break;
    default:
        break;
    }
}

// --- browsing ----------------------------------------------------------------------------

jint InMapScene::pointerX() { return ui::Pointer::S().touchX[0]; }
jint InMapScene::pointerY() { return ui::Pointer::S().touchY[0]; }
jboolean InMapScene::pointerHeld() { return ui::Pointer::S().touchPressed[0]; }
jboolean InMapScene::pointerReleased() { return ui::Pointer::S().touchReleased[0]; }

void InMapScene::updateTutorial() {
    if (!pointerReleased()) return;
    setRect(0, 0, BAND_WIDTH, AREA_HEIGHT);
    Game::Statics& game = Game::S();
    jint kind = ++game.stageKind;
    if (kind == FIRST_TUTORIAL_END || kind == SECOND_TUTORIAL_END) {
        Main::S().game->saveState();
        changeScene(STORY_POSITION_SCENE);
    } else if (kind < FIRST_TUTORIAL_END) {
        sidePanel->setText(texts->getString(kind + FIRST_TUTORIAL_TEXT), rect[0], rect[1], rect[2],
                           rect[3]);
    } else if (kind < SECOND_TUTORIAL_END) {
        sidePanel->setText(texts->getString(kind + SECOND_TUTORIAL_TEXT), rect[0], rect[1], rect[2],
                           rect[3]);
    }
}

void InMapScene::openStageDialog() {
    state = STAGE_DIALOG;
    confirmChoice = 0;
    refreshStateUi();
}

void InMapScene::updateBrowse() {
    if (tutorialMode) {
        updateTutorial();
        return;
    }
    if (holdTimer < HOLD_CAP_MS) holdTimer += frameTime;
    jint px = pointerX(), py = pointerY();
    setRect(px, py, 0, 0);
    bool up = false, down = false, right = false, left = false;
    bool onCursor = false, onInfo = false, onMenu = false;
    if (!pointerReleased()) {
        if (pointerHeld() && holdTimer >= STEP_MS) {
            rect = screen->getLayerBox(cursorLayer, 0);
            if (px < rect[0]) {
                left = true;
                holdTimer = 0;
            } else if (px > rect[0] + rect[2]) {
                right = true;
                holdTimer = 0;
            }
            if (py < rect[1]) {
                up = true;
                holdTimer = 0;
            } else if (py > rect[1] + rect[3]) {
                down = true;
                holdTimer = 0;
            }
        }
    } else if (screen->layerContains(cursorLayer, 0, rect)) {
        onCursor = true;
    } else if (screen->layerContains(dialogLayer - 2, 0, rect)) {
        onInfo = true;
    } else if (screen->layerContains(dialogLayer - 1, 0, rect)) {
        onMenu = true;
    }

    Game::Statics& game = Game::S();
    VMPtr<VMArray<jint>> cursor = game.progressPair;
    if (onCursor) {
        jint kind = mapGrid[cursor[1]][cursor[0]];
        if (kind == HOME_CELL) {
            changeScene(HOME_SCENE);
        } else if (kind == FINAL_CELL) {
            bool all = true;
            for (jint i = 0; i < game.progressFlags->length; ++i)
                if (!game.progressFlags[i]) all = false;
            if (all) {
                openStageDialog();
            } else {
                game.stageKind = MISSING_PIECE_STORY;
                changeScene(STORY_POSITION_SCENE);
            }
        } else {
            openStageDialog();
        }
        return;
    }
    if (onInfo) {
        toggleCellIcons();
        return;
    }
    if (onMenu) {
        state = MENU;
        settingsChoice = 0;
        refreshStateUi();
        return;
    }
    jint direction = up ? MOVE_UP : down ? MOVE_DOWN : right ? MOVE_RIGHT : left ? MOVE_LEFT : -1;
    if (direction < 0 || !canMove(direction)) return;
    switch (direction) {
    case MOVE_UP:
        --cursor[0];
        break;
    case MOVE_DOWN:
        ++cursor[0];
        break;
    case MOVE_RIGHT:
        --cursor[1];
        break;
    default:
        ++cursor[1];
        break;
    }
    centerOnCursor();
}

jboolean InMapScene::canMove(jint direction) {
    VMPtr<VMArray<jint>> cursor = Game::S().progressPair;
    jint column = cursor[0], row = cursor[1];
    switch (direction) {
    case MOVE_UP:
        --column;
        break;
    case MOVE_DOWN:
        ++column;
        break;
    case MOVE_RIGHT:
        --row;
        break;
    case MOVE_LEFT:
        ++row;
        break;
    default:
        return false;
    }
    // Every cell has a neighbour inside the grid; a cursor saved off the
    // cells (which the records allow) may not.
    if (row < 0 || row >= Game::ROWS || column < 0 || column >= Game::COLUMNS) return false;
    jint kind = mapGrid[row][column];
    VMPtr<VMArray<jboolean>> open = Game::S().extraFlags;
    if ((kind >= 1 && kind <= 10) || kind == 23 || kind == 24) return true;
    // The outer areas are the last places, each open once its flag is set.
    for (jint area = 0; area < open->length; ++area) {
        const jint place = Game::PLACES - open->length + area;
        if (kind >= Game::PLACE_KINDS[place][0] && kind <= Game::PLACE_KINDS[place][1]) return open[area];
    }
    return false;
}

void InMapScene::centerOnCursor() {
    VMPtr<VMArray<jboolean>> open = Game::S().extraFlags;
    VMPtr<VMArray<jint>> cursor = Game::S().progressPair;
    jint w = cellMetrics[2], h = cellMetrics[5], boxHeight = cellMetrics[3];
    jint column = cursor[0], row = cursor[1];
    jint left = open[2] ? 0 : open[0] ? 3 * w : open[1] ? 4 * w : 5 * w;
    jint right = 13 * w - AREA_WIDTH;
    jint top = open[0] ? 0 : open[2] ? 5 * h : 6 * h;
    jint bottom = boxHeight + (open[1] ? 19 * h : 13 * h) - AREA_HEIGHT;
    jint cx = 13 * w - w * row - ((column & 1) != 0 ? vmDiv(w, 2) : 0);
    jint cy = h * column;
    jint ox = w + vmDiv(AREA_WIDTH - w, 2) - cx;
    jint oy = vmDiv(AREA_HEIGHT - boxHeight, 2) - cy;
    jint mapX = ox > -left ? -left : ox < -right ? -right : ox;
    jint mapY = oy > -top ? -top : oy < -bottom ? -bottom : oy;
    for (jint i = 0; i <= openAreaCount + cellCount + 6; ++i) {
        if (i == cursorLayer)
            screen->setLayerPosition(i, mapX + cx, mapY + cy);
        else if (i <= openAreaCount || i > cursorLayer)
            screen->setLayerPosition(i, 13 * w + mapX, mapY);
    }
    jint k = 0;
    for (jint r = 0; r < Game::ROWS; ++r)
        for (jint c = 0; c < Game::COLUMNS; ++c) {
            if (mapGrid[r][c] == 0) continue;
            VMPtr<VMArray<jint>> at = cellPositions[r][c];
            screen->setLayerPosition(openAreaCount + 1 + k, at[0] + mapX, at[1] + mapY);
            ++k;
        }
}

void InMapScene::toggleCellIcons() {
    bool shown = screen->getLayerAnimation(openAreaCount + 1) != PLAIN_MARKER;
    screen->playAnimation(dialogLayer - 2, shown ? INFO_OFF_FRAME : INFO_ON_FRAME);
    Game::Statics& game = Game::S();
    jint k = 0;
    for (jint r = 0; r < Game::ROWS; ++r)
        for (jint c = 0; c < Game::COLUMNS; ++c) {
            if (mapGrid[r][c] == 0) continue;
            jint frame = PLAIN_MARKER;
            if (!shown) frame = game.cellFlags[k] ? game.cellRecords[c + Game::COLUMNS * r][2] : UNKNOWN_ICON;
            screen->playAnimation(openAreaCount + 1 + k, frame);
            ++k;
        }
}

// --- dialogs -----------------------------------------------------------------------------

jboolean InMapScene::buttonPass(const Button* buttons, jint count, jint& choice) {
    setRect(pointerX(), pointerY(), 0, 0);
    bool held = pointerHeld(), released = pointerReleased();
    const Button* pressed = nullptr;
    bool releasedOver = false;
    for (jint i = 0; i < count; ++i) {
        if (!screen->layerContains(dialogLayer, buttons[i].box, rect)) continue;
        if (held) {
            pressed = &buttons[i];
            choice = buttons[i].choice;
        }
        if (released) releasedOver = true;
    }
    if (pressed != nullptr) {
        screen->playAnimation(dialogLayer + 1, pressed->highlight);
        centreOnBox(dialogLayer + 1, pressed->box);
    } else {
        screen->playAnimation(dialogLayer + 1, HIGHLIGHT_OFF);
    }
    return releasedOver;
}

void InMapScene::updateConfirm() {
    static const Button buttons[] = {{5, 0, HIGHLIGHT_BUTTON}, {6, 1, HIGHLIGHT_BUTTON}};
    if (!buttonPass(buttons, 2, confirmChoice)) return;
    if (confirmChoice == 0) {
        state = MODE_DIALOG;
        modeChoice = 0;
    } else {
        state = BROWSE;
    }
    refreshStateUi();
}

void InMapScene::updateMenu() {
    static const Button buttons[] = {
        {1, 0, HIGHLIGHT_ITEM}, {2, 1, HIGHLIGHT_ITEM}, {3, 2, HIGHLIGHT_ITEM}};
    if (!buttonPass(buttons, 3, menuChoice)) return;
    switch (menuChoice) {
    case 0:
        state = BROWSE;
        refreshStateUi();
        break;
    case 1:
        settingsChoice = 0;
        state = SETTINGS;
        refreshStateUi();
        break;
    default:
        changeScene(MAIN_MENU_SCENE);
        break;
    }
}

void InMapScene::updateSettings() {
    static const Button buttons[] = {{SOUND_ON, SOUND_ON, HIGHLIGHT_BUTTON},
                                     {SOUND_OFF, SOUND_OFF, HIGHLIGHT_BUTTON},
                                     {NEXT_LANGUAGE, NEXT_LANGUAGE, HIGHLIGHT_ITEM},
                                     {SETTINGS_BACK, SETTINGS_BACK, HIGHLIGHT_ITEM}};
    if (buttonPass(buttons, 4, settingsChoice)) actOnSetting(settingsChoice);
}

void InMapScene::actOnSetting(jint choice) {
    VMPtr<Main> m = Main::S().instance;
    switch (choice) {
    case SOUND_ON:
        if (!Main::S().soundOn) {
            m->initSound(MENU_TUNE);
            m->playCueSound();
        }
        break;
    case SOUND_OFF:
        m->disableSound();
        break;
    case NEXT_LANGUAGE:
        applyLanguage();
        break;
    case SETTINGS_BACK:
        state = MENU;
        refreshStateUi();
        break;
    default:
        break;
    }
}

void InMapScene::handleSoundRowKeys() {
    if (sceneManager->isActionPressed(ACTION_FIRE))
        actOnSetting(Main::S().soundOn ? SOUND_OFF : SOUND_ON);
}

void InMapScene::handleLanguageRowKeys() {
    if (sceneManager->isActionPressed(ACTION_FIRE)) actOnSetting(NEXT_LANGUAGE);
}

jint InMapScene::staggeredOffset(jint parity, jint n) {
    jint height = cellMetrics[3];
    return n * height + ((parity & 1) != 0 ? vmDiv(height, 2) : 0);
}

jint InMapScene::pitchOffset(jint n) { return n * cellMetrics[5]; }

void InMapScene::applyLanguage() {
    jint index = languageIndex();
    if (index < 0) index = 0;
    index = (index + 1) % LANGUAGE_COUNT;
    screen->playAnimation(dialogLayer, FIRST_SETTINGS_FRAME + index);
    Main::S().instance->loadLanguage(kLanguages[index]);
    texts = Main::S().translation;
    VMPtr<ui::Addon> lines = linesPanel();
    lines->setLabelText(0, texts->getString(TEXT_OPTIONS));
    lines->setLabelText(1, texts->getString(TEXT_SOUND));
    lines->setLabelText(2, texts->getString(TEXT_LANGUAGE));
    lines->setLabelText(3, texts->getString(TEXT_BACK));
}

void InMapScene::updateModeChoice() {
    static const Button buttons[] = {{0, 0, HIGHLIGHT_MODE}, {1, 1, HIGHLIGHT_MODE}};
    if (!buttonPass(buttons, 2, modeChoice)) return;
    startStage();
}

void InMapScene::startStage() {
    bool threeHeats = cellRecord[5] != -1;
    Main::S().instance->showLoadingPanel(threeHeats, modeChoice == 0, cellRecord[3], cellRecord[4],
                                         threeHeats ? cellRecord[5] : cellRecord[4], 0);
    VMPtr<VMArray<jint>> cursor = Game::S().progressPair;
    if (mapGrid[cursor[1]][cursor[0]] == TUTORIAL_CELL) {
        Game::S().stageKind = TUTORIAL_STAGE;
        changeScene(STORY_POSITION_SCENE);
    } else {
        changeScene(PLAY_FIELD_SCENE);
    }
}

}  // namespace scene::maingame
