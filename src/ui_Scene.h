// ui.Scene: the base of every scene (logo, menu, story, play field, home,
// map). It owns the scene's objects with a parallel draw order, loads the
// scene in five fixed phases (at once, or one phase per frame while
// progressiveLoad is set), keeps the scene clocks, runs the per-frame pass
// over its objects and paints them in ascending depth with the scene's own
// layer at depth 40.
//
// Loading phases: 0 loadData (again while moreData is non-zero), 1
// loadObjects (again while moreObjects is non-zero), 2 loadUi, 3 trim and
// sort, 4 the end of a progressive load (background redraw, cue sound).
//
// Objects keep the index addObject gave them: removal leaves a hole, and
// only trailing holes are cut. The paint and the sort pass over holes: the
// sort puts them last and the paint skips them. The draw order always
// names indices inside the object array.
//
// Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "ui_MyObject.h"
#include "wren_WrenCanvas.h"
#include "wren_util_text_Translation.h"

namespace scene {
class SceneManager;
}

namespace ui {

class Screen;

class Scene : public virtual java::lang::Object {
    WREN_CLASS(Scene, java::lang::Object, (objects, VMArray<MyObject*>), (drawOrder, VMArray<jint>),
               (canvas, wren::WrenCanvas), (sceneManager, scene::SceneManager),
               (texts, wren::util::text::Translation),
               // The scene's own entity screen and panel (a ui.Addon),
               // released by unload.
               (screen, Screen), (panel, MyObject),
               // Scratch rectangle {x, y, width, height, spare} for the
               // scenes' own hit tests.
               (rect, VMArray<jint>))
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint INITIAL_CAPACITY = 20;
    static constexpr jint MIN_GROW_STEP = 5;
    // Where the scene's own layer lies among its objects.
    static constexpr jint LAYER_DEPTH = 40;
    static constexpr jint AREA_WIDTH = 240;
    static constexpr jint AREA_HEIGHT = 320;

    struct Statics {
        // The scene whose update runs, or ran last: during a frame, the
        // scene manager's current scene. Entity screens step their
        // animations by its realFrameTime.
        VMStaticPtr<Scene> updating;
    };
    WREN_STATICS(Statics)

    // Length of both arrays.
    jint capacity = 0;
    // The last growth; halved (at least 5) for the next.
    jint growStep = 0;
    // While set, update runs one loading phase a frame and paint draws no
    // object.
    jboolean progressiveLoad = false;
    jint loadPhase = 0;
    // Set non-zero by loadData / loadObjects to be called again.
    jint moreData = 0;
    jint moreObjects = 0;
    // Sum of the canvas's frame times since loadAll, and the last one.
    jint sceneTime = 0;
    jint frameTime = 0;
    // Sum of the wall-clock intervals between updates since loadAll, and
    // the last one (0 when it does not fit an int).
    jint realTime = 0;
    jint realFrameTime = 0;
    // Wall-clock time of the last update, loadAll or construction.
    jlong lastTime = 0;
    // Set at construction; the scenes clear it when their loading ends.
    jboolean modal = false;

    // Empty arrays of 20; canvas and text table from main.Main, the scene
    // manager's instance; the wall clock read.
    void ctor();

    // Starts loading from phase 0, one phase a frame when `on`.
    virtual void setProgressiveLoad(jboolean on);
    // Phase 1: creates the scene's objects.
    virtual void loadObjects() = 0;
    // Cuts the trailing holes of the object array; the draw order keeps its
    // order over the indices that remain.
    virtual void trimObjects();
    // Clocks, then one loading phase or the object pass.
    virtual void update();
    // Phase 0: loads the scene's data.
    virtual void loadData() = 0;
    virtual void paintCanvasLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    // The scene's own layer, painted once a frame at depth 40.
    virtual void paintLayer(const VMPtr<javax::microedition::lcdui::Graphics>& g) = 0;
    virtual void setClip(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint x, jint y,
                         jint width, jint height);
    // Resets the clocks; unless loading progressively, runs every phase but
    // the end of a progressive load at once.
    virtual void loadAll();
    // Into the first hole, growing the arrays when there is none. The draw
    // order is left alone: a scene that adds after loading sorts itself.
    virtual void addObject(const VMPtr<MyObject>& o);
    // Ascending depth; equal depths keep their index order.
    virtual void sortDrawOrder();
    virtual void onPause();
    virtual void paint(const VMPtr<javax::microedition::lcdui::Graphics>& g);
    // Releases the object and leaves a hole (then trims); an index at or
    // past the end, or a hole, does nothing; a negative index is the
    // array's index exception.
    virtual void removeObject(jint index);
    // Releases every object, the screen and the panel.
    virtual void unload();
    virtual void growObjects();
    // Phase 2: the scene's panels and menus.
    virtual void loadUi() = 0;
    virtual void reload();

private:
    // The object at draw-order position i, or null for a hole.
    VMPtr<MyObject> drawnAt(jint i);
    // The draw-order position of the first object after position i, or the
    // order's length when none follows.
    jint nextDrawn(jint i);
    // Whether the object at draw-order position i goes after the one at j:
    // a hole goes after every object.
    bool drawsAfter(jint i, jint j);
    void runLoadPhase();
};

}  // namespace ui
