// Preloaded into a program under test, or linked into a test program: a
// rename whose source is named (last path part) as WREN_TEST_REFUSED_RENAME
// says fails as on an input/output error; every other rename goes to the
// system. It stands in for a disk that refuses one step, which nothing else
// here can make a program meet while the rest of its files behave.
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern "C" __attribute__((visibility("default"))) int rename(const char* from, const char* to) {
    const char* refused = std::getenv("WREN_TEST_REFUSED_RENAME");
    if (refused && *refused && from) {
        const char* slash = std::strrchr(from, '/');
        if (std::strcmp(slash ? slash + 1 : from, refused) == 0) {
            errno = EIO;
            return -1;
        }
    }
    return int(syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 0));
}
