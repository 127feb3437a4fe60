#include "ui_Screen.h"

#include "VMTry.h"
#include "ui_ResManager.h"
#include "ui_Scene.h"
#include "wren_Resources.h"

WREN_DEFINE_CLASS(ui::Screen, "ui.Screen")

namespace ui {

using javax::microedition::lcdui::Graphics;
using wren::AnimPlayer;
using wren::AnimSet;
using wren::Gob;
using wren::Paintable;
using wren::graphics::CollisionBox;

namespace {

constexpr jint TYPE_GOB = 0;
constexpr jint TYPE_FRAME = 1;
constexpr jint TYPE_PLAYER = 2;

}  // namespace

void Screen::ctor() {
    MyObject::ctor();
    backgroundColor1 = DEFAULT_BACKGROUND;
    backgroundColor2 = DEFAULT_BACKGROUND;
    layerCount = 0;
    layerCapacity = 0;
    backgroundEnabled = false;
    clipSave = VMArray<jint>::create(5);
}

// --- layers ------------------------------------------------------------------------------

void Screen::setLayerCapacity(jint n) {
    layerCapacity = n;
    layerPaintables = VMArray<Paintable*>::create(n);
    layerGobColumns = VMArray<jint>::create(n);
    layerAnimSetColumns = VMArray<jint>::create(n);
    layerPlayers = VMArray<AnimPlayer*>::create(n);
    layerOffsets = VMArray<jint, 2>::create(n, 2);
    layerIds = VMArray<jint>::create(n);
    layerClips = VMArray<jint, 2>::create(n, 5);
    for (jint k = 0; k < n; ++k) {
        layerClips[k][2] = AREA_WIDTH;
        layerClips[k][3] = AREA_HEIGHT;
        layerGobColumns[k] = -1;
        layerAnimSetColumns[k] = -1;
    }
}

jint Screen::getLayerCapacity() { return layerCapacity; }

jint Screen::getLayerCount() { return layerCount; }

void Screen::setLayerCursor(jint index) {
    if (index >= 0 && index <= layerCapacity) layerCount = index;
}

template <class F>
void Screen::takeLayer(jint layer, jint gobId, jint animSetId, F show) {
    releaseLayer(layer);
    ResManager::acquire(gobId, animSetId);
    jint gobColumn = ResManager::getLastGobSlot();
    jint animSetColumn = ResManager::getLastAnimSetSlot();
    layerGobColumns[layer] = gobColumn;
    layerAnimSetColumns[layer] = animSetColumn;
    bool shown = false;
    vmTryFinally(
        [&] {
            show();
            shown = true;
        },
        [&] {
            if (shown) return;
            // A set missing from the cache, or an id outside it: the
            // layer holds nothing rather than counts nobody gives back.
            layerPaintables[layer] = nullptr;
            layerPlayers[layer] = nullptr;
            layerGobColumns[layer] = -1;
            layerAnimSetColumns[layer] = -1;
            ResManager::release(gobColumn, animSetColumn);
        });
}

void Screen::setGobLayer(jint layer, jint gobId) {
    takeLayer(layer, gobId, -1, [&] {
        VMPtr<VMArray<Gob*>> gobs = ResManager::S().gobPool[layerGobColumns[layer]];
        layerPaintables[layer] = gobs[0];
        layerOffsets[layer][0] = 0;
        layerOffsets[layer][1] = 0;
        layerIds[layer] = 0;
    });
}

void Screen::setLayer(jint layer, jint gobId, jint animSetId, jint frameId, jint x, jint y) {
    takeLayer(layer, gobId, animSetId, [&] {
        layerPaintables[layer] = animSetOf(layer)->getFrame(frameId);
        layerOffsets[layer][0] = x;
        layerOffsets[layer][1] = y;
        layerIds[layer] = frameId;
    });
}

void Screen::setAnimLayer(jint layer, jint gobId, jint animSetId, jint animId, jint x, jint y) {
    takeLayer(layer, gobId, animSetId, [&] {
        VMPtr<AnimPlayer> player = AnimPlayer::make();
        layerPlayers[layer] = player;
        player->setAnimSet(animSetOf(layer));
        player->setAnimation(animId);
        player->setX(x);
        player->setY(y);
        layerPaintables[layer] = player;
        layerOffsets[layer][0] = 0;
        layerOffsets[layer][1] = 0;
        layerIds[layer] = animId;
    });
}

void Screen::appendAnimLayer(jint gobId, jint animSetId, jint animId, jint x, jint y) {
    setAnimLayer(layerCount, gobId, animSetId, animId, x, y);
    ++layerCount;
}

void Screen::appendLayer(jint gobId) {
    setGobLayer(layerCount, gobId);
    ++layerCount;
}

void Screen::appendFrameLayer(jint gobId, jint animSetId, jint frameId, jint x, jint y) {
    setLayer(layerCount, gobId, animSetId, frameId, x, y);
    ++layerCount;
}

void Screen::releaseLayer(jint layer) {
    if (layerPaintables[layer] == nullptr) return;
    ResManager::release(layerGobColumns[layer], layerAnimSetColumns[layer]);
    layerPlayers[layer] = nullptr;
    layerGobColumns[layer] = -1;
    layerAnimSetColumns[layer] = -1;
    layerPaintables[layer] = nullptr;
}

void Screen::setLayerClip(jint layer, const VMPtr<VMArray<jint>>& rect) {
    VMPtr<VMArray<jint>> clip = layerClips[layer];
    for (jint i = 0; i < 4; ++i) clip[i] = rect[i];
}

jint Screen::getLayerGobColumn(jint layer) {
    return layer >= layerGobColumns->length ? -1 : layerGobColumns[layer];
}

jint Screen::getLayerAnimSetColumn(jint layer) {
    return layer >= layerAnimSetColumns->length ? -1 : layerAnimSetColumns[layer];
}

VMPtr<AnimSet> Screen::animSetOf(jint layer) {
    return ResManager::S().animSetPool[layerAnimSetColumns[layer]];
}

VMPtr<Gob> Screen::boxGob(jint layer) {
    VMPtr<VMArray<Gob*>> gobs = ResManager::S().gobPool[layerGobColumns[layer]];
    return gobs[0];
}

void Screen::playAnimation(jint layer, jint id) {
    if (layer >= layerCapacity || layerPaintables[layer] == nullptr || layerIds[layer] == id) return;
    VMPtr<Paintable> shown = layerPaintables[layer];
    switch (shown->getType()) {
    case TYPE_GOB: {
        ResManager::Statics& pool = ResManager::S();
        jint column = layerGobColumns[layer];
        VMPtr<VMArray<Gob*>> gobs = pool.gobPool[column];
        if (id < 0 || id >= gobs->length)
            wren::Resources::throwMissingPart(pool.ids[0][column], "the graphic-object set",
                                              "graphic object", id, gobs->length);
        layerPaintables[layer] = gobs[id];
        break;
    }
    case TYPE_FRAME:
        layerPaintables[layer] = animSetOf(layer)->getFrame(id);
        break;
    case TYPE_PLAYER: {
        // The player checks the id before it takes it: a bad one leaves it
        // as it was.
        vmCast<AnimPlayer>(shown)->setAnimation(id);
        break;
    }
    default:
        return;
    }
    layerIds[layer] = id;
}

// --- object ------------------------------------------------------------------------------

void Screen::doUpdate() {
    if (isFrozen()) return;
    VMPtr<Scene> scene = Scene::S().updating;
    jint elapsed = scene != nullptr ? scene->realFrameTime : 0;
    // A cursor left above a smaller capacity reaches only the layers there
    // are.
    jint n = layerCount < layerCapacity ? layerCount : layerCapacity;
    for (jint k = 0; k < n; ++k) {
        VMPtr<AnimPlayer> player = vmCast<AnimPlayer>(layerPaintables[k]);
        if (player == nullptr) continue;
        player->update(elapsed);
        if (player->getLoopCount() != 0) continue;
        jint next = layerIds[k] + 1;
        if (next >= player->getAnimSet()->getAnimationCount()) continue;
        layerIds[k] = next;
        player->setAnimation(next);
    }
}

void Screen::postUpdate() {}

void Screen::paint(const VMPtr<Graphics>& g) {
    if (backgroundEnabled) {
        // In the Graphics' own coordinates: the game area starts at 0, 0
        // however far the caller translated it.
        if (backgroundColor1 == backgroundColor2) {
            g->setColor(backgroundColor1);
            g->fillRect(0, 0, AREA_WIDTH, AREA_HEIGHT);
        } else {
            canvas->fillGradientDown(g, 0, 0, AREA_WIDTH, AREA_HEIGHT, backgroundColor1,
                                     backgroundColor2);
        }
    }
    jint n = layerCount < layerCapacity ? layerCount : layerCapacity;
    for (jint k = 0; k < n; ++k) {
        VMPtr<Paintable> p = layerPaintables[k];
        if (p == nullptr) continue;
        VMPtr<VMArray<jint>> clip = layerClips[k];
        VMPtr<VMArray<jint>> offset = layerOffsets[k];
        if (clip[2] != 0 && clip[3] != 0) {
            clipSave[0] = g->getClipX();
            clipSave[1] = g->getClipY();
            clipSave[2] = g->getClipWidth();
            clipSave[3] = g->getClipHeight();
            g->setClip(clip[0], clip[1], clip[2], clip[3]);
            p->paint(g, offset[0], offset[1], 0);
            g->setClip(clipSave[0], clipSave[1], clipSave[2], clipSave[3]);
        } else {
            p->paint(g, offset[0], offset[1], 0);
        }
    }
    g->setClip(0, 0, AREA_WIDTH, AREA_HEIGHT);
    if (fillRects != nullptr)
        for (jint k = 0; k < fillRects->length; ++k) {
            VMPtr<VMArray<jint>> row = fillRects[k];
            if (row == nullptr) continue;
            g->setColor(fillColors[k]);
            g->fillRect(row[0], row[1], row[2], row[3]);
        }
}

void Screen::release() {
    if (layerPaintables != nullptr)
        for (jint k = 0; k < layerPaintables->length; ++k) layerPaintables[k] = nullptr;
    if (layerPlayers != nullptr)
        for (jint k = 0; k < layerPlayers->length; ++k) layerPlayers[k] = nullptr;
    if (layerAnimSetColumns == nullptr) return;
    for (jint k = 0; k < layerGobColumns->length; ++k) {
        ResManager::release(layerGobColumns[k], layerAnimSetColumns[k]);
        layerGobColumns[k] = -1;
        layerAnimSetColumns[k] = -1;
    }
}

void Screen::dropResources() {
    if (layerPaintables != nullptr)
        for (jint k = 0; k < layerPaintables->length; ++k) layerPaintables[k] = nullptr;
    if (layerPlayers != nullptr)
        for (jint k = 0; k < layerPlayers->length; ++k) layerPlayers[k] = nullptr;
    if (layerGobColumns != nullptr)
        for (jint k = 0; k < layerGobColumns->length; ++k) layerGobColumns[k] = -1;
    if (layerAnimSetColumns != nullptr)
        for (jint k = 0; k < layerAnimSetColumns->length; ++k) layerAnimSetColumns[k] = -1;
}

// --- background and fills ----------------------------------------------------------------

void Screen::setBackgroundColors(jint color1, jint color2) {
    backgroundColor1 = color1;
    backgroundColor2 = color2;
}

void Screen::setBackgroundColor(jint color) { setBackgroundColors(color, color); }

void Screen::setBackgroundEnabled(jboolean on) { backgroundEnabled = on; }

void Screen::createFillRects(jint n) {
    fillRects = VMArray<jint, 2>::create(n);
    fillColors = VMArray<jint>::create(n);
}

void Screen::setFillRect(jint index, const VMPtr<VMArray<jint>>& rect, jint color) {
    VMPtr<VMArray<jint>> copy = VMArray<jint>::create(rect->length);
    for (jint i = 0; i < rect->length; ++i) copy[i] = rect[i];
    fillRects[index] = copy;
    fillColors[index] = color;
}

void Screen::clearFillRect(jint index) { fillRects[index] = nullptr; }

// --- geometry ----------------------------------------------------------------------------

bool Screen::inUse(jint layer) {
    return layer < layerPaintables->length && layerPaintables[layer] != nullptr;
}

jint Screen::kindOf(jint layer) {
    switch (layerPaintables[layer]->getType()) {
    case TYPE_PLAYER:
        return KIND_ANIMATION;
    case TYPE_FRAME:
        return KIND_FRAME;
    case TYPE_GOB:
        return KIND_GOB;
    default:
        return -1;
    }
}

jint Screen::getLayerKind(jint layer) { return inUse(layer) ? kindOf(layer) : -1; }

jint Screen::getLayerX(jint layer) {
    if (!inUse(layer)) return 0;
    return kindOf(layer) == KIND_ANIMATION ? layerPlayers[layer]->getX() : layerOffsets[layer][0];
}

jint Screen::getLayerY(jint layer) {
    if (!inUse(layer)) return 0;
    return kindOf(layer) == KIND_ANIMATION ? layerPlayers[layer]->getY() : layerOffsets[layer][1];
}

void Screen::setLayerPosition(jint layer, jint x, jint y) {
    if (!inUse(layer)) return;
    if (kindOf(layer) == KIND_ANIMATION) {
        VMPtr<AnimPlayer> player = layerPlayers[layer];
        player->setX(x);
        player->setY(y);
        return;
    }
    layerOffsets[layer][0] = x;
    layerOffsets[layer][1] = y;
}

jint Screen::getLayerWidth(jint layer) {
    return inUse(layer) ? layerPaintables[layer]->getWidth(0) : 0;
}

jint Screen::getLayerHeight(jint layer) {
    return inUse(layer) ? layerPaintables[layer]->getHeight(0) : 0;
}

jint Screen::getLayerAnimation(jint layer) {
    if (!inUse(layer) || kindOf(layer) < 0) return -1;
    return layerIds[layer];
}

jint Screen::getLayerStep(jint layer) {
    if (!inUse(layer) || kindOf(layer) != KIND_ANIMATION) return -1;
    return layerPlayers[layer]->getShownStep();
}

void Screen::setLayerStep(jint layer, jint step) {
    if (inUse(layer) && kindOf(layer) == KIND_ANIMATION) layerPlayers[layer]->setStep(step);
}

jint Screen::getLayerAnimationDuration(jint layer) {
    if (!inUse(layer) || kindOf(layer) != KIND_ANIMATION) return 0;
    return layerPlayers[layer]->getAnimationDuration();
}

jint Screen::getLayerBoxCount(jint layer) {
    if (!inUse(layer)) return 0;
    switch (kindOf(layer)) {
    case KIND_GOB:
        return boxGob(layer)->getCollisionBoxCount();
    case KIND_FRAME:
        return animSetOf(layer)->getFrameBoxCount(layerIds[layer]);
    case KIND_ANIMATION:
        return layerPlayers[layer]->getCollisionBoxCount();
    default:
        return 0;
    }
}

VMPtr<VMArray<jint>> Screen::getLayerBoxes(jint layer) {
    if (!inUse(layer)) return VMArray<jint>::create(5);
    jint ox = layerOffsets[layer][0], oy = layerOffsets[layer][1];
    VMPtr<VMArray<jint>> out;
    switch (kindOf(layer)) {
    case KIND_GOB: {
        // The picture's box without the drawing offset.
        VMPtr<Gob> gob = boxGob(layer);
        out = VMArray<jint>::of({gob->boxX + ox, gob->boxY + oy, gob->boxWidth, gob->boxHeight, 0});
        return out;
    }
    case KIND_FRAME: {
        VMPtr<AnimSet> set = animSetOf(layer);
        out = VMArray<jint>::create(5 * set->getFrameBoxCount(layerIds[layer]));
        set->getCollisionRects(layerIds[layer], 0, out);
        break;
    }
    case KIND_ANIMATION: {
        VMPtr<AnimPlayer> player = layerPlayers[layer];
        out = VMArray<jint>::create(5 * player->getCollisionBoxCount());
        player->getCollisionRects(out);
        ox += player->getX();
        oy += player->getY();
        break;
    }
    default:
        return VMArray<jint>::create(5);
    }
    for (jint r = 0; r + 4 < out->length; r += 5) {
        out[r] += ox;
        out[r + 1] += oy;
    }
    return out;
}

VMPtr<VMArray<jint>> Screen::getLayerBox(jint layer, jint type) {
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(5);
    if (!inUse(layer)) return out;
    jint ox = layerOffsets[layer][0], oy = layerOffsets[layer][1];
    switch (kindOf(layer)) {
    case KIND_GOB: {
        VMPtr<Gob> gob = boxGob(layer);
        out[0] = gob->offsetX + gob->boxX;
        out[1] = gob->offsetY + gob->boxY;
        out[2] = gob->boxWidth;
        out[3] = gob->boxHeight;
        break;
    }
    case KIND_FRAME:
        animSetOf(layer)->getCollisionRects(layerIds[layer], 0, out, type);
        break;
    case KIND_ANIMATION: {
        VMPtr<AnimPlayer> player = layerPlayers[layer];
        player->getCollisionRects(out, type);
        out[0] += player->getX();
        out[1] += player->getY();
        break;
    }
    default:
        break;
    }
    out[0] += ox;
    out[1] += oy;
    return out;
}

VMPtr<VMArray<jint>> Screen::fixedTypeBox(jint layer, jint type) {
    VMPtr<VMArray<jint>> out = VMArray<jint>::create(5);
    // No guard: an empty layer or one past the capacity is refused by the
    // checked reads here rather than answered.
    switch (kindOf(layer)) {
    case KIND_GOB:
        return out;
    case KIND_FRAME:
        animSetOf(layer)->getCollisionRects(layerIds[layer], 0, out, type);
        break;
    case KIND_ANIMATION:
        layerPlayers[layer]->getCollisionRects(out, type);
        break;
    default:
        break;
    }
    out[0] += layerOffsets[layer][0];
    out[1] += layerOffsets[layer][1];
    return out;
}

VMPtr<VMArray<jint>> Screen::getLayerBox1(jint layer) { return fixedTypeBox(layer, 1); }
VMPtr<VMArray<jint>> Screen::getLayerBox2(jint layer) { return fixedTypeBox(layer, 2); }
VMPtr<VMArray<jint>> Screen::getLayerBox3(jint layer) { return fixedTypeBox(layer, 3); }
VMPtr<VMArray<jint>> Screen::getLayerBox4(jint layer) { return fixedTypeBox(layer, 4); }

VMPtr<CollisionBox> Screen::getLayerCollisionBox(jint layer, jint type) {
    if (!inUse(layer)) return CollisionBox::make();
    VMPtr<VMArray<CollisionBox*>> boxes = VMArray<CollisionBox*>::create(1);
    boxes[0] = CollisionBox::make();
    VMPtr<CollisionBox> box = boxes[0];
    switch (kindOf(layer)) {
    case KIND_GOB: {
        VMPtr<Gob> gob = boxGob(layer);
        box->setBounds(gob->offsetX + gob->boxX, gob->offsetY + gob->boxY, gob->boxWidth,
                       gob->boxHeight);
        break;
    }
    case KIND_FRAME:
        animSetOf(layer)->getCollisionBoxes(layerIds[layer], 0, boxes, type);
        break;
    case KIND_ANIMATION: {
        VMPtr<AnimPlayer> player = layerPlayers[layer];
        player->getCollisionBoxes(boxes, type);
        box->x += player->getX();
        box->y += player->getY();
        break;
    }
    default:
        break;
    }
    box->x += layerOffsets[layer][0];
    box->y += layerOffsets[layer][1];
    return box;
}

jboolean Screen::layerContains(jint layer, jint type, const VMPtr<VMArray<jint>>& rect) {
    VMPtr<CollisionBox> box = getLayerCollisionBox(layer, type);
    if (rect[2] == 0 || rect[3] == 0) return box->containsPoint(rect[0], rect[1]);
    return box->contains(rect[0], rect[1], rect[2], rect[3]);
}

jboolean Screen::layerContainsBox(jint layer, jint type, const VMPtr<CollisionBox>& other) {
    return layerContains(layer, type,
                         VMArray<jint>::of({other->x, other->y, other->width, other->height}));
}

}  // namespace ui
