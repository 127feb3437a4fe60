#include "wren_Resources.h"

#include <algorithm>

#include "java_io_ByteArrayInputStream.h"
#include "java_io_EOFException.h"
#include "java_lang_Exception.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(wren::Resources, "wren.Resources")

namespace wren {

using java::io::DataInputStream;
using java::io::EOFException;
using java::io::InputStream;
using ByteArray = VMArray<jbyte>;

namespace {

// The first allocation of a read whose length the stream can't vouch for.
constexpr jint kUnvouchedStep = 64 * 1024;

}  // namespace

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
