#include "scene_menu_MenuScene.h"

#include "java_lang_StringBuffer.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "ui_ListMenu.h"
#include "ui_MsgBoard.h"
#include "ui_Pointer.h"

WREN_DEFINE_CLASS(scene::menu::MenuScene, "scene.menu.MenuScene")

namespace scene::menu {

using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Graphics;
using main::Main;
using ui::Addon;
using ui::Screen;

namespace {

// Not sorted: the order the language page steps through.
constexpr jint LANGUAGES[MenuScene::LANGUAGE_COUNT] = {0x5000, 0x5001, 0x5003, 0x5002, 0x5004};

}  // namespace

void MenuScene::ctor(jint state) {
    ui::Scene::ctor();
    menuState = state;
    VMPtr<Main> m = Main::S().instance;
    m->selectFont(0);
    m->releaseFont(1);
}

void MenuScene::setMenuState(jint state) { menuState = state; }

void MenuScene::goTo(jint state) {
    setMenuState(state);
    reload();
}

jint MenuScene::currentLanguageIndex() {
    const jint id = Main::S().language;
    for (jint i = 0; i < LANGUAGE_COUNT; ++i)
        if (LANGUAGES[i] == id) return i;
    return -1;
}

VMPtr<Addon> MenuScene::menuPanel() { return vmCast<Addon>(panel); }

// --- loading ---------------------------------------------------------------------

void MenuScene::loadData() {
    if (moreData == 0) {
        VMPtr<Screen> backdrop = Screen::make();
        screen = backdrop;
        backdrop->setBackgroundEnabled(false);
        switch (menuState) {
        case STATE_MAIN:
        case STATE_OPTIONS:
            backdrop->setLayerCapacity(1);
            moreData = 3;
            break;
        case STATE_HELP:
        case STATE_ABOUT:
        case STATE_QUIT:
        case STATE_SOUND:
            backdrop->setLayerCapacity(1);
            moreData = 2;
            break;
        case STATE_LANGUAGE:
            backdrop->setLayerCapacity(2);
            moreData = 3;
            break;
        default:
            // An unused state shows nothing.
            backdrop->setLayerCapacity(1);
            break;
        }
        return;
    }
    const bool titled = menuState == STATE_MAIN || menuState == STATE_OPTIONS;
    const bool language = menuState == STATE_LANGUAGE;
    switch (moreData) {
    case 3:
        addBackdrop();
        break;
    case 2:
        if (titled)
            addTitle();
        else if (language)
            addLanguagePicture();
        else
            addBackdrop();
        break;
    case 1:
        addObject(screen);
        if (titled) addObject(titleScreen);
        break;
    default:
        break;
    }
    --moreData;
}

void MenuScene::addBackdrop() {
    screen->appendFrameLayer(BACKDROP_GOBS, BACKDROP_ANIMATIONS, 0, 120, 160);
}

void MenuScene::addTitle() {
    VMPtr<Screen> title = Screen::make();
    titleScreen = title;
    title->setBackgroundEnabled(false);
    title->setLayerCapacity(1);
    title->appendAnimLayer(TITLE_GOBS, TITLE_ANIMATIONS, 0, 120, 160);
    title->setDepth(TITLE_DEPTH);
}

void MenuScene::addLanguagePicture() {
    // A table outside the list leaves the backdrop without its layer 1.
    const jint i = currentLanguageIndex();
    if (i >= 0)
        screen->appendFrameLayer(UI_GOBS, UI_ANIMATIONS, FIRST_LANGUAGE_FRAME + i, 120, 160);
}

void MenuScene::loadObjects() { moreObjects = 0; }

VMPtr<Addon> MenuScene::makeList(std::initializer_list<jint> items) {
    VMPtr<Addon> list = ui::ListMenu::make();
    list->setItemCount(jint(items.size()));
    VMPtr<VMArray<jint>> area = screen->getLayerBox(0, 0);
    list->setArea(area[0], area[1], area[2], area[3]);
    VMPtr<VMArray<jint>> ids = VMArray<jint>::create(jint(items.size()));
    jint k = 0;
    for (jint id : items) ids[k++] = id;
    list->setItemTextIds(ids);
    list->layout();
    return list;
}

VMPtr<Addon> MenuScene::makeBoard(std::initializer_list<jint> headings, jint frame,
                                  const VMPtr<String>& body, std::initializer_list<jint> buttons,
                                  jboolean scrolls) {
    VMPtr<Addon> board = ui::MsgBoard::make();
    board->setLabelCapacity(jint(headings.size()));
    for (jint id : headings) board->addLabel(id, 0, 0);
    board->loadGraphicsById(frame);
    if (body != nullptr) board->setText(body);
    board->setItemCount(jint(buttons.size()));
    VMPtr<VMArray<jint>> ids = VMArray<jint>::create(jint(buttons.size()));
    jint k = 0;
    for (jint id : buttons) ids[k++] = id;
    board->setItemTextIds(ids);
    board->layout();
    if (scrolls) board->setScrollable(true);
    return board;
}

VMPtr<String> MenuScene::aboutText() {
    VMPtr<StringBuffer> about = StringBuffer::make(texts->getString(TEXT_ABOUT_1));
    about->append(WREN_LIT("\n"));
    about->append(texts->getString(TEXT_ABOUT_2));
    about->append(WREN_LIT("1.1.0"));
    about->append(WREN_LIT("\n\n"));
    about->append(texts->getString(TEXT_ABOUT_3));
    return about->toString();
}

void MenuScene::loadUi() {
    VMPtr<Addon> built;
    switch (menuState) {
    case STATE_MAIN:
        built = makeList({TEXT_PLAY, TEXT_OPTIONS, TEXT_HELP, TEXT_ABOUT, TEXT_QUIT});
        break;
    case STATE_OPTIONS:
        built = makeList({TEXT_SOUND, TEXT_LANGUAGE, TEXT_BACK});
        break;
    case STATE_HELP:
        built = makeBoard({TEXT_HELP}, TEXT_BOARD, texts->getString(TEXT_HELP_BODY),
                          {TEXT_BACK_BUTTON}, true);
        break;
    case STATE_ABOUT:
        built = makeBoard({TEXT_ABOUT}, TEXT_BOARD, aboutText(), {TEXT_BACK_BUTTON}, true);
        break;
    case STATE_QUIT:
        built = makeBoard({TEXT_QUIT, TEXT_QUIT_2}, QUESTION_BOARD, nullptr, {TEXT_YES, TEXT_NO},
                          false);
        break;
    case STATE_SOUND:
        built = makeBoard({TEXT_SOUND}, QUESTION_BOARD, texts->getString(TEXT_SOUND_QUESTION),
                          {TEXT_YES, TEXT_NO}, false);
        break;
    case STATE_LANGUAGE: {
        // The caption sits in the language picture's box 0, which the
        // page's touch test keeps as the scene's rect.
        built = Addon::make();
        built->setLabelCapacity(1);
        VMPtr<VMArray<jint>> box = screen->getLayerBox(1, BOX_CAPTION);
        built->addLabel(TEXT_LANGUAGE, box[0], box[1], box[2], box[3]);
        rect = box;
        break;
    }
    default:
        return;
    }
    panel = built;
    built->setDepth(PANEL_DEPTH);
    built->setPostUpdate(true);
    addObject(built);
}

void MenuScene::reload() {
    Main::S().redrawBackground = true;
    if (screen != nullptr) screen->dropResources();
    if (panel != nullptr) panel->release();
    for (jint i = 0; i < objects->length; ++i) {
        VMPtr<ui::MyObject> o = objects[i];
        if (o != nullptr) o->dropResources();
        objects[i] = nullptr;
    }
    loadAll();
}

void MenuScene::paintLayer(const VMPtr<Graphics>&) {}

// --- per frame -------------------------------------------------------------------

void MenuScene::update() {
    ui::Scene::update();
    if (progressiveLoad) return;
    switch (menuState) {
    case STATE_MAIN:
        mainMenuStep();
        break;
    case STATE_OPTIONS:
        optionsStep();
        break;
    case STATE_HELP:
        helpStep();
        break;
    case STATE_ABOUT:
        aboutStep();
        break;
    case STATE_QUIT:
        quitStep();
        break;
    case STATE_SOUND:
        soundStep();
        break;
    case STATE_LANGUAGE:
        languageStep();
        break;
    default:
        break;
    }
}

void MenuScene::mainMenuStep() {
    VMPtr<Addon> list = menuPanel();
    if (sceneManager->isActionPressed(ACTION_UP)) list->onScrollBackKey();
    if (sceneManager->isActionPressed(ACTION_DOWN)) list->onScrollForwardKey();
    switch (list->getChosenId()) {
    case TEXT_ABOUT:
        goTo(STATE_ABOUT);
        break;
    case TEXT_HELP:
        goTo(STATE_HELP);
        break;
    case TEXT_QUIT:
        goTo(STATE_QUIT);
        break;
    case TEXT_OPTIONS:
        goTo(STATE_OPTIONS);
        break;
    case TEXT_PLAY:
        // The game goes on at the saved stage kind; this scene is unloaded.
        sceneManager->changeScene(PLAY_SCENE);
        break;
    default:
        break;
    }
}

void MenuScene::optionsStep() {
    switch (menuPanel()->getChosenId()) {
    case TEXT_SOUND:
        goTo(STATE_SOUND);
        break;
    case TEXT_LANGUAGE:
        goTo(STATE_LANGUAGE);
        break;
    case TEXT_BACK:
        goTo(STATE_MAIN);
        break;
    default:
        break;
    }
}

void MenuScene::helpStep() {
    VMPtr<Addon> board = menuPanel();
    if (sceneManager->isActionPressed(ACTION_UP)) board->scrollTextBack();
    if (sceneManager->isActionPressed(ACTION_DOWN)) board->scrollTextForward();
    if (board->getChosenId() == TEXT_BACK_BUTTON) goTo(STATE_MAIN);
}

void MenuScene::aboutStep() {
    VMPtr<Addon> board = menuPanel();
    // One of the two a frame, down first.
    if (sceneManager->isActionPressed(ACTION_DOWN))
        board->scrollTextForward();
    else if (sceneManager->isActionPressed(ACTION_UP))
        board->scrollTextBack();
    if (board->getChosenId() == TEXT_BACK_BUTTON) goTo(STATE_MAIN);
}

void MenuScene::quitStep() {
    switch (menuPanel()->getChosenId()) {
    case TEXT_YES:
        // Ends the program: the game is released under this very update,
        // so nothing of the scene may follow.
        canvas->interrupt(EXIT_REQUEST);
        break;
    case TEXT_NO:
        goTo(STATE_MAIN);
        break;
    default:
        break;
    }
}

void MenuScene::soundStep() {
    VMPtr<Main> m = Main::S().instance;
    switch (menuPanel()->getChosenId()) {
    case TEXT_YES:
        m->initSound(MENU_SOUND_SET);
        m->playCueSound();
        break;
    case TEXT_NO:
        m->disableSound();
        break;
    default:
        return;
    }
    Main::Statics& s = Main::S();
    if (s.firstMenuVisit) {
        s.firstMenuVisit = false;
        goTo(STATE_MAIN);
    } else {
        goTo(STATE_OPTIONS);
    }
}

void MenuScene::languageStep() {
    jint index = currentLanguageIndex();
    if (index < 0) index = 0;
    if (!ui::Pointer::S().touchReleased[0]) return;
    VMPtr<ui::Pointer> touch = SceneManager::S().pointer;
    rect[0] = touch->getX(0);
    rect[1] = touch->getY(0);
    rect[2] = 0;
    rect[3] = 0;
    if (screen->layerContains(1, BOX_PREVIOUS, rect)) {
        index = index == 0 ? LANGUAGE_COUNT - 1 : index - 1;
    } else if (screen->layerContains(1, BOX_NEXT, rect)) {
        index = index == LANGUAGE_COUNT - 1 ? 0 : index + 1;
    } else if (screen->layerContains(1, BOX_CONFIRM, rect)) {
        goTo(Main::S().firstMenuVisit ? STATE_SOUND : STATE_OPTIONS);
        return;
    } else {
        return;
    }
    screen->playAnimation(1, FIRST_LANGUAGE_FRAME + index);
    Main::S().instance->loadLanguage(LANGUAGES[index]);
    texts = Main::S().translation;
    VMPtr<String> caption = texts->getString(TEXT_LANGUAGE);
    menuPanel()->setLabelText(0, caption);
    SceneManager::trace(StringBuffer::make(WREN_LIT("language "))->append(caption)->toString());
}

}  // namespace scene::menu
