// The pack writer: entries made from the input go through savePack, come
// out as the bytes the pack builder writes for them, and read back through
// the plain reader as the same entries and type bytes. Any difference, any
// exception, any memory fault is a finding.
//
// Input: entries of one type byte, a 16-bit little-endian length and that
// many bytes (the last one cut short by the input's end), at most 2000.
#include "Pack.h"
#include "fuzz_pack_support.h"
#include "wren_io_resource_ResourcePackChunked.h"
#include "wren_io_resource_ResourcePackSaver.h"

using namespace fuzzpack;
using wren::io::resource::ResourcePackSaver;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startWithProgramFolder("wren_fuzz_pack_writer");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size > (1u << 20)) return 0;
    std::vector<rpack::PackEntry> entries;
    for (size_t at = 0; at + 3 <= size && entries.size() < 2000;) {
        int8_t type = int8_t(data[at]);
        size_t length = std::min(size_t(data[at + 1]) | size_t(data[at + 2]) << 8, size - at - 3);
        at += 3;
        entries.push_back({Bytes(data + at, data + at + length), type});
        at += length;
    }
    jint n = jint(entries.size());
    VMPtr<VMArray<jbyte, 2>> arrays = VMArray<jbyte, 2>::create(n);
    VMPtr<VMArray<jbyte>> types = VMArray<jbyte>::create(n);
    for (jint i = 0; i < n; ++i) {
        arrays[i] = jbytes(entries[size_t(i)].data.data(), entries[size_t(i)].data.size());
        types[i] = entries[size_t(i)].type;
    }
    try {
        VMPtr<VMArray<jbyte>> pack = ResourcePackSaver::savePack(arrays, types);
        if (bytesOf(pack) != rpack::encodePlainPack(entries))
            finding("not the bytes the builder writes");
        VMPtr<wren::io::resource::ResourcePackChunked> r =
            wren::io::resource::ResourcePackChunked::make();
        r->close();
        if (!r->load(streamOver(pack), false)) finding("a written pack does not load");
        if (r->sizes->length != n) finding("a written pack has another count");
        for (jint e = 0; e < std::min(n, 1024); ++e) {
            if (r->getType(e) != entries[size_t(e)].type) finding("a type byte changed");
            if (bytesOf(r->getData(e)) != entries[size_t(e)].data) finding("an entry changed");
        }
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> unexpected = caught;
        finding(std::string("savePack or its read-back threw ") + unexpected->getClass()->name);
    }
    return 0;
}
