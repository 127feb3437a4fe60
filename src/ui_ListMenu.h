// ui.ListMenu: a panel that shows a list of items (text ids) a page at a
// time, as cells side by side from right to left, each holding its item's
// text as one vertical column. The scene pages it with the scroll keys
// (onScrollBackKey / onScrollForwardKey move the first item shown) and
// reads the item chosen by touch (getChosenId, getChosenIndex).
//
// Frames of the shared UI set: 12 the cell (5 in board mode), 13 the
// selected cell, 14 the marker of items after the page (at the leftmost
// cell), 15 that of items before it (at the rightmost cell). The cell's box
// of type 5 is its touch rectangle and the base of the up and down arrow
// regions; its boxes of types 3 and 4 give the left and right ones.
#pragma once

#include "VMClass.h"
#include "ui_Addon.h"
#include "wren_AnimPlayer.h"

namespace ui {

class ListMenu : public Addon {
    WREN_CLASS(ListMenu, Addon, (boardPlayer, wren::AnimPlayer))
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint CELL_FRAME = 12;
    static constexpr jint BOARD_CELL_FRAME = 5;
    static constexpr jint SELECTED_CELL_FRAME = 13;
    static constexpr jint MORE_AFTER_FRAME = 14;
    static constexpr jint MORE_BEFORE_FRAME = 15;

    void ctor();

    // Advances boardPlayer when there is one (a list menu sets none).
    void doUpdate() override;
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // Lays the page out over the area and registers the item and arrow
    // regions; after the item text ids are set, and again at will. A cell
    // frame without width is IllegalStateException; an empty list shows
    // nothing and registers no item.
    void layout() override;

private:
    // Where visible cell i (0 the rightmost) is drawn.
    jint cellX(jint i);
    jint cellY(jint i);
    void paintCell(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint frameId, jint i);
};

}  // namespace ui
