// javax.microedition.lcdui.Font: a face, style and size over a native font
// record of the bridge. Fonts are shared: one object per distinct face,
// style and size from a cache, and one fixed default font.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_util_Hashtable.h"

struct FontRecord;

namespace javax::microedition::lcdui {

class Font : public virtual java::lang::Object {
    WREN_CLASS(Font, java::lang::Object)
public:
    static constexpr jint FACE_SYSTEM = 0;
    static constexpr jint FACE_MONOSPACE = 32;
    static constexpr jint FACE_PROPORTIONAL = 64;
    static constexpr jint STYLE_PLAIN = 0;
    static constexpr jint STYLE_BOLD = 1;
    static constexpr jint STYLE_ITALIC = 2;
    static constexpr jint STYLE_UNDERLINED = 4;
    static constexpr jint SIZE_MEDIUM = 0;
    static constexpr jint SIZE_SMALL = 8;
    static constexpr jint SIZE_LARGE = 16;

    jint face = 0;
    jint style = 0;
    jint size = 0;
    jint height = 0;
    jint baseline = 0;
    // Owned by the bridge's font cache: valid until shutdown.
    FontRecord* record = nullptr;

    struct Statics {
        VMStaticPtr<java::util::Hashtable> cache;
        VMStaticPtr<Font> defaultFont;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // A failure of the bridge to make the font is fatal.
    void ctor(jint face, jint style, jint size);

    // IllegalArgumentException "Unsupported face" / "Unsupported style" /
    // "Unsupported size"; the same object for the same three values.
    static VMPtr<Font> getFont(jint face, jint style, jint size);
    // Not the object getFont(0, 0, 0) returns, but one with the same metrics.
    static VMPtr<Font> getDefaultFont();

    virtual jint getStyle();
    virtual jint getSize();
    virtual jint getFace();
    virtual jboolean isPlain();
    virtual jboolean isBold();
    virtual jboolean isItalic();
    virtual jboolean isUnderlined();
    virtual jint getHeight();
    virtual jint getBaselinePosition();
    virtual jint charWidth(jchar ch);
    virtual jint charsWidth(const VMPtr<VMArray<jchar>>& ch, jint offset, jint length);
    virtual jint substringWidth(const VMPtr<java::lang::String>& str, jint offset, jint len);
    virtual jint stringWidth(const VMPtr<java::lang::String>& str);
};

}  // namespace javax::microedition::lcdui
