// Files the readers must refuse without a crash, a hang or an allocation
// for a size that lies: rpack's malformed variants of every structure, and
// every prefix of valid packs. A chunked pack's open reports the caught
// exception as the text of its RuntimeException; a plain pack's unreadable
// index leaves the pack without one.
#include "resources_test_support.h"

#include <functional>
#include <tuple>

#include "wren_io_resource_ResourcePackChunked.h"

using namespace restest;
using wren::io::resource::ResourcePackChunked;

namespace {

using Reader = VMPtr<ResourcePackChunked>;

const std::vector<rpack::PackEntry> kEntries = {
    {bytesFrom({1, 2, 3}), 0}, {bytesFrom({4}), -1}, {Bytes(40, 0x66), 5}};

rpack::PackContent content(int number) {
    rpack::PackContent c;
    c.number = number;
    c.entries = kEntries;
    return c;
}

// What opening the pack threw: "ok" when it opened, else the message of the
// RuntimeException (the caught exception's class and message).
std::string openOutcome(jint pack) {
    Reader r = ResourcePackChunked::make();
    VMPtr<java::lang::Throwable> t = thrownBy([&] { r->open(pack); });
    if (t == nullptr) return "ok";
    if (classNameOf(t) != "java.lang.RuntimeException") return "thrown " + classNameOf(t);
    EXPECT_EQ(r->sizes, nullptr);
    EXPECT_EQ(r->data, nullptr);
    EXPECT_EQ(r->fileSystem, nullptr);
    return text(t->getMessage());
}

// The message text up to its first ':' or the whole of it: the class name.
std::string classOf(const std::string& outcome) {
    return outcome.substr(0, outcome.find(':'));
}

// The text with each "{name}" replaced by that resource file's path on disk.
std::string withPaths(std::string text) {
    for (size_t open; (open = text.find('{')) != std::string::npos;) {
        size_t close = text.find('}', open);
        text.replace(open, close + 1 - open, onDisk(text.substr(open + 1, close - open - 1)));
    }
    return text;
}

class MalformedPack : public PackFixture {};

TEST_F(MalformedPack, ChunkedVariants) {
    // A spoil of the planned structure, or of the files encoded from it.
    using Spoil = std::function<void(rpack::ChunkedPack&)>;
    using SpoilFiles = std::function<void(rpack::FileSet&)>;
    struct Case {
        const char* name;
        rpack::ChunkedLayout layout;
        Spoil spoil;
        SpoilFiles spoilFiles;
        const char* outcome;  // the exact message ("{file}" for its path), or its class alone
        // After an open that went through, what reading entry 0 throws.
        const char* firstEntry = "wren.io.resource.MissingEntryException";
    };
    auto split = rpack::ChunkedLayout::Split;
    auto directory = rpack::ChunkedLayout::Directory;
    auto splitMap = [](int32_t total, std::vector<int32_t> parts) {
        return rpack::encodeSplitMap({total, std::move(parts)});
    };
    const std::vector<Case> cases = {
        {"chunk length beyond the file",
         split,
         [](rpack::ChunkedPack& p) { p.main.chunks[1].declaredLength = 1000; },
         {},
         "java.io.EOFException"},
        {"chunk length 2^31 - 1",
         split,
         [](rpack::ChunkedPack& p) { p.main.chunks[0].declaredLength = 0x7FFFFFFF; },
         {},
         "java.io.EOFException"},
        {"negative chunk length",
         split,
         [](rpack::ChunkedPack& p) { p.main.chunks[0].declaredLength = -8; },
         {},
         "java.io.EOFException"},
        {"more chunks than the table holds",
         split,
         [](rpack::ChunkedPack& p) { p.main.declaredCount = 3; },
         {},
         "java.io.EOFException"},
        {"fewer chunks counted: the split map unread",
         split,
         [](rpack::ChunkedPack& p) { p.main.declaredCount = 1; },
         {},
         "java.io.IOException: {RP3part0.rp}: Missing RP chunk 'MLSF'"},
        {"split total beyond the heap",
         split,
         [&](rpack::ChunkedPack& p) { p.main.chunks[1].payload = splitMap(0x7FFFFFFF, {44}); },
         {},
         "java.io.IOException: {RP3part0.rp}: Split map total of 2147483647 bytes does not fit in the heap"},
        {"split total below its parts",
         split,
         [&](rpack::ChunkedPack& p) { p.main.chunks[1].payload = splitMap(10, {44}); },
         {},
         "java.lang.IndexOutOfBoundsException"},
        // The total is the block; what no part holds stays zero.
        {"no parts for a total",
         split,
         [&](rpack::ChunkedPack& p) { p.main.chunks[1].payload = splitMap(10, {}); },
         {},
         "ok",
         "nothing"},
        {"negative total",
         split,
         [&](rpack::ChunkedPack& p) { p.main.chunks[1].payload = splitMap(-44, {44}); },
         {},
         "java.lang.NegativeArraySizeException"},
        {"negative part count",
         split,
         [](rpack::ChunkedPack& p) {
             rpack::ByteWriter w;
             w.s32(44);
             w.s32(-1);
             w.s32(44);
             p.main.chunks[1].payload = w.take();
         },
         {},
         "java.lang.NegativeArraySizeException"},
        {"negative part",
         split,
         [&](rpack::ChunkedPack& p) {
             p.main.chunks[1].payload = splitMap(44, {88, -44});
         },
         {},
         "java.lang.IndexOutOfBoundsException"},
        {"parts that wrap in 32 bits",
         split,
         [&](rpack::ChunkedPack& p) {
             p.main.chunks[1].payload = splitMap(44, {0x7FFFFFFF, 0x7FFFFFFF, 46});
         },
         {},
         "java.lang.IndexOutOfBoundsException"},
        {"part count beyond the map",
         split,
         [](rpack::ChunkedPack& p) {
             rpack::ByteWriter w;
             w.s32(44);
             w.s32(0x40000000);
             w.s32(44);
             p.main.chunks[1].payload = w.take();
         },
         {},
         "java.io.EOFException"},
        {"a part longer than its file",
         split,
         {},
         [](rpack::FileSet& f) { rpack::truncateFile(f, "RP3part1.rp", 43); },
         "java.io.EOFException: {RP3part1.rp}: ends at byte 43, before the 44 bytes of its part"},
        {"a missing part file",
         split,
         {},
         [](rpack::FileSet& f) { rpack::removeFile(f, "RP3part1.rp"); },
         "java.io.IOException: {RP3part1.rp}: no such file"},
        {"a missing main file",
         split,
         {},
         [](rpack::FileSet& f) { rpack::removeFile(f, "RP3part0.rp"); },
         "java.io.IOException: {RP3part0.rp}: no such file"},
        {"an empty main file",
         split,
         {},
         [](rpack::FileSet& f) { rpack::truncateFile(f, "RP3part0.rp", 0); },
         "java.io.EOFException: {RP3part0.rp}: ends at byte 0, before the data it announces"},
        {"directory count beyond its payload",
         directory,
         [](rpack::ChunkedPack& p) {
             rpack::Directory d;
             d.declaredCount = 0x15555556;  // 12 x count wraps to 8 in 32 bits
             d.entries = {{-1, 0, 1, 0, 0}};
             p.main.chunks[1].payload = rpack::encodeDirectory(d);
         },
         {},
         "java.io.EOFException"},
        {"negative directory count",
         directory,
         [](rpack::ChunkedPack& p) {
             rpack::Directory d;
             d.declaredCount = -1;
             p.main.chunks[1].payload = rpack::encodeDirectory(d);
         },
         {},
         "java.io.EOFException"},
        {"an index chunk too short: opens without an index",
         split,
         [](rpack::ChunkedPack& p) { p.main.chunks[0].payload.resize(6); },
         {},
         "ok"},
        {"a negative size in the index: opens without an index",
         split,
         [](rpack::ChunkedPack& p) { p.main.chunks[0].payload[3] = 0x80; },
         {},
         "ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(rscDir());
        rpack::PackContent pack = content(3);
        pack.layout = c.layout;
        rpack::ChunkedPack plan = rpack::planChunkedPack(pack);
        if (c.spoil) c.spoil(plan);
        rpack::FileSet files = plan.files();
        if (c.spoilFiles) c.spoilFiles(files);
        install(files);
        std::string outcome = openOutcome(3);
        if (std::string(c.outcome).find(':') == std::string::npos)
            EXPECT_EQ(classOf(outcome), c.outcome) << outcome;
        else
            EXPECT_EQ(outcome, withPaths(c.outcome));
        if (outcome == "ok") {
            Reader r = ResourcePackChunked::make();
            EXPECT_EQ(thrownName([&] { r->getData(3 << 10); }), c.firstEntry);
        }
    }
}

// Plain packs whose index can't be read: the pack is there but has no
// index, from a file and from a stream alike.
TEST_F(MalformedPack, PlainVariants) {
    auto withLength = [](int32_t length) {
        rpack::PlainPackOptions o;
        o.dataLength = length;
        return rpack::encodePlainPack(kEntries, o);
    };
    rpack::ByteWriter negativeSize;
    negativeSize.u8(0x41);
    negativeSize.u16(1);
    negativeSize.s32(-1);
    negativeSize.u8(0);
    negativeSize.s32(0);
    // What the lookup's message says of the file after its path: where it
    // ends when the read ran into its end.
    const std::string shortOfData = ", before the data it announces";
    const std::string past = "ends at byte " + std::to_string(withLength(0).size());
    const std::tuple<const char*, Bytes, std::string> cases[] = {
        {"data length beyond the file", withLength(1000), past + shortOfData},
        {"data length 2^31 - 1", withLength(0x7FFFFFFF), past + shortOfData},
        {"negative data length", withLength(-1), "its index can't be read"},
        {"negative entry size", negativeSize.take(), "its index can't be read"},
        {"no bytes at all", Bytes(), "ends at byte 0" + shortOfData},
        {"a count and nothing after it", bytesFrom({0x41, 0xFF, 0xFF}), "ends at byte 3" + shortOfData},
    };
    for (const auto& [name, bytes, said] : cases) {
        SCOPED_TRACE(name);
        Reader r = ResourcePackChunked::make();
        EXPECT_FALSE(r->load(streamOf(bytes), false));
        EXPECT_EQ(r->sizes, nullptr);
        installFile("RP30.rp", bytes);
        r->close();
        VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getSize(30 << 10); });
        EXPECT_EQ(classNameOf(t), "wren.io.resource.MissingEntryException");
        EXPECT_EQ(text(t->getMessage()),
                  "Resource pack 30 has no index (entry 0): " + onDisk("RP30.rp") + ": " + said);
    }
    // A data block longer than the sizes need is not refused.
    Reader r = ResourcePackChunked::make();
    ASSERT_TRUE(r->load(streamOf(concat({withLength(50), Bytes(6, 0)})), false));
    expectEntries(r, 0, kEntries);
}

// Every proper prefix of a plain pack leaves no index; the whole pack reads.
TEST_F(MalformedPack, EveryPrefixOfAPlainPack) {
    for (uint8_t flags : {rpack::kFlagsWide, rpack::kFlagsNarrow}) {
        Bytes pack = plainPack(kEntries, flags);
        for (size_t n = 0; n <= pack.size(); ++n) {
            SCOPED_TRACE(n);
            Bytes prefix(pack.begin(), pack.begin() + n);
            Reader r = ResourcePackChunked::make();
            EXPECT_EQ(r->load(streamOf(prefix), false), n == pack.size());
            installFile("RP31.rp", prefix);
            r->close();
            if (n == pack.size())
                expectEntries(r, 31, kEntries);
            else
                EXPECT_EQ(thrownName([&] { r->getType(31 << 10); }),
                          "wren.io.resource.MissingEntryException");
        }
    }
}

// Every proper prefix of a split pack's main file and of each part file
// fails the open with a short read that names the file and where it ends;
// the whole files open.
TEST_F(MalformedPack, EveryPrefixOfASplitPack) {
    rpack::PackContent pack = content(3);
    pack.splitParts = 3;
    const rpack::FileSet whole = rpack::buildPack(pack);
    for (const rpack::OutputFile& file : whole) {
        for (size_t n = 0; n < file.data.size(); ++n) {
            SCOPED_TRACE(file.name + " cut to " + std::to_string(n));
            rpack::FileSet files = whole;
            rpack::truncateFile(files, file.name, n);
            install(files);
            const std::string end = "java.io.EOFException: " + onDisk(file.name) + ": ends at byte " +
                                    std::to_string(n) + ", before the ";
            if (file.name == "RP3part0.rp")
                EXPECT_EQ(openOutcome(3), end + "data it announces");
            else
                EXPECT_EQ(openOutcome(3), end + std::to_string(file.data.size()) + " bytes of its part");
        }
    }
    install(whole);
    EXPECT_EQ(openOutcome(3), "ok");
}

// A directory pack: every prefix of its main file fails the open; a cut
// part file fails only the entries it no longer holds whole.
TEST_F(MalformedPack, EveryPrefixOfADirectoryPack) {
    rpack::PackContent pack = content(4);
    pack.layout = rpack::ChunkedLayout::Directory;
    pack.placements = {{-1, 1}, {-1, 1}, {-1, 2}};
    const rpack::FileSet whole = rpack::buildPack(pack);
    const Bytes& main = rpack::findFile(whole, "RP4part0.rp")->data;
    for (size_t n = 0; n < main.size(); ++n) {
        SCOPED_TRACE(n);
        rpack::FileSet files = whole;
        rpack::truncateFile(files, "RP4part0.rp", n);
        install(files);
        EXPECT_EQ(openOutcome(4), "java.io.EOFException: " + onDisk("RP4part0.rp") + ": ends at byte " +
                                      std::to_string(n) + ", before the data it announces");
    }
    for (size_t n = 0; n < 4; ++n) {
        SCOPED_TRACE("part 1 cut to " + std::to_string(n));
        rpack::FileSet files = whole;
        rpack::truncateFile(files, "RP4part1.rp", n);
        install(files);
        Reader r = ResourcePackChunked::make();
        r->close();
        auto outcome = [&](jint entry) {
            VMPtr<java::lang::Throwable> t = thrownBy([&] { r->getData((4 << 10) | entry); });
            return t == nullptr ? std::string("ok") : classNameOf(t) + " " + text(t->getMessage());
        };
        const std::string eof = "java.lang.RuntimeException java.io.EOFException";
        EXPECT_EQ(outcome(0), n >= 3 ? "ok" : eof);
        EXPECT_EQ(outcome(1), eof);
        EXPECT_EQ(outcome(2), "ok");
    }
}

// Every proper prefix of an extension table is a short read and leaves no
// extension.
TEST_F(MalformedPack, EveryPrefixOfAnExtensionTable) {
    Bytes table = rpack::encodeExtensionTable({bytesFrom({1, 2}), {}, bytesFrom({3})});
    for (size_t n = 0; n < table.size(); ++n) {
        Reader r = ResourcePackChunked::make();
        ASSERT_TRUE(r->load(streamOf(plainPack(kEntries)), false));
        Bytes prefix(table.begin(), table.begin() + n);
        EXPECT_EQ(thrownName([&] { r->readExtension(streamOf(prefix)); }), "java.io.EOFException")
            << n;
        EXPECT_FALSE(r->hasExtension());
    }
}

}  // namespace
