#include "HAL_resources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>

#include "ce_text.h"
#include "HAL_status.h"

struct HAL_ResourceFile {
    int fd;
};

namespace {

// The program's folder: WREN_MODULE_DIR when set, else the folder of the
// executable ("" for the root folder, as paths are joined with "/"). Taken
// once, like the device took its module path once; null when the
// executable's path can't be read.
const std::string* programFolder() {
    static const std::optional<std::string> folder = []() -> std::optional<std::string> {
        if (const char* dir = std::getenv("WREN_MODULE_DIR"); dir && *dir) return std::string(dir);
        std::string exe(256, '\0');
        for (;;) {
            ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size());
            if (n <= 0) return std::nullopt;
            if (size_t(n) < exe.size()) {
                exe.resize(size_t(n));
                break;
            }
            exe.resize(exe.size() * 2);  // the name may have been cut: try again with more room
        }
        size_t slash = exe.rfind('/');
        if (slash == std::string::npos) return std::nullopt;
        return exe.substr(0, slash);
    }();
    return folder ? &*folder : nullptr;
}

// True when a "/"-separated step of `name` is "..": such a name would reach
// files outside the resource folder.
bool climbsOut(const std::string& name) {
    size_t start = 0;
    for (;;) {
        size_t end = name.find('/', start);
        size_t len = (end == std::string::npos ? name.size() : end) - start;
        if (len == 2 && name.compare(start, 2, "..") == 0) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

// The resource's path on disk, under the program's "rsc" folder; a status
// as HAL_openResource gives it when the name can't become one.
int32_t pathOf(const jchar* name, jint length, std::string* path) {
    if (!name || length <= 0) return HAL_BAD_ARGUMENT;
    for (jint i = 0; i < length; ++i)
        if (name[i] == 0) return HAL_BAD_ARGUMENT;
    try {
        const std::string* folder = programFolder();
        if (!folder) return HAL_OUT_OF_MEMORY;
        std::string relative;
        ce::appendFileNameUtf8(relative, name, length);
        if (climbsOut(relative)) return HAL_NOT_FOUND;
        *path = *folder + "/rsc/" + relative;
    } catch (const std::bad_alloc&) {
        return HAL_OUT_OF_MEMORY;
    }
    return HAL_OK;
}

}  // namespace

int32_t HAL_openResource(HAL_ResourceFile** handle, const jchar* name, jint length) {
    if (!handle) return HAL_BAD_ARGUMENT;
    *handle = nullptr;
    std::string path;
    if (int32_t status = pathOf(name, length, &path); status != HAL_OK) return status;
    int fd;
    // Without O_NONBLOCK a named pipe in the file's place would hold the
    // open until something writes to it; a plain file reads the same.
    do fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return HAL_NOT_FOUND;
    // A folder opens too on Linux; the device could open files only.
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return HAL_NOT_FOUND;
    }
    HAL_ResourceFile* file = new (std::nothrow) HAL_ResourceFile{fd};
    if (!file) {
        close(fd);
        return HAL_OUT_OF_MEMORY;
    }
    *handle = file;
    return HAL_OK;
}

jint HAL_getResourceSize(HAL_ResourceFile* handle) {
    if (!handle) return -1;
    struct stat st;
    if (fstat(handle->fd, &st) != 0) return -1;
    return st.st_size > INT32_MAX ? INT32_MAX : jint(st.st_size);
}

int32_t HAL_readResource(HAL_ResourceFile* handle, void* buffer, jint offset, jint* count) {
    if (!handle || !buffer || !count || offset < 0 || *count < 0) return HAL_BAD_ARGUMENT;
    char* out = static_cast<char*>(buffer);
    size_t wanted = size_t(*count), done = 0;
    while (done < wanted) {
        ssize_t n = pread(handle->fd, out + done, wanted - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *count = jint(done);
            return HAL_IO_ERROR;
        }
        if (n == 0) break;  // the end of the file
        done += size_t(n);
    }
    *count = jint(done);
    return HAL_OK;
}

void HAL_closeResource(HAL_ResourceFile* handle) {
    if (!handle) return;
    close(handle->fd);
    delete handle;
}

std::string HAL_resourceFolder() {
    const std::string* folder = programFolder();
    return folder ? *folder + "/rsc/" : std::string();
}

std::string HAL_resourcePath(const jchar* name, jint length) {
    std::string path;
    return pathOf(name, length, &path) == HAL_OK ? path : std::string();
}

std::string HAL_resourceProblem(const jchar* name, jint length) {
    std::string path;
    if (pathOf(name, length, &path) != HAL_OK) return "not a name inside the resource folder";
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? "no such file" : std::string("cannot open it: ") + std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "a folder, not a file";
    if (!S_ISREG(st.st_mode)) return "not a plain file (a pipe or a device)";
    int fd;
    do fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return std::string("cannot open it: ") + std::strerror(errno);
    close(fd);
    return std::string();
}
