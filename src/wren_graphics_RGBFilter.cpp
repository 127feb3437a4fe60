#include "wren_graphics_RGBFilter.h"

WREN_DEFINE_ABSTRACT_CLASS(wren::graphics::RGBFilter, "wren.graphics.RGBFilter")

namespace wren::graphics {

void RGBFilter::filter(const VMPtr<VMArray<jint>>& pixels) {
    for (jint i = pixels->length - 1; i >= 0; --i) {
        jint p = pixels[i];
        if (!isKey(p)) pixels[i] = filterRGB(p);
    }
}

}  // namespace wren::graphics
