// A chunked pack's main file read by the chunk classes alone: the header,
// then the table through the chunk factory. Every chunk read writes back
// as exactly the bytes it was read from; a directory chunk's accessors
// answer for its entries and refuse the one after them. The exceptions the
// readers document are the answers to bad bytes; anything else, any memory
// fault or allocation past the limit is a finding.
//
// Input: a main file (header first), or with the first byte odd, a bare
// chunk table without the header and count.
#include <algorithm>

#include "fuzz_pack_support.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "wren_io_resource_Chunk.h"
#include "wren_io_resource_ChunkVirtualFileSystemOrganization.h"
#include "wren_io_resource_ResourcePackChunked.h"

using namespace fuzzpack;
using wren::io::resource::Chunk;
using wren::io::resource::ResourcePackChunked;
using Directory = wren::io::resource::ChunkVirtualFileSystemOrganization;

namespace {

void checkDirectory(const VMPtr<Directory>& d) {
    jint n = d->getFileCount();
    if (n < 0 || int64_t(n) * 12 + 8 > d->getSize())
        finding("a directory count beyond its payload");
    for (jint i = 0; i < std::min(n, 1024); ++i) {
        if (d->getFilePart(i) < 0 || d->getFilePart(i) > 0xFFFF) finding("a part outside 16 bits");
        if (d->getFileType(i) < -128 || d->getFileType(i) > 127)
            finding("a file type outside a byte");
        if (d->getFileExtension(i) == nullptr) finding("no extension");
        d->getFileOffset(i);
        d->getFileValue(i);
    }
    if (n < 1024) {
        try {
            d->getFilePart(n);
            finding("an entry beyond the directory was answered");
        } catch (java::lang::ArrayIndexOutOfBoundsException* caught) {
            VMPtr<java::lang::ArrayIndexOutOfBoundsException> expected = caught;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startWithProgramFolder("wren_fuzz_chunk_table");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size == 0 || size > (1u << 20)) return 0;
    VMPtr<VMArray<jbyte>> bytes = jbytes(data + 1, size - 1);
    VMPtr<java::io::ByteArrayInputStream> source = java::io::ByteArrayInputStream::make(bytes);
    VMPtr<java::io::DataInputStream> in = java::io::DataInputStream::make(source);

    if ((data[0] & 1) == 0) {
        VMPtr<ResourcePackChunked> r = ResourcePackChunked::make();
        expectingRefusals("a whole table", [&] {
            r->readHeader(in);
            r->readChunks(in);
            for (jint i = 0; i < r->chunks->length; ++i)
                if (r->chunks[i] == nullptr) finding("a table read whole has a hole");
        });
        return 0;
    }
    // Chunk by chunk, each against the bytes it came from.
    for (int i = 0; i < 64; ++i) {
        jint start = source->pos;
        VMPtr<Chunk> c;
        bool refused = true;
        expectingRefusals("a chunk", [&] {
            c = Chunk::readChunk(in);
            refused = false;
        });
        if (refused) break;
        Bytes written = bytesOf(c->toByteArray());
        if (written.size() != size_t(source->pos - start) ||
            !std::equal(written.begin(), written.end(), data + 1 + start))
            finding("a chunk does not write back as it was read");
        if (c->getSize() + 12 != jint(written.size())) finding("getSize disagrees with the chunk");
        if (VMPtr<Directory> d = vmCast<Directory>(c); d != nullptr) checkDirectory(d);
    }
    return 0;
}
