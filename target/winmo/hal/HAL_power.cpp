#include "HAL_power.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "HAL_properties.h"
#include "HAL_status.h"
#include "HAL_window.h"
#include "ce_system.h"
#include "ce_window.h"

using namespace ce;

namespace {

// --- power thread ----------------------------------------------------------------

struct PowerMonitor {
    std::mutex mutex;
    std::condition_variable settled;
    bool ready = false;  // the thread listens, or found it has nothing to listen to
    PowerQueue* queue = nullptr;  // while the thread listens
    std::thread thread;
};

void markReady(PowerMonitor* m) {
    {
        std::lock_guard<std::mutex> g(m->mutex);
        m->ready = true;
    }
    m->settled.notify_all();
}
std::unique_ptr<PowerMonitor> monitor;

void listen(PowerMonitor* m) {
    PowerQueue* queue = openPowerNotifications();
    if (!queue) {
        markReady(m);  // no notifications: no power events, the program runs on
        return;
    }
    {
        std::lock_guard<std::mutex> g(m->mutex);
        m->queue = queue;
    }
    markReady(m);
    bool on;
    while (waitPowerNotification(queue, &on))
        PostMessageW(HAL_getMainWindow(), WM_USER + 3, on ? 1 : 0, 0);
    {
        std::lock_guard<std::mutex> g(m->mutex);
        m->queue = nullptr;
    }
    closePowerNotifications(queue);
}

// --- keep-alive --------------------------------------------------------------------

bool periodKnown = false;
uint32_t period = 5000;

void keepAliveTick(HWND window, UINT, UINT_PTR id, DWORD) {
    if (window == HAL_getMainWindow() && id == 1) SystemIdleTimerReset();
}

// --- rotation ----------------------------------------------------------------------

// Orientation index per device rotation (0°, 90°, 180°, 270°), and the one
// the program asked for (4: none). Used under the VM lock.
int orientationTable[4] = {0, 1, 2, 3};
int wanted = 4;

int deviceRotationIndex() {
    switch (displayOrientation()) {
        case DMDO_0: return 0;
        case DMDO_90: return 1;
        case DMDO_180: return 2;
        case DMDO_270: return 3;
        default: return 4;
    }
}

int currentOrientationIndex() {
    int device = deviceRotationIndex();
    return device == 4 ? 4 : orientationTable[device];
}

bool applyOrientation(int index) {
    static const int kOrientations[4] = {DMDO_0, DMDO_90, DMDO_180, DMDO_270};
    return setDisplayOrientation(kOrientations[index]);
}

}  // namespace

bool PowerMonitor_start() {
    PowerMonitor_stop();
    auto m = std::make_unique<PowerMonitor>();
    try {
        m->thread = std::thread(listen, m.get());
    } catch (const std::system_error&) {
        return false;
    }
    // Listening from start-up on: a power change right after start is not lost.
    std::unique_lock<std::mutex> lk(m->mutex);
    m->settled.wait(lk, [&] { return m->ready; });
    lk.unlock();
    monitor = std::move(m);
    return true;
}

void PowerMonitor_stop() {
    if (!monitor) return;
    {
        std::lock_guard<std::mutex> g(monitor->mutex);
        cancelPowerNotifications(monitor->queue);
    }
    monitor->thread.join();
    monitor.reset();
}

uint32_t keepAlivePeriodMillis() {
    static const struct {
        const char16_t* key;
        const char16_t* value;
    } kTimeouts[] = {
        {u"SYSTEM\\CurrentControlSet\\Control\\Power", u"BattPowerOff"},
        {u"SYSTEM\\CurrentControlSet\\Control\\Power", u"ExtPowerOff"},
        {u"SYSTEM\\CurrentControlSet\\Control\\Power", u"ScreenPowerOff"},
        {u"SYSTEM\\CurrentControlSet\\Control\\Power\\Timeouts", u"BattSuspendTimeout"},
        {u"SYSTEM\\CurrentControlSet\\Control\\Power\\Timeouts", u"ACSuspendTimeout"},
    };
    uint32_t smallest = 0;
    for (const auto& t : kTimeouts) {
        uint32_t seconds;
        if (readRegistryDword(RegistryRoot::LocalMachine, t.key, t.value, &seconds) && seconds &&
            (!smallest || seconds < smallest))
            smallest = seconds;
    }
    uint64_t millis = uint64_t(smallest) * 900;
    return millis == 0 || millis > 5000 ? 5000 : uint32_t(millis);
}

int32_t HAL_setBacklight(bool on) {
    HWND main = HAL_getMainWindow();
    KillTimer(main, 1);
    if (!on) return 1;
    if (!periodKnown) {
        period = keepAlivePeriodMillis();
        periodKnown = true;
    }
    SystemIdleTimerReset();
    SetTimer(main, 1, period, keepAliveTick);
    return 1;
}

void Rotation_init() {
    static const char16_t* const kKeys[4] = {
        u"WinceDisplayOrientation0", u"WinceDisplayOrientation90", u"WinceDisplayOrientation180",
        u"WinceDisplayOrientation270"};
    static const char16_t* const kNames[4] = {u"normal", u"rotate90ccw", u"rotate180",
                                              u"rotate90cw"};
    wanted = 4;
    for (int i = 0; i < 4; ++i) {
        orientationTable[i] = i;
        std::u16string key = kKeys[i];
        jint n = HAL_getSystemPropertyLength(key.data(), jint(key.size()));
        if (n < 0) continue;
        std::u16string value(size_t(n), u'\0');
        jint copied = n;
        if (HAL_getSystemProperty(key.data(), jint(key.size()), value.data(), &copied) != HAL_OK)
            continue;
        value.resize(size_t(copied));
        for (int k = 0; k < 4; ++k)
            if (value == kNames[k]) orientationTable[i] = k;
    }
}

int32_t HAL_getOrientation(jint* code) {
    int index = currentOrientationIndex();
    if (code) *code = index == 4 ? 0 : index + 1;
    return HAL_OK;
}

int32_t HAL_setOrientation(jint code) {
    if (code < 0 || code > 4) return HAL_REFUSED;
    wanted = code == 0 ? 4 : code - 1;
    if (wanted == 4) return HAL_OK;
    return applyOrientation(orientationTable[wanted]) ? HAL_OK : HAL_REFUSED;
}

void Rotation_reapply() {
    if (wanted != 4 && orientationTable[wanted] != currentOrientationIndex())
        applyOrientation(orientationTable[wanted]);
}

int32_t HAL_getDisplayCapabilities(jboolean* isColor, jint* numColors, jint* numAlphaLevels,
                                   jboolean* doubleBuffered) {
    int bits = systemInfo().bitsPerPixel;
    if (isColor) *isColor = true;
    if (numColors) *numColors = bits >= 32 || bits < 0 ? 0 : jint(1u << bits);
    if (numAlphaLevels) *numAlphaLevels = 32;
    if (doubleBuffered) *doubleBuffered = true;
    return HAL_OK;
}
