// The optional device libraries: the Connection Manager (data connection
// before HTTP), the Samsung SDK (optical mouse, wheel keys) and the HTC
// sensor SDK. Each is loaded by name when the device has it; without it the
// feature is simply absent and nothing fails.
#pragma once

#include <cstdint>

void ConnMgr_load();
bool ConnMgr_isConnected();
// Brings up the data connection, waiting up to 60 s with the VM lock given up.
bool ConnMgr_connect();
// Releases the connection; false when the library is missing.
bool ConnMgr_release();

bool SamsungSdk_load();
bool SamsungSdk_hasOpticalMouse();
bool SamsungSdk_setOpticalMouseMode(int mode);
bool SamsungSdk_isWheelKey(uint32_t virtualKey, uint32_t scanCode);

// Opens sensor 1 when all three functions are there.
bool HtcSensorSdk_load();
void HtcSensorSdk_unload();

// Frees every loaded library and forgets what was tried, at host cleanup.
void DeviceLibraries_unload();
