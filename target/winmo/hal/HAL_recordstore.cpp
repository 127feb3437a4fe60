#include "HAL_recordstore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ce_text.h"
#include "HAL_paths.h"
#include "HAL_status.h"
#include "java_lang_System.h"

namespace {

constexpr const char* STORE_PREFIX = "store-";
constexpr const char* RECORD_PREFIX = "record-";
constexpr const char* METADATA_NAME = "metadata.info";
constexpr const char* TEMP_NAME = "write.tmp";

// One per store folder, shared by every handle open on it.
struct SharedStore {
    std::string folder;
    uint32_t lastModified = 0;
    uint32_t version = 0;
    uint32_t nextId = 1;
    uint32_t totalBytes = 0;
    uint32_t count = 0;
    int handles = 0;
    bool registered = true;
};

std::mutex& storeLock() {
    static std::mutex lock;
    return lock;
}

// Open stores by folder path; guarded by the store lock.
std::map<std::string, SharedStore*>& openStores() {
    static std::map<std::string, SharedStore*> stores;
    return stores;
}

int failWrites = 0;  // guarded by the store lock

// The low 32 bits of System.currentTimeMillis: the store reports its last
// change on the program's own clock.
uint32_t nowLow32() {
    return uint32_t(uint64_t(vmCurrentTimeMillis()));
}

bool rootPath(std::string& out) {
    char buffer[PATH_MAX];
    if (!buildModulePathInto(buffer, sizeof buffer, "/database", nullptr)) return false;
    out = buffer;
    return true;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string toUtf8(const jchar* chars, jint length) {
    std::string out;
    ce::appendFileNameUtf8(out, chars, length);
    return out;
}

std::u16string fromUtf8(const std::string& text) {
    std::u16string out;
    size_t i = 0;
    while (i < text.size()) {
        auto b = uint8_t(text[i]);
        uint32_t c;
        size_t extra;
        if (b < 0x80) { c = b; extra = 0; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; extra = 1; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; extra = 2; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; extra = 3; }
        else { c = 0xFFFD; extra = 0; }
        ++i;
        for (size_t k = 0; k < extra; ++k, ++i) {
            if (i >= text.size() || (uint8_t(text[i]) & 0xC0) != 0x80) { c = 0xFFFD; break; }
            c = (c << 6) | (uint8_t(text[i]) & 0x3F);
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

// A store name as a folder-name part: '/', '\\', '%', NUL and control
// characters become "%XX", and a name of only "." or ".." has its dots
// encoded, so every name stays one entry inside the database folder.
std::string encodeName(const std::string& utf8) {
    static const char* hex = "0123456789ABCDEF";
    bool dots = utf8 == "." || utf8 == "..";
    std::string out;
    for (char ch : utf8) {
        auto b = uint8_t(ch);
        if (b < 0x20 || b == 0x7F || ch == '/' || ch == '\\' || ch == '%' || (dots && ch == '.')) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string decodeName(const std::string& encoded) {
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0 &&
            hexValue(encoded[i + 2]) >= 0) {
            out += char(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
            i += 2;
        } else {
            out += encoded[i];
        }
    }
    return out;
}

std::string recordPath(const SharedStore* s, jint id) {
    return s->folder + "/" + RECORD_PREFIX + std::to_string(id) + ".bin";
}

// Writes `size` bytes to a temporary file in `folder`, flushes it to disk and
// renames it over `path`. On any failure the temporary file is removed and
// `path` keeps its old contents.
bool replaceFile(const std::string& folder, const std::string& path, const void* data, size_t size) {
    std::string temp = folder + "/" + TEMP_NAME;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    if (failWrites > 0) {
        --failWrites;
        ok = false;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (ok && done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += size_t(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void putLE(uint8_t* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(v >> (8 * i));
}

uint32_t getLE(const uint8_t* in) {
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

bool writeMetadata(const SharedStore* s) {
    uint8_t bytes[20];
    putLE(bytes, s->lastModified);
    putLE(bytes + 4, s->version);
    putLE(bytes + 8, s->nextId);
    putLE(bytes + 12, s->totalBytes);
    putLE(bytes + 16, s->count);
    return replaceFile(s->folder, s->folder + "/" + METADATA_NAME, bytes, sizeof bytes);
}

// 0 read, 4 no file, 7 unreadable or not 20 bytes.
int readMetadata(SharedStore* s) {
    FILE* f = std::fopen((s->folder + "/" + METADATA_NAME).c_str(), "rb");
    if (!f) return errno == ENOENT ? HAL_NOT_FOUND : HAL_IO_ERROR;
    uint8_t bytes[21];
    size_t n = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    if (n != 20) return HAL_IO_ERROR;
    s->lastModified = getLE(bytes);
    s->version = getLE(bytes + 4);
    s->nextId = getLE(bytes + 8);
    s->totalBytes = getLE(bytes + 12);
    s->count = getLE(bytes + 16);
    return HAL_OK;
}

// The record's size: 0 ok, 4 missing, 7 unreadable.
int recordSize(const SharedStore* s, jint id, jint* out) {
    if (id < 1) return HAL_NOT_FOUND;
    struct stat st;
    if (::stat(recordPath(s, id).c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? HAL_NOT_FOUND : HAL_IO_ERROR;
    if (!S_ISREG(st.st_mode) || st.st_size > INT32_MAX) return HAL_IO_ERROR;
    *out = jint(st.st_size);
    return HAL_OK;
}

// Entry names of `folder` in name order, directories only or files only.
std::vector<std::string> listEntries(const std::string& folder, bool directories) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (isDirectory(folder + "/" + name) == directories) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// The ids of the record files in `folder`, ascending.
std::vector<jint> recordIds(const std::string& folder) {
    std::vector<jint> ids;
    for (auto& name : listEntries(folder, false)) {
        // "record-" + decimal digits + ".bin", nothing else.
        if (name.size() <= 11 || name.compare(0, 7, RECORD_PREFIX) != 0 ||
            name.compare(name.size() - 4, 4, ".bin") != 0)
            continue;
        std::string digits = name.substr(7, name.size() - 11);
        if (digits.size() > 10 || digits[0] == '0' ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        long long id = std::stoll(digits);
        if (id <= INT32_MAX) ids.push_back(jint(id));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<std::string> storeFolders() {
    std::string root;
    std::vector<std::string> stores;
    if (!rootPath(root)) return stores;
    for (auto& name : listEntries(root, true))
        if (name.compare(0, 6, STORE_PREFIX) == 0) stores.push_back(name);
    return stores;
}

bool storeFolderFor(const jchar* name, jint length, std::string& out) {
    std::string root;
    if (!rootPath(root)) return false;
    out = root + "/" + STORE_PREFIX + encodeName(toUtf8(name, length));
    return true;
}

}  // namespace

struct HAL_RecordStore {
    SharedStore* shared;
};

void HAL_initRecordStores() {}

int HAL_openRecordStore(HAL_RecordStore** out, const jchar* name, jint length, int create) {
    if (!out) return HAL_BAD_ARGUMENT;
    *out = nullptr;
    if (!name || length <= 0) return HAL_NOT_FOUND;
    std::lock_guard<std::mutex> guard(storeLock());
    std::string root, folder;
    if (!rootPath(root) || !storeFolderFor(name, length, folder)) return HAL_NOT_FOUND;
    if (::mkdir(root.c_str(), 0755) != 0 && errno != EEXIST) return HAL_NOT_FOUND;
    if (!isDirectory(root)) return HAL_NOT_FOUND;

    auto& stores = openStores();
    if (auto it = stores.find(folder); it != stores.end() && isDirectory(folder)) {
        auto* handle = new HAL_RecordStore{it->second};
        ++it->second->handles;
        *out = handle;
        return HAL_OK;
    }
    struct stat st;
    bool exists = ::stat(folder.c_str(), &st) == 0;
    if (!exists && !create) return HAL_NOT_FOUND;
    if (exists && !S_ISDIR(st.st_mode)) return HAL_IO_ERROR;
    if (!exists && ::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return HAL_IO_ERROR;

    auto* shared = new SharedStore;
    shared->folder = folder;
    int read = readMetadata(shared);
    if (read == HAL_NOT_FOUND) {
        shared->lastModified = nowLow32();
        if (!writeMetadata(shared)) read = HAL_IO_ERROR;
        else read = HAL_OK;
    }
    if (read != HAL_OK) {
        delete shared;
        return HAL_IO_ERROR;
    }
    // A next id at or below a record on disk (metadata damaged or written by
    // something else) would hand out that id again and the next add would
    // overwrite the saved record; id 0 names no record at all.
    if (std::vector<jint> ids = recordIds(folder); !ids.empty() || shared->nextId == 0) {
        uint32_t above = ids.empty() ? 1 : uint32_t(ids.back()) + 1;
        if (shared->nextId < above) shared->nextId = above;
    }
    // A store deleted while open leaves its old entry unregistered.
    if (auto it = stores.find(folder); it != stores.end()) it->second->registered = false;
    stores[folder] = shared;
    shared->handles = 1;
    *out = new HAL_RecordStore{shared};
    return HAL_OK;
}

void HAL_closeRecordStore(HAL_RecordStore* store) {
    if (!store) return;
    std::lock_guard<std::mutex> guard(storeLock());
    SharedStore* shared = store->shared;
    delete store;
    if (--shared->handles > 0) return;
    if (shared->registered) openStores().erase(shared->folder);
    delete shared;
}

int HAL_deleteRecordStore(const jchar* name, jint length) {
    if (!name || length <= 0) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    std::string folder;
    if (!storeFolderFor(name, length, folder)) return HAL_NOT_FOUND;
    if (!isDirectory(folder)) return HAL_NOT_FOUND;
    for (auto& entry : listEntries(folder, false))
        if (::unlink((folder + "/" + entry).c_str()) != 0) return HAL_IO_ERROR;
    if (::rmdir(folder.c_str()) != 0) return HAL_IO_ERROR;
    auto& stores = openStores();
    if (auto it = stores.find(folder); it != stores.end()) {
        it->second->registered = false;
        stores.erase(it);
    }
    return HAL_OK;
}

jint HAL_getNumRecordStores() {
    std::lock_guard<std::mutex> guard(storeLock());
    return jint(storeFolders().size());
}

int HAL_getNthRecordStoreName(jint n, jchar* buffer, jint capacity, jint* outLength) {
    if (n < 1 || !outLength) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    auto stores = storeFolders();
    if (size_t(n) > stores.size()) return HAL_NOT_FOUND;
    std::u16string name = fromUtf8(decodeName(stores[size_t(n) - 1].substr(6)));
    *outLength = jint(name.size());
    if (!buffer || capacity < 0 || size_t(capacity) <= name.size()) return HAL_BAD_ARGUMENT;
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = 0;
    return HAL_OK;
}

namespace {
template <typename T, typename Get>
int readField(HAL_RecordStore* store, T* out, Get get) {
    if (!store) return HAL_NOT_FOUND;
    if (!out) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    *out = get(store->shared);
    return HAL_OK;
}
}  // namespace

int HAL_getRecordStoreVersion(HAL_RecordStore* store, jint* out) {
    return readField(store, out, [](SharedStore* s) { return jint(s->version); });
}

int HAL_getNumRecords(HAL_RecordStore* store, jint* out) {
    return readField(store, out, [](SharedStore* s) { return jint(s->count); });
}

int HAL_getRecordStoreSize(HAL_RecordStore* store, jint* out) {
    return readField(store, out, [](SharedStore* s) { return jint(s->totalBytes); });
}

int HAL_getRecordStoreLastModified(HAL_RecordStore* store, jlong* out) {
    return readField(store, out, [](SharedStore* s) { return jlong(int32_t(s->lastModified)); });
}

int HAL_getRecordStoreSizeAvailable(HAL_RecordStore* store, jint* out) {
    return readField(store, out, [](SharedStore* s) {
        struct statvfs fs;
        if (::statvfs(s->folder.c_str(), &fs) != 0) return jint(0);
        uint64_t bytes = uint64_t(fs.f_bavail) * fs.f_frsize;
        return jint(std::min<uint64_t>(bytes, INT32_MAX));
    });
}

int HAL_getNextRecordID(HAL_RecordStore* store, jint* out) {
    if (!store || !out) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    *out = jint(store->shared->nextId);
    return HAL_OK;
}

int HAL_addRecord(HAL_RecordStore* store, jint* outId, const void* data, jint size) {
    if (!store || !outId || !data || size < 0) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    SharedStore* s = store->shared;
    if (s->nextId > uint32_t(INT32_MAX)) return HAL_IO_ERROR;
    jint id = jint(s->nextId);
    std::string path = recordPath(s, id);
    if (!replaceFile(s->folder, path, data, size_t(size))) return HAL_IO_ERROR;
    SharedStore before = *s;
    s->count += 1;
    s->totalBytes += uint32_t(size);
    s->nextId += 1;
    s->lastModified = nowLow32();
    if (!writeMetadata(s)) {
        // Without its metadata the record was never added.
        ::unlink(path.c_str());
        s->count = before.count;
        s->totalBytes = before.totalBytes;
        s->nextId = before.nextId;
        s->lastModified = before.lastModified;
        return HAL_IO_ERROR;
    }
    *outId = id;
    return HAL_OK;
}

int HAL_setRecord(HAL_RecordStore* store, jint id, const void* data, jint size) {
    if (!store || size < 0 || (!data && size > 0)) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    SharedStore* s = store->shared;
    jint oldSize = 0;
    if (int status = recordSize(s, id, &oldSize); status != HAL_OK) return status;
    static const uint8_t none = 0;
    if (!replaceFile(s->folder, recordPath(s, id), data ? data : &none, size_t(size)))
        return HAL_IO_ERROR;
    // The record files are the truth: the fields follow them even when the
    // metadata cannot be written.
    s->totalBytes += uint32_t(size) - uint32_t(oldSize);
    s->lastModified = nowLow32();
    return writeMetadata(s) ? HAL_OK : HAL_IO_ERROR;
}

int HAL_deleteRecord(HAL_RecordStore* store, jint id) {
    if (!store) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    SharedStore* s = store->shared;
    jint size = 0;
    if (int status = recordSize(s, id, &size); status != HAL_OK) return status;
    if (::unlink(recordPath(s, id).c_str()) != 0) return HAL_IO_ERROR;
    s->count -= 1;
    s->totalBytes -= uint32_t(size);
    s->lastModified = nowLow32();
    return writeMetadata(s) ? HAL_OK : HAL_IO_ERROR;
}

int HAL_getRecordSize(HAL_RecordStore* store, jint id, jint* outSize) {
    if (!store || !outSize) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    return recordSize(store->shared, id, outSize);
}

int HAL_getRecord(HAL_RecordStore* store, jint id, void* buffer, jint capacity, jint* outSize) {
    if (!store || !outSize) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    SharedStore* s = store->shared;
    if (id < 1) return HAL_NOT_FOUND;
    FILE* f = std::fopen(recordPath(s, id).c_str(), "rb");
    if (!f) return errno == ENOENT ? HAL_NOT_FOUND : HAL_IO_ERROR;
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > size_t(INT32_MAX)) break;
    }
    bool failed = std::ferror(f) != 0 || bytes.size() > size_t(INT32_MAX);
    std::fclose(f);
    if (failed) return HAL_IO_ERROR;
    *outSize = jint(bytes.size());
    if (capacity < 0 || bytes.size() > size_t(capacity) || (!buffer && !bytes.empty()))
        return HAL_BAD_ARGUMENT;
    if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
    return HAL_OK;
}

int HAL_getNthRecordId(HAL_RecordStore* store, jint n, jint* outId) {
    if (!store || n < 1) return HAL_NOT_FOUND;
    if (!outId) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    std::vector<jint> ids = recordIds(store->shared->folder);
    if (size_t(n) > ids.size()) return HAL_NOT_FOUND;
    *outId = ids[size_t(n) - 1];
    return HAL_OK;
}

void HAL_failNextRecordStoreWrites(int count) {
    std::lock_guard<std::mutex> guard(storeLock());
    failWrites = count;
}
