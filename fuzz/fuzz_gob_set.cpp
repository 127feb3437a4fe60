// The graphic-object set loader over arbitrary set bytes, cut from a fixed
// sheet: the set is entry 1 and the sheet entry 0 of a plain pack held in
// memory. Whatever the bytes, the loader gives null or the objects; it
// never throws, never leaves its row table behind, and never lets a set ask
// for more pixels than its sheet holds. Every object it gives has an image
// exactly when it is at least 1 by 1, of its size, holding the sheet's
// pixels of its rectangle, and draws under any transform. When the
// builder's strict decoder accepts the bytes as a set whose pictures lie
// in the sheet, the loader must give exactly those objects.
//
// Input: the bytes of a graphic-object set entry.
#include <cstring>
#include <optional>

#include "GobSet.h"
#include "Pack.h"
#include "fuzz_gob_sheet.h"
#include "fuzz_pack_support.h"
#include "java_lang_Error.h"
#include "wren_Gob.h"
#include "wren_Resources.h"

using namespace fuzzpack;
using javax::microedition::lcdui::Image;
using wren::Gob;
using wren::Resources;

namespace {

Bytes sheetPng;

std::vector<jint> region(const VMPtr<Image>& img, jint x, jint y, jint w, jint h) {
    VMPtr<VMArray<jint>> px = VMArray<jint>::create(w * h);
    img->getRGB(px, 0, w, x, y, w, h);
    return std::vector<jint>(px->elements(), px->elements() + w * h);
}

// What the strict decoder says the set is, when it is one the loader must
// take: its sheet is entry 0 and every picture lies in it.
std::optional<rpack::GobSet> strictSet(const uint8_t* data, size_t size) {
    rpack::GobSet set;
    try {
        set = rpack::decodeGobSet(Bytes(data, data + size)).set;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (set.sheetEntry != 0) return std::nullopt;
    for (const rpack::Gob& g : set.gobs) {
        if (g.width < 0 || g.height < 0) return std::nullopt;
        if (g.width == 0 || g.height == 0) continue;
        if (g.x < 0 || g.y < 0 || g.x + g.width > fuzzgob::kSheetWidth ||
            g.y + g.height > fuzzgob::kSheetHeight)
            return std::nullopt;
    }
    return set;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startFuzzedRuntime();
    sheetPng = rpack::encodePng(fuzzgob::sheet());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size > (1u << 16)) return 0;
    Bytes pack = rpack::encodePlainPack({{sheetPng, -3}, {Bytes(data, data + size), -1}});
    if (!Resources::loadPack(streamOver(jbytes(pack.data(), pack.size()))))
        finding("the pack did not load");
    VMPtr<Image> sheet = Resources::getImage(0);

    VMPtr<VMArray<Gob*>> gobs;
    try {
        gobs = Resources::loadGobs(1);
    } catch (java::lang::Error* caught) {
        VMPtr<java::lang::Error> e = caught;
        finding(std::string("the loader let an error through: ") + e->getClass()->name);
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> e = caught;
        finding(std::string("the loader threw ") + e->getClass()->name);
    }
    if (Gob::S().rgbRows != nullptr) finding("the row table outlived the load");

    std::optional<rpack::GobSet> strict = strictSet(data, size);
    if (strict && gobs == nullptr) finding("a well-formed set gave null");
    if (gobs != nullptr) {
        if (strict && gobs->length != jint(strict->gobs.size())) finding("wrong object count");
        VMPtr<Image> target = Image::createImage(24, 24, false, 0);
        VMPtr<javax::microedition::lcdui::Graphics> g = target->getGraphics();
        for (jint i = 0; i < gobs->length; ++i) {
            VMPtr<Gob> gob = gobs[i];
            if (gob == nullptr) finding("a null object");
            bool picture = gob->width >= 1 && gob->height >= 1;
            if (picture != (gob->image != nullptr)) finding("an image unlike the object's size");
            if (picture &&
                (gob->image->getWidth() != gob->width || gob->image->getHeight() != gob->height))
                finding("an image of the wrong size");
            if (strict) {
                const rpack::Gob& s = strict->gobs[size_t(i)];
                if (gob->offsetX != s.offsetX || gob->offsetY != s.offsetY ||
                    gob->width != s.width || gob->height != s.height || gob->boxX != s.boxX ||
                    gob->boxY != s.boxY || gob->boxWidth != s.boxWidth ||
                    gob->boxHeight != s.boxHeight || gob->roundBox != s.roundBox ||
                    gob->alphaKind != s.hint)
                    finding("an object unlike its descriptor");
                if (picture && region(gob->image, 0, 0, gob->width, gob->height) !=
                                   region(sheet, s.x, s.y, s.width, s.height))
                    finding("an object's pixels unlike its sheet's");
            }
            gob->paint(g, 12, 12, jint(size > 0 ? data[i % size] : 0) & 7);
        }
    }
    Resources::closePack();
    return 0;
}
