// The chunked reader over a main file and part files made from one input.
// The open either loads the pack or throws RuntimeException and leaves
// nothing of it behind; a pack that opened hands out each entry as the
// bytes its part file holds at the directory's offset, or as a slice of the
// block its split map assembled. The exceptions the readers document are
// the answers to bad bytes; anything else, any memory fault or allocation
// past the limit is a finding.
//
// Input: the first byte picks what to read (bit 0: images too); then files
// as fuzz_pack_support.h's writeFilesFrom lays them out, named from the
// main file "RP3part0.rp" and part files of several extensions
// (fuzz_pack_names.h).
#include <algorithm>
#include <fstream>
#include <iterator>

#include "fuzz_pack_names.h"
#include "fuzz_pack_support.h"
#include "wren_io_resource_ResourcePackChunked.h"

using namespace fuzzpack;
using wren::io::resource::ResourcePackChunked;
using Reader = VMPtr<ResourcePackChunked>;

namespace {

Bytes fileBytes(const std::string& name) {
    std::ifstream in(rscFolder() / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void checkEntries(const Reader& r, bool images) {
    jint count = r->sizes == nullptr ? 0 : r->sizes->length;
    int64_t offset = 0;
    for (jint e = 0; e < std::min(count, 1024); ++e) {
        jint id = (3 << 10) | e;
        jint size = r->getSize(id);
        expectingRefusals("getData", [&] {
            Bytes got = bytesOf(r->getData(id));
            if (jint(got.size()) != size) finding("getData: wrong length");
            if (r->inMemory) {
                for (jint i = 0; i < size; ++i)
                    if (jbyte(got[size_t(i)]) != r->data[jint(offset) + i])
                        finding("getData: not the block's bytes");
            } else {
                // The bytes of the entry's file at the directory's offset.
                std::string name = r->getFileName(id)->toUtf8().substr(1);
                Bytes file = fileBytes(name);
                int64_t at = r->fileSystem->getFileOffset(e);
                if (at < 0 || at + size > int64_t(file.size()))
                    finding("read past an entry's file");
                if (!std::equal(got.begin(), got.end(), file.begin() + at))
                    finding("getData: not the file's bytes");
            }
            if (drain(r->getStream(id)) != got) finding("getStream and getData differ");
        });
        if (images) {
            expectingRefusals("getImage", [&] { r->getImage(id, nullptr); });
        }
        offset += size;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startWithProgramFolder("wren_fuzz_chunked_pack");
    if (!std::freopen("/dev/null", "w", stdout)) finding("no /dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size == 0 || size > (1u << 20)) return 0;
    clearResources();
    writeFilesFrom(data + 1, size - 1, chunkedPackNames());
    bool images = (data[0] & 1) != 0;

    // The open itself: it loads or it throws RuntimeException, keeping
    // nothing of a pack it could not load.
    Reader r = ResourcePackChunked::make();
    r->close();
    try {
        if (r->open(3) != nullptr) finding("a chunked open returned a stream");
        if (r->chunks != nullptr) finding("the chunk table outlived the open");
        if (r->inMemory == (r->fileSystem != nullptr))
            finding("neither or both of block and directory");
        if (r->inMemory && r->data == nullptr) finding("a split pack without a block");
    } catch (java::lang::RuntimeException* caught) {
        VMPtr<java::lang::RuntimeException> refused = caught;
        if (refused->getClass() != java::lang::RuntimeException::classRecord())
            finding(std::string("open threw ") + refused->getClass()->name);
        if (r->sizes != nullptr || r->data != nullptr || r->fileSystem != nullptr ||
            r->chunks != nullptr)
            finding("a failed open left part of the pack");
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> unexpected = caught;
        finding(std::string("open threw ") + unexpected->getClass()->name);
    }

    // Through the ids, as the game reads.
    Reader g = ResourcePackChunked::make();
    g->close();
    expectingRefusals("selecting the pack", [&] { g->getSize(3 << 10); });
    if (g->sizes != nullptr) checkEntries(g, images);
    g->close();
    if (g->fileSystem != nullptr) finding("close kept the directory");
    return 0;
}
