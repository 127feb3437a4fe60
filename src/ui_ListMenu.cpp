#include "ui_ListMenu.h"

#include <algorithm>

#include "VMMath.h"
#include "java_lang_IllegalStateException.h"
#include "main_Main.h"
#include "ui_Scene.h"

WREN_DEFINE_CLASS(ui::ListMenu, "ui.ListMenu")

namespace ui {

using javax::microedition::lcdui::Graphics;

void ListMenu::ctor() { Addon::ctor(); }

void ListMenu::doUpdate() {
    if (!boardPlayer) return;
    VMPtr<Scene> scene = Scene::S().updating;
    boardPlayer->update(scene ? scene->realFrameTime : 0);
}

void ListMenu::layout() {
    listMode = true;
    if (acquireButtonSet())
        cellFrame = uiFrame(buttonAnimColumn, boardMode ? BOARD_CELL_FRAME : CELL_FRAME);
    setCellSize(cellFrame->getWidth(0), cellFrame->getHeight(0));
    // Cells without width would all fit and stand on one another.
    if (cellWidth <= 0)
        java::lang::IllegalStateException::throwNew(WREN_LIT("list cell frame has no width"));
    visibleItems = std::max(0, vmDiv(areaWidth, cellWidth));
    if (itemTextIds->length < visibleItems) visibleItems = itemTextIds->length;
    firstVisible = 0;
    selectedIndex = 0;
    itemGap = vmDiv(areaWidth - visibleItems * cellWidth, visibleItems + 1);
    // An empty page climbs nowhere.
    itemRise = visibleItems > 0 ? vmDiv(areaHeight - cellHeight, visibleItems) : 0;
    textOriginX = 0;
    dragOffset = 0;
    tickerOffset = 0;
    VMPtr<VMArray<jint>> area = VMArray<jint>::of({areaX, areaY, areaWidth, areaHeight});
    pointer->resetX();
    pointer->resetY();
    selectedIndex = -1;
    registerArrowRegions(getUpButtonRect(), getDownButtonRect(), getLeftButtonRect(),
                         getRightButtonRect());
    pointer->setRegions(getItemRects(), area);
    setItemDragLimits();
}

jint ListMenu::cellX(jint i) { return areaX + areaWidth + itemGap - i * (itemGap + cellWidth); }

jint ListMenu::cellY(jint i) { return areaY + (visibleItems - i) * itemRise; }

void ListMenu::paintCell(const VMPtr<Graphics>& g, jint frameId, jint i) {
    cellFrame = uiFrame(buttonAnimColumn, frameId);
    cellFrame->paint(g, cellX(i), cellY(i), 0);
    cellFrame = uiFrame(buttonAnimColumn, CELL_FRAME);
}

void ListMenu::paint(const VMPtr<Graphics>& g) {
    g->setColor(TEXT_COLOUR);
    if (listMode) {
        jint items = itemTextIds->length;
        if (visibleItems < items) {
            bool atStart = firstVisible == 0;
            bool atEnd = firstVisible + visibleItems == items;
            if (!atEnd) paintCell(g, MORE_AFTER_FRAME, visibleItems - 1);
            if (!atStart) paintCell(g, MORE_BEFORE_FRAME, 0);
        }
        selectFont(0);
        VMPtr<wren::util::text::RichFont> font = main::Main::S().richFont;
        for (jint i = 0; i < visibleItems && i < itemCount; ++i) {
            if (i == selectedIndex)
                paintCell(g, SELECTED_CELL_FRAME, i);
            else
                cellFrame->paint(g, cellX(i), cellY(i), 0);
            VMPtr<java::lang::String> s = textOf(itemTextIds[firstVisible + i]);
            font->drawString(g, s, cellX(i) - vmDiv(cellWidth - font->getHeight(), 2),
                             cellY(i) + vmDiv(cellHeight - font->stringWidth(s), 2), TOP_LEFT);
        }
        resetClip(g);
    }
    Addon::paint(g);
}

}  // namespace ui
