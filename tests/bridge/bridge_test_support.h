// The host's tests drive it with a stub hook table that records what
// reaches the runtime, on a fresh stand-in and a temporary program folder.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "HAL_host.h"
#include "HAL_window.h"
#include "ce_system.h"
#include "ce_window.h"

namespace bridgetest {

struct Event {
    jint kind;
    std::vector<intptr_t> args;
    bool operator==(const Event&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Event& e);
std::vector<Event> ev(std::initializer_list<Event> list);

struct Recorded {
    std::vector<Event> events;
    int creates = 0;
    int collects = 0;
    int shutdowns = 0;
    uint64_t firstFigure = 0;
    uint64_t secondFigure = 0;
    std::string bootClass;
    NativeThread* bootThread = nullptr;
    // What the create hook saw of the host when it was called.
    bool windowExisted = false;
    int powerQueuesAtBoot = 0;
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes properties/<name> in the program folder.
    void writeProperties(const std::string& name, const std::string& text);
    // The stub table: every hook records. `bootResult` is what create returns.
    HAL_Callbacks stubHooks();
    // runHost with the stub table; `onBoot` runs inside the create hook, with
    // the window made and the VM lock held, where the application manager
    // would run.
    int run(std::function<void()> onBoot);
    // What the application manager does first: a canvas, made current.
    NativeCanvas* showCanvas(intptr_t id = 7);
    // One message through the loop's own dispatch (key translation included).
    void dispatch(ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam);
    void post(ce::UINT message, ce::WPARAM wParam = 0, ce::LPARAM lParam = 0);
    // The events after the display event that showing a canvas posts.
    std::vector<Event> eventsAfterShow() const;

    std::string folder_;
    static Recorded recorded;
    static int bootResult;
    static std::function<void()> onBoot;
    static std::function<void(const Event&)> onPost;
    static uint32_t now;  // the tick count the host reads
    static std::vector<NativeCanvas*> canvases;  // deleted when the test ends
};

}  // namespace bridgetest
