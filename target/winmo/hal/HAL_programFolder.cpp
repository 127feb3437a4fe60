#include "HAL_programFolder.h"

#include <unistd.h>

#include <cstdlib>

std::string hostProgramFolder() {
    if (const char* dir = std::getenv("WREN_MODULE_DIR"); dir && *dir) return dir;
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    std::string exe(path, size_t(n));
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash == 0 ? 1 : slash);
}
