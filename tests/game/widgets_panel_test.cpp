// The panel: its arrow touch regions leave with it whatever changed since
// they were registered, its wrapped text scrolls within the text box with a
// scroll bar, a frame-less panel's fill, and its labels.
#include "ui_ListMenu.h"
#include "ui_MsgBoard.h"
#include "ui_ResManager.h"
#include "widgets_fixture.h"
#include "widgets_test_support.h"
#include "wren_input_PointerInputKeyManager.h"

namespace wrentest::widgets {
namespace {

using Keys = wren::input::PointerInputKeyManager;
using Lines = std::vector<std::string>;

VMPtr<java::lang::String> repeated(char c, int n) {
    std::string s(size_t(n), c);
    return java::lang::String::make(s.c_str());
}

VMPtr<ui::ListMenu> laidOutList() {
    VMPtr<ui::ListMenu> list = ui::ListMenu::make();
    list->setItemCount(5);
    list->setArea(50, 0, 130, 320);
    list->setItemTextIds(VMArray<jint>::of({1, 2, 3, 4, 5}));
    list->layout();
    return list;
}

VMPtr<ui::MsgBoard> laidOutBoard() {
    VMPtr<ui::MsgBoard> board = ui::MsgBoard::make();
    board->loadGraphicsById(16);
    board->setText(WREN_LIT("A QUESTION"));
    board->setItemCount(2);
    board->setItemTextIds(VMArray<jint>::of({1, 2}));
    board->layout();
    return board;
}

// A panel registers its arrow regions from its cell frame, area or text
// box; when any of them changes afterwards, the regions still leave with
// the panel, and a layout done again replaces them.
TEST_F(PanelTest, ArrowRegionsLeaveWithThePanelWhateverChanged) {
    struct Case {
        const char* name;
        std::function<VMPtr<ui::Addon>()> make;
        jint regions;
        std::function<void(const VMPtr<ui::Addon>&)> change;
        bool drop;  // dropResources instead of release
        std::vector<std::pair<jint, jint>> formerly;  // points on the first regions
    };
    const Case cases[] = {
        {"a list whose area moved", [] { return laidOutList(); }, 4,
         [](const VMPtr<ui::Addon>& p) { p->setArea(0, 0, 240, 320); }, false,
         {{200, 100}, {20, 100}, {85, 15}, {115, 15}}},
        {"a list laid out again elsewhere", [] { return laidOutList(); }, 4,
         [](const VMPtr<ui::Addon>& p) {
             p->setArea(0, 0, 240, 320);
             p->layout();
         },
         false, {{200, 100}, {20, 100}}},
        {"a board given another text box", [] { return laidOutBoard(); }, 2,
         [](const VMPtr<ui::Addon>& p) { p->setText(WREN_LIT("ELSEWHERE"), 0, 0, 40, 40); },
         false, {{170, 100}, {90, 100}}},
        {"a board given another frame, its graphics dropped", [] { return laidOutBoard(); }, 2,
         [](const VMPtr<ui::Addon>& p) { p->loadGraphicsById(0); }, true, {{170, 100}, {90, 100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<ui::Addon> panel = c.make();
        EXPECT_EQ(Keys::getRegionCount(0), c.regions);
        c.change(panel);
        EXPECT_EQ(Keys::getRegionCount(0), c.regions);
        jint gobColumn = panel->panelFrame ? panel->panelGobColumn : panel->buttonGobColumn;
        if (c.drop)
            panel->dropResources();
        else
            panel->release();
        EXPECT_EQ(Keys::getRegionCount(0), 0);
        keyCalls();
        for (auto [x, y] : c.formerly) tap(x, y);
        EXPECT_EQ(keyCalls(), Lines{});
        // Released graphics go back to the cache; dropped ones do not.
        EXPECT_EQ(ui::ResManager::S().gobRefs[gobColumn] == 0, !c.drop);
        panel->release();  // once more: nothing left to remove or give back
        ui::ResManager::clear();
    }
}

// Panel frame 0 centred in the screen: the text box is {30, 90, 80, 60},
// ten characters a column, ten columns of 8.
class PanelTextTest : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        panel = ui::Addon::make();
        panel->loadGraphics(0, 0, 0, 240, 320);
        panel->setScrollable(true);
        show(panel);
    }
    // Whether the scroll bar's thumb covers x on its line.
    bool thumbAt(jint x) { return pixel(paint(), x, 152) == kCellColour; }
    VMNativePtr<ui::Addon> panel;
};

TEST_F(PanelTextTest, TextScrollsWithinTheBox) {
    ASSERT_EQ(panel->textBoxX, 30);
    ASSERT_EQ(panel->textBoxY, 90);
    panel->setText(repeated('A', 200));
    EXPECT_EQ(panel->lineCount, 20);
    EXPECT_EQ(panel->visibleLines, 10);
    EXPECT_EQ(ui::Pointer::S().dragMaxY, 90);
    EXPECT_EQ(ui::Pointer::S().dragMinY, -80);

    // Ten columns hidden: scrolled forward ten times at most, back to 0.
    std::vector<jint> scroll;
    for (int i = 0; i < 12; ++i) {
        panel->onScrollForwardKey();
        scroll.push_back(panel->textScroll);
    }
    EXPECT_EQ(scroll, (std::vector<jint>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 10}));
    // The thumb, half the track, runs from its right half to its left.
    EXPECT_TRUE(thumbAt(40));
    EXPECT_FALSE(thumbAt(100));
    for (int i = 0; i < 12; ++i) panel->scrollTextBack();
    EXPECT_EQ(panel->textScroll, 0);
    EXPECT_FALSE(thumbAt(40));
    EXPECT_TRUE(thumbAt(100));

    // The columns stay inside the box: no ink beside or below it.
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    for (jint x : {20, 29, 110, 119})
        for (jint y = 80; y < 160; y += 2) EXPECT_NE(pixel(img, x, y), kInkColour) << x << "," << y;
    for (jint x = 30; x < 110; ++x) EXPECT_NE(pixel(img, x, 91 + 60 + 6), kInkColour) << x;
    EXPECT_EQ(pixel(img, 105, 100), kInkColour);

    // A panel that is not active does not scroll.
    panel->setPostUpdate(false);
    panel->scrollTextForward();
    panel->onScrollForwardKey();
    EXPECT_EQ(panel->textScroll, 0);
}

TEST_F(PanelTextTest, TextThatFitsDrawsNoScrollBar) {
    panel->setText(repeated('A', 95));
    EXPECT_EQ(panel->lineCount, 10);
    EXPECT_EQ(panel->visibleLines, 10);
    EXPECT_EQ(ui::Pointer::S().dragMinY, 0);
    panel->scrollTextForward();
    EXPECT_EQ(panel->textScroll, 0);
    EXPECT_FALSE(thumbAt(40));
    EXPECT_FALSE(thumbAt(100));
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    EXPECT_EQ(pixel(img, 30, 150), kPanelColour);  // no track either
}

// Shown with no frame graphic: a fill and an outline.
TEST_F(PanelTest, APanelWithoutFrameIsFilledAndOutlined) {
    VMPtr<ui::Addon> panel = ui::Addon::make();
    panel->setFrameShown(true);
    panel->panelX = 10;
    panel->panelY = 20;
    panel->panelWidth = 50;
    panel->panelHeight = 40;
    show(panel);
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    EXPECT_EQ(pixel(img, 30, 40), kCellColour);
    EXPECT_EQ(pixel(img, 10, 20), kPanelColour);
    EXPECT_EQ(pixel(img, 60, 60), kPanelColour);
    EXPECT_EQ(pixel(img, 61, 61), 0xFFF8FCF8u);
}

TEST_F(PanelTest, Labels) {
    VMPtr<ui::Addon> panel = ui::Addon::make();
    panel->setLabelCapacity(2);
    panel->addLabel(6, 0, 0);  // "TITLE"
    panel->addLabel(WREN_LIT("B"), 5, 5, 30, 40);
    panel->addLabel(WREN_LIT("NO ROOM"), 0, 0);
    EXPECT_EQ(panel->labelCount, 2);
    panel->setLabelCount(3);
    panel->setLabelCount(-1);
    EXPECT_EQ(panel->labelCount, 2);
    panel->setLabel(2, WREN_LIT("NO ROOM"), 0, 0);
    EXPECT_EQ(panel->labelTexts->length, 2);

    // A board frame places label 0 in its box of type 0 and label 1 in
    // that of type 1, and the rich font writes each down its box's middle.
    panel->loadGraphicsById(16);
    EXPECT_EQ(panel->labelPositions[0][0], 185);
    EXPECT_EQ(panel->labelWidths[0], 30);
    EXPECT_EQ(panel->labelHeights[1], 260);
    show(panel);
    VMPtr<javax::microedition::lcdui::Image> img = paint();
    jint inked = 0, outside = 0;
    for (jint y = 30; y < 290; ++y)
        for (jint x = 185; x < 215; ++x) {
            if (pixel(img, x, y) != kInkColour) continue;
            ++inked;
            // "TITLE" is 30 long: its column lies in the box's middle third.
            if (y < 130 || y > 190) ++outside;
        }
    EXPECT_GT(inked, 0);
    EXPECT_EQ(outside, 0);
}

// The marquee offset of a scrollable panel's selected item: a text wider
// than the screen (270 pixels here) moves 2 to the left a call and starts
// again at 240 once it has gone its width and the area's x (10) past 0; a
// text that fits stays at 0; without a selection or scrolling nothing moves.
TEST_F(PanelTest, TheTickerRunsPastItsTextAndStartsAgainAt240) {
    VMPtr<ui::Addon> panel = ui::Addon::make();
    panel->setArea(10, 0, 200, 300);
    panel->setItemTextIds(VMArray<jint>::of({1, 9}));
    panel->setScrollable(true);
    panel->selectedIndex = 1;
    panel->advanceTicker();
    EXPECT_EQ(panel->tickerOffset, -2);
    for (int i = 1; i < 139; ++i) panel->advanceTicker();
    EXPECT_EQ(panel->tickerOffset, -278);
    panel->advanceTicker();
    EXPECT_EQ(panel->tickerOffset, 240);
    panel->advanceTicker();
    EXPECT_EQ(panel->tickerOffset, 238);

    panel->selectedIndex = -1;
    panel->advanceTicker();
    EXPECT_EQ(panel->tickerOffset, 238);
    panel->selectedIndex = 1;
    panel->setScrollable(false);
    panel->advanceTicker();
    EXPECT_EQ(panel->tickerOffset, 238);
    panel->setScrollable(true);
    panel->selectedIndex = 0;  // "ONE" fits
    panel->advanceTicker();
    EXPECT_EQ(panel->tickerOffset, 0);
}

// The drag offset follows the first touch point's drag down the screen in
// a list, a board or a scrollable panel, and stays put in any other.
TEST_F(PanelTest, TheDragOffsetFollowsTheTouchInListsBoardsAndScrollingPanels) {
    struct Case {
        const char* name;
        bool list, board, scrollable;
        jint expected;
    } cases[] = {
        {"list", true, false, false, -35}, {"board", false, true, false, -35},
        {"scrollable", false, false, true, -35}, {"plain", false, false, false, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VMPtr<ui::Addon> panel = ui::Addon::make();
        ui::Pointer::Statics& p = ui::Pointer::S();
        p.touchStartX[0] = 100;
        p.touchStartY[0] = 150;
        p.touchX[0] = 40;
        p.touchY[0] = 115;
        panel->listMode = c.list;
        panel->boardMode = c.board;
        panel->setScrollable(c.scrollable);
        panel->dragOffset = 7;
        panel->updateDrag();
        EXPECT_EQ(panel->dragOffset, c.expected);
    }
}

}  // namespace
}  // namespace wrentest::widgets
