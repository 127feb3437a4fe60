// ui.MyObject: the base of every object a scene holds in its object array
// and updates and paints each frame (entity screens, panels and through
// them list menus and message boards, the play field's objects and
// monsters). It carries what the scene's pass works with: visible, frozen,
// whether the object wants a second update call, and its drawing depth.
//
// The frozen flag guards only `update`. The scene's own pass calls
// `doUpdate` straight for every visible object, and `postUpdate` for every
// object whose flag is set, visible or not: a hidden panel still sees its
// touches there.
#pragma once

#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "wren_WrenCanvas.h"

namespace ui {

class MyObject : public virtual java::lang::Object {
    WREN_CLASS(MyObject, java::lang::Object, (canvas, wren::WrenCanvas))
public:
    WREN_PLAIN_OBJECT()

    // Asks the scene's pass for a postUpdate call after the update.
    jboolean wantsPostUpdate = false;
    jboolean frozen = false;
    // The scene updates and paints the object only while set.
    jboolean visible = false;
    // The scene paints in ascending depth; its own layer goes at depth 40.
    jint depth = 0;

    // Takes the game canvas from main.Main; visible, not frozen, no
    // post-update, depth 0.
    void ctor();

    // Gives back what the object took (a screen's layers to the resource
    // cache, a panel's graphics). The scene calls it on removal and unload.
    virtual void release() = 0;
    // doUpdate unless frozen.
    virtual void update();
    virtual void postUpdate() = 0;
    // The object's per-frame body.
    virtual void doUpdate() = 0;
    virtual void setVisible(jboolean on);
    virtual jboolean hasPostUpdate();
    virtual jint getDepth();
    virtual void setFrozen(jboolean on);
    virtual jboolean isVisible();
    virtual void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) = 0;
    // Forgets the object's graphics without giving them back to the cache.
    virtual void dropResources() = 0;
    virtual jboolean isFrozen();
    virtual void setDepth(jint d);
    virtual void setPostUpdate(jboolean on);
};

}  // namespace ui
