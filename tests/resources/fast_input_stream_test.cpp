// The fast input stream over sources that deliver their bytes in given
// blocks (0-byte reads among them) or fail: blocks handed on whole, reads
// that never go past the buffer, skips, the end, close.
#include "resources_test_support.h"

#include <deque>
#include <functional>

#include "java_io_ByteArrayOutputStream.h"
#include "java_io_IOException.h"
#include "wren_io_FastInputStream.h"

using namespace restest;
using wren::io::FastInputStream;

namespace restest {

// Gives its bytes in the block sizes it was made with (a block of 0 is a
// read that gives nothing), then the end; fails the read whose turn it is
// when `failAt` is reached.
class ScriptedSource : public java::io::InputStream {
    WREN_CLASS(ScriptedSource, java::io::InputStream)
public:
    Bytes bytes;
    std::deque<jint> blocks;
    size_t at = 0;
    int reads = 0;
    int failAt = -1;
    bool closed = false;

    using java::io::InputStream::read;

    void ctor() { java::io::InputStream::ctor(); }
    jint read() override {
        VMPtr<VMArray<jbyte>> one = VMArray<jbyte>::create(1);
        return read(one, 0, 1) < 0 ? -1 : jint(uint8_t(one[0]));
    }
    jint read(const VMPtr<VMArray<jbyte>>& b, jint off, jint len) override {
        if (reads++ == failAt) java::io::IOException::throwNew(WREN_LIT("source failed"));
        if (at == bytes.size()) return -1;
        jint n = blocks.empty() ? jint(bytes.size() - at) : blocks.front();
        if (!blocks.empty()) blocks.pop_front();
        n = std::min({n, len, jint(bytes.size() - at)});
        for (jint i = 0; i < n; ++i) b[off + i] = jbyte(bytes[at++]);
        return n;
    }
    void close() override { closed = true; }
};

}  // namespace restest

WREN_DEFINE_CLASS(restest::ScriptedSource, "restest.ScriptedSource")

namespace {

VMPtr<ScriptedSource> source(size_t size, std::deque<jint> blocks = {}) {
    VMPtr<ScriptedSource> s = ScriptedSource::make();
    for (size_t i = 0; i < size; ++i) s->bytes.push_back(uint8_t(i * 13 + 255));
    s->blocks = std::move(blocks);
    return s;
}

TEST(FastInputStream, BlocksAreHandedOnWhole) {
    VMPtr<ScriptedSource> src = source(1500);
    VMPtr<FastInputStream> in = FastInputStream::make(src);
    VMPtr<java::io::ByteArrayOutputStream> out = java::io::ByteArrayOutputStream::make();
    EXPECT_EQ(in->writeBufferTo(out), 1024);
    EXPECT_EQ(in->writeBufferTo(out), 476);
    EXPECT_EQ(in->writeBufferTo(out), -1);
    EXPECT_EQ(bytesOf(out->toByteArray()), src->bytes);
}

TEST(FastInputStream, AReadGivesAtMostWhatTheBufferHolds) {
    VMPtr<FastInputStream> in = FastInputStream::make(source(100));
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(4096);
    EXPECT_EQ(in->read(b, 0, 4096), 100);
    EXPECT_EQ(in->read(b, 0, 4096), -1);

    VMPtr<ScriptedSource> src = source(10, {3, 0, 0, 7});
    in = FastInputStream::make(src);
    EXPECT_EQ(in->read(b, 5, 100), 3);
    EXPECT_EQ(in->read(b, 0, 0), 0);  // nothing buffered: refilled, but 0 wanted
    EXPECT_EQ(in->read(b, 8, 2), 2);
    EXPECT_EQ(src->reads, 4);  // the two empty reads were asked again
    EXPECT_EQ(in->available(), 5);
    EXPECT_EQ(thrownName([&] { in->read(b, 4095, 2); }), "java.lang.IndexOutOfBoundsException");
}

TEST(FastInputStream, SingleBytesAndTheEnd) {
    VMPtr<ScriptedSource> src = source(2);
    src->bytes = bytesFrom({0xFF, 0x00});
    VMPtr<FastInputStream> in = FastInputStream::make(src);
    EXPECT_EQ(in->available(), 0);
    EXPECT_EQ(in->read(), 255);
    EXPECT_EQ(in->available(), 1);
    EXPECT_EQ(in->read(), 0);
    EXPECT_EQ(in->read(), -1);
    EXPECT_EQ(in->available(), 0);
    EXPECT_EQ(in->read(), -1);

    in = FastInputStream::make(source(1024));
    in->read();
    EXPECT_EQ(in->available(), 1023);
    // Marks are not supported, and reset neither moves back nor throws.
    EXPECT_FALSE(in->markSupported());
    in->mark(10);
    in->reset();
    EXPECT_EQ(in->available(), 1023);
}

TEST(FastInputStream, Skips) {
    VMPtr<ScriptedSource> src = source(4);
    VMPtr<FastInputStream> in = FastInputStream::make(src);
    EXPECT_EQ(in->skip(0), 0);
    EXPECT_EQ(in->skip(-5), 0);
    EXPECT_EQ(src->reads, 0);
    EXPECT_EQ(in->skip(10), 4);

    in = FastInputStream::make(source(3000, {1000, 1000, 1000}));
    EXPECT_EQ(in->skip(2500), 2500);
    EXPECT_EQ(in->read(), int(uint8_t(2500 * 13 + 255)));
}

TEST(FastInputStream, ClosedItRefusesEverything) {
    VMPtr<ScriptedSource> src = source(10);
    VMPtr<FastInputStream> in = FastInputStream::make(src);
    EXPECT_EQ(in->read(), int(uint8_t(255)));  // bytes still buffered
    in->close();
    EXPECT_TRUE(src->closed);
    VMPtr<java::io::ByteArrayOutputStream> out = java::io::ByteArrayOutputStream::make();
    for (auto use : std::vector<std::function<void()>>{
             [&] { in->read(); }, [&] { in->read(VMArray<jbyte>::create(4), 0, 4); },
             [&] { in->skip(3); }, [&] { in->writeBufferTo(out); }}) {
        VMPtr<java::lang::Throwable> t = thrownBy(use);
        EXPECT_EQ(classNameOf(t), "java.io.IOException");
        EXPECT_EQ(text(t->getMessage()), "InputStream closed");
    }
}

// A failing source leaves the buffer as it was: the next call reads on.
TEST(FastInputStream, ASourceFailurePassesThrough) {
    VMPtr<ScriptedSource> src = source(6, {2, 4});
    src->failAt = 1;
    VMPtr<FastInputStream> in = FastInputStream::make(src);
    EXPECT_EQ(in->read(), int(uint8_t(255)));
    EXPECT_EQ(in->read(), int(uint8_t(13 + 255)));
    VMPtr<java::lang::Throwable> t = thrownBy([&] { in->read(); });
    EXPECT_EQ(text(t->getMessage()), "source failed");
    EXPECT_EQ(in->available(), 0);
    EXPECT_EQ(in->read(), int(uint8_t(2 * 13 + 255)));
}

}  // namespace
