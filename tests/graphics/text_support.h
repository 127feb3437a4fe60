// What the text tests share: Strings to and from UTF-16, the fixture font,
// and tables built from bytes.
#pragma once

#include <string>

#include "graphics_support.h"
#include "java_lang_String.h"
#include "runtime/runtime_test_support.h"
#include "wren_util_text_RichFont.h"

namespace textfw {

using wrentest::thrownName;

inline VMPtr<java::lang::String> jstr(const std::u16string& s) {
    return java::lang::String::make(reinterpret_cast<const jchar*>(s.data()), jint(s.size()));
}

inline std::u16string u16(const VMPtr<java::lang::String>& s) {
    std::u16string out;
    for (jint i = 0; i < s->length(); ++i) out += char16_t(s->charAt(i));
    return out;
}

// The glyph set of fixtures/gobs/src/font.font, as loaded (stored form).
constexpr jint kFontId = (12 << 10) | 1;

inline VMPtr<VMArray<wren::Gob*>> fontGlyphs() {
    gfxfw::installGobPacks();
    VMPtr<VMArray<wren::Gob*>> glyphs = wren::Resources::loadGobs(kFontId);
    wren::Resources::closePack();
    return glyphs;
}

// A bitmap font over a freshly loaded copy of the fixture's glyphs.
inline VMPtr<wren::util::text::RichFont> fixtureFont() {
    VMPtr<wren::util::text::RichFont> f = wren::util::text::RichFont::make();
    f->setBitmapFont(fontGlyphs());
    return f;
}

}  // namespace textfw
