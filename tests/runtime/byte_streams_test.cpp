// Byte streams: the InputStream defaults, ByteArrayInputStream over whole
// arrays and ranges (ranges that start outside the array included), and
// ByteArrayOutputStream's growth, close rules and copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_ByteArrayOutputStream.h"
#include "java_io_IOException.h"
#include "java_io_InputStream.h"
#include "runtime/runtime_test_support.h"

using java::io::ByteArrayInputStream;
using java::io::ByteArrayOutputStream;
using java::io::InputStream;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace bytestreamtest {

// A stream with only read() of its own, answering from a script: a value
// >= 0 is a byte, -1 the end, -2 an IOException. Past the script it reports
// the end. Counts its read() calls.
class Scripted : public InputStream {
    WREN_CLASS(Scripted, InputStream)
public:
    std::vector<jint> script;
    size_t next = 0;
    jint reads = 0;

    using InputStream::read;
    void ctor(std::vector<jint> s) {
        InputStream::ctor();
        script = std::move(s);
    }
    jint read() override {
        ++reads;
        jint v = next < script.size() ? script[next++] : -1;
        if (v == -2) java::io::IOException::throwNew(WREN_LIT("scripted"));
        return v;
    }
};

}  // namespace bytestreamtest

WREN_DEFINE_CLASS(bytestreamtest::Scripted, "bytestreamtest.Scripted")

namespace {

using bytestreamtest::Scripted;

constexpr const char* kIOOBE = "java.lang.IndexOutOfBoundsException";
constexpr const char* kAIOOBE = "java.lang.ArrayIndexOutOfBoundsException";
constexpr const char* kNPE = "java.lang.NullPointerException";

VMPtr<VMArray<jbyte>> bytesOf(const std::string& s) {
    VMPtr<VMArray<jbyte>> a = VMArray<jbyte>::create(jint(s.size()));
    for (size_t i = 0; i < s.size(); ++i) a[jint(i)] = jbyte(s[i]);
    return a;
}

std::string str(const VMPtr<VMArray<jbyte>>& a, jint off = 0, jint len = -1) {
    if (len < 0) len = a->length - off;
    return std::string(reinterpret_cast<const char*>(a->elements()) + off, size_t(len));
}

struct Range {
    jint off, len;
};
// Ranges outside a 4-byte array, the overflowing sum included.
const Range kBadRanges[] = {{-1, 1}, {0, -1}, {5, 0}, {2, 3}, {1, 2147483647}};

TEST(InputStreamDefaults, ReadIntoArrayChecksTheRangeBeforeReading) {
    VMPtr<Scripted> in = Scripted::make(std::vector<jint>{'a', 'b'});
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(4);
    for (const Range& r : kBadRanges) {
        SCOPED_TRACE(std::to_string(r.off) + "," + std::to_string(r.len));
        EXPECT_EQ(thrownName([&] { in->read(b, r.off, r.len); }), kIOOBE);
    }
    EXPECT_EQ(thrownName([&] { in->read(VMPtr<VMArray<jbyte>>(), 0, 1); }), kNPE);
    EXPECT_EQ(in->read(b, 4, 0), 0);
    EXPECT_EQ(in->reads, 0);
}

TEST(InputStreamDefaults, ReadIntoArrayStopsAtTheEndAndAfterLaterFailures) {
    VMPtr<VMArray<jbyte>> b = bytesOf("....");

    VMPtr<Scripted> ending = Scripted::make(std::vector<jint>{'x', 0xFF, -1});
    EXPECT_EQ(ending->read(b, 1, 3), 2);
    EXPECT_EQ(str(b), ".x\xFF.");
    EXPECT_EQ(ending->read(b, 0, 4), -1);

    // A failure after the first byte ends the fill; the bytes read count.
    VMPtr<Scripted> late = Scripted::make(std::vector<jint>{'p', 'q', -2, 'r'});
    EXPECT_EQ(late->read(b, 0, 4), 2);
    EXPECT_EQ(str(b, 0, 2), "pq");
    EXPECT_EQ(late->read(b, 0, 1), 1);  // the stream goes on after it
    EXPECT_EQ(str(b, 0, 1), "r");

    // On the first read it reaches the caller.
    VMPtr<Scripted> early = Scripted::make(std::vector<jint>{-2, 'z'});
    VMPtr<java::lang::Throwable> t = thrownBy([&] { early->read(b, 0, 4); });
    EXPECT_EQ(classNameOf(t), "java.io.IOException");
    EXPECT_EQ(text(t->getMessage()), "scripted");
}

TEST(InputStreamDefaults, SkipAvailableAndMarks) {
    VMPtr<Scripted> in = Scripted::make(std::vector<jint>{1, 2, 3});
    EXPECT_EQ(in->skip(0), 0);
    EXPECT_EQ(in->skip(-4), 0);
    EXPECT_EQ(in->reads, 0);
    EXPECT_EQ(in->skip(2), 2);
    EXPECT_EQ(in->skip(100), 1);
    EXPECT_EQ(in->available(), 0);
    EXPECT_FALSE(in->markSupported());
    in->mark(10);
    VMPtr<java::lang::Throwable> t = thrownBy([&] { in->reset(); });
    EXPECT_EQ(classNameOf(t), "java.io.IOException");
    EXPECT_EQ(text(t->getMessage()), "mark/reset not supported");
}

TEST(ByteArrayInputStream, ReadsARangeClampedToTheArray) {
    VMPtr<ByteArrayInputStream> in = ByteArrayInputStream::make(bytesOf("0123456789"), 2, 100);
    EXPECT_EQ(in->available(), 8);
    EXPECT_EQ(in->read(), '2');
    VMPtr<VMArray<jbyte>> b = bytesOf("..........");
    EXPECT_EQ(in->read(b, 1, 10 - 1), 7);
    EXPECT_EQ(str(b), ".3456789..");
    EXPECT_EQ(in->read(), -1);
    EXPECT_EQ(in->read(b, 0, 1), -1);
    in->reset();  // no mark() yet: back to where the range began
    EXPECT_EQ(in->read(), '2');
    EXPECT_TRUE(in->markSupported());
}

TEST(ByteArrayInputStream, ZeroLengthReadsSkipsAndMarks) {
    VMPtr<ByteArrayInputStream> in = ByteArrayInputStream::make(bytesOf("abcde"));
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(5);
    EXPECT_EQ(in->read(b, 0, 0), 0);  // not at the end yet
    EXPECT_EQ(in->skip(-5), 0);
    EXPECT_EQ(in->available(), 5);
    EXPECT_EQ(in->skip(2), 2);
    in->mark(0);
    EXPECT_EQ(in->skip(100), 3);
    EXPECT_EQ(in->read(b, 0, 0), -1);  // at the end even a read of nothing says so
    in->reset();
    EXPECT_EQ(in->read(), 'c');
    in->close();
    EXPECT_EQ(in->read(), 'd');  // close does not end it

    for (const Range& r : kBadRanges) {
        SCOPED_TRACE(std::to_string(r.off) + "," + std::to_string(r.len));
        EXPECT_EQ(thrownName([&] { in->read(VMArray<jbyte>::create(4), r.off, r.len); }), kIOOBE);
    }
    EXPECT_EQ(thrownName([&] { in->read(VMPtr<VMArray<jbyte>>(), 0, 0); }), kNPE);
}

TEST(ByteArrayInputStream, ARangeStartingOutsideTheArrayNeverReadsOutsideIt) {
    // Before the array: each read that would reach outside it throws and the
    // destination stays as it was.
    VMPtr<ByteArrayInputStream> before = ByteArrayInputStream::make(bytesOf("0123"), -2, 4);
    VMPtr<VMArray<jbyte>> b = bytesOf("....");
    EXPECT_EQ(thrownName([&] { before->read(); }), kAIOOBE);
    EXPECT_EQ(thrownName([&] { before->read(b, 0, 4); }), kAIOOBE);
    EXPECT_EQ(str(b), "....");
    EXPECT_EQ(before->skip(2), 2);  // moving the position reads nothing
    EXPECT_EQ(before->read(), '0');

    // Past the array: nothing to read.
    VMPtr<ByteArrayInputStream> after = ByteArrayInputStream::make(bytesOf("0123"), 6, 2);
    EXPECT_EQ(after->read(), -1);
    EXPECT_EQ(after->read(b, 0, 4), -1);
    EXPECT_EQ(after->skip(3), 0);

    // A length that wraps the end below the start.
    VMPtr<ByteArrayInputStream> wrapped =
        ByteArrayInputStream::make(bytesOf("0123"), 1, 2147483647);
    EXPECT_EQ(wrapped->read(), -1);
    EXPECT_EQ(str(b), "....");

    EXPECT_EQ(thrownName([] { ByteArrayInputStream::make(VMPtr<VMArray<jbyte>>()); }), kNPE);
}

TEST(ByteArrayOutputStream, GrowsByDoublingOrToWhatIsNeeded) {
    VMPtr<ByteArrayOutputStream> out = ByteArrayOutputStream::make(0);
    std::vector<jint> lengths;
    for (jint i = 0; i < 5; ++i) {
        out->write(7 + i);
        lengths.push_back(out->buf->length);
    }
    EXPECT_EQ(lengths, (std::vector<jint>{1, 2, 4, 4, 8}));
    // 5 held in 8: ten more need 15, and doubling to 16 covers that; twenty
    // more then need 35, more than doubling gives.
    out->write(bytesOf("abcdefghijXY"), 0, 10);
    EXPECT_EQ(out->buf->length, 16);
    out->write(bytesOf("0123456789abcdefghij"), 0, 20);
    EXPECT_EQ(out->buf->length, 35);
    EXPECT_EQ(out->size(), 35);
    EXPECT_EQ(str(out->toByteArray()),
              std::string("\x07\x08\x09\x0A\x0B") + "abcdefghij0123456789abcdefghij");

    EXPECT_EQ(ByteArrayOutputStream::make()->buf->length, 32);
    out->write(0x1234);  // the low 8 bits
    EXPECT_EQ(out->toByteArray()[35], 0x34);

    VMPtr<java::lang::Throwable> t = thrownBy([] { ByteArrayOutputStream::make(-1); });
    EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
    EXPECT_EQ(text(t->getMessage()), "Negative initial size");
}

TEST(ByteArrayOutputStream, CheckedArrayWrites) {
    VMPtr<ByteArrayOutputStream> out = ByteArrayOutputStream::make(4);
    VMPtr<VMArray<jbyte>> four = bytesOf("wxyz");
    for (const Range& r : kBadRanges) {
        SCOPED_TRACE(std::to_string(r.off) + "," + std::to_string(r.len));
        EXPECT_EQ(thrownName([&] { out->write(four, r.off, r.len); }), kIOOBE);
    }
    EXPECT_EQ(thrownName([&] { out->write(VMPtr<VMArray<jbyte>>(), 0, 0); }), kNPE);
    out->write(four, 4, 0);
    EXPECT_EQ(out->size(), 0);
    out->write(four, 1, 2);
    EXPECT_EQ(text(out->toString()), "xy");
}

TEST(ByteArrayOutputStream, AfterCloseOnlyArrayWritesGoOn) {
    VMPtr<ByteArrayOutputStream> out = ByteArrayOutputStream::make(2);
    out->write('a');
    out->close();
    for (auto op : {+[](ByteArrayOutputStream* s) { s->write('b'); },
                    +[](ByteArrayOutputStream* s) { s->reset(); }}) {
        VMPtr<java::lang::Throwable> t = thrownBy([&] { op(out.get()); });
        EXPECT_EQ(classNameOf(t), "java.lang.RuntimeException");
        EXPECT_EQ(text(t->getMessage()), "Writing to closed ByteArrayOutputStream");
    }
    out->write(bytesOf("cd"), 0, 2);
    EXPECT_EQ(text(out->toString()), "acd");
}

TEST(ByteArrayOutputStream, ToByteArrayCopiesUnlessClosedAndFull) {
    VMPtr<ByteArrayOutputStream> out = ByteArrayOutputStream::make(3);
    out->write(bytesOf("abc"), 0, 3);
    VMPtr<VMArray<jbyte>> first = out->toByteArray();
    EXPECT_FALSE(first == out->toByteArray());
    EXPECT_FALSE(first == out->buf);
    first[0] = 'z';
    EXPECT_EQ(text(out->toString()), "abc");

    out->close();
    EXPECT_TRUE(out->toByteArray() == out->buf);
    EXPECT_TRUE(out->toByteArray() == out->toByteArray());

    VMPtr<ByteArrayOutputStream> roomy = ByteArrayOutputStream::make(8);
    roomy->write('q');
    roomy->close();
    VMPtr<VMArray<jbyte>> copy = roomy->toByteArray();
    EXPECT_FALSE(copy == roomy->buf);
    EXPECT_EQ(str(copy), "q");
}

TEST(ByteArrayOutputStream, ResetKeepsTheArrayAndToStringDecodesUtf8) {
    VMPtr<ByteArrayOutputStream> out = ByteArrayOutputStream::make(4);
    out->write(bytesOf("h\xC3\xA9!"), 0, 4);
    EXPECT_EQ(text(out->toString()), "h\xC3\xA9!");
    VMPtr<VMArray<jbyte>> held = out->buf;
    out->reset();
    EXPECT_EQ(out->size(), 0);
    EXPECT_TRUE(out->buf == held);
    EXPECT_EQ(text(out->toString()), "");
    out->write(0x80);  // a stray continuation byte
    EXPECT_EQ(thrownName([&] { out->toString(); }), "java.lang.RuntimeException");
}

}  // namespace
