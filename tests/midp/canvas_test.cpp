// Canvas and GameCanvas over the host's native canvas: key codes, game
// actions and names, the key filter of a GameCanvas that suppresses key
// events, its shared Graphics and key states; and WrenMarl's orientation.
#include <atomic>

#include "HAL_host.h"
#include "HAL_repaint.h"
#include "HAL_surface.h"
#include "HAL_window.h"
#include "ce_window.h"
#include "java_lang_Runtime.h"
#include "javax_microedition_lcdui_Display.h"
#include "midp_test_support.h"
#include "runtime/runtime_test_support.h"
#include "runtime/wren_test_Task.h"
#include "wren_platform_marl_WrenMarl.h"

using javax::microedition::lcdui::Canvas;
using javax::microedition::lcdui::Display;
using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::game::GameCanvas;
using midptest::log;
using midptest::post;
using wren::platform::marl::WrenMarl;
using wren::test::Task;
using wrentest::text;
using wrentest::thrownName;
using wrentest::midp::ProbeCanvas;
using wrentest::midp::ProbeGameCanvas;
using Lines = std::vector<std::string>;

namespace {

class CanvasTest : public midptest::MidpTest {
protected:
    void TearDown() override { HAL_setWindowDisplayObject(nullptr); }
    void key(ce::UINT message, ce::WPARAM virtualKey) {
        ce::MSG m{};
        m.hwnd = HAL_getMainWindow();
        m.message = message;
        m.wParam = virtualKey;
        m.lParam = message == ce::WM_KEYUP ? ce::LPARAM(0xC0000001) : ce::LPARAM(1);
        hostDispatchMessage(m);
    }
};

TEST_F(CanvasTest, GameActionsKeyCodesAndNames) {
    VMPtr<ProbeCanvas> c = ProbeCanvas::make("c");
    const std::pair<jint, jint> actions[] = {{Canvas::UP, -1},
                                             {Canvas::LEFT, -3},
                                             {Canvas::RIGHT, -4},
                                             {Canvas::DOWN, -2},
                                             {Canvas::FIRE, -5}};
    for (auto [action, code] : actions) {
        EXPECT_EQ(c->getKeyCode(action), code);
        EXPECT_EQ(c->getGameAction(code), action);
    }
    EXPECT_EQ(thrownName([&] { c->getKeyCode(Canvas::GAME_A); }),
              "java.lang.IllegalArgumentException");
    EXPECT_EQ(c->getGameAction(Canvas::KEY_NUM1), 0);
    EXPECT_EQ(c->getGameAction(-24), 0);  // the wheel's up has no action
    EXPECT_EQ(text(c->getKeyName(-1)), "Up");
    EXPECT_EQ(text(c->getKeyName(-5)), "Action");
    EXPECT_EQ(text(c->getKeyName(Canvas::KEY_NUM1)), "");
    EXPECT_EQ(text(c->getKeyName(-1379)), "Record");
}

TEST_F(CanvasTest, CapabilitiesAndSizeComeFromTheHost) {
    VMPtr<ProbeCanvas> c = ProbeCanvas::make("c");
    EXPECT_FALSE(c->hasPointerEvents());
    EXPECT_FALSE(c->hasPointerMotionEvents());
    EXPECT_TRUE(c->hasRepeatEvents());
    EXPECT_TRUE(c->isDoubleBuffered());
    ce::RECT client{};
    ce::GetClientRect(HAL_getMainWindow(), &client);
    EXPECT_EQ(c->getWidth(), client.right - client.left);
    EXPECT_EQ(c->getHeight(), client.bottom - client.top);
    ASSERT_NE(c->nativeDisplayable, nullptr);
    EXPECT_EQ(c->nativeDisplayable->id, c->displayId());
    c->setFullScreenMode(true);
    EXPECT_TRUE(c->fullScreen);
    EXPECT_TRUE(c->nativeDisplayable->fullScreen);
}

TEST_F(CanvasTest, ASuppressingGameCanvasDropsOnlyGameActionKeys) {
    VMPtr<ProbeGameCanvas> quiet = ProbeGameCanvas::make(true);
    VMPtr<ProbeGameCanvas> loud = ProbeGameCanvas::make(false);
    struct Case {
        jint code;
        bool reachesQuiet;
    } cases[] = {{-1, false},
                 {-2, false},
                 {-3, false},
                 {-4, false},
                 {-5, false},
                 {Canvas::KEY_NUM1, true},
                 {Canvas::KEY_STAR, true},
                 {-6, true},
                 {-24, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        log().clear();
        quiet->callKeyPressed(c.code);
        quiet->callKeyReleased(c.code);
        quiet->callKeyRepeated(c.code);
        Lines expected;
        if (c.reachesQuiet)
            expected = {"game keyPressed " + std::to_string(c.code),
                        "game keyReleased " + std::to_string(c.code)};
        EXPECT_EQ(log(), expected);
        log().clear();
        loud->callKeyPressed(c.code);
        EXPECT_EQ(log(), (Lines{"game keyPressed " + std::to_string(c.code)}));
    }
}

TEST_F(CanvasTest, GetKeyStatesReportsWhatWasPressedSinceTheLastCall) {
    VMPtr<ProbeGameCanvas> game = ProbeGameCanvas::make(true);
    Display::getDisplay(nullptr)->setCurrent(game);
    game->getKeyStates();
    log().clear();
    key(ce::WM_KEYDOWN, ce::VK_UP);
    key(ce::WM_KEYUP, ce::VK_UP);
    EXPECT_TRUE(log().empty());  // suppressed, but still counted
    EXPECT_EQ(game->getKeyStates(), GameCanvas::UP_PRESSED);
    EXPECT_EQ(game->getKeyStates(), 0);
    key(ce::WM_KEYDOWN, ce::VK_RETURN);
    EXPECT_EQ(game->getKeyStates(), GameCanvas::FIRE_PRESSED);
    EXPECT_EQ(game->getKeyStates(), GameCanvas::FIRE_PRESSED);  // still held
    key(ce::WM_KEYUP, ce::VK_RETURN);
    game->getKeyStates();
    EXPECT_EQ(game->getKeyStates(), 0);
}

TEST_F(CanvasTest, GetGraphicsGivesOneGraphicsResetOnEveryCall) {
    VMPtr<ProbeGameCanvas> game = ProbeGameCanvas::make(false);
    VMPtr<Graphics> g = game->getGraphics();
    ASSERT_TRUE(g != nullptr);
    EXPECT_EQ(g->getClipWidth(), game->getWidth());
    EXPECT_EQ(g->getClipHeight(), game->getHeight());
    g->translate(5, 7);
    g->setClip(1, 1, 2, 2);
    g->setColor(0x123456);
    VMPtr<Graphics> again = game->getGraphics();
    EXPECT_TRUE(again == g);
    EXPECT_EQ(again->getTranslateX(), 0);
    EXPECT_EQ(again->getTranslateY(), 0);
    EXPECT_EQ(again->getClipX(), 0);
    EXPECT_EQ(again->getClipY(), 0);
    EXPECT_EQ(again->getClipWidth(), game->getWidth());
    EXPECT_EQ(again->getClipHeight(), game->getHeight());
}

// The host presents only the current display object's frames. A game
// thread that flushes a canvas that is not shown, or stops being shown while
// it waits, gets its flush back rather than waiting for a present that never
// comes; a loop of such flushes still lets the other threads run. (No
// message loop runs here: a flush of the shown canvas waits.)
TEST_F(CanvasTest, AFlushOfAGameCanvasThatIsNotShownReturns) {
    VMPtr<ProbeGameCanvas> hidden = ProbeGameCanvas::make(false);
    VMPtr<ProbeGameCanvas> shown = ProbeGameCanvas::make(false);
    HAL_setWindowDisplayObject(shown->nativeDisplayable);
    std::atomic<int> hiddenFlushes{0};
    std::atomic<bool> stop{false};
    VMPtr<Task> first = Task::spawn([&] {
        while (!stop) {
            hidden->flushGraphics();
            ++hiddenFlushes;
        }
    });
    wren::test::yieldUntil([&] { return hiddenFlushes >= 100; });
    stop = true;
    wren::test::join(first);

    std::atomic<bool> shownFlushed{false};
    VMPtr<Task> second = Task::spawn([&] {
        shown->flushGraphics();
        shownFlushed = true;
    });
    const RepaintHandshake* handshake = &shown->screenBuffer->handshake;
    wren::test::yieldUntil([&] { return HAL_isRepaintPending(handshake); });
    EXPECT_FALSE(shownFlushed.load()) << "the shown canvas's flush waits for the present";
    HAL_setWindowDisplayObject(hidden->nativeDisplayable);
    wren::test::yieldUntil([&] { return shownFlushed.load(); });
    wren::test::join(second);
    EXPECT_FALSE(HAL_isRepaintPending(handshake)) << "the frame is dropped";
}

TEST_F(CanvasTest, AGameCanvasAndItsGraphicsMayBeCollectedTogether) {
    {
        VMPtr<ProbeGameCanvas> game = ProbeGameCanvas::make(false);
        game->getGraphics()->fillRect(0, 0, 4, 4);
    }
    // The sweep frees both in either order; a Graphics that outlives its
    // canvas draws nothing.
    java::lang::Runtime::getRuntime()->gc();
    VMPtr<Graphics> kept;
    {
        VMPtr<ProbeGameCanvas> game = ProbeGameCanvas::make(false);
        kept = game->getGraphics();
    }
    java::lang::Runtime::getRuntime()->gc();
    kept->fillRect(0, 0, 4, 4);
    SUCCEED();
}

TEST_F(CanvasTest, OrientationCodes) {
    EXPECT_FALSE(WrenMarl::setOrientation(7));
    EXPECT_FALSE(WrenMarl::setOrientation(-1));
    EXPECT_TRUE(WrenMarl::setOrientation(0));
    jint code = WrenMarl::getOrientation();
    EXPECT_GE(code, 0);
    EXPECT_LE(code, 4);
    WrenMarl::setIdleTimeoutEnabled(false);
    WrenMarl::setIdleTimeoutEnabled(true);
}

}  // namespace
