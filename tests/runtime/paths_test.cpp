// Paths under the program's folder.
#include <gtest/gtest.h>

#include <errno.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "HAL_memory.h"
#include "HAL_paths.h"

namespace {

// What getModuleDirectory gives in a fresh process with WREN_MODULE_DIR set
// to `value` (unset for null): the child exits 0 when it is `expected`.
void expectDirectoryFor(const char* value, const std::string& expected) {
    EXPECT_EXIT(
        {
            if (value) setenv("WREN_MODULE_DIR", value, 1);
            else unsetenv("WREN_MODULE_DIR");
            std::_Exit(expected == getModuleDirectory() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << "WREN_MODULE_DIR=" << (value ? value : "(unset)");
}

std::string executableFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

}  // namespace

TEST(ModulePathDeathTest, FolderIsTheExecutablesUnlessTheEnvironmentNamesOne) {
    expectDirectoryFor(nullptr, executableFolder());
    expectDirectoryFor("", executableFolder());
    expectDirectoryFor("/opt/wren", "/opt/wren");
    expectDirectoryFor("/opt/wren//", "/opt/wren");
    expectDirectoryFor("/", "");  // the root: sub-paths start with their own '/'
}

TEST(ModulePath, BuildJoinsFolderSubPathAndNameInACountedBlock) {
    const std::string dir = getModuleDirectory();
    const uint64_t before = HAL_getNativeMemoryUsed();
    char* path = buildModulePath("/rsc/", "title.png");
    ASSERT_NE(path, nullptr);
    const std::string expected = dir + "/rsc/title.png";
    EXPECT_EQ(std::string(path), expected);
    EXPECT_EQ(HAL_getNativeMemoryUsed() - before, expected.size() + 1 + 16);
    HAL_freeNative(path);
    EXPECT_EQ(HAL_getNativeMemoryUsed(), before);

    char* bare = buildModulePath(nullptr, nullptr);
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(std::string(bare), dir) << "a null part counts as empty";
    HAL_freeNative(bare);
}

TEST(ModulePath, BuildFailsCleanlyWhenMemoryRunsOut) {
    const uint64_t before = HAL_getNativeMemoryUsed();
    HAL_failNextAllocations(2);  // the first try and the retry after a collection; no shell
    EXPECT_EQ(buildModulePath("/rsc/", "x"), nullptr);
    HAL_failNextAllocations(0);
    EXPECT_EQ(HAL_getNativeMemoryUsed(), before);
}

// The whole path and its terminator must fit with room to spare: a path of
// exactly capacity - 1 characters is refused.
TEST(ModulePath, BuildIntoAcceptsOnlyPathsShorterThanCapacityMinusOne) {
    const size_t dirLength = std::strlen(getModuleDirectory());
    ASSERT_LT(dirLength, 200u) << "the cases below need a shorter build folder";
    struct Case {
        size_t pathLength;
        size_t capacity;
        int result;
    };
    const Case cases[] = {
        {258, 260, 1}, {259, 260, 0}, {260, 260, 0}, {400, 260, 0},
        {dirLength + 7, dirLength + 9, 1}, {dirLength + 7, dirLength + 8, 0},
    };
    for (const Case& c : cases) {
        const std::string subPath = "/rsc/";
        const std::string name(c.pathLength - dirLength - subPath.size(), 'n');
        const std::string expected = getModuleDirectory() + subPath + name;
        ASSERT_EQ(expected.size(), c.pathLength);

        std::string buffer(c.capacity + 1, '#');  // one guard byte past the capacity
        int result = buildModulePathInto(buffer.data(), c.capacity, subPath.c_str(), name.c_str());
        EXPECT_EQ(result, c.result) << "length " << c.pathLength << ", capacity " << c.capacity;
        if (result == 1) {
            EXPECT_EQ(std::string(buffer.c_str()), expected);
            EXPECT_EQ(buffer.substr(c.pathLength, c.capacity - c.pathLength),
                      std::string(c.capacity - c.pathLength, '\0'))
                << "the rest of the buffer is cleared";
        } else {
            EXPECT_EQ(buffer.substr(0, c.capacity), std::string(c.capacity, '#'))
                << "a refused path leaves the buffer alone";
        }
        EXPECT_EQ(buffer[c.capacity], '#') << "nothing is written past the capacity";
    }
    EXPECT_EQ(buildModulePathInto(nullptr, 260, "/rsc/", "x"), 0);
}
