#include "widgets_test_support.h"

#include <map>

#include "Pack.h"
#include "Png.h"
#include "java_lang_Thread.h"
#include "widgets_fixture.h"
#include "runtime/wren_test_Task.h"
#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"
#include "game_clock.h"

WREN_DEFINE_CLASS(wrentest::widgets::WidgetMIDlet, "wrentest.widgets.WidgetMIDlet")
WREN_DEFINE_CLASS(wrentest::widgets::WidgetCanvas, "wrentest.widgets.WidgetCanvas")
WREN_DEFINE_CLASS(wrentest::widgets::WidgetScene, "wrentest.widgets.WidgetScene")

namespace wrentest::widgets {

using wren::WrenCanvas;
using wren::input::PointerInputEventManager;
using wren::input::PointerInputKeyManager;

void resetTouchInput() {
    PointerInputKeyManager::removeRegions(0);
    PointerInputKeyManager::Statics& keys = PointerInputKeyManager::S();
    keys.keyStates = nullptr;
    keys.keyStateIndex = nullptr;
    keys.keyStateCount = 0;
    keys.originX = keys.originY = 0;
    PointerInputEventManager::setEnabled(false);
    PointerInputEventManager::reset();
    PointerInputEventManager::setInputIgnored(false);
    PointerInputEventManager::setDeliverySuspended(false);
    PointerInputEventManager::Statics& events = PointerInputEventManager::S();
    events.areaX = events.areaY = events.areaWidth = events.areaHeight = 0;
    events.requestedWidth = events.requestedHeight = 0;
    events.originX = events.originY = 0;
    events.pointerDown = nullptr;
}

void WidgetTest::SetUp() {
    resetTouchInput();
    midlet = WidgetMIDlet::make();
    canvas = WidgetCanvas::make(midlet);
    // The canvas is never shown: its game thread waits for that, and ends
    // when told the application is exiting. The tests run its frames.
    VMPtr<java::lang::Thread> gameThread = WrenCanvas::S().gameThread;
    WrenCanvas::S().appState = WrenCanvas::APP_EXITING;
    wren::test::join(gameThread);
    WrenCanvas::S().instance = canvas.get();
    WrenCanvas::S().appState = WrenCanvas::APP_RUNNING;
    canvas->updateScreenSize();
    canvas->initTouchInput();
}

void WidgetTest::TearDown() { resetTouchInput(); }

std::vector<std::string> WidgetTest::keyCalls() {
    std::vector<std::string> calls = canvas->keyCalls;
    canvas->keyCalls.clear();
    return calls;
}

void PanelTest::SetUp() {
    WidgetTest::SetUp();
    installWidgetPacks();
    // What an earlier main object cached (its glyph-set ids) would keep the
    // new one from loading its fonts.
    main::Main::cleanUp();
    mainObject = main::Main::make(canvas);
    mainObject->loadLanguage(0x5000);
    scene = WidgetScene::make();
    scene->loadAll();
    pointer = ui::Pointer::make();
}

void PanelTest::show(const VMPtr<ui::Addon>& panel) {
    panel->setPostUpdate(true);
    scene->addObject(panel);
    scene->sortDrawOrder();
}

void PanelTest::frame() {
    advanceGameClock(canvas->getFrameTime());
    canvas->updateKeys();
    scene->update();
    pointer->update();
}

VMPtr<javax::microedition::lcdui::Image> PanelTest::paint() {
    VMPtr<javax::microedition::lcdui::Image> img =
        javax::microedition::lcdui::Image::createImage(240, 320, false, jint(0xFFFFFFFF));
    scene->paint(img->getGraphics());
    return img;
}

uint32_t PanelTest::pixel(const VMPtr<javax::microedition::lcdui::Image>& img, jint x, jint y) {
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(1);
    img->getRGB(out, 0, 1, x, y, 1, 1);
    return uint32_t(out[0]);
}

void PanelTest::writePng(const VMPtr<javax::microedition::lcdui::Image>& img,
                         const std::string& path) {
    jint w = img->getWidth(), h = img->getHeight();
    VMPtr<VMArray<jint>> argb = VMArray<jint>::create(w * h);
    img->getRGB(argb, 0, w, 0, 0, w, h);
    rpack::IndexedImage out;
    out.width = w;
    out.height = h;
    std::map<uint32_t, uint8_t> index;
    for (jint i = 0; i < w * h; ++i) {
        uint32_t p = uint32_t(argb[i]);
        auto found = index.find(p);
        if (found == index.end()) {
            if (index.size() == 256) {
                out.pixels.push_back(0);
                continue;
            }
            found = index.emplace(p, uint8_t(index.size())).first;
            out.palette.push_back({uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
        }
        out.pixels.push_back(found->second);
    }
    rpack::writeFiles(std::filesystem::path(path).parent_path(),
                      {{std::filesystem::path(path).filename().string(), rpack::encodePng(out)}});
}

}  // namespace wrentest::widgets
