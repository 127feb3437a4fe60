// What the resource suites share: the process's program folder with its
// "rsc" and "database" folders emptied before every test, the pack reader's
// static state reset, byte conversions between the builder and Java arrays,
// and pack content that every form is read back against.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Pack.h"
#include "Png.h"
#include "TextTable.h"
#include "VMArray.h"
#include "java_bytes.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_DataInputStream.h"
#include "java_lang_String.h"
#include "program_folder.h"
#include "runtime/runtime_test_support.h"
#include "wren_Resources.h"
#include "wren_WrenCanvas.h"
#include "wren_io_resource_ResourcePack.h"

namespace restest {

namespace fs = std::filesystem;
using Bytes = rpack::Bytes;
using java::io::DataInputStream;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

// Resources are looked up under the program folder, read once per process:
// a folder of this process's own, made before main.
inline wrentest::ProcessProgramFolder programFolder{"/tmp/wren_packs_XXXXXX"};

inline fs::path moduleDir() {
    return fs::path(std::getenv("WREN_MODULE_DIR"));
}
inline fs::path rscDir() {
    return moduleDir() / "rsc";
}
inline fs::path databaseDir() {
    return moduleDir() / "database";
}

// Pack files under rsc/; record-store folders under database/.
inline void install(const rpack::FileSet& files) {
    rpack::writeFiles(rscDir(), files);
}
inline void installStore(const rpack::FileSet& files) {
    rpack::writeFiles(databaseDir(), files);
}
inline void installFile(const std::string& name, const Bytes& bytes) {
    install({{name, bytes}});
}
inline void removeResource(const std::string& name) {
    fs::remove(rscDir() / name);
}
// The resource file's path on disk, as messages name it.
inline std::string onDisk(const std::string& name) {
    return (rscDir() / name).string();
}

inline Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using wrentest::bytesOf;
using wrentest::jbytes;

// Everything left in the stream.
inline Bytes drain(const VMPtr<java::io::InputStream>& in) {
    Bytes b;
    for (jint c = in->read(); c >= 0; c = in->read()) b.push_back(uint8_t(c));
    return b;
}

inline VMPtr<DataInputStream> streamOf(const Bytes& b) {
    return DataInputStream::make(java::io::ByteArrayInputStream::make(jbytes(b)));
}

inline VMPtr<java::lang::String> jstr(const char* s) {
    return java::lang::String::make(s);
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes bytesFrom(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(uint8_t(v));
    return out;
}

// A 4 by 2 indexed image of three colours, the first fully transparent.
inline rpack::IndexedImage sampleImage() {
    rpack::IndexedImage image;
    image.width = 4;
    image.height = 2;
    image.palette = {{255, 0, 255, 0}, {0x10, 0x20, 0x30, 255}, {255, 255, 255, 255}};
    image.pixels = {0, 1, 2, 1, 2, 1, 0, 2};
    return image;
}

// Entries of every shape a reader meets: empty, one byte, bytes 0..255 and
// their negatives, a text table, a PNG, a longer block.
inline std::vector<rpack::PackEntry> sampleEntries() {
    std::vector<rpack::PackEntry> entries;
    entries.push_back({{}, 7});
    entries.push_back({{0xFF}, -1});
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(uint8_t(i));
    entries.push_back({all, 0});
    entries.push_back({rpack::encodeTextTable({u"Hello", u"", u"\u00e9t\u00e9"}), -6});
    entries.push_back({rpack::encodePng(sampleImage()), -3});
    Bytes longer;
    for (int i = 0; i < 5000; ++i) longer.push_back(uint8_t(i * 7 + 3));
    entries.push_back({longer, 1});
    return entries;
}

inline Bytes plainPack(const std::vector<rpack::PackEntry>& entries,
                       uint8_t flags = rpack::kFlagsWide) {
    rpack::PlainPackOptions options;
    options.flags = flags;
    return rpack::encodePlainPack(entries, options);
}

// Every test starts with empty resource and database folders and a reader
// state as after start-up: no pack current, no canvas buffers.
class PackFixture : public ::testing::Test {
protected:
    void SetUp() override {
        std::error_code ignored;
        fs::remove_all(rscDir(), ignored);
        fs::remove_all(databaseDir(), ignored);
        fs::create_directories(rscDir());
        fs::create_directories(databaseDir());
        wren::io::resource::ResourcePack::S().currentPack = -1;
        wren::Resources::S().paletteOffset = 0;
        wren::WrenCanvas::Statics& canvas = wren::WrenCanvas::S();
        canvas.inBuffer = nullptr;
        canvas.inPosition = 0;
        canvas.outBuffer = nullptr;
        canvas.outPosition = 0;
    }
    void TearDown() override { wren::io::resource::ResourcePack::S().currentPack = -1; }
};

// Reads every entry of the pack `pack` through the reader's three ways to
// them (bytes, stream, and the array and offset in place) and checks each
// against the expected entries and type bytes.
template <class Reader>
void expectEntries(const VMPtr<Reader>& reader, jint pack,
                   const std::vector<rpack::PackEntry>& expected) {
    for (size_t e = 0; e < expected.size(); ++e) {
        SCOPED_TRACE("entry " + std::to_string(e));
        jint id = (pack << 10) | jint(e);
        EXPECT_EQ(reader->getSize(id), jint(expected[e].data.size()));
        EXPECT_EQ(reader->getType(id), expected[e].type);
        EXPECT_EQ(bytesOf(reader->getData(id)), expected[e].data);
        EXPECT_EQ(drain(reader->getStream(id)), expected[e].data);
        VMPtr<VMArray<jbyte>> block = reader->getPackData(id);
        jint offset = reader->getOffset(id);
        Bytes inPlace;
        for (size_t i = 0; i < expected[e].data.size(); ++i)
            inPlace.push_back(uint8_t(block[offset + jint(i)]));
        EXPECT_EQ(inPlace, expected[e].data);
    }
}

}  // namespace restest
