// The packs the build made with the rpack command from the manifests under
// fixtures/packs, one per form the readers serve: every entry read back
// through the game's reader equals its source as the builder's own encoders
// encode it, with its type byte.
#include "resources_test_support.h"

#include <algorithm>

#include "Audio.h"
#include "Manifest.h"
#include "Sources.h"
#include "java_lang_Class.h"
#include "javax_microedition_rms_RecordStore.h"
#include "wren_io_resource_ResourcePackChunked.h"

using namespace restest;
using wren::io::resource::ResourcePackChunked;

namespace {

const fs::path kBuilt = WREN_BUILT_PACKS;
const fs::path kSources = WREN_PACK_SOURCES;

std::string readText(const fs::path& path) {
    Bytes b = readFile(path);
    return std::string(b.begin(), b.end());
}

struct Expected {
    rpack::Manifest manifest;
    std::vector<rpack::PackEntry> entries;
    std::vector<Bytes> extensions;
};

// What each entry of the manifest must read back as.
Expected expectedOf(const std::string& manifestName) {
    Expected x;
    fs::path path = kSources / manifestName;
    x.manifest = rpack::parseManifest(path, readText(path));
    for (const rpack::ManifestEntry& e : x.manifest.entries) {
        rpack::PackEntry entry;
        if (e.kind == "raw") {
            entry = {readFile(kSources / e.args[0]), -1};
        } else if (e.kind == "text") {
            entry = {rpack::encodeTextTable(rpack::parseTextSource(readText(kSources / e.args[0]))),
                     -6};
        } else if (e.kind == "png") {
            entry = {rpack::encodePng(rpack::parseImageSource(readText(kSources / e.args[0]))), -3};
        } else if (e.kind == "tone") {
            rpack::Tone t;
            t.frequency = std::stoi(e.args[0]);
            t.durationMs = std::stoi(e.args[1]);
            t.sampleRate = e.toneRate;
            t.bitsPerSample = e.toneBits;
            t.volume = e.toneVolume;
            entry = {rpack::encodeWav(rpack::makeTone(t)), 1};
        } else {
            ADD_FAILURE() << "no expectation for entries of kind " << e.kind;
        }
        if (e.type) entry.type = int8_t(*e.type);
        x.entries.push_back(entry);
        x.extensions.push_back(e.extension.empty() ? Bytes() : readFile(kSources / e.extension));
    }
    return x;
}

class BuiltPacks : public PackFixture {
protected:
    void SetUp() override {
        PackFixture::SetUp();
        fs::copy(kBuilt / "rsc", rscDir(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        fs::copy(kBuilt / "database", databaseDir(),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
};

TEST_F(BuiltPacks, EveryPackFileFormReadsBackByteExact) {
    for (const char* name : {"plain_wide.pack", "plain_narrow.pack", "plain_extension.pack",
                             "chunked_split.pack", "chunked_directory.pack"}) {
        SCOPED_TRACE(name);
        Expected x = expectedOf(name);
        VMPtr<ResourcePackChunked> r = ResourcePackChunked::make();
        expectEntries(r, x.manifest.number, x.entries);
        r->close();
    }
}

TEST_F(BuiltPacks, TheNarrowPackHasTwoByteSizes) {
    EXPECT_EQ(readFile(rscDir() / "RP23.rp").at(0), 0x00);
    EXPECT_EQ(readFile(rscDir() / "RP22.rp").at(0), 0x41);
}

// The split pack is in memory after its open; the part files are not read
// again.
TEST_F(BuiltPacks, TheSplitPackIsReadWholeAtOpen) {
    Expected x = expectedOf("chunked_split.pack");
    VMPtr<ResourcePackChunked> r = ResourcePackChunked::make();
    r->selectPack(5 << 10);
    EXPECT_TRUE(r->inMemory);
    EXPECT_EQ(r->fileSystem, nullptr);
    EXPECT_EQ(r->chunks, nullptr);
    for (int part = 1; part <= 3; ++part)
        EXPECT_TRUE(fs::remove(rscDir() / ("RP5part" + std::to_string(part) + ".rp")));
    expectEntries(r, 5, x.entries);
}

// Each directory entry names a file that is there; the image that fills its
// own file decodes from it by name.
TEST_F(BuiltPacks, TheDirectoryPackReadsEachEntryFromItsFile) {
    Expected x = expectedOf("chunked_directory.pack");
    VMPtr<ResourcePackChunked> r = ResourcePackChunked::make();
    for (size_t e = 0; e < x.entries.size(); ++e) {
        std::string name = text(r->getFileName((6 << 10) | jint(e)));
        ASSERT_EQ(name.substr(0, 7), "/RP6par");
        EXPECT_TRUE(fs::is_regular_file(rscDir() / name.substr(1))) << name;
    }
    EXPECT_FALSE(r->inMemory);
    EXPECT_NE(r->fileSystem, nullptr);
    VMPtr<javax::microedition::lcdui::Image> image = r->getImage(6 << 10, nullptr);
    EXPECT_EQ(image->getWidth(), 6);
    EXPECT_EQ(image->getHeight(), 3);
}

// The extension table follows the data block: a stream over the file, left
// after the block by the load, reads it.
TEST_F(BuiltPacks, TheExtensionTableFollowsTheDataBlock) {
    Expected x = expectedOf("plain_extension.pack");
    VMPtr<ResourcePackChunked> r = ResourcePackChunked::make();
    VMPtr<DataInputStream> in = r->openStream(jstr("/RP24.rp"));
    ASSERT_NE(in, nullptr);
    ASSERT_TRUE(r->load(in, false));
    r->readExtension(in);
    EXPECT_EQ(in->read(), -1);
    ASSERT_TRUE(r->hasExtension());
    for (size_t e = 0; e < x.entries.size(); ++e) {
        SCOPED_TRACE(e);
        EXPECT_EQ(r->getExtensionSize(jint(e)), jint(x.extensions[e].size()));
        EXPECT_EQ(bytesOf(r->getExtensionData(jint(e))), x.extensions[e]);
        EXPECT_EQ(drain(r->getExtensionStream(jint(e))), x.extensions[e]);
    }
    expectEntries(r, 0, x.entries);
}

// The stored pack: its record store's records, joined in record order, are
// a plain pack that loads as pack 0.
TEST_F(BuiltPacks, TheStoredPackLoadsFromItsRecords) {
    using javax::microedition::rms::RecordStore;
    Expected x = expectedOf("stored.pack");
    ASSERT_TRUE(x.manifest.stored);
    VMPtr<RecordStore> store = RecordStore::openRecordStore(jstr("77"), false);
    Bytes joined;
    for (jint id = 1; id < store->getNextRecordID(); ++id) {
        Bytes record = bytesOf(store->getRecord(id));
        joined.insert(joined.end(), record.begin(), record.end());
    }
    store->closeRecordStore();
    VMPtr<ResourcePackChunked> r = ResourcePackChunked::make();
    ASSERT_TRUE(r->load(streamOf(joined), false));
    expectEntries(r, 0, x.entries);
}

}  // namespace
