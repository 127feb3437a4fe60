// The device services the host uses beside windows and messages, as small
// plain interfaces: the single-instance lock, the registry, system
// information, memory figures, power notifications, display rotation, the
// idle timer, opening a URL, and the optional device libraries. Each has a
// Linux default; tests set their own values through ce::fake.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ce_win32.h"

namespace ce {

// --- single instance ------------------------------------------------------------

// The program's single-instance lock for `name` in the program's `folder`,
// held until released or until the process ends, however it ends; nothing is
// written into the folder. Null when another holder has it (`alreadyRunning`
// set) or when it can't be made (`alreadyRunning` clear, errno says why).
struct InstanceLock;
InstanceLock* acquireInstanceLock(const std::string& folder, const std::u16string& name,
                                  bool* alreadyRunning);
void releaseInstanceLock(InstanceLock* lock);

// --- registry -------------------------------------------------------------------

enum class RegistryRoot { LocalMachine, CurrentUser };
// Keys compare without regard to ASCII case, as the platform's do.
bool readRegistryDword(RegistryRoot root, const std::u16string& key, const std::u16string& value,
                       uint32_t* out);
bool readRegistryString(RegistryRoot root, const std::u16string& key, const std::u16string& value,
                        std::u16string* out);
// A window message for every change of the value. Nothing on the desktop
// changes the phone's state values, so none is ever sent; the handle only
// has to be closed.
struct RegistryNotification;
RegistryNotification* registryNotifyWindow(RegistryRoot root, const std::u16string& key,
                                           const std::u16string& value, HWND window, UINT message,
                                           uint32_t userData);
void registryCloseNotification(RegistryNotification* notification);

// --- system information ---------------------------------------------------------

struct SystemInfo {
    std::u16string manufacturer;  // the platform manufacturer text
    std::u16string oemInfo;       // the device model text
    std::u16string platformType;  // "PocketPC", "SmartPhone"
    uint32_t osMajor = 0;
    uint32_t osMinor = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    int32_t bitsPerPixel = 0;
    // A POSIX locale name ("it_IT.UTF-8"); empty when it cannot be read.
    std::string locale;
};
SystemInfo systemInfo();
// The device's unique id for `appData`: up to *length bytes (20 on entry)
// into `out`, *length set to the count. False when the device has none.
bool deviceUniqueId(const uint8_t* appData, uint32_t appDataLength, uint32_t version, uint8_t* out,
                    uint32_t* length);

struct MemoryStatus {
    uint64_t availPhys = 0;
    uint64_t availVirtual = 0;
};
MemoryStatus globalMemoryStatus();

// --- power notifications --------------------------------------------------------

// A queue that receives every power change from its opening on. Null when
// the device gives no notifications.
struct PowerQueue;
PowerQueue* openPowerNotifications();
// Blocks for the next change; false once the queue is cancelled.
bool waitPowerNotification(PowerQueue* queue, bool* powerOn);
// Wakes the waiter for good (any thread).
void cancelPowerNotifications(PowerQueue* queue);
void closePowerNotifications(PowerQueue* queue);
// The device powers down or up: every open queue gets the change. Returns
// once each listener has taken it and come back for the next one, so what
// the listeners did with it (posted a message) is done.
void broadcastPowerChange(bool powerOn);

// --- display rotation -----------------------------------------------------------

enum : int { DMDO_0 = 0, DMDO_90 = 1, DMDO_180 = 2, DMDO_270 = 4 };
int displayOrientation();
// False when the display refuses the change. A quarter turn swaps the
// screen's width and height and resizes the windows to the new screen.
bool setDisplayOrientation(int orientation);

// --- idle timer -----------------------------------------------------------------

// Keeps the device from dimming and suspending for another time-out.
void SystemIdleTimerReset();

// --- platform requests ----------------------------------------------------------

// Opens the URL in the desktop's browser (xdg-open). A headless run
// (WREN_SCRIPT set, or SDL's dummy video driver) logs it instead.
void openUrl(const std::u16string& url);

// --- device libraries -----------------------------------------------------------

// None of the device's optional libraries exist on the desktop: loading
// finds only what a test installed.
struct Library;
Library* loadLibrary(const std::u16string& name);
void* getProcAddress(Library* library, const char* name);
void freeLibrary(Library* library);

namespace fake {

// Every fake back to its default, every window class forgotten, the queue
// emptied. No window may be alive.
void reset();
void setSystemInfo(const SystemInfo& info);
void setRegistryDword(RegistryRoot root, const std::u16string& key, const std::u16string& value,
                      uint32_t data);
void setRegistryString(RegistryRoot root, const std::u16string& key, const std::u16string& value,
                       const std::u16string& data);
void clearRegistry();
int openRegistryNotifications();
void setUniqueId(bool available, const std::vector<uint8_t>& bytes);
void setMemoryStatus(const MemoryStatus& status);
void refusePowerNotifications(bool refuse);
int openPowerQueues();
void refuseRotation(bool refuse);
// The user turned the device: the orientation changes without a request.
void rotateDevice(int orientation);
uint32_t idleTimerResets();
std::vector<std::u16string> openedUrls();
void installLibrary(const std::u16string& name, const std::map<std::string, void*>& functions);
void failWindowCreation(bool fail);
// The single-instance lock can't be made (as when the process is out of
// file descriptors).
void refuseInstanceLock(bool refuse);

}  // namespace fake

}  // namespace ce
