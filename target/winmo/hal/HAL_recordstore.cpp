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
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
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
// A store being deleted is first renamed to this prefix and a number inside
// the database folder. No store folder starts with it, so a delete cut short
// leaves either the whole store or none, and the next open or delete removes
// what is left.
constexpr const char* DELETING_PREFIX = ".deleting-";
// A store being renamed is first renamed to this prefix and the encoded
// target name. That one rename commits the change: whatever the process
// does next, the next open, delete, listing or rename finishes it by moving
// the target out of the way and putting the store in its place. So a
// rename cut short leaves the target store either whole and old or whole
// and new, and never both missing.
constexpr const char* RENAMING_PREFIX = ".renaming-";
// The next id of a store that has handed out id INT32_MAX: ids stay
// positive, so such a store takes no more records.
constexpr uint32_t ID_SPACE_END = 0x80000000u;

// One per store folder, shared by every handle open on it. The record files
// are the truth: the fields are taken from them at open and kept with them
// by every change; "metadata.info" is their copy on disk.
struct SharedStore {
    std::string folder;
    uint32_t lastModified = 0;
    uint32_t version = 0;
    uint32_t nextId = 1;
    uint32_t totalBytes = 0;
    uint32_t count = 0;
    int handles = 0;
    // False once the store was deleted (or its folder vanished and a new
    // open took its name): its handles must not write into a new store
    // made under the same name.
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

// The test hook's writes to let pass and then to fail; guarded by the store
// lock.
int passWrites = 0;
int failWrites = 0;
// The test hook's stand-in for a system without a rename that refuses to
// replace; guarded by the store lock.
bool noReplaceUnsupported = false;
// The test hook's input/output failure of every rename that would put a
// renamed store in place; guarded by the store lock.
bool failFinishing = false;

// Why this thread's last operation failed, for the messages that tell a
// player what to do about it (HAL_getRecordStoreFault). Each operation
// clears it as it starts; only a failure sets it.
struct Fault {
    int32_t kind = HAL_STORE_FAULT_NONE;
    std::string path;
};
thread_local Fault lastFault;

int32_t faultKindOf(int error, int32_t refused) {
    return error == EACCES || error == EPERM ? refused : HAL_STORE_FAULT_OTHER;
}

// `error` (an errno) stopped a look at, or a read of, `path`.
void faultReading(const std::string& path, int error) {
    lastFault = {faultKindOf(error, HAL_STORE_FAULT_READ_REFUSED), path};
}

// `error` stopped a change of the folder `path`, or of an entry in it.
void faultWriting(const std::string& path, int error) {
    lastFault = {faultKindOf(error, HAL_STORE_FAULT_WRITE_REFUSED), path};
}

// What is at `path` is none of what must be there.
void faultOther(const std::string& path) { lastFault = {HAL_STORE_FAULT_OTHER, path}; }

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

// Where a look at `path`, an entry of `folder`, that failed with `error`
// failed: the folder when it can't be searched, else the entry (a link
// into a folder that can't be searched, say).
std::string failedLookAt(const std::string& folder, const std::string& path, int error) {
    struct stat st;
    if (error == EACCES && ::lstat(path.c_str(), &st) != 0 && errno == EACCES) return folder;
    return path;
}

// The fault of a look at `path`, an entry of `folder`, that failed with
// `error`, recorded where it lies.
void faultLookingAt(const std::string& folder, const std::string& path, int error) {
    faultReading(failedLookAt(folder, path, error), error);
}

// What is at a path. A path the system refuses to look at (a folder on the
// way that can't be searched, an input/output failure) is `unknown`: not a
// missing store, which would let a save go over a store the player has.
// A link is there whatever it leads to: one whose target is missing (a
// folder on a volume that isn't mounted, say) is `other`, never `missing`,
// so that no new store is made in its place.
enum class Entry { missing, folder, other, unknown };

Entry entryAt(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? Entry::folder : Entry::other;
    const int error = errno;
    if (error != ENOENT && error != ENOTDIR) return Entry::unknown;
    if (::lstat(path.c_str(), &st) == 0) return Entry::other;
    errno = error;
    return Entry::missing;
}

// Whether a folder of the store layer's is at `path`, an entry of `folder`
// (or `folder` itself): HAL_OK for a folder (or a link to one),
// HAL_NOT_FOUND for nothing at all, and HAL_IO_ERROR, with the fault
// recorded, for a look refused or for anything else in its place (a file,
// a pipe, a link that leads to no folder): that is the player's, kept as it
// is, and no store is made there.
int folderAt(const std::string& folder, const std::string& path) {
    switch (entryAt(path)) {
    case Entry::folder: return HAL_OK;
    case Entry::missing: return HAL_NOT_FOUND;
    case Entry::other: faultOther(path); break;
    case Entry::unknown: faultLookingAt(folder, path, errno); break;
    }
    return HAL_IO_ERROR;
}

// The database folder, as folderAt tells it.
int databaseFolder(const std::string& root) { return folderAt(root, root); }

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

// No room is its own status, so that the caller can tell a full disk from a
// broken one.
int writeFailure(int error) {
    return error == ENOSPC || error == EDQUOT ? HAL_OUT_OF_MEMORY : HAL_IO_ERROR;
}

// Makes renames and removals in `folder` durable.
void syncFolder(const std::string& folder) {
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// Writes `size` bytes to a temporary file in `folder`, flushes it to disk and
// renames it over `path`. On any failure the temporary file is removed and
// `path` keeps its old contents. 0, or the status of the failure.
int replaceFile(const std::string& folder, const std::string& path, const void* data,
                size_t size) {
    std::string temp = folder + "/" + TEMP_NAME;
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return writeFailure(errno);
    int error = 0;
    if (failWrites > 0) {
        if (passWrites > 0) {
            --passWrites;
        } else {
            --failWrites;
            error = ENOSPC;
        }
    }
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (error == 0 && done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        else if (n == 0) error = EIO;
        else done += size_t(n);
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return writeFailure(error);
    }
    syncFolder(folder);
    return HAL_OK;
}

void putLE(uint8_t* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(v >> (8 * i));
}

uint32_t getLE(const uint8_t* in) {
    return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}

void encodeMetadata(const SharedStore* s, uint8_t* bytes) {
    putLE(bytes, s->lastModified);
    putLE(bytes + 4, s->version);
    putLE(bytes + 8, s->nextId);
    putLE(bytes + 12, s->totalBytes);
    putLE(bytes + 16, s->count);
}

int writeMetadata(const SharedStore* s) {
    uint8_t bytes[20];
    encodeMetadata(s, bytes);
    return replaceFile(s->folder, s->folder + "/" + METADATA_NAME, bytes, sizeof bytes);
}

// The id a record file of this name holds: "record-" + a decimal number in
// 1..INT32_MAX without leading zeros + ".bin"; 0 for any other name.
jint recordIdOf(const char* name) {
    size_t length = std::strlen(name);
    if (length <= 11 || std::strncmp(name, RECORD_PREFIX, 7) != 0 ||
        std::strcmp(name + length - 4, ".bin") != 0)
        return 0;
    const char* digits = name + 7;
    size_t count = length - 11;
    if (count > 10 || digits[0] == '0') return 0;
    int64_t id = 0;
    for (size_t i = 0; i < count; ++i) {
        if (digits[i] < '0' || digits[i] > '9') return 0;
        id = id * 10 + (digits[i] - '0');
    }
    return id <= INT32_MAX ? jint(id) : 0;
}

// A store folder's records as its files say.
struct FolderScan {
    std::vector<jint> ids;    // regular files named like records, ascending
    uint64_t totalBytes = 0;  // their sizes added up
    // The highest id any entry's name takes, whether it is a record or not
    // (a folder named like a record file keeps that id from being handed
    // out); 0 when none does.
    jint highestName = 0;
    // False when the folder can't be listed, or an entry named like a
    // record can't be looked at: the scan then says nothing of the store,
    // which is not an empty one. What could not be looked at, and the errno.
    bool whole = true;
    std::string failedAt;
    int error = 0;
};

FolderScan scanFolder(const std::string& folder) {
    FolderScan scan;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        scan.whole = false;
        scan.failedAt = folder;
        scan.error = errno;
        return scan;
    }
    while (dirent* e = ::readdir(dir)) {
        jint id = recordIdOf(e->d_name);
        if (id == 0) continue;
        scan.highestName = std::max(scan.highestName, id);
        struct stat st;
        const std::string path = folder + "/" + e->d_name;
        if (::stat(path.c_str(), &st) != 0) {
            // A record gone meanwhile is no record.
            if (errno != ENOENT && scan.whole) {
                scan.whole = false;
                scan.error = errno;
                scan.failedAt = failedLookAt(folder, path, errno);
            }
            continue;
        }
        if (!S_ISREG(st.st_mode)) continue;
        scan.ids.push_back(id);
        scan.totalBytes += uint64_t(st.st_size);
    }
    ::closedir(dir);
    std::sort(scan.ids.begin(), scan.ids.end());
    return scan;
}

// Takes the store's fields from its record files. The metadata gives only
// what the files cannot: the version and the last change, when it is whole,
// and a next id that stays above every id it ever handed out. Metadata that
// is missing, not 20 bytes, unreadable or not what the files say is written
// anew; when that fails the store still opens, and `fresh` (a folder this
// open made) decides whether that is an error. A folder whose records can't
// be listed is HAL_IO_ERROR, and nothing in it is written.
int loadStore(SharedStore* s, bool fresh) {
    // A temporary file is left only by a write cut short; as a folder it
    // would refuse every write.
    std::error_code ignored;
    std::filesystem::remove_all(s->folder + "/" + TEMP_NAME, ignored);
    std::string metadataPath = s->folder + "/" + METADATA_NAME;
    uint8_t bytes[21];
    size_t read = 0;
    // Not blocking, and only a file is read: a pipe in its place would wait
    // for a writer for ever. What is not a file is replaced like damage.
    int fd = ::open(metadataPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            while (read < sizeof bytes) {
                ssize_t n = ::read(fd, bytes + read, sizeof bytes - read);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                read += size_t(n);
            }
        }
        ::close(fd);
    }
    FolderScan scan = scanFolder(s->folder);
    if (!scan.whole) {
        faultReading(scan.failedAt, scan.error);
        return HAL_IO_ERROR;
    }
    bool whole = read == 20;
    uint32_t storedNextId = 0;
    if (whole) {
        s->lastModified = getLE(bytes);
        s->version = getLE(bytes + 4);
        storedNextId = getLE(bytes + 8);
        // No store ever gets past the end of the id space: such a value is
        // damage, and the files give the next id.
        if (storedNextId > ID_SPACE_END) storedNextId = 0;
    } else {
        s->lastModified = nowLow32();
        s->version = 0;
    }
    s->nextId = std::max<uint32_t>({storedNextId, uint32_t(scan.highestName) + 1, 1});
    s->count = uint32_t(scan.ids.size());
    s->totalBytes = uint32_t(std::min<uint64_t>(scan.totalBytes, INT32_MAX));

    uint8_t expected[20];
    encodeMetadata(s, expected);
    if (whole && std::memcmp(bytes, expected, sizeof expected) == 0) return HAL_OK;
    // A folder in the metadata's place would refuse every rewrite.
    struct stat st;
    if (::lstat(metadataPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        std::filesystem::remove_all(metadataPath, ignored);
    int written = writeMetadata(s);
    if (fresh && written != HAL_OK) faultOther(metadataPath);
    return fresh ? written : HAL_OK;
}

// The record's size: 0 ok, 4 missing (or not a file), 7 unreadable.
int recordSize(const SharedStore* s, jint id, jint* out) {
    if (id < 1) return HAL_NOT_FOUND;
    struct stat st;
    const std::string path = recordPath(s, id);
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return HAL_NOT_FOUND;
        faultLookingAt(s->folder, path, errno);
        return HAL_IO_ERROR;
    }
    if (!S_ISREG(st.st_mode)) return HAL_NOT_FOUND;
    if (st.st_size > INT32_MAX) {
        faultOther(path);
        return HAL_IO_ERROR;
    }
    *out = jint(st.st_size);
    return HAL_OK;
}

// The names of `folder`'s entries that are folders, in name order. False
// when the folder is there but can't be listed, or an entry can't be looked
// at (the fault is recorded); a folder that is not there has none.
bool listFolders(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        const int error = errno;
        // Something that is no folder in its place (a file, a link to
        // nowhere) holds no stores, but is no missing folder either.
        if ((error == ENOENT || error == ENOTDIR) && entryAt(folder) == Entry::missing) return true;
        faultReading(folder, error);
        return false;
    }
    bool whole = true;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = folder + "/" + name;
        Entry entry = entryAt(path);
        // A link that loops leads nowhere, as a dangling one does: it is no
        // folder, and no reason to distrust the rest of the listing.
        if (entry == Entry::unknown && errno == ELOOP) continue;
        if (entry == Entry::unknown && whole) {
            whole = false;
            faultLookingAt(folder, path, errno);
        }
        if (entry == Entry::folder) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    if (!whole) names.clear();
    return whole;
}

void finishLeftovers(const std::string& root);

// The store folders' names, from one listing of the database folder; false
// when it can't be listed.
bool storeFolders(std::vector<std::string>& stores) {
    stores.clear();
    std::string root;
    if (!rootPath(root)) return true;
    finishLeftovers(root);
    std::vector<std::string> names;
    if (!listFolders(root, names)) return false;
    for (auto& name : names)
        if (name.compare(0, 6, STORE_PREFIX) == 0) stores.push_back(name);
    return true;
}

std::u16string storeNameOf(const std::string& folderName) {
    return fromUtf8(decodeName(folderName.substr(6)));
}

bool storeFolderFor(const jchar* name, jint length, std::string& out) {
    std::string root;
    if (!rootPath(root)) return false;
    out = root + "/" + STORE_PREFIX + encodeName(toUtf8(name, length));
    return true;
}

// Removes what deletes cut short left in the database folder.
void finishDeletes(const std::string& root) {
    std::vector<std::string> leftovers;
    DIR* dir = ::opendir(root.c_str());
    if (!dir) return;
    while (dirent* e = ::readdir(dir))
        if (std::strncmp(e->d_name, DELETING_PREFIX, std::strlen(DELETING_PREFIX)) == 0)
            leftovers.push_back(root + "/" + e->d_name);
    ::closedir(dir);
    for (auto& path : leftovers) {
        std::error_code ignored;  // what cannot go now goes at a later open
        std::filesystem::remove_all(path, ignored);
    }
}

// Cuts the handles of the store in `folder` off from it: their writes fail
// from now on, and a new open makes a shared store of its own.
void unregisterStore(const std::string& folder) {
    auto& stores = openStores();
    if (auto it = stores.find(folder); it != stores.end()) {
        it->second->registered = false;
        stores.erase(it);
    }
}

// Deletes the store folder. One rename takes the whole store away; only then
// are its files removed, so that a delete cut short never leaves part of a
// store. 0, or the errno of the rename that could not move it away (nothing
// changes then).
int removeStoreFolder(const std::string& root, const std::string& folder) {
    std::string away;
    for (int n = 1;; ++n) {
        if (n > 1000) return EEXIST;
        away = root + "/" + DELETING_PREFIX + std::to_string(n);
        struct stat st;
        if (::lstat(away.c_str(), &st) == 0) continue;  // a leftover that would not go
        if (::rename(folder.c_str(), away.c_str()) == 0) break;
        return errno;
    }
    syncFolder(root);
    unregisterStore(folder);
    std::error_code ignored;  // the store is gone; a later open removes the rest
    std::filesystem::remove_all(away, ignored);
    return 0;
}

// What is under a rename's name.
enum class Renamed { nothing, store, stray, unknown };

// A rename commits by moving a store's own folder, so only a folder itself
// (not a link) that holds what the store layer leaves in one (its metadata
// file, and nothing but record files and a write's temporary file beside
// it) is a renamed store. Anything else was put there from outside: it is
// no store to put in place of the one that is there, and nothing is
// written through it. `unknown` (with the errno in `error`) when it can't
// be told, which is not a stray to remove.
Renamed renamedAt(const std::string& pending, int* error) {
    struct stat st;
    if (::lstat(pending.c_str(), &st) != 0) {
        *error = errno;
        return errno == ENOENT ? Renamed::nothing : Renamed::unknown;
    }
    if (!S_ISDIR(st.st_mode)) return Renamed::stray;
    DIR* dir = ::opendir(pending.c_str());
    if (!dir) {
        *error = errno;
        return Renamed::unknown;
    }
    Renamed found = Renamed::stray;
    while (dirent* e = ::readdir(dir)) {
        const char* name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        const bool metadata = std::strcmp(name, METADATA_NAME) == 0;
        if (!metadata && recordIdOf(name) == 0 && std::strcmp(name, TEMP_NAME) != 0) {
            found = Renamed::stray;
            break;
        }
        if (::lstat((pending + "/" + name).c_str(), &st) != 0) {
            *error = errno;
            found = Renamed::unknown;
            break;
        }
        if (!S_ISREG(st.st_mode)) {
            found = Renamed::stray;
            break;
        }
        if (metadata) found = Renamed::store;
    }
    ::closedir(dir);
    return found;
}

// The store folder a rename's name (`pending`, a RENAMING_PREFIX entry)
// stands for, and the rename's name for a store folder.
std::string renameTargetOf(const std::string& root, const std::string& pending) {
    return root + "/" + STORE_PREFIX + pending.substr(root.size() + 1 + std::strlen(RENAMING_PREFIX));
}

std::string pendingRenameOf(const std::string& root, const std::string& folder) {
    return root + "/" + RENAMING_PREFIX + folder.substr(root.size() + 1 + std::strlen(STORE_PREFIX));
}

// Puts a committed rename's store (`pending`) in place of the store folder
// it names, replacing that store. 0 when no renamed store waits there any
// more: it was put in place, or there was none (what is there that is no
// renamed store is left as it is). Else the renamed store still waits, and
// a later attempt starts again from what is on disk; the fault is recorded
// when `record` is set.
int finishRename(const std::string& root, const std::string& pending, bool record) {
    int error = 0;
    switch (renamedAt(pending, &error)) {
    case Renamed::nothing:
    case Renamed::stray: return 0;
    case Renamed::unknown:
        if (record) {
            // A database folder that can't be searched is no fault of the
            // rename's.
            faultLookingAt(root, pending, error);
            if (lastFault.path == pending) lastFault.kind |= HAL_STORE_FAULT_UNFINISHED_RENAME;
        }
        return error;
    case Renamed::store: break;
    }
    const std::string target = renameTargetOf(root, pending);
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = removeStoreFolder(root, target);
        } else if (S_ISLNK(st.st_mode) && isDirectory(target)) {
            // A store read through a link: the link makes way, and what it
            // leads to is kept.
            error = ::unlink(target.c_str()) == 0 ? 0 : errno;
        } else {
            // Something that is no store in the store's place (a file, a
            // pipe, a link to no folder) is the player's: the renamed store
            // waits until it is moved away.
            if (record) faultOther(target);
            return EEXIST;
        }
    }
    if (error == 0 && failFinishing) error = EIO;
    if (error == 0 && ::rename(pending.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        if (record) {
            faultWriting(pending, error);
            lastFault.kind |= HAL_STORE_FAULT_UNFINISHED_RENAME;
        }
        return error;
    }
    syncFolder(root);
    unregisterStore(target);
    return 0;
}

// Finishes the renames a process left committed but not done.
void finishRenames(const std::string& root) {
    std::vector<std::string> pending;
    DIR* dir = ::opendir(root.c_str());
    if (!dir) return;
    while (dirent* e = ::readdir(dir))
        if (std::strncmp(e->d_name, RENAMING_PREFIX, std::strlen(RENAMING_PREFIX)) == 0)
            pending.push_back(root + "/" + e->d_name);
    ::closedir(dir);
    for (auto& path : pending) finishRename(root, path, false);
}

// What earlier processes left half done, in the database folder.
void finishLeftovers(const std::string& root) {
    finishRenames(root);
    finishDeletes(root);
}

// A committed rename to the store in `folder` is the store's newest state:
// until it is in place, the store is neither missing nor the one in
// `folder`. Looked up by its own name, so that a database folder that
// can't be listed hides none. True when none waits (any more); false, with
// the fault recorded, when one waits that can't be put in place now.
bool settleRenameTo(const std::string& root, const std::string& folder) {
    return finishRename(root, pendingRenameOf(root, folder), true) == 0;
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
    lastFault = Fault{};
    std::string root, folder;
    if (!rootPath(root) || !storeFolderFor(name, length, folder)) return HAL_NOT_FOUND;
    if (::mkdir(root.c_str(), 0755) != 0 && errno != EEXIST) return HAL_NOT_FOUND;
    if (int status = databaseFolder(root); status != HAL_OK) return status;
    finishLeftovers(root);
    if (!settleRenameTo(root, folder)) return HAL_IO_ERROR;

    auto& stores = openStores();
    if (auto it = stores.find(folder); it != stores.end() && isDirectory(folder)) {
        auto* handle = new HAL_RecordStore{it->second};
        ++it->second->handles;
        *out = handle;
        return HAL_OK;
    }
    // A store that may be there, or something else in its place, is not
    // one to make anew.
    const int there = folderAt(root, folder);
    if (there == HAL_IO_ERROR || (there == HAL_NOT_FOUND && !create)) return there;
    const bool exists = there == HAL_OK;
    bool made = false;
    if (!exists) {
        if (::mkdir(folder.c_str(), 0755) != 0) {
            faultWriting(errno == EEXIST ? folder : root, errno);
            return HAL_IO_ERROR;
        }
        made = true;
    }

    auto* shared = new SharedStore;
    shared->folder = folder;
    if (loadStore(shared, made) != HAL_OK) {
        // A store that could not be made whole is not left half made.
        delete shared;
        if (made) ::rmdir(folder.c_str());
        return HAL_IO_ERROR;
    }
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

namespace {

// Deletes the store of this name. With `clear`, anything else that holds
// its folder's name goes too, a link itself and never what it leads to;
// without it, such a thing is kept.
int deleteStore(const jchar* name, jint length, bool clear) {
    if (!name || length <= 0) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    lastFault = Fault{};
    std::string root, folder;
    if (!rootPath(root) || !storeFolderFor(name, length, folder)) return HAL_NOT_FOUND;
    if (int status = databaseFolder(root); status != HAL_OK) return status;
    finishLeftovers(root);
    // A store whose newest state waits under a rename's name is there, and
    // would come back after its folder went.
    if (!settleRenameTo(root, folder)) return HAL_IO_ERROR;
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return HAL_NOT_FOUND;
        faultLookingAt(root, folder, errno);
        return HAL_IO_ERROR;
    }
    if (!S_ISDIR(st.st_mode) && !(S_ISLNK(st.st_mode) && isDirectory(folder))) {
        // Something that holds no store: a file, a pipe, a link that leads
        // to no folder (one to a store on a volume not mounted now, say).
        if (!clear) {
            faultOther(folder);
            return HAL_IO_ERROR;
        }
        if (::unlink(folder.c_str()) != 0) {
            faultWriting(root, errno);
            return HAL_IO_ERROR;
        }
        syncFolder(root);
        return HAL_NOT_FOUND;
    }
    if (int error = removeStoreFolder(root, folder); error != 0) {
        faultWriting(root, error);
        return HAL_IO_ERROR;
    }
    return HAL_OK;
}

}  // namespace

int HAL_deleteRecordStore(const jchar* name, jint length) {
    return deleteStore(name, length, false);
}

int HAL_clearRecordStoreName(const jchar* name, jint length) {
    return deleteStore(name, length, true);
}

namespace {

// What both renames look up first, under the store lock: the database
// folder, the two stores' folders (renames left unfinished are finished
// first) and whether the store to rename is there. HAL_OK when it is.
int findRenamed(const jchar* from, jint fromLength, const jchar* to, jint toLength,
                std::string& root, std::string& source, std::string& target) {
    lastFault = Fault{};
    if (!from || fromLength <= 0 || !to || toLength <= 0) return HAL_BAD_ARGUMENT;
    if (!rootPath(root) || !storeFolderFor(from, fromLength, source) ||
        !storeFolderFor(to, toLength, target))
        return HAL_NOT_FOUND;
    if (int status = databaseFolder(root); status != HAL_OK) return status;
    finishLeftovers(root);
    if (!settleRenameTo(root, source)) return HAL_IO_ERROR;
    return folderAt(root, source);
}

}  // namespace

int HAL_renameRecordStore(const jchar* from, jint fromLength, const jchar* to, jint toLength) {
    std::lock_guard<std::mutex> guard(storeLock());
    std::string root, source, target;
    const int found = findRenamed(from, fromLength, to, toLength, root, source, target);
    if (found != HAL_OK) return found;
    if (source == target) return HAL_OK;
    // The commit below moves the store's own folder to the rename's name,
    // where only a folder itself counts as a renamed store: a store read
    // through a link would be taken for a stray there and lost from its
    // name. It is refused whole.
    if (struct stat st; ::lstat(source.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        faultOther(source);
        return HAL_IO_ERROR;
    }
    // The target's newest state, from a rename that could not be finished
    // yet, is not to be gone over.
    if (!settleRenameTo(root, target)) return HAL_IO_ERROR;
    // Only a store is replaced: what else holds the name is the player's.
    if (folderAt(root, target) == HAL_IO_ERROR) return HAL_IO_ERROR;
    // Anything else under the rename's name is no rename's, and the name is
    // this one's to take: it goes, a link itself and never what it leads to.
    const std::string pending = pendingRenameOf(root, target);
    std::error_code ignored;
    std::filesystem::remove_all(pending, ignored);
    if (::rename(source.c_str(), pending.c_str()) != 0) {
        faultWriting(root, errno);
        return HAL_IO_ERROR;
    }
    syncFolder(root);
    unregisterStore(source);
    // The target's handles hold what is no longer its newest state.
    unregisterStore(target);
    // Committed: what is not finished now is finished by the next call that
    // looks at the store.
    finishRename(root, pending, false);
    return HAL_OK;
}

namespace {

// Whether anything is at `path`, the path itself looked at (a link is held
// whether or not it leads anywhere): 1 held, 0 free, -1 when it can't be
// told.
int heldAt(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) return 1;
    return errno == ENOENT ? 0 : -1;
}

// Renames `from` to `to` unless something is at `to`. 0, or the errno of the
// failure: EEXIST when `to` is held.
int renameUnlessHeld(const std::string& from, const std::string& to) {
    if (!noReplaceUnsupported) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EINVAL && errno != ENOSYS) return errno;
    }
    // Where the system can't refuse a replace, a plain rename of a folder
    // still can't replace anything but an empty folder: it fails over a
    // file, a link or a folder with entries. So after the name was seen free,
    // the worst a rename racing with another process can replace is an
    // empty folder made meanwhile, which holds nothing. A store folder that
    // is a link is not renamed this way: it would replace a file.
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTSUP;
    switch (heldAt(to)) {
    case 1: return EEXIST;
    case -1: return errno;
    default: break;
    }
    if (::rename(from.c_str(), to.c_str()) == 0) return 0;
    return errno == ENOTDIR || errno == ENOTEMPTY ? EEXIST : errno;
}

}  // namespace

int HAL_renameRecordStoreIfFree(const jchar* from, jint fromLength, const jchar* to,
                                jint toLength) {
    std::lock_guard<std::mutex> guard(storeLock());
    std::string root, source, target;
    const int found = findRenamed(from, fromLength, to, toLength, root, source, target);
    if (found != HAL_OK) return found;
    if (source == target) return HAL_REFUSED;
    // A replacing rename to the name that could not be finished yet is
    // finished by a later look, over whatever is there then: the name is
    // promised to it.
    const std::string pending = pendingRenameOf(root, target);
    switch (heldAt(pending)) {
    case 1: return HAL_REFUSED;
    case -1:
        faultLookingAt(root, pending, errno);
        return HAL_IO_ERROR;
    default: break;
    }
    // One rename, that commits and finishes it at once: no later step puts
    // the store in place, over something that came there meanwhile.
    if (int error = renameUnlessHeld(source, target); error != 0) {
        if (error == EEXIST) return HAL_REFUSED;
        faultWriting(root, error);
        return HAL_IO_ERROR;
    }
    syncFolder(root);
    unregisterStore(source);
    // Handles on a store that was at that name once write nowhere.
    unregisterStore(target);
    return HAL_OK;
}

int HAL_getRecordStorePath(const jchar* name, jint length, char* buffer, jint capacity,
                           jint* outLength) {
    if (!outLength) return HAL_BAD_ARGUMENT;
    std::string path;
    if (name ? !storeFolderFor(name, length, path) : !rootPath(path)) return HAL_NOT_FOUND;
    *outLength = jint(path.size());
    if (!buffer || capacity < 0 || size_t(capacity) <= path.size()) return HAL_BAD_ARGUMENT;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return HAL_OK;
}

int HAL_listRecordStores(void (*each)(void* context, const jchar* name, jint length),
                         void* context) {
    if (!each) return HAL_BAD_ARGUMENT;
    std::vector<std::u16string> names;
    {
        std::lock_guard<std::mutex> guard(storeLock());
        lastFault = Fault{};
        std::vector<std::string> stores;
        if (!storeFolders(stores)) return HAL_IO_ERROR;
        for (auto& folder : stores) names.push_back(storeNameOf(folder));
    }
    // Outside the lock: the caller may open stores of what it is given.
    for (auto& name : names)
        each(context, name.c_str(), jint(name.size()));
    return HAL_OK;
}

jint HAL_getNumRecordStores() {
    std::lock_guard<std::mutex> guard(storeLock());
    std::vector<std::string> stores;
    storeFolders(stores);
    return jint(stores.size());
}

int HAL_getNthRecordStoreName(jint n, jchar* buffer, jint capacity, jint* outLength) {
    if (n < 1 || !outLength) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    std::vector<std::string> stores;
    storeFolders(stores);
    if (size_t(n) > stores.size()) return HAL_NOT_FOUND;
    std::u16string name = storeNameOf(stores[size_t(n) - 1]);
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
    *out = jint(std::min<uint32_t>(store->shared->nextId, INT32_MAX));
    return HAL_OK;
}

int HAL_addRecord(HAL_RecordStore* store, jint* outId, const void* data, jint size) {
    if (!store || !outId || !data || size < 0) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    SharedStore* s = store->shared;
    if (!s->registered) return HAL_IO_ERROR;
    if (s->nextId >= ID_SPACE_END) return HAL_OUT_OF_MEMORY;
    jint id = jint(s->nextId);
    std::string path = recordPath(s, id);
    if (int status = replaceFile(s->folder, path, data, size_t(size)); status != HAL_OK)
        return status;
    SharedStore before = *s;
    s->count += 1;
    s->totalBytes += uint32_t(size);
    s->nextId += 1;
    s->lastModified = nowLow32();
    if (int status = writeMetadata(s); status != HAL_OK) {
        // An add reported as failed leaves no record behind: the metadata
        // on disk still holds the old next id, and a record above it would
        // let a later run hand its id out again once it was deleted.
        if (::unlink(path.c_str()) == 0) {
            syncFolder(s->folder);
            s->count = before.count;
            s->totalBytes = before.totalBytes;
            s->nextId = before.nextId;
            s->lastModified = before.lastModified;
            return status;
        }
    }
    *outId = id;
    return HAL_OK;
}

int HAL_setRecord(HAL_RecordStore* store, jint id, const void* data, jint size) {
    if (!store || size < 0 || (!data && size > 0)) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    SharedStore* s = store->shared;
    if (!s->registered) return HAL_IO_ERROR;
    jint oldSize = 0;
    if (int status = recordSize(s, id, &oldSize); status != HAL_OK) return status;
    static const uint8_t none = 0;
    if (int status = replaceFile(s->folder, recordPath(s, id), data ? data : &none, size_t(size));
        status != HAL_OK)
        return status;
    // The record is replaced. Metadata that cannot be written now is taken
    // from the files at the next open.
    s->totalBytes += uint32_t(size) - uint32_t(oldSize);
    s->lastModified = nowLow32();
    writeMetadata(s);
    return HAL_OK;
}

int HAL_deleteRecord(HAL_RecordStore* store, jint id) {
    if (!store) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    SharedStore* s = store->shared;
    if (!s->registered) return HAL_IO_ERROR;
    jint size = 0;
    if (int status = recordSize(s, id, &size); status != HAL_OK) return status;
    if (::unlink(recordPath(s, id).c_str()) != 0) return HAL_IO_ERROR;
    syncFolder(s->folder);
    // Removing the file deleted the record; the metadata follows when it
    // can (removing it first frees the room a full disk needs for that).
    s->count -= 1;
    s->totalBytes -= uint32_t(size);
    s->lastModified = nowLow32();
    writeMetadata(s);
    return HAL_OK;
}

int HAL_getRecordSize(HAL_RecordStore* store, jint id, jint* outSize) {
    if (!store || !outSize) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    lastFault = Fault{};
    return recordSize(store->shared, id, outSize);
}

int HAL_getRecord(HAL_RecordStore* store, jint id, void* buffer, jint capacity, jint* outSize) {
    if (!store || !outSize) return HAL_BAD_ARGUMENT;
    std::lock_guard<std::mutex> guard(storeLock());
    lastFault = Fault{};
    SharedStore* s = store->shared;
    if (id < 1) return HAL_NOT_FOUND;
    // Not blocking: an entry named like a record may be a pipe.
    const std::string path = recordPath(s, id);
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return HAL_NOT_FOUND;
        faultLookingAt(s->folder, path, errno);
        return HAL_IO_ERROR;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return HAL_NOT_FOUND;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    bool failed = false;
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > size_t(INT32_MAX)) {
            failed = true;
            break;
        }
    }
    ::close(fd);
    if (failed) {
        faultOther(path);
        return HAL_IO_ERROR;
    }
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
    lastFault = Fault{};
    FolderScan scan = scanFolder(store->shared->folder);
    if (!scan.whole) {
        faultReading(scan.failedAt, scan.error);
        return HAL_IO_ERROR;
    }
    std::vector<jint>& ids = scan.ids;
    if (size_t(n) > ids.size()) return HAL_NOT_FOUND;
    *outId = ids[size_t(n) - 1];
    return HAL_OK;
}

void HAL_failNextRecordStoreWrites(int count, int after) {
    std::lock_guard<std::mutex> guard(storeLock());
    failWrites = std::max(count, 0);
    passWrites = std::max(after, 0);
}

void HAL_failRenamedStorePlacing(int on) {
    std::lock_guard<std::mutex> guard(storeLock());
    failFinishing = on != 0;
}

void HAL_pretendNoReplaceRenameUnsupported(int on) {
    std::lock_guard<std::mutex> guard(storeLock());
    noReplaceUnsupported = on != 0;
}

jint HAL_getRecordStoreFault(char* buffer, jint capacity, jint* outLength) {
    const Fault& fault = lastFault;
    if (outLength) *outLength = jint(fault.path.size());
    if (buffer && capacity > 0) {
        const size_t n = std::min(fault.path.size(), size_t(capacity) - 1);
        std::memcpy(buffer, fault.path.data(), n);
        buffer[n] = 0;
    }
    return fault.kind;
}
