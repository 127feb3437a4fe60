// Text tables over arbitrary bytes, loaded by id from a pack in memory: the
// reader gives a table or an IOException (EOFException included), never
// another failure; a table the builder's strict decoder accepts reads back
// text for text, decoded on demand and after decodeAll alike; and every
// text measures, draws and wraps in a bitmap font.
//
// Input: the bytes of a text-table entry.
#include "fuzz_text_support.h"

using namespace fuzztext;
using wren::util::text::RichFont;
using wren::util::text::Translation;

namespace {
VMStaticPtr<RichFont> fixedFont;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startFuzzedRuntime();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size > (1u << 17)) return 0;
    Bytes entry(data, data + size);
    loadPack(font(), entry);
    if (fixedFont == nullptr) {
        fixedFont = RichFont::make();
        fixedFont->setBitmapFont(wren::Resources::loadGobs(1));
    }
    VMPtr<Translation> table;
    try {
        table = wren::Resources::loadTranslation(2);
    } catch (java::io::IOException* caught) {
        VMPtr<java::io::IOException> e = caught;
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> e = caught;
        finding(std::string("the reader threw ") + e->getClass()->name);
    }
    wren::Resources::closePack();

    std::vector<std::u16string> strict;
    bool accepted = true;
    try {
        strict = rpack::decodeTextTable(entry);
    } catch (const std::exception&) {
        accepted = false;
    }
    if (accepted && table == nullptr) finding("a well-formed table was refused");
    if (table == nullptr) return 0;
    if (accepted && table->count != jint(strict.size())) finding("wrong text count");

    std::vector<std::u16string> before;
    for (jint id = 0; id < table->count; ++id) {
        VMPtr<java::lang::String> s = table->getString(id);
        std::u16string text;
        for (jint i = 0; i < s->length(); ++i) text += char16_t(s->charAt(i));
        if (accepted && text != strict[size_t(id)]) finding("a text unlike its bytes");
        before.push_back(text);
    }
    exercise(fixedFont, table);
    table->decodeAll();
    for (jint id = 0; id < table->count; ++id) {
        VMPtr<java::lang::String> s = table->getString(id);
        std::u16string text;
        for (jint i = 0; i < s->length(); ++i) text += char16_t(s->charAt(i));
        if (text != before[size_t(id)]) finding("decodeAll changed a text");
    }
    return 0;
}
