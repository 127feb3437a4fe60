#include "road_support.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>

#include "Pack.h"
#include "game_test_support.h"
#include "Png.h"
#include "VMClock.h"
#include "java_lang_System.h"
#include "java_lang_Thread.h"
#include "javax_microedition_lcdui_Image.h"
#include "main_Game.h"
#include "runtime/wren_test_Task.h"
#include "scene_maingame_InGameObject.h"
#include "scene_maingame_InHomeScene.h"
#include "scene_menu_MenuScene.h"
#include "support/program_folder.h"
#include "support/touch_input.h"
#include "ui_Addon.h"
#include "ui_MsgBoard.h"
#include "ui_Pointer.h"
#include "wren_Resources.h"
#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"

WREN_DEFINE_CLASS(wrentest::road::RoadMIDlet, "wrentest.road.RoadMIDlet")
WREN_DEFINE_CLASS(wrentest::road::RoadCanvas, "wrentest.road.RoadCanvas")
WREN_DEFINE_CLASS(wrentest::road::RoadMain, "wrentest.road.RoadMain")

namespace wrentest::road {

namespace {

namespace fs = std::filesystem;
using main::Game;
using main::Main;
using scene::maingame::InGameObject;
using scene::maingame::InGameScene;
using scene::maingame::InHomeScene;
using scene::maingame::InMapScene;
using wren::WrenCanvas;
using wren::input::PointerInputEventManager;
using wren::input::PointerInputKeyManager;

wrentest::ProcessProgramFolder programFolder{"/tmp/wren_road_XXXXXX"};

// The virtual clock: the device counter the runtime reads, moved only by
// the frames. currentTimeMillis starts from kStartMillis on every test, so
// the world a new game generates is the same on every run.
constexpr jlong kStartMillis = 1'000'000;
uint32_t ticks = 0;
uint32_t readTicks() { return ticks; }
VMTickSource previousSource = nullptr;
VMClockBase previousBase;

// Every pack of the sample content and nothing else: suites of the same
// process write packs of their own into the folder.
void installContent() {
    const fs::path from = fs::path(WREN_GAME_DIR) / "rsc";
    const fs::path to = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc";
    fs::create_directories(to);
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(to, ec))
        if (!fs::exists(from / e.path().filename())) fs::remove_all(e.path(), ec);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

const jint kMoves[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};  // column, row deltas

}  // namespace

void RoadTest::SetUp() {
    installContent();
    wren::Resources::closePack();
    previousSource = vmSetTickSource(&readTicks);
    previousBase = vmClockBase();
    ticks = 100000;
    vmClockBase() = VMClockBase{true, kStartMillis - jlong(ticks), ticks, 0};

    resetGameStatics();
    resetTouchInput();
    midlet = RoadMIDlet::make();
    canvas = RoadCanvas::make(midlet);
    // The canvas's game thread ends before its first frame: the test runs
    // the frames.
    stopGameThreadAndInstall(canvas.get());
    canvas->updateScreenSize();
    canvas->initTouchInput();
    canvas->deleteAllData();
    backBuffer = javax::microedition::lcdui::Image::createImage(240, 320, false, jint(0xFF000000));
}

void RoadTest::TearDown() {
    if (current() != nullptr) current()->unload();
    Main::cleanUp();
    resetGameStatics();
    resetTouchInput();
    wren::Resources::closePack();
    vmSetTickSource(previousSource);
    vmClockBase() = previousBase;
}

void RoadTest::startGame() {
    mainObject = RoadMain::make(canvas);
}

void RoadTest::restartFromStatics() {
    VMPtr<Game> game = Main::S().game;
    game->saveState();
    game->saveData();
    if (current() != nullptr) current()->unload();
    Main::cleanUp();
    resetGameStatics();
    resetTouchInput();
    canvas->initTouchInput();
    startGame();
}

void RoadTest::frame(int n) {
    for (int i = 0; i < n; ++i) {
        ticks += 40;
        canvas->update();
        ++frames;
        // As the canvas's loop presents a frame: not once the application
        // is on its way out; a repaint asked for during the update turns
        // into a full one.
        if (WrenCanvas::S().appState == WrenCanvas::APP_EXITING) continue;
        canvas->repaintAll = canvas->repaintRequested;
        canvas->repaintRequested = false;
        canvas->paintFrame(backBuffer->getGraphics());
        ++painted;
    }
}

void RoadTest::keepPicture(const std::string& name) {
    const jint w = backBuffer->getWidth(), h = backBuffer->getHeight();
    VMPtr<VMArray<jint>> argb = VMArray<jint>::create(w * h);
    backBuffer->getRGB(argb, 0, w, 0, 0, w, h);
    std::vector<jint> pixels(argb->elements(), argb->elements() + w * h);
    auto kept = std::find_if(pictures.begin(), pictures.end(),
                             [&](const auto& p) { return p.first == name; });
    if (kept != pictures.end()) {
        kept->second = std::move(pixels);
    } else {
        pictures.emplace_back(name, std::move(pixels));
    }
    const char* dir = std::getenv("WREN_ROAD_PNG_DIR");
    if (!dir || !*dir) return;
    writeImagePng(backBuffer, (fs::path(dir) / (name + ".png")).string());
}

void RoadTest::expectKeptPicturesPainted() {
    ASSERT_FALSE(pictures.empty()) << "no picture was kept";
    for (size_t i = 0; i < pictures.size(); ++i) {
        const auto& [name, pixels] = pictures[i];
        EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(),
                                [&](jint p) { return p != pixels.front(); }))
            << name << ": one colour throughout";
        for (size_t j = 0; j < i; ++j) {
            EXPECT_FALSE(pictures[j].second == pixels)
                << name << " is the same picture as " << pictures[j].first;
        }
    }
}

bool RoadTest::runUntil(const std::function<bool()>& done, int maxFrames) {
    for (int i = 0; i < maxFrames; ++i) {
        if (done()) return true;
        frame();
    }
    return done();
}

int RoadTest::waitLoaded(int maxFrames) {
    int n = 0;
    while (n < maxFrames && (current() == nullptr || current()->progressiveLoad)) {
        frame();
        ++n;
    }
    return n;
}

jlong RoadTest::clockMs() const { return java::lang::System::currentTimeMillis(); }

jint RoadTest::sceneId() {
    VMPtr<scene::SceneManager> m = manager();
    return m == nullptr ? -1 : m->sceneId;
}

std::string RoadTest::currentClass() {
    if (current() == nullptr) return "";
    VMCString name;
    vmCStringAssign(name, current()->getClass()->getName());
    return name.c_str();
}

VMPtr<InGameScene> RoadTest::field() { return vmCast<InGameScene>(current()); }
VMPtr<InMapScene> RoadTest::map() { return vmCast<InMapScene>(current()); }

void RoadTest::quickTap(jint x, jint y) {
    canvas->callPointerPressed(x, y);
    canvas->callPointerReleased(x, y);
    frame(2);
}

void RoadTest::holdTap(jint x, jint y, int heldFrames) {
    canvas->callPointerPressed(x, y);
    frame(heldFrames);
    canvas->callPointerReleased(x, y);
    frame(2);
}

std::pair<jint, jint> RoadTest::centre(const VMPtr<ui::Screen>& screen, jint layer, jint type) {
    VMPtr<VMArray<jint>> b = screen->getLayerBox(layer, type);
    return {b[0] + b[2] / 2, b[1] + b[3] / 2};
}

bool RoadTest::itemCentre(const VMPtr<ui::MyObject>& panel, jint i, std::pair<jint, jint>& out) {
    VMPtr<ui::Addon> addon = vmCast<ui::Addon>(panel);
    if (addon == nullptr) return false;
    VMPtr<VMArray<jint, 2>> rects = addon->getItemRects();
    if (rects == nullptr || rects->length <= i || rects[i] == nullptr) return false;
    VMPtr<VMArray<jint>> r = rects[i];
    if (r[2] <= 0 || r[3] <= 0) return false;
    out = {r[0] + r[2] / 2, r[1] + r[3] / 2};
    return true;
}

std::vector<uint8_t> RoadTest::store(jint id) {
    VMPtr<VMArray<jbyte>> bytes = canvas->loadData(id);
    std::vector<uint8_t> out;
    if (bytes == nullptr) return out;
    for (jint i = 0; i < bytes->length; ++i) out.push_back(uint8_t(bytes[i]));
    return out;
}

jint RoadTest::storeInt(jint id, jint offset) {
    std::vector<uint8_t> b = store(id);
    if (b.size() < size_t(offset + 4)) return INT32_MIN;
    return jint((uint32_t(b[size_t(offset)]) << 24) | (uint32_t(b[size_t(offset) + 1]) << 16) |
                (uint32_t(b[size_t(offset) + 2]) << 8) | uint32_t(b[size_t(offset) + 3]));
}

jint RoadTest::storeByte(jint id, jint offset) {
    std::vector<uint8_t> b = store(id);
    if (b.size() <= size_t(offset)) return -1;
    return b[size_t(offset)];
}

void RoadTest::passFrontScenes() {
    using scene::menu::MenuScene;
    ASSERT_TRUE(runUntil([&] { return sceneId() == 11 && !current()->progressiveLoad; }, 200));
    VMPtr<MenuScene> menu = vmCast<MenuScene>(current());
    ASSERT_NE(menu, nullptr);
    quickTap(centre(menu->screen, 1, MenuScene::BOX_CONFIRM));
    ASSERT_EQ(menu->menuState, 10);
    std::pair<jint, jint> at;
    ASSERT_TRUE(itemCentre(menu->panel, 1, at));
    quickTap(at);  // the sound question: "no"
    ASSERT_EQ(menu->menuState, 2);
    EXPECT_FALSE(Main::S().soundOn);
    ASSERT_TRUE(itemCentre(menu->panel, 0, at));
    quickTap(at);  // play
    ASSERT_EQ(sceneId(), 45);
}

int RoadTest::tapUntilSceneChanges(int maxTaps) {
    VMPtr<ui::Scene> before = current();
    waitLoaded();
    int taps = 0;
    while (current() == before && taps < maxTaps) {
        quickTap(120, 160);
        ++taps;
        if (current() == before) frame();
    }
    return taps;
}

void RoadTest::turnPages(int pages, const std::string& what) {
    const int taps = tapUntilSceneChanges(pages + 5);
    EXPECT_EQ(taps, pages) << "pages of " << what;
    pagesTurned += taps;
}

jint RoadTest::playField() {
    for (int heats = 0; field() != nullptr && heats < 10; ++heats) playHeat();
    return sceneId();
}

VMPtr<InGameScene> RoadTest::playHeat() {
    VMPtr<InGameScene> s = field();
    introTaps = 0;
    bool carrying = false;
    int played = 0;
    for (int guard = 0; current() == s && guard < 20000;) {
        if (s->playMode == InGameScene::MODE_PLAY && ++played == 150 && !heatPictures.empty())
            keepPicture(heatPictures + "-play");
        std::pair<jint, jint> at;
        if (s->progressiveLoad) {
            frame();
            ++guard;
            continue;
        }
        if (s->pauseState == InGameScene::PAUSE_GAME_OVER || s->playMode == InGameScene::MODE_GAME_OVER) {
            if (itemCentre(s->panel, 0, at)) {
                ++gameOvers;
                holdTap(at);
            } else {
                frame();
            }
            guard += 3;
            continue;
        }
        if (s->playMode == InGameScene::MODE_INTRO && s->msgBoard != nullptr &&
            itemCentre(VMPtr<ui::MyObject>(s->msgBoard), 0, at)) {
            // The next page appears a frame after the tap.
            quickTap(at);
            frame();
            ++introTaps;
            ++pagesTurned;
            guard += 3;
            continue;
        }
        if (s->playMode == InGameScene::MODE_RESULTS && itemCentre(s->panel, 0, at)) {
            if (!heatPictures.empty()) keepPicture(heatPictures + "-board");
            quickTap(at);
            guard += 2;
            continue;
        }
        if (s->playMode == InGameScene::MODE_PLAY && s->shortGoal && !s->modal) {
            // Catch-and-carry: grab while the meter is high until a monster
            // is held; once the grab has played out, the action again
            // shows the weapon, and monsters meeting it are beaten.
            VMPtr<InGameObject> p = s->player;
            std::pair<jint, jint> button = centre(s->hud, 7, 5);
            if (!p->isHolding()) {
                carrying = false;
                if (s->chargeB >= 1040) {
                    holdTap(button);
                    guard += 3;
                    continue;
                }
            } else if (!carrying && p->getLayerAnimation(0) == 0) {
                holdTap(button);
                carrying = true;
                guard += 3;
                continue;
            }
        }
        frame();
        ++guard;
    }
    EXPECT_NE(current(), s) << "a heat that never ended";
    return s;
}

bool RoadTest::canEnter(jint column, jint row) {
    if (row < 0 || row >= Game::ROWS || column < 0 || column >= Game::COLUMNS) return false;
    const jint kind = Game::S().cellKinds[row][column];
    VMPtr<VMArray<jboolean>> open = Game::S().extraFlags;
    if ((kind >= 1 && kind <= 10) || kind == 23 || kind == 24) return true;
    if (kind >= 11 && kind <= 14) return open[0];
    if (kind >= 15 && kind <= 18) return open[1];
    if (kind >= 19 && kind <= 22) return open[2];
    return false;
}

std::vector<Cell> RoadTest::route(Cell from, Cell to) {
    std::map<std::pair<jint, jint>, std::pair<jint, jint>> cameFrom;
    std::deque<Cell> queue{from};
    cameFrom[{from.column, from.row}] = {from.column, from.row};
    while (!queue.empty()) {
        Cell c = queue.front();
        queue.pop_front();
        if (c == to) break;
        for (const auto& m : kMoves) {
            Cell n{c.column + m[0], c.row + m[1]};
            if (!canEnter(n.column, n.row) || cameFrom.count({n.column, n.row})) continue;
            cameFrom[{n.column, n.row}] = {c.column, c.row};
            queue.push_back(n);
        }
    }
    std::vector<Cell> path;
    if (!cameFrom.count({to.column, to.row})) return path;
    for (Cell c = to; !(c == from);) {
        path.insert(path.begin(), c);
        auto prev = cameFrom[{c.column, c.row}];
        c = {prev.first, prev.second};
    }
    return path;
}

Cell RoadTest::cursorCell() {
    VMPtr<VMArray<jint>> pair = Game::S().progressPair;
    return {pair[0], pair[1]};
}

jint RoadTest::ordinal(Cell c) {
    jint n = 0;
    for (jint row = 0; row < Game::ROWS; ++row)
        for (jint column = 0; column < Game::COLUMNS; ++column) {
            if (Game::S().cellKinds[row][column] == 0) continue;
            if (row == c.row && column == c.column) return n;
            ++n;
        }
    return -1;
}

std::vector<Cell> RoadTest::listedCells() {
    std::vector<Cell> out;
    for (jint row = 0; row < Game::ROWS; ++row)
        for (jint column = 0; column < Game::COLUMNS; ++column) {
            const jint kind = Game::S().cellKinds[row][column];
            if ((kind >= 2 && kind <= 10) || kind == 23) out.push_back({column, row});
        }
    return out;
}

bool RoadTest::known(Cell c) { return Game::S().cellFlags[ordinal(c)]; }

bool RoadTest::walkTo(Cell to) {
    std::vector<Cell> path = route(cursorCell(), to);
    if (path.empty() && !(cursorCell() == to)) return false;
    for (const Cell& next : path) {
        VMPtr<InMapScene> m = map();
        if (m == nullptr || m->state != InMapScene::BROWSE) return false;
        const Cell here = cursorCell();
        // Screen directions: a column up is up, a row up is to the right.
        const jint dx = next.row < here.row ? 1 : next.row > here.row ? -1 : 0;
        const jint dy = next.column < here.column ? -1 : next.column > here.column ? 1 : 0;
        VMPtr<VMArray<jint>> b = m->screen->getLayerBox(m->cursorLayer, 0);
        // More than a cell away: where the view stops following, the cursor
        // moves towards the stylus, and a stylus lifted on it would open it.
        jint x = dx < 0 ? b[0] - 45 : dx > 0 ? b[0] + b[2] + 45 : b[0] + b[2] / 2;
        jint y = dy < 0 ? b[1] - 45 : dy > 0 ? b[1] + b[3] + 45 : b[1] + b[3] / 2;
        x = std::max<jint>(0, std::min<jint>(239, x));
        y = std::max<jint>(0, std::min<jint>(319, y));
        canvas->callPointerPressed(x, y);
        for (int f = 0; f < 12 && cursorCell() == here; ++f) frame();
        canvas->callPointerReleased(x, y);
        frame(2);
        if (!(cursorCell() == next)) {
            ADD_FAILURE() << "step from (" << here.column << ", " << here.row << ") to ("
                          << next.column << ", " << next.row << ") ended on ("
                          << cursorCell().column << ", " << cursorCell().row << ") pressing at "
                          << x << ", " << y;
            return false;
        }
        frame(5);
    }
    return cursorCell() == to;
}

void RoadTest::startStage(bool longGoal) {
    VMPtr<InMapScene> m = map();
    ASSERT_NE(m, nullptr);
    quickTap(centre(m->screen, m->cursorLayer, 0));
    ASSERT_EQ(m->state, InMapScene::STAGE_DIALOG);
    quickTap(centre(m->screen, m->dialogLayer, 5));
    ASSERT_EQ(m->state, InMapScene::MODE_DIALOG);
    holdTap(centre(m->screen, m->dialogLayer, longGoal ? 1 : 0), 2);
    ASSERT_EQ(sceneId(), InMapScene::PLAY_FIELD_SCENE);
}

void RoadTest::mainMenuFromMap(VMPtr<scene::menu::MenuScene>& menu) {
    using scene::menu::MenuScene;
    VMPtr<InMapScene> m = map();
    ASSERT_NE(m, nullptr);
    quickTap(centre(m->screen, m->dialogLayer - 1, 0));
    ASSERT_EQ(m->state, InMapScene::MENU);
    holdTap(centre(m->screen, m->dialogLayer, 3));
    ASSERT_EQ(sceneId(), InMapScene::MAIN_MENU_SCENE);
    waitLoaded();
    menu = vmCast<MenuScene>(current());
    ASSERT_NE(menu, nullptr);
}

void RoadTest::quitFromMap() {
    VMPtr<scene::menu::MenuScene> menu;
    mainMenuFromMap(menu);
    if (HasFatalFailure()) return;
    std::pair<jint, jint> at;
    ASSERT_TRUE(itemCentre(menu->panel, 4, at));
    quickTap(at);
    ASSERT_EQ(menu->menuState, 9);
    ASSERT_TRUE(itemCentre(menu->panel, 0, at));
    quickTap(at);
}

void RoadTest::leaveHomeForMap() {
    waitLoaded();
    VMPtr<InHomeScene> h = home();
    ASSERT_NE(h, nullptr);
    holdTap(centre(h->screen, 3, 4), 2);
    waitLoaded();
    ASSERT_EQ(sceneId(), scene::SceneManager::MAP_SCENE);
}

VMPtr<InHomeScene> RoadTest::home() {
    return vmCast<InHomeScene>(current());
}

void RoadTest::goHome() {
    ASSERT_TRUE(walkTo({10, 5}));
    VMPtr<InMapScene> m = map();
    quickTap(centre(m->screen, m->cursorLayer, 0));
    ASSERT_EQ(sceneId(), scene::SceneManager::HOME_SCENE);
    waitLoaded();
    ASSERT_NE(home(), nullptr);
    ASSERT_FALSE(home()->tutorialMode);
}

void RoadTest::homeTab(jint tab) {
    VMPtr<InHomeScene> h = home();
    ASSERT_NE(h, nullptr);
    holdTap(centre(h->screen, 3, tab));
}

void RoadTest::barItem(jint j) {
    VMPtr<InHomeScene> h = home();
    ASSERT_NE(h, nullptr);
    VMPtr<VMArray<jint>> bar = h->popupScreen->getLayerBox(0, 0);
    const jint w = bar[2] / 3;
    holdTap(bar[0] + bar[2] - j * w - w / 2, bar[1] + bar[3] / 2);
}

void RoadTest::planSteps(jint row, int taps, bool plus) {
    VMPtr<InHomeScene> h = home();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(h->popupState, InHomeScene::ALLOCATION);
    if (h->selectedStat != row) quickTap(centre(h->screen, 4, row));
    ASSERT_EQ(h->selectedStat, row);
    for (int i = 0; i < taps; ++i)
        quickTap(centre(h->screen, InHomeScene::ROW_CURSOR_LAYER, plus ? 2 : 1));
}

void RoadTest::endPlanning() {
    VMPtr<InHomeScene> h = home();
    ASSERT_NE(h, nullptr);
    // The title bar at the top lies beside every row.
    quickTap(centre(h->screen, 1, 0));
    ASSERT_EQ(h->popupState, InHomeScene::CONFIRMATION);
}

void RoadTest::confirmPurchase() {
    const size_t before = canvas->saves.size();
    barItem(1);
    ASSERT_EQ(home()->popupState, InHomeScene::HOME_VIEW);
    EXPECT_EQ(std::vector<jint>(canvas->saves.begin() + jlong(before), canvas->saves.end()),
              std::vector<jint>{0});
    ASSERT_EQ(store(0).size(), 72u);
    ++purchases;
}

void RoadTest::expectHeatReads(jint hitPoints, jint attack, jint boostStep) {
    ASSERT_TRUE(runUntil([&] {
        return field() != nullptr && !field()->progressiveLoad &&
               field()->playMode == InGameScene::MODE_PLAY;
    }, 400));
    EXPECT_EQ(field()->player->hitPoints, hitPoints);
    EXPECT_EQ(field()->player->attackPower, attack);
    EXPECT_EQ(field()->boostStep, boostStep);
}

}  // namespace wrentest::road
