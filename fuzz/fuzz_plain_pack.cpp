// The plain pack reader over arbitrary bytes: loaded from a stream (then the
// extension table after it), from a file, and as an index whose entries are
// files of their own. A load that fails leaves no index; one that succeeds
// hands out every entry consistently as bytes, stream and offset, an entry
// past the data block fails its copy and is clipped in its stream; the file
// gives what the stream gave. The exceptions the readers document are the
// answers to bad bytes; anything else, any memory fault or allocation past
// the limit is a finding.
//
// Input: the bytes of a pack (and what follows it).
#include <algorithm>

#include "fuzz_pack_support.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "wren_io_resource_MissingEntryException.h"
#include "wren_io_resource_ResourcePackChunked.h"

using namespace fuzzpack;
using wren::io::resource::ResourcePackChunked;
using Reader = VMPtr<ResourcePackChunked>;

namespace {

Reader freshReader() {
    Reader r = ResourcePackChunked::make();
    r->close();
    return r;
}

// Every lookup of a pack without an index is MissingEntryException.
void expectNoIndex(const Reader& r, jint id) {
    try {
        r->getSize(id);
    } catch (wren::io::resource::MissingEntryException* caught) {
        VMPtr<wren::io::resource::MissingEntryException> expected = caught;
        return;
    }
    finding("a pack without an index answered a lookup");
}

// One entry of a pack held in memory, all ways.
void checkEntry(const Reader& r, jint e, int64_t offset) {
    VMPtr<VMArray<jbyte>> block = r->data;
    jint size = r->getSize(e);
    if (size < 0) finding("a negative size was taken");
    if (r->getOffset(e) != jint(std::min<int64_t>(offset, 0x7FFFFFFF))) finding("wrong offset");
    bool inside = offset + size <= block->length;
    VMPtr<VMArray<jbyte>> copy;
    try {
        copy = r->getData(e);
    } catch (java::lang::ArrayIndexOutOfBoundsException* caught) {
        VMPtr<java::lang::ArrayIndexOutOfBoundsException> past = caught;
        if (inside) finding("getData refused an entry inside the block");
    }
    if (copy != nullptr) {
        if (!inside) finding("getData copied past the block");
        if (copy->length != size) finding("getData: wrong length");
        for (jint i = 0; i < size; ++i)
            if (copy[i] != block[jint(offset) + i]) finding("getData: wrong bytes");
    }
    Bytes streamed = drain(r->getStream(e));
    int64_t expected =
        offset >= block->length ? 0 : std::min<int64_t>(size, block->length - offset);
    if (int64_t(streamed.size()) != expected) finding("getStream: not clipped at the block's end");
    for (size_t i = 0; i < streamed.size(); ++i)
        if (jbyte(streamed[i]) != block[jint(offset) + jint(i)]) finding("getStream: wrong bytes");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startWithProgramFolder("wren_fuzz_plain_pack");
    // Failed opens print their stack trace; keep the fuzzer's output readable.
    if (!std::freopen("/dev/null", "w", stdout)) finding("no /dev/null");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size > (1u << 20)) return 0;
    clearResources();
    VMPtr<VMArray<jbyte>> bytes = jbytes(data, size);

    // From a stream, with its data block.
    Reader r = freshReader();
    VMPtr<java::io::DataInputStream> in = streamOver(bytes);
    bool loaded = r->load(in, false);
    if (!loaded) {
        if (r->sizes != nullptr || r->types != nullptr || r->data != nullptr)
            finding("a failed load left an index");
        expectNoIndex(r, 0);
    } else {
        jint count = r->sizes->length;
        if (r->types->length != count) finding("sizes and types differ in count");
        int64_t offset = 0;
        for (jint e = 0; e < std::min(count, 1024); ++e) {
            checkEntry(r, e, offset);
            offset += r->sizes[e];
        }
        expectingRefusals("an entry beyond the index", [&] {
            if (count < 1024) {
                r->getType(count);
                finding("an entry beyond the index was answered");
            }
        });
        // Whatever follows the data block, as an extension table.
        expectingRefusals("readExtension", [&] {
            r->readExtension(in);
            int64_t total = 0;
            for (jint e = 0; e < count; ++e) total += r->extensionSizes[e];
            if (total != r->extensionData->length) finding("extension sizes and data differ");
            for (jint e = 0; e < std::min(count, 1024); ++e) {
                Bytes a = bytesOf(r->getExtensionData(e));
                if (jint(a.size()) != r->getExtensionSize(e)) finding("extension: wrong length");
                if (drain(r->getExtensionStream(e)) != a)
                    finding("extension: stream and copy differ");
            }
        });
    }

    // The same bytes as the file of pack 22: the same index.
    writeResource("RP22.rp", data, size);
    Reader f = freshReader();
    expectingRefusals("a pack file", [&] {
        jint n = f->getSize(22 << 10) >= 0 ? f->sizes->length : 0;
        if (!loaded) finding("a file read where the stream was refused");
        if (n != r->sizes->length) finding("file and stream differ in count");
        for (jint e = 0; e < std::min(n, 1024); ++e)
            if (f->getSize((22 << 10) | e) != r->getSize(e) ||
                f->getType((22 << 10) | e) != r->getType(e))
                finding("file and stream differ");
    });

    // As an index without data, whose entries are the files RP0part{e}.rp:
    // here every such file holds the input itself.
    Reader x = freshReader();
    if (x->load(streamOver(bytes), true)) {
        if (x->inMemory || x->data != nullptr) finding("an index-only load kept data");
        jint n = std::min(x->sizes->length, 4);
        for (jint e = 0; e < n; ++e)
            writeResource("RP0part" + std::to_string(e) + ".rp", data, size);
        for (jint e = 0; e < n; ++e) {
            jint want = x->getSize(e);
            VMPtr<VMArray<jbyte>> got;
            try {
                got = x->getData(e);
            } catch (java::lang::RuntimeException* caught) {
                VMPtr<java::lang::RuntimeException> refused = caught;
                if (size_t(want) <= size) finding("an entry file that holds the entry was refused");
                continue;
            }
            if (size_t(want) > size || got->length != want)
                finding("an entry file read past its end");
            for (jint i = 0; i < want; ++i)
                if (uint8_t(got[i]) != data[i]) finding("an entry file read wrong bytes");
        }
    }
    return 0;
}
