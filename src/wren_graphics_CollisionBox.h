// wren.graphics.CollisionBox: a placed rectangle (kind 3) or circle (kind 4,
// diameter = width) with a caller-defined type: the unit of the box
// collision tests, and a box outline or fill to draw. The rectangle covers
// x <= px < x + width, y <= py < y + height; a circle has radius
// r = width >> 1 around (x + r, y + r), and its height is used only for
// drawing. The tests take every kind other than 3 for a circle; drawing
// draws kind 4 as an ellipse and every other kind as a rectangle.
//
// Rectangles less than 1 wide or high, and circles less than 1 wide, never
// collide; a circle's height plays no part in any collision test.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "wren_Paintable.h"

namespace wren::graphics {

class CollisionBox : public Paintable {
    WREN_CLASS(CollisionBox, Paintable)
public:
    static constexpr jint RECTANGLE = 3;
    static constexpr jint CIRCLE = 4;

    jint height = 0;
    jint colour = 0;  // 0xAARRGGBB, drawn when useColour is set
    jint width = 0;
    jint type = 0;  // -1 for a box a graphic object wrote
    jint kind = 0;
    jboolean useColour = false;
    jint y = 0;
    jboolean filled = false;
    jint x = 0;

    struct Statics {
        // A box lent to whoever needs a temporary rectangle.
        VMStaticPtr<CollisionBox> sScratchBox;
        // After collideLists: the first list's box that hit and the second
        // list's box it hit, or both null.
        VMStaticPtr<CollisionBox> sHitA;
        VMStaticPtr<CollisionBox> sHitB;
        // The box buffers of Paintable's box test, for the first and the
        // second Paintable; grown, never shrunk.
        VMStaticPtr<VMArray<CollisionBox*>> sBoxesA;
        VMStaticPtr<VMArray<CollisionBox*>> sBoxesB;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // A rectangle at 0, 0 of no size.
    void ctor();
    void ctor(jint kind);
    void ctor(jint x, jint y, jint width, jint height, jint kind);

    using Paintable::getCollisionRects;

    jint getType() override;
    jint getHeight(jint t) override;
    // The box moved by (dx, dy) for the drawing; the transform is ignored.
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint dx, jint dy,
               jint t) override;
    // The outline or fill, in `colour` when useColour is set (the Graphics'
    // colour is restored after); nothing below 1 by 1.
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // This box, into out[0] when out has room, when it is not empty and of
    // `type` (any type when below 0): 1, else 0.
    jint getCollisionBoxes(jint t, const VMPtr<VMArray<CollisionBox*>>& out, jint type) override;
    jint getWidth(jint t) override;
    jint getCollisionBoxCount() override;
    jint getOffsetX(jint t) override;
    jint getOffsetY(jint t) override;

    virtual void setSize(jint w, jint h);
    // This box becomes the overlap of a and b, a rectangle; boxes that do
    // not overlap give a width or height of 0 or less.
    virtual void intersect(const VMPtr<CollisionBox>& a, const VMPtr<CollisionBox>& b);
    virtual void move(jint dx, jint dy);
    virtual jboolean intersects(jint x, jint y, jint w, jint h);
    virtual jboolean intersects(const VMPtr<CollisionBox>& o);
    virtual void setBounds(const VMPtr<CollisionBox>& o);
    virtual void setBounds(jint x, jint y, jint w, jint h);
    virtual void setPosition(jint x, jint y);
    // Position, size, type and kind.
    virtual void copyTo(const VMPtr<CollisionBox>& o);
    // Whether o overlaps this box's extent placed at (x, y) under t. Empty
    // extents are not rejected: this places, it does not collide.
    virtual jboolean intersectsAt(const VMPtr<CollisionBox>& o, jint x, jint y, jint t);
    virtual jboolean intersectsAt(const VMPtr<CollisionBox>& o, jint x, jint y);
    // The extents, whatever the kind; both must be at least 1 by 1.
    virtual jboolean contains(jint x, jint y, jint w, jint h);
    virtual jboolean containsPoint(jint px, jint py);
    virtual jboolean contains(const VMPtr<CollisionBox>& o);
    // Every field.
    virtual void copyAllTo(const VMPtr<CollisionBox>& o);
    // This box becomes the bounding rectangle of a and b.
    virtual void unite(const VMPtr<CollisionBox>& a, const VMPtr<CollisionBox>& b);
    virtual jboolean isEmpty();

    // "x,y:3,4, WxH:10,20".
    VMPtr<java::lang::String> toString() override;

    // Whether the circle of radius r around (cx, cy) reaches the rectangle.
    static jboolean circleHitsRect(jint cx, jint cy, jint r, const VMPtr<CollisionBox>& rect);
    // Every a[i] against every b[j] in that order; the first hit is left in
    // sHitA and sHitB.
    static jboolean collideLists(jint countA, const VMPtr<VMArray<CollisionBox*>>& a, jint countB,
                                 const VMPtr<VMArray<CollisionBox*>>& b);
    // `boxes` when it holds at least n slots, else a new array of
    // max(n, 4). Every slot of the array handed back holds a box, so that a
    // later, longer list finds boxes to fill; the old array's boxes are not
    // carried over.
    static VMPtr<VMArray<CollisionBox*>> ensureBoxes(const VMPtr<VMArray<CollisionBox*>>& boxes,
                                                     jint n);

private:
    bool hasExtent() const { return width >= 1 && height >= 1; }
    // What a collision test asks of a box before it measures: a rectangle
    // its extent, a circle only its diameter.
    bool mayCollide() const { return kind == RECTANGLE ? hasExtent() : width >= 1; }
};

}  // namespace wren::graphics
