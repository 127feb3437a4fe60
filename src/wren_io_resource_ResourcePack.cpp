#include "wren_io_resource_ResourcePack.h"

#include <algorithm>

#include "java_io_IOException.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_Exception.h"
#include "java_lang_NegativeArraySizeException.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_System.h"
#include "wren_Resources.h"
#include "wren_WrenCanvas.h"
#include "wren_io_resource_MissingEntryException.h"

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
    clearExtension();
}

void ResourcePack::selectPack(jint id) {
    Statics& s = S();
    jint pack = id >> 10;
    if (pack == 0 || pack == s.currentPack) return;
    try {
        close();
        if (pack > 0) {
            VMPtr<DataInputStream> in = open(pack);
            if (in != nullptr) {
                readIndex(in);
                in->close();
            }
        }
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> ignored = caught;
    }
    s.currentPack = pack;
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
    if (in == nullptr) {
        VMPtr<StringBuffer> text = StringBuffer::make("Missing resource file ");
        text->append(name);
        java::io::IOException::throwNew(text->toString());
    }
    return in;
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
    if (table == nullptr) MissingEntryException::throwNoIndex(S().currentPack, entry);
    if (entry >= table->length)
        MissingEntryException::throwNoEntry(S().currentPack, entry, table->length);
    return entry;
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
