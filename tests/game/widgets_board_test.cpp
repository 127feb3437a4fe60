// The message board in a scene, driven by stylus events: buttons chosen by
// touch wherever the frame's hit box puts them, a button id 0 never chosen,
// the pressed button's highlight, the text scrolled by the up and down keys
// its text box presses, and a board without buttons.
#include "ui_MsgBoard.h"
#include "widgets_fixture.h"
#include "widgets_test_support.h"

namespace wrentest::widgets {
namespace {

// Board frames 16 and 17 drawn at the screen's centre: the frame covers
// {20, 20, 200, 280}, the text box is {70, 30, 110, 260} (its right half
// the up region, its left half the down one), button 0 is {25, 180, 35,
// 110} and button 1 {25, 30, 35, 110}.
class BoardTest : public PanelTest {
protected:
    VMPtr<ui::MsgBoard> board(jint frameId, std::vector<jint> ids,
                              VMPtr<java::lang::String> text = nullptr) {
        VMPtr<ui::MsgBoard> b = ui::MsgBoard::make();
        b->setLabelCapacity(1);
        b->addLabel(6, 0, 0);
        b->loadGraphicsById(frameId);
        b->setText(text ? text : VMPtr<java::lang::String>(WREN_LIT("SURE")));
        b->setItemCount(jint(ids.size()));
        VMPtr<VMArray<jint>> array = VMArray<jint>::create(jint(ids.size()));
        for (size_t i = 0; i < ids.size(); ++i) array[jint(i)] = ids[i];
        b->setItemTextIds(array);
        b->layout();
        show(b);
        return b;
    }
    // A frame of a scene that shows the board: the up and down keys scroll
    // its text.
    void boardFrame(const VMPtr<ui::MsgBoard>& b) {
        frame();
        if (canvas->isKeyPressed(1)) b->scrollTextBack();
        if (canvas->isKeyPressed(6)) b->scrollTextForward();
    }
    // The id chosen by a tap at (x, y), as the scene reads it on the frame
    // that sees the release.
    jint chosenByTap(const VMPtr<ui::MsgBoard>& b, jint x, jint y) {
        tap(x, y);
        boardFrame(b);
        boardFrame(b);
        jint id = b->getChosenId();
        boardFrame(b);
        EXPECT_EQ(b->getChosenId(), -1) << "a choice lasts one frame";
        return id;
    }
};

// With a hit box of no height the buttons are hit-tested on the whole
// screen. With a height, the panel's rectangle starts at the screen's
// centre, where neither button lies: they are still chosen.
TEST_F(BoardTest, ButtonsAreChosenByTouchWhateverTheHitBox) {
    for (jint frameId : {16, 17}) {
        SCOPED_TRACE(frameId);
        VMPtr<ui::MsgBoard> b = board(frameId, {1, 2});
        EXPECT_EQ(chosenByTap(b, 42, 235), 1);
        EXPECT_EQ(chosenByTap(b, 42, 85), 2);
        EXPECT_EQ(b->getChosenIndex(), -1);
        EXPECT_EQ(chosenByTap(b, 25, 180), 1);  // the top-left corner is in
        EXPECT_EQ(chosenByTap(b, 60, 235), -1);  // the right edge is not
        EXPECT_EQ(chosenByTap(b, 42, 150), -1);  // between the buttons
        EXPECT_EQ(chosenByTap(b, 150, 310), -1);  // off the board
        EXPECT_EQ(keyCalls(), std::vector<std::string>{});  // no button is a key
        scene->unload();
    }
}

TEST_F(BoardTest, AButtonWithIdZeroIsNeverChosen) {
    VMPtr<ui::MsgBoard> b = board(16, {0, 2});
    press(42, 235);
    boardFrame(b);
    boardFrame(b);
    EXPECT_EQ(b->selectedIndex, 0);  // it can be pressed
    EXPECT_EQ(pixel(paint(), 42, 235), kHighlightColour);
    lift(42, 235);
    for (int i = 0; i < 3; ++i) {
        boardFrame(b);
        EXPECT_EQ(b->getChosenId(), -1);
        EXPECT_EQ(b->getChosenIndex(), -1);
    }
    EXPECT_EQ(chosenByTap(b, 42, 85), 2);
}

// The highlight shows on the pressed button only, and only while the
// stylus is down.
TEST_F(BoardTest, ThePressedButtonIsHighlightedWhileDown) {
    VMPtr<ui::MsgBoard> b = board(16, {1, 2});
    auto lit = [&] {
        VMPtr<javax::microedition::lcdui::Image> img = paint();
        return std::string(pixel(img, 42, 235) == kHighlightColour ? "0" : "") +
               (pixel(img, 42, 85) == kHighlightColour ? "1" : "");
    };
    EXPECT_EQ(lit(), "");
    press(42, 85);
    boardFrame(b);
    boardFrame(b);
    EXPECT_EQ(lit(), "1");
    drag(42, 150);  // off the button: nothing is pressed
    boardFrame(b);
    boardFrame(b);
    EXPECT_EQ(lit(), "");
    drag(42, 230);
    boardFrame(b);
    boardFrame(b);
    EXPECT_EQ(lit(), "0");
    lift(42, 230);
    boardFrame(b);
    EXPECT_EQ(lit(), "");
    boardFrame(b);
    EXPECT_EQ(b->getChosenId(), 1);
}

// A touch on the text box's right half presses the up key, on its left
// half the down key; the scene scrolls the text with them.
TEST_F(BoardTest, TheUpAndDownKeysOfTheTextBoxScrollTheText) {
    // 43 characters a column, 13 columns in the box: 20 columns in all.
    std::string text;
    for (int i = 0; i < 20; ++i) text += std::string(42, 'W') + " ";
    VMPtr<ui::MsgBoard> b = board(16, {1, 2}, java::lang::String::make(text.c_str()));
    b->setScrollable(true);
    ASSERT_EQ(b->lineCount, 20);
    ASSERT_EQ(b->visibleLines, 13);
    struct Step {
        jint x;  // 90 the left half, 170 the right
        const char* key;
        jint scroll;
    };
    std::vector<Step> steps;
    for (int i = 0; i < 8; ++i) steps.push_back({90, "6", std::min(i + 1, 7)});
    for (int i = 0; i < 8; ++i) steps.push_back({170, "1", std::max(6 - i, 0)});
    for (const Step& s : steps) {
        tap(s.x, 100);
        boardFrame(b);
        boardFrame(b);
        EXPECT_EQ(keyCalls(), (std::vector<std::string>{std::string("press ") + s.key,
                                                        std::string("release ") + s.key}));
        EXPECT_EQ(b->textScroll, s.scroll);
        EXPECT_EQ(b->getChosenId(), -1);
    }
    // The text box is no button.
    EXPECT_EQ(b->selectedIndex, -1);
}

// Buttons come only from setItemCount: ids alone give a board without
// buttons, which registers none and never chooses.
TEST_F(BoardTest, ABoardWithoutButtons) {
    VMPtr<ui::MsgBoard> b = ui::MsgBoard::make();
    b->loadGraphicsById(16);
    b->setText(WREN_LIT("NOTICE"));
    b->setItemTextIds(VMArray<jint>::of({1, 2}));
    b->layout();
    show(b);
    EXPECT_EQ(ui::Pointer::S().regionBoxes->length, 0);
    EXPECT_EQ(ui::Pointer::S().dragMinY, 0);
    press(42, 235);
    boardFrame(b);
    boardFrame(b);
    EXPECT_NE(pixel(paint(), 42, 235), kHighlightColour);
    EXPECT_EQ(chosenByTap(b, 42, 85), -1);

    // With buttons the drag limit spans the pressed frame's height per
    // button.
    VMPtr<ui::MsgBoard> two = board(16, {1, 2});
    EXPECT_EQ(ui::Pointer::S().dragMinY, -40);
    (void)two;
}

// A board whose own layout takes the button graphics (after loadGraphics)
// highlights with frame 2 and keeps an animation player, which its update
// advances by the scene's measured time; after loadGraphicsById it has
// none.
TEST_F(BoardTest, TheBoardsOwnPlayer) {
    VMPtr<ui::MsgBoard> own = ui::MsgBoard::make();
    own->loadGraphics(16, 0, 0, 240, 320);
    own->setItemCount(1);
    own->layout();
    ASSERT_TRUE(own->boardPlayer != nullptr);
    EXPECT_EQ(own->cellFrame->getFrameId(), 2);
    show(own);
    frame();
    frame();
    EXPECT_TRUE(board(16, {1})->boardPlayer == nullptr);
}

}  // namespace
}  // namespace wrentest::widgets
