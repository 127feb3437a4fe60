// DataInputStream's readers and the runtime's UTF-8 decoding over arbitrary
// bytes. The input's first byte says how many of the bytes after it are
// operations; the rest is the stream they read. Reading past the end or
// malformed text may throw the exceptions the streams document; anything
// else thrown, any memory fault, and any broken round trip is a finding.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "VMArray.h"
#include "VMClass.h"
#include "VMUtf8.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_ByteArrayOutputStream.h"
#include "java_io_DataInputStream.h"
#include "java_io_DataOutputStream.h"
#include "java_io_IOException.h"
#include "java_io_UTFDataFormatException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_String.h"
#include "fuzz_support.h"

using java::io::ByteArrayInputStream;
using java::io::ByteArrayOutputStream;
using java::io::DataInputStream;
using java::io::DataOutputStream;
using java::lang::String;

namespace {

bool sameText(const VMPtr<String>& a, const VMPtr<String>& b) {
    return a->count == b->count &&
           std::memcmp(a->value->elements() + a->offset, b->value->elements() + b->offset,
                       size_t(a->count) * sizeof(jchar)) == 0;
}

// A string readUTF gave is written again and read back unchanged, or refused
// when its modified UTF-8 passes 65535 bytes (raw zero bytes decode to U+0000,
// which takes two).
void checkUtfRoundTrip(const VMPtr<String>& s) {
    size_t utflen = vmUtf8Length(s->value->elements() + s->offset, s->count, true);
    VMPtr<ByteArrayOutputStream> sink = ByteArrayOutputStream::make();
    try {
        DataOutputStream::make(sink)->writeUTF(s);
    } catch (java::io::UTFDataFormatException* caught) {
        VMPtr<java::io::UTFDataFormatException> refused = caught;
        if (utflen <= 65535) finding("writeUTF refused a string that fits");
        if (sink->size() != 0) finding("a refused writeUTF wrote bytes");
        return;
    }
    if (utflen > 65535) finding("writeUTF took a string past 65535 bytes");
    if (sink->size() != jint(utflen) + 2) finding("writeUTF wrote the wrong length");
    VMPtr<DataInputStream> again =
        DataInputStream::make(ByteArrayInputStream::make(sink->toByteArray()));
    if (!sameText(again->readUTF(), s)) finding("readUTF(writeUTF(s)) != s");
}

// The String constructors decode the same bytes the same way, and what they
// make encodes and decodes back to itself.
void checkStringDecoding(const uint8_t* bytes, size_t n) {
    VMPtr<String> fromText = String::make(reinterpret_cast<const char*>(bytes), jint(n));
    if (size_t(fromText->count) > n) finding("more chars than bytes");
    std::string encoded = fromText->toUtf8();
    if (!sameText(String::make(encoded.data(), jint(encoded.size())), fromText))
        finding("decode(encode(s)) != s");

    VMPtr<VMArray<jbyte>> array = VMArray<jbyte>::create(jint(n));
    if (n) std::memcpy(array->elements(), bytes, n);
    try {
        VMPtr<String> fromArray = String::make(array, jint(0), jint(n));
        if (!sameText(fromArray, fromText)) finding("byte[] and char* decodings differ");
    } catch (java::lang::RuntimeException* caught) {
        VMPtr<java::lang::RuntimeException> malformed = caught;  // a malformed lead byte
    }
}

void runOperation(uint8_t op, const VMPtr<DataInputStream>& in,
                  const VMPtr<VMArray<jbyte>>& buffer) {
    // The high bits pick the arguments of the operations that take any.
    jint arg = jint(op >> 4) - 4;  // -4 .. 11
    switch (op & 0x0F) {
        case 0: in->readBoolean(); break;
        case 1: in->readByte(); break;
        case 2: in->readUnsignedByte(); break;
        case 3: in->readShort(); break;
        case 4: in->readUnsignedShort(); break;
        case 5: in->readChar(); break;
        case 6: in->readInt(); break;
        case 7: in->readLong(); break;
        case 8: in->readFloat(); break;
        case 9: in->readDouble(); break;
        case 10: checkUtfRoundTrip(in->readUTF()); break;
        case 11: in->readFully(buffer, arg, 3); break;
        case 12: in->readFully(buffer, 2, arg); break;
        case 13: {
            jint n = in->read(buffer, arg, 5 - arg);
            if (n < -1 || n > 5 - arg) finding("read(byte[],int,int) count out of range");
            break;
        }
        case 14: in->skipBytes(arg); break;
        default:
            if (arg & 1) in->mark(0);
            else in->reset();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    startFuzzedRuntime();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CollectAfterInput collect;
    if (size == 0 || size > 0x100000) return 0;
    size_t ops = std::min<size_t>(data[0] % 32, size - 1);
    const uint8_t* script = data + 1;
    const uint8_t* bytes = script + ops;
    size_t n = size - 1 - ops;

    checkStringDecoding(bytes, n);

    VMPtr<VMArray<jbyte>> array = VMArray<jbyte>::create(jint(n));
    if (n) std::memcpy(array->elements(), bytes, n);
    VMPtr<DataInputStream> in = DataInputStream::make(ByteArrayInputStream::make(array));
    VMPtr<VMArray<jbyte>> buffer = VMArray<jbyte>::create(8);
    for (size_t i = 0; i < ops; ++i) {
        try {
            runOperation(script[i], in, buffer);
        } catch (java::io::IOException* caught) {
            VMPtr<java::io::IOException> expected = caught;  // EOF or malformed text
        } catch (java::lang::IndexOutOfBoundsException* caught) {
            VMPtr<java::lang::IndexOutOfBoundsException> expected = caught;
            // A bad range says so itself; an array index caught out means
            // some read went past its checks.
            if (expected->getClass() != java::lang::IndexOutOfBoundsException::classRecord())
                finding("an array index out of bounds escaped the range checks");
        }
    }
    return 0;
}
