// Text output: System.out on the console, PrintStream over any stream, the
// character writers and their chunking, the OutputStream defaults, and
// printStackTrace.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "VMClass.h"
#include "com_nimbault_marl_cldc_io_ConsoleOutputStream.h"
#include "java_io_IOException.h"
#include "java_io_OutputStream.h"
#include "java_io_OutputStreamWriter.h"
#include "java_io_PrintStream.h"
#include "java_io_Writer.h"
#include "java_lang_IllegalStateException.h"
#include "java_lang_Integer.h"
#include "java_lang_NullPointerException.h"
#include "java_lang_System.h"
#include "runtime/runtime_test_support.h"

using java::io::OutputStream;
using java::io::OutputStreamWriter;
using java::io::PrintStream;
using java::lang::Object;
using java::lang::String;
using java::lang::System;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace consoletest {

// What the sinks below saw, in order: "int:<b>" for write(int),
// "bytes:<n>" for write(byte[],off,len), "chars:<n>" for a writer's
// write(char[],off,len), "flush", "close"; and the bytes or chars themselves.
std::vector<std::string> calls;
std::string bytes;
std::u16string chars;

void resetLog() {
    calls.clear();
    bytes.clear();
    chars.clear();
}

// A stream that records every call it gets and can be told to fail.
class Sink : public OutputStream {
    WREN_CLASS(Sink, OutputStream)
public:
    jboolean failWrites = false;
    jboolean failClose = false;

    using OutputStream::write;
    void ctor() { OutputStream::ctor(); }
    void write(jint b) override {
        if (failWrites) java::io::IOException::throwNew();
        calls.push_back("int:" + std::to_string(b));
        bytes += char(b);
    }
    void write(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override {
        if (failWrites) java::io::IOException::throwNew();
        calls.push_back("bytes:" + std::to_string(len));
        bytes.append(reinterpret_cast<const char*>(b->elements()) + off, size_t(len));
    }
    void flush() override {
        if (failWrites) java::io::IOException::throwNew();
        calls.push_back("flush");
    }
    void close() override {
        if (failClose) java::io::IOException::throwNew();
        calls.push_back("close");
    }
};

// A stream with only write(int) of its own: the OutputStream defaults do the rest.
class ByteSink : public OutputStream {
    WREN_CLASS(ByteSink, OutputStream)
public:
    using OutputStream::write;
    void ctor() { OutputStream::ctor(); }
    void write(jint b) override { calls.push_back("int:" + std::to_string(b)); }
};

// A writer with only the abstract operations of its own: Writer's defaults
// do the rest.
class CharSink : public java::io::Writer {
    WREN_CLASS(CharSink, java::io::Writer)
public:
    using java::io::Writer::write;
    void ctor() { java::io::Writer::ctor(); }
    void write(const VMPtr<VMArray<jchar>>& cbuf, jint off, jint len) override {
        calls.push_back("chars:" + std::to_string(len));
        chars.append(cbuf->elements() + off, size_t(len));
    }
    void flush() override {}
    void close() override {}
};

}  // namespace consoletest

WREN_DEFINE_CLASS(consoletest::Sink, "consoletest.Sink")
WREN_DEFINE_CLASS(consoletest::ByteSink, "consoletest.ByteSink")
WREN_DEFINE_CLASS(consoletest::CharSink, "consoletest.CharSink")

namespace {

using consoletest::calls;
using Calls = std::vector<std::string>;

template <class F>
std::string consoleOutput(F&& body) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

VMPtr<String> utf16(const std::u16string& s) { return String::make(s.data(), jint(s.size())); }

std::u16string repeated(size_t n, char16_t c, const char16_t* tail = u"") {
    std::u16string s(n, c);
    s.append(tail);
    return s;
}

class Output : public ::testing::Test {
protected:
    void SetUp() override { consoletest::resetLog(); }
};

TEST_F(Output, SystemOutPrintsValuesAsJavaDoes) {
    VMPtr<PrintStream> out = System::S().out;
    struct Case {
        const char* what;
        std::function<void()> print;
        std::string bytes;  // as OpenJDK 17 prints them, unless noted
    };
    const Case cases[] = {
        {"print((String) null)", [&] { out->print(VMPtr<String>()); }, "null"},
        {"print((Object) null)", [&] { out->print(VMPtr<Object>()); }, "null"},
        {"println(char U+00E9)", [&] { out->println(jchar(0xE9)); }, "\xC3\xA9\n"},
        {"println(String U+00E9)", [&] { out->println(utf16(u"\u00e9")); }, "\xC3\xA9\n"},
        {"print(char U+0000)", [&] { out->print(jchar(0)); }, std::string(1, '\0')},
        {"print(char U+07FF)", [&] { out->print(jchar(0x7FF)); }, "\xDF\xBF"},
        {"print(char U+20AC)", [&] { out->print(jchar(0x20AC)); }, "\xE2\x82\xAC"},
        {"print(char U+FFFF)", [&] { out->print(jchar(0xFFFF)); }, "\xEF\xBF\xBF"},
        {"print(int MIN_VALUE)", [&] { out->print(jint(-2147483647 - 1)); }, "-2147483648"},
        {"println(int)", [&] { out->println(jint(42)); }, "42\n"},
        {"print(long MIN_VALUE)", [&] { out->print(jlong(INT64_MIN)); }, "-9223372036854775808"},
        {"println(long)", [&] { out->println(jlong(1234567890123)); }, "1234567890123\n"},
        // Floating-point text is String.valueOf's; the overloads must reach it.
        {"print(double)", [&] { out->print(jdouble(1e-5)); }, text(String::valueOf(jdouble(1e-5)))},
        {"println(float)", [&] { out->println(jfloat(0.25f)); },
         text(String::valueOf(jfloat(0.25f))) + "\n"},
        {"print(true)", [&] { out->print(true); }, "true"},
        {"println(false)", [&] { out->println(false); }, "false\n"},
        {"println()", [&] { out->println(); }, "\n"},
        {"print(char[])", [&] { out->print(VMArray<jchar>::of({u'a', 0xE9, 0x800, u'z'})); },
         "a\xC3\xA9\xE0\xA0\x80z"},
        {"println(Object)",
         [&] {
             out->println(VMPtr<Object>(
                 java::lang::IllegalStateException::make(String::make("m"))));
         },
         "java.lang.IllegalStateException: m\n"},
        {"print(Integer) takes the Object overload",
         [&] { out->print(java::lang::Integer::make(-5)); }, "-5"},
        {"print(String*) is not print(boolean)", [&] { out->print(WREN_LIT("lit")); }, "lit"},
        {"a C++ char is a Java char", [&] { out->print('a'); }, "a"},
        // The rules of this runtime, not Java's: each UTF-16 unit is encoded
        // by itself, and the runtime's byte strings go out unencoded.
        {"print(surrogate pair)", [&] { out->print(utf16(u"\U0001F600")); },
         "\xED\xA0\xBD\xED\xB8\x80"},
        {"print(const char*)", [&] { out->print("ab\xE9"); }, "ab\xE9"},
        {"println(const char*)", [&] { out->println("x"); }, "x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(consoleOutput(c.print), c.bytes);
    }
}

TEST_F(Output, SystemOutAndErrAreOneStreamOnTheConsole) {
    System::Statics& s = System::S();
    EXPECT_TRUE(s.out == s.err);
    ASSERT_FALSE(s.out == nullptr);
    EXPECT_TRUE(vmIsInstanceOf(s.out->out,
                               com::nimbault::marl::cldc::io::ConsoleOutputStream::classRecord()));

    // The console stream itself: the OutputStream defaults over one byte at a time.
    VMPtr<OutputStream> console = com::nimbault::marl::cldc::io::ConsoleOutputStream::make();
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::of({'x', 'y', 'z', '\n'});
    EXPECT_EQ(consoleOutput([&] {
                  console->write(b, 1, 3);
                  console->write(jint(0x1E9));  // the low byte only
                  console->flush();
                  console->close();
                  console->write(b);  // still open: its close does nothing
              }),
              "yz\n\xE9xyz\n");
    EXPECT_EQ(thrownName([&] { console->write(b, 2, 3); }),
              "java.lang.IndexOutOfBoundsException");

    // One made for the error console writes to standard error only.
    VMPtr<OutputStream> errors = com::nimbault::marl::cldc::io::ConsoleOutputStream::make(jboolean(true));
    testing::internal::CaptureStderr();
    EXPECT_EQ(consoleOutput([&] { errors->write(b, 0, 4); }), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "xyz\n");
}

TEST_F(Output, PrintStackTracePrintsTheExceptionAndOneUnknownFrame) {
    struct Case {
        VMPtr<Throwable> e;
        std::string lines;
    };
    const Case cases[] = {
        // The test runs on the start-up thread, whose Thread object is "System".
        {java::lang::IllegalStateException::make(String::make("m")),
         "Exception in thread \"System\" java.lang.IllegalStateException: m\n    at <unknown>\n"},
        {java::lang::NullPointerException::make(),
         "Exception in thread \"System\" java.lang.NullPointerException\n    at <unknown>\n"},
        {java::lang::IllegalStateException::make(utf16(u"caf\u00e9")),
         "Exception in thread \"System\" java.lang.IllegalStateException: caf\xC3\xA9\n"
         "    at <unknown>\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        EXPECT_EQ(consoleOutput([&] { c.e->printStackTrace(); }), c.lines);
    }
}

TEST_F(Output, PrintStreamPassesBytesAndTextChunksStraightToItsStream) {
    VMPtr<consoletest::Sink> sink = consoletest::Sink::make();
    VMPtr<PrintStream> ps = PrintStream::make(sink);

    ps->print("ab");  // one write(int) a byte
    ps->write(jint(0x141));
    ps->write(VMArray<jbyte>::of({1, 2, 3}), 1, 2);
    EXPECT_EQ(calls, (Calls{"int:97", "int:98", "int:321", "bytes:2"}));

    // Text goes through the writer: one write(byte[]) per full buffer, none
    // held back; println's newline is a write of its own.
    calls.clear();
    ps->print(utf16(std::u16string(1000, u'\u20ac')));
    ps->println(WREN_LIT("x"));
    EXPECT_EQ(calls, (Calls{"bytes:2046", "bytes:954", "bytes:1", "bytes:1"}));
    EXPECT_EQ(consoletest::bytes.substr(0, 5), "ab\x41\x02\x03");
    EXPECT_EQ(consoletest::bytes.size(), 5u + 3000 + 2);
    EXPECT_EQ(consoletest::bytes.substr(consoletest::bytes.size() - 2), "x\n");

    calls.clear();
    EXPECT_FALSE(ps->checkError());  // and checkError flushes
    EXPECT_EQ(calls, (Calls{"flush"}));

    EXPECT_EQ(thrownName([] { PrintStream::make(VMPtr<OutputStream>()); }),
              "java.lang.NullPointerException");
}

TEST_F(Output, PrintStreamRecordsFailuresInsteadOfThrowing) {
    struct Case {
        const char* what;
        std::function<void(const VMPtr<PrintStream>&)> op;
    };
    const Case cases[] = {
        {"print(String)", [](const VMPtr<PrintStream>& p) { p->print(WREN_LIT("x")); }},
        {"println(int)", [](const VMPtr<PrintStream>& p) { p->println(jint(1)); }},
        {"print(const char*)", [](const VMPtr<PrintStream>& p) { p->print("x"); }},
        {"write(int)", [](const VMPtr<PrintStream>& p) { p->write(jint(1)); }},
        {"write(byte[])", [](const VMPtr<PrintStream>& p) { p->write(VMArray<jbyte>::create(2)); }},
        {"flush()", [](const VMPtr<PrintStream>& p) { p->flush(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<consoletest::Sink> sink = consoletest::Sink::make();
        VMPtr<PrintStream> ps = PrintStream::make(sink);
        sink->failWrites = true;
        EXPECT_EQ(thrownName([&] { c.op(ps); }), "nothing");
        EXPECT_TRUE(ps->trouble);
        sink->failWrites = false;
        EXPECT_TRUE(ps->checkError());  // the flag stays
    }
    VMPtr<PrintStream> ps = PrintStream::make(consoletest::Sink::make());
    ps->setError();
    EXPECT_TRUE(ps->checkError());
}

TEST_F(Output, AClosedPrintStreamThrowsNullPointerException) {
    VMPtr<consoletest::Sink> sink = consoletest::Sink::make();
    VMPtr<PrintStream> ps = PrintStream::make(sink);
    ps->close();
    ps->close();
    EXPECT_EQ(calls, (Calls{"close"}));

    struct Case {
        const char* what;
        std::function<void()> op;
    };
    const Case cases[] = {
        {"print(String)", [&] { ps->print(WREN_LIT("x")); }},
        {"print(int)", [&] { ps->print(jint(1)); }},
        {"print(const char*)", [&] { ps->print("x"); }},
        {"println()", [&] { ps->println(); }},
        {"write(int)", [&] { ps->write(jint(1)); }},
        {"write(byte[],int,int)", [&] { ps->write(VMArray<jbyte>::create(1), 0, 1); }},
        {"flush()", [&] { ps->flush(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VMPtr<Throwable> t = thrownBy(c.op);
        EXPECT_EQ(classNameOf(t), "java.lang.NullPointerException");
        EXPECT_EQ(t ? t->getMessage() : nullptr, nullptr);
    }
    EXPECT_FALSE(ps->checkError());  // without flushing
    EXPECT_EQ(calls, (Calls{"close"}));

    // A close that fails keeps the stream usable, and is not tried again.
    consoletest::resetLog();
    VMPtr<consoletest::Sink> stubborn = consoletest::Sink::make();
    VMPtr<PrintStream> kept = PrintStream::make(stubborn);
    stubborn->failClose = true;
    kept->close();
    stubborn->failClose = false;
    kept->close();
    kept->print(WREN_LIT("y"));
    EXPECT_TRUE(kept->checkError());
    EXPECT_EQ(calls, (Calls{"bytes:1", "flush"}));
}

TEST_F(Output, OutputStreamWriterEncodesInBufferSizedChunks) {
    struct Case {
        const char* what;
        std::u16string text;
        Calls writes;
    };
    const Case cases[] = {
        {"1000 three-byte units", repeated(1000, u'\u20ac'), {"bytes:2046", "bytes:954"}},
        {"a unit that would straddle the end goes into the next write",
         repeated(2047, u'a', u"\u00e9"), {"bytes:2047", "bytes:2"}},
        {"exactly full", repeated(682, u'\u20ac', u"ab"), {"bytes:2048"}},
        {"U+0000 is one byte", std::u16string(3, u'\0'), {"bytes:3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int asString = 0; asString < 2; ++asString) {
            consoletest::resetLog();
            VMPtr<OutputStreamWriter> w = OutputStreamWriter::make(consoletest::Sink::make());
            std::u16string framed = u"<";
            framed.append(c.text).append(u">");
            VMPtr<String> s = utf16(framed);
            if (asString) {
                w->write(s, 1, jint(c.text.size()));
            } else {
                VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(s->length());
                s->getChars(0, s->length(), a, 0);
                w->write(a, 1, jint(c.text.size()));
            }
            EXPECT_EQ(calls, c.writes);
            EXPECT_EQ(text(String::make(consoletest::bytes.data(), jint(consoletest::bytes.size()))),
                      text(utf16(c.text)));
        }
    }
}

TEST_F(Output, OutputStreamWriterChecksRangesAndReportsUseAfterClose) {
    VMPtr<consoletest::Sink> sink = consoletest::Sink::make();
    VMPtr<OutputStreamWriter> w = OutputStreamWriter::make(sink);
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::of({u'a', u'b', u'c'});
    VMPtr<String> s = String::make("abc");
    struct Range {
        jint off, len;
    };
    for (const Range& r : {Range{-1, 0}, Range{4, 0}, Range{0, -1}, Range{2, 2},
                           Range{1, 2147483647}}) {
        SCOPED_TRACE(std::to_string(r.off) + "," + std::to_string(r.len));
        EXPECT_EQ(thrownName([&] { w->write(a, r.off, r.len); }),
                  "java.lang.IndexOutOfBoundsException");
        EXPECT_EQ(thrownName([&] { w->write(s, r.off, r.len); }),
                  "java.lang.IndexOutOfBoundsException");
    }
    w->write(a, 3, 0);
    w->write(s, 0, 0);
    EXPECT_TRUE(calls.empty());
    w->write(jint(0x20AC));  // one unit, its bytes in one write
    EXPECT_EQ(calls, (Calls{"bytes:3"}));

    w->close();
    w->close();
    EXPECT_EQ(calls, (Calls{"bytes:3", "close"}));
    for (auto op : {std::function<void()>([&] { w->write(jint('x')); }),
                    std::function<void()>([&] { w->write(s); }),
                    std::function<void()>([&] { w->write(a, 0, 1); }),
                    std::function<void()>([&] { w->flush(); })}) {
        VMPtr<Throwable> t = thrownBy(op);
        EXPECT_EQ(classNameOf(t), "java.io.IOException");
        EXPECT_EQ(text(t ? t->getMessage() : nullptr), "Stream closed");
    }
    EXPECT_EQ(thrownName([] { OutputStreamWriter::make(VMPtr<OutputStream>()); }),
              "java.lang.NullPointerException");
}

TEST_F(Output, WriterPassesStringsOnInChunksOf1024) {
    VMPtr<consoletest::CharSink> w = consoletest::CharSink::make();
    std::u16string longText;
    for (int i = 0; i < 2500; ++i) longText += char16_t(u'a' + i % 26);
    VMPtr<String> s = utf16(longText);

    w->write(s, 0, 2500);
    EXPECT_EQ(calls, (Calls{"chars:1024", "chars:1024", "chars:452"}));
    EXPECT_EQ(consoletest::chars, longText);

    consoletest::resetLog();
    w->write(s, 3, 5);
    w->write(s, 0, -1);  // nothing
    w->write(jint(0x10041));  // the low 16 bits: 'A'
    w->write(String::make("xyz"));
    w->write(VMArray<jchar>::of({u'1', u'2'}));
    EXPECT_EQ(calls, (Calls{"chars:5", "chars:1", "chars:3", "chars:2"}));
    EXPECT_EQ(consoletest::chars, u"defghAxyz12");

    EXPECT_EQ(thrownName([&] { w->write(VMPtr<String>(), 0, 1); }),
              "java.lang.NullPointerException");
    EXPECT_EQ(thrownName([&] { w->write(String::make("abc"), 2, 5); }),
              "java.lang.StringIndexOutOfBoundsException");
}

TEST_F(Output, OutputStreamDefaultsWriteByteByByte) {
    VMPtr<consoletest::ByteSink> out = consoletest::ByteSink::make();
    VMPtr<VMArray<jbyte>> one = VMArray<jbyte>::of({9});
    out->write(one, 1, 0);  // empty at the end: accepted
    EXPECT_TRUE(calls.empty());
    struct Range {
        jint off, len;
    };
    for (const Range& r : {Range{2, 0}, Range{-1, 1}, Range{0, -1}, Range{0, 2},
                           Range{1, 2147483647}}) {
        SCOPED_TRACE(std::to_string(r.off) + "," + std::to_string(r.len));
        EXPECT_EQ(thrownName([&] { out->write(one, r.off, r.len); }),
                  "java.lang.IndexOutOfBoundsException");
    }
    EXPECT_EQ(thrownName([&] { out->write(VMPtr<VMArray<jbyte>>(), 0, 0); }),
              "java.lang.NullPointerException");
    EXPECT_TRUE(calls.empty());

    out->write(VMArray<jbyte>::of({1, 2, -1}));
    out->write(VMArray<jbyte>::of({5, 6, 7}), 1, 1);
    out->flush();
    out->close();
    EXPECT_EQ(calls, (Calls{"int:1", "int:2", "int:-1", "int:6"}));
}

}  // namespace
