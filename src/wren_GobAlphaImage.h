// wren.GobAlphaImage: a graphic object drawn with an opacity of its own
// (0 invisible to 255 opaque, set as the Graphics' global alpha for the one
// draw), whose pixels can be rewritten through a colour filter. Made from a
// plain graphic object, whose geometry, hint, box and image it takes; a
// filter gives it an image of its own.
#pragma once

#include "wren_Gob.h"

namespace wren {

class GobAlphaImage : public Gob {
    WREN_CLASS(GobAlphaImage, Gob)
public:
    jshort alpha = 0;

    void ctor(const VMPtr<Gob>& src);

    using Gob::paint;

    // Nothing at alpha 0; otherwise the graphic object's draw with the
    // Graphics' alpha switched to this one's for the draw when it differs.
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
               jint t) override;
    // This object itself.
    VMPtr<GobAlphaImage> toAlphaImage() override;
    jboolean isAlphaImage() override;
    // Stored as a short, unchecked: the Graphics takes 0 to 255 only.
    void setAlpha(jint a) override;
    // The picture's pixels through the filter, as a new image of its own.
    // The hint becomes 1 when no pixel is left transparent. A picture less
    // than 1 by 1 has no pixels and stays as it is.
    void applyFilter(const VMPtr<graphics::RGBFilter>& filter) override;
    jint getAlpha() override;

    // The whole picture, row by row.
    VMPtr<VMArray<jint>> getPixels();
};

}  // namespace wren
