// ui.Pointer: the game's view of the stylus. Once a frame it drains the
// framework's pointer event queue and keeps where the pointer went down,
// where it is, where it was one event before, and whether it is down or was
// just released; on that it answers the panels' and scenes' questions (drag
// distance, which of a list of rectangles is under the pointer, whether it
// lies in a rectangle). It also builds the virtual d-pad: touch key regions
// that press the canvas's up, down, left and right keys.
//
// All state is static: every object is a handle on the same stylus, and
// making one starts that state afresh. One pointer, index 0.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_graphics_CollisionBox.h"
#include "wren_input_PointerInputKeyRegion.h"

namespace ui {

class Pointer : public virtual java::lang::Object {
    WREN_CLASS(Pointer, java::lang::Object)
    WREN_PLAIN_OBJECT()
public:
    // The canvas keys of the d-pad, the Canvas game actions' numbers.
    static constexpr jbyte KEY_UP = 1;
    static constexpr jbyte KEY_LEFT = 2;
    static constexpr jbyte KEY_RIGHT = 5;
    static constexpr jbyte KEY_DOWN = 6;

    struct Statics {
        VMStaticPtr<VMArray<jint>> touchStartX;
        VMStaticPtr<VMArray<jint>> touchStartY;
        VMStaticPtr<VMArray<jint>> touchX;
        VMStaticPtr<VMArray<jint>> touchY;
        // The position before the latest drag or release.
        VMStaticPtr<VMArray<jint>> touchLastX;
        VMStaticPtr<VMArray<jint>> touchLastY;
        VMStaticPtr<VMArray<jboolean>> touchPressed;
        // Set by a release until the start of the next update.
        VMStaticPtr<VMArray<jboolean>> touchReleased;
        // What hitTestRegions searches; a point outside areaBox hits nothing.
        VMStaticPtr<VMArray<wren::graphics::CollisionBox*>> regionBoxes;
        VMStaticPtr<wren::graphics::CollisionBox> areaBox;
        // Holds a d-pad region (up, down, left, right) while it is handed to
        // the touch key manager.
        VMStaticPtr<VMArray<wren::input::PointerInputKeyRegion*>> keyRegions;
        // Finished drags add up here, kept within the drag limits.
        jint scrollX = 0;
        jint scrollY = 0;
        jint dragMaxX = 0;
        jint dragMaxY = 0;
        jint dragMinX = 0;
        jint dragMinY = 0;
    };
    WREN_STATICS(Statics)

    void ctor();

    virtual jint getX(jint p);
    virtual void addDownRegion(const VMPtr<VMArray<jint>>& rect);
    virtual jint getDragX(jint p);
    virtual void setScrollX(jint v);
    virtual jint getLastY(jint p);
    virtual void setDragLimits(jint maxX, jint maxY, jint minX, jint minY);
    virtual void setStartX(jint p, jint x);
    virtual void resetX();
    // The region under the pointer while it is down, else -1.
    virtual jint getPressedRegion(jint p);
    // The first region (in index order) holding the pointer's position,
    // -1 for none or outside the area.
    virtual jint hitTestRegions(jint p);
    virtual void addRightRegion(const VMPtr<VMArray<jint>>& rect);
    virtual jint getStartX(jint p);
    virtual void removeDownRegion(const VMPtr<VMArray<jint>>& rect);
    virtual jint getY(jint p);
    virtual void update();
    // rects: x, y, width, height per row; area likewise.
    virtual void setRegions(const VMPtr<VMArray<jint, 2>>& rects, const VMPtr<VMArray<jint>>& area);
    virtual void addUpRegion(const VMPtr<VMArray<jint>>& rect);
    // Drops every touch key region, then init.
    virtual void reset();
    virtual void init();
    virtual jint getPendingEventCount();
    virtual jint getDragY(jint p);
    virtual void setScrollY(jint v);
    virtual void removeUpRegion(const VMPtr<VMArray<jint>>& rect);
    virtual jint getLastX(jint p);
    virtual void removeLeftRegion(const VMPtr<VMArray<jint>>& rect);
    virtual void setStartY(jint p, jint y);
    virtual void addLeftRegion(const VMPtr<VMArray<jint>>& rect);
    // The region under the release point during the frame after a release,
    // else -1.
    virtual jint getReleasedRegion(jint p);
    // All four edges belong to the rectangle.
    virtual jboolean isInRect(const VMPtr<VMArray<jint>>& rect, jint p);
    virtual void resetY();
    virtual void removeRightRegion(const VMPtr<VMArray<jint>>& rect);
    virtual void processEvents();
    virtual jint getStartY(jint p);

private:
    // slot: 0 up, 1 down, 2 left, 3 right.
    static void addKeyRegion(jint slot, jbyte keyCode, const VMPtr<VMArray<jint>>& rect);
    static void removeKeyRegions(jbyte keyCode, const VMPtr<VMArray<jint>>& rect);
    // The finished drag added to the scroll values, kept within the limits.
    static void settleScroll();
};

}  // namespace ui
