#include "ui_Addon.h"

#include <algorithm>

#include "VMMath.h"
#include "main_Main.h"
#include "ui_ResManager.h"

WREN_DEFINE_CLASS(ui::Addon, "ui.Addon")

namespace ui {

using java::lang::String;
using javax::microedition::lcdui::Graphics;
using wren::Frame;
using wren::util::text::WrappedText;

namespace {

enum Arrow : jint { UP, DOWN, LEFT, RIGHT, ARROWS };

}  // namespace

void Addon::ctor() {
    MyObject::ctor();
    areaX = 0;
    areaY = 0;
    areaWidth = SCREEN_WIDTH;
    areaHeight = SCREEN_HEIGHT;
    chosenIndex = -1;
    marked = true;
    pointer = Pointer::make();
}

VMPtr<VMArray<jint>> Addon::boxOf(const VMPtr<Frame>& frame, jint type) {
    VMPtr<VMArray<jint>> box = VMArray<jint>::create(5);
    if (frame) frame->getCollisionRects(0, box, type);
    return box;
}

VMPtr<Frame> Addon::uiFrame(jint animColumn, jint frameId) {
    VMPtr<wren::AnimSet> set = ResManager::S().animSetPool[animColumn];
    return set->getFrame(frameId);
}

VMPtr<String> Addon::textOf(jint textId) {
    return main::Main::S().translation->getString(textId);
}

void Addon::selectFont(jint index) { main::Main::S().instance->selectFont(index); }

void Addon::acquirePanelSet() {
    ResManager::acquire(UI_GOBS, UI_ANIM_SET);
    panelGobColumn = ResManager::getLastGobSlot();
    panelAnimColumn = ResManager::getLastAnimSetSlot();
}

bool Addon::acquireButtonSet() {
    if (buttonSetId == UI_GOBS) return false;
    buttonSetId = UI_GOBS;
    ResManager::acquire(UI_GOBS, UI_ANIM_SET);
    buttonGobColumn = ResManager::getLastGobSlot();
    buttonAnimColumn = ResManager::getLastAnimSetSlot();
    return true;
}

// --- life cycle -------------------------------------------------------------

void Addon::release() {
    removeArrowRegions();
    if (panelFrame) ResManager::release(panelGobColumn, panelAnimColumn);
    if (cellFrame) ResManager::release(buttonGobColumn, buttonAnimColumn);
    dropResources();
}

void Addon::dropResources() {
    removeArrowRegions();
    panelFrame = nullptr;
    cellFrame = nullptr;
    panelGobColumn = panelAnimColumn = -1;
    buttonGobColumn = buttonAnimColumn = -1;
    // A later layout takes the button graphics afresh.
    buttonSetId = 0;
}

void Addon::registerArrowRegions(const VMPtr<VMArray<jint>>& up, const VMPtr<VMArray<jint>>& down,
                                 const VMPtr<VMArray<jint>>& left,
                                 const VMPtr<VMArray<jint>>& right) {
    removeArrowRegions();
    VMPtr<VMArray<jint, 2>> kept = VMArray<jint, 2>::create(ARROWS);
    const VMPtr<VMArray<jint>>* given[ARROWS] = {&up, &down, &left, &right};
    for (jint a = 0; a < ARROWS; ++a) {
        const VMPtr<VMArray<jint>>& r = *given[a];
        if (!r) continue;
        kept[a] = VMArray<jint>::of({r[0], r[1], r[2], r[3]});
    }
    arrowRects = kept;
    if (up) pointer->addUpRegion(kept[UP]);
    if (down) pointer->addDownRegion(kept[DOWN]);
    if (left) pointer->addLeftRegion(kept[LEFT]);
    if (right) pointer->addRightRegion(kept[RIGHT]);
}

void Addon::removeArrowRegions() {
    VMPtr<VMArray<jint, 2>> kept = arrowRects;
    if (!kept) return;
    arrowRects = nullptr;
    if (kept[UP]) pointer->removeUpRegion(kept[UP]);
    if (kept[DOWN]) pointer->removeDownRegion(kept[DOWN]);
    if (kept[LEFT]) pointer->removeLeftRegion(kept[LEFT]);
    if (kept[RIGHT]) pointer->removeRightRegion(kept[RIGHT]);
}

void Addon::postUpdate() { handleTouch(); }

void Addon::doUpdate() {}

void Addon::layout() {}

// --- graphics ---------------------------------------------------------------

void Addon::loadGraphics(jint frameId, jint x, jint y, jint width, jint height) {
    if (!panelFrame) acquirePanelSet();
    panelFrame = uiFrame(panelAnimColumn, frameId);
    VMPtr<VMArray<jint>> box = boxOf(panelFrame, 0);
    panelWidth = width;
    panelHeight = height;
    panelX = x + vmDiv(width - panelFrame->getWidth(0), 2);
    panelY = y + vmDiv(height - panelFrame->getHeight(0), 2);
    frameShown = true;
    textBoxX = box[0] + panelX;
    textBoxY = box[1] + panelY;
    textBoxWidth = box[2];
    textBoxHeight = box[3];
    setArea(textBoxX, textBoxY, textBoxWidth, textBoxHeight);
}

void Addon::loadGraphicsById(jint frameId) {
    if (!panelFrame) acquirePanelSet();
    panelFrame = uiFrame(panelAnimColumn, frameId);
    VMPtr<VMArray<jint>> box = boxOf(panelFrame, 1);
    panelWidth = panelFrame->getWidth(0);
    panelHeight = panelFrame->getHeight(0);
    panelX = SCREEN_WIDTH / 2;
    panelY = SCREEN_HEIGHT / 2;
    frameShown = true;
    textBoxX = box[0] + panelX;
    textBoxY = box[1] + panelY;
    textBoxWidth = box[2];
    textBoxHeight = box[3];
    setArea(textBoxX, textBoxY, textBoxWidth, textBoxHeight);
    if (labelCapacity == 1 || labelCapacity == 2) {
        for (jint i = 0; i < labelCapacity; ++i) {
            VMPtr<VMArray<jint>> labelBox = boxOf(panelFrame, i);
            labelPositions[i][0] = labelBox[0] + panelX;
            labelPositions[i][1] = labelBox[1] + panelY;
            labelWidths[i] = labelBox[2];
            labelHeights[i] = labelBox[3];
        }
    }
}

VMPtr<VMArray<wren::Gob*>> Addon::getButtonGobs() {
    VMPtr<VMArray<wren::Gob*>> gobs = ResManager::S().gobPool[buttonGobColumn];
    return gobs;
}

// --- text -------------------------------------------------------------------

void Addon::setText(const VMPtr<String>& s, jint x, jint y, jint width, jint height) {
    textBoxX = x;
    textBoxY = y;
    textBoxWidth = width;
    textBoxHeight = height;
    setText(s);
}

void Addon::setText(const VMPtr<String>& s) {
    textOriginX = textBoxX;
    dragOffset = textBoxY;
    textScroll = 0;
    selectFont(fontIndex);
    VMPtr<WrappedText> text = WrappedText::make(canvas);
    text->wrap(main::Main::S().richFont, s, textBoxHeight);
    wrappedText = text;
    lineCount = text->getLineCount();
    jint step = text->getLineStep();
    visibleLines = std::min(lineCount, vmDiv(textBoxWidth, step));
    pointer->resetX();
    pointer->resetY();
    jint limit = visibleLines < lineCount ? -((lineCount - visibleLines) * (itemRise + step)) : 0;
    pointer->setDragLimits(0, dragOffset, 0, limit);
}

void Addon::paintText(const VMPtr<Graphics>& g) {
    selectFont(fontIndex);
    VMPtr<WrappedText> text = wrappedText;
    if (!text) return;
    VMPtr<wren::util::text::RichFont> font = main::Main::S().richFont;
    VMPtr<String> s = text->getText();
    jint step = text->getLineStep();
    jint y = std::max(textBoxY, 0);
    for (jint i = 0; i < lineCount; ++i) {
        jint start = text->getLineStart(i);
        jint end = i + 1 < lineCount ? text->getLineStart(i + 1) : s->length();
        jint x = textBoxX + textBoxWidth - i * step;
        if (scrollable) x += textScroll * font->getHeight();
        font->drawSubstring(g, s, start, end - start, x, y, TOP_LEFT);
    }
}

jint Addon::getLineStep() { return wrappedText ? wrappedText->getLineStep() : 0; }

void Addon::scrollTextForward() {
    if (hasPostUpdate() && visibleLines + textScroll + 1 <= lineCount) ++textScroll;
}

void Addon::scrollTextBack() {
    if (hasPostUpdate() && textScroll > 0) --textScroll;
}

void Addon::advanceTicker() {
    if (!scrollable || selectedIndex == -1) return;
    jint w = main::Main::S().richFont->stringWidth(textOf(itemTextIds[selectedIndex]));
    if (w <= SCREEN_WIDTH) {
        tickerOffset = 0;
        return;
    }
    tickerOffset -= 2;
    if (tickerOffset <= -(w + areaX)) tickerOffset = SCREEN_WIDTH;
}

// --- painting ---------------------------------------------------------------

void Addon::paint(const VMPtr<Graphics>& g) {
    g->setColor(TEXT_COLOUR);
    if (frameShown) {
        if (panelFrame) {
            panelFrame->paint(g, panelX, panelY, 0);
        } else {
            g->fillRect(panelX, panelY, panelWidth, panelHeight);
            g->setColor(OUTLINE_COLOUR);
            g->drawRect(panelX, panelY, panelWidth, panelHeight);
        }
    }
    if (frameShown || wrappedText) {
        setClip(g, textBoxX, textBoxY, textBoxWidth, textBoxHeight);
        g->setColor(TEXT_COLOUR);
        paintText(g);
        resetClip(g);
        if (scrollable && visibleLines < lineCount) {
            jint u = vmDiv(textBoxWidth, lineCount);
            jint right = textBoxX + textBoxWidth;
            jint barY = textBoxY + textBoxHeight;
            g->setColor(TEXT_COLOUR);
            g->drawRect(right - lineCount * u, barY, lineCount * u, SCROLL_BAR_HEIGHT);
            jint thumbX = frameShown ? right - visibleLines * u - textScroll * u
                                     : right - lineCount * u + textScroll * u;
            g->fillRect(thumbX, barY, visibleLines * u, SCROLL_BAR_HEIGHT);
        }
    }
    VMPtr<wren::util::text::RichFont> font = main::Main::S().richFont;
    for (jint i = 0; i < labelCount; ++i) {
        selectFont(labelFonts[i]);
        g->setColor(TEXT_COLOUR);
        VMPtr<String> s = labelTexts[i];
        jint x = labelPositions[i][0];
        jint y = labelPositions[i][1];
        jint w = labelWidths[i];
        jint h = labelHeights[i];
        if (w > 0) x += w - vmDiv(w - font->getHeight(), 2);
        if (h > 0) y += vmDiv(h - font->stringWidth(s), 2);
        font->drawString(g, s, x, y, TOP_LEFT);
    }
}

void Addon::resetClip(const VMPtr<Graphics>& g) { canvas->resetClip(g); }

void Addon::setClip(const VMPtr<Graphics>& g, jint x, jint y, jint width, jint height) {
    g->setClip(x, y, width, height);
}

// --- labels -----------------------------------------------------------------

void Addon::setLabelCapacity(jint n) {
    VMPtr<VMArray<String*>> texts = VMArray<String*>::create(n);
    VMPtr<VMArray<jint, 2>> positions = VMArray<jint, 2>::create(n, 2);
    VMPtr<VMArray<jint>> widths = VMArray<jint>::create(n);
    VMPtr<VMArray<jint>> heights = VMArray<jint>::create(n);
    VMPtr<VMArray<jint>> fonts = VMArray<jint>::create(n);
    labelCapacity = n;
    labelTexts = texts;
    labelPositions = positions;
    labelWidths = widths;
    labelHeights = heights;
    labelFonts = fonts;
    labelCount = 0;
}

void Addon::addLabel(const VMPtr<String>& s, jint x, jint y) {
    if (labelCount >= labelCapacity) return;
    labelTexts[labelCount] = s;
    labelPositions[labelCount][0] = x;
    labelPositions[labelCount][1] = y;
    ++labelCount;
}

void Addon::addLabel(jint textId, jint x, jint y) {
    if (labelCount >= labelCapacity) return;
    addLabel(textOf(textId), x, y);
}

void Addon::addLabel(const VMPtr<String>& s, jint x, jint y, jint width) {
    if (labelCount >= labelCapacity) return;
    labelWidths[labelCount] = width;
    addLabel(s, x, y);
}

void Addon::addLabel(jint textId, jint x, jint y, jint width) {
    if (labelCount >= labelCapacity) return;
    labelWidths[labelCount] = width;
    addLabel(textId, x, y);
}

void Addon::addLabel(const VMPtr<String>& s, jint x, jint y, jint width, jint height) {
    if (labelCount >= labelCapacity) return;
    labelHeights[labelCount] = height;
    addLabel(s, x, y, width);
}

void Addon::addLabel(jint textId, jint x, jint y, jint width, jint height) {
    if (labelCount >= labelCapacity) return;
    labelHeights[labelCount] = height;
    addLabel(textId, x, y, width);
}

void Addon::setLabel(jint index, const VMPtr<String>& s, jint x, jint y) {
    setLabel(index, s, x, y, 0);
}

void Addon::setLabel(jint index, const VMPtr<String>& s, jint x, jint y, jint width) {
    if (index >= labelCapacity) return;
    labelTexts[index] = s;
    labelPositions[index][0] = x;
    labelPositions[index][1] = y;
    labelWidths[index] = width;
}

void Addon::setLabel(jint index, const VMPtr<String>& s, jint x, jint y, jint width,
                     jint height) {
    if (index >= labelCapacity) return;
    labelHeights[index] = height;
    setLabel(index, s, x, y, width);
}

void Addon::setLabelText(jint index, const VMPtr<String>& s) {
    if (index < labelCapacity) labelTexts[index] = s;
}

void Addon::setLabelFont(jint index, jint font) { labelFonts[index] = font; }

void Addon::setLabelCount(jint n) {
    if (n >= 0 && n <= labelCapacity) labelCount = n;
}

// --- items and touch ----------------------------------------------------------

void Addon::setItemCount(jint n) {
    VMPtr<VMArray<jint>> ids = VMArray<jint>::create(n);
    itemCount = n;
    itemTextIds = ids;
}

void Addon::setItemTextIds(const VMPtr<VMArray<jint>>& ids) { itemTextIds = ids; }

void Addon::setSelectedIndex(jint i) {
    if (itemTextIds && i >= 0 && i < itemTextIds->length) selectedIndex = i;
}

jint Addon::getSelectedTextId() {
    if (!hasPostUpdate() || !itemTextIds || itemCount <= 0 || selectedIndex == -1) return -1;
    return itemTextIds[selectedIndex];
}

jint Addon::getChosenIndex() {
    if (chosenIndex == -1 || !itemTextIds) return -1;
    jint i = firstVisible + chosenIndex;
    if (i < 0 || i >= itemTextIds->length || itemTextIds[i] == 0) return -1;
    return i;
}

jint Addon::getChosenId() {
    jint i = getChosenIndex();
    return i == -1 || itemCount <= 0 ? -1 : itemTextIds[i];
}

void Addon::handleTouch() {
    updateSelection();
    updateChosen();
}

void Addon::updateSelection() {
    if (!itemTextIds || itemCount <= 0) {
        selectedIndex = -1;
        return;
    }
    jint hit = pointer->getPressedRegion(0);
    selectedIndex = hit >= 0 && hit < itemTextIds->length ? hit : -1;
}

void Addon::updateChosen() { chosenIndex = pointer->getReleasedRegion(0); }

void Addon::updateDrag() {
    if (listMode || boardMode || scrollable) dragOffset = pointer->getDragY(0);
}

void Addon::scrollItemsBack() {
    if (hasPostUpdate()) firstVisible = std::max(firstVisible - 1, 0);
}

void Addon::scrollItemsForward() {
    if (hasPostUpdate() && firstVisible + visibleItems < itemCount) ++firstVisible;
}

void Addon::onScrollBackKey() {
    if (!hasPostUpdate()) return;
    tickerOffset = 0;
    if (listMode || boardMode)
        scrollItemsBack();
    else if (frameShown || wrappedText)
        scrollTextBack();
}

void Addon::onScrollForwardKey() {
    if (!hasPostUpdate()) return;
    tickerOffset = 0;
    if (listMode || boardMode)
        scrollItemsForward();
    else if (frameShown || wrappedText)
        scrollTextForward();
}

void Addon::setItemDragLimits() {
    jint limit = visibleItems < itemCount ? -((itemRise + cellHeight) * (itemCount - visibleItems))
                                          : 0;
    pointer->setDragLimits(0, 0, 0, limit);
}

VMPtr<VMArray<jint, 2>> Addon::getItemRects() {
    jint n = std::max(0, std::min(itemCount, visibleItems));
    VMPtr<VMArray<jint, 2>> rects = VMArray<jint, 2>::create(n);
    for (jint i = 0; i < n; ++i) {
        VMPtr<VMArray<jint>> r = boxOf(cellFrame, 5);
        r[0] += areaWidth + areaX - i * (itemGap + cellWidth);
        r[1] += areaY + itemRise;
        rects[i] = r;
    }
    return rects;
}

// The arrow rectangles start from a box of the cell frame; all zero without
// one.
VMPtr<VMArray<jint>> Addon::cellBoxOnRow(jint type, jint dx) {
    VMPtr<VMArray<jint>> r = boxOf(cellFrame, type);
    if (cellFrame) {
        r[0] += dx;
        r[1] += areaY + itemRise;
    }
    return r;
}

VMPtr<VMArray<jint>> Addon::getUpButtonRect() {
    VMPtr<VMArray<jint>> r = cellBoxOnRow(5, areaWidth + areaX);
    if (cellFrame) r[0] += r[2];
    return r;
}

VMPtr<VMArray<jint>> Addon::getDownButtonRect() {
    return cellBoxOnRow(5, areaX);
}

VMPtr<VMArray<jint>> Addon::getLeftButtonRect() {
    return cellBoxOnRow(3, areaWidth + areaX);
}

VMPtr<VMArray<jint>> Addon::getRightButtonRect() {
    return cellBoxOnRow(4, areaWidth + areaX);
}

// --- plain accessors ------------------------------------------------------------

jint Addon::getPanelWidth() { return panelWidth; }
jint Addon::getPanelHeight() { return panelHeight; }
jint Addon::getPanelX() { return panelX; }
jint Addon::getPanelY() { return panelY; }
jint Addon::getTextOriginX() { return textOriginX; }
jint Addon::getDragOffset() { return dragOffset; }
jint Addon::getFirstVisible() { return firstVisible; }
void Addon::setBoardMode(jboolean on) { boardMode = on; }
jboolean Addon::isBoardMode() { return boardMode; }
void Addon::setListMode(jboolean on) { listMode = on; }
jboolean Addon::isListMode() { return listMode; }
void Addon::setScrollable(jboolean on) { scrollable = on; }
void Addon::setFontIndex(jint n) { fontIndex = n; }
void Addon::setFrameShown(jboolean on) { frameShown = on; }
jboolean Addon::isFrameShown() { return frameShown; }
void Addon::setMarked(jboolean on) { marked = on; }
jboolean Addon::isMarked() { return marked; }

void Addon::setCellSize(jint width, jint height) {
    cellWidth = width;
    cellHeight = height;
}

void Addon::restoreArea() { setArea(textBoxX, textBoxY, textBoxWidth, textBoxHeight); }

VMPtr<VMArray<jint>> Addon::getTextBox() {
    return VMArray<jint>::of({textBoxX, textBoxY, textBoxWidth, textBoxHeight, 0});
}

void Addon::setArea(jint x, jint y, jint width, jint height) {
    areaX = x;
    areaY = y;
    areaWidth = width;
    areaHeight = height;
}

}  // namespace ui
