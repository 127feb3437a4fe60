// The real program over saved games it is not allowed to read: the
// database folder, or a store's folder, without the permissions that let
// it be listed. Such a store is not an empty one, nor a damaged one: the
// program says it can't be read, starts that item anew, plays on without
// saving, and leaves every name and byte under database/ as it was.
//
// Tests run as root, whom permission bits don't stop. The program is
// therefore started in a child that has given up the two capabilities
// that pass them by, from every set an exec hands on, before its exec;
// this process keeps its own. A case the system lets be read all the same
// is skipped.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <linux/capability.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "program_folder.h"

namespace {

namespace fs = std::filesystem;

// Longer than a run of these takes under the sanitizers, short enough that
// a hang shows at once.
constexpr unsigned kWatchdogSeconds = 20;
// To the main menu on the virtual clock and out: the game loads (and, new,
// saves) both items on its first frame.
const char kPlayToTheMenu[] = "200 close\n";

// In a child before its exec: takes CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH
// out of the bounding, ambient, inheritable, permitted and effective sets,
// so that the program the child becomes has neither, root or not. False
// when a step fails.
bool dropFileCapabilities() {
    const int caps[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    const bool maySetBounds = (data[0].effective & (1u << CAP_SETPCAP)) != 0;
    for (int cap : caps) {
        const int inBounds = prctl(PR_CAPBSET_READ, cap, 0, 0, 0);
        if (inBounds < 0) return false;
        // Without CAP_SETPCAP the bounding set can't shrink; an exec then
        // gives these back only to root, which the check below catches.
        if (inBounds == 1 && maySetBounds && prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) return false;
        if (inBounds == 1 && !maySetBounds && geteuid() == 0) return false;
    }
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL) return false;
    for (int cap : caps) {
        const __u32 bit = 1u << cap;
        data[0].effective &= ~bit;
        data[0].permitted &= ~bit;
        data[0].inheritable &= ~bit;
    }
    return syscall(SYS_capset, &header, data) == 0;
}

// What a child exits with when it could not give up the capabilities.
constexpr int kNoDrop = 125;

// Runs `argv` in a child without those capabilities, in `folder`, with
// its standard output and error in the given files and this process's
// environment with `environment`'s variables set; its exit code, 128 + the
// signal that ended it, or kNoDrop. The watchdog's alarm survives the exec.
int runWithoutFileCapabilities(const std::vector<std::string>& argv, const std::string& folder,
                               const std::vector<std::pair<std::string, std::string>>& environment,
                               const std::string& outFile, const std::string& errFile,
                               unsigned watchdogSeconds) {
    // Made before the fork: the child only opens, drops and execs.
    std::vector<std::string> variables;
    for (char** e = environ; *e; ++e) {
        const std::string variable = *e;
        bool replaced = false;
        for (const auto& [name, value] : environment)
            replaced = replaced || variable.rfind(name + "=", 0) == 0;
        if (!replaced) variables.push_back(variable);
    }
    for (const auto& [name, value] : environment) variables.push_back(name + "=" + value);
    std::vector<char*> env, args;
    for (std::string& v : variables) env.push_back(v.data());
    env.push_back(nullptr);
    std::vector<std::string> argCopies = argv;
    for (std::string& a : argCopies) args.push_back(a.data());
    args.push_back(nullptr);

    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(122);
        if (chdir(folder.c_str()) != 0) _exit(120);
        if (!dropFileCapabilities()) _exit(kNoDrop);
        if (watchdogSeconds) alarm(watchdogSeconds);
        execve(args[0], args.data(), env.data());
        _exit(121);
    }
    if (pid < 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every entry under `root` with its permission bits and, for a file, its
// size and a hash of its bytes: what must not change. Read by this
// process, which may.
using Snapshot = std::vector<std::tuple<std::string, unsigned, size_t, size_t>>;

Snapshot snapshotOf(const fs::path& root) {
    Snapshot entries;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const unsigned mode = unsigned(fs::symlink_status(e.path()).permissions());
        const std::string bytes = e.is_regular_file() ? readAll(e.path()) : std::string();
        entries.emplace_back(fs::relative(e.path(), root).string(), mode, bytes.size(),
                             std::hash<std::string>()(bytes));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

struct Unreadable {
    const char* name;
    const char* folder;  // under the program's folder
    fs::perms perms;
    // The items the program must say it can't read: progress, world.
    bool progress, world;
};

void PrintTo(const Unreadable& u, std::ostream* os) { *os << u.name; }

const Unreadable kCases[] = {
    {"DatabaseFolderWithoutPermissions", "database", fs::perms::none, true, true},
    {"ProgressStoreFolderWithoutPermissions", "database/store-0", fs::perms::none, true, false},
    // Its names can be listed, but no entry looked at.
    {"WorldStoreFolderThatCanOnlyBeListed", "database/store-1", fs::perms::owner_read, false, true},
};

class UnreadableSaves : public ::testing::TestWithParam<Unreadable> {
protected:
    void SetUp() override {
        folder_ = wrentest::makeProgramFolder("/tmp/wren_unreadable_saves_XXXXXX");
        ASSERT_FALSE(folder_.empty());
        const fs::path content(WREN_GAME_DIR);
        fs::copy(content / "rsc", folder() / "rsc", fs::copy_options::recursive);
        fs::copy(content / "properties" / "sys.prop", folder() / "properties");
        // A name of its own: the single-instance check goes by the name, and
        // other runs of the game may be going on.
        std::ofstream app(folder() / "properties" / "app.prop");
        app << "MIDlet-Name: Wren unreadable saves " << getpid() << "\n";
        std::ifstream given(content / "properties" / "app.prop");
        for (std::string line; std::getline(given, line);)
            if (line.rfind("MIDlet-Name:", 0) != 0) app << line << "\n";
        std::ofstream(folder() / "close.script") << kPlayToTheMenu;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!unreadable_.empty())
            fs::permissions(unreadable_, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (const auto& e : fs::recursive_directory_iterator(folder_, ignored))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        wrentest::removeFolder(folder_);
    }

    fs::path folder() const { return fs::path(folder_); }

    // The program played to the menu and closed, as the child that gave up
    // the capabilities; its exit code and its standard error's lines.
    int play(std::vector<std::string>* errors) {
        const std::string out = folder_ + "/stdout.txt", err = folder_ + "/stderr.txt";
        int code = runWithoutFileCapabilities(
            {WREN_GAME_DIR "/wren"}, folder_,
            {{"SDL_VIDEODRIVER", "dummy"},
             {"SDL_AUDIODRIVER", "dummy"},
             {"WREN_MODULE_DIR", folder_},
             {"WREN_SCRIPT", folder_ + "/close.script"},
             {"WREN_CLOCK", "virtual"}},
            out, err, kWatchdogSeconds);
        *errors = linesOf(err);
        return code;
    }

    // Whether the program, started as play() starts it, can list the
    // folder and look at every entry in it.
    int canList(const fs::path& path) {
        const std::string ignored = folder_ + "/probe.txt";
        return runWithoutFileCapabilities({"/bin/ls", "-lA", path.string()}, folder_, {}, ignored,
                                          ignored, kWatchdogSeconds);
    }

    std::string folder_;
    fs::path unreadable_;
};

TEST_P(UnreadableSaves, AreToldAsUnreadableAndLeftAsTheyWere) {
    const Unreadable& u = GetParam();
    std::vector<std::string> errors;
    // A first run saves a new game and a new world.
    ASSERT_EQ(play(&errors), 0);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_TRUE(fs::is_directory(folder() / "database" / "store-0"));
    ASSERT_TRUE(fs::is_directory(folder() / "database" / "store-1"));

    unreadable_ = folder() / u.folder;
    const Snapshot before = snapshotOf(folder() / "database");
    const fs::perms given = fs::status(unreadable_).permissions();
    fs::permissions(unreadable_, u.perms);
    const int listed = canList(unreadable_);
    if (listed == kNoDrop)
        GTEST_SKIP() << "this process can't start a child without the capabilities that pass "
                        "permissions by (root without CAP_SETPCAP)";
    if (listed == 0) GTEST_SKIP() << "this system lets " << unreadable_ << " be read all the same";

    ASSERT_EQ(play(&errors), 0);
    std::vector<std::string> expected;
    const fs::path database = folder() / "database";
    if (u.progress)
        expected.push_back("wren: the saved progress in record store \"0\" can't be read (" +
                           (database / "store-0").string() +
                           "); started a new game and playing on without saving");
    if (u.world)
        expected.push_back("wren: the saved world in record store \"1\" can't be read (" +
                           (database / "store-1").string() +
                           "); made a new world and playing on without saving");
    EXPECT_EQ(errors, expected);

    fs::permissions(unreadable_, given);
    EXPECT_EQ(snapshotOf(database), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableSaves, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Unreadable>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
