// The pack writer: its byte examples, what the readers make of its packs,
// and the packs it refuses to write.
#include "resources_test_support.h"

#include "wren_io_resource_ResourcePackChunked.h"
#include "wren_io_resource_ResourcePackSaver.h"

using namespace restest;
using wren::io::resource::ResourcePackChunked;
using wren::io::resource::ResourcePackSaver;

namespace {

using Entries = VMPtr<VMArray<jbyte, 2>>;

Entries entriesOf(const std::vector<Bytes>& list) {
    Entries e = VMArray<jbyte, 2>::create(jint(list.size()));
    for (size_t i = 0; i < list.size(); ++i) e[jint(i)] = jbytes(list[i]);
    return e;
}

VMPtr<VMArray<jbyte>> typesOf(std::initializer_list<int> t) {
    VMPtr<VMArray<jbyte>> a = VMArray<jbyte>::create(jint(t.size()));
    jint i = 0;
    for (int v : t) a[i++] = jbyte(v);
    return a;
}

class PackWriter : public PackFixture {};

TEST_F(PackWriter, TheByteExamples) {
    EXPECT_EQ(bytesOf(ResourcePackSaver::savePack(entriesOf({}), typesOf({}))),
              bytesFrom({0x41, 0, 0, 0, 0, 0, 0}));
    Bytes pack = bytesOf(ResourcePackSaver::savePack(
        entriesOf({bytesFrom({0xAA, 0xBB, 0xCC}), bytesFrom({0xDD})}), typesOf({5, -3})));
    EXPECT_EQ(pack, bytesFrom({0x41, 0,    2, 0, 0, 0, 3,    0,    0,    0,   1,
                               5,    0xFD, 0, 0, 0, 4, 0xAA, 0xBB, 0xCC, 0xDD}));
    // The builder writes the same bytes for the same entries.
    EXPECT_EQ(pack, plainPack({{bytesFrom({0xAA, 0xBB, 0xCC}), 5}, {bytesFrom({0xDD}), -3}}));
}

// Entries, empty ones among them, go through the writer and come back from
// the reader as they were; extra entry arrays are ignored.
TEST_F(PackWriter, ItsPacksReadBack) {
    std::vector<rpack::PackEntry> entries = sampleEntries();
    std::vector<Bytes> data;
    VMPtr<VMArray<jbyte>> types = VMArray<jbyte>::create(jint(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        data.push_back(entries[i].data);
        types[jint(i)] = entries[i].type;
    }
    data.push_back(bytesFrom({1, 2, 3}));  // beyond the type bytes: not written
    Bytes pack = bytesOf(ResourcePackSaver::savePack(entriesOf(data), types));
    EXPECT_EQ(pack, plainPack(entries));
    VMPtr<ResourcePackChunked> r = ResourcePackChunked::make();
    ASSERT_TRUE(r->load(streamOf(pack), false));
    expectEntries(r, 0, entries);
}

TEST_F(PackWriter, WhatItRefuses) {
    VMPtr<VMArray<jbyte>> many = VMArray<jbyte>::create(65536);
    // One empty array in every slot: the count is what is refused.
    Entries manyEntries = VMArray<jbyte, 2>::create(65536);
    VMPtr<VMArray<jbyte>> empty = VMArray<jbyte>::create(0);
    for (jint i = 0; i < 65536; ++i) manyEntries[i] = empty;
    VMPtr<java::lang::Throwable> t =
        thrownBy([&] { ResourcePackSaver::savePack(manyEntries, many); });
    EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
    EXPECT_EQ(text(t->getMessage()), "A pack of 65536 entries: the count holds at most 65535");
    // 65535 entries still fit.
    EXPECT_EQ(ResourcePackSaver::savePack(manyEntries, VMArray<jbyte>::create(65535))->length,
              5 * 65535 + 7);

    EXPECT_EQ(thrownName([&] {
                  ResourcePackSaver::savePack(entriesOf({{}}), typesOf({0, 0}));
              }),
              "java.lang.IllegalArgumentException");
    Entries withNull = entriesOf({{}, {}});
    withNull[1] = nullptr;
    EXPECT_EQ(thrownName([&] {
                  ResourcePackSaver::savePack(withNull, typesOf({0, 0}));
              }),
              "java.lang.NullPointerException");
}

}  // namespace
