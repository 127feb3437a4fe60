// The extension table: the byte example, sizes as unsigned 16-bit values,
// the pack it belongs to, tables that claim more than they hold, a failed
// read after a good one, and lookups past the table.
#include "resources_test_support.h"

#include "wren_io_resource_ResourcePackExtension.h"

using namespace restest;
using wren::io::resource::ResourcePackExtension;

namespace {

using Reader = VMPtr<ResourcePackExtension>;

// A reader holding a pack of `count` one-byte entries from a stream.
Reader withIndex(int count) {
    Reader r = ResourcePackExtension::make();
    std::vector<rpack::PackEntry> entries(size_t(count), rpack::PackEntry{bytesFrom({1}), 0});
    EXPECT_TRUE(r->load(streamOf(plainPack(entries)), false));
    return r;
}

class Extension : public PackFixture {};

TEST_F(Extension, AFreshReaderHasNone) {
    Reader r = ResourcePackExtension::make();
    EXPECT_FALSE(r->hasExtension());
    EXPECT_EQ(r->getExtensionSize(3), -1);
    EXPECT_EQ(r->getExtensionData(3), nullptr);
    EXPECT_EQ(r->getExtensionStream(3), nullptr);
}

TEST_F(Extension, TheExampleTable) {
    Reader r = withIndex(3);
    VMPtr<DataInputStream> in =
        streamOf(bytesFrom({0, 3, 0, 0, 0, 2, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x99}));
    r->readExtension(in);
    EXPECT_EQ(in->read(), 0x99);  // nothing read past the table
    ASSERT_TRUE(r->hasExtension());
    const Bytes expected[] = {bytesFrom({0xAA, 0xBB, 0xCC}), Bytes(), bytesFrom({0xDD, 0xEE})};
    const jint offsets[] = {0, 3, 3};
    for (jint e = 0; e < 3; ++e) {
        EXPECT_EQ(r->getExtensionSize(e), jint(expected[e].size()));
        EXPECT_EQ(r->getExtensionOffset(e), offsets[e]);
        EXPECT_EQ(bytesOf(r->getExtensionData(e)), expected[e]);
        EXPECT_EQ(drain(r->getExtensionStream(e)), expected[e]);
    }
    // The stream reads in place, the data is a copy.
    VMPtr<VMArray<jbyte>> copy = r->getExtensionData(0);
    copy[0] = 0;
    EXPECT_EQ(drain(r->getExtensionStream(0)), expected[0]);
}

TEST_F(Extension, SizesAreUnsigned) {
    Reader r = withIndex(2);
    rpack::Bytes table = rpack::encodeExtensionTable({Bytes(65535, 0x42), bytesFrom({7})});
    r->readExtension(streamOf(table));
    EXPECT_EQ(r->getExtensionSize(0), 65535);
    EXPECT_EQ(r->getExtensionOffset(1), 65535);
    EXPECT_EQ(bytesOf(r->getExtensionData(1)), bytesFrom({7}));
}

// The extension goes with its pack: on close, on the next index read, on a
// switch to another pack.
TEST_F(Extension, ItBelongsToThePackItWasReadFor) {
    installFile("RP25.rp", plainPack({{bytesFrom({5}), 0}}));
    Reader r = withIndex(1);
    r->readExtension(streamOf(bytesFrom({0, 1, 0x33})));
    EXPECT_TRUE(r->hasExtension());
    EXPECT_EQ(r->getExtensionSize(25 << 10), -1);
    EXPECT_FALSE(r->hasExtension());

    r = withIndex(1);
    r->readExtension(streamOf(bytesFrom({0, 1, 0x33})));
    r->close();
    EXPECT_FALSE(r->hasExtension());
}

// Sizes that add up to more than what follows: a short read, with the pack
// left without an extension and nothing allocated for the claimed total.
// Every size at 65535 over 1024 entries would be 64 MB.
TEST_F(Extension, ATableThatClaimsMoreThanItHolds) {
    Reader r = withIndex(1024);
    rpack::ByteWriter w;
    for (int i = 0; i < 1024; ++i) w.u16(0xFFFF);
    w.bytes(bytesFrom({1, 2, 3}));
    EXPECT_EQ(thrownName([&] { r->readExtension(streamOf(w.take())); }), "java.io.EOFException");
    EXPECT_FALSE(r->hasExtension());
    EXPECT_EQ(r->getExtensionSize(0), -1);
    EXPECT_EQ(thrownName([&] {
                  r->readExtension(streamOf(bytesFrom({0, 0})));
              }),
              "java.io.EOFException");
}

// A read that fails after a good one leaves no extension: neither the old
// bytes under the new sizes nor the old extension.
TEST_F(Extension, AFailedReadAfterAGoodOneLeavesNone) {
    const Bytes cut[] = {
        bytesFrom({0}),                    // in the sizes
        bytesFrom({0, 1, 0, 4, 7, 7, 7}),  // in the data
    };
    for (const Bytes& table : cut) {
        SCOPED_TRACE(table.size());
        Reader r = withIndex(2);
        r->readExtension(streamOf(bytesFrom({0, 2, 0, 1, 0xAA, 0xBB, 0xCC})));
        ASSERT_TRUE(r->hasExtension());
        EXPECT_EQ(thrownName([&] { r->readExtension(streamOf(table)); }), "java.io.EOFException");
        EXPECT_FALSE(r->hasExtension());
        for (jint e = 0; e < 2; ++e) {
            EXPECT_EQ(r->getExtensionSize(e), -1);
            EXPECT_EQ(r->getExtensionData(e), nullptr);
            EXPECT_EQ(r->getExtensionStream(e), nullptr);
        }
        // A later good read gives the new extension whole.
        r->readExtension(streamOf(bytesFrom({0, 0, 0, 1, 0x55})));
        EXPECT_EQ(bytesOf(r->getExtensionData(1)), bytesFrom({0x55}));
        EXPECT_EQ(r->getExtensionSize(0), 0);
    }
}

TEST_F(Extension, EntriesBeyondTheTableAndNoIndex) {
    Reader r = withIndex(2);
    r->readExtension(streamOf(bytesFrom({0, 1, 0, 1, 8, 9})));
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getExtensionData(2); });
    EXPECT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
    EXPECT_EQ(text(t->getMessage()), "Resource pack 0 has no entry 2 (it has 2)");
    EXPECT_EQ(thrownName([&] { r->getExtensionSize(1023); }),
              "wren.io.resource.MissingEntryException");
    EXPECT_EQ(thrownName([&] { r->getExtensionStream(5); }),
              "wren.io.resource.MissingEntryException");

    // A pack read from its file names that file, as its index lookups do.
    installFile("RP50.rp", plainPack({{bytesFrom({1}), 0}, {bytesFrom({2}), 0}}));
    Reader fromFile = ResourcePackExtension::make();
    ASSERT_EQ(bytesOf(fromFile->getData(50 << 10)), bytesFrom({1}));
    fromFile->readExtension(streamOf(bytesFrom({0, 1, 0, 0, 8})));
    t = thrownBy([&] { fromFile->getExtensionSize((50 << 10) | 2); });
    EXPECT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
    EXPECT_EQ(text(t->getMessage()),
              onDisk("RP50.rp") + ": Resource pack 50 has no entry 2 (it has 2)");

    Reader none = ResourcePackExtension::make();
    EXPECT_EQ(thrownName([&] {
                  none->readExtension(streamOf(bytesFrom({0, 0})));
              }),
              "java.lang.IllegalStateException");
}

}  // namespace
