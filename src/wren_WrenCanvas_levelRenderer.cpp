#include "wren_WrenCanvas.h"

#include <algorithm>

#include "VMMath.h"
#include "VMTry.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"

// ---------------------------------------------------------------------------
// Level renderer: tile map, scenery and sprite lists. Every grid, list and
// table access goes through the arrays' own index checks, so a caller that
// strays gets ArrayIndexOutOfBoundsException rather than another cell.
// ---------------------------------------------------------------------------

namespace wren {

using javax::microedition::lcdui::Graphics;
using javax::microedition::lcdui::Image;

void WrenCanvas::setViewOrigin(jint x, jint y) {
    viewOriginX = -x;
    viewOriginY = -y;
}
jint WrenCanvas::getViewOriginX() { return -viewOriginX; }
jint WrenCanvas::getViewOriginY() { return -viewOriginY; }

jboolean WrenCanvas::setViewSize(jint width, jint height) {
    viewWidth = width < 1 ? 0 : width;
    viewHeight = height < 1 ? 0 : height;
    if (width >= 0 && height >= 0) return false;
    tileSet = nullptr;
    tileSourceX = nullptr;
    tileSourceY = nullptr;
    mapTiles = nullptr;
    tileAliases = nullptr;
    return true;
}

jint WrenCanvas::getTileWidth() { return tileWidth; }
jint WrenCanvas::getTileHeight() { return tileHeight; }
jint WrenCanvas::getMapWidth() { return mapWidth; }
jint WrenCanvas::getMapHeight() { return mapHeight; }

void WrenCanvas::setTileAlias(jint aliasId, jint tile) { tileAliases[-aliasId - 1] = tile; }

jint WrenCanvas::getTileAlias(jint aliasId) { return tileAliases[-aliasId - 1]; }

// A column outside the grid would land in another row of the flat array,
// so it is refused here as well as by the array.
static jint cellIndex(jint column, jint row, jint mapWidth) {
    if (column < 0 || column >= mapWidth)
        java::lang::ArrayIndexOutOfBoundsException::throwNew(column);
    return row * mapWidth + column;
}

void WrenCanvas::setTile(jint column, jint row, jint value) {
    mapTiles[cellIndex(column, row, mapWidth)] = jshort(value);
}

jint WrenCanvas::getTile(jint column, jint row) {
    return mapTiles[cellIndex(column, row, mapWidth)];
}

jboolean WrenCanvas::setTileSet(const VMPtr<Image>& image, jint tileW, jint tileH) {
    tileWidth = tileW;
    tileHeight = tileH;
    jint imageW = image->getWidth();
    jint imageH = image->getHeight();
    jint count = vmDiv(imageW, tileW) * vmDiv(imageH, tileH);
    jint old = tileSourceX == nullptr ? 0 : tileSourceX->length;
    jboolean shrunk = count < old;
    if (shrunk) {
        fillTiles(0, 0, mapWidth, mapHeight, 0);
        tileAliases = VMArray<jint>::create(0);
    }
    tileSet = image;
    tileSourceX = VMArray<jint>::create(count);
    tileSourceY = VMArray<jint>::create(count);
    jint t = 0;
    for (jint y = 0; y <= imageH - tileH; y += tileH)
        for (jint x = 0; x <= imageW - tileW; x += tileW, ++t) {
            tileSourceX[t] = x;
            tileSourceY[t] = y;
        }
    return shrunk;
}

void WrenCanvas::addSprite(const VMPtr<Gob>& gob, jint x, jint y, jint transform) {
    spriteGobs[spriteCount] = gob;
    spriteX[spriteCount] = jshort(x);
    spriteY[spriteCount] = jshort(y);
    spriteTransforms[spriteCount] = jbyte(transform);
    ++spriteCount;
}

void WrenCanvas::fillTiles(jint column, jint row, jint width, jint height, jint value) {
    for (jint r = row; r < row + height; ++r)
        for (jint c = column; c < column + width; ++c) setTile(c, r, value);
}

void WrenCanvas::createMap(jint width, jint height, const VMPtr<Image>& image, jint tileW,
                           jint tileH) {
    viewOriginX = 0;
    viewOriginY = 0;
    mapWidth = width;
    mapHeight = height;
    mapTiles = VMArray<jshort>::create(width * height);
    tileAliases = VMArray<jint>::create(0);
    tileSourceX = nullptr;
    setTileSet(image, tileW, tileH);
}

jint WrenCanvas::addTileAlias(jint tile) {
    jint n = tileAliases == nullptr ? 0 : tileAliases->length;
    VMPtr<VMArray<jint>> grown = VMArray<jint>::create(n + 1);
    for (jint i = 0; i < n; ++i) grown[i] = tileAliases[i];
    grown[n] = tile;
    tileAliases = grown;
    return -(n + 1);
}

void WrenCanvas::initSprites(jint capacity) {
    spriteCount = 0;
    spriteGobs = nullptr;
    spriteX = spriteY = nullptr;
    spriteTransforms = nullptr;
    if (capacity > 0) {
        spriteGobs = VMArray<Gob*>::create(capacity);
        spriteX = VMArray<jshort>::create(capacity);
        spriteY = VMArray<jshort>::create(capacity);
        spriteTransforms = VMArray<jbyte>::create(capacity);
    }
}

void WrenCanvas::initScenery(jint capacity) {
    sceneryCount = 0;
    sceneryMargin = 0;
    sceneryGobs = nullptr;
    sceneryX = sceneryY = nullptr;
    sceneryTransforms = nullptr;
    sceneryOrder = sceneryVisible = nullptr;
    scenerySortNeeded = true;
    if (capacity > 0) {
        sceneryVertical = mapHeight * tileHeight > mapWidth * tileWidth;
        sceneryGobs = VMArray<Gob*>::create(capacity);
        sceneryX = VMArray<jshort>::create(capacity);
        sceneryY = VMArray<jshort>::create(capacity);
        sceneryTransforms = VMArray<jbyte>::create(capacity);
        sceneryOrder = VMArray<jint>::create(capacity);
        sceneryVisible = VMArray<jint>::create(capacity);
    }
}

void WrenCanvas::addScenery(const VMPtr<Gob>& gob, jint x, jint y, jint transform) {
    jint i = sceneryCount;
    sceneryGobs[i] = gob;
    sceneryX[i] = jshort(x);
    sceneryY[i] = jshort(y);
    sceneryTransforms[i] = jbyte(transform);
    jint key = sceneryVertical ? getSceneryY(i) : getSceneryX(i);
    sceneryOrder[i] = i | (key << 16);
    sceneryMargin = std::max(sceneryMargin, sceneryVertical ? gob->getHeight(transform)
                                                            : gob->getWidth(transform));
    ++sceneryCount;
}

jint WrenCanvas::resolveTile(jint value) { return value >= 0 ? value : tileAliases[-value - 1]; }

jint WrenCanvas::getSceneryX(jint index) {
    return sceneryX[index] + sceneryGobs[index]->getOffsetX(sceneryTransforms[index]);
}

jint WrenCanvas::getSceneryY(jint index) {
    return sceneryY[index] + sceneryGobs[index]->getOffsetY(sceneryTransforms[index]);
}

void WrenCanvas::paintTiles(jint x, jint y, jint destX, jint destY, jint width, jint height) {
    jint column = vmDiv(x, tileWidth);
    jint offsetX = vmRem(x, tileWidth);
    jint row = vmDiv(y, tileHeight);
    jint offsetY = vmRem(y, tileHeight);
    jint bandIndex = row * mapWidth + column;
    jint bandOffsetY = offsetY;
    jint dy = destY;
    for (jint leftH = height; leftH > 0;) {
        jint bandH = std::min(tileHeight - bandOffsetY, leftH);
        jint index = bandIndex;
        jint pieceOffsetX = offsetX;
        jint dx = destX;
        for (jint leftW = width; leftW > 0;) {
            jint pieceW = std::min(tileWidth - pieceOffsetX, leftW);
            jint t = resolveTile(mapTiles[index]);
            if (t > 0)
                mapGraphics->drawRegion(tileSet, tileSourceX[t - 1] + pieceOffsetX,
                                        tileSourceY[t - 1] + bandOffsetY, pieceW, bandH, 0, dx, dy,
                                        Graphics::TOP | Graphics::LEFT);
            ++index;
            dx += pieceW;
            leftW -= pieceW;
            pieceOffsetX = 0;
        }
        bandIndex += mapWidth;
        dy += bandH;
        leftH -= bandH;
        bandOffsetY = 0;
    }
}

void WrenCanvas::paintScenery(jint viewX, jint viewY, jint destX, jint destY, jint width,
                              jint height) {
    if (scenerySortNeeded) {
        sortInts(sceneryOrder, sceneryCount);
        scenerySortNeeded = false;
    }
    jint start = sceneryVertical ? viewY : viewX;
    jint end = start + (sceneryVertical ? height : width);
    jint first = binarySearch(sceneryOrder, sceneryCount - 1, (start - sceneryMargin) << 16);
    jint visible = 0;
    for (jint k = first; k < sceneryCount && (sceneryOrder[k] >> 16) < end; ++k) {
        jint i = sceneryOrder[k] & 0xFFFF;
        jint t = sceneryTransforms[i];
        VMPtr<Gob> gob = sceneryGobs[i];
        if (rectsIntersect(getSceneryX(i), getSceneryY(i), gob->getWidth(t), gob->getHeight(t),
                           viewX, viewY, width, height))
            sceneryVisible[visible++] = i;
    }
    sortInts(sceneryVisible, visible);
    VMPtr<Graphics> g = mapGraphics;
    jint cx = g->getClipX(), cy = g->getClipY(), cw = g->getClipWidth(), ch = g->getClipHeight();
    g->setClip(destX, destY, width, height);
    vmTryFinally(
        [&] {
            for (jint k = 0; k < visible; ++k) {
                jint i = sceneryVisible[k];
                sceneryGobs[i]->paint(g, sceneryX[i] - viewX + destX, sceneryY[i] - viewY + destY,
                                      sceneryTransforms[i]);
            }
        },
        [&] { g->setClip(cx, cy, cw, ch); });
}

void WrenCanvas::paintSprites(jint viewX, jint viewY, jint destX, jint destY, jint width,
                              jint height, jboolean newOnly) {
    VMPtr<Graphics> g = mapGraphics;
    jint cx = g->getClipX(), cy = g->getClipY(), cw = g->getClipWidth(), ch = g->getClipHeight();
    g->setClip(destX, destY, width, height);
    jint from = newOnly ? spriteMark : 0;
    if (!newOnly) spriteMark = spriteCount;
    vmTryFinally(
        [&] {
            for (jint i = from; i < spriteCount; ++i) {
                VMPtr<Gob> gob = spriteGobs[i];
                jint t = spriteTransforms[i];
                if (rectsIntersect(spriteX[i] + gob->getOffsetX(t), spriteY[i] + gob->getOffsetY(t),
                                   gob->getWidth(t), gob->getHeight(t), viewX, viewY, width,
                                   height))
                    gob->paint(g, spriteX[i] - viewX + destX, spriteY[i] - viewY + destY, t);
            }
        },
        [&] { g->setClip(cx, cy, cw, ch); });
}

namespace {
// How far a view from `start` over `extent` pixels reaches outside a map of
// `mapExtent` pixels: negative before its start, positive past its end.
jint viewExcess(jint start, jint extent, jint mapExtent) {
    if (start < 0) return start;
    return std::max(0, start + extent - mapExtent);
}
}  // namespace

void WrenCanvas::paintMap(const VMPtr<Graphics>& g) {
    jint mapW = mapWidth * tileWidth, mapH = mapHeight * tileHeight;
    jint excessX = viewExcess(viewOriginX, viewWidth, mapW);
    jint excessY = viewExcess(viewOriginY, viewHeight, mapH);
    viewOriginX -= excessX;
    viewOriginY -= excessY;
    g->translate(-excessX, -excessY);
    vmTryFinally(
        [&] {
            jint clipX = g->getClipX(), clipY = g->getClipY();
            jint x0 = std::max(0, clipX), y0 = std::max(0, clipY);
            jint x1 = std::min(viewWidth, clipX + g->getClipWidth());
            jint y1 = std::min(viewHeight, clipY + g->getClipHeight());
            if (x0 >= x1 || y0 >= y1) return;
            jint width = x1 - x0, height = y1 - y0;
            jint worldX = viewOriginX + x0, worldY = viewOriginY + y0;
            mapGraphics = g;
            if (!overlayMode) {
                // A map narrower or shorter than the view still leaves part
                // of the view outside it; the grid has no cells there, and
                // reading on would take the next row's.
                jint tx0 = std::max(worldX, 0), ty0 = std::max(worldY, 0);
                jint tx1 = std::min(worldX + width, mapW), ty1 = std::min(worldY + height, mapH);
                if (mapTiles != nullptr && tx0 < tx1 && ty0 < ty1)
                    paintTiles(tx0, ty0, x0 + tx0 - worldX, y0 + ty0 - worldY, tx1 - tx0,
                               ty1 - ty0);
                paintScenery(worldX, worldY, x0, y0, width, height);
            }
            paintSprites(worldX, worldY, x0, y0, width, height, overlayMode);
        },
        [&] {
            mapGraphics = nullptr;
            viewOriginX += excessX;
            viewOriginY += excessY;
            g->translate(excessX, excessY);
        });
}

jint WrenCanvas::readVarU8() {
    jint v = levelStream->readUnsignedByte();
    return v == 255 ? levelStream->readUnsignedShort() : v;
}

jint WrenCanvas::readVarS8() {
    jint v = levelStream->readByte();
    return v == -128 ? levelStream->readShort() : v;
}

namespace {
template <typename A, typename E>
VMPtr<A> appendOne(const VMPtr<A>& a, const E& v) {
    jint n = a == nullptr ? 0 : a->length;
    VMPtr<A> grown = A::create(n + 1);
    for (jint i = 0; i < n; ++i) grown[i] = a[i];
    grown[n] = v;
    return grown;
}
template <typename A>
void selectRows(const VMPtr<A>& src, const VMPtr<VMArray<jchar>>& indices, const VMPtr<A>& dst) {
    for (jint i = 0; i < indices->length; ++i) dst[i] = src[indices[i]];
}
}  // namespace

VMPtr<VMArray<jshort>> WrenCanvas::appendShort(const VMPtr<VMArray<jshort>>& a, jshort v) {
    return appendOne(a, v);
}
VMPtr<VMArray<jint, 2>> WrenCanvas::appendIntRow(const VMPtr<VMArray<jint, 2>>& a,
                                                 const VMPtr<VMArray<jint>>& row) {
    return appendOne(a, row);
}
VMPtr<VMArray<jbyte, 2>> WrenCanvas::appendByteRow(const VMPtr<VMArray<jbyte, 2>>& a,
                                                   const VMPtr<VMArray<jbyte>>& row) {
    return appendOne(a, row);
}
VMPtr<VMArray<jchar, 2>> WrenCanvas::appendCharRow(const VMPtr<VMArray<jchar, 2>>& a,
                                                   const VMPtr<VMArray<jchar>>& row) {
    return appendOne(a, row);
}

VMPtr<VMArray<jshort>> WrenCanvas::ensureShortLength(const VMPtr<VMArray<jshort>>& a, jint n) {
    jint have = a == nullptr ? 0 : a->length;
    if (a != nullptr && have >= n) return a;
    VMPtr<VMArray<jshort>> grown = VMArray<jshort>::create(n);
    for (jint i = 0; i < have; ++i) grown[i] = a[i];
    return grown;
}

void WrenCanvas::selectIntRows(const VMPtr<VMArray<jint, 2>>& src,
                               const VMPtr<VMArray<jchar>>& indices,
                               const VMPtr<VMArray<jint, 2>>& dst) {
    selectRows(src, indices, dst);
}
void WrenCanvas::selectByteRows(const VMPtr<VMArray<jbyte, 2>>& src,
                                const VMPtr<VMArray<jchar>>& indices,
                                const VMPtr<VMArray<jbyte, 2>>& dst) {
    selectRows(src, indices, dst);
}
void WrenCanvas::selectCharRows(const VMPtr<VMArray<jchar, 2>>& src,
                                const VMPtr<VMArray<jchar>>& indices,
                                const VMPtr<VMArray<jchar, 2>>& dst) {
    selectRows(src, indices, dst);
}

}  // namespace wren
