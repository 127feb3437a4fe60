#include "ui_Scene.h"

#include "java_lang_System.h"
#include "main_Main.h"
#include "scene_SceneManager.h"
#include "ui_Screen.h"

WREN_DEFINE_ABSTRACT_CLASS(ui::Scene, "ui.Scene")

namespace ui {

using java::lang::System;
using javax::microedition::lcdui::Graphics;

void Scene::ctor() {
    java::lang::Object::ctor();
    objects = VMArray<MyObject*>::create(INITIAL_CAPACITY);
    drawOrder = VMArray<jint>::create(INITIAL_CAPACITY);
    capacity = INITIAL_CAPACITY;
    growStep = INITIAL_CAPACITY;
    lastTime = System::currentTimeMillis();
    main::Main::Statics& m = main::Main::S();
    canvas = m.canvas;
    sceneManager = scene::SceneManager::S().instance;
    texts = m.translation;
    rect = VMArray<jint>::create(5);
    modal = true;
}

void Scene::setProgressiveLoad(jboolean on) {
    loadPhase = 0;
    progressiveLoad = on;
}

void Scene::loadAll() {
    sceneTime = 0;
    realTime = 0;
    lastTime = System::currentTimeMillis();
    if (progressiveLoad) return;
    moreData = 0;
    do loadData();
    while (moreData != 0);
    moreObjects = 0;
    do loadObjects();
    while (moreObjects != 0);
    loadUi();
    trimObjects();
    sortDrawOrder();
}

void Scene::update() {
    S().updating = this;
    frameTime = canvas->getFrameTime();
    sceneTime += frameTime;
    // A jump of the wall clock that does not fit an int counts as no time.
    jlong elapsed = System::currentTimeMillis() - lastTime;
    realFrameTime = elapsed >= jlong(INT32_MIN) && elapsed <= jlong(INT32_MAX) ? jint(elapsed) : 0;
    realTime += realFrameTime;
    lastTime = System::currentTimeMillis();

    if (progressiveLoad) {
        runLoadPhase();
        return;
    }
    // The array and its length are read again at every step: an object
    // added during the pass at a later index is updated in the same pass.
    for (jint i = 0; objects != nullptr && i < objects->length; ++i) {
        VMPtr<MyObject> o = objects[i];
        if (o == nullptr) continue;
        if (o->isVisible()) o->doUpdate();
        if (o->hasPostUpdate()) o->postUpdate();
    }
}

void Scene::runLoadPhase() {
    switch (loadPhase) {
    case 0:
        loadData();
        if (moreData == 0) loadPhase = 1;
        return;
    case 1:
        loadObjects();
        if (moreObjects == 0) loadPhase = 2;
        return;
    case 2:
        loadUi();
        loadPhase = 3;
        return;
    case 3:
        trimObjects();
        sortDrawOrder();
        loadPhase = 4;
        [[fallthrough]];
    case 4:
        progressiveLoad = false;
        main::Main::S().redrawBackground = true;
        main::Main::S().instance->playCueSound();
        return;
    default:
        return;
    }
}

void Scene::paintCanvasLayer(const VMPtr<Graphics>& g) { canvas->resetClip(g); }

void Scene::setClip(const VMPtr<Graphics>& g, jint x, jint y, jint width, jint height) {
    g->setClip(x, y, width, height);
}

VMPtr<MyObject> Scene::drawnAt(jint i) { return objects[drawOrder[i]]; }

jint Scene::nextDrawn(jint i) {
    jint n = drawOrder->length;
    for (++i; i < n; ++i)
        if (drawnAt(i) != nullptr) break;
    return i;
}

void Scene::paint(const VMPtr<Graphics>& g) {
    setClip(g, 0, 0, AREA_WIDTH, AREA_HEIGHT);
    if (!progressiveLoad) {
        bool layerDone = false;
        if (objects != nullptr) {
            jint i = nextDrawn(-1);
            // A first object deeper than the layer puts the layer under all.
            if (i < drawOrder->length && drawnAt(i)->getDepth() > LAYER_DEPTH) {
                paintLayer(g);
                layerDone = true;
            }
            while (i < drawOrder->length) {
                VMPtr<MyObject> o = drawnAt(i);
                if (o->isVisible()) o->paint(g);
                jint next = nextDrawn(i);
                // Depths are read along the order, visible or not, until the
                // layer is down.
                if (!layerDone &&
                    (next >= drawOrder->length ||
                     (o->getDepth() < LAYER_DEPTH && drawnAt(next)->getDepth() >= LAYER_DEPTH))) {
                    paintLayer(g);
                    layerDone = true;
                }
                i = next;
            }
        }
        if (!layerDone) paintLayer(g);
    }
    canvas->resetClip(g);
}

void Scene::addObject(const VMPtr<MyObject>& o) {
    for (jint i = 0;; ++i) {
        // Growing first also serves an array trimmed to nothing.
        if (i >= objects->length) growObjects();
        if (objects[i] == nullptr) {
            objects[i] = o;
            return;
        }
    }
}

void Scene::growObjects() {
    growStep /= 2;
    if (growStep <= MIN_GROW_STEP) growStep = MIN_GROW_STEP;
    jint grown = capacity + growStep;
    VMPtr<VMArray<MyObject*>> newObjects = VMArray<MyObject*>::create(grown);
    VMPtr<VMArray<jint>> newOrder = VMArray<jint>::create(grown);
    System::arraycopy(objects, 0, newObjects, 0, capacity);
    System::arraycopy(drawOrder, 0, newOrder, 0, capacity);
    objects = newObjects;
    drawOrder = newOrder;
    capacity = grown;
}

bool Scene::drawsAfter(jint i, jint j) {
    VMPtr<MyObject> a = drawnAt(i);
    VMPtr<MyObject> b = drawnAt(j);
    if (a == nullptr) return b != nullptr;
    if (b == nullptr) return false;
    return a->getDepth() > b->getDepth();
}

void Scene::sortDrawOrder() {
    jint n = objects->length;
    for (jint i = 0; i < n; ++i) drawOrder[i] = i;
    // A stable sort: what swapping neighbours that are out of order, until
    // none is, leaves.
    for (jint i = 1; i < n; ++i)
        for (jint j = i; j > 0 && drawsAfter(j - 1, j); --j) {
            jint held = drawOrder[j];
            drawOrder[j] = drawOrder[j - 1];
            drawOrder[j - 1] = held;
        }
}

void Scene::trimObjects() {
    jint n = objects->length;
    while (n > 0 && objects[n - 1] == nullptr) --n;
    VMPtr<VMArray<MyObject*>> newObjects = VMArray<MyObject*>::create(n);
    System::arraycopy(objects, 0, newObjects, 0, n);
    // The order keeps its positions over the indices that remain, and
    // names each of them once: an index cut off the end leaves the order
    // instead of pointing past the new array.
    VMPtr<VMArray<jint>> newOrder = VMArray<jint>::create(n);
    VMPtr<VMArray<jboolean>> placed = VMArray<jboolean>::create(n);
    jint filled = 0;
    for (jint p = 0; p < drawOrder->length && filled < n; ++p) {
        jint index = drawOrder[p];
        if (index < 0 || index >= n || placed[index]) continue;
        placed[index] = true;
        newOrder[filled++] = index;
    }
    for (jint index = 0; index < n && filled < n; ++index)
        if (!placed[index]) newOrder[filled++] = index;
    objects = newObjects;
    drawOrder = newOrder;
    growStep = n;
    capacity = n;
}

void Scene::onPause() {}

void Scene::removeObject(jint index) {
    if (objects == nullptr || index >= objects->length || objects[index] == nullptr) return;
    objects[index]->release();
    objects[index] = nullptr;
    trimObjects();
}

void Scene::unload() {
    if (objects != nullptr)
        for (jint i = 0; i < objects->length; ++i) {
            VMPtr<MyObject> o = objects[i];
            if (o == nullptr) continue;
            o->release();
            objects[i] = nullptr;
        }
    if (screen != nullptr) {
        screen->release();
        screen = nullptr;
    }
    if (panel != nullptr) {
        panel->release();
        panel = nullptr;
    }
    Statics& s = S();
    if (s.updating.get() == this) s.updating = nullptr;
}

void Scene::reload() {
    unload();
    loadAll();
}

}  // namespace ui
