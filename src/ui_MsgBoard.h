// ui.MsgBoard: a panel for a message with answer buttons: a frame of the
// shared UI set, labels placed from the frame's boxes, a scrollable block
// of vertical text, and buttons whose touch rectangles are the frame's
// boxes of types 3, 4, ... The buttons carry no text: the board keeps one
// text id per button to tell which can be chosen (not id 0) and what was.
//
// The right half of the text box presses the up key, the left half the
// down key; the scene scrolls the text on them (scrollTextBack,
// scrollTextForward).
#pragma once

#include "VMClass.h"
#include "ui_Addon.h"
#include "wren_AnimPlayer.h"

namespace ui {

class MsgBoard : public Addon {
    WREN_CLASS(MsgBoard, Addon, (boardPlayer, wren::AnimPlayer))
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint PRESSED_FRAME = 4;
    static constexpr jint OWN_PRESSED_FRAME = 2;
    static constexpr jint PLAYER_ANIMATION = 4;
    static constexpr jint FIRST_BUTTON_BOX = 3;

    void ctor();

    // Advances boardPlayer by the current scene's measured frame time.
    void doUpdate() override;
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    void loadGraphics(jint frameId, jint x, jint y, jint width, jint height) override;
    // The panel's, then the pressed-button frame (4) from the UI set.
    void loadGraphicsById(jint frameId) override;
    // Board mode; registers the up and down regions and the buttons. The
    // buttons are hit-tested on the whole screen when the panel has no
    // width or its frame's box of type 2 has no height; otherwise on the
    // panel's rectangle, widened to take in every button.
    void layout() override;
    VMPtr<VMArray<jint>> getUpButtonRect() override;
    // Button i: the panel frame's box of type 3 + i, placed with it.
    VMPtr<VMArray<jint, 2>> getItemRects() override;
    VMPtr<VMArray<jint>> getDownButtonRect() override;
};

}  // namespace ui
