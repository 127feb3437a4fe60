// The optional device libraries: absent on the desktop, used when present.
#include <cstring>

#include "HAL_devicelibs.h"
#include "bridge_test_support.h"
#include "ce_devicelibs.h"

using namespace ce;
using bridgetest::ev;

namespace {

class DeviceLibraries : public bridgetest::HostTest {
protected:
    void TearDown() override {
        DeviceLibraries_unload();
        HostTest::TearDown();
    }
};

TEST_F(DeviceLibraries, AbsentLibrariesMakeEveryFeatureUnavailable) {
    EXPECT_FALSE(ConnMgr_isConnected());
    EXPECT_FALSE(ConnMgr_connect());
    EXPECT_FALSE(ConnMgr_release());
    EXPECT_FALSE(SamsungSdk_load());
    EXPECT_FALSE(SamsungSdk_hasOpticalMouse());
    EXPECT_FALSE(SamsungSdk_setOpticalMouseMode(1));
    EXPECT_FALSE(SamsungSdk_isWheelKey(VK_UP, 0));
    EXPECT_FALSE(HtcSensorSdk_load());
    HtcSensorSdk_unload();
}

struct Samsung {
    static inline std::vector<uint32_t> modes;
    static uint32_t version() { return 2; }
    static int32_t capabilities(SmiOpticalMouseCapabilities* caps) {
        caps->words[0] = 1;
        return 0;
    }
    static int32_t setMode(const SmiOpticalMouseMode* mode) {
        modes.push_back(mode->mode);
        return 0;
    }
    static BOOL isWheelKey(UINT vk, UINT scan) { return (vk == VK_UP || vk == VK_DOWN) && scan == 0x48; }
};

TEST_F(DeviceLibraries, TheSamsungWheelGivesWheelCodesAndTheOpticalMouseIsSwitchedOn) {
    Samsung::modes.clear();
    fake::installLibrary(u"SamsungMobilesdk_1.dll",
                         {{"SmiGetSdkVersion", reinterpret_cast<void*>(&Samsung::version)},
                          {"SmiOpticalMouseGetCapabilities", reinterpret_cast<void*>(&Samsung::capabilities)},
                          {"SmiOpticalMouseSetMode", reinterpret_cast<void*>(&Samsung::setMode)},
                          {"SmiKeyMsgIsFromWheelKey", reinterpret_cast<void*>(&Samsung::isWheelKey)}});
    writeProperties("app.prop", "MIDlet-Name: Wren Wheel\n");
    size_t modesAtBoot = 99;
    const LPARAM wheelScan = LPARAM(0x48) << 16;
    EXPECT_EQ(run([&] {
                  modesAtBoot = Samsung::modes.size();
                  showCanvas();
                  dispatch(WM_KEYDOWN, VK_UP, 1 | wheelScan);
                  dispatch(WM_KEYDOWN, VK_DOWN, 1 | wheelScan);
                  dispatch(WM_KEYDOWN, VK_UP, 1);       // the d-pad, not the wheel
                  dispatch(WM_KEYDOWN, VK_RETURN, 1 | wheelScan);  // only up and down are asked
                  dispatch(WM_ACTIVATE, WA_ACTIVE, 0);  // back in front: mode 1 again
                  post(WM_USER + 1);
              }),
              0);
    EXPECT_TRUE(hostHasOpticalMouse());
    EXPECT_EQ(modesAtBoot, 1u);
    EXPECT_EQ(Samsung::modes, (std::vector<uint32_t>{1, 1}));
    EXPECT_EQ(eventsAfterShow(), ev({{8, {-24}}, {8, {-25}}, {8, {-1}}, {8, {-5}}, {3, {}}}));
}

struct Cellcore {
    static inline CONNMGR_CONNECTIONINFO seen{};
    static inline std::vector<LONG> released;
    static inline int connection = 0;
    static int32_t establish(CONNMGR_CONNECTIONINFO* info, void** handle, DWORD timeout, DWORD* status) {
        seen = *info;
        *handle = &connection;
        *status = CONNMGR_STATUS_CONNECTED;
        return timeout == 60000 ? 0 : -1;
    }
    static int32_t status(void* handle, DWORD* status) {
        *status = handle == &connection ? DWORD(CONNMGR_STATUS_CONNECTED) : DWORD(0);
        return 0;
    }
    static int32_t release(void* handle, LONG cache) {
        if (handle == &connection) released.push_back(cache);
        return 0;
    }
};

TEST_F(DeviceLibraries, TheConnectionManagerConnectsToTheInternetAndReleasesTheConnection) {
    Cellcore::released.clear();
    fake::installLibrary(u"cellcore.dll",
                         {{"ConnMgrEstablishConnectionSync", reinterpret_cast<void*>(&Cellcore::establish)},
                          {"ConnMgrConnectionStatus", reinterpret_cast<void*>(&Cellcore::status)},
                          {"ConnMgrReleaseConnection", reinterpret_cast<void*>(&Cellcore::release)}});
    EXPECT_FALSE(ConnMgr_isConnected());
    EXPECT_TRUE(ConnMgr_connect());
    EXPECT_TRUE(ConnMgr_isConnected());
    const CONNMGR_CONNECTIONINFO& info = Cellcore::seen;
    EXPECT_EQ(info.cbSize, sizeof(CONNMGR_CONNECTIONINFO));
    EXPECT_EQ(info.dwParams, CONNMGR_PARAM_GUIDDESTNET);
    EXPECT_EQ(info.dwFlags, 15u);
    EXPECT_EQ(info.dwPriority, 0x8000u);
    EXPECT_FALSE(info.bExclusive);
    EXPECT_EQ(std::memcmp(&info.guidDestNet, &IID_DestNetInternet, sizeof(GUID)), 0);
    EXPECT_TRUE(ConnMgr_release());
    EXPECT_EQ(Cellcore::released, std::vector<LONG>{1});
    EXPECT_FALSE(ConnMgr_isConnected());
    EXPECT_TRUE(ConnMgr_release());  // nothing more to release
    EXPECT_EQ(Cellcore::released.size(), 1u);
}

TEST_F(DeviceLibraries, AConnectionManagerMissingAFunctionIsUnavailable) {
    fake::installLibrary(u"cellcore.dll",
                         {{"ConnMgrEstablishConnectionSync", reinterpret_cast<void*>(&Cellcore::establish)},
                          {"ConnMgrConnectionStatus", reinterpret_cast<void*>(&Cellcore::status)}});
    EXPECT_FALSE(ConnMgr_connect());
    EXPECT_FALSE(ConnMgr_release());
}

struct Htc {
    static inline std::vector<std::string> calls;
    static inline int sensor = 0;
    static void* open(DWORD id) {
        calls.push_back("open " + std::to_string(id));
        return &sensor;
    }
    static void close(void* s) { calls.push_back(s == &sensor ? "close" : "close other"); }
    static DWORD read(void*, void*) { return 0; }
};

TEST_F(DeviceLibraries, TheHtcSensorOpensSensorOneAndClosesAtCleanup) {
    Htc::calls.clear();
    fake::installLibrary(u"HTCSensorSDK.dll",
                         {{"HTCSensorOpen", reinterpret_cast<void*>(&Htc::open)},
                          {"HTCSensorClose", reinterpret_cast<void*>(&Htc::close)},
                          {"HTCSensorGetDataOutput", reinterpret_cast<void*>(&Htc::read)}});
    writeProperties("app.prop", "MIDlet-Name: Wren Sensor\n");
    std::vector<std::string> atBoot;
    EXPECT_EQ(run([&] {
                  atBoot = Htc::calls;
                  post(WM_USER + 1);
              }),
              0);
    EXPECT_EQ(atBoot, std::vector<std::string>{"open 1"});
    EXPECT_EQ(Htc::calls, (std::vector<std::string>{"open 1", "close"}));
}

}  // namespace
