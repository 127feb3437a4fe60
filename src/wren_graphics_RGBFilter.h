// wren.graphics.RGBFilter: the base of pixel filters. A subclass gives the
// new colour of one pixel; filter applies it to an ARGB array and leaves
// the colour key alone.
#pragma once

#include "VMArray.h"
#include "VMClass.h"

namespace wren::graphics {

class RGBFilter : public virtual java::lang::Object {
    WREN_CLASS(RGBFilter, java::lang::Object)
public:
    // Magenta with alpha 0.
    static constexpr jint KEY = 0x00FF00FF;

    void ctor() { java::lang::Object::ctor(); }

    // The new colour of one pixel.
    virtual jint filterRGB(jint argb) = 0;

    // Every element that is not the key goes through filterRGB, from the
    // last to the first. The key is compared as the screen stores it: an
    // RGB565 surface gives 0x00FF00FF back as 0x00F800F8, so both (and
    // whatever else falls on the key in RGB565 at alpha 0) are left as they
    // are, and keyed pixels stay keyed. Opaque magenta is filtered.
    void filter(const VMPtr<VMArray<jint>>& pixels);

    // Whether the pixel is the key as the screen stores it.
    static bool isKey(jint argb) { return (argb & jint(0xFFF8FCF8)) == (KEY & jint(0xFFF8FCF8)); }
};

}  // namespace wren::graphics
