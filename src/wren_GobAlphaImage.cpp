#include "wren_GobAlphaImage.h"

#include "wren_WrenCanvas.h"
#include "wren_graphics_RGBFilter.h"

// Made only from a graphic object: the class has no instance factory.
WREN_DEFINE_CLASS(wren::GobAlphaImage, "wren.GobAlphaImage")

namespace wren {

using javax::microedition::lcdui::Graphics;

void GobAlphaImage::ctor(const VMPtr<Gob>& src) {
    Gob::ctor();
    alpha = 255;
    src->copyFieldsTo(this);
    src->copyImageTo(this);
    src->copyExtraTo(this);
}

void GobAlphaImage::paint(const VMPtr<Graphics>& g, jint x, jint y, jint t) {
    if (alpha == 0 || !hasPicture()) return;
    jint dx = x + getOffsetX(t), dy = y + getOffsetY(t);
    jint transform = t | (alphaKind << 8);
    jint anchor = Graphics::TOP | Graphics::LEFT;
    jint old = g->getAlpha();
    if (old == alpha) {
        g->drawRegion(image, 0, 0, width, height, transform, dx, dy, anchor);
        return;
    }
    g->setAlpha(alpha);
    g->drawRegion(image, 0, 0, width, height, transform, dx, dy, anchor);
    g->setAlpha(old);
}

VMPtr<GobAlphaImage> GobAlphaImage::toAlphaImage() {
    return this;
}

jboolean GobAlphaImage::isAlphaImage() {
    return true;
}

void GobAlphaImage::setAlpha(jint a) {
    alpha = jshort(a);
}

void GobAlphaImage::applyFilter(const VMPtr<graphics::RGBFilter>& filter) {
    if (!hasPicture()) return;
    VMPtr<VMArray<jint>> pixels = getPixels();
    filter->filter(pixels);
    jboolean withAlpha = WrenCanvas::hasAlpha(pixels);
    if (!withAlpha) alphaKind = 1;
    VMPtr<Gob> filtered = createFromRGB(pixels, width, height, withAlpha);
    filtered->copyImageTo(this);
    filtered->copyExtraTo(this);
}

jint GobAlphaImage::getAlpha() {
    return alpha;
}

VMPtr<VMArray<jint>> GobAlphaImage::getPixels() {
    VMPtr<VMArray<jint>> pixels = VMArray<jint>::create(width * height);
    WrenCanvas::getRGB(image, pixels, 0, width, 0, 0, width, height);
    return pixels;
}

}  // namespace wren
