// Helpers shared by the RecordStore and record-enumeration suites.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "HAL_paths.h"
#include "HAL_recordstore.h"
#include "VMArray.h"
#include "java_bytes.h"
#include "java_lang_String.h"
#include "javax_microedition_rms_RecordStore.h"
#include "program_folder.h"

namespace rmstest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// The suite's program folder: the record stores must not land beside the
// test executable, where parallel test processes would share them. A suite
// that names its own folder first keeps it; the module directory is read
// only once the tests run, after every such setting.
inline wrentest::ProcessProgramFolder temporaryProgramFolder{"/tmp/wren_rms_XXXXXX"};

inline fs::path databaseRoot() {
    return fs::path(getModuleDirectory()) / "database";
}

inline Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline uint32_t le32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// The five metadata fields, in file order.
struct Metadata {
    uint32_t lastModified, version, nextId, totalBytes, count;
    bool operator==(const Metadata&) const = default;
};
inline Metadata metadataOf(const fs::path& storeFolder) {
    Bytes b = readFile(storeFolder / "metadata.info");
    EXPECT_EQ(b.size(), 20u);
    if (b.size() != 20) return {};
    return {le32(b, 0), le32(b, 4), le32(b, 8), le32(b, 12), le32(b, 16)};
}

inline std::vector<std::string> entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline VMPtr<java::lang::String> jstr(const char* utf8) {
    return java::lang::String::make(utf8);
}

using wrentest::bytesOf;
using wrentest::jbytes;

inline VMPtr<javax::microedition::rms::RecordStore> openStore(const char* name,
                                                              bool create = true) {
    return javax::microedition::rms::RecordStore::openRecordStore(jstr(name), create);
}

inline jint addBytes(const VMPtr<javax::microedition::rms::RecordStore>& store, const Bytes& b) {
    return store->addRecord(jbytes(b), 0, jint(b.size()));
}

// Each test starts and ends without a database folder.
class RecordStoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        HAL_failNextRecordStoreWrites(0);
        fs::remove_all(databaseRoot());
    }
    void TearDown() override {
        HAL_failNextRecordStoreWrites(0);
        fs::remove_all(databaseRoot());
    }
};

}  // namespace rmstest
