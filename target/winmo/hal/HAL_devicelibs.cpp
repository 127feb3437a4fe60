#include "HAL_devicelibs.h"

#include <mutex>

#include "HAL_host.h"
#include "HAL_threads.h"
#include "ce_devicelibs.h"
#include "ce_system.h"

using namespace ce;

namespace {

template <class F>
F lookUp(Library* library, const char* name) {
    return reinterpret_cast<F>(getProcAddress(library, name));
}

struct ConnMgr {
    bool tried = false;
    bool available = false;
    Library* library = nullptr;
    ConnMgrConnectionStatusFn status = nullptr;
    ConnMgrReleaseConnectionFn release = nullptr;
    ConnMgrEstablishConnectionSyncFn establish = nullptr;
    void* connection = nullptr;
} connMgr;

struct SamsungSdk {
    bool tried = false;
    bool available = false;
    Library* library = nullptr;
    SmiGetSdkVersionFn version = nullptr;
    SmiOpticalMouseGetCapabilitiesFn capabilities = nullptr;
    SmiOpticalMouseSetModeFn setMode = nullptr;
    SmiKeyMsgIsFromWheelKeyFn isWheelKey = nullptr;
    SmiOpticalMouseMode mode{sizeof(SmiOpticalMouseMode), 0};
} samsung;

struct HtcSensor {
    Library* library = nullptr;
    HTCSensorOpenFn open = nullptr;
    HTCSensorCloseFn close = nullptr;
    HTCSensorGetDataOutputFn read = nullptr;
    void* sensor = nullptr;
    std::mutex* section = nullptr;  // guards the sensor while it is open
} htc;

}  // namespace

void ConnMgr_load() {
    if (connMgr.tried) return;
    connMgr.tried = true;
    connMgr.library = loadLibrary(u"cellcore.dll");
    if (!connMgr.library) return;
    connMgr.status = lookUp<ConnMgrConnectionStatusFn>(connMgr.library, "ConnMgrConnectionStatus");
    connMgr.release = lookUp<ConnMgrReleaseConnectionFn>(connMgr.library, "ConnMgrReleaseConnection");
    connMgr.establish =
        lookUp<ConnMgrEstablishConnectionSyncFn>(connMgr.library, "ConnMgrEstablishConnectionSync");
    connMgr.available = connMgr.status && connMgr.release && connMgr.establish;
}

bool ConnMgr_isConnected() {
    ConnMgr_load();
    if (!connMgr.available) return false;
    DWORD status = 0;
    if (connMgr.status(connMgr.connection, &status) != 0) return false;
    return status == CONNMGR_STATUS_CONNECTED;
}

bool ConnMgr_connect() {
    ConnMgr_load();
    if (!connMgr.available) return false;
    CONNMGR_CONNECTIONINFO info{};
    info.cbSize = sizeof info;
    info.dwParams = CONNMGR_PARAM_GUIDDESTNET;
    info.dwFlags = CONNMGR_FLAG_PROXY_HTTP | CONNMGR_FLAG_PROXY_WAP | CONNMGR_FLAG_PROXY_SOCKS4 |
                   CONNMGR_FLAG_PROXY_SOCKS5;
    info.dwPriority = CONNMGR_PRIORITY_USERINTERACTIVE;
    info.bExclusive = FALSE;
    info.bDisabled = FALSE;
    info.guidDestNet = IID_DestNetInternet;
    DWORD status = 0;
    int depth = HAL_releaseVMLockFully();
    int32_t result = connMgr.establish(&info, &connMgr.connection, 60000, &status);
    if (depth > 0) {
        HAL_reacquireVMLock(depth);
        HAL_callbacks().enter();
    }
    return result == 0;
}

bool ConnMgr_release() {
    if (!connMgr.available) return false;
    if (connMgr.connection) {
        connMgr.release(connMgr.connection, 1);
        connMgr.connection = nullptr;
    }
    return true;
}

bool SamsungSdk_load() {
    if (samsung.tried) return samsung.available;
    samsung.tried = true;
    samsung.library = loadLibrary(u"SamsungMobilesdk_1.dll");
    if (!samsung.library) return false;
    samsung.version = lookUp<SmiGetSdkVersionFn>(samsung.library, "SmiGetSdkVersion");
    samsung.capabilities =
        lookUp<SmiOpticalMouseGetCapabilitiesFn>(samsung.library, "SmiOpticalMouseGetCapabilities");
    samsung.setMode = lookUp<SmiOpticalMouseSetModeFn>(samsung.library, "SmiOpticalMouseSetMode");
    samsung.isWheelKey = lookUp<SmiKeyMsgIsFromWheelKeyFn>(samsung.library, "SmiKeyMsgIsFromWheelKey");
    samsung.available = samsung.version && samsung.version() != 0;
    return samsung.available;
}

bool SamsungSdk_hasOpticalMouse() {
    if (!samsung.available || !samsung.capabilities || !samsung.setMode) return false;
    SmiOpticalMouseCapabilities caps{};
    return samsung.capabilities(&caps) == 0 && caps.words[0] != 0;
}

bool SamsungSdk_setOpticalMouseMode(int mode) {
    if (!samsung.available || !samsung.setMode) return false;
    samsung.mode.mode = uint32_t(mode);
    return samsung.setMode(&samsung.mode) == 0;
}

bool SamsungSdk_isWheelKey(uint32_t virtualKey, uint32_t scanCode) {
    return samsung.available && samsung.isWheelKey && samsung.isWheelKey(virtualKey, scanCode) != 0;
}

bool HtcSensorSdk_load() {
    if (htc.library) return htc.sensor != nullptr;
    htc.library = loadLibrary(u"HTCSensorSDK.dll");
    if (!htc.library) return false;
    htc.open = lookUp<HTCSensorOpenFn>(htc.library, "HTCSensorOpen");
    htc.close = lookUp<HTCSensorCloseFn>(htc.library, "HTCSensorClose");
    htc.read = lookUp<HTCSensorGetDataOutputFn>(htc.library, "HTCSensorGetDataOutput");
    if (!htc.open || !htc.close || !htc.read) return false;
    htc.sensor = htc.open(1);
    htc.section = new std::mutex();
    return true;
}

void HtcSensorSdk_unload() {
    if (htc.sensor && htc.close) htc.close(htc.sensor);
    htc.sensor = nullptr;
    delete htc.section;
    htc.section = nullptr;
}

void DeviceLibraries_unload() {
    ConnMgr_release();
    HtcSensorSdk_unload();
    freeLibrary(connMgr.library);
    connMgr = ConnMgr{};
    freeLibrary(samsung.library);
    samsung = SamsungSdk{};
    freeLibrary(htc.library);
    htc = HtcSensor{};
}
