#include "wren_Gob.h"

#include <algorithm>

#include "java_io_PrintStream.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_System.h"
#include "wren_GobAlphaImage.h"
#include "wren_Resources.h"
#include "wren_WrenCanvas.h"
#include "wren_graphics_CollisionBox.h"
#include "wren_graphics_RGBFilter.h"
#include "wren_graphics_Rect.h"

WREN_DEFINE_CLASS(wren::Gob, "wren.Gob")

namespace wren {

using graphics::CollisionBox;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;

jint Gob::getType() {
    return 0;
}

jint Gob::getHeight(jint t) {
    return (t & 4) ? width : height;
}

void Gob::paint(const VMPtr<Graphics>& g, jint x, jint y, jint t) {
    jint dx = x + getOffsetX(t), dy = y + getOffsetY(t);
    if (hasPicture())
        g->drawRegion(image, 0, 0, width, height, t | (alphaKind << 8), dx, dy,
                      Graphics::TOP | Graphics::LEFT);
}

jint Gob::getCollisionBoxes(jint t, const VMPtr<VMArray<CollisionBox*>>& out, jint type) {
    if (!hasBox()) return 0;
    if (out->length >= 1) getCollisionBox(out[0], 0, 0, t);
    return 1;
}

jint Gob::getCollisionRects(jint t, const VMPtr<VMArray<jint>>& out, jint type) {
    if (!hasBox()) return 0;
    if (out->length >= 5) {
        out[0] = getBoxOffsetX(t);
        out[1] = getBoxOffsetY(t);
        out[2] = boxWidthAt(t);
        out[3] = boxHeightAt(t);
        out[4] = -1;
    }
    return 1;
}

jint Gob::getWidth(jint t) {
    return (t & 4) ? height : width;
}

jint Gob::getCollisionBoxCount() {
    return hasBox() ? 1 : 0;
}

jint Gob::getOffsetX(jint t) {
    if (t & 4) return (t & 1) ? -(offsetY + height) : offsetY;
    return (t & 2) ? -(offsetX + width) : offsetX;
}

jint Gob::getOffsetY(jint t) {
    if (t & 4) return (t & 2) ? -(offsetX + width) : offsetX;
    return (t & 1) ? -(offsetY + height) : offsetY;
}

jint Gob::getBoxOffsetX(jint t) {
    if (t & 4) return (t & 1) ? -(boxY + offsetY + boxHeight) : offsetY + boxY;
    return (t & 2) ? -(boxX + offsetX + boxWidth) : offsetX + boxX;
}

jint Gob::getBoxOffsetY(jint t) {
    if (t & 4) return (t & 2) ? -(boxX + offsetX + boxWidth) : offsetX + boxX;
    return (t & 1) ? -(boxY + offsetY + boxHeight) : offsetY + boxY;
}

void Gob::paintRegion(const VMPtr<Graphics>& g, jint a, jint b, jint c, jint d, jint e, jint f) {
    java::lang::System::S().out->println(
        WREN_LIT("<UPCOMING FEATURE COMING SOON> This is not yet implemented"));
}

jboolean Gob::collidesWithRect(jint x, jint y, jint t, jint rx, jint ry, jint rw, jint rh) {
    return rectsOverlap(x + getBoxOffsetX(t), y + getBoxOffsetY(t), boxWidthAt(t), boxHeightAt(t),
                        rx, ry, rw, rh);
}

jboolean Gob::collidesWith(jint x, jint y, jint t, const VMPtr<Gob>& other, jint ox, jint oy,
                           jint ot) {
    return collidesWithRect(x, y, t, ox + other->getBoxOffsetX(ot), oy + other->getBoxOffsetY(ot),
                            other->boxWidthAt(ot), other->boxHeightAt(ot));
}

jboolean Gob::collidesWith(jint x, jint y, jint t, const VMPtr<Gob>& other, jint ox, jint oy,
                           jint ot, jint mx, jint my, jint mw, jint mh) {
    return collidesWithRect(x, y, t, ox + other->getBoxOffsetX(ot) + mx,
                            oy + other->getBoxOffsetY(ot) + my, other->boxWidthAt(ot) + mw,
                            other->boxHeightAt(ot) + mh);
}

VMPtr<GobAlphaImage> Gob::withAlpha(jint alpha) {
    VMPtr<GobAlphaImage> a = toAlphaImage();
    a->setAlpha(alpha);
    return a;
}

VMPtr<GobAlphaImage> Gob::toAlphaImage() {
    return GobAlphaImage::make(VMPtr<Gob>(this));
}

jboolean Gob::isAlphaImage() {
    return false;
}

void Gob::paintCollisionBox(const VMPtr<Graphics>& g, jint x, jint y, jint t) {
    VMPtr<CollisionBox> scratch = CollisionBox::S().sScratchBox;
    if (getCollisionBox(scratch, x, y, t)) scratch->paint(g);
}

void Gob::setAlpha(jint alpha) {}

void Gob::applyFilter(const VMPtr<graphics::RGBFilter>& filter) {}

void Gob::paintInset(const VMPtr<Graphics>& g, jint x, jint y, jint t, jint left, jint top,
                     jint right, jint bottom) {
    if (left == 0 && top == 0 && right == 0 && bottom == 0) {
        paint(g, x, y, t);
        return;
    }
    jint cx = g->getClipX(), cy = g->getClipY(), cw = g->getClipWidth(), ch = g->getClipHeight();
    g->clipRect(x + getOffsetX(t) + ((t & 2) ? right : left),
                y + getOffsetY(t) + ((t & 1) ? bottom : top), width - left - right,
                height - top - bottom);
    paint(g, x, y, t);
    g->setClip(cx, cy, cw, ch);
}

jboolean Gob::getCollisionBox(const VMPtr<CollisionBox>& out, jint x, jint y, jint t) {
    out->x = x + getBoxOffsetX(t);
    out->y = y + getBoxOffsetY(t);
    out->width = boxWidthAt(t);
    out->height = boxHeightAt(t);
    out->type = -1;
    out->kind = roundBox ? CollisionBox::CIRCLE : CollisionBox::RECTANGLE;
    return hasBox();
}

jboolean Gob::intersects(const VMPtr<graphics::Rect>& r, jint x, jint y) {
    jint ax = x + offsetX, ay = y + offsetY;
    return r->x + r->width > ax && r->y + r->height > ay && ax + width > r->x && ay + height > r->y;
}

jint Gob::getAlpha() {
    return 255;
}

void Gob::copyExtraTo(const VMPtr<Gob>& dst) {}

void Gob::shareImage(const VMPtr<Gob>& dst) {
    copyImageTo(dst);
}

VMPtr<Gob> Gob::asGob() {
    return this;
}

void Gob::copyImageTo(const VMPtr<Gob>& dst) {
    dst->image = image;
}

void Gob::copyFieldsTo(const VMPtr<Gob>& dst) {
    dst->alphaKind = alphaKind;
    dst->offsetX = offsetX;
    dst->offsetY = offsetY;
    dst->width = width;
    dst->height = height;
    dst->boxX = boxX;
    dst->boxY = boxY;
    dst->boxWidth = boxWidth;
    dst->boxHeight = boxHeight;
    dst->roundBox = roundBox;
}

void Gob::readDescriptor(const VMPtr<VMArray<jshort>>& d) {
    offsetX = d[0];
    offsetY = d[1];
    width = d[4];
    height = d[5];
    boxX = d[6];
    boxY = d[7];
    boxWidth = jshort(d[8] & 0x7FFF);
    boxHeight = d[9];
    roundBox = (d[8] & 0x8000) != 0;
    jint sx = d[2], sy = d[3];
    VMPtr<VMArray<jint>> row;
    if (hasPicture()) {
        // Checked before the row is allocated: a descriptor may ask for up
        // to 32767 by 32767 pixels, far more than any sheet holds.
        if (sx < 0 || sy < 0 || int64_t(sx) + width > image->getWidth() ||
            int64_t(sy) + height > image->getHeight())
            java::lang::IllegalArgumentException::throwNew(
                WREN_LIT("graphic object outside its sheet"));
        row = VMArray<jint>::create(width * height);
        WrenCanvas::getRGB(image, row, 0, width, sx, sy, width, height);
    } else if (width < 0 || height < 0) {
        java::lang::IllegalArgumentException::throwNew(WREN_LIT("graphic object of negative size"));
    } else {
        row = VMArray<jint>::create(0);
    }
    Statics& s = S();
    s.rgbRows[s.rgbRowCount] = row;
    s.rgbRowCount += 1;
}

void Gob::dispose() {}

void Gob::assignSharedImage(const VMPtr<VMArray<Gob*>>& gobs, jint sheetId,
                            const VMPtr<VMArray<jbyte>>& palette,
                            const VMPtr<java::io::DataInputStream>& in) {
    clinit();
    VMPtr<Image> sheet = Resources::getImage(sheetId, palette);
    for (jint i = 0; i < gobs->length; ++i) gobs[i]->image = sheet;
}

void Gob::prepareRGBBuffers(const VMPtr<VMArray<Gob*>>& gobs) {
    Statics& s = S();
    s.rgbRows = VMArray<jint, 2>::create(gobs->length);
    s.rgbRowCount = 0;
}

void Gob::createRGBImages(const VMPtr<VMArray<Gob*>>& gobs) {
    Statics& s = S();
    for (jint i = 0; i < gobs->length; ++i) gobs[i]->image = nullptr;
    VMPtr<VMArray<jint, 2>> rows = s.rgbRows;
    for (jint i = 0; i < gobs->length; ++i) {
        VMPtr<Gob> gob = gobs[i];
        VMPtr<VMArray<jint>> row = rows[i];
        // Image creation refuses sizes below 1: such a Gob keeps no image.
        if (gob->hasPicture())
            gob->image =
                WrenCanvas::createRGBImage(row, gob->width, gob->height, WrenCanvas::hasAlpha(row));
        rows[i] = nullptr;
    }
    s.rgbRows = nullptr;
}

VMPtr<Gob> Gob::createFromRGB(const VMPtr<VMArray<jint>>& rgb, jint w, jint h,
                              jboolean processAlpha) {
    VMPtr<Gob> g = Gob::make();
    g->alphaKind =
        jbyte(processAlpha ? WrenCanvas::getAlphaKind(rgb, 0, 0, 0, 0, rgb->length, 1) : 1);
    g->image = WrenCanvas::createRGBImage(rgb, w, h, processAlpha);
    g->width = g->boxWidth = jshort(w);
    g->height = g->boxHeight = jshort(h);
    return g;
}

void Gob::toAlphaImages(const VMPtr<VMArray<Gob*>>& gobs) {
    clinit();
    if (gobs->length == 0 || gobs[0]->isAlphaImage()) return;
    for (jint i = 0; i < gobs->length; ++i) gobs[i] = gobs[i]->toAlphaImage();
}

jboolean Gob::collideRects(jint countA, const VMPtr<VMArray<jint>>& a, jint countB,
                           const VMPtr<VMArray<jint>>& b, const VMPtr<VMArray<jint>>& out) {
    clinit();
    for (jint i = 0; i < countA; ++i) {
        jint ax = a[5 * i], ay = a[5 * i + 1], aw = a[5 * i + 2], ah = a[5 * i + 3];
        for (jint j = 0; j < countB; ++j) {
            jint bx = b[5 * j], by = b[5 * j + 1], bw = b[5 * j + 2], bh = b[5 * j + 3];
            if (!rectsOverlap(ax, ay, aw, ah, bx, by, bw, bh)) continue;
            if (out != nullptr) {
                out[0] = std::max(ax, bx);
                out[1] = std::max(ay, by);
                out[2] = std::min(ax + aw, bx + bw) - out[0];
                out[3] = std::min(ay + ah, by + bh) - out[1];
                out[4] = a[5 * i + 4];
                out[5] = b[5 * j + 4];
            }
            return true;
        }
    }
    return false;
}

jboolean Gob::swapsAxes(jint t) {
    clinit();
    return (t & 4) != 0;
}

}  // namespace wren
