// javax.microedition.lcdui.Image: an image over a native image of the
// bridge, decoded from a resource or from bytes, made from ARGB ints, or
// blank and mutable so that a Graphics can draw into it. The bridge's
// statuses become the exceptions the MIDP contract names here.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"

struct NativeImage;

namespace javax::microedition::lcdui {

class Graphics;

class Image : public virtual java::lang::Object {
    WREN_CLASS(Image, java::lang::Object)
public:
    jint width = 0;
    jint height = 0;
    jboolean mutable_ = false;
    jboolean hasAlphaValue = false;
    jboolean hasAlphaCached = false;
    NativeImage* handle = nullptr;  // released by the destructor

    ~Image() override;

    // The resource of that name as this class resolves it (a leading '/'
    // dropped, else under this class's package folder). IOException
    // "HAL_createImageWithResource() error: <status>" when it is missing,
    // unreadable or does not decode.
    static VMPtr<Image> createImage(const VMPtr<java::lang::String>& name);
    // The encoded bytes data[offset .. offset + length). Bytes that do not
    // decode: IllegalArgumentException
    // "HAL_createImageWithData() error: HAL_BAD_FORMAT_ERR".
    static VMPtr<Image> createImage(const VMPtr<VMArray<jbyte>>& data, jint offset, jint length);
    // width * height ARGB ints, row by row.
    static VMPtr<Image> createRGBImage(const VMPtr<VMArray<jint>>& rgb, jint width, jint height,
                                       jboolean processAlpha);
    // An immutable copy of a region of `source` under a MIDP transform (0-7).
    // IllegalArgumentException for an empty region or one that leaves the
    // source, or another transform.
    static VMPtr<Image> createImage(const VMPtr<Image>& source, jint x, jint y, jint width,
                                    jint height, jint transform);
    // A mutable image filled with fillColor: opaque (the colour's alpha
    // ignored), or with an alpha plane and the colour's own alpha.
    static VMPtr<Image> createImage(jint width, jint height, jboolean withAlpha, jint fillColor);

    // IllegalStateException for an immutable image.
    virtual VMPtr<Graphics> getGraphics();
    virtual jint getWidth();
    virtual jint getHeight();
    virtual jboolean isMutable();
    virtual void getRGB(const VMPtr<VMArray<jint>>& rgb, jint offset, jint scanlength, jint x,
                        jint y, jint width, jint height);
    virtual jboolean hasAlpha();

private:
    // An image object over a native image it takes over.
    static VMPtr<Image> wrap(NativeImage* handle, jint width, jint height, jboolean isMutable);
};

}  // namespace javax::microedition::lcdui
