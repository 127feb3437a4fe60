// Chunks and the directory chunk: the byte examples, writing back and
// extending a payload, the factory's kinds, and lengths and counts that
// claim more than the bytes hold.
#include "resources_test_support.h"

#include "java_io_ByteArrayOutputStream.h"
#include "java_io_DataOutputStream.h"
#include "wren_io_resource_Chunk.h"
#include "wren_io_resource_ChunkVirtualFileSystemOrganization.h"

using namespace restest;
using wren::io::resource::Chunk;
using Directory = wren::io::resource::ChunkVirtualFileSystemOrganization;

namespace {

Bytes written(const VMPtr<Chunk>& c) {
    VMPtr<java::io::ByteArrayOutputStream> out = java::io::ByteArrayOutputStream::make();
    c->writeTo(java::io::DataOutputStream::make(out));
    return bytesOf(out->toByteArray());
}

TEST(Chunk, ReadsAndWritesBackItsBytes) {
    Bytes bytes = bytesFrom({0x52, 0x50, 0x48, 0x65, 0, 0, 0, 2, 0, 0, 0, 7, 0xAB, 0xCD});
    VMPtr<Chunk> c = Chunk::readChunk(streamOf(bytes));
    EXPECT_EQ(c->getClass(), Chunk::classRecord());
    EXPECT_EQ(c->id, Chunk::ID_RPHE);
    EXPECT_TRUE(c->hasId(Chunk::ID_RPHE));
    EXPECT_FALSE(c->hasId(Chunk::ID_FSLM));
    EXPECT_EQ(c->getInfo(), 7);
    EXPECT_EQ(c->getSize(), 2);
    EXPECT_EQ(bytesOf(c->getData()), bytesFrom({0xAB, 0xCD}));
    EXPECT_EQ(bytesOf(c->toByteArray()), bytes);
    EXPECT_EQ(written(c), bytes);

    // The payload grows through its stream; the copy handed out before does not.
    VMPtr<VMArray<jbyte>> before = c->getData();
    c->getOutputStream()->write(0xEE);
    c->getOutputStream()->write(0xFF);
    c->setInfo(9);
    EXPECT_EQ(c->getSize(), 4);
    EXPECT_EQ(c->getInfo(), 9);
    EXPECT_EQ(bytesOf(before), bytesFrom({0xAB, 0xCD}));
    EXPECT_EQ(written(c),
              bytesFrom({0x52, 0x50, 0x48, 0x65, 0, 0, 0, 4, 0, 0, 0, 9, 0xAB, 0xCD, 0xEE, 0xFF}));
}

TEST(Chunk, AnEmptyPayloadWritesBackAsTwelveBytes) {
    Bytes bytes = bytesFrom({0x46, 0x53, 0x4C, 0x4D, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    VMPtr<Chunk> c = Chunk::readChunk(streamOf(bytes));
    EXPECT_EQ(c->getSize(), 0);
    EXPECT_EQ(c->getInfo(), -1);
    EXPECT_EQ(bytesOf(c->toByteArray()), bytes);
}

// Lengths that are negative or larger than what follows are a short read,
// with nothing allocated for them; an unknown id names itself.
TEST(Chunk, BadTables) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* thrown;
        const char* message;
    } cases[] = {
        {"negative length", bytesFrom({0x52, 0x50, 0x48, 0x65, 0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 0, 0}),
         "java.io.EOFException", nullptr},
        {"length past the end",
         bytesFrom({0x52, 0x50, 0x48, 0x65, 0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 1}),
         "java.io.EOFException", nullptr},
        {"cut in the info word", bytesFrom({0x52, 0x50, 0x48, 0x65, 0, 0, 0, 0, 0}),
         "java.io.EOFException", nullptr},
        {"unknown id", bytesFrom({0x57, 0x58, 0x59, 0x5A, 0, 0, 0, 0, 0, 0, 0, 0}),
         "java.io.IOException", "Unknown RP chunk id 'ZYXW'"},
        {"id in UTF-8", bytesFrom({0x41, 0x42, 0xA9, 0xC3, 0, 0, 0, 0, 0, 0, 0, 0}),
         "java.io.IOException",
         "Unknown RP chunk id '\xC3\xA9"
         "BA'"},
        {"id that is no UTF-8", bytesFrom({0xFF, 0x41, 0xC3, 0xA9, 0, 0, 0, 0, 0, 0, 0, 0}),
         "java.io.IOException",
         "Unknown RP chunk id '\xEF\xBF\xBD\xEF\xBF\xBD"
         "A\xEF\xBF\xBD'"},
        {"directory count past the payload",
         bytesFrom({0x56, 0x46, 0x53, 0x4F, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0}),
         "java.io.EOFException", nullptr},
        {"negative directory count",
         bytesFrom(
             {0x56, 0x46, 0x53, 0x4F, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}),
         "java.io.EOFException", nullptr},
        {"directory cut in an entry", bytesFrom({0x56, 0x46, 0x53, 0x4F, 0, 0, 0, 12, 0, 0, 0, 0,
                                                 0,    0,    0,    0,    0, 0, 0, 1,  1, 2, 3, 4}),
         "java.io.EOFException", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { Chunk::readChunk(streamOf(c.bytes)); });
        EXPECT_EQ(classNameOf(t), c.thrown);
        if (c.message) {
            EXPECT_EQ(text(t->getMessage()), c.message);
        }
    }
}

VMPtr<Directory> directoryOf(const Bytes& payload) {
    rpack::ByteWriter w;
    w.u32(rpack::kChunkDirectory);
    w.u32(uint32_t(payload.size()));
    w.u32(0);
    w.bytes(payload);
    VMPtr<Chunk> c = Chunk::readChunk(streamOf(w.take()));
    VMPtr<Directory> d = vmCast<Directory>(c);
    EXPECT_NE(d, nullptr);
    return d;
}

TEST(DirectoryChunk, TheExampleParses) {
    VMPtr<Directory> d = directoryOf(
        bytesFrom({0, 0, 0, 0x2A, 0, 0, 0, 1, 0xFD, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0x10}));
    EXPECT_EQ(d->getHeaderValue(), 42);
    EXPECT_EQ(d->getFileCount(), 1);
    EXPECT_EQ(d->getFileType(0), -3);
    EXPECT_EQ(d->getFilePart(0), 7);
    EXPECT_EQ(d->getFileOffset(0), 0);
    EXPECT_EQ(d->getFileValue(0), 16);
    EXPECT_EQ(text(d->getFileExtension(0)), "png");
}

TEST(DirectoryChunk, EntriesByIdOrNumberAndTheirFields) {
    rpack::Directory dir;
    dir.headerValue = -1;
    for (int i = 0; i < 6; ++i) dir.entries.push_back({int8_t(i), 0, uint16_t(i), i * 10, -i});
    dir.entries[1] = {1, 0xFF, 0x1234, 0x7FFFFFFF, 0};  // the dropped byte holds anything
    dir.entries[5] = {-2, 0x80, 0xFFFF, -1, 0x12345678};
    VMPtr<Directory> d = directoryOf(rpack::encodeDirectory(dir));
    EXPECT_EQ(d->getFileType(1), 1);
    EXPECT_EQ(d->getFilePart(1), 0x1234);
    EXPECT_EQ(d->getFileOffset(1), 0x7FFFFFFF);
    EXPECT_EQ(d->getFilePart(5), 65535);
    EXPECT_EQ(d->getFileOffset(5), -1);
    EXPECT_EQ(d->getFileValue(5), 0x12345678);
    EXPECT_EQ(text(d->getFileExtension(5)), "rp");
    EXPECT_EQ(d->getFilePart(0x1C05), d->getFilePart(5));
    EXPECT_EQ(d->getFileValue(0x1C05), d->getFileValue(5));
    EXPECT_EQ(thrownName([&] { d->getFilePart(6); }), "java.lang.ArrayIndexOutOfBoundsException");
    EXPECT_EQ(thrownName([&] { d->getFileExtension(1023); }),
              "java.lang.ArrayIndexOutOfBoundsException");
}

// Every file type's extension, as the builder names the files.
TEST(DirectoryChunk, TheExtensionTable) {
    rpack::Directory dir;
    for (int type = -128; type <= 127; ++type) dir.entries.push_back({int8_t(type), 0, 1, 0, 0});
    VMPtr<Directory> d = directoryOf(rpack::encodeDirectory(dir));
    for (int i = 0; i < 256; ++i) {
        int type = i - 128;
        EXPECT_EQ(text(d->getFileExtension(i)), rpack::fileTypeExtension(type)) << type;
    }
    EXPECT_TRUE(Directory::getExtensionTable() == Directory::getExtensionTable());
    EXPECT_EQ(Directory::getExtensionTable()->size(), 34);
    EXPECT_EQ(text(d->getFileExtension(128 + 13)), "rp");
    EXPECT_EQ(text(d->getFileExtension(128 + 29)), "rp");
    EXPECT_EQ(text(d->getFileExtension(128 + 23)), "wbxml");
}

}  // namespace
