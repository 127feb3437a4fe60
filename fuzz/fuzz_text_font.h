// The bitmap font of the text fuzz targets, shared with the corpus maker:
// a glyph set cut from the gob target's sheet.
#pragma once

#include "GobSet.h"

namespace fuzztext {

// Eight glyphs 'A'..'H' of advances 0..7 (a glyph that does not advance
// included) and inks that overhang them.
inline rpack::Bytes font() {
    rpack::GlyphSet f;
    f.header = {6, 5, 3, 6, 0, false};
    for (int i = 0; i < 8; ++i)
        f.glyphs.push_back({uint16_t(u'A' + i), i * 2, i % 4, 2, 3, i % 3 - 1, i % 2, i, 0});
    f.glyphs.push_back({u' ', 0, 0, 1, 1, 0, 0, 2, 0});
    return rpack::encodeGlyphSet(f);
}

}  // namespace fuzztext
