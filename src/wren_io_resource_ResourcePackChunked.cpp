#include "wren_io_resource_ResourcePackChunked.h"

#include <algorithm>

#include "VMMath.h"
#include "java_io_EOFException.h"
#include "java_io_IOException.h"
#include "java_lang_Exception.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_NegativeArraySizeException.h"
#include "java_lang_OutOfMemoryError.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_Runtime.h"
#include "java_lang_StringBuffer.h"
#include "wren_Resources.h"
#include "wren_platform_marl_WrenMarl.h"

WREN_DEFINE_CLASS(wren::io::resource::ResourcePackChunked, "wren.io.resource.ResourcePackChunked")

namespace wren::io::resource {

using java::io::DataInputStream;
using java::io::IOException;
using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Image;
using ByteArray = VMArray<jbyte>;

namespace {

[[noreturn]] void refuseTotal(jint total) {
    VMPtr<StringBuffer> text = StringBuffer::make("Split map total of ");
    text->append(total);
    text->append(" bytes does not fit in the heap");
    IOException::throwNew(text->toString());
}

}  // namespace

jboolean ResourcePackChunked::isChunkedPack(jint pack) {
    return pack >= 1 && pack <= 32 && ((CHUNKED_PACKS >> (pack - 1)) & 1) != 0;
}

VMPtr<String> ResourcePackChunked::idToString(jint id) {
    clinit();
    VMPtr<ByteArray> bytes = ByteArray::create(4);
    for (jint i = 0; i < 4; ++i) bytes[i] = jbyte(vmShr(id, 8 * i));
    try {
        return String::make(bytes);
    } catch (java::lang::RuntimeException* caught) {
        // An id that is no UTF-8 still names itself in a message: its ASCII
        // bytes as they are, every other byte as U+FFFD.
        VMPtr<java::lang::RuntimeException> malformed = caught;
        jchar chars[4];
        for (jint i = 0; i < 4; ++i) chars[i] = bytes[i] >= 0 ? jchar(bytes[i]) : jchar(0xFFFD);
        return String::make(chars, 4);
    }
}

void ResourcePackChunked::close() {
    ResourcePackExtension::close();
    fileSystem = nullptr;
    partEnds = nullptr;
}

VMPtr<DataInputStream> ResourcePackChunked::open(jint pack) {
    chunks = nullptr;
    fileSystem = nullptr;
    partEnds = nullptr;
    if (!isChunkedPack(pack)) return ResourcePackExtension::open(pack);
    VMPtr<DataInputStream> in;
    try {
        VMPtr<String> name = getFileName(pack, 0);
        in = openExisting(name);
        jint size = in->available();
        try {
            readHeader(in);
            readChunks(in);
        } catch (IOException* caught) {
            VMPtr<IOException> failure = caught;
            rethrowNamingFile(name, in, size, failure);
        }
        VMPtr<Chunk> index = getChunk(Chunk::ID_RPHE);
        readData = false;
        VMPtr<ByteArray> bytes = index->getData();
        // An index that can't be read leaves the pack without one, and
        // every lookup says so, naming the file.
        if (!readIndex(wren::Resources::openStream(bytes, 0, bytes->length)))
            S().indexProblem = describeFile(name, WREN_LIT("its index can't be read"));
        if (hasChunk(Chunk::ID_VFSO))
            useVirtualFileSystem();
        else
            loadParts(pack);
        closeQuietly(in);
        chunks = nullptr;
        return nullptr;
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> failure = caught;
        closeQuietly(in);
        // Nothing of the half-loaded pack stays: no index, block or directory.
        chunks = nullptr;
        close();
        failure->printStackTrace();
        java::lang::RuntimeException::throwNew(namingMainFile(pack, failure));
    }
}

VMPtr<String> ResourcePackChunked::namingMainFile(jint pack,
                                                  const VMPtr<java::lang::Exception>& failure) {
    VMPtr<StringBuffer> parts = StringBuffer::make("/RP");
    parts->append(pack);
    parts->append("part");
    VMPtr<String> message = failure->getMessage();
    if (message != nullptr &&
        message->startsWith(platform::marl::WrenMarl::getResourceFile(parts->toString())))
        return failure->toString();
    // A failure that names none of the pack's files is about its main file,
    // which holds the chunks and the split map.
    VMPtr<StringBuffer> text = StringBuffer::make(failure->getClass()->getName());
    text->append(": ");
    text->append(platform::marl::WrenMarl::getResourceFile(getFileName(pack, 0)));
    if (message != nullptr) {
        text->append(": ");
        text->append(message);
    }
    return text->toString();
}

void ResourcePackChunked::readHeader(const VMPtr<DataInputStream>& in) {
    jint marker = in->readInt();
    if (marker != Chunk::MARKER) {
        VMPtr<StringBuffer> text =
            StringBuffer::make("Invalid chunked RP file marker, expecting '");
        text->append(idToString(Chunk::MARKER));
        text->append("'");
        text->append(" instead of '");
        text->append(idToString(marker));
        text->append("'");
        IOException::throwNew(text->toString());
    }
    jint version = in->readChar();
    if (version != VERSION) {
        VMPtr<StringBuffer> text = StringBuffer::make("Invalid RP version, expecting '");
        text->append(jint(VERSION));
        text->append("'");
        text->append(" instead of '");
        text->append(version);
        text->append("'");
        IOException::throwNew(text->toString());
    }
}

void ResourcePackChunked::readChunks(const VMPtr<DataInputStream>& in) {
    jint count = in->readChar();
    VMPtr<VMArray<Chunk*>> table = VMArray<Chunk*>::create(count);
    chunks = table;
    for (jint i = 0; i < count; ++i) table[i] = Chunk::readChunk(in);
}

VMPtr<Chunk> ResourcePackChunked::findChunk(jint id) {
    VMPtr<VMArray<Chunk*>> table = chunks;
    if (table == nullptr)
        java::lang::IllegalStateException::throwNew(WREN_LIT("No chunk table is loaded"));
    for (jint i = 0; i < table->length; ++i) {
        VMPtr<Chunk> c = table[i];
        if (c != nullptr && c->hasId(id)) return c;
    }
    return nullptr;
}

jboolean ResourcePackChunked::hasChunk(jint id) {
    return findChunk(id) != nullptr;
}

VMPtr<Chunk> ResourcePackChunked::getChunk(jint id) {
    VMPtr<Chunk> c = findChunk(id);
    if (c == nullptr) {
        VMPtr<StringBuffer> text = StringBuffer::make("Missing RP chunk '");
        text->append(idToString(id));
        text->append("'");
        IOException::throwNew(text->toString());
    }
    return c;
}

void ResourcePackChunked::useVirtualFileSystem() {
    inMemory = false;
    VMPtr<ChunkVirtualFileSystemOrganization> directory =
        vmCast<ChunkVirtualFileSystemOrganization>(getChunk(Chunk::ID_VFSO));
    if (directory == nullptr)
        IOException::throwNew(WREN_LIT("The RP directory chunk is no directory"));
    fileSystem = directory;
}

void ResourcePackChunked::loadParts(jint pack) {
    VMPtr<Chunk> map = getChunk(Chunk::ID_FSLM);
    VMPtr<ByteArray> bytes = map->getData();
    VMPtr<DataInputStream> s = wren::Resources::openStream(bytes, 0, bytes->length);
    inMemory = true;
    jint total = s->readInt();
    if (total < 0) java::lang::NegativeArraySizeException::throwNew();
    // A block larger than the whole heap can never be had: refused here, not
    // after the collector has tried for it.
    if (total > java::lang::Runtime::getRuntime()->totalMemory()) refuseTotal(total);
    jint parts = s->readInt();
    if (parts < 0) java::lang::NegativeArraySizeException::throwNew();
    if (int64_t(parts) * 4 > s->available()) java::io::EOFException::throwNew();
    VMPtr<VMArray<jint>> partSize = VMArray<jint>::create(parts);
    VMPtr<VMArray<jint>> ends = VMArray<jint>::create(parts);
    int64_t sum = 0;
    for (jint i = 0; i < parts; ++i) {
        jint size = s->readInt();
        if (size < 0) java::lang::IndexOutOfBoundsException::throwNew();
        partSize[i] = size;
        sum += size;
        ends[i] = jint(std::min<int64_t>(sum, 0x7FFFFFFF));
    }
    // Parts that hold less than the total leave the rest of the block zero.
    if (sum > total) java::lang::IndexOutOfBoundsException::throwNew();
    // Every file must hold its part before a block is allocated for them.
    for (jint i = 0; i < parts; ++i) {
        VMPtr<String> name = getFileName(pack, i + 1);
        VMPtr<DataInputStream> part = openExisting(name);
        jint held = part->available();
        closeQuietly(part);
        if (partSize[i] > held) {
            VMPtr<StringBuffer> text = StringBuffer::make("ends at byte ");
            text->append(held);
            text->append(", before the ");
            text->append(partSize[i]);
            text->append(" bytes of its part");
            java::io::EOFException::throwNew(describeFile(name, text->toString()));
        }
    }
    VMPtr<ByteArray> block;
    try {
        block = ByteArray::create(total);
    } catch (java::lang::OutOfMemoryError* caught) {
        // Only the file's total asked for this much: the pack is refused, the
        // program goes on.
        VMPtr<java::lang::OutOfMemoryError> full = caught;
        refuseTotal(total);
    }
    jint offset = 0;
    for (jint i = 0; i < parts; ++i) {
        VMPtr<DataInputStream> part = openExisting(getFileName(pack, i + 1));
        try {
            part->readFully(block, offset, partSize[i]);
        } catch (VMException* caught) {
            VMPtr<VMException> failure = caught;
            closeQuietly(part);
            failure->throwSelf();
        }
        closeQuietly(part);
        offset += partSize[i];
    }
    data = block;
    partEnds = ends;
}

VMPtr<String> ResourcePackChunked::getEntryFile(jint id) {
    selectPack(id);
    jint pack = S().currentPack;
    if (!isChunkedPack(pack)) return ResourcePackExtension::getEntryFile(id);
    jint entry = entryOf(id);
    if (fileSystem != nullptr) return getFileName(entry);
    VMPtr<VMArray<jint>> ends = partEnds;
    jint offset = getOffset(id);
    if (ends != nullptr)
        for (jint i = 0; i < ends->length; ++i)
            if (offset < ends[i]) return getFileName(pack, i + 1);
    return getFileName(pack, 0);
}

VMPtr<String> ResourcePackChunked::getIndexFile(jint pack) {
    return isChunkedPack(pack) ? getFileName(pack, 0) : ResourcePackExtension::getIndexFile(pack);
}

VMPtr<String> ResourcePackChunked::getFileName(jint id) {
    selectPack(id);
    VMPtr<ChunkVirtualFileSystemOrganization> directory = fileSystem;
    if (directory == nullptr) return ResourcePackExtension::getFileName(id);
    return makeFileName(S().currentPack, directory->getFilePart(id),
                        directory->getFileExtension(id));
}

VMPtr<DataInputStream> ResourcePackChunked::openEntryFile(jint entry) {
    VMPtr<ChunkVirtualFileSystemOrganization> directory = fileSystem;
    if (directory == nullptr) return ResourcePackExtension::openEntryFile(entry);
    VMPtr<String> name = getFileName(entry);
    jint skip = directory->getFileOffset(entry);
    if (skip < 0) {
        VMPtr<StringBuffer> text = StringBuffer::make("Negative offset ");
        text->append(skip);
        text->append(" of entry ");
        text->append(entry);
        text->append(" in ");
        text->append(name);
        IOException::throwNew(text->toString());
    }
    VMPtr<DataInputStream> in = openExisting(name);
    try {
        if (skip != 0) wren::Resources::skipFully(in, skip);
    } catch (VMException* caught) {
        VMPtr<VMException> failure = caught;
        closeQuietly(in);
        failure->throwSelf();
    }
    return in;
}

VMPtr<Image> ResourcePackChunked::getImage(jint id, const VMPtr<ByteArray>& palette) {
    selectPack(id);
    jint entry = entryOf(id);
    VMPtr<ChunkVirtualFileSystemOrganization> directory = fileSystem;
    if (palette == nullptr && directory != nullptr && directory->getFileOffset(entry) == 0) {
        VMPtr<String> name = makeFileName(S().currentPack, directory->getFilePart(entry),
                                          directory->getFileExtension(entry));
        try {
            return Image::createImage(name);
        } catch (IOException* caught) {
            VMPtr<IOException> failure = caught;
            java::lang::RuntimeException::throwNew(failure->toString());
        }
    }
    return ResourcePackExtension::getImage(id, palette);
}

}  // namespace wren::io::resource
