// wren.platform.PlatformExtension: drawing operations beyond MIDP Graphics:
// a two-colour gradient fill, triangle and rectangle fills with an alpha of
// their own, and one operation that hands five ints to the platform.
#pragma once

#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"

namespace wren::platform {

class PlatformExtension : public virtual java::lang::Object {
    WREN_INTERFACE(PlatformExtension)
public:
    // From colour1 to colour2, both made opaque; along the width when
    // `across`, else along the height.
    virtual void fillGradient(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                              jint width, jint height, jint colour1, jint colour2,
                              jboolean across) = 0;
    // In the current colour at `alpha` (0 to 255); the Graphics' alpha is
    // as it was afterwards.
    virtual void fillTriangle(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x1,
                              jint y1, jint x2, jint y2, jint x3, jint y3, jint alpha) = 0;
    virtual void fillRect(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                          jint width, jint height, jint alpha) = 0;
    // Hands the five ints to the Graphics' reserved operation, which draws
    // nothing on this platform.
    virtual void reservedDraw(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint a, jint b,
                              jint c, jint d, jint e) = 0;
};

}  // namespace wren::platform
