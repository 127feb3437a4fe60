// The real program over the sample content with one pack file damaged: the
// game reads it on its game thread, where the exception ends the game loop.
// The program must then end with exit code 1 and one line on standard error
// that names the pack file on disk and what is wrong with it, not stay up
// showing its last frame. Each case is its own test (one CTest test each);
// the watchdog kills a program that hangs, which fails the exit code.
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <linux/capability.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "program_folder.h"
#include "program_runner.h"

namespace {

namespace fs = std::filesystem;

// Longer than any of these runs takes under the sanitizers, short enough
// that a hang shows at once.
constexpr unsigned kWatchdogSeconds = 10;

// Frames on the virtual clock: the logo at the first frame, the menu after
// three seconds; the taps of the story case lead through the language page,
// the sound question and the main menu's play entry to the first story
// (tests/game/scenarios/front_scene_trace.scenario gives their places). A
// program that reads its packs unharmed ends at the close, with exit code 0.
const char kPlayToTheMenu[] = "200 close\n";
const char kPlayToTheStory[] =
    "100 tap 135 160\n"
    "115 tap 42 85\n"
    "130 tap 204 200\n"
    "200 close\n";

// A chunked pack's main file: the marker and version (6 bytes) and the
// chunk count (2), then the index chunk: its id, length and info (4 bytes
// each), then its payload: the flags byte, the entry count (2) and the
// entry sizes.
constexpr size_t kIndexChunkId = 8;
constexpr size_t kIndexChunkLength = 12;
constexpr size_t kFirstEntrySize = 23;

std::vector<char> readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const fs::path& file, const std::vector<char>& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

void cutTo(const fs::path& file, uintmax_t size) { fs::resize_file(file, size); }

void cutInHalf(const fs::path& file) { cutTo(file, fs::file_size(file) / 2); }

void makeFolder(const fs::path& file) {
    fs::remove(file);
    fs::create_directory(file);
}

// The pack's index chunk must lie where the damage is aimed.
void expectIndexChunkFirst(const std::vector<char>& bytes) {
    ASSERT_GT(bytes.size(), kFirstEntrySize);
    ASSERT_EQ(std::string(bytes.data() + kIndexChunkId, 4), "RPHe");
}

// The first entry's size gets its sign bit: no index can hold it.
void flipIndexByte(const fs::path& file) {
    std::vector<char> bytes = readAll(file);
    expectIndexChunkFirst(bytes);
    bytes[kFirstEntrySize] = char(bytes[kFirstEntrySize] ^ 0x80);
    writeAll(file, bytes);
}

void hugeChunkLength(const fs::path& file) {
    std::vector<char> bytes = readAll(file);
    expectIndexChunkFirst(bytes);
    const char length[4] = {0x7F, char(0xFF), char(0xFF), char(0xF0)};
    std::copy(length, length + 4, bytes.begin() + kIndexChunkLength);
    writeAll(file, bytes);
}

// A file that can't be opened, also by root: without its permission bits,
// and the program started without the capabilities that pass them by (the
// bounding set this process hands its children on). False when the system
// lets it be read all the same.
bool makeUnreadable(const fs::path& file) {
    fs::permissions(file, fs::perms::none);
    if (geteuid() == 0) {
        prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
        prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
    }
    // What a started program finds: a child that opens it after an exec.
    pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", "exec 2>/dev/null 3< \"$0\"", file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

struct Damage {
    const char* name;
    const char* file;  // under rsc/
    std::function<void(const fs::path&)> spoil;
    const char* script;
    // What the line says of the file after its path; "%size%" stands for
    // the file's size before the damage, "%half%" for half of it.
    const char* said;
};

std::string sayingOf(std::string said, uintmax_t size) {
    for (const auto& [mark, value] : {std::pair<std::string, uintmax_t>{"%size%", size},
                                      std::pair<std::string, uintmax_t>{"%half%", size / 2}})
        for (size_t at; (at = said.find(mark)) != std::string::npos;)
            said.replace(at, mark.size(), std::to_string(value));
    return said;
}

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

const Damage kDamages[] = {
    {"MainFileCutToNothing", "RP1part0.rp", [](const fs::path& f) { cutTo(f, 0); }, kPlayToTheMenu,
     ": ends at byte 0, before the data it announces"},
    {"MainFileCutInHalf", "RP1part0.rp", cutInHalf, kPlayToTheMenu,
     ": ends at byte %half%, before the data it announces"},
    {"PartFileCutInHalf", "RP2part1.rp", cutInHalf, kPlayToTheMenu,
     ": ends at byte %half%, before the %size% bytes of its part"},
    {"MainFileAFolder", "RP1part0.rp", makeFolder, kPlayToTheMenu, ": a folder, not a file"},
    {"PartFileAFolder", "RP9part1.rp", makeFolder, kPlayToTheMenu, ": a folder, not a file"},
    {"PartFileANamedPipe", "RP1part1.rp",
     [](const fs::path& f) {
         fs::remove(f);
         ASSERT_EQ(mkfifo(f.c_str(), 0644), 0);
     },
     kPlayToTheMenu, ": not a plain file (a pipe or a device)"},
    {"PartFileMissing", "RP9part1.rp", [](const fs::path& f) { fs::remove(f); }, kPlayToTheMenu,
     ": no such file"},
    {"PartFileUnreadable", "RP1part1.rp", nullptr, kPlayToTheMenu,
     ": cannot open it: Permission denied"},
    {"IndexByteFlipped", "RP1part0.rp", flipIndexByte, kPlayToTheMenu,
     ": its index can't be read"},
    {"IndexByteFlippedInTheStoryPack", "RP17part0.rp", flipIndexByte, kPlayToTheStory,
     ": its index can't be read"},
    {"HugeChunkLength", "RP1part0.rp", hugeChunkLength, kPlayToTheMenu,
     ": ends at byte %size%, before the data it announces"},
    {"TextPackCutToNothing", "RP20.rp", [](const fs::path& f) { cutTo(f, 0); }, kPlayToTheMenu,
     ": ends at byte 0, before the data it announces"},
};

class DamagedPack : public ::testing::TestWithParam<Damage> {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren_damaged_pack_XXXXXX");
        ASSERT_FALSE(folder_.empty());
        const fs::path content(WREN_GAME_DIR);
        fs::copy(content / "rsc", fs::path(folder_) / "rsc", fs::copy_options::recursive);
        fs::copy(content / "properties" / "sys.prop", fs::path(folder_) / "properties");
        // A name of its own: the single-instance check goes by the name, and
        // other runs of the game may be going on.
        std::ofstream app(fs::path(folder_) / "properties" / "app.prop");
        app << "MIDlet-Name: Wren damaged pack " << getpid() << "\n";
        std::ifstream given(content / "properties" / "app.prop");
        for (std::string line; std::getline(given, line);)
            if (line.rfind("MIDlet-Name:", 0) != 0) app << line << "\n";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (const auto& e : fs::recursive_directory_iterator(folder_, ignored))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        wrentest::removeFolder(folder_);
    }

    std::string folder_;
};

TEST_P(DamagedPack, EndsTheProgramWithExitCodeOneAndALineNamingTheFile) {
    const Damage& d = GetParam();
    const fs::path file = fs::path(folder_) / "rsc" / d.file;
    ASSERT_TRUE(fs::is_regular_file(file));
    const std::string said = file.string() + sayingOf(d.said, fs::file_size(file));
    if (d.spoil) {
        d.spoil(file);
    } else if (!makeUnreadable(file)) {
        GTEST_SKIP() << "this system reads a file without permissions all the same";
    }
    const std::string script = folder_ + "/damage.script";
    std::ofstream(script) << d.script;
    const std::string errors = folder_ + "/stderr.txt";

    wrentest::RunningProgram program = wrentest::startProgram(
        WREN_GAME_DIR "/wren", folder_, script, kWatchdogSeconds, {{"WREN_CLOCK", "virtual"}},
        false, errors);
    std::string output;
    for (std::string line; program.readLine(&line);) output += line + "\n";
    EXPECT_EQ(program.finish(), 1) << output;

    std::ifstream in(errors);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 1u) << output;
    EXPECT_EQ(lines[0].rfind("wren: the game stopped: ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(said), std::string::npos) << lines[0];
    // The runtime's report of the exception stays on standard output.
    EXPECT_NE(output.find("Exception in thread"), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedPack, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
