// wren.Paintable: the base of everything the framework draws and tests for
// collisions (graphic objects, frames, animation players, collision boxes).
// It fixes the virtual interface (size and offsets under a MIDP sprite
// transform, painting, the collision boxes and rectangles of the current
// shape) and builds tiled painting and the two collision tests between two
// placed Paintables on it. A collision rectangle is five ints of an int
// array: x, y, width, height, box type; a type of -1 in a query selects
// every type.
//
// The collision tests fetch boxes and rectangles into static buffers shared
// by every Paintable: one test at a time, from one thread. The box buffers
// are CollisionBox's statics (a static array of boxes needs the box class
// complete), the rectangle buffers this class's.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"

namespace wren {

namespace graphics {
class CollisionBox;
}

class Paintable : public virtual java::lang::Object {
    WREN_CLASS(Paintable, java::lang::Object)
public:
    struct Statics {
        // The buffers of the rectangle test, for the first and the second
        // Paintable; grown, never shrunk.
        VMStaticPtr<VMArray<jint>> sRectsA;
        VMStaticPtr<VMArray<jint>> sRectsB;
    };
    WREN_STATICS(Statics)

    void ctor() { java::lang::Object::ctor(); }

    // Whether some box of this one, placed at (x, y) under t and of `type`,
    // hits a box of `other` placed likewise; the first hitting pair is left
    // in CollisionBox's sHitA and sHitB (both null when none hits).
    virtual jboolean collides(jint x, jint y, jint t, jint type, const VMPtr<Paintable>& other,
                              jint ox, jint oy, jint ot, jint otype);
    // The same over collision rectangles; `out`, when not null, receives
    // the first overlap (left, top, width, height) and the two types.
    virtual jboolean collidesByRects(jint x, jint y, jint t, jint type,
                                     const VMPtr<Paintable>& other, jint ox, jint oy, jint ot,
                                     jint otype, const VMPtr<VMArray<jint>>& out);
    // Covers g's clip with copies under transform 0, on the grid through
    // (x, y) plus the untransformed offset. A width or height below 1 draws
    // nothing.
    virtual void paintTiled(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y);
    // Gob 0, Frame 1, AnimPlayer 2, a collision box its kind (3 or 4).
    virtual jint getType() = 0;
    // The rectangles of every type.
    virtual jint getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out);
    virtual jint getHeight(jint t) = 0;
    // Draws with the origin at (x, y) under t.
    virtual void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                       jint t) = 0;
    virtual void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    // Copies the boxes of `type` under t into out; how many there are.
    virtual jint getCollisionBoxes(jint t, const VMPtr<VMArray<graphics::CollisionBox*>>& out,
                                   jint type);
    // Writes the rectangles of `type` under t into out; how many there are.
    virtual jint getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out, jint type);
    virtual jint getWidth(jint t) = 0;
    virtual jint getCollisionBoxCount();
    // The shape's left and top edge relative to its origin under t.
    virtual jint getOffsetX(jint t) = 0;
    virtual jint getOffsetY(jint t) = 0;

    // Half-open rectangles that share at least one pixel: both must be at
    // least 1 wide and high, and touching edges do not overlap.
    static jboolean rectsOverlap(jint x1, jint y1, jint w1, jint h1, jint x2, jint y2, jint w2,
                                 jint h2);
};

}  // namespace wren
