// scene.menu.MenuScene: the front end of the game. One scene with a menu
// state: 2 main menu, 6 options, 7 help, 8 about, 9 the quit question, 10
// the sound question, 11 the language choice (3 to 5 are not used and do
// nothing). Each state has its backdrop and its panel; a change of state
// rebuilds every object of the scene within the frame that asked for it,
// without going through the scene manager. The way into the game is the
// main menu's play entry (scene 45); the quit answer ends the program.
//
// Panel entries are text ids; the panel answers the id chosen by touch.
// With the canvas tracing, a language change on the language page prints
// "language <caption>", the caption in the new table.
// Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "ui_Addon.h"
#include "ui_Scene.h"
#include "ui_Screen.h"

namespace scene::menu {

class MenuScene : public ui::Scene {
    WREN_CLASS(MenuScene, ui::Scene,
               // The animated title of states 2 and 6.
               (titleScreen, ui::Screen))
public:
    WREN_PLAIN_OBJECT()

    enum : jint {
        STATE_MAIN = 2,
        STATE_OPTIONS = 6,
        STATE_HELP = 7,
        STATE_ABOUT = 8,
        STATE_QUIT = 9,
        STATE_SOUND = 10,
        STATE_LANGUAGE = 11,
    };

    // Text ids (the entries' ids and what the panels show).
    enum : jint {
        TEXT_ABOUT = 7,
        TEXT_HELP = 8,
        TEXT_QUIT = 9,
        TEXT_BACK_BUTTON = 10,
        TEXT_PLAY = 11,
        TEXT_OPTIONS = 12,
        TEXT_SOUND = 13,
        TEXT_ABOUT_1 = 14,
        TEXT_ABOUT_2 = 15,
        TEXT_YES = 98,
        TEXT_NO = 99,
        TEXT_BACK = 100,
        TEXT_QUIT_2 = 104,
        TEXT_SOUND_QUESTION = 105,
        TEXT_LANGUAGE = 107,
        TEXT_ABOUT_3 = 117,
        TEXT_HELP_BODY = 120,
    };

    // Resource ids (pack << 10 | entry).
    static constexpr jint BACKDROP_GOBS = 0x404;
    static constexpr jint BACKDROP_ANIMATIONS = 0x401;
    static constexpr jint TITLE_GOBS = 0x405;
    static constexpr jint TITLE_ANIMATIONS = 0x402;
    static constexpr jint UI_GOBS = 0x2401;
    static constexpr jint UI_ANIMATIONS = 0x2400;
    // Frame of the UI set showing language index i: FIRST_LANGUAGE_FRAME + i.
    static constexpr jint FIRST_LANGUAGE_FRAME = 17;
    static constexpr jint LANGUAGE_COUNT = 5;
    // Boxes of the language picture.
    static constexpr jint BOX_CAPTION = 0;
    static constexpr jint BOX_PREVIOUS = 1;
    static constexpr jint BOX_NEXT = 2;
    static constexpr jint BOX_CONFIRM = 5;
    // Frames of the UI set for the boards.
    static constexpr jint QUESTION_BOARD = 16;
    static constexpr jint TEXT_BOARD = 22;
    static constexpr jint TITLE_DEPTH = 55;
    static constexpr jint PANEL_DEPTH = 50;
    // Game actions.
    static constexpr jint ACTION_UP = 14;
    static constexpr jint ACTION_DOWN = 17;
    static constexpr jint PLAY_SCENE = 45;
    static constexpr jint MENU_SOUND_SET = 5;
    static constexpr jint EXIT_REQUEST = 3;

    jint menuState = 0;

    // The menu starting in `state`: font 0 selected, font 1 dropped.
    void ctor(jint state);

    void loadObjects() override;
    // The state's step, once loading is over.
    void update() override;
    // One step a call: the first builds the backdrop screen and leaves the
    // number of steps to come in moreData; each later call runs step
    // moreData and counts it down.
    void loadData() override;
    void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // The state's panel (none for an unused state).
    void loadUi() override;
    // Every object dropped, then the whole load again at once for the
    // current state.
    void reload() override;
    virtual void setMenuState(jint state);

    // The index of the loaded text table in the order the language page
    // steps through them, or -1.
    static jint currentLanguageIndex();

private:
    VMPtr<ui::Addon> menuPanel();
    void goTo(jint state);
    void addBackdrop();
    void addTitle();
    void addLanguagePicture();
    VMPtr<ui::Addon> makeList(std::initializer_list<jint> items);
    VMPtr<ui::Addon> makeBoard(std::initializer_list<jint> headings, jint frame,
                               const VMPtr<java::lang::String>& body,
                               std::initializer_list<jint> buttons, jboolean scrolls);
    VMPtr<java::lang::String> aboutText();
    // The steps of the states.
    void mainMenuStep();
    void optionsStep();
    void helpStep();
    void aboutStep();
    void quitStep();
    void soundStep();
    void languageStep();
};

}  // namespace scene::menu
