// The animation-set loader over arbitrary set bytes (entry 0 of a plain
// pack held in memory), then a few updates, paints and frame questions of
// every animation the set holds. The loader never throws and never leaves
// its stream behind; a total larger than the bytes never gets its table.
// A well-formed set (the builder's strict decoder takes it) loads whole.
// Playing a partial or inconsistent set may throw the runtime's own
// exceptions (an index out of range, a null table), never anything else,
// and never reads outside an array.
//
// Input: the bytes of an animation-set entry.
#include "AnimSet.h"
#include "Pack.h"
#include "fuzz_pack_support.h"
#include "java_lang_RuntimeException.h"
#include "wren_AnimPlayer.h"
#include "wren_AnimSet.h"
#include "wren_Gob.h"
#include "wren_Resources.h"
#include "wren_graphics_CollisionBox.h"

using namespace fuzzpack;
using wren::AnimPlayer;
using wren::AnimSet;
using wren::Gob;

namespace {

VMStaticPtr<VMArray<Gob*>> pictures;

VMPtr<VMArray<Gob*>> gobs() {
    if (pictures == nullptr) {
        VMPtr<VMArray<jint>> px = VMArray<jint>::create(9);
        for (jint i = 0; i < 9; ++i) px[i] = jint(0xFF000000u | uint32_t(i) * 0x1F1F1Fu);
        VMPtr<VMArray<Gob*>> g = VMArray<Gob*>::create(1024);
        for (jint i = 0; i < 1024; ++i) {
            VMPtr<Gob> gob = Gob::createFromRGB(px, 3, 3, false);
            gob->offsetX = jshort(i % 7 - 3);
            gob->offsetY = jshort(i % 5 - 2);
            g[i] = gob;
        }
        pictures = g;
    }
    return pictures;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startFuzzedRuntime();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size > (1u << 16)) return 0;
    Bytes bytes(data, data + size);
    Bytes pack = rpack::encodePlainPack({{bytes, -1}});
    if (!wren::Resources::loadPack(streamOver(jbytes(pack.data(), pack.size()))))
        finding("the pack did not load");
    VMPtr<AnimSet> set;
    try {
        set = wren::Resources::loadAnimSet(0);
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> e = caught;
        finding(std::string("the loader threw ") + e->getClass()->name);
    }
    wren::Resources::closePack();
    if (set == nullptr) finding("no set");
    if (AnimSet::S().sStream != nullptr) finding("the stream outlived the load");
    for (VMPtr<VMArray<jint>> t :
         {VMPtr<VMArray<jint>>(set->steps), VMPtr<VMArray<jint>>(set->pieces),
          VMPtr<VMArray<jint>>(set->boxes)})
        if (t != nullptr && size_t(t->length) > size) finding("a table larger than the bytes");

    bool strict = true;
    try {
        rpack::decodeAnimSet(bytes);
    } catch (const std::exception&) {
        strict = false;
    }
    if (strict && set->durations == nullptr) finding("a well-formed set did not load whole");

    set->setGobs(gobs());
    VMPtr<javax::microedition::lcdui::Image> target =
        javax::microedition::lcdui::Image::createImage(32, 32, false, 0);
    VMPtr<javax::microedition::lcdui::Graphics> g = target->getGraphics();
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(40);
    VMPtr<wren::graphics::CollisionBox> box = wren::graphics::CollisionBox::make();
    jint count = set->animations == nullptr ? 0 : std::min<jint>(set->animations->length, 16);
    for (jint a = 0; a < count; ++a) {
        try {
            VMPtr<AnimPlayer> p = AnimPlayer::make();
            p->setAnimSet(set);
            p->setAnimation(a);
            p->setTransform(a & 7);
            for (jint i = 0; i < 6; ++i) {
                p->update(jint(size > 0 ? data[size_t(a + i) % size] : 0) * 3);
                p->paint(g);
                p->getFrameBounds(out);
                p->getFramePieces(out);
                p->containsPoint(i, -i);
                p->getCollisionBox(box);
                p->getWidth(0);
            }
        } catch (java::lang::RuntimeException* caught) {
            VMPtr<java::lang::RuntimeException> e = caught;  // a partial set's own
        } catch (java::lang::Throwable* caught) {
            VMPtr<java::lang::Throwable> e = caught;
            finding(std::string("playing threw ") + e->getClass()->name);
        }
    }
    return 0;
}
