#include "wren_platform_ExtendedGraphics.h"

WREN_DEFINE_CLASS(wren::platform::ExtendedGraphics, "wren.platform.ExtendedGraphics",
                  wren::platform::PlatformExtension)

namespace wren::platform {

using javax::microedition::lcdui::Graphics;

void ExtendedGraphics::fillGradient(const VMPtr<Graphics>& g, jint x, jint y, jint width,
                                    jint height, jint colour1, jint colour2, jboolean across) {
    g->fillGradient(x, y, width, height, colour1 | jint(0xFF000000), colour2 | jint(0xFF000000),
                    across);
}

void ExtendedGraphics::fillTriangle(const VMPtr<Graphics>& g, jint x1, jint y1, jint x2, jint y2,
                                    jint x3, jint y3, jint alpha) {
    jint old = g->getAlpha();
    if (old == alpha) {
        g->fillTriangle(x1, y1, x2, y2, x3, y3);
        return;
    }
    g->setAlpha(alpha);
    g->fillTriangle(x1, y1, x2, y2, x3, y3);
    g->setAlpha(old);
}

void ExtendedGraphics::fillRect(const VMPtr<Graphics>& g, jint x, jint y, jint width, jint height,
                                jint alpha) {
    jint old = g->getAlpha();
    if (old == alpha) {
        g->fillRect(x, y, width, height);
        return;
    }
    g->setAlpha(alpha);
    g->fillRect(x, y, width, height);
    g->setAlpha(old);
}

void ExtendedGraphics::reservedDraw(const VMPtr<Graphics>& g, jint a, jint b, jint c, jint d,
                                    jint e) {
    g->reservedDraw(a, b, c, d, e);
}

}  // namespace wren::platform
