#include "scene_maingame_InGameStory.h"

#include "VMMath.h"
#include "main_Game.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "ui_Addon.h"
#include "ui_Pointer.h"
#include "ui_Screen.h"

WREN_DEFINE_CLASS(scene::maingame::InGameStory, "scene.maingame.InGameStory")

namespace scene::maingame {

using javax::microedition::lcdui::Graphics;
using main::Game;
using main::Main;
using ui::Screen;

void InGameStory::ctor() { ui::Scene::ctor(); }

void InGameStory::ctor(jint first, jint extra) {
    ui::Scene::ctor();
    page = 0;
    backgroundShift = 0;
    backgroundY = 0;
    setPages(first, extra);
    VMPtr<Main> m = Main::S().instance;
    m->changeSoundSet(STORY_SOUND_SET);
    for (jint i = 0; i < Main::FONT_COUNT; ++i) m->releaseFont(i);
    m->loadResources(TEXT_FONT);
}

void InGameStory::setPages(jint first, jint extra) {
    firstPage = first;
    page = first;
    extraPages = extra;
}

void InGameStory::toBand() {
    rect[2] = 2 * rect[2] + screen->getLayerX(0) - 2 * AREA_WIDTH;
    rect[0] = 0;
}

void InGameStory::loadData() {
    switch (moreData) {
    case 0: {
        VMPtr<Screen> s = Screen::make();
        screen = s;
        s->setLayerCapacity(3);
        s->setBackgroundColor(0);
        moreData = 4;
        return;
    }
    case 4:
        screen->appendFrameLayer(BACKGROUND_GOBS, BACKGROUND_ANIMATIONS, BACKGROUND_FRAME,
                                 AREA_WIDTH, 0);
        rect = screen->getLayerBox(0, 0);
        backgroundShift = (AREA_WIDTH - rect[2]) - rect[0];
        screen->setLayerPosition(0, backgroundShift + AREA_WIDTH, backgroundY);
        screen->createFillRects(1);
        toBand();
        screen->setFillRect(0, rect, 0);
        rect = screen->getLayerBox(0, 0);
        moreData = 3;
        return;
    case 3:
    case 2: {
        const bool first = moreData == 3;
        const jint layer = first ? 1 : 2;
        if (first)
            screen->appendAnimLayer(FIGURE1_GOBS, FIGURE1_ANIMATIONS, FIGURE1_ANIMATION, 0, 0);
        else
            screen->appendAnimLayer(FIGURE2_GOBS, FIGURE2_ANIMATIONS, FIGURE2_ANIMATION, 0, 0);
        rect = screen->getLayerBox(0, 0);
        // Centred on the background's box 0, by the anchor at the right.
        screen->setLayerPosition(
            layer, rect[0] + rect[2] - vmDiv(rect[2] - screen->getLayerWidth(layer), 2),
            AREA_HEIGHT / 2);
        --moreData;
        return;
    }
    case 1:
        addObject(screen);
        moreData = 0;
        return;
    default:
        return;
    }
}

void InGameStory::loadObjects() {}

void InGameStory::loadUi() {
    VMPtr<ui::Addon> text = ui::Addon::make();
    panel = text;
    rect = screen->getLayerBox(0, 0);
    toBand();
    if (rect[1] + rect[3] > AREA_HEIGHT) rect[3] = AREA_HEIGHT - rect[1];
    text->setFontIndex(TEXT_FONT);
    text->setText(texts->getString(firstPage + FIRST_TEXT), rect[0], rect[1], rect[2], rect[3]);
    addObject(text);
}

void InGameStory::paintLayer(const VMPtr<Graphics>&) {}

void InGameStory::update() {
    ui::Scene::update();
    if (progressiveLoad || !ui::Pointer::S().touchReleased[0]) return;
    ++page;
    if (page <= firstPage + extraPages) {
        vmCast<ui::Addon>(panel)->setText(texts->getString(page + FIRST_TEXT), rect[0], rect[1],
                                          rect[2], rect[3]);
        return;
    }
    Game::Statics& g = Game::S();
    switch (g.stageKind) {
    case 12:
    case 14:
        g.stats[0] = 30;
        g.stageKind = 10;
        Main::S().game->saveState();
        break;
    case 10:
        break;
    default:
        g.stageKind = firstPage + extraPages;
        Main::S().game->saveState();
        break;
    }
    sceneManager->changeScene(NEXT_SCENE);
}

}  // namespace scene::maingame
