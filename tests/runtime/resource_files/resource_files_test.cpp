// Resource files: the bridge's open, size, read and close over the "rsc"
// folder of the program's folder (this suite's executable sits beside a copy
// of tests/fixtures/program_folder/rsc), the resource stream over them, and
// Class.getResourceAsStream.
//
//   ten.bin                 "0123456789"
//   empty.bin               no bytes
//   wrentest/res/probe.txt  "probe"
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "HAL_resources.h"
#include "HAL_status.h"
#include "VMArray.h"
#include "VMClass.h"
#include "com_nimbault_marl_cldc_io_ResourceInputStream.h"
#include "java_io_DataInputStream.h"
#include "java_io_InputStream.h"
#include "java_lang_System.h"
#include "runtime/runtime_test_support.h"

using com::nimbault::marl::cldc::io::ResourceInputStream;
using java::io::InputStream;
using java::lang::String;
using java::lang::Throwable;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace wrentest::res {

// A class in a package, for names that resolve against it.
class Probe : public virtual java::lang::Object {
    WREN_CLASS(Probe, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }
};

}  // namespace wrentest::res

WREN_DEFINE_CLASS(wrentest::res::Probe, "wrentest.res.Probe")

namespace {

// The suite reads the folder beside it whatever the caller's environment
// says; the one test of WREN_MODULE_DIR sets it in a child process.
[[maybe_unused]] const bool moduleDirCleared = (unsetenv("WREN_MODULE_DIR"), true);

constexpr const char* kIOE = "java.io.IOException";

struct Opened {
    HAL_ResourceFile* handle = nullptr;
    int32_t status = -1;
    explicit Opened(const std::u16string& name) {
        status = HAL_openResource(&handle, name.data(), jint(name.size()));
    }
    ~Opened() { HAL_closeResource(handle); }
};

VMPtr<String> utf16(const std::u16string& s) { return String::make(s.data(), jint(s.size())); }

// ASCII names for traces.
std::string narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

VMPtr<ResourceInputStream> openStream(const std::u16string& name) {
    return ResourceInputStream::make(utf16(name));
}

std::string str(const VMPtr<VMArray<jbyte>>& a, jint off, jint len) {
    return std::string(reinterpret_cast<const char*>(a->elements()) + off, size_t(len));
}

// Everything left in the stream.
std::string drain(const VMPtr<InputStream>& in) {
    std::string out;
    for (jint c; (c = in->read()) >= 0;) out += char(c);
    return out;
}

std::string executableFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n < 0) return "";
    std::string exe(path, size_t(n));
    return exe.substr(0, exe.rfind('/'));
}

size_t openDescriptors() {
    size_t n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

TEST(ResourceFiles, OpenFindsOnlyRegularFilesInsideTheFolder) {
    struct Case {
        std::u16string name;
        int32_t status;
    };
    const Case cases[] = {
        {u"ten.bin", HAL_OK},
        {u"wrentest/res/probe.txt", HAL_OK},
        {u"missing.bin", HAL_NOT_FOUND},
        {u"wrentest", HAL_NOT_FOUND},        // a folder
        {u"../rsc/ten.bin", HAL_NOT_FOUND},  // reaches outside the folder first
        {u"wrentest/../ten.bin", HAL_NOT_FOUND},
        // The file system would stop at U+0000 and open "ten.bin".
        {std::u16string(u"ten.bin\0x", 9), HAL_BAD_ARGUMENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.name));
        int sentinel;
        HAL_ResourceFile* handle = reinterpret_cast<HAL_ResourceFile*>(&sentinel);
        EXPECT_EQ(HAL_openResource(&handle, c.name.data(), jint(c.name.size())), c.status);
        EXPECT_EQ(handle != nullptr, c.status == HAL_OK);
        HAL_closeResource(handle);
    }
    // The length counts, not a terminator: "ten" names no file.
    EXPECT_EQ(Opened(std::u16string(u"ten.bin").substr(0, 3)).status, HAL_NOT_FOUND);

    HAL_ResourceFile* handle = nullptr;
    EXPECT_EQ(HAL_openResource(nullptr, u"ten.bin", 7), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_openResource(&handle, nullptr, 7), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_openResource(&handle, u"ten.bin", 0), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_openResource(&handle, u"ten.bin", -1), HAL_BAD_ARGUMENT);
    EXPECT_EQ(handle, nullptr);
}

// For messages: where a resource lies on disk, and what keeps one from
// opening. A named pipe in a file's place is refused at once, not waited on
// until something writes to it.
TEST(ResourceFiles, WhereAResourceLiesAndWhatKeepsItFromOpening) {
    const std::string rsc = executableFolder() + "/rsc/";
    EXPECT_EQ(HAL_resourcePath(u"wrentest/res/probe.txt", 22), rsc + "wrentest/res/probe.txt");
    EXPECT_EQ(HAL_resourcePath(u"../rsc/ten.bin", 14), "");
    const std::string pipe = rsc + "pipe.bin";
    std::remove(pipe.c_str());
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    struct Case {
        std::u16string name;
        std::string problem;
    };
    const Case cases[] = {
        {u"ten.bin", ""},
        {u"missing.bin", "no such file"},
        {u"wrentest", "a folder, not a file"},
        {u"pipe.bin", "not a plain file (a pipe or a device)"},
        {u"../rsc/ten.bin", "not a name inside the resource folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(narrow(c.name));
        EXPECT_EQ(HAL_resourceProblem(c.name.data(), jint(c.name.size())), c.problem);
        EXPECT_EQ(Opened(c.name).status, c.problem.empty() ? HAL_OK : HAL_NOT_FOUND);
    }
    std::remove(pipe.c_str());
}

TEST(ResourceFiles, ReadsAtAnyOffsetAndStopsAtTheEnd) {
    Opened ten(u"ten.bin");
    ASSERT_EQ(ten.status, HAL_OK);
    EXPECT_EQ(HAL_getResourceSize(ten.handle), 10);

    // Later offsets first: every read positions itself.
    std::string buffer(100, '.');
    jint count = 100;
    EXPECT_EQ(HAL_readResource(ten.handle, buffer.data(), 6, &count), HAL_OK);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(buffer.substr(0, 6), "6789..");  // nothing written past the bytes read
    count = 3;
    EXPECT_EQ(HAL_readResource(ten.handle, buffer.data(), 1, &count), HAL_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(buffer.substr(0, 4), "1239");
    for (jint offset : {10, 50}) {
        count = 5;
        EXPECT_EQ(HAL_readResource(ten.handle, buffer.data(), offset, &count), HAL_OK);
        EXPECT_EQ(count, 0);
    }

    count = 1;
    EXPECT_EQ(HAL_readResource(ten.handle, buffer.data(), -1, &count), HAL_BAD_ARGUMENT);
    count = -1;
    EXPECT_EQ(HAL_readResource(ten.handle, buffer.data(), 0, &count), HAL_BAD_ARGUMENT);
    count = 1;
    EXPECT_EQ(HAL_readResource(ten.handle, nullptr, 0, &count), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_readResource(nullptr, buffer.data(), 0, &count), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_readResource(ten.handle, buffer.data(), 0, nullptr), HAL_BAD_ARGUMENT);
    EXPECT_EQ(HAL_getResourceSize(nullptr), -1);
    HAL_closeResource(nullptr);

    Opened empty(u"empty.bin");
    ASSERT_EQ(empty.status, HAL_OK);
    EXPECT_EQ(HAL_getResourceSize(empty.handle), 0);
    count = 4;
    EXPECT_EQ(HAL_readResource(empty.handle, buffer.data(), 0, &count), HAL_OK);
    EXPECT_EQ(count, 0);
}

TEST(ResourceStream, ResourcesThatCannotBeOpenedThrowTheStatus) {
    struct Case {
        std::u16string name;
        const char* message;
    };
    const Case cases[] = {{u"missing.bin", "Resource error: 4"},
                          {u"wrentest", "Resource error: 4"},
                          {u"", "Resource error: 2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        VMPtr<Throwable> t = thrownBy([&] { openStream(c.name); });
        EXPECT_EQ(classNameOf(t), kIOE);
        EXPECT_EQ(text(t->getMessage()), c.message);
    }
    EXPECT_EQ(thrownName([] { ResourceInputStream::make(VMPtr<String>()); }),
              "java.lang.NullPointerException");
}

TEST(ResourceStream, ReadsAResourceWhole) {
    VMPtr<ResourceInputStream> in = openStream(u"ten.bin");
    EXPECT_EQ(in->available(), 10);
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(100);
    EXPECT_EQ(in->read(b, 0, 100), 10);
    EXPECT_EQ(str(b, 0, 10), "0123456789");
    EXPECT_EQ(in->read(b, 0, 100), -1);
    EXPECT_EQ(in->read(), -1);
    EXPECT_EQ(in->available(), 0);
    EXPECT_EQ(in->read(b, 0, 0), 0);  // a read of nothing is not the end

    EXPECT_EQ(drain(openStream(u"empty.bin")), "");
    EXPECT_EQ(drain(openStream(u"wrentest/res/probe.txt")), "probe");
}

TEST(ResourceStream, SkipsAndMarksAreMovesOfThePosition) {
    VMPtr<ResourceInputStream> in = openStream(u"ten.bin");
    EXPECT_TRUE(in->markSupported());
    EXPECT_EQ(in->skip(-1), 0);
    EXPECT_EQ(in->skip(5), 5);
    EXPECT_EQ(in->skip(100), 5);
    EXPECT_EQ(in->skip(1), 0);

    in->reset();  // no mark yet: the start
    EXPECT_EQ(in->skip(3), 3);
    in->mark(1);  // the limit does not matter
    VMPtr<VMArray<jbyte>> four = VMArray<jbyte>::create(4);
    EXPECT_EQ(in->read(four, 0, 4), 4);
    EXPECT_EQ(drain(in), "789");
    in->reset();
    EXPECT_EQ(in->read(), '3');
}

TEST(ResourceStream, RangeChecksComeBeforeTheEndOfData) {
    VMPtr<ResourceInputStream> in = openStream(u"ten.bin");
    in->skip(10);
    VMPtr<VMArray<jbyte>> four = VMArray<jbyte>::create(4);
    struct Range {
        jint off, len;
    };
    for (const Range& r : {Range{2, -1}, Range{-1, 1}, Range{5, 0}, Range{2, 3},
                           Range{1, 2147483647}}) {
        SCOPED_TRACE(std::to_string(r.off) + "," + std::to_string(r.len));
        EXPECT_EQ(thrownName([&] { in->read(four, r.off, r.len); }),
                  "java.lang.IndexOutOfBoundsException");
    }
    EXPECT_EQ(thrownName([&] { in->read(VMPtr<VMArray<jbyte>>(), 0, 1); }),
              "java.lang.NullPointerException");
}

TEST(ResourceStream, AClosedStreamRefusesToReadButStillAnswersAvailable) {
    VMPtr<ResourceInputStream> in = openStream(u"ten.bin");
    in->skip(4);
    in->close();
    in->close();
    EXPECT_EQ(in->handle, nullptr);
    for (auto op : {+[](ResourceInputStream* s) { s->read(); },
                    +[](ResourceInputStream* s) { s->read(VMArray<jbyte>::create(4), 0, 4); },
                    +[](ResourceInputStream* s) { s->skip(1); },
                    +[](ResourceInputStream* s) { s->reset(); }}) {
        VMPtr<Throwable> t = thrownBy([&] { op(in.get()); });
        EXPECT_EQ(classNameOf(t), kIOE);
        EXPECT_TRUE(t->getMessage() == nullptr);
    }
    EXPECT_EQ(in->available(), 6);
    in->mark(0);
    EXPECT_EQ(in->markPosition, 4);
}

TEST(ResourceStream, TypedReadsOverAResource) {
    VMPtr<java::io::DataInputStream> in = java::io::DataInputStream::make(openStream(u"ten.bin"));
    EXPECT_EQ(in->readInt(), 0x30313233);
    VMPtr<VMArray<jbyte>> six = VMArray<jbyte>::create(6);
    in->readFully(six);
    EXPECT_EQ(str(six, 0, 6), "456789");
    EXPECT_EQ(thrownName([&] { in->readByte(); }), "java.io.EOFException");
}

TEST(ResourceStream, AFileCutShortAfterOpeningReadsAsEnded) {
    // The size is taken at open; the bytes behind it may be gone by the time
    // they are read, and must not be made up.
    std::string name = "cut-" + std::to_string(getpid()) + ".bin";
    std::string path = executableFolder() + "/rsc/" + name;
    std::ofstream(path, std::ios::binary) << "abcdefgh";
    VMPtr<ResourceInputStream> in = openStream(std::u16string(name.begin(), name.end()));
    ASSERT_EQ(truncate(path.c_str(), 2), 0);
    std::remove(path.c_str());
    EXPECT_EQ(in->available(), 8);
    VMPtr<VMArray<jbyte>> b = VMArray<jbyte>::create(8);
    EXPECT_EQ(in->read(b, 0, 8), 2);
    EXPECT_EQ(in->read(b, 0, 8), -1);
    EXPECT_EQ(in->read(), -1);
    in->reset();
    VMPtr<java::io::DataInputStream> data = java::io::DataInputStream::make(in);
    EXPECT_EQ(thrownName([&] { data->readFully(b); }), "java.io.EOFException");
}

TEST(ResourceStream, AStreamDroppedWithoutCloseClosesItsFile) {
    java::lang::System::gc();  // streams earlier tests dropped
    size_t before = openDescriptors();
    {
        VMPtr<ResourceInputStream> a = openStream(u"ten.bin");
        VMPtr<ResourceInputStream> b = openStream(u"empty.bin");
        EXPECT_EQ(openDescriptors(), before + 2);
    }
    java::lang::System::gc();
    EXPECT_EQ(openDescriptors(), before);
}

TEST(GetResourceAsStream, ResolvesAgainstTheClassAndGivesNullForMissingResources) {
    java::lang::Class* probe = wrentest::res::Probe::classRecord();
    VMPtr<InputStream> relative = probe->getResourceAsStream(utf16(u"probe.txt"));
    ASSERT_FALSE(relative == nullptr);
    EXPECT_STREQ(relative->getClass()->name, "com.nimbault.marl.cldc.io.ResourceInputStream");
    EXPECT_EQ(drain(relative), "probe");
    EXPECT_EQ(drain(String::classRecord()->getResourceAsStream(utf16(u"/ten.bin"))), "0123456789");

    for (const char16_t* name : {u"ten.bin", u"/missing.bin", u"/wrentest", u""}) {
        SCOPED_TRACE(narrow(name));
        EXPECT_TRUE(probe->getResourceAsStream(utf16(name)) == nullptr);
    }
    EXPECT_EQ(thrownName([&] { probe->getResourceAsStream(VMPtr<String>()); }),
              "java.lang.NullPointerException");
}

TEST(ProgramFolder, WrenModuleDirTakesThePlaceOfTheExecutablesFolder) {
    // In a child process, so that the folder it reads is not the one this
    // process already uses.
    EXPECT_EXIT(
        {
            setenv("WREN_MODULE_DIR", WREN_TEST_FIXTURES "/other_program_folder", 1);
            Opened moved(u"elsewhere.txt");
            char bytes[16] = {};
            jint count = 15;
            HAL_readResource(moved.handle, bytes, 0, &count);
            std::fprintf(stderr, "read '%s', ten.bin %d\n", bytes, Opened(u"ten.bin").status);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "read 'elsewhere', ten.bin 4");
}

}  // namespace
