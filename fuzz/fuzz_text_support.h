// What the text fuzz targets share: a plain pack in memory of the gob
// target's sheet (entry 0), a glyph set cut from it (entry 1) and a text
// table (entry 2), and the pass that measures, draws and wraps every text
// of a table in a font, holding the wrap to lines that lie in their text.
#pragma once

#include <vector>

#include "GobSet.h"
#include "Pack.h"
#include "TextTable.h"
#include "fuzz_gob_sheet.h"
#include "fuzz_text_font.h"
#include "fuzz_pack_support.h"
#include "wren_Resources.h"
#include "wren_util_text_RichFont.h"
#include "wren_util_text_Translation.h"
#include "wren_util_text_WrappedText.h"

namespace fuzztext {

using fuzzpack::Bytes;

inline void loadPack(const Bytes& glyphSet, const Bytes& table) {
    static Bytes sheet = rpack::encodePng(fuzzgob::sheet());
    Bytes pack = rpack::encodePlainPack({{sheet, -3}, {glyphSet, -1}, {table, -6}});
    if (!wren::Resources::loadPack(
            fuzzpack::streamOver(fuzzpack::jbytes(pack.data(), pack.size()))))
        finding("the pack did not load");
}

// Every text measured, bounded and drawn under every transform, then
// wrapped at widths from none to ample and painted.
inline void exercise(const VMPtr<wren::util::text::RichFont>& f,
                     const VMPtr<wren::util::text::Translation>& table) {
    using java::lang::String;
    VMPtr<javax::microedition::lcdui::Image> target =
        javax::microedition::lcdui::Image::createImage(32, 32, false, 0);
    VMPtr<javax::microedition::lcdui::Graphics> g = target->getGraphics();
    VMPtr<VMArray<jint>> box = VMArray<jint>::create(4);
    VMPtr<wren::util::text::WrappedText> wrapped = wren::util::text::WrappedText::make(nullptr);
    for (jint id = 0; id < table->count; ++id) {
        VMPtr<String> s = table->getString(id);
        jint n = s->length();
        for (jint t = 0; t < 8; ++t) {
            f->setTransform(t);
            f->stringWidth(s);
            f->stringHeight(s);
            f->stringBounds(s, 16, 16, box, (t * 9) & 0x7F);
            f->drawString(g, s, 16, 16, (t * 9) & 0x7F);
        }
        f->setTransform(0);
        for (jint width : {-1, 0, 1, 5, 40, 1000}) {
            jint count = wrapped->wrap(f, s, width);
            if (count < 0 || count > n + 1) finding("more lines than characters");
            jint end = 0;
            for (jint line = 0; line < count; ++line) {
                jint start = wrapped->getLineStart(line);
                jint length = wrapped->lines[2 * line + 1];
                if (start < end || length < 0 || start + length > n)
                    finding("a line outside its text");
                end = start + length;
            }
            wrapped->setLineSpacing(width % 3 - 1);
            wrapped->paint(g, 0, -5, 1 | 16);
        }
    }
}

}  // namespace fuzztext
