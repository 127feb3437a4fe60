// ui.Addon: the game's panel, a scene object that draws a frame graphic, a
// block of wrapped text (with a scroll bar when it scrolls) and free
// single-line labels. It is also the base of the list menu and the message
// board, so it keeps what both need: items as text ids, the first item on
// the page, the item under the pressed pointer and the one released on,
// and the arrow touch regions it registered with the touch helper.
//
// Text is written in vertical columns: a wrapped line is a column, columns
// run from the right edge of the text box to the left, and the wrap length
// is the box's height. Every panel draws with main.Main's shared rich font.
// Its graphics are frames of the shared UI set (animation set 0x2400 over
// graphic-object set 0x2401), taken from the resource cache.
//
// A panel whose post-update flag is set is active: only an active panel
// handles touches (its scene calls postUpdate) and scrolls.
//
// Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "ui_MyObject.h"
#include "ui_Pointer.h"
#include "wren_Frame.h"
#include "wren_Gob.h"
#include "wren_util_text_WrappedText.h"

namespace ui {

class Addon : public MyObject {
    WREN_CLASS(Addon, MyObject, (panelFrame, wren::Frame),
               (wrappedText, wren::util::text::WrappedText), (itemTextIds, VMArray<jint>),
               (cellFrame, wren::Frame), (labelTexts, VMArray<java::lang::String*>),
               // {x, y} per label.
               (labelPositions, VMArray<jint, 2>), (labelWidths, VMArray<jint>),
               (labelHeights, VMArray<jint>), (labelFonts, VMArray<jint>), (pointer, Pointer),
               // The rectangles the arrow regions were registered with (up,
               // down, left, right; null where none was), so that they are
               // removed as they were added whatever changed since.
               (arrowRects, VMArray<jint, 2>))
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint UI_ANIM_SET = 0x2400;
    static constexpr jint UI_GOBS = 0x2401;
    static constexpr jint SCREEN_WIDTH = 240;
    static constexpr jint SCREEN_HEIGHT = 320;
    static constexpr jint TEXT_COLOUR = 0x82451A;
    static constexpr jint OUTLINE_COLOUR = 0xE3CA83;
    static constexpr jint TOP_LEFT = 20;  // Graphics.TOP | Graphics.LEFT
    static constexpr jint SCROLL_BAR_HEIGHT = 5;

    // The box the wrapped text is drawn and clipped in.
    jint textBoxX = 0;
    jint textBoxY = 0;
    jint textBoxWidth = 0;
    jint textBoxHeight = 0;
    // Where list and board layouts and the arrow regions lie.
    jint areaX = 0;
    jint areaY = 0;
    jint areaWidth = 0;
    jint areaHeight = 0;
    // Read back by the scenes only.
    jint textOriginX = 0;
    jint dragOffset = 0;
    // Where panelFrame is drawn, and the size the loader was given.
    jint panelX = 0;
    jint panelY = 0;
    jint panelWidth = 0;
    jint panelHeight = 0;
    jboolean frameShown = false;
    // The resource cache's columns of panelFrame's graphics.
    jint panelGobColumn = 0;
    jint panelAnimColumn = 0;
    jint fontIndex = 0;
    // Columns of the wrapped text, how many fit the box, how far scrolled.
    jint lineCount = 0;
    jint visibleLines = 0;
    jint textScroll = 0;
    jboolean scrollable = false;
    // A marquee offset; nothing draws with it.
    jint tickerOffset = 0;
    // Only setItemCount sets the count; setItemTextIds hands over an array.
    jint itemCount = 0;
    jint firstVisible = 0;
    jint visibleItems = 0;
    // Within the page: the item under the pressed pointer, the one the
    // pointer was released on; -1 for none.
    jint selectedIndex = 0;
    jint chosenIndex = 0;
    jint cellWidth = 0;
    jint cellHeight = 0;
    jint itemGap = 0;
    jint itemRise = 0;
    // 0, or UI_GOBS once the button graphics are taken.
    jint buttonSetId = 0;
    jint buttonGobColumn = 0;
    jint buttonAnimColumn = 0;
    jboolean listMode = false;
    jboolean boardMode = false;
    // Kept for the scenes.
    jboolean marked = false;
    jint labelCapacity = 0;
    jint labelCount = 0;

    // A full-screen area, nothing chosen, marked; a touch helper of its own
    // (which starts the shared stylus state afresh).
    void ctor();

    // Removes the arrow regions and gives the graphics back to the cache.
    void release() override;
    // handleTouch.
    void postUpdate() override;
    void doUpdate() override;
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // As release, without giving the graphics back.
    void dropResources() override;

    virtual void setLabelCapacity(jint n);
    virtual void paintText(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual void scrollTextForward();
    virtual jint getPanelWidth();
    virtual void setText(const VMPtr<java::lang::String>& s, jint x, jint y, jint width,
                         jint height);
    // Wraps the text to the text box.
    virtual void setText(const VMPtr<java::lang::String>& s);
    // The frame centred in the rectangle; text box from its box of type 0.
    virtual void loadGraphics(jint frameId, jint x, jint y, jint width, jint height);
    // The frame at the screen's centre; text box from its box of type 1,
    // labels 0 and 1 from its boxes of types 0 and 1.
    virtual void loadGraphicsById(jint frameId);
    virtual void scrollItemsBack();
    virtual void addLabel(const VMPtr<java::lang::String>& s, jint x, jint y);
    virtual void addLabel(jint textId, jint x, jint y);
    virtual void addLabel(const VMPtr<java::lang::String>& s, jint x, jint y, jint width);
    virtual void addLabel(jint textId, jint x, jint y, jint width);
    virtual void addLabel(const VMPtr<java::lang::String>& s, jint x, jint y, jint width,
                          jint height);
    virtual void addLabel(jint textId, jint x, jint y, jint width, jint height);
    virtual void setLabel(jint index, const VMPtr<java::lang::String>& s, jint x, jint y,
                          jint width, jint height);
    // Also sets the label's width to 0.
    virtual void setLabel(jint index, const VMPtr<java::lang::String>& s, jint x, jint y);
    virtual void setLabel(jint index, const VMPtr<java::lang::String>& s, jint x, jint y,
                          jint width);
    virtual void setLabelText(jint index, const VMPtr<java::lang::String>& s);
    virtual void setBoardMode(jboolean on);
    // Pages the items in list or board mode, else scrolls the text.
    virtual void onScrollForwardKey();
    // The text id of the selected item, counted from the list's start.
    virtual jint getSelectedTextId();
    virtual void layout();
    virtual void advanceTicker();
    virtual VMPtr<VMArray<jint>> getUpButtonRect();
    // The text id of the item released on, or -1 (also for a text id of 0).
    virtual jint getChosenId();
    virtual void scrollTextBack();
    virtual void setLabelFont(jint index, jint font);
    virtual void resetClip(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    virtual VMPtr<VMArray<jint>> getLeftButtonRect();
    virtual void setClip(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                         jint width, jint height);
    // The touch rectangles of the items on the page.
    virtual VMPtr<VMArray<jint, 2>> getItemRects();
    virtual VMPtr<VMArray<jint>> getRightButtonRect();
    virtual void scrollItemsForward();
    virtual jint getFirstVisible();
    virtual void handleTouch();
    virtual void setItemCount(jint n);
    virtual jint getPanelX();
    virtual jint getTextOriginX();
    virtual void setListMode(jboolean on);
    // The index (from the list's start) of the item released on, or -1
    // (also for a text id of 0).
    virtual jint getChosenIndex();
    virtual jint getLineStep();
    virtual void setCellSize(jint width, jint height);
    virtual jint getPanelHeight();
    virtual void restoreArea();
    virtual VMPtr<VMArray<jint>> getDownButtonRect();
    virtual VMPtr<VMArray<wren::Gob*>> getButtonGobs();
    virtual void setItemTextIds(const VMPtr<VMArray<jint>>& ids);
    // {x, y, width, height, 0}.
    virtual VMPtr<VMArray<jint>> getTextBox();
    virtual void setArea(jint x, jint y, jint width, jint height);
    virtual void setLabelCount(jint n);
    virtual void setMarked(jboolean on);
    virtual jint getDragOffset();
    virtual void setSelectedIndex(jint i);
    virtual jint getPanelY();
    virtual jboolean isMarked();
    virtual void updateDrag();
    virtual jboolean isFrameShown();
    virtual void setScrollable(jboolean on);
    virtual void updateChosen();
    virtual jboolean isBoardMode();
    virtual void updateSelection();
    virtual void setFontIndex(jint n);
    virtual void onScrollBackKey();
    virtual jboolean isListMode();
    virtual void setFrameShown(jboolean on);

protected:
    // Registers the arrow regions (a null rectangle registers none in that
    // direction), first removing those registered before.
    void registerArrowRegions(const VMPtr<VMArray<jint>>& up, const VMPtr<VMArray<jint>>& down,
                              const VMPtr<VMArray<jint>>& left,
                              const VMPtr<VMArray<jint>>& right);
    // Removes exactly the arrow regions registered, once.
    void removeArrowRegions();
    // The first box of `type` of the frame, {x, y, width, height, type};
    // all zero when the frame has none, or for no frame.
    static VMPtr<VMArray<jint>> boxOf(const VMPtr<wren::Frame>& frame, jint type);
    // Frame `frameId` of the UI animation set in the cache's column.
    static VMPtr<wren::Frame> uiFrame(jint animColumn, jint frameId);
    // Takes the button graphics (the UI set) when not taken yet; true when
    // this call took them.
    bool acquireButtonSet();
    // The text of a text id from the current text table.
    static VMPtr<java::lang::String> textOf(jint textId);
    // Selects the font on the shared rich font.
    static void selectFont(jint index);

    // The touch helper's drag limits for the items that do not fit the
    // page.
    void setItemDragLimits();

private:
    void acquirePanelSet();
    // Box `type` of the cell frame moved `dx` to the right and down to the
    // items' row; all zero without a cell frame.
    VMPtr<VMArray<jint>> cellBoxOnRow(jint type, jint dx);
};

}  // namespace ui
