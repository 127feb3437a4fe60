// Glyph sets over arbitrary bytes, cut from the gob target's sheet: the
// set loads (or gives null), a font takes it or refuses it with
// IllegalArgumentException when it has fewer than seven glyphs, and then
// every text of a fixed table measures, draws under every transform and
// wraps at every width without any failure, also once the glyphs have an
// opacity.
//
// Input: the bytes of a graphic-object set entry in the glyph set's form.
#include "fuzz_text_support.h"

using namespace fuzztext;
using wren::Gob;
using wren::util::text::RichFont;
using wren::util::text::Translation;

namespace {
Bytes texts;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startFuzzedRuntime();
    texts = rpack::encodeTextTable({u"", u"A", u"ABC DEF GH", u"HHHH-5 A@B x\r\ny\n\nz",
                                    u"  \u00E9\uFFFF\u0000A", std::u16string(200, u'D')});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size > (1u << 16)) return 0;
    loadPack(Bytes(data, data + size), texts);
    VMPtr<VMArray<Gob*>> glyphs;
    VMPtr<Translation> table;
    try {
        glyphs = wren::Resources::loadGobs(1);
        table = wren::Resources::loadTranslation(2);
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> e = caught;
        finding(std::string("loading threw ") + e->getClass()->name);
    }
    wren::Resources::closePack();
    if (glyphs == nullptr) return 0;

    VMPtr<RichFont> f = RichFont::make();
    try {
        f->setBitmapFont(glyphs);
    } catch (java::lang::IllegalArgumentException* caught) {
        VMPtr<java::lang::IllegalArgumentException> e = caught;
        if (glyphs->length >= RichFont::MIN_GLYPHS) finding("a set of seven or more refused");
        if (f->isBitmapFont()) finding("a refused set was kept");
        return 0;
    }
    if (glyphs->length < RichFont::MIN_GLYPHS) finding("a set of fewer than seven taken");
    try {
        exercise(f, table);
        f->setGlyphAlpha(100);
        exercise(f, table);
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> e = caught;
        finding(std::string("text over the set threw ") + e->getClass()->name);
    }
    return 0;
}
