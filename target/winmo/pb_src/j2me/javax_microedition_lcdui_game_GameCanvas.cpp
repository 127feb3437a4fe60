#include "javax_microedition_lcdui_game_GameCanvas.h"

#include "HAL_input.h"
#include "HAL_status.h"
#include "HAL_surface.h"
#include "HAL_window.h"

WREN_DEFINE_CLASS(javax::microedition::lcdui::game::GameCanvas,
                  "javax.microedition.lcdui.game.GameCanvas")

namespace javax::microedition::lcdui::game {

using javax::microedition::lcdui::Graphics;

// The Graphics is not touched here: the sweep that frees this canvas may
// have freed it already. Deleting the buffer detaches its context, which
// the Graphics deletes in turn whenever it goes.
GameCanvas::~GameCanvas() {
    if (screenBuffer) HAL_deleteScreenBuffer(screenBuffer);
    screenBuffer = nullptr;
}

void GameCanvas::ctor(jboolean suppress) {
    Canvas::ctor();
    suppressKeyEvents = suppress;
    if (HAL_createScreenBuffer(nativeDisplayable, &screenBuffer) != HAL_OK)
        vmFatalError("HAL_createScreenBuffer() failed.");
}

VMPtr<Graphics> GameCanvas::getGraphics() {
    if (!graphics) {
        graphics = Graphics::createForScreenBuffer(screenBuffer);
    } else {
        graphics->resetForScreenBuffer(screenBuffer);
    }
    return graphics;
}

jint GameCanvas::getKeyStates() {
    return jint(HAL_getKeyStates());
}

void GameCanvas::flushGraphics() {
    if (HAL_flushScreenBuffer(screenBuffer) != HAL_OK)
        vmFatalError("HAL_flushScreenBuffer() failed.");
}

void GameCanvas::flushGraphics(jint x, jint y, jint width, jint height) {
    if (HAL_flushScreenBufferRegion(screenBuffer, x, y, width, height) != HAL_OK)
        vmFatalError("HAL_flushScreenBufferRegion() failed.");
}

void GameCanvas::paint(const VMPtr<Graphics>& g) {
    g->drawScreenBuffer(screenBuffer);
}

}  // namespace javax::microedition::lcdui::game
