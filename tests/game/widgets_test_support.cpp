#include "widgets_test_support.h"

#include "game_test_support.h"
#include "java_lang_Thread.h"
#include "widgets_fixture.h"
#include "game_clock.h"

WREN_DEFINE_CLASS(wrentest::widgets::WidgetCanvas, "wrentest.widgets.WidgetCanvas")
WREN_DEFINE_CLASS(wrentest::widgets::WidgetScene, "wrentest.widgets.WidgetScene")

namespace wrentest::widgets {

void WidgetTest::SetUp() {
    resetTouchInput();
    midlet = IdleMIDlet::make();
    canvas = WidgetCanvas::make(midlet);
    // The canvas is never shown: its game thread waits for that, and ends
    // when told the application is exiting. The tests run its frames.
    stopGameThreadAndInstall(canvas.get());
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
    return pixelAt(img, x, y);
}

void PanelTest::writePng(const VMPtr<javax::microedition::lcdui::Image>& img,
                         const std::string& path) {
    writeImagePng(img, path);
}

}  // namespace wrentest::widgets
