// Data streams: the bytes DataOutputStream writes for every type and what
// DataInputStream reads back from them, the data format's modified UTF-8 and
// its 65535-byte limit, the end of data in the middle of a value, and how
// both streams hand their work to the stream underneath.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "VMArray.h"
#include "java_bytes.h"
#include "VMClass.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_ByteArrayOutputStream.h"
#include "java_io_DataInputStream.h"
#include "java_io_DataOutputStream.h"
#include "java_io_OutputStream.h"
#include "runtime/runtime_test_support.h"

using java::io::ByteArrayInputStream;
using java::io::ByteArrayOutputStream;
using java::io::DataInputStream;
using java::io::DataOutputStream;
using java::lang::String;
using wrentest::classNameOf;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace datastreamtest {

// A byte-array stream that counts the read() calls made on it.
class Counting : public java::io::ByteArrayInputStream {
    WREN_CLASS(Counting, java::io::ByteArrayInputStream)
public:
    jint reads = 0;
    using java::io::ByteArrayInputStream::read;
    jint read() override {
        ++reads;
        return ByteArrayInputStream::read();
    }
};

// Gives at most one byte per array read, as a slow connection might.
class Trickle : public java::io::ByteArrayInputStream {
    WREN_CLASS(Trickle, java::io::ByteArrayInputStream)
public:
    using java::io::ByteArrayInputStream::read;
    jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override {
        return ByteArrayInputStream::read(b, off, len < 1 ? len : 1);
    }
};

// Records each call: "int" for write(int), "array:<len>" for
// write(byte[],int,int), "flush", "close".
class Recorder : public java::io::OutputStream {
    WREN_CLASS(Recorder, java::io::OutputStream)
public:
    std::vector<std::string> calls;
    using java::io::OutputStream::write;
    void ctor() { OutputStream::ctor(); }
    void write(jint b) override { calls.push_back("int"); }
    void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override {
        calls.push_back("array:" + std::to_string(len));
    }
    void flush() override { calls.push_back("flush"); }
    void close() override { calls.push_back("close"); }
};

}  // namespace datastreamtest

WREN_DEFINE_CLASS(datastreamtest::Counting, "datastreamtest.Counting")
WREN_DEFINE_CLASS(datastreamtest::Trickle, "datastreamtest.Trickle")
WREN_DEFINE_CLASS(datastreamtest::Recorder, "datastreamtest.Recorder")

namespace {

using Bytes = std::vector<uint8_t>;
using datastreamtest::Counting;

constexpr const char* kEOF = "java.io.EOFException";
constexpr const char* kUTF = "java.io.UTFDataFormatException";

using wrentest::bytesOf;
VMPtr<VMArray<jbyte>> arrayOf(const Bytes& bytes) { return wrentest::jbytes(bytes); }

VMPtr<DataInputStream> over(const Bytes& bytes) {
    return DataInputStream::make(ByteArrayInputStream::make(arrayOf(bytes)));
}

VMPtr<String> utf16(const std::u16string& s) { return String::make(s.data(), jint(s.size())); }

std::u16string chars(const VMPtr<String>& s) {
    return std::u16string(s->value->elements() + s->offset, size_t(s->count));
}

std::string hex(const Bytes& bytes) {
    std::string out;
    char cell[4];
    for (uint8_t b : bytes) {
        std::snprintf(cell, sizeof cell, "%02X ", b);
        out += cell;
    }
    return out;
}

std::string show(double v) {
    char cell[40];
    std::snprintf(cell, sizeof cell, "%g", v);
    return cell;
}

// One value each: the bytes the writer gives, as OpenJDK 17 writes them,
// and the value the matching reader makes of those bytes.
struct TypedCase {
    const char* what;
    std::function<void(DataOutputStream*)> write;
    Bytes bytes;
    std::function<std::string(DataInputStream*)> read;
    std::string value;
};

const TypedCase kTypedCases[] = {
    {"writeBoolean(true)",
     [](auto* o) { o->writeBoolean(true); },
     {0x01},
     [](auto* i) { return std::to_string(i->readBoolean()); },
     "1"},
    {"writeBoolean(false)",
     [](auto* o) { o->writeBoolean(false); },
     {0x00},
     [](auto* i) { return std::to_string(i->readBoolean()); },
     "0"},
    {"writeByte(0x1FF)",
     [](auto* o) { o->writeByte(0x1FF); },
     {0xFF},
     [](auto* i) { return std::to_string(i->readByte()); },
     "-1"},
    {"writeByte(-128) as unsigned",
     [](auto* o) { o->writeByte(-128); },
     {0x80},
     [](auto* i) { return std::to_string(i->readUnsignedByte()); },
     "128"},
    {"writeShort(-2)",
     [](auto* o) { o->writeShort(-2); },
     {0xFF, 0xFE},
     [](auto* i) { return std::to_string(i->readShort()); },
     "-2"},
    {"writeShort(0x12345) as unsigned",
     [](auto* o) { o->writeShort(0x12345); },
     {0x23, 0x45},
     [](auto* i) { return std::to_string(i->readUnsignedShort()); },
     "9029"},
    {"writeShort(-1) as unsigned",
     [](auto* o) { o->writeShort(-1); },
     {0xFF, 0xFF},
     [](auto* i) { return std::to_string(i->readUnsignedShort()); },
     "65535"},
    {"writeChar(U+20AC)",
     [](auto* o) { o->writeChar(0x20AC); },
     {0x20, 0xAC},
     [](auto* i) { return std::to_string(i->readChar()); },
     "8364"},
    {"writeInt(0x01020304)",
     [](auto* o) { o->writeInt(0x01020304); },
     {1, 2, 3, 4},
     [](auto* i) { return std::to_string(i->readInt()); },
     "16909060"},
    {"writeInt(MIN_VALUE)",
     [](auto* o) { o->writeInt(std::numeric_limits<jint>::min()); },
     {0x80, 0, 0, 0},
     [](auto* i) { return std::to_string(i->readInt()); },
     "-2147483648"},
    {"writeInt(-1)",
     [](auto* o) { o->writeInt(-1); },
     {0xFF, 0xFF, 0xFF, 0xFF},
     [](auto* i) { return std::to_string(i->readInt()); },
     "-1"},
    {"writeLong(-1)",
     [](auto* o) { o->writeLong(-1); },
     Bytes(8, 0xFF),
     [](auto* i) { return std::to_string(i->readLong()); },
     "-1"},
    {"writeLong(0x01020304FFFFFFFF)",
     [](auto* o) { o->writeLong(0x01020304FFFFFFFFLL); },
     {1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF},
     [](auto* i) { return std::to_string(i->readLong()); },
     "72623864001069055"},
    {"writeLong(MIN_VALUE)",
     [](auto* o) { o->writeLong(std::numeric_limits<jlong>::min()); },
     {0x80, 0, 0, 0, 0, 0, 0, 0},
     [](auto* i) { return std::to_string(i->readLong()); },
     "-9223372036854775808"},
    {"writeFloat(1.0f)",
     [](auto* o) { o->writeFloat(1.0f); },
     {0x3F, 0x80, 0, 0},
     [](auto* i) { return show(i->readFloat()); },
     "1"},
    {"writeFloat(-0.0f)",
     [](auto* o) { o->writeFloat(-0.0f); },
     {0x80, 0, 0, 0},
     [](auto* i) { return show(i->readFloat()); },
     "-0"},
    {"writeFloat(smallest subnormal)",
     [](auto* o) { o->writeFloat(std::numeric_limits<jfloat>::denorm_min()); },
     {0, 0, 0, 1},
     [](auto* i) {
         return std::to_string(i->readFloat() == std::numeric_limits<jfloat>::denorm_min());
     },
     "1"},
    {"writeFloat(-infinity)",
     [](auto* o) { o->writeFloat(-std::numeric_limits<jfloat>::infinity()); },
     {0xFF, 0x80, 0, 0},
     [](auto* i) { return show(i->readFloat()); },
     "-inf"},
    // Whatever bits a NaN has, the one Java writes.
    {"writeFloat(negative NaN)",
     [](auto* o) { o->writeFloat(-std::nanf("")); },
     {0x7F, 0xC0, 0, 0},
     [](auto* i) { return show(i->readFloat()); },
     "nan"},
    {"writeDouble(1.0)",
     [](auto* o) { o->writeDouble(1.0); },
     {0x3F, 0xF0, 0, 0, 0, 0, 0, 0},
     [](auto* i) { return show(i->readDouble()); },
     "1"},
    {"writeDouble(-2.5)",
     [](auto* o) { o->writeDouble(-2.5); },
     {0xC0, 0x04, 0, 0, 0, 0, 0, 0},
     [](auto* i) { return show(i->readDouble()); },
     "-2.5"},
    {"writeDouble(NaN with payload)",
     [](auto* o) { o->writeDouble(std::bit_cast<jdouble>(0x7FF0000000000123LL)); },
     {0x7F, 0xF8, 0, 0, 0, 0, 0, 0},
     [](auto* i) { return show(i->readDouble()); },
     "nan"},
    {"writeChars(\"A\\u00e9\\u20ac\")",
     [](auto* o) { o->writeChars(utf16(u"A\u00e9\u20ac")); },
     {0x00, 0x41, 0x00, 0xE9, 0x20, 0xAC},
     [](auto* i) {
         std::string units;
         for (int k = 0; k < 3; ++k) units += std::to_string(i->readChar()) + ";";
         return units;
     },
     "65;233;8364;"},
};

TEST(DataStreams, EachTypeWritesJavasBytesAndReadsThemBack) {
    for (const TypedCase& c : kTypedCases) {
        SCOPED_TRACE(c.what);
        VMPtr<ByteArrayOutputStream> sink = ByteArrayOutputStream::make();
        VMPtr<DataOutputStream> out = DataOutputStream::make(sink);
        c.write(out.get());
        EXPECT_EQ(hex(bytesOf(sink->toByteArray())), hex(c.bytes));
        VMPtr<DataInputStream> in = over(c.bytes);
        EXPECT_EQ(c.read(in.get()), c.value);
        EXPECT_EQ(in->available(), 0);  // exactly the value's bytes were taken
    }
}

// writeUTF's forms: U+0000 and U+0080..U+07FF take two bytes, U+0800 on
// three; a surrogate pair is two three-byte units.
TEST(DataStreams, WriteUtfEncodesTheModifiedForms) {
    struct Case {
        std::u16string text;
        Bytes bytes;
    };
    const Case cases[] = {
        {u"", {0x00, 0x00}},
        {std::u16string(u"a\0", 2), {0x00, 0x03, 0x61, 0xC0, 0x80}},
        {u"\u007f\u0080", {0x00, 0x03, 0x7F, 0xC2, 0x80}},
        {u"\u07ff\u0800", {0x00, 0x05, 0xDF, 0xBF, 0xE0, 0xA0, 0x80}},
        {u"\uffff", {0x00, 0x03, 0xEF, 0xBF, 0xBF}},
        {u"\U0001F600", {0x00, 0x06, 0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.bytes));
        VMPtr<ByteArrayOutputStream> sink = ByteArrayOutputStream::make();
        DataOutputStream::make(sink)->writeUTF(utf16(c.text));
        EXPECT_EQ(hex(bytesOf(sink->toByteArray())), hex(c.bytes));
        EXPECT_EQ(chars(over(c.bytes)->readUTF()), c.text);
    }
    EXPECT_EQ(thrownName(
                  [] { DataOutputStream::make(ByteArrayOutputStream::make())->writeUTF(nullptr); }),
              "java.lang.NullPointerException");
}

TEST(DataStreams, WriteUtfStopsAt65535BytesAndWritesNothingBeyond) {
    struct Case {
        size_t count;
        char16_t unit;
        bool fits;
    };
    // 3 x 21845 = 65535; U+0000 takes two bytes here, not one.
    const Case cases[] = {{21845, u'\u0800', true}, {21846, u'\u0800', false},
                          {65535, u'a', true},      {65536, u'a', false},
                          {32767, u'\0', true},     {32768, u'\0', false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.count) + " x U+" + std::to_string(unsigned(c.unit)));
        std::u16string text(c.count, c.unit);
        VMPtr<ByteArrayOutputStream> sink = ByteArrayOutputStream::make();
        VMPtr<java::lang::Throwable> t =
            thrownBy([&] { DataOutputStream::make(sink)->writeUTF(utf16(text)); });
        if (!c.fits) {
            EXPECT_EQ(classNameOf(t), kUTF);
            EXPECT_EQ(sink->size(), 0);
            continue;
        }
        EXPECT_EQ(classNameOf(t), "nothing");
        ASSERT_EQ(sink->size(), 65537 - (c.unit == 0 ? 1 : 0));
        VMPtr<DataInputStream> in =
            DataInputStream::make(ByteArrayInputStream::make(sink->toByteArray()));
        EXPECT_TRUE(chars(in->readUTF()) == text);
    }
}

TEST(DataStreams, ReadUtfDecodesLenientlyButRefusesMalformedLeadsAndCutSequences) {
    struct Case {
        Bytes bytes;
        std::u16string text;     // when read
        const char* thrown;      // else
    };
    const Case cases[] = {
        {{0x00, 0x03, 0x61, 0xC0, 0x80}, std::u16string(u"a\0", 2), nullptr},
        {{0x00, 0x03, 0xE0, 0x80, 0x80}, std::u16string(1, u'\0'), nullptr},  // overlong
        {{0x00, 0x02, 0xC3, 0x41}, u"\u0080", nullptr},                // broken pair
        {{0x00, 0x04, 0xE2, 0x41, 0x42, 0x43}, u"\u0080C", nullptr},  // broken triple
        {{0x00, 0x02, 0x61, 0x80}, u"", kUTF},                        // stray continuation
        {{0x00, 0x02, 0xF0, 0x90}, u"", kUTF},                        // four-byte lead
        {{0x00, 0x02, 0x61, 0xE2, 0x82, 0xAC}, u"", kUTF},            // cut by the length
        {{0x00, 0x01, 0xC3}, u"", kUTF},
        {{0x00, 0x05, 0x61, 0x62}, u"", kEOF},  // the data ends first
        {{0x00}, u"", kEOF},                    // the length does
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.bytes));
        VMPtr<DataInputStream> in = over(c.bytes);
        std::u16string got;
        VMPtr<java::lang::Throwable> t = thrownBy([&] { got = chars(in->readUTF()); });
        if (c.thrown) {
            EXPECT_EQ(classNameOf(t), c.thrown);
        } else {
            EXPECT_EQ(classNameOf(t), "nothing");
            EXPECT_TRUE(got == c.text);
        }
    }
    // The stream is left right behind the string.
    VMPtr<DataInputStream> in = over({0x00, 0x02, 0x61, 0x62, 0x63});
    EXPECT_TRUE(chars(in->readUTF()) == u"ab");
    EXPECT_EQ(in->readUnsignedByte(), 0x63);
}

TEST(DataStreams, EndOfDataInsideAValueThrowsAfterAskingForEveryByte) {
    struct Case {
        const char* what;
        std::function<void(DataInputStream*)> read;
        size_t given;   // bytes in the stream
        jint reads;     // read() calls the value makes before it fails
    };
    const Case cases[] = {
        {"readBoolean", [](auto* i) { i->readBoolean(); }, 0, 1},
        {"readByte", [](auto* i) { i->readByte(); }, 0, 1},
        {"readUnsignedByte", [](auto* i) { i->readUnsignedByte(); }, 0, 1},
        {"readShort", [](auto* i) { i->readShort(); }, 1, 2},
        {"readUnsignedShort", [](auto* i) { i->readUnsignedShort(); }, 0, 2},
        {"readChar", [](auto* i) { i->readChar(); }, 1, 2},
        {"readInt", [](auto* i) { i->readInt(); }, 3, 4},
        {"readFloat", [](auto* i) { i->readFloat(); }, 1, 4},
        {"readLong, high word cut", [](auto* i) { i->readLong(); }, 3, 4},
        {"readLong, low word cut", [](auto* i) { i->readLong(); }, 7, 8},
        {"readDouble", [](auto* i) { i->readDouble(); }, 5, 8},
        {"readUTF, length cut", [](auto* i) { i->readUTF(); }, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<Counting> counting = Counting::make(arrayOf(Bytes(c.given, 0x7F)));
        VMPtr<DataInputStream> in = DataInputStream::make(counting);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { c.read(in.get()); });
        EXPECT_EQ(classNameOf(t), kEOF);
        EXPECT_TRUE(t->getMessage() == nullptr);
        EXPECT_EQ(counting->reads, c.reads);
    }
}

TEST(DataStreams, ReadFullyChecksTheWholeRangeAndWaitsForEveryByte) {
    VMPtr<VMArray<jbyte>> four = VMArray<jbyte>::create(4);
    VMPtr<DataInputStream> in = over({1, 2, 3, 4, 5});
    // With len 0 no read would see the offset: it is checked all the same.
    EXPECT_EQ(thrownName([&] { in->readFully(four, 5, 0); }),
              "java.lang.IndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { in->readFully(four, -1, 0); }),
              "java.lang.IndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { in->readFully(four, 2, 3); }),
              "java.lang.IndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { in->readFully(VMPtr<VMArray<jbyte>>(), 0, 0); }),
              "java.lang.NullPointerException");
    EXPECT_EQ(in->available(), 5);

    VMPtr<DataInputStream> slow =
        DataInputStream::make(datastreamtest::Trickle::make(arrayOf({9, 8, 7, 6, 5})));
    slow->readFully(four);
    EXPECT_EQ(hex(bytesOf(four)), "09 08 07 06 ");
    EXPECT_EQ(thrownName([&] { slow->readFully(four, 0, 2); }), kEOF);
}

TEST(DataStreams, SkipBytesStopsAtTheEnd) {
    VMPtr<DataInputStream> in = over(Bytes(10, 0));
    EXPECT_EQ(in->skipBytes(4), 4);
    EXPECT_EQ(in->skipBytes(-1), 0);
    EXPECT_EQ(in->skipBytes(100), 6);
    EXPECT_EQ(in->skipBytes(3), 0);
}

TEST(DataStreams, StreamOperationsPassToTheStreamUnderneath) {
    VMPtr<DataInputStream> in = over({'a', 'b', 'c', 'd'});
    EXPECT_TRUE(in->markSupported());
    EXPECT_EQ(in->read(), 'a');
    in->mark(0);
    VMPtr<VMArray<jbyte>> two = VMArray<jbyte>::create(2);
    EXPECT_EQ(in->read(two), 2);
    EXPECT_EQ(in->available(), 1);
    in->reset();
    EXPECT_EQ(in->skip(2), 2);
    EXPECT_EQ(in->read(two, 1, 1), 1);
    EXPECT_EQ(hex(bytesOf(two)), "62 64 ");
    in->close();

    VMPtr<datastreamtest::Recorder> rec = datastreamtest::Recorder::make();
    VMPtr<DataOutputStream> out = DataOutputStream::make(rec);
    out->writeInt(1);
    out->writeUTF(utf16(u"xyz"));  // one array write for the whole encoding
    out->write(VMArray<jbyte>::create(3));
    out->write(7);
    out->flush();
    out->close();
    EXPECT_EQ(rec->calls, (std::vector<std::string>{"int", "int", "int", "int", "array:5",
                                                    "array:3", "int", "flush", "close"}));

    EXPECT_EQ(thrownName([] { DataInputStream::make(nullptr)->readInt(); }),
              "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([] { DataOutputStream::make(nullptr)->writeInt(1); }),
              "java.lang.NullPointerException");
}

}  // namespace
