#include "ui_MsgBoard.h"

#include <algorithm>

#include "VMMath.h"
#include "ui_ResManager.h"
#include "ui_Scene.h"

WREN_DEFINE_CLASS(ui::MsgBoard, "ui.MsgBoard")

namespace ui {

using javax::microedition::lcdui::Graphics;

void MsgBoard::ctor() { Addon::ctor(); }

void MsgBoard::doUpdate() {
    if (!boardPlayer) return;
    VMPtr<Scene> scene = Scene::S().updating;
    boardPlayer->update(scene ? scene->realFrameTime : 0);
}

void MsgBoard::loadGraphics(jint frameId, jint x, jint y, jint width, jint height) {
    Addon::loadGraphics(frameId, x, y, width, height);
}

void MsgBoard::loadGraphicsById(jint frameId) {
    Addon::loadGraphicsById(frameId);
    frameShown = true;
    if (acquireButtonSet()) cellFrame = uiFrame(buttonAnimColumn, PRESSED_FRAME);
    setCellSize(cellFrame->getWidth(0), cellFrame->getHeight(0));
    firstVisible = 0;
    selectedIndex = 0;
    textOriginX = 0;
    dragOffset = 0;
    tickerOffset = 0;
}

void MsgBoard::layout() {
    boardMode = true;
    VMPtr<VMArray<jint>> hitBox = boxOf(panelFrame, 2);
    if (acquireButtonSet()) {
        VMPtr<wren::AnimPlayer> player = wren::AnimPlayer::make();
        player->setAnimSet(ResManager::S().animSetPool[buttonAnimColumn]);
        player->setAnimation(PLAYER_ANIMATION);
        boardPlayer = player;
        cellFrame = uiFrame(buttonAnimColumn, OWN_PRESSED_FRAME);
    }
    setCellSize(cellFrame->getWidth(0), cellFrame->getHeight(0));
    VMPtr<VMArray<jint, 2>> buttons = getItemRects();
    jint left = panelX, top = panelY;
    jint right = panelX + panelWidth, bottom = panelY + panelHeight;
    if (panelWidth == 0 || hitBox[3] == 0) {
        left = top = 0;
        right = SCREEN_WIDTH;
        bottom = SCREEN_HEIGHT;
    } else {
        // The panel's rectangle starts at the frame's anchor, where the
        // frame may be drawn wholly beside it: a button outside it could
        // never be chosen.
        for (jint i = 0; i < buttons->length; ++i) {
            VMPtr<VMArray<jint>> b = buttons[i];
            if (b[2] < 1 || b[3] < 1) continue;
            left = std::min(left, b[0]);
            top = std::min(top, b[1]);
            right = std::max(right, b[0] + b[2]);
            bottom = std::max(bottom, b[1] + b[3]);
        }
    }
    VMPtr<VMArray<jint>> area = VMArray<jint>::of({left, top, right - left, bottom - top});
    pointer->resetX();
    pointer->resetY();
    registerArrowRegions(getUpButtonRect(), getDownButtonRect(), nullptr, nullptr);
    pointer->setRegions(buttons, area);
    setItemDragLimits();
}

VMPtr<VMArray<jint>> MsgBoard::getUpButtonRect() {
    jint half = vmDiv(textBoxWidth, 2);
    return VMArray<jint>::of({textBoxX + half, textBoxY, half, textBoxHeight, 0});
}

VMPtr<VMArray<jint>> MsgBoard::getDownButtonRect() {
    return VMArray<jint>::of({textBoxX, textBoxY, vmDiv(textBoxWidth, 2), textBoxHeight, 0});
}

VMPtr<VMArray<jint, 2>> MsgBoard::getItemRects() {
    jint n = std::max(0, itemCount);
    VMPtr<VMArray<jint, 2>> rects = VMArray<jint, 2>::create(n);
    for (jint i = 0; i < n; ++i) {
        VMPtr<VMArray<jint>> r = boxOf(panelFrame, FIRST_BUTTON_BOX + i);
        r[0] += panelX;
        r[1] += panelY;
        rects[i] = r;
    }
    return rects;
}

void MsgBoard::paint(const VMPtr<Graphics>& g) {
    g->setColor(TEXT_COLOUR);
    Addon::paint(g);
    if (!boardMode) return;
    selectFont(0);
    // The pressed button shows its highlight while the stylus stays down.
    if (!cellFrame || selectedIndex < 0 || selectedIndex >= itemCount) return;
    if (!Pointer::S().touchPressed[0]) return;
    VMPtr<VMArray<jint>> r = boxOf(panelFrame, FIRST_BUTTON_BOX + selectedIndex);
    jint x = r[0] + panelX, y = r[1] + panelY;
    cellFrame->paint(g, x + vmDiv(r[2], 2), y + vmDiv(r[3], 2), 0);
}

}  // namespace ui
