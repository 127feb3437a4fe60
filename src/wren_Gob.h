// wren.Gob: one picture with an image of its own, an offset (where its
// top-left corner lies from the origin), an optional collision box (a
// rectangle or a circle, relative to the picture's corner) and a hint for
// the renderer on how much transparency the picture holds (0 none given,
// 1 opaque, 2 some pixels fully clear, 3 some partly clear), passed in bits
// 8 and 9 of drawRegion's transform. Drawn at a point under one of the
// eight MIDP sprite transforms, with the offset and the box mirrored and
// swapped along, so that the origin stays the pivot.
//
// Gobs are made in sets by the resource front end's loader: each cuts its
// pixels out of one shared sheet into the static row table, then every Gob
// gets an image of its own and the sheet is dropped. A Gob less than 1 by 1
// has no image and draws nothing.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_DataInputStream.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "javax_microedition_lcdui_Image.h"
#include "wren_Paintable.h"

namespace wren {

namespace graphics {
class CollisionBox;
class Rect;
class RGBFilter;
}  // namespace graphics

class GobAlphaImage;

class Gob : public Paintable {
    WREN_CLASS(Gob, Paintable, (image, javax::microedition::lcdui::Image))
public:
    jshort offsetY = 0;
    jshort offsetX = 0;
    jshort boxWidth = 0;
    jshort height = 0;
    jbyte alphaKind = 0;
    jshort boxX = 0;
    jshort boxY = 0;
    jshort boxHeight = 0;
    jboolean roundBox = false;
    jshort width = 0;

    struct Statics {
        // While a set loads: Gob i's pixels, width * height ARGB values row
        // by row; null outside a load.
        VMStaticPtr<VMArray<jint, 2>> rgbRows;
        jint rgbRowCount = 0;
    };
    WREN_STATICS(Statics)

    void ctor() { Paintable::ctor(); }

    using Paintable::getCollisionRects;
    using Paintable::paint;

    jint getType() override;
    jint getHeight(jint t) override;
    // The picture with its top-left corner at the origin plus the offset
    // under t; nothing when less than 1 by 1.
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
               jint t) override;
    // The box (type -1) into out[0] when out has room; 1 when the Gob has a
    // box, also when out is too short to take it.
    jint getCollisionBoxes(jint t, const VMPtr<VMArray<graphics::CollisionBox*>>& out,
                           jint type) override;
    jint getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out, jint type) override;
    jint getWidth(jint t) override;
    // 1 when the box is at least 1 by 1.
    jint getCollisionBoxCount() override;
    jint getOffsetX(jint t) override;
    jint getOffsetY(jint t) override;

    // Prints that it is not implemented and draws nothing.
    virtual void paintRegion(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint a, jint b,
                             jint c, jint d, jint e, jint f);
    // The box, placed at (x, y) under t and taken as a rectangle even when
    // round, against the rectangle.
    virtual jboolean collidesWithRect(jint x, jint y, jint t, jint rx, jint ry, jint rw, jint rh);
    virtual jboolean collidesWith(jint x, jint y, jint t, const VMPtr<Gob>& other, jint ox, jint oy,
                                  jint ot);
    // The other's box moved by (mx, my) and grown by (mw, mh).
    virtual jboolean collidesWith(jint x, jint y, jint t, const VMPtr<Gob>& other, jint ox, jint oy,
                                  jint ot, jint mx, jint my, jint mw, jint mh);
    // toAlphaImage with the alpha set on it.
    virtual VMPtr<GobAlphaImage> withAlpha(jint alpha);
    // A new alpha image made from this Gob.
    virtual VMPtr<GobAlphaImage> toAlphaImage();
    virtual jboolean isAlphaImage();
    virtual void paintCollisionBox(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x,
                                   jint y, jint t);
    virtual void setAlpha(jint alpha);
    virtual void applyFilter(const VMPtr<graphics::RGBFilter>& filter);
    // Paints clipped to the picture less the insets (given for the
    // untransformed picture; left and right, top and bottom swap with the
    // mirrors); g's clip is restored after.
    virtual void paintInset(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                            jint t, jint left, jint top, jint right, jint bottom);
    // Writes the box placed at (x, y) under t into out (type -1, kind 4 when
    // round, else 3), also when it is empty; whether the Gob has a box.
    virtual jboolean getCollisionBox(const VMPtr<graphics::CollisionBox>& out, jint x, jint y,
                                     jint t);
    // The untransformed picture rectangle placed at (x, y) against r; empty
    // rectangles are not rejected.
    virtual jboolean intersects(const VMPtr<graphics::Rect>& r, jint x, jint y);
    virtual jint getAlpha();
    virtual void copyExtraTo(const VMPtr<Gob>& dst);
    virtual void shareImage(const VMPtr<Gob>& dst);
    virtual VMPtr<Gob> asGob();
    virtual void copyImageTo(const VMPtr<Gob>& dst);
    // Hint, offset, size and box; not the image.
    virtual void copyFieldsTo(const VMPtr<Gob>& dst);
    // Takes the ten descriptor values (offsetX, offsetY, the picture's x
    // and y in the sheet, width, height, boxX, boxY, boxWidth with the round
    // flag in bit 15, boxHeight) and cuts the picture out of `image`, the
    // sheet, into the next row of rgbRows. A picture that leaves the sheet
    // is IllegalArgumentException, before anything is allocated for it.
    virtual void readDescriptor(const VMPtr<VMArray<jshort>>& d);
    virtual void dispose();

    // The box's left and top edge relative to the origin under t.
    jint getBoxOffsetX(jint t);
    jint getBoxOffsetY(jint t);

    // Lends every Gob the sheet image of sheetId, decoded with `palette`;
    // `in` is not read.
    static void assignSharedImage(const VMPtr<VMArray<Gob*>>& gobs, jint sheetId,
                                  const VMPtr<VMArray<jbyte>>& palette,
                                  const VMPtr<java::io::DataInputStream>& in);
    // An empty row table with a slot per Gob.
    static void prepareRGBBuffers(const VMPtr<VMArray<Gob*>>& gobs);
    // Drops the sheet, then gives every Gob an image of its own from its
    // row (with alpha when some pixel is not opaque); the rows go too.
    static void createRGBImages(const VMPtr<VMArray<Gob*>>& gobs);
    // A w by h Gob over the pixels whose box is the whole picture.
    static VMPtr<Gob> createFromRGB(const VMPtr<VMArray<jint>>& rgb, jint w, jint h,
                                    jboolean processAlpha);
    // Every element turned into an alpha image, unless the first is one.
    static void toAlphaImages(const VMPtr<VMArray<Gob*>>& gobs);
    // Rectangle lists (five ints each) tested pair by pair, a's before b's;
    // at the first overlap, out (when not null) receives the overlap's left,
    // top, width and height and a's and b's types.
    static jboolean collideRects(jint countA, const VMPtr<VMArray<jint>>& a, jint countB,
                                 const VMPtr<VMArray<jint>>& b, const VMPtr<VMArray<jint>>& out);
    static jboolean swapsAxes(jint t);

protected:
    bool hasBox() const { return boxWidth > 0 && boxHeight > 0; }
    bool hasPicture() const { return width >= 1 && height >= 1; }
    // The box's size under t.
    jint boxWidthAt(jint t) const { return (t & 4) ? boxHeight : boxWidth; }
    jint boxHeightAt(jint t) const { return (t & 4) ? boxWidth : boxHeight; }
};

}  // namespace wren
