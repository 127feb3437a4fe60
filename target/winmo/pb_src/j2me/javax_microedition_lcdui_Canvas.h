// javax.microedition.lcdui.Canvas: a displayable over a native canvas of the
// host, which turns the window's keys and stylus into the key and pointer
// callbacks here.
#pragma once

#include "javax_microedition_lcdui_Displayable.h"

namespace javax::microedition::lcdui {

class Canvas : public Displayable {
    WREN_CLASS(Canvas, Displayable)
public:
    enum : jint {
        UP = 1,
        LEFT = 2,
        RIGHT = 5,
        DOWN = 6,
        FIRE = 8,
        GAME_A = 9,
        GAME_B = 10,
        GAME_C = 11,
        GAME_D = 12,
        KEY_NUM0 = 48,
        KEY_NUM1 = 49,
        KEY_NUM2 = 50,
        KEY_NUM3 = 51,
        KEY_NUM4 = 52,
        KEY_NUM5 = 53,
        KEY_NUM6 = 54,
        KEY_NUM7 = 55,
        KEY_NUM8 = 56,
        KEY_NUM9 = 57,
        KEY_STAR = 42,
        KEY_POUND = 35,
    };

    jboolean suppressKeyEvents = false;
    jboolean pointerEvents = false;
    jboolean pointerMotionEvents = false;
    jboolean repeatEvents = false;
    jint doubleBuffered = 0;

    ~Canvas() override;
    void ctor();

    virtual jboolean isDoubleBuffered();
    virtual jboolean hasPointerEvents();
    virtual jboolean hasPointerMotionEvents();
    virtual jboolean hasRepeatEvents();
    // A game action without a key throws IllegalArgumentException.
    virtual jint getKeyCode(jint gameAction);
    virtual VMPtr<java::lang::String> getKeyName(jint keyCode);
    virtual jint getGameAction(jint keyCode);
    virtual void setFullScreenMode(jboolean on);
    virtual void paint(const VMPtr<Graphics>& g) = 0;
    virtual void keyPressed(jint keyCode);
    virtual void keyRepeated(jint keyCode);
    virtual void keyReleased(jint keyCode);
    virtual void pointerPressed(jint x, jint y);
    virtual void pointerReleased(jint x, jint y);
    virtual void pointerDragged(jint x, jint y);
    virtual void showNotify();
    virtual void hideNotify();

    void callPaint(const VMPtr<Graphics>& g) override;
    void callKeyPressed(jint keyCode) override;
    void callKeyRepeated(jint keyCode) override;
    void callKeyReleased(jint keyCode) override;
    void callPointerPressed(jint x, jint y) override;
    void callPointerReleased(jint x, jint y) override;
    void callPointerDragged(jint x, jint y) override;
    void callShowNotify() override;
    void callHideNotify() override;

private:
    // False when a canvas that suppresses key events gets a game-action key.
    bool keyEventAllowed(jint keyCode);
};

}  // namespace javax::microedition::lcdui
