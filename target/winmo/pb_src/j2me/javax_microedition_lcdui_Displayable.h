// javax.microedition.lcdui.Displayable: what the Display can show. It owns
// a native display object of the host and keeps the title, ticker, commands
// and command listener. Every field change, and every native call on it,
// holds the Display's displayLock; every application callback its eventLock.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Command.h"
#include "javax_microedition_lcdui_CommandListener.h"
#include "javax_microedition_lcdui_Ticker.h"

class NativeDisplayable;

namespace javax::microedition::lcdui {

class Graphics;

class Displayable : public virtual java::lang::Object {
    WREN_CLASS(Displayable, java::lang::Object, (commands, VMArray<Command*>),
               (listener, CommandListener), (title, java::lang::String), (ticker, Ticker))
public:
    jboolean fullScreen = false;
    jint commandCount = 0;
    NativeDisplayable* nativeDisplayable = nullptr;

    // With the host's display object.
    void ctor(NativeDisplayable* native);

    virtual VMPtr<java::lang::String> getTitle();
    virtual void setTitle(const VMPtr<java::lang::String>& s);
    virtual VMPtr<Ticker> getTicker();
    virtual void setTicker(const VMPtr<Ticker>& t);
    virtual jboolean isShown();
    virtual void addCommand(const VMPtr<Command>& cmd);
    virtual void removeCommand(const VMPtr<Command>& cmd);
    virtual void setCommandListener(const VMPtr<CommandListener>& l);
    virtual jint getWidth();
    virtual jint getHeight();
    virtual void callSizeChanged(jint w, jint h);
    virtual void callPaint(const VMPtr<Graphics>& g);
    virtual void callKeyPressed(jint keyCode);
    virtual void callKeyRepeated(jint keyCode);
    virtual void callKeyReleased(jint keyCode);
    virtual void callPointerPressed(jint x, jint y);
    virtual void callPointerReleased(jint x, jint y);
    virtual void callPointerDragged(jint x, jint y);
    virtual void callShowNotify();
    virtual void callHideNotify();
    virtual void sizeChanged(jint w, jint h);
    // The index the command went to, or -1 when it was there already.
    virtual jint addCommandToArray(const VMPtr<Command>& cmd);
    // The index it was found at (the last command moves there), or -1.
    virtual jint removeCommandFromArray(const VMPtr<Command>& cmd);

    // The number the host's events name this displayable by.
    intptr_t displayId() { return reinterpret_cast<intptr_t>(vmObj(this)); }
};

}  // namespace javax::microedition::lcdui
