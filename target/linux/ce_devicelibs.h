// The functions the host looks up in the optional device libraries, with the
// records it passes them. Our own declarations of what the host relies on;
// the libraries themselves never exist on the desktop.
#pragma once

#include <cstdint>

#include "ce_win32.h"

namespace ce {

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

// Connection Manager ("cellcore.dll").
struct CONNMGR_CONNECTIONINFO {
    DWORD cbSize;
    DWORD dwParams;
    DWORD dwFlags;
    DWORD dwPriority;
    BOOL bExclusive;
    BOOL bDisabled;
    GUID guidDestNet;
    HWND hWnd;
    UINT uMsg;
    LPARAM lParam;
    uint32_t ulMaxCost;
    uint32_t ulMinRcvBw;
    uint32_t ulMaxConnLatency;
};
enum : DWORD {
    CONNMGR_PARAM_GUIDDESTNET = 0x1,
    CONNMGR_FLAG_PROXY_HTTP = 0x1,
    CONNMGR_FLAG_PROXY_WAP = 0x2,
    CONNMGR_FLAG_PROXY_SOCKS4 = 0x4,
    CONNMGR_FLAG_PROXY_SOCKS5 = 0x8,
    CONNMGR_PRIORITY_USERINTERACTIVE = 0x8000,
    CONNMGR_STATUS_CONNECTED = 0x10,
};
// {436EF144-B4FB-4863-A041-8F905A62C572}
constexpr GUID IID_DestNetInternet = {0x436EF144, 0xB4FB, 0x4863,
                                      {0xA0, 0x41, 0x8F, 0x90, 0x5A, 0x62, 0xC5, 0x72}};
using ConnMgrEstablishConnectionSyncFn = int32_t (*)(CONNMGR_CONNECTIONINFO* info,
                                                     void** connection, DWORD timeoutMillis,
                                                     DWORD* status);
using ConnMgrConnectionStatusFn = int32_t (*)(void* connection, DWORD* status);
using ConnMgrReleaseConnectionFn = int32_t (*)(void* connection, LONG cache);

// Samsung SDK ("SamsungMobilesdk_1.dll").
struct SmiOpticalMouseCapabilities {
    uint32_t words[4];
};
struct SmiOpticalMouseMode {
    uint32_t size;
    uint32_t mode;
};
using SmiGetSdkVersionFn = uint32_t (*)();
using SmiOpticalMouseGetCapabilitiesFn = int32_t (*)(SmiOpticalMouseCapabilities* capabilities);
using SmiOpticalMouseSetModeFn = int32_t (*)(const SmiOpticalMouseMode* mode);
using SmiKeyMsgIsFromWheelKeyFn = BOOL (*)(UINT virtualKey, UINT scanCode);

// HTC sensor SDK ("HTCSensorSDK.dll").
using HTCSensorOpenFn = void* (*)(DWORD sensor);
using HTCSensorCloseFn = void (*)(void* sensor);
using HTCSensorGetDataOutputFn = DWORD (*)(void* sensor, void* data);

}  // namespace ce
