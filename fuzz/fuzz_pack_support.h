// What the resource-pack fuzz targets share: a program folder of the
// process's own (in memory where there is such a file system) whose "rsc"
// folder the inputs are written into, byte conversions, the split of one
// input into named files, and the exceptions a reader may answer bad bytes
// with.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_ByteArrayInputStream.h"
#include "java_io_DataInputStream.h"
#include "java_io_IOException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_Throwable.h"
#include "fuzz_support.h"

namespace fuzzpack {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

inline std::string& programFolder() {
    static std::string folder;
    return folder;
}
inline fs::path rscFolder() {
    return fs::path(programFolder()) / "rsc";
}

inline void removeProgramFolder() {
    std::error_code ec;
    fs::remove_all(programFolder(), ec);
}

// Makes the folder, names it WREN_MODULE_DIR and starts the runtime; call
// from LLVMFuzzerInitialize.
inline void startWithProgramFolder(const char* name) {
    std::string inMemory = std::string("/dev/shm/") + name + "_XXXXXX";
    std::string onDisk = std::string("/tmp/") + name + "_XXXXXX";
    const char* folder = mkdtemp(inMemory.data());
    if (!folder) folder = mkdtemp(onDisk.data());
    if (!folder) finding("no temporary folder");
    programFolder() = folder;
    std::atexit(&removeProgramFolder);
    setenv("WREN_MODULE_DIR", folder, 1);
    startFuzzedRuntime();
}

inline void clearResources() {
    std::error_code ec;
    fs::remove_all(rscFolder(), ec);
    fs::create_directories(rscFolder(), ec);
}

inline void writeResource(const std::string& name, const uint8_t* data, size_t size) {
    std::ofstream out(rscFolder() / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

inline VMPtr<VMArray<jbyte>> jbytes(const uint8_t* data, size_t size) {
    VMPtr<VMArray<jbyte>> a = VMArray<jbyte>::create(jint(size));
    for (size_t i = 0; i < size; ++i) a[jint(i)] = jbyte(data[i]);
    return a;
}

inline Bytes bytesOf(const VMPtr<VMArray<jbyte>>& a) {
    Bytes b;
    if (a == nullptr) return b;
    b.reserve(size_t(a->length));
    for (jint i = 0; i < a->length; ++i) b.push_back(uint8_t(a[i]));
    return b;
}

inline VMPtr<java::io::DataInputStream> streamOver(const VMPtr<VMArray<jbyte>>& a) {
    return java::io::DataInputStream::make(java::io::ByteArrayInputStream::make(a));
}

inline Bytes drain(const VMPtr<java::io::InputStream>& in) {
    Bytes b;
    for (jint c = in->read(); c >= 0; c = in->read()) b.push_back(uint8_t(c));
    return b;
}

// The input as files: entries of one name byte (its low bits pick from
// `names`), a 16-bit little-endian length and that many bytes; a later
// entry of the same name replaces the earlier one. At most 24 entries.
inline void writeFilesFrom(const uint8_t* data, size_t size,
                           const std::vector<std::string>& names) {
    size_t at = 0;
    for (int entries = 0; at + 3 <= size && entries < 24; ++entries) {
        const std::string& name = names[data[at] % names.size()];
        size_t length = size_t(data[at + 1]) | size_t(data[at + 2]) << 8;
        at += 3;
        if (length > size - at) length = size - at;
        writeResource(name, data + at, length);
        at += length;
    }
}

// What the readers may throw at bytes that make no pack: the stream's and
// the format's IOExceptions (a short read among them), the RuntimeException
// that carries one out of an open or an entry read, a lookup the pack can't
// answer, an entry past its data block, an image the decoder refuses.
// Anything else is a finding.
template <class F>
void expectingRefusals(const char* what, F&& body) {
    try {
        body();
    } catch (java::io::IOException* caught) {
        VMPtr<java::io::IOException> refused = caught;
    } catch (java::lang::IndexOutOfBoundsException* caught) {
        VMPtr<java::lang::IndexOutOfBoundsException> refused = caught;
    } catch (java::lang::IllegalArgumentException* caught) {
        VMPtr<java::lang::IllegalArgumentException> refused = caught;
    } catch (java::lang::RuntimeException* caught) {
        VMPtr<java::lang::RuntimeException> refused = caught;
        // Only the readers' own: a RuntimeException carrying an exception's
        // text, or the missing-entry one.
        std::string name = refused->getClass()->name;
        if (name != "java.lang.RuntimeException" &&
            name != "wren.io.resource.MissingEntryException")
            finding(std::string(what) + ": unexpected " + name);
    } catch (java::lang::Throwable* caught) {
        VMPtr<java::lang::Throwable> unexpected = caught;
        finding(std::string(what) + ": unexpected " + unexpected->getClass()->name);
    }
}

}  // namespace fuzzpack
