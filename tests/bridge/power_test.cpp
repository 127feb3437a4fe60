// The backlight keep-alive, display rotation and the display's capabilities.
#include "HAL_power.h"
#include "HAL_status.h"
#include "bridge_test_support.h"

using namespace ce;
using bridgetest::ev;

namespace {

class Power : public bridgetest::HostTest {};

TEST_F(Power, TheKeepAlivePeriodIsNinetyPercentOfTheShortestTimeoutCappedAt5000) {
    const std::u16string kPower = u"SYSTEM\\CurrentControlSet\\Control\\Power";
    const std::u16string kTimeouts = kPower + u"\\Timeouts";
    struct Case {
        std::vector<std::tuple<std::u16string, std::u16string, uint32_t>> values;
        uint32_t period;
    };
    const Case cases[] = {
        {{}, 5000},
        {{{kPower, u"ScreenPowerOff", 30}, {kTimeouts, u"BattSuspendTimeout", 180}}, 5000},
        {{{kPower, u"ExtPowerOff", 4}, {kTimeouts, u"ACSuspendTimeout", 60}}, 3600},
        {{{kPower, u"BattPowerOff", 0}, {kTimeouts, u"ACSuspendTimeout", 5}}, 4500},
        {{{kPower, u"BattPowerOff", 0}}, 5000},
        {{{kPower, u"Unrelated", 1}}, 5000},
    };
    for (const Case& c : cases) {
        fake::clearRegistry();
        for (const auto& [key, name, seconds] : c.values)
            fake::setRegistryDword(RegistryRoot::LocalMachine, key, name, seconds);
        EXPECT_EQ(keepAlivePeriodMillis(), c.period);
    }
}

TEST_F(Power, SwitchingTheBacklightOnResetsTheIdleTimerAtOnce) {
    writeProperties("app.prop", "MIDlet-Name: Wren Backlight\n");
    uint32_t before = fake::idleTimerResets();
    uint32_t afterOn = 0;
    EXPECT_EQ(run([&] {
                  EXPECT_EQ(HAL_setBacklight(true), 1);
                  afterOn = fake::idleTimerResets();
                  post(WM_USER + 1);
              }),
              0);
    EXPECT_EQ(afterOn, before + 1);
}

TEST_F(Power, OrientationCodesGoThroughTheTableFromTheProperties) {
    writeProperties("app.prop", "MIDlet-Name: Wren Rotation\n");
    writeProperties("sys.prop", "WinceDisplayOrientation90: rotate90cw\n"
                                "WinceDisplayOrientation180: sideways\n");
    EXPECT_EQ(run([&] {
                  jint code = -1;
                  EXPECT_EQ(HAL_getOrientation(&code), 0);
                  EXPECT_EQ(code, 1);  // index 0 at 0°
                  // Code 2 asks for index 1, which the table puts at 270°.
                  EXPECT_EQ(HAL_setOrientation(2), 0);
                  EXPECT_EQ(displayOrientation(), DMDO_270);
                  EXPECT_EQ(HAL_getOrientation(&code), 0);
                  EXPECT_EQ(code, 4);
                  // A value the table does not know keeps the rotation's own index.
                  EXPECT_EQ(HAL_setOrientation(3), 0);
                  EXPECT_EQ(displayOrientation(), DMDO_180);
                  EXPECT_EQ(HAL_setOrientation(7), HAL_REFUSED);
                  EXPECT_EQ(HAL_setOrientation(-1), HAL_REFUSED);
                  EXPECT_EQ(displayOrientation(), DMDO_180);
                  // Code 0 changes nothing.
                  EXPECT_EQ(HAL_setOrientation(0), 0);
                  EXPECT_EQ(displayOrientation(), DMDO_180);
                  // A display that refuses.
                  fake::refuseRotation(true);
                  EXPECT_EQ(HAL_setOrientation(1), HAL_REFUSED);
                  EXPECT_EQ(displayOrientation(), DMDO_180);
                  post(WM_USER + 1);
              }),
              0);
}

TEST_F(Power, AResizeReappliesTheWantedOrientationAfterTheDeviceTurned) {
    writeProperties("app.prop", "MIDlet-Name: Wren Reapply\n");
    writeProperties("sys.prop", "WinceDisplayOrientation90: rotate90cw\n");
    int sizes = 0;
    onPost = [&](const bridgetest::Event& e) {
        if (e.kind != 6) return;
        // First the turn the program asked for; then the user turns the
        // device upright, and the host turns it back.
        if (++sizes == 1) fake::rotateDevice(DMDO_0);
        else PostMessageW(HAL_getMainWindow(), WM_USER + 1, 0, 0);
    };
    EXPECT_EQ(run([&] {
                  showCanvas(3);
                  EXPECT_EQ(HAL_setOrientation(2), 0);
              }),
              0);
    EXPECT_EQ(eventsAfterShow(), ev({{6, {3, 320, 240}}, {6, {3, 240, 320}}, {3, {}}}));
    EXPECT_EQ(displayOrientation(), DMDO_270);
}

TEST_F(Power, WithNoWantedOrientationAResizeReappliesNothing) {
    writeProperties("app.prop", "MIDlet-Name: Wren Forget\n");
    onPost = [&](const bridgetest::Event& e) {
        if (e.kind == 6) PostMessageW(HAL_getMainWindow(), WM_USER + 1, 0, 0);
    };
    EXPECT_EQ(run([&] {
                  showCanvas(3);
                  EXPECT_EQ(HAL_setOrientation(0), 0);
                  fake::rotateDevice(DMDO_90);
              }),
              0);
    EXPECT_EQ(displayOrientation(), DMDO_90);
    EXPECT_EQ(eventsAfterShow(), ev({{6, {3, 320, 240}}, {3, {}}}));
}

TEST_F(Power, TheRotationMessageSetsTheDisplayOrientation) {
    writeProperties("app.prop", "MIDlet-Name: Wren Message\n");
    EXPECT_EQ(run([&] {
                  showCanvas();
                  dispatch(WM_USER + 4, DMDO_180, 0);
                  post(WM_USER + 1);
              }),
              0);
    EXPECT_EQ(displayOrientation(), DMDO_180);
}

TEST(DisplayCapabilities, AreColourSixteenBitsThirtyTwoAlphaLevelsDoubleBuffered) {
    jboolean color = false;
    jint colors = 0;
    jint alpha = 0;
    jboolean doubled = false;
    EXPECT_EQ(HAL_getDisplayCapabilities(&color, &colors, &alpha, &doubled), 0);
    EXPECT_TRUE(color);
    EXPECT_EQ(colors, 65536);
    EXPECT_EQ(alpha, 32);
    EXPECT_TRUE(doubled);
    EXPECT_EQ(HAL_getDisplayCapabilities(nullptr, nullptr, nullptr, nullptr), 0);
}

}  // namespace
