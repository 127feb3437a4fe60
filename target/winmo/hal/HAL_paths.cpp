#include "HAL_paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "HAL_memory.h"
#include "VMTypes.h"

namespace {

std::string readModuleDirectory() {
    if (const char* dir = std::getenv("WREN_MODULE_DIR"); dir && *dir) {
        std::string path(dir);
        while (!path.empty() && path.back() == '/') path.pop_back();
        return path;
    }
    std::string exe(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size());
        if (n < 0) {
            char text[80];
            std::snprintf(text, sizeof text, "readlink(/proc/self/exe) failed with error %d", errno);
            vmFatalError(text);
        }
        // A full buffer may have cut the path short.
        if (size_t(n) < exe.size()) {
            exe.resize(size_t(n));
            break;
        }
        exe.resize(exe.size() * 2);
    }
    // Up to and without the last '/': a program in "/" has the empty folder.
    size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

}  // namespace

const char* getModuleDirectory() {
    static const std::string directory = readModuleDirectory();
    return directory.c_str();
}

char* buildModulePath(const char* subPath, const char* name) {
    const char* dir = getModuleDirectory();
    if (!subPath) subPath = "";
    if (!name) name = "";
    size_t d = std::strlen(dir), s = std::strlen(subPath), n = std::strlen(name);
    auto* path = static_cast<char*>(HAL_allocNative(d + s + n + 1));
    if (!path) return nullptr;
    std::memcpy(path, dir, d);
    std::memcpy(path + d, subPath, s);
    std::memcpy(path + d + s, name, n);
    path[d + s + n] = '\0';
    return path;
}

int buildModulePathInto(char* buffer, size_t capacity, const char* subPath, const char* name) {
    const char* dir = getModuleDirectory();
    if (!subPath) subPath = "";
    if (!name) name = "";
    size_t d = std::strlen(dir), s = std::strlen(subPath), n = std::strlen(name);
    if (!buffer || d + s + n + 1 >= capacity) return 0;
    std::memset(buffer, 0, capacity);
    std::memcpy(buffer, dir, d);
    std::memcpy(buffer + d, subPath, s);
    std::memcpy(buffer + d + s, name, n);
    return 1;
}
