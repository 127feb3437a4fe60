// ui.Screen: the game's composite drawable, a scene object made of a fixed
// number of numbered layers on the 240 by 320 game area. A layer shows an
// animation (an AnimPlayer the screen makes and steps every frame), one
// frame of an animation set, or one graphic object. The graphics come from
// the resource cache by resource id and go back to it when the layer is
// replaced or the screen released. Under the layers the screen can fill
// the area with a colour or a top-to-bottom gradient; over them it can
// fill coloured rectangles. The play field's objects and monsters are
// screens driven through playAnimation on layer 0.
//
// Layer kinds as getLayerKind reports them: 0 animation, 1 frame, 2
// graphic object, -1 empty or no such layer. A layer is in use while its
// paintable is not null; layerCount (the cursor) says how many layers,
// from 0, are updated and painted.
//
// Every index into the layers, the cache's pools and the sets' elements is
// checked: a negative layer, a layer before setLayerCapacity, an id outside
// its set or a column outside the cache throws rather than reading past an
// array. The queries that the game calls with any layer answer their "none"
// value for a layer at or past the capacity or an empty one.
//
// A set that fails after its cache columns were taken gives them back and
// leaves the layer empty. An animation layer whose loops run out moves on to
// the animation of the next id; after the set's last animation it stays
// where it stopped.
//
// Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "ui_MyObject.h"
#include "wren_AnimPlayer.h"
#include "wren_AnimSet.h"
#include "wren_Gob.h"
#include "wren_Paintable.h"
#include "wren_graphics_CollisionBox.h"

namespace ui {

class Screen : public MyObject {
    WREN_CLASS(Screen, MyObject,
               // The Graphics clip kept while a layer draws with its own.
               (clipSave, VMArray<jint>),
               // Per layer: clip x, y, width, height (and an unused fifth);
               // a width or height of 0 draws without a clip of its own.
               (layerClips, VMArray<jint, 2>),
               // Per layer: the cache's gobPool column held, -1 none.
               (layerGobColumns, VMArray<jint>),
               // Per layer: the player of an animation layer, else null.
               (layerPlayers, VMArray<wren::AnimPlayer*>),
               // Per layer: animation id, frame id or Gob index shown.
               (layerIds, VMArray<jint>),
               // Per layer: the cache's animSetPool column held, -1 none.
               (layerAnimSetColumns, VMArray<jint>),
               // Per layer: what is drawn; null for an empty layer.
               (layerPaintables, VMArray<wren::Paintable*>),
               // Per layer: where a frame or Gob layer is drawn (0, 0 for
               // an animation layer, which draws at its player's place).
               (layerOffsets, VMArray<jint, 2>),
               // Rectangles filled over the layers; a null row draws nothing.
               (fillRects, VMArray<jint, 2>), (fillColors, VMArray<jint>))
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint DEFAULT_BACKGROUND = 0xE3CA83;
    static constexpr jint AREA_WIDTH = 240;
    static constexpr jint AREA_HEIGHT = 320;

    static constexpr jint KIND_ANIMATION = 0;
    static constexpr jint KIND_FRAME = 1;
    static constexpr jint KIND_GOB = 2;

    jint backgroundColor1 = 0;
    jint backgroundColor2 = 0;
    // The layer cursor: layers below it are updated and painted.
    jint layerCount = 0;
    jint layerCapacity = 0;
    jboolean backgroundEnabled = false;

    // No layers: setLayerCapacity comes before any layer operation.
    void ctor();

    // Every layer emptied, its columns given back to the cache.
    void release() override;
    void postUpdate() override;
    // Steps the animation layers by the scene's wall-clock frame time;
    // nothing while frozen.
    void doUpdate() override;
    // Background, layers from 0 up, clip back to the game area, fills.
    void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g) override;
    // Every layer emptied, nothing given back.
    void dropResources() override;

    // Shows animation, frame or Gob `id` on the layer; the id already shown
    // does nothing (never restarts). An id outside the layer's set throws
    // ArrayIndexOutOfBoundsException, which names the set's entry and file
    // for an id past its end (Resources::throwMissingPart), and changes
    // nothing.
    virtual void playAnimation(jint layer, jint id);
    // The layer's first box of `type` in game-area coordinates, as x, y,
    // width, height, type.
    virtual VMPtr<VMArray<jint>> getLayerBox(jint layer, jint type);
    virtual jint getLayerAnimation(jint layer);
    virtual void setBackgroundColors(jint color1, jint color2);
    virtual void setBackgroundColor(jint color);
    virtual VMPtr<VMArray<jint>> getLayerBox2(jint layer);
    virtual jint getLayerStep(jint layer);
    // 0 to the capacity; anything else is ignored.
    virtual void setLayerCursor(jint index);
    virtual jint getLayerY(jint layer);
    // A frame layer: frame `frameId` of the animation set, drawn at x, y.
    virtual void setLayer(jint layer, jint gobId, jint animSetId, jint frameId, jint x, jint y);
    // Whether the layer's box of `type` holds the rectangle rect[0..3], or
    // the point rect[0], rect[1] when rect's width or height is 0.
    virtual jboolean layerContains(jint layer, jint type, const VMPtr<VMArray<jint>>& rect);
    virtual jboolean layerContainsBox(jint layer, jint type,
                                      const VMPtr<wren::graphics::CollisionBox>& box);
    virtual void setFillRect(jint index, const VMPtr<VMArray<jint>>& rect, jint color);
    virtual jint getLayerKind(jint layer);
    // An animation layer: animation `animId` of the set, its player at x, y.
    virtual void setAnimLayer(jint layer, jint gobId, jint animSetId, jint animId, jint x, jint y);
    virtual void setLayerClip(jint layer, const VMPtr<VMArray<jint>>& rect);
    virtual jint getLayerCapacity();
    virtual VMPtr<wren::graphics::CollisionBox> getLayerCollisionBox(jint layer, jint type);
    virtual void setLayerPosition(jint layer, jint x, jint y);
    // Gives the layer's columns back and empties it; offsets, id and clip
    // stay.
    virtual void releaseLayer(jint layer);
    virtual VMPtr<VMArray<jint>> getLayerBox4(jint layer);
    virtual jint getLayerX(jint layer);
    virtual void appendAnimLayer(jint gobId, jint animSetId, jint animId, jint x, jint y);
    virtual VMPtr<VMArray<jint>> getLayerBox3(jint layer);
    virtual void setLayerStep(jint layer, jint step);
    // New per-layer tables of n layers, all empty with the full-area clip.
    // The cursor stays; graphics of layers in use before are not given back.
    virtual void setLayerCapacity(jint n);
    virtual jint getLayerWidth(jint layer);
    virtual void createFillRects(jint n);
    // Every box of the layer in game-area coordinates, five ints each.
    virtual VMPtr<VMArray<jint>> getLayerBoxes(jint layer);
    virtual jint getLayerHeight(jint layer);
    virtual jint getLayerAnimSetColumn(jint layer);
    virtual void setBackgroundEnabled(jboolean on);
    virtual jint getLayerAnimationDuration(jint layer);
    // A Gob layer: element 0 of the set, drawn at 0, 0.
    virtual void setGobLayer(jint layer, jint gobId);
    virtual jint getLayerCount();
    virtual void appendLayer(jint gobId);
    virtual void clearFillRect(jint index);
    virtual jint getLayerGobColumn(jint layer);
    virtual jint getLayerBoxCount(jint layer);
    virtual void appendFrameLayer(jint gobId, jint animSetId, jint frameId, jint x, jint y);
    virtual VMPtr<VMArray<jint>> getLayerBox1(jint layer);

private:
    // Whether the layer exists and is in use: the guard of the queries.
    bool inUse(jint layer);
    // The kind of a layer in use (the numbering of getLayerKind).
    jint kindOf(jint layer);
    // Element 0 of the layer's Gob set, the one whose box the queries use.
    VMPtr<wren::Gob> boxGob(jint layer);
    VMPtr<wren::AnimSet> animSetOf(jint layer);
    // Releases the layer and takes the cache columns of the two ids; then
    // `show` makes what the layer draws. A show that throws gives the
    // columns back and leaves the layer empty.
    template <class F>
    void takeLayer(jint layer, jint gobId, jint animSetId, F show);
    // The fixed-type box queries: no guard; a Gob layer gives zeros and an
    // animation layer's box stays relative to its player.
    VMPtr<VMArray<jint>> fixedTypeBox(jint layer, jint type);
};

}  // namespace ui
