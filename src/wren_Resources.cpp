#include "wren_Resources.h"

#include <algorithm>

#include "VMTry.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_EOFException.h"
#include "java_io_IOException.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_Exception.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"
#include "wren_AnimSet.h"
#include "wren_Gob.h"
#include "wren_WrenCanvas.h"
#include "wren_io_resource_ResourcePackChunked.h"
#include "wren_io_resource_ResourcePackSaver.h"
#include "wren_platform_marl_WrenMarl.h"
#include "wren_util_text_Translation.h"

WREN_DEFINE_CLASS(wren::Resources, "wren.Resources")

namespace wren {

using java::io::DataInputStream;
using java::io::EOFException;
using java::io::InputStream;
using java::lang::String;
using java::lang::StringBuffer;
using ByteArray = VMArray<jbyte>;
using javax::microedition::lcdui::Image;

namespace {

// The first allocation of a read whose length the stream can't vouch for.
constexpr jint kUnvouchedStep = 64 * 1024;

// The descriptor fields of a graphic object in a set, in stored order, by
// the layout bit that leaves their group out; fields 0, 1, 6 and 7 are
// signed in their 1-byte form.
constexpr jint kFieldGroup[10] = {0, 0, 1, 1, 1, 1, 2, 2, 2, 2};
constexpr bool kFieldSigned[10] = {true,  true, false, false, false,
                                   false, true, true,  false, false};

// BMP export: the file and information headers and a 256-colour palette
// come before the pixel rows.
constexpr jint kBmpHeaders = 54;
constexpr jint kBmpPixels = kBmpHeaders + 256 * 4;

}  // namespace

void Resources::staticInit() {
    wrenStatics_().pack = io::resource::ResourcePackChunked::make();
}

// --- by resource id --------------------------------------------------------------

VMPtr<ByteArray> Resources::getData(jint id) {
    return S().pack->getData(id);
}

VMPtr<DataInputStream> Resources::openStream(jint id) {
    VMPtr<DataInputStream> in = S().pack->getStream(id);
    if (in->markSupported()) in->mark(0);
    return in;
}

jint Resources::getSize(jint id) {
    return S().pack->getSize(id);
}

jint Resources::getOffset(jint id) {
    return S().pack->getOffset(id);
}

jint Resources::getType(jint id) {
    return S().pack->getType(id);
}

VMPtr<ByteArray> Resources::getPackData(jint id) {
    return S().pack->getPackData(id);
}

VMPtr<Image> Resources::getImage(jint id) {
    return getImage(id, nullptr);
}

VMPtr<Image> Resources::getImage(jint id, const VMPtr<ByteArray>& palette) {
    return S().pack->getImage(id, palette);
}

VMPtr<ByteArray> Resources::readPalette(jint id) {
    return readPalette(id, openStream(id));
}

jint Resources::getTransparentIndex(jint id) {
    return getTransparentIndex(id, openStream(id));
}

// --- animation sets -------------------------------------------------------------

VMPtr<AnimSet> Resources::loadAnimSet(jint id) {
    clinit();
    AnimSet::clinit();
    return AnimSet::load(id);
}

// --- graphic-object sets ---------------------------------------------------------

VMPtr<VMArray<Gob*>> Resources::loadGobs(jint id) {
    return loadGobs(id, nullptr);
}

VMPtr<VMArray<Gob*>> Resources::loadGobs(jint id, const VMPtr<ByteArray>& palette) {
    clinit();
    VMPtr<DataInputStream> in = openStream(id);
    return vmTryCatch([&] { return readGobs(id, in, palette); },
                      [](const VMPtr<java::lang::Exception>&) -> VMPtr<VMArray<Gob*>> {
                          // No half-built set keeps its rows alive.
                          Gob::S().rgbRows = nullptr;
                          return nullptr;
                      });
}

VMPtr<VMArray<Gob*>> Resources::requireGobs(jint id) {
    clinit();
    VMPtr<DataInputStream> in = openStream(id);
    return vmTryCatch(
        [&] { return readGobs(id, in, nullptr); },
        [&](const VMPtr<java::lang::Exception>& failure) -> VMPtr<VMArray<Gob*>> {
            Gob::S().rgbRows = nullptr;
            // A failure that names its file on disk already (the sheet's)
            // says enough; any other is about the set's own bytes.
            VMPtr<String> message = failure->getMessage();
            VMPtr<String> folder = platform::marl::WrenMarl::getResourceFolder();
            if (message != nullptr && folder->length() > 0 && message->startsWith(folder))
                failure->throwSelf();
            java::io::IOException::throwNew(
                describeUnreadable(id, "the graphic-object set", failure->toString()));
        });
}

VMPtr<AnimSet> Resources::requireAnimSet(jint id, const VMPtr<VMArray<Gob*>>& gobs) {
    clinit();
    VMPtr<DataInputStream> in = openStream(id);
    VMPtr<AnimSet> set =
        vmTryCatch([&] { return AnimSet::loadWhole(id, in); },
                   [&](const VMPtr<java::lang::Exception>& failure) -> VMPtr<AnimSet> {
                       java::io::IOException::throwNew(
                           describeUnreadable(id, "the animation set", failure->toString()));
                   });
    // What would fail only when the set is played or drawn fails here, while
    // it is still known which entry holds it. Bytes after the tables are not
    // read, and a set without animations may serve frame layers alone: a
    // player that starts an animation it lacks names the entry itself.
    VMPtr<String> bad = set->findBadReference(gobs != nullptr ? gobs->length : -1);
    if (bad != nullptr)
        java::io::IOException::throwNew(describeUnreadable(id, "the animation set", bad));
    set->setGobs(gobs);
    return set;
}

VMPtr<util::text::Translation> Resources::loadTranslation(jint id) {
    clinit();
    VMPtr<DataInputStream> in = openStream(id);
    jint size = getSize(id);
    try {
        VMPtr<util::text::Translation> table = util::text::Translation::make(in, size);
        table->resourceId = id;
        return table;
    } catch (java::io::IOException* caught) {
        VMPtr<java::io::IOException> failure = caught;
        // A table from a stream has no file a player could look at.
        if (S().pack->getEntryFile(id) == nullptr) failure->throwSelf();
        VMPtr<String> message = failure->getMessage();
        VMPtr<String> named = describeEntry(id, message != nullptr ? message : failure->toString());
        if (vmIsInstanceOf(failure, EOFException::classRecord())) EOFException::throwNew(named);
        java::io::IOException::throwNew(named);
    }
}

VMPtr<String> Resources::describeUnreadable(jint id, const char* what, const VMPtr<String>& why) {
    VMPtr<StringBuffer> text = StringBuffer::make(what);
    text->append(" can't be read (");
    text->append(why);
    text->append(")");
    return describeEntry(id, text->toString());
}

VMPtr<String> Resources::describeEntry(jint id, const VMPtr<String>& what) {
    clinit();
    VMPtr<String> file = S().pack->getEntryFile(id);
    VMPtr<StringBuffer> text =
        file != nullptr ? StringBuffer::make(platform::marl::WrenMarl::getResourceFile(file))
                        : StringBuffer::make("resource pack 0");
    text->append(": entry ");
    text->append(id & 0x3FF);
    text->append(": ");
    text->append(what);
    return text->toString();
}

void Resources::throwMissingPart(jint id, const char* what, const char* part, jint index,
                                 jint count) {
    // Naming the file reopens its pack; whatever stops that leaves the
    // plain index exception, never a failure of its own in its place.
    VMPtr<String> named = vmTryCatch(
        [&]() -> VMPtr<String> {
            clinit();
            // Content can fall short of an index, never below 0: a negative
            // one is the program's own mistake, and no file is to blame.
            if (index < 0 || id <= 0 || S().pack->getEntryFile(id) == nullptr) return nullptr;
            VMPtr<StringBuffer> text = StringBuffer::make(what);
            text->append(" has no ");
            text->append(part);
            text->append(" ");
            text->append(index);
            text->append(" (it has ");
            text->append(count);
            text->append(")");
            return describeEntry(id, text->toString());
        },
        [](const VMPtr<java::lang::Exception>&) -> VMPtr<String> { return nullptr; });
    if (named == nullptr) java::lang::ArrayIndexOutOfBoundsException::throwNew(index);
    java::lang::ArrayIndexOutOfBoundsException::throwNew(named);
}

VMPtr<VMArray<Gob*>> Resources::readGobs(jint id, const VMPtr<DataInputStream>& in,
                                         const VMPtr<ByteArray>& palette) {
    Statics& s = S();
    if (s.gobBits == nullptr) {
        s.gobBits = VMArray<jboolean>::create(20);
        s.gobFieldWidths = VMArray<jbyte>::create(10);
        s.gobDescriptor = VMArray<jshort>::create(10);
    }
    jint sheetEntry = in->readChar();
    // A larger number would reach into the pack bits of the id.
    if (sheetEntry > 0x3FF)
        java::lang::IllegalArgumentException::throwNew(WREN_LIT("sheet entry beyond 1023"));
    // In 16 bits, read back unsigned: packs up to 63 can be addressed.
    jint sheetId = ((id & 0xFC00) | sheetEntry) & 0xFFFF;
    s.gobSheetId = jshort(sheetId);
    in->readByte();
    jint n = in->readShort();
    VMPtr<ByteArray> data = ByteArray::create(n - 4);
    jint layout = in->readChar();
    jint countWord = in->readChar();
    in->readFully(data);
    VMPtr<ByteArray> hints;
    if (countWord & 0x2000) {
        jint m = in->readShort();
        hints = ByteArray::create(m - 5);
        in->readInt();
        in->readByte();
        in->readFully(hints);
    }
    jint count = countWord & 0xFFF;

    VMPtr<VMArray<jboolean>> bits = s.gobBits;
    for (jint b = 0; b < 16; ++b) bits[b] = ((layout >> b) & 1) != 0;
    for (jint b = 0; b < 4; ++b) bits[16 + b] = ((countWord >> (12 + b)) & 1) != 0;
    VMPtr<ByteArray> widths = s.gobFieldWidths;
    jint widthBit = 5;
    jint columns = 0;
    for (jint f = 0; f < 10; ++f) {
        if (bits[kFieldGroup[f]]) {
            widths[f] = 0;
            continue;
        }
        widths[f] = jbyte(((layout >> widthBit) & 1) ? 1 : 2);
        widthBit += 1;
        columns += count * widths[f];
    }
    // The columns must lie within what the entry holds (bytes after them
    // are not looked at), and there must be a hint for every object, before
    // anything is built from them.
    if (columns > data->length)
        java::lang::IllegalArgumentException::throwNew(
            WREN_LIT("descriptor columns beyond the descriptor data"));
    if (hints != nullptr && hints->length < (count + 3) / 4)
        java::lang::IllegalArgumentException::throwNew(WREN_LIT("fewer hints than objects"));

    VMPtr<VMArray<Gob*>> gobs = VMArray<Gob*>::create(count);
    for (jint i = 0; i < count; ++i) {
        VMPtr<Gob> gob = Gob::make();
        if (hints != nullptr) gob->alphaKind = jbyte((hints[i / 4] >> (2 * (i % 4))) & 3);
        gobs[i] = gob;
    }
    try {
        Gob::assignSharedImage(gobs, sheetId, palette, nullptr);
    } catch (java::lang::IllegalArgumentException*) {
        // The decoder refuses the sheet's bytes and names no file: a caller
        // that needs the set learns which picture it was. The decoder's own
        // words (a bridge status) are nothing a player could act on.
        java::io::IOException::throwNew(
            describeEntry(sheetId, WREN_LIT("the picture can't be decoded")));
    }
    Gob::prepareRGBBuffers(gobs);
    VMPtr<VMArray<jshort>> descriptor = s.gobDescriptor;
    for (jint i = 0; i < count; ++i) {
        jint pos = 0;
        for (jint f = 0; f < 10; ++f) {
            jint w = widths[f];
            jint value = 0;
            if (w != 0) {
                pos += i * w;
                if (w == 1)
                    value = kFieldSigned[f] ? jint(data[pos]) : jint(uint8_t(data[pos]));
                else
                    value = jshort((uint8_t(data[pos]) << 8) | uint8_t(data[pos + 1]));
                pos += (count - i) * w;
            }
            descriptor[f] = jshort(value);
        }
        gobs[i]->readDescriptor(descriptor);
    }
    Gob::createRGBImages(gobs);
    return gobs;
}

// --- whole packs -----------------------------------------------------------------

jboolean Resources::loadPack(const VMPtr<DataInputStream>& in) {
    return S().pack->load(in, false);
}

jboolean Resources::loadStoredPack(jint recordId) {
    clinit();
    VMPtr<ByteArray> data;
    if (recordId != -1) data = WrenCanvas::S().instance->loadData(recordId);
    VMPtr<DataInputStream> in;
    if (data != nullptr) in = DataInputStream::make(java::io::ByteArrayInputStream::make(data));
    return loadPack(in);
}

void Resources::closePack() {
    S().pack->close();
}

VMPtr<ByteArray> Resources::savePack(const VMPtr<VMArray<jbyte, 2>>& entries,
                                     const VMPtr<ByteArray>& types) {
    clinit();
    return io::resource::ResourcePackSaver::savePack(entries, types);
}

VMPtr<ByteArray> Resources::getImageAsBMP(jint id) {
    clinit();
    WrenCanvas::Statics& writer = WrenCanvas::S();
    VMPtr<ByteArray> savedBuffer = writer.outBuffer;
    jint savedPosition = writer.outPosition;
    return vmTryFinally(
        [&] {
            VMPtr<Image> image = getImage(id);
            jint w = image->getWidth(), h = image->getHeight();
            VMPtr<VMArray<jint>> palette = VMArray<jint>::create(256);
            VMPtr<ByteArray> pixels = WrenCanvas::toIndexedPixels(image, palette);
            jint pad = (4 - w % 4) % 4;
            jint stride = w + pad;
            VMPtr<ByteArray> bmp = ByteArray::create(kBmpPixels + stride * h);
            writer.outBuffer = bmp;
            writer.outPosition = 0;
            WrenCanvas::writeShortLE(0x4D42);
            WrenCanvas::writeIntLE(kBmpPixels + stride * h);
            WrenCanvas::writeIntLE(0);
            WrenCanvas::writeIntLE(kBmpPixels);
            WrenCanvas::writeIntLE(40);
            WrenCanvas::writeIntLE(w);
            WrenCanvas::writeIntLE(h);
            WrenCanvas::writeShortLE(1);
            WrenCanvas::writeShortLE(8);
            WrenCanvas::writeIntLE(0);
            WrenCanvas::writeIntLE(stride * h);
            WrenCanvas::writeIntLE(0);
            WrenCanvas::writeIntLE(0);
            WrenCanvas::writeIntLE(256);
            WrenCanvas::writeIntLE(256);
            for (jint i = 0; i < 256; ++i) WrenCanvas::writeIntLE(palette[i] | jint(0xFF000000));
            for (jint row = h - 1; row >= 0; --row) {
                for (jint c = 0; c < w; ++c) WrenCanvas::writeByte(pixels[row * w + c]);
                for (jint c = 0; c < pad; ++c) WrenCanvas::writeByte(0);
            }
            return bmp;
        },
        [&] {
            // Also when the image fails to load or has too many colours.
            writer.outBuffer = savedBuffer;
            writer.outPosition = savedPosition;
        });
}

VMPtr<DataInputStream> Resources::openStream(const VMPtr<ByteArray>& data, jint offset,
                                             jint length) {
    clinit();
    return DataInputStream::make(java::io::ByteArrayInputStream::make(data, offset, length));
}

VMPtr<javax::microedition::lcdui::Image> Resources::createImage(const VMPtr<ByteArray>& data,
                                                                jint offset, jint length) {
    clinit();
    javax::microedition::lcdui::Image::clinit();
    return javax::microedition::lcdui::Image::createImage(data, offset, length);
}

VMPtr<ByteArray> Resources::readBytes(const VMPtr<InputStream>& in, jlong length) {
    clinit();
    if (length < 0 || length > 0x7FFFFFFF) EOFException::throwNew();
    jint n = jint(length);
    jint vouched = in->available();
    if (n <= vouched) {
        VMPtr<ByteArray> a = ByteArray::create(n);
        for (jint done = 0; done < n;) {
            jint k = in->read(a, done, n - done);
            if (k < 0) EOFException::throwNew();
            done += k;
        }
        return a;
    }
    VMPtr<ByteArray> a = ByteArray::create(std::min(n, std::max(vouched, kUnvouchedStep)));
    jint done = 0;
    while (done < n) {
        if (done == a->length) {
            VMPtr<ByteArray> larger =
                ByteArray::create(jint(std::min<jlong>(n, jlong(a->length) * 2)));
            java::lang::System::arraycopy(a, 0, larger, 0, done);
            a = larger;
        }
        jint k = in->read(a, done, a->length - done);
        if (k < 0) EOFException::throwNew();
        done += k;
    }
    return a;
}

jlong Resources::skipUpTo(const VMPtr<InputStream>& in, jlong n) {
    clinit();
    jlong done = 0;
    while (done < n) {
        jlong k = in->skip(n - done);
        if (k <= 0) {
            // A stream may skip nothing before its end: one byte read tells.
            if (in->read() < 0) break;
            k = 1;
        }
        done += std::min(k, n - done);
    }
    return done;
}

void Resources::skipFully(const VMPtr<InputStream>& in, jlong n) {
    if (n < 0 || skipUpTo(in, n) < n) EOFException::throwNew();
}

jint Resources::findPaletteChunk(const VMPtr<DataInputStream>& in) {
    clinit();
    Statics& s = wrenStatics_();
    // The offset follows what was really skipped, so that it never names a
    // byte the walk did not reach.
    s.paletteOffset = 0;
    jlong skipped = skipUpTo(in, 8);
    s.paletteOffset = jint(skipped);
    if (skipped < 8) EOFException::throwNew();
    for (;;) {
        jint length = in->readInt();
        jint type = in->readInt();
        s.paletteOffset += 8;
        if (length < 0) EOFException::throwNew();
        if (type == CHUNK_PLTE) return length;
        if (type == CHUNK_IEND) return -1;
        // The data and the CRC; at most 2^31 + 3 bytes, so in 64 bits.
        jlong need = jlong(length) + 4;
        skipped = skipUpTo(in, need);
        if (jlong(s.paletteOffset) + skipped > 0x7FFFFFFF) EOFException::throwNew();
        s.paletteOffset += jint(skipped);
        if (skipped < need) EOFException::throwNew();
    }
}

VMPtr<ByteArray> Resources::readPalette(jint id, const VMPtr<DataInputStream>& in) {
    clinit();
    try {
        jint n = findPaletteChunk(in);
        if (n < 0) return nullptr;
        return readBytes(in, jlong(n) + 4);
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> ignored = caught;
        return nullptr;
    }
}

void Resources::swapPalette(const VMPtr<ByteArray>& data, jint offset,
                            const VMPtr<ByteArray>& palette) {
    clinit();
    if (palette == nullptr) return;
    jint at;
    try {
        if (findPaletteChunk(openStream(data, offset, data->length - offset)) == -1) return;
        at = wrenStatics_().paletteOffset;
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> ignored = caught;
        return;
    }
    // All or nothing: a palette that would run past the data is not
    // exchanged at all, so that a second call still restores both arrays.
    jlong p = jlong(offset) + at;
    if (p < 0 || p + palette->length > data->length) return;
    jbyte* d = data->elements() + p;
    jbyte* q = palette->elements();
    for (jint i = 0; i < palette->length; ++i) std::swap(d[i], q[i]);
}

jint Resources::getTransparentIndex(jint id, const VMPtr<DataInputStream>& in) {
    clinit();
    jint result = -1;
    try {
        skipFully(in, 33);  // the signature and the whole IHDR chunk
        jint length = in->readInt();
        if (length < 0) EOFException::throwNew();
        skipFully(in, jlong(length) + 8);  // PLTE: its type, data and CRC
        jint n = in->readInt();
        jint type = in->readInt();
        if (type == CHUNK_TRNS) {
            for (jint i = 0; i < n; ++i) {
                if (in->readByte() == 0) {
                    result = i;
                    break;
                }
            }
        }
    } catch (java::lang::Exception* caught) {
        VMPtr<java::lang::Exception> ignored = caught;
    }
    return result;
}

}  // namespace wren
