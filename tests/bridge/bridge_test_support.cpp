#include "bridge_test_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <ostream>

#include "HAL_properties.h"
#include "HAL_threads.h"
#include "VMClock.h"
#include "program_folder.h"

namespace {

// Every bridge test runs headless, whatever the environment says; set before
// main so that even the first window finds it.
const bool headless = (wrentest::forceHeadless(), true);

}  // namespace

namespace bridgetest {

Recorded HostTest::recorded;
int HostTest::bootResult = 0;
std::function<void()> HostTest::onBoot;
std::function<void(const Event&)> HostTest::onPost;
uint32_t HostTest::now = 0;
std::vector<NativeCanvas*> HostTest::canvases;

std::ostream& operator<<(std::ostream& out, const Event& e) {
    out << "{" << e.kind;
    for (intptr_t a : e.args) out << ", " << a;
    return out << "}";
}

std::vector<Event> ev(std::initializer_list<Event> list) { return list; }

void HostTest::SetUp() {
    (void)headless;
    ce::fake::reset();
    folder_ = wrentest::makeProgramFolder("/tmp/wren-bridge-XXXXXX");
    ASSERT_FALSE(folder_.empty());
    setenv("WREN_MODULE_DIR", folder_.c_str(), 1);
    recorded = Recorded{};
    bootResult = 0;
    onBoot = nullptr;
    onPost = nullptr;
    now = 1000;
    vmSetTickSource([] { return now; });
    PropertyFile_freeAll();
}

void HostTest::TearDown() {
    for (NativeCanvas* c : canvases) HAL_deleteCanvas(c);
    canvases.clear();
    vmSetTickSource(nullptr);
    ce::fake::reset();
    PropertyFile_freeAll();
    unsetenv("WREN_MODULE_DIR");
    wrentest::removeFolder(folder_);
}

void HostTest::writeProperties(const std::string& name, const std::string& text) {
    std::ofstream(folder_ + "/properties/" + name, std::ios::binary) << text;
}

HAL_Callbacks HostTest::stubHooks() {
    HAL_Callbacks table{};
    table.create = [](uint64_t first, uint64_t second, NativeThread* thread, const char* boot,
                      intptr_t) {
        ++recorded.creates;
        recorded.firstFigure = first;
        recorded.secondFigure = second;
        recorded.bootThread = thread;
        recorded.bootClass = boot ? boot : "";
        recorded.windowExisted = ce::IsWindow(HAL_getMainWindow());
        recorded.powerQueuesAtBoot = ce::fake::openPowerQueues();
        if (onBoot) onBoot();
        return bootResult;
    };
    table.post = [](jint kind, jint argc, const intptr_t* args) {
        Event e{kind, std::vector<intptr_t>(args, args + argc)};
        recorded.events.push_back(e);
        if (onPost) onPost(e);
        return 0;
    };
    table.collect = [] { ++recorded.collects; };
    table.shutdown = [] { ++recorded.shutdowns; };
    return table;
}

int HostTest::run(std::function<void()> boot) {
    onBoot = std::move(boot);
    HAL_Callbacks table = stubHooks();
    HAL_registerCallbacks(&table);
    return runHost(ce::moduleInstance(), ce::SW_SHOW);
}

NativeCanvas* HostTest::showCanvas(intptr_t id) {
    NativeCanvas* canvas = nullptr;
    HAL_createCanvas(&canvas, id);
    canvases.push_back(canvas);
    HAL_setCurrent(canvas);
    return canvas;
}

void HostTest::dispatch(ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    ce::MSG m{};
    m.hwnd = HAL_getMainWindow();
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    hostDispatchMessage(m);
}

void HostTest::post(ce::UINT message, ce::WPARAM wParam, ce::LPARAM lParam) {
    ASSERT_TRUE(ce::PostMessageW(HAL_getMainWindow(), message, wParam, lParam));
}

std::vector<Event> HostTest::eventsAfterShow() const {
    std::vector<Event> after;
    bool shown = false;
    for (const Event& e : recorded.events) {
        if (shown) after.push_back(e);
        if (e.kind == 5) shown = true;
    }
    return after;
}

}  // namespace bridgetest
