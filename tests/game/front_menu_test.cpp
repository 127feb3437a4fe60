// The menu scene on the sample interface set: the language page (taps on
// its previous, next and confirm boxes, nothing else), the sound question
// on the first run and from the options, the main menu's entries, the quit
// answer, the load steps of each state, and the scrolling keys of help and
// about. Taps are placed at the centres of the boxes the content gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "front_support.h"
#include "main_Game.h"
#include "scene_SceneManager.h"
#include "scene_menu_MenuScene.h"
#include "ui_Addon.h"
#include "ui_Pointer.h"

namespace wrentest::front {
namespace {

using main::Main;
using scene::menu::MenuScene;

const jint kLanguages[5] = {0x5000, 0x5001, 0x5003, 0x5002, 0x5004};

std::string text(const VMPtr<java::lang::String>& s) {
    if (s == nullptr) return "(null)";
    VMCString out;
    vmCStringAssign(out, s);
    return std::string(out.c_str());
}

class MenuTest : public FrontTest {
protected:
    VMPtr<MenuScene> menu() { return vmCast<MenuScene>(current()); }
    VMPtr<ui::Addon> panel() { return vmCast<ui::Addon>(menu()->panel); }

    // The logo's frame, then the menu in `state`, loaded.
    void open(jint state) {
        frame();
        manager()->changeScene(state);
        frameUntilLoaded();
        ASSERT_NE(menu(), nullptr);
        ASSERT_FALSE(menu()->progressiveLoad);
        calls();
    }
    void tapBox(jint layer, jint type) {
        auto [x, y] = boxCentre(layer, type);
        tap(x, y);
    }
    // The centre of entry i of the panel (an item or a button).
    void tapEntry(jint i) {
        VMPtr<VMArray<jint, 2>> rects = panel()->getItemRects();
        ASSERT_LT(i, rects->length);
        VMPtr<VMArray<jint>> r = rects[i];
        tap(r[0] + r[2] / 2, r[1] + r[3] / 2);
    }
    // The sound calls since the last look.
    Calls soundCalls() {
        Calls out;
        for (const std::string& c : calls())
            if (c.find("font") == std::string::npos) out.push_back(c);
        return out;
    }
    std::string caption() { return text(panel()->labelTexts[0]); }
    std::string tableText(jint id) { return text(Main::S().translation->getString(id)); }
};

// Five taps on "next" run through every table in the page's order and back
// to the first; each tap loads the table and shows its picture and caption.
TEST_F(MenuTest, FiveNextTapsComeBackToTheFirstLanguage) {
    open(11);
    EXPECT_EQ(Main::S().language, 0x5000);
    EXPECT_EQ(current()->screen->getLayerAnimation(1), 17);
    EXPECT_EQ(caption(), tableText(107));
    std::string previous = caption();
    // The caption's box, painted before and after the first tap: the new
    // table's text is drawn there.
    VMPtr<VMArray<jint>> box = current()->screen->getLayerBox(1, MenuScene::BOX_CAPTION);
    ASSERT_GT(box[2] * box[3], 0);
    VMPtr<javax::microedition::lcdui::Image> before = paint();
    tapBox(1, MenuScene::BOX_NEXT);
    VMPtr<javax::microedition::lcdui::Image> after = paint();
    int changed = 0;
    for (jint y = box[1]; y < box[1] + box[3]; ++y)
        for (jint x = box[0]; x < box[0] + box[2]; ++x)
            changed += pixel(before, x, y) != pixel(after, x, y);
    EXPECT_GT(changed, 20);
    tapBox(1, MenuScene::BOX_PREVIOUS);
    calls();
    for (int tapNo = 1; tapNo <= 5; ++tapNo) {
        SCOPED_TRACE("tap " + std::to_string(tapNo));
        tapBox(1, MenuScene::BOX_NEXT);
        const int i = tapNo % 5;
        EXPECT_EQ(Main::S().language, kLanguages[i]);
        EXPECT_EQ(calls(), Calls{"language " + std::to_string(kLanguages[i])});
        EXPECT_EQ(current()->screen->getLayerAnimation(1), 17 + i);
        EXPECT_EQ(caption(), tableText(107));
        EXPECT_NE(caption(), previous);
        EXPECT_TRUE(menu()->texts == Main::S().translation);
        previous = caption();
        EXPECT_EQ(menu()->menuState, 11);
    }
}

TEST_F(MenuTest, PreviousWrapsFromTheFirstToTheLast) {
    open(11);
    tapBox(1, MenuScene::BOX_PREVIOUS);
    EXPECT_EQ(Main::S().language, 0x5004);
    EXPECT_EQ(current()->screen->getLayerAnimation(1), 21);
    tapBox(1, MenuScene::BOX_PREVIOUS);
    EXPECT_EQ(Main::S().language, 0x5002);
    EXPECT_EQ(current()->screen->getLayerAnimation(1), 20);
}

// A tap that ends on none of the three boxes, and every key, change
// nothing on the language page.
TEST_F(MenuTest, OtherTapsAndKeysLeaveTheLanguagePageAsItIs) {
    open(11);
    VMPtr<VMArray<jint>> point = VMArray<jint>::create(4);
    jint freeX = -1, freeY = -1;
    for (jint y = 0; y < 320 && freeX < 0; y += 8)
        for (jint x = 0; x < 240; x += 8) {
            point[0] = x;
            point[1] = y;
            bool hit = false;
            for (jint box : {1, 2, 5}) hit = hit || current()->screen->layerContains(1, box, point);
            if (!hit) {
                freeX = x;
                freeY = y;
                break;
            }
        }
    ASSERT_GE(freeX, 0);
    tap(freeX, freeY);
    for (jint key : {1, 2, 5, 6, 8, 16, 18, 21}) {
        canvas->pressKey(key);
        frame();
        canvas->releaseKey(key);
        frame();
    }
    EXPECT_EQ(Main::S().language, 0x5000);
    EXPECT_EQ(menu()->menuState, 11);
    EXPECT_EQ(current()->screen->getLayerAnimation(1), 17);
    EXPECT_EQ(calls(), Calls{});
}

// The first run: language, sound question, main menu, with the first-start
// flag cleared on the way; later the sound question from the options goes
// back to the options, and so does the language page.
TEST_F(MenuTest, TheSoundQuestionFirstFromTheLanguagePageThenFromTheOptions) {
    open(11);
    ASSERT_TRUE(Main::S().firstMenuVisit);
    tapBox(1, MenuScene::BOX_CONFIRM);
    EXPECT_EQ(menu()->menuState, 10);
    EXPECT_EQ(menu()->titleScreen, nullptr);
    tapEntry(1);  // no
    EXPECT_EQ(soundCalls(), Calls{"disable sound"});
    EXPECT_FALSE(Main::S().soundOn);
    EXPECT_FALSE(Main::S().firstMenuVisit);
    EXPECT_EQ(menu()->menuState, 2);

    tapEntry(1);  // options
    EXPECT_EQ(menu()->menuState, 6);
    tapEntry(0);  // sound
    EXPECT_EQ(menu()->menuState, 10);
    tapEntry(0);  // yes
    EXPECT_EQ(soundCalls(), (Calls{"init sound 5", "cue"}));
    EXPECT_TRUE(Main::S().soundOn);
    EXPECT_EQ(menu()->menuState, 6);

    tapEntry(1);  // language
    EXPECT_EQ(menu()->menuState, 11);
    tapBox(1, MenuScene::BOX_CONFIRM);
    EXPECT_EQ(menu()->menuState, 6);
    tapEntry(2);  // back
    EXPECT_EQ(menu()->menuState, 2);
}

// The quit question: "no" goes back to the main menu, "yes" asks the canvas
// to end the program and no scene change follows.
TEST_F(MenuTest, QuitAnswers) {
    open(2);
    tapEntry(4);
    EXPECT_EQ(menu()->menuState, 9);
    tapEntry(1);
    EXPECT_EQ(menu()->menuState, 2);
    tapEntry(4);
    EXPECT_EQ(menu()->menuState, 9);
    VMPtr<ui::Scene> before = current();
    tapEntry(0);
    EXPECT_EQ(canvas->interrupts, Calls{"interrupt 3"});
    EXPECT_TRUE(current() == before);
    EXPECT_EQ(manager()->sceneId, 2);
    EXPECT_EQ(menu()->menuState, 9);
}

// Play asks for scene 45, which the stage kind of a new game makes the
// first story.
TEST_F(MenuTest, PlayGoesToTheSceneOfTheStageKind) {
    open(2);
    tapEntry(0);
    EXPECT_EQ(manager()->sceneId, 45);
    VMPtr<ui::Scene> story = current();
    ASSERT_NE(story, nullptr);
    VMCString name;
    vmCStringAssign(name, story->getClass()->getName());
    EXPECT_STREQ(name.c_str(), "scene.maingame.InGameStory");
}

// Help and about lead back to the main menu; their loads take three
// loadData calls, those of the list states and the language page four.
TEST_F(MenuTest, LoadStepsAndTheObjectsOfEachState) {
    frame();
    for (auto [state, frames] : {std::pair{11, 7}, {2, 7}, {10, 6}}) {
        manager()->changeScene(state);
        EXPECT_EQ(frameUntilLoaded(), frames) << "state " << state;
    }
    manager()->changeScene(2);
    frameUntilLoaded();
    // Backdrop, title, list.
    EXPECT_EQ(menu()->objects->length, 3);
    VMPtr<ui::Screen> title = menu()->titleScreen;
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->getDepth(), 55);
    EXPECT_EQ(panel()->getDepth(), 50);
    EXPECT_TRUE(panel()->hasPostUpdate());

    tapEntry(2);  // help
    EXPECT_EQ(menu()->menuState, 7);
    EXPECT_FALSE(menu()->progressiveLoad);
    ASSERT_EQ(menu()->objects->length, 2);
    for (jint i = 0; i < 2; ++i) EXPECT_FALSE(menu()->objects[i] == title);
    EXPECT_EQ(title->getLayerKind(0), -1);
    tapEntry(0);  // back
    EXPECT_EQ(menu()->menuState, 2);
    tapEntry(3);  // about
    EXPECT_EQ(menu()->menuState, 8);
    std::string body = text(panel()->wrappedText->getText());
    EXPECT_EQ(body, tableText(14) + "\n" + tableText(15) + "1.1.0\n\n" + tableText(117));
    tapEntry(0);
    EXPECT_EQ(menu()->menuState, 2);
}

// Up and down in one frame: help scrolls back and then forward, about only
// forward. The boards are given a text long enough to scroll.
TEST_F(MenuTest, HelpAndAboutScrollKeys) {
    open(2);
    std::string longText;
    for (int i = 0; i < 60; ++i) longText += "word" + std::to_string(i) + " more text here ";
    // Help is the third entry, about the fourth.
    for (auto [entry, expected] : {std::pair{2, 1}, {3, 2}}) {
        SCOPED_TRACE("entry " + std::to_string(entry));
        tapEntry(entry);
        ASSERT_EQ(menu()->menuState, entry == 2 ? 7 : 8);
        panel()->setText(java::lang::String::make(longText.c_str()));
        ASSERT_GT(panel()->lineCount, panel()->visibleLines + 2);
        canvas->pressKey(6);  // down
        frame();
        canvas->releaseKey(6);
        frame();
        EXPECT_EQ(panel()->textScroll, 1);
        canvas->pressKey(1);  // up
        canvas->pressKey(6);
        frame();
        canvas->releaseKey(1);
        canvas->releaseKey(6);
        frame();
        EXPECT_EQ(panel()->textScroll, expected);
        tapEntry(0);
        ASSERT_EQ(menu()->menuState, 2);
    }
}

// The list menus over the sample menu pack, whose backdrop gives both
// lists their area, instead of the fixture's.
class SampleMenuTest : public MenuTest {
protected:
    FixtureShape shape() override {
        FixtureShape s;
        s.sampleMenu = true;
        return s;
    }
};

// The sample list cell's face and rim (the labels' ink is the rim's white)
// and the labels' shadow, as they read back.
constexpr uint32_t kCellFace = 0xFF285CA8;
constexpr uint32_t kCellRim = 0xFFF0F4F0;
constexpr uint32_t kLabelShadow = 0xFF101018;

bool meetsScreen(const VMPtr<VMArray<jint>>& r) {
    return r[2] > 0 && r[3] > 0 && r[0] < 240 && r[0] + r[2] > 0 && r[1] < 320 && r[1] + r[3] > 0;
}

// The main menu (five items) and the options (three) share the backdrop's
// list area, so the list spaces their cells differently. In both, every
// cell is drawn whole on the screen with its label on it; a touch anywhere
// on a cell chooses no other item, and on most of it, its whole middle line
// included, its own; the paging regions lie off the screen, out of reach of
// any tap.
TEST_F(SampleMenuTest, EveryCellLiesWholeOnTheScreenWhereATouchChoosesIt) {
    open(2);
    for (auto [state, items] : {std::pair{2, 5}, {6, 3}}) {
        SCOPED_TRACE("state " + std::to_string(state));
        if (state == 6) tapEntry(1);  // options
        ASSERT_EQ(menu()->menuState, state);
        VMPtr<ui::Addon> list = panel();
        ASSERT_EQ(list->visibleItems, items);
        VMPtr<javax::microedition::lcdui::Image> img = paint();
        auto colour = [&](jint x, jint y) { return pixel(img, x, y); };
        auto onFace = [&](jint x, jint y) {
            uint32_t c = colour(x, y);
            return c == kCellFace || c == kCellRim;
        };
        // The cells met along a line a quarter into the area (clear of the
        // labels), item 0 the rightmost, as {left, top, right, bottom}
        // (right and bottom excluded); each reaches up and down as far as
        // its middle column does, label included.
        const jint line = list->areaY + list->areaHeight / 4;
        ASSERT_TRUE(line >= 0 && line < 320);
        std::vector<std::array<jint, 4>> cells;
        for (jint x = 239; x >= 0; --x) {
            if (!onFace(x, line)) continue;
            if (cells.empty() || cells.back()[0] != x + 1) cells.push_back({x, 0, x + 1, 0});
            cells.back()[0] = x;
        }
        ASSERT_EQ(cells.size(), size_t(items));
        for (auto& c : cells) {
            const jint x = (c[0] + c[2]) / 2;
            auto onCell = [&](jint y) { return onFace(x, y) || colour(x, y) == kLabelShadow; };
            c[1] = c[3] = line;
            while (c[1] > 0 && onCell(c[1] - 1)) --c[1];
            while (c[3] < 320 && onCell(c[3])) ++c[3];
        }
        VMPtr<ui::Pointer> pointer = ui::Pointer::make();
        for (jint i = 0; i < items; ++i) {
            SCOPED_TRACE("item " + std::to_string(i));
            auto [left, top, right, bottom] = cells[size_t(i)];
            // An edge would cut a cell short of the others' size.
            EXPECT_EQ(right - left, cells[0][2] - cells[0][0]);
            EXPECT_EQ(bottom - top, cells[0][3] - cells[0][1]);
            jint own = 0;
            for (jint y = top; y < bottom; ++y)
                for (jint x = left; x < right; ++x) {
                    ui::Pointer::S().touchX[0] = x;
                    ui::Pointer::S().touchY[0] = y;
                    jint hit = pointer->hitTestRegions(0);
                    if (hit == i) ++own;
                    ASSERT_TRUE(hit == i || hit == -1) << x << ", " << y << " chooses " << hit;
                }
            EXPECT_GE(3 * own, 2 * (right - left) * (bottom - top));
            // Its middle line chooses it from end to end.
            for (jint y = top; y < bottom; ++y) {
                ui::Pointer::S().touchX[0] = (left + right) / 2;
                ui::Pointer::S().touchY[0] = y;
                ASSERT_EQ(pointer->hitTestRegions(0), i) << "the middle line at " << y;
            }
        }
        // Labels: their shadow (as black as the title's, which lies beside
        // the area) only on cells, and on every cell.
        std::vector<bool> labelled(size_t(items), false);
        for (jint y = std::max(list->areaY, 0); y < std::min(list->areaY + list->areaHeight, 320); ++y)
            for (jint x = 0; x < 240; ++x) {
                if (colour(x, y) != kLabelShadow) continue;
                auto cell = std::find_if(cells.begin(), cells.end(), [x, y](const auto& c) {
                    return c[0] < x && x < c[2] - 1 && c[1] < y && y < c[3] - 1;
                });
                ASSERT_NE(cell, cells.end()) << "a label off the cells at " << x << ", " << y;
                labelled[size_t(cell - cells.begin())] = true;
            }
        EXPECT_EQ(std::count(labelled.begin(), labelled.end(), true), items);
        VMPtr<VMArray<jint, 2>> arrows = list->arrowRects;
        ASSERT_NE(arrows, nullptr);
        for (jint a = 0; a < 2; ++a) EXPECT_FALSE(meetsScreen(arrows[a])) << "arrow " << a;
    }
}

}  // namespace
}  // namespace wrentest::front
