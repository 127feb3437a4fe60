// The list menu in a scene, driven by stylus events: its page markers and
// paging through the arrow regions' keys, selection and choice by touch
// (a choice seen for exactly one frame), items that can't be chosen, and
// the layouts of a short, an empty and a cell-less list.
#include "runtime/runtime_test_support.h"
#include "ui_ListMenu.h"
#include "ui_ResManager.h"
#include "widgets_fixture.h"
#include "widgets_test_support.h"
#include "wren_input_PointerInputKeyManager.h"

namespace wrentest::widgets {
namespace {

using Keys = wren::input::PointerInputKeyManager;

// Five items in an area 130 wide at x 50: three cells of 40 a page, gap 2,
// climbing 40 a cell. Cell i (0 the rightmost) is drawn at
// (182 - 42 i, 120 - 40 i); its touch rectangle is {140 - 42 i, 40, 40, 200}.
// The up arrow region is {180, 40, 40, 200}, the down one {10, 40, 40, 200}.
class ListTest : public PanelTest {
protected:
    VMPtr<ui::ListMenu> menu(std::vector<jint> ids, jint x = 50, jint width = 130) {
        VMPtr<ui::ListMenu> list = ui::ListMenu::make();
        list->setItemCount(jint(ids.size()));
        list->setArea(x, 0, width, 320);
        VMPtr<VMArray<jint>> array = VMArray<jint>::create(jint(ids.size()));
        for (size_t i = 0; i < ids.size(); ++i) array[jint(i)] = ids[i];
        list->setItemTextIds(array);
        list->layout();
        show(list);
        return list;
    }
    // A frame of the menu scene: the up and down keys page the list.
    void menuFrame(const VMPtr<ui::ListMenu>& list) {
        frame();
        if (canvas->isKeyPressed(1)) list->onScrollBackKey();
        if (canvas->isKeyPressed(6)) list->onScrollForwardKey();
    }
    // Which page markers the painted list shows: "after" at the leftmost
    // cell, "before" at the rightmost.
    std::string markers() {
        VMPtr<javax::microedition::lcdui::Image> img = paint();
        std::string seen;
        if (pixel(img, 78, 32) == kMarkerColour) seen += "after";
        if (pixel(img, 162, 112) == kMarkerColour) seen += seen.empty() ? "before" : " before";
        return seen;
    }
};

TEST_F(ListTest, PageMarkersAndPagingByTheArrowKeys) {
    VMPtr<ui::ListMenu> list = menu({1, 2, 3, 4, 5});
    ASSERT_EQ(list->visibleItems, 3);
    EXPECT_EQ(list->itemGap, 2);
    EXPECT_EQ(list->itemRise, 40);
    EXPECT_EQ(Keys::getRegionCount(0), 4);
    // The items after the page can be dragged to, as far as two cells.
    EXPECT_EQ(ui::Pointer::S().dragMinY, -(40 + 200) * 2);

    struct Step {
        jint tapX;  // on the down (10) or up (180) region
        jint firstVisible;
        const char* markers;
    };
    const Step steps[] = {
        {0, 0, "after"},           {10, 1, "after before"}, {10, 2, "before"},
        {10, 2, "before"},         {180, 1, "after before"}, {180, 0, "after"},
        {180, 0, "after"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.tapX) + " to " + std::to_string(s.firstVisible));
        if (s.tapX) tap(s.tapX, 100);
        menuFrame(list);
        menuFrame(list);
        EXPECT_EQ(list->getFirstVisible(), s.firstVisible);
        EXPECT_EQ(markers(), s.markers);
        EXPECT_EQ(list->getChosenId(), -1);  // the arrows choose nothing
    }
    EXPECT_EQ(keyCalls().size(), 12u);  // a press and a release per tap

    // A list that is not active does not page.
    list->setPostUpdate(false);
    tap(10, 100);
    menuFrame(list);
    menuFrame(list);
    EXPECT_EQ(list->getFirstVisible(), 0);
}

TEST_F(ListTest, TouchSelectsAndChoosesForExactlyOneFrame) {
    VMPtr<ui::ListMenu> list = menu({1, 2, 3, 4, 5});
    EXPECT_EQ(list->selectedIndex, -1);  // nothing highlighted after the layout
    EXPECT_NE(pixel(paint(), 120, 200), kSelectedColour);

    press(118, 100);  // the second cell's touch rectangle
    frame();
    frame();
    EXPECT_EQ(list->selectedIndex, 1);
    EXPECT_EQ(list->getSelectedTextId(), 2);
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    EXPECT_EQ(pixel(img, 120, 200), kSelectedColour);
    EXPECT_EQ(pixel(img, 160, 250), kCellColour);
    EXPECT_EQ(list->getChosenId(), -1);  // held, not yet chosen

    lift(118, 100);
    std::vector<jint> chosen;
    for (int i = 0; i < 4; ++i) {
        frame();
        chosen.push_back(list->getChosenId());
    }
    EXPECT_EQ(chosen, (std::vector<jint>{-1, 2, -1, -1}));

    // On the last page the cells show items 2 to 4: the choice counts from
    // the list's start, the selection from the page's.
    list->onScrollForwardKey();
    list->onScrollForwardKey();
    press(160, 100);
    frame();
    frame();
    EXPECT_EQ(list->selectedIndex, 0);
    EXPECT_EQ(list->getSelectedTextId(), 1);
    lift(160, 100);
    frame();
    frame();
    EXPECT_EQ(list->getChosenId(), 3);
    EXPECT_EQ(list->getChosenIndex(), 2);
}

// Touches outside every cell, and items whose text id is 0, choose nothing.
TEST_F(ListTest, WhatCannotBeChosen) {
    VMPtr<ui::ListMenu> list = menu({7, 0, 8});
    for (jint x : {118, 100, 230}) {  // the id-0 item, between cells, off the list
        SCOPED_TRACE(x);
        tap(x, 150);
        frame();
        frame();
        EXPECT_EQ(list->getChosenId(), -1);
        EXPECT_EQ(list->getChosenIndex(), -1);
    }
}

TEST_F(ListTest, AShortListFillsOnePage) {
    VMPtr<ui::ListMenu> list = menu({1, 2}, 0, 240);
    EXPECT_EQ(list->visibleItems, 2);
    EXPECT_EQ(list->itemRise, 60);
    EXPECT_EQ(ui::Pointer::S().dragMinY, 0);
    EXPECT_EQ(markers(), "");
    list->onScrollForwardKey();
    EXPECT_EQ(list->getFirstVisible(), 0);
}

// An empty list lays out without dividing by its zero cells: it shows no
// cell, registers no item and chooses nothing.
TEST_F(ListTest, AnEmptyListLaysOut) {
    VMPtr<ui::ListMenu> list = menu({});
    EXPECT_EQ(list->visibleItems, 0);
    EXPECT_EQ(list->itemRise, 0);
    EXPECT_EQ(list->itemGap, 130);
    EXPECT_EQ(list->getItemRects()->length, 0);
    EXPECT_EQ(ui::Pointer::S().regionBoxes->length, 0);
    EXPECT_EQ(ui::Pointer::S().dragMinY, 0);
    tap(120, 150);
    frame();
    frame();
    EXPECT_EQ(list->getChosenId(), -1);
    EXPECT_EQ(list->selectedIndex, -1);
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    EXPECT_EQ(pixel(img, 120, 200), 0xFFF8FCF8u);  // white: nothing drawn
}

// In board mode the cells are laid out with frame 5; a page marker drawn
// goes through the cell frame, which is frame 12 from then on, so the
// cells drawn after it are item cells. A board list that fits its page
// draws no marker and keeps its board cells.
TEST_F(ListTest, ABoardModeListsMarkersLeaveItemCellsBehind) {
    struct Case {
        const char* name;
        std::vector<jint> ids;
        jint x, y;  // inside cell 1, clear of its text
        uint32_t colour;
        jint frameAfter;
    };
    const Case cases[] = {
        {"five items, three a page", {1, 2, 3, 4, 5}, 104, 90, kCellColour, 12},
        {"two items", {1, 2}, 104, 70, kPanelColour, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<ui::ListMenu> list = ui::ListMenu::make();
        list->setBoardMode(true);
        list->setItemCount(jint(c.ids.size()));
        list->setArea(50, 0, 130, 320);
        VMPtr<VMArray<jint>> array = VMArray<jint>::create(jint(c.ids.size()));
        for (size_t i = 0; i < c.ids.size(); ++i) array[jint(i)] = c.ids[i];
        list->setItemTextIds(array);
        list->layout();
        show(list);
        EXPECT_EQ(list->cellFrame->frameId, 5);
        EXPECT_EQ(list->cellWidth, 40);
        for (int round = 0; round < 2; ++round) {
            VMPtr<javax::microedition::lcdui::Image> img = paint();
            EXPECT_EQ(pixel(img, c.x, c.y), c.colour) << "paint " << round;
            EXPECT_EQ(list->cellFrame->frameId, c.frameAfter);
        }
        scene->removeObject(0);
        scene->sortDrawOrder();
    }
}

// A cell frame without width is refused before anything is laid out; the
// graphics taken are given back with the list.
TEST_F(ListTest, ACellFrameWithoutWidthIsRefused) {
    installWidgetPacks(false);
    VMPtr<ui::ListMenu> list = ui::ListMenu::make();
    list->setItemCount(2);
    list->setBoardMode(true);  // cells of frame 5, empty in this content
    EXPECT_EQ(thrownName([&] { list->layout(); }), "java.lang.IllegalStateException");
    EXPECT_EQ(Keys::getRegionCount(0), 0);
    jint column = list->buttonGobColumn;
    EXPECT_EQ(ui::ResManager::S().gobRefs[column], 1);
    list->release();
    EXPECT_EQ(ui::ResManager::S().gobRefs[column], 0);
}

}  // namespace
}  // namespace wrentest::widgets
