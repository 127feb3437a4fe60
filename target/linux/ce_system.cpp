#include "ce_system.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/sysinfo.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <set>
#include <tuple>

#include "ce_internal.h"

extern char** environ;

namespace ce {

using namespace detail;

namespace {

std::string lowerAscii(const std::u16string& text) {
    std::string out = toUtf8(text);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

const char* environmentLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return v;
    }
    return "C";
}

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return std::string();
    return name;
}

// The desktop's memory as the device would report it: the physical memory
// available, and a process slot of 32 MB, which is what the device gives a
// program's address space.
MemoryStatus linuxMemory() {
    MemoryStatus m;
    m.availVirtual = 32u << 20;
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kb;
    while (meminfo >> key >> kb) {
        if (key == "MemAvailable:") {
            m.availPhys = kb * 1024;
            return m;
        }
        meminfo.ignore(256, '\n');
    }
    struct sysinfo info {};
    if (sysinfo(&info) == 0) m.availPhys = uint64_t(info.freeram) * info.mem_unit;
    return m;
}

// A stable id for this machine, mixed with the caller's application data so
// that two programs get different ids, as on the device.
std::vector<uint8_t> linuxUniqueId(const uint8_t* appData, uint32_t n) {
    std::string seed;
    std::ifstream("/etc/machine-id") >> seed;
    if (seed.empty()) seed = hostName();
    seed.append(reinterpret_cast<const char*>(appData), n);
    std::vector<uint8_t> id(20);
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < id.size(); ++i) {
        for (unsigned char c : seed) h = (h ^ c) * 0x100000001b3ull;
        h = (h ^ i) * 0x100000001b3ull;
        id[i] = uint8_t(h >> 29);
    }
    return id;
}

struct RegistryKey {
    RegistryRoot root;
    std::string key;
    std::string value;
    bool operator<(const RegistryKey& o) const {
        return std::tie(root, key, value) < std::tie(o.root, o.key, o.value);
    }
};
struct RegistryData {
    bool isDword = false;
    uint32_t dword = 0;
    std::u16string text;
};

struct Fakes {
    std::mutex mutex;
    SystemInfo info;
    std::map<RegistryKey, RegistryData> registry;
    int notifications = 0;
    bool uniqueIdAvailable = true;
    std::vector<uint8_t> uniqueId;  // empty: the machine's own
    bool memorySet = false;
    MemoryStatus memory;
    bool refusePower = false;
    std::set<PowerQueue*> powerQueues;
    bool refuseRotation = false;
    int orientation = DMDO_0;
    std::atomic<uint32_t> idleResets{0};
    std::vector<std::u16string> urls;
    std::map<std::string, std::map<std::string, void*>> libraries;
    bool refuseInstanceLock = false;
};

SystemInfo defaultSystemInfo() {
    SystemInfo info;
    info.manufacturer = u"Linux";
    info.oemInfo = u"Linux SDL2";
    info.platformType = u"PocketPC";
    info.osMajor = 5;
    info.osMinor = 2;
    info.screenWidth = 240;
    info.screenHeight = 320;
    info.bitsPerPixel = 16;
    info.locale = environmentLocale();
    return info;
}

void setDefaults(Fakes& f) {
    f.info = defaultSystemInfo();
    f.registry.clear();
    std::string name = hostName();
    if (!name.empty())
        f.registry[{RegistryRoot::LocalMachine, "ident", "name"}] =
            RegistryData{false, 0, toUtf16(name)};
    f.notifications = 0;
    f.uniqueIdAvailable = true;
    f.uniqueId.clear();
    f.memorySet = false;
    f.refusePower = false;
    f.refuseRotation = false;
    f.orientation = DMDO_0;
    f.idleResets = 0;
    f.urls.clear();
    f.libraries.clear();
    f.refuseInstanceLock = false;
}

Fakes& fakes() {
    static Fakes* f = [] {
        auto* created = new Fakes();
        setDefaults(*created);
        return created;
    }();
    return *f;
}

bool quarterTurn(int orientation) { return orientation == DMDO_90 || orientation == DMDO_270; }

// Swaps the screen's sides when the turn calls for it and asks the windows
// to take the new size (f.mutex held).
void turnScreen(Fakes& f, int orientation) {
    bool swap = quarterTurn(orientation) != quarterTurn(f.orientation);
    f.orientation = orientation;
    if (!swap) return;
    std::swap(f.info.screenWidth, f.info.screenHeight);
    std::lock_guard<std::mutex> g(state().mutex);
    state().screenChanged = true;
    state().posted.notify_all();
}

}  // namespace

// --- single instance ------------------------------------------------------------

struct InstanceLock {
    int fd;
};

// The lock is an abstract socket name, which the system takes back with
// the process however it ends: nothing is written into the program's
// folder, so a folder that can't be written to is guarded all the same.
// The folder is part of the name: copies of the program in two folders are
// two programs.
InstanceLock* acquireInstanceLock(const std::string& folder, const std::u16string& name,
                                  bool* alreadyRunning) {
    *alreadyRunning = false;
    {
        Fakes& f = fakes();
        std::lock_guard<std::mutex> g(f.mutex);
        if (f.refuseInstanceLock) {
            errno = EMFILE;
            return nullptr;
        }
    }
    std::string where = folder.empty() ? std::string(".") : folder;
    if (char* real = realpath(where.c_str(), nullptr)) {
        where = real;
        std::free(real);
    }
    // FNV-1a over the folder and the name: a fixed-size socket name,
    // whatever their lengths.
    uint64_t hash = 0xCBF29CE484222325u;
    for (unsigned char c : where + '\n' + toUtf8(name)) hash = (hash ^ c) * 0x100000001B3u;
    char text[64];
    int n = std::snprintf(text, sizeof text, "wren-instance:%u:%016llx", unsigned(getuid()),
                          static_cast<unsigned long long>(hash));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, text, size_t(n));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(n));
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        int error = errno;
        *alreadyRunning = error == EADDRINUSE;
        close(fd);
        errno = error;
        return nullptr;
    }
    return new InstanceLock{fd};
}

void releaseInstanceLock(InstanceLock* lock) {
    if (!lock) return;
    close(lock->fd);
    delete lock;
}

// --- registry -------------------------------------------------------------------

bool readRegistryDword(RegistryRoot root, const std::u16string& key, const std::u16string& value,
                       uint32_t* out) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    auto it = f.registry.find({root, lowerAscii(key), lowerAscii(value)});
    if (it == f.registry.end() || !it->second.isDword) return false;
    *out = it->second.dword;
    return true;
}

bool readRegistryString(RegistryRoot root, const std::u16string& key, const std::u16string& value,
                        std::u16string* out) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    auto it = f.registry.find({root, lowerAscii(key), lowerAscii(value)});
    if (it == f.registry.end() || it->second.isDword) return false;
    *out = it->second.text;
    return true;
}

struct RegistryNotification {
    int unused;
};

RegistryNotification* registryNotifyWindow(RegistryRoot, const std::u16string&,
                                           const std::u16string&, HWND window, UINT, uint32_t) {
    if (!IsWindow(window)) return nullptr;
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    ++f.notifications;
    return new RegistryNotification{0};
}

void registryCloseNotification(RegistryNotification* notification) {
    if (!notification) return;
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    --f.notifications;
    delete notification;
}

// --- system information ---------------------------------------------------------

SystemInfo systemInfo() {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    return f.info;
}

bool deviceUniqueId(const uint8_t* appData, uint32_t appDataLength, uint32_t, uint8_t* out,
                    uint32_t* length) {
    if (!out || !length) return false;
    std::vector<uint8_t> id;
    {
        Fakes& f = fakes();
        std::lock_guard<std::mutex> g(f.mutex);
        if (!f.uniqueIdAvailable) return false;
        id = f.uniqueId;
    }
    if (id.empty()) id = linuxUniqueId(appData, appDataLength);
    uint32_t n = std::min<uint32_t>(*length, uint32_t(id.size()));
    std::memcpy(out, id.data(), n);
    *length = n;
    return true;
}

MemoryStatus globalMemoryStatus() {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> g(f.mutex);
        if (f.memorySet) return f.memory;
    }
    return linuxMemory();
}

// --- power notifications --------------------------------------------------------

// Every queue is guarded by the fakes' mutex, so that a broadcast can wait
// until each listener has handled what it was given.
struct PowerQueue {
    std::condition_variable changed;
    std::deque<bool> pending;
    uint64_t taken = 0;         // notifications handed to the listener
    uint64_t acknowledged = 0;  // of those, the ones it came back from
    bool cancelled = false;
};

namespace {
std::condition_variable powerHandled;
}

PowerQueue* openPowerNotifications() {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    if (f.refusePower) return nullptr;
    auto* q = new PowerQueue();
    f.powerQueues.insert(q);
    return q;
}

bool waitPowerNotification(PowerQueue* q, bool* powerOn) {
    Fakes& f = fakes();
    std::unique_lock<std::mutex> lk(f.mutex);
    q->acknowledged = q->taken;
    powerHandled.notify_all();
    q->changed.wait(lk, [q] { return q->cancelled || !q->pending.empty(); });
    if (q->cancelled) return false;
    *powerOn = q->pending.front();
    q->pending.pop_front();
    ++q->taken;
    return true;
}

void cancelPowerNotifications(PowerQueue* q) {
    if (!q) return;
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    q->cancelled = true;
    q->changed.notify_all();
    powerHandled.notify_all();
}

void closePowerNotifications(PowerQueue* q) {
    if (!q) return;
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.powerQueues.erase(q);
    delete q;
    powerHandled.notify_all();
}

void broadcastPowerChange(bool powerOn) {
    Fakes& f = fakes();
    std::unique_lock<std::mutex> lk(f.mutex);
    std::map<PowerQueue*, uint64_t> handledAt;
    for (PowerQueue* q : f.powerQueues) {
        q->pending.push_back(powerOn);
        handledAt[q] = q->taken + q->pending.size();
        q->changed.notify_all();
    }
    // What the listeners do with the change (post a window message) is done
    // when this returns, so that a script's next step comes after it.
    powerHandled.wait(lk, [&] {
        for (auto& [q, target] : handledAt)
            if (f.powerQueues.count(q) && !q->cancelled && q->acknowledged < target) return false;
        return true;
    });
}

// --- display rotation -----------------------------------------------------------

int displayOrientation() {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    return f.orientation;
}

bool setDisplayOrientation(int orientation) {
    if (orientation != DMDO_0 && orientation != DMDO_90 && orientation != DMDO_180 &&
        orientation != DMDO_270)
        return false;
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    if (f.refuseRotation) return false;
    turnScreen(f, orientation);
    return true;
}

// --- idle timer, platform requests ---------------------------------------------

void SystemIdleTimerReset() { ++fakes().idleResets; }

void openUrl(const std::u16string& url) {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> g(f.mutex);
        f.urls.push_back(url);
    }
    std::string text = toUtf8(url);
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    const char* script = std::getenv("WREN_SCRIPT");
    if ((script && *script) || (driver && std::strcmp(driver, "dummy") == 0)) {
        std::fprintf(stderr, "wren: opening %s\n", text.c_str());
        return;
    }
    char program[] = "xdg-open";
    char* argv[] = {program, text.data(), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0)
        std::fprintf(stderr, "wren: cannot start xdg-open for %s\n", text.c_str());
}

// --- device libraries -----------------------------------------------------------

struct Library {
    std::map<std::string, void*> functions;
};

Library* loadLibrary(const std::u16string& name) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    auto it = f.libraries.find(lowerAscii(name));
    if (it == f.libraries.end()) return nullptr;
    return new Library{it->second};
}

void* getProcAddress(Library* library, const char* name) {
    if (!library || !name) return nullptr;
    auto it = library->functions.find(name);
    return it == library->functions.end() ? nullptr : it->second;
}

void freeLibrary(Library* library) { delete library; }

// --- fakes ----------------------------------------------------------------------

namespace fake {

void reset() {
    std::vector<HWND> alive;
    {
        std::lock_guard<std::mutex> g(state().mutex);
        for (auto& [handle, r] : state().windows) alive.push_back(r->handle);
    }
    for (HWND w : alive) DestroyWindow(w);
    {
        State& s = state();
        std::lock_guard<std::mutex> g(s.mutex);
        s.classes.clear();
        s.queue.clear();
        s.quitPosted = false;
        s.quitCode = 0;
        s.timers.clear();
        s.foreground = nullptr;
        s.screenChanged = false;
        s.failCreation = false;
        s.scriptWindow = nullptr;
        s.script.clear();
        s.nextStep = 0;
        s.frames = 0;
    }
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    setDefaults(f);
}

void setSystemInfo(const SystemInfo& info) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.info = info;
}

void setRegistryDword(RegistryRoot root, const std::u16string& key, const std::u16string& value,
                      uint32_t data) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.registry[{root, lowerAscii(key), lowerAscii(value)}] = RegistryData{true, data, {}};
}

void setRegistryString(RegistryRoot root, const std::u16string& key, const std::u16string& value,
                       const std::u16string& data) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.registry[{root, lowerAscii(key), lowerAscii(value)}] = RegistryData{false, 0, data};
}

void clearRegistry() {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.registry.clear();
}

int openRegistryNotifications() {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    return f.notifications;
}

void setUniqueId(bool available, const std::vector<uint8_t>& bytes) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.uniqueIdAvailable = available;
    f.uniqueId = bytes;
}

void setMemoryStatus(const MemoryStatus& status) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.memorySet = true;
    f.memory = status;
}

void refusePowerNotifications(bool refuse) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.refusePower = refuse;
}

int openPowerQueues() {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    return int(f.powerQueues.size());
}

void refuseRotation(bool refuse) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.refuseRotation = refuse;
}

void rotateDevice(int orientation) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    turnScreen(f, orientation);
}

uint32_t idleTimerResets() { return fakes().idleResets; }

std::vector<std::u16string> openedUrls() {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    return f.urls;
}

void installLibrary(const std::u16string& name, const std::map<std::string, void*>& functions) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.libraries[lowerAscii(name)] = functions;
}

void refuseInstanceLock(bool refuse) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> g(f.mutex);
    f.refuseInstanceLock = refuse;
}

void failWindowCreation(bool fail) {
    std::lock_guard<std::mutex> g(state().mutex);
    state().failCreation = fail;
}

}  // namespace fake

}  // namespace ce
