// The canvas's packed-animation and text-record loaders over arbitrary bytes
// (entry 0 of a plain pack held in memory), each input read both ways.
// Neither loader throws or keeps its stream. The animation loader gives
// the set a row in every table, however far it got, and no table larger
// than the bytes; on a set the builder's strict decoder takes, its tables
// equal the animation-set loader's. The text loader gives a table of as
// many records as the input declares (or none), records the strict
// decoder takes read back text for text, and every record answers getText.
//
// Input: the bytes of one entry.
#include "AnimSet.h"
#include "Pack.h"
#include "TextTable.h"
#include "fuzz_pack_support.h"
#include "java_lang_String.h"
#include "wren_AnimSet.h"
#include "wren_Resources.h"
#include "wren_WrenCanvas.h"

using namespace fuzzpack;

namespace {

// The loaders use the canvas's own fields only: this one skips the game
// thread and screen set-up of a real canvas.
class TableCanvas : public wren::WrenCanvas {
    WREN_CLASS(TableCanvas, wren::WrenCanvas)
public:
    void ctor() { javax::microedition::lcdui::game::GameCanvas::ctor(false); }
    void update() override {}
    void paintGame(const VMPtr<javax::microedition::lcdui::Graphics>&) override {}
};

template <typename T>
std::vector<jint> wordsOf(VMPtr<VMArray<T>> a) {
    std::vector<jint> v;
    if (a == nullptr) return v;
    for (jint i = 0; i < a->length; ++i) v.push_back(jint(a[i]));
    return v;
}

template <typename Table>
jint rows(const Table& t) {
    return t == nullptr ? -1 : jint(t->length);
}

void checkAnimations(const VMPtr<TableCanvas>& canvas, const Bytes& bytes) {
    try {
        canvas->loadPackedAnimation(0);
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> e = caught;
        finding(std::string("the animation loader threw ") + e->getClass()->name);
    }
    if (canvas->levelStream != nullptr) finding("the stream outlived the load");
    if (canvas->animSetKeys == nullptr || canvas->animSetKeys->length != 1)
        finding("the set has no key");
    for (jint n : {rows(canvas->animTable), rows(canvas->stepFlags), rows(canvas->stepData),
                   rows(canvas->frameTable), rows(canvas->framePieces),
                   rows(canvas->frameBoxIndex), rows(canvas->boxData), rows(canvas->boxInfo),
                   rows(canvas->durationTable)})
        if (n != 1) finding("a table without the set's row");
    for (jint n : {canvas->stepData[0]->length, canvas->framePieces[0]->length,
                   canvas->boxData[0]->length})
        if (size_t(n) > bytes.size()) finding("a table larger than the bytes");

    bool strict = true;
    try {
        rpack::decodeAnimSet(bytes);
    } catch (const std::exception&) {
        strict = false;
    }
    if (!strict) return;
    VMPtr<wren::AnimSet> set = wren::Resources::loadAnimSet(0);
    if (wordsOf<jint>(canvas->animTable[0]) != wordsOf<jint>(set->animations) ||
        wordsOf<jint>(canvas->stepData[0]) != wordsOf<jint>(set->steps) ||
        wordsOf<jbyte>(canvas->stepFlags[0]) != wordsOf<jbyte>(set->stepFlags) ||
        wordsOf<jint>(canvas->frameTable[0]) != wordsOf<jint>(set->frames) ||
        wordsOf<jint>(canvas->framePieces[0]) != wordsOf<jint>(set->pieces) ||
        wordsOf<jchar>(canvas->frameBoxIndex[0]) != wordsOf<jchar>(set->frameBoxStart) ||
        wordsOf<jint>(canvas->boxData[0]) != wordsOf<jint>(set->boxes) ||
        wordsOf<jchar>(canvas->boxInfo[0]) != wordsOf<jchar>(set->boxShapes) ||
        wordsOf<jchar>(canvas->durationTable[0]) != wordsOf<jchar>(set->durations))
        finding("the two animation loaders disagree on a well-formed set");
}

void checkTexts(const VMPtr<TableCanvas>& canvas, const Bytes& bytes) {
    try {
        canvas->loadTexts(0);
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> e = caught;
        finding(std::string("the text loader threw ") + e->getClass()->name);
    }
    if (canvas->textData != nullptr || canvas->textOffsets != nullptr)
        finding("the text loader kept its raw tables");
    std::vector<std::u16string> strict;
    bool accepted = true;
    try {
        strict = rpack::decodeTextTable(bytes);
    } catch (const std::exception&) {
        accepted = false;
    }
    if (accepted && canvas->textCache == nullptr) finding("a well-formed table was refused");
    if (canvas->textCache == nullptr) return;
    jint count = canvas->textCache->length;
    if (bytes.size() >= 2 && count != jint(int16_t(bytes[0] << 8 | bytes[1])))
        finding("a record count unlike the declared one");
    if (accepted && count != jint(strict.size())) finding("wrong record count");
    for (jint i = 0; i < count; ++i) {
        VMPtr<java::lang::String> s = canvas->getText(i);
        if (!accepted) continue;
        if (s == nullptr) finding("a well-formed record did not decode");
        std::u16string text;
        for (jint k = 0; k < s->length(); ++k) text += char16_t(s->charAt(k));
        if (text != strict[size_t(i)]) finding("a record unlike its bytes");
    }
    canvas->loadTexts(-1);
    if (canvas->textCache != nullptr) finding("clearing kept the table");
}

// One canvas for every input (making one per input is most of the time
// an input takes); each input's set is dropped again after its checks.
VMStaticPtr<TableCanvas> shared;

}  // namespace

WREN_DEFINE_CLASS(TableCanvas, "fuzz.TableCanvas")

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
    if (shared == nullptr) shared = TableCanvas::make();
    VMPtr<TableCanvas> canvas = shared;
    checkAnimations(canvas, bytes);
    canvas->compactAnimSets();
    if (canvas->animSetKeys != nullptr) finding("dropping the set kept its key");
    checkTexts(canvas, bytes);
    wren::Resources::closePack();
    return 0;
}
