// javax.microedition.lcdui.game.GameCanvas: a canvas with an off-screen
// frame (the host's screen buffer) drawn through one shared Graphics and
// shown by flushing, and key-state polling.
#pragma once

#include "javax_microedition_lcdui_Canvas.h"
#include "javax_microedition_lcdui_Graphics.h"

class ScreenBuffer;

namespace javax::microedition::lcdui::game {

class GameCanvas : public javax::microedition::lcdui::Canvas {
    WREN_CLASS(GameCanvas, javax::microedition::lcdui::Canvas,
               (graphics, javax::microedition::lcdui::Graphics))
public:
    enum : jint {
        UP_PRESSED = 1 << 1,
        DOWN_PRESSED = 1 << 6,
        LEFT_PRESSED = 1 << 2,
        RIGHT_PRESSED = 1 << 5,
        FIRE_PRESSED = 1 << 8,
        GAME_A_PRESSED = 1 << 9,
        GAME_B_PRESSED = 1 << 10,
        GAME_C_PRESSED = 1 << 11,
        GAME_D_PRESSED = 1 << 12,
    };

    ScreenBuffer* screenBuffer = nullptr;

    ~GameCanvas() override;
    void ctor(jboolean suppressKeyEvents);

    // The first call makes the Graphics over the frame; later calls reset
    // and return that same one.
    virtual VMPtr<javax::microedition::lcdui::Graphics> getGraphics();
    // The game actions of the keys pressed since the last call.
    virtual jint getKeyStates();
    // Shows the frame; from a thread other than the UI thread it returns
    // once the UI thread has presented it.
    virtual void flushGraphics();
    virtual void flushGraphics(jint x, jint y, jint width, jint height);
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
};

}  // namespace javax::microedition::lcdui::game
