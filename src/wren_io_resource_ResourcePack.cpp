#include "wren_io_resource_ResourcePack.h"

#include <algorithm>

#include "java_io_EOFException.h"
#include "java_io_IOException.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_Exception.h"
#include "java_lang_NegativeArraySizeException.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_System.h"
#include "wren_Resources.h"
#include "wren_WrenCanvas.h"
#include "wren_io_resource_MissingEntryException.h"
#include "wren_platform_marl_WrenMarl.h"

WREN_DEFINE_CLASS(wren::io::resource::ResourcePack, "wren.io.resource.ResourcePack")

namespace wren::io::resource {

using java::io::DataInputStream;
using java::io::InputStream;
using java::lang::String;
using java::lang::StringBuffer;
using javax::microedition::lcdui::Image;
using ByteArray = VMArray<jbyte>;

void ResourcePack::staticInit() {
    Statics& s = wrenStatics_();
    s.currentPack = -1;
    s.nameBuffer = StringBuffer::make(8);
}

void ResourcePack::closeQuietly(const VMPtr<InputStream>& in) {
    clinit();
    if (in == nullptr) return;
    try {
        in->close();
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> ignored = caught;
    }
}

void ResourcePack::close() {
    types = nullptr;
    sizes = nullptr;
    data = nullptr;
    S().currentPack = -1;
    S().indexProblem = nullptr;
    clearExtension();
}

void ResourcePack::selectPack(jint id) {
    Statics& s = S();
    jint pack = id >> 10;
    if (pack == 0 || pack == s.currentPack) return;
    VMPtr<String> problem;
    try {
        close();
        if (pack > 0) {
            VMPtr<DataInputStream> in = open(pack);
            if (in != nullptr) {
                jint size = in->available();
                if (!readIndex(in)) problem = describeIndexFailure(getFileName(pack, -1), in, size);
                in->close();
            } else if (sizes == nullptr) {
                problem = s.indexProblem;
                if (problem == nullptr) {
                    VMPtr<String> name = getFileName(pack, -1);
                    problem = describeFile(name, platform::marl::WrenMarl::getResourceProblem(name));
                }
            }
        }
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> failure = caught;
        problem = failure->getMessage();
        if (problem == nullptr) problem = failure->toString();
    }
    s.currentPack = pack;
    s.indexProblem = problem;
}

VMPtr<String> ResourcePack::describeIndexFailure(const VMPtr<String>& name,
                                                 const VMPtr<DataInputStream>& in, jint size) {
    VMPtr<StringBuffer> what = StringBuffer::make();
    if (in->available() <= 0) {
        what->append("ends at byte ");
        what->append(size);
        what->append(", before the data it announces");
    } else {
        what->append("its index can't be read");
    }
    return describeFile(name, what->toString());
}

VMPtr<DataInputStream> ResourcePack::open(jint pack) {
    inMemory = true;
    readData = true;
    return openStream(getFileName(pack, -1));
}

VMPtr<DataInputStream> ResourcePack::openStream(const VMPtr<String>& name) {
    VMPtr<InputStream> in = getClass()->getResourceAsStream(name);
    if (in == nullptr) return nullptr;
    return DataInputStream::make(in);
}

VMPtr<DataInputStream> ResourcePack::openExisting(const VMPtr<String>& name) {
    VMPtr<DataInputStream> in = openStream(name);
    if (in == nullptr)
        java::io::IOException::throwNew(
            describeFile(name, platform::marl::WrenMarl::getResourceProblem(name)));
    return in;
}

VMPtr<String> ResourcePack::describeFile(const VMPtr<String>& name, const VMPtr<String>& what) {
    clinit();
    VMPtr<StringBuffer> text = StringBuffer::make(platform::marl::WrenMarl::getResourceFile(name));
    text->append(": ");
    // A stream the platform would open but the reader could not get is
    // missing all the same.
    text->append(what != nullptr ? what : VMPtr<String>(WREN_LIT("no such file")));
    return text->toString();
}

void ResourcePack::rethrowNamingFile(const VMPtr<String>& name, const VMPtr<DataInputStream>& in,
                                     jint size, const VMPtr<java::io::IOException>& failure) {
    clinit();
    VMPtr<StringBuffer> what = StringBuffer::make();
    if (vmIsInstanceOf(failure, java::io::EOFException::classRecord())) {
        // Where it ends tells a file cut short from one that announces more
        // than any file could hold.
        what->append(in->available() <= 0 ? "ends at byte " : "announces data past its end at byte ");
        what->append(size);
        if (in->available() <= 0) what->append(", before the data it announces");
        java::io::EOFException::throwNew(describeFile(name, what->toString()));
    }
    VMPtr<String> message = failure->getMessage();
    what->append(message != nullptr ? message : failure->toString());
    java::io::IOException::throwNew(describeFile(name, what->toString()));
}

VMPtr<String> ResourcePack::makeFileName(jint pack, jint part, const VMPtr<String>& ext) {
    VMPtr<StringBuffer> name = S().nameBuffer;
    name->setLength(0);
    name->append("/RP");
    WrenCanvas::appendNumber(name, pack);
    if (part != -1) {
        name->append("part");
        WrenCanvas::appendNumber(name, part);
    }
    name->append('.');
    if (ext != nullptr)
        name->append(ext);
    else
        name->append("rp");
    return name->toString();
}

VMPtr<String> ResourcePack::getFileName(jint pack, jint part) {
    return makeFileName(pack, part, nullptr);
}

VMPtr<String> ResourcePack::getEntryFile(jint id) {
    selectPack(id);
    jint entry = entryOf(id);
    jint pack = S().currentPack;
    if (pack <= 0) return nullptr;
    return inMemory ? getFileName(pack, -1) : getFileName(pack, entry);
}

VMPtr<String> ResourcePack::getIndexFile(jint pack) {
    return getFileName(pack, -1);
}

VMPtr<String> ResourcePack::getFileName(jint id) {
    if (inMemory) return nullptr;
    return getFileName(id >> 10, id & 0x3FF);
}

jboolean ResourcePack::readIndex(const VMPtr<DataInputStream>& in) {
    close();
    S().currentPack = 0;
    try {
        jint flags = in->read();
        jint width = ((flags & 1) + 1) * 2;
        jint count = in->readChar();
        VMPtr<ByteArray> raw = wren::Resources::readBytes(in, jlong(count) * width);
        VMPtr<VMArray<jint>> table = VMArray<jint>::create(count);
        const jbyte* b = raw->elements();
        for (jint i = 0; i < count; ++i, b += width) {
            uint32_t size = 0;
            for (jint j = 0; j < width; ++j) size = size << 8 | uint8_t(b[j]);
            // No entry can be that long; the index can't be trusted for any.
            if (jint(size) < 0) java::io::IOException::throwNew(WREN_LIT("Negative entry size"));
            table[i] = jint(size);
        }
        sizes = table;
        types = wren::Resources::readBytes(in, count);
        if (readData) {
            jint length = in->readInt();
            if (length < 0) java::lang::NegativeArraySizeException::throwNew();
            data = wren::Resources::readBytes(in, length);
        }
        return true;
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> failure = caught;
        close();
        return false;
    }
}

jboolean ResourcePack::load(const VMPtr<DataInputStream>& in, jboolean indexOnly) {
    if (in == nullptr) {
        close();
        return false;
    }
    if (!indexOnly) {
        inMemory = true;
        readData = true;
    }
    return readIndex(in);
}

jint ResourcePack::entryOf(jint id) {
    jint entry = id & 0x3FF;
    VMPtr<VMArray<jint>> table = sizes;
    if (table == nullptr)
        MissingEntryException::throwNoIndex(S().currentPack, entry, S().indexProblem);
    if (entry >= table->length) throwPastTable(entry, table->length);
    return entry;
}

void ResourcePack::throwPastTable(jint entry, jint count) {
    jint pack = S().currentPack;
    MissingEntryException::throwNoEntry(
        pack, entry, count,
        pack > 0 ? platform::marl::WrenMarl::getResourceFile(getIndexFile(pack)) : nullptr);
}

int64_t ResourcePack::offsetOf(jint entry) {
    int64_t offset = 0;
    VMArray<jint>& table = *sizes;
    for (jint i = entry - 1; i >= 0; --i) offset += table[i];
    return offset;
}

jint ResourcePack::getSize(jint id) {
    selectPack(id);
    return sizes[entryOf(id)];
}

jint ResourcePack::getType(jint id) {
    selectPack(id);
    jint entry = entryOf(id);
    return types[entry];
}

jint ResourcePack::getOffset(jint id) {
    selectPack(id);
    jint entry = entryOf(id);
    if (!inMemory) return 0;
    // Past the largest array any offset lies beyond the block alike.
    return jint(std::min<int64_t>(offsetOf(entry), 0x7FFFFFFF));
}

VMPtr<ByteArray> ResourcePack::heldData(jint entry) {
    VMPtr<ByteArray> block = data;
    if (block == nullptr) MissingEntryException::throwNoData(S().currentPack, entry);
    return block;
}

VMPtr<ByteArray> ResourcePack::getPackData(jint id) {
    selectPack(id);
    if (inMemory) return heldData(entryOf(id));
    return getData(id);
}

VMPtr<ByteArray> ResourcePack::getData(jint id) {
    selectPack(id);
    jint entry = entryOf(id);
    jint size = sizes[entry];
    if (!inMemory) return readEntryFile(entry, size);
    VMPtr<ByteArray> block = heldData(entry);
    int64_t offset = offsetOf(entry);
    // The copy would fail on the block's end: fail before allocating for it.
    if (offset + size > block->length) java::lang::ArrayIndexOutOfBoundsException::throwNew();
    VMPtr<ByteArray> bytes = ByteArray::create(size);
    java::lang::System::arraycopy(block, jint(offset), bytes, 0, size);
    return bytes;
}

VMPtr<DataInputStream> ResourcePack::openEntryFile(jint entry) {
    return openExisting(getFileName(S().currentPack, entry));
}

VMPtr<ByteArray> ResourcePack::readEntryFile(jint entry, jint size) {
    VMPtr<DataInputStream> in;
    VMPtr<ByteArray> bytes;
    try {
        in = openEntryFile(entry);
        bytes = wren::Resources::readBytes(in, size);
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> failure = caught;
        closeQuietly(in);
        java::lang::RuntimeException::throwNew(failure->toString());
    }
    closeQuietly(in);
    return bytes;
}

void ResourcePack::readFromFile(jint entry, const VMPtr<ByteArray>& dest) {
    VMPtr<DataInputStream> in;
    try {
        in = openEntryFile(entry);
        in->readFully(dest, 0, dest->length);
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> failure = caught;
        closeQuietly(in);
        java::lang::RuntimeException::throwNew(failure->toString());
    }
    closeQuietly(in);
}

VMPtr<DataInputStream> ResourcePack::getStream(jint id) {
    selectPack(id);
    jint entry = entryOf(id);
    VMPtr<ByteArray> bytes = getPackData(entry);
    jint offset = getOffset(entry);
    // Clipped at the array's end here: the stream's own end, offset plus
    // length, would wrap for a size near the largest int.
    jint length = offset >= bytes->length ? 0 : std::min(sizes[entry], bytes->length - offset);
    return wren::Resources::openStream(bytes, offset, length);
}

jint ResourcePack::locate(jint id) {
    selectPack(id);
    jint entry = entryOf(id);
    VMPtr<ByteArray> bytes = getPackData(entry);
    jint offset = getOffset(entry);
    WrenCanvas::Statics& canvas = WrenCanvas::S();
    canvas.inBuffer = bytes;
    canvas.inPosition = offset;
    return sizes[entry];
}

VMPtr<Image> ResourcePack::getImage(jint id, const VMPtr<ByteArray>& palette) {
    selectPack(id);
    jint entry = entryOf(id);
    VMPtr<ByteArray> bytes = getPackData(entry);
    jint offset = getOffset(entry);
    jint size = sizes[entry];
    wren::Resources::swapPalette(bytes, offset, palette);
    VMPtr<Image> image;
    try {
        image = wren::Resources::createImage(bytes, offset, size);
    } catch (VMException* caught) {
        // The pack's bytes and the caller's palette go back as they were,
        // whatever the decoder thought of them.
        VMPtr<VMException> failure = caught;
        wren::Resources::swapPalette(bytes, offset, palette);
        failure->throwSelf();
    }
    wren::Resources::swapPalette(bytes, offset, palette);
    return image;
}

}  // namespace wren::io::resource
