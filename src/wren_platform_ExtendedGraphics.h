// wren.platform.ExtendedGraphics: the platform extension over the system's
// Graphics, which offers the gradient, the alpha and the reserved operation
// itself.
#pragma once

#include "VMClass.h"
#include "wren_platform_PlatformExtension.h"

namespace wren::platform {

class ExtendedGraphics : public virtual java::lang::Object, public virtual PlatformExtension {
    WREN_CLASS(ExtendedGraphics, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }

    void fillGradient(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                      jint width, jint height, jint colour1, jint colour2,
                      jboolean across) override;
    // An alpha outside 0 to 255 is the Graphics' IllegalArgumentException,
    // before anything is drawn, unless it is the alpha the Graphics has.
    void fillTriangle(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x1, jint y1,
                      jint x2, jint y2, jint x3, jint y3, jint alpha) override;
    void fillRect(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y, jint width,
                  jint height, jint alpha) override;
    void reservedDraw(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint a, jint b, jint c,
                      jint d, jint e) override;
};

}  // namespace wren::platform
