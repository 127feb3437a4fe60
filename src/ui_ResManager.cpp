#include "ui_ResManager.h"

#include "java_lang_System.h"
#include "wren_Resources.h"

WREN_DEFINE_CLASS(ui::ResManager, "ui.ResManager")

namespace ui {

using wren::AnimSet;
using wren::Gob;
using wren::Resources;

namespace {

constexpr jint INITIAL_CAPACITY = 5;

}  // namespace

void ResManager::ctor() {
    java::lang::Object::ctor();
    Statics& s = S();
    s.capacity = INITIAL_CAPACITY;
    s.growStep = INITIAL_CAPACITY;
    s.gobPool = VMArray<Gob*, 2>::create(INITIAL_CAPACITY);
    s.gobRefs = VMArray<jint>::create(INITIAL_CAPACITY);
    s.animSetPool = VMArray<AnimSet*>::create(INITIAL_CAPACITY);
    s.animSetRefs = VMArray<jint>::create(INITIAL_CAPACITY);
    s.ids = VMArray<jint, 2>::create(2, INITIAL_CAPACITY);
    s.lastGobSlot = -1;
    s.lastAnimSetSlot = -1;
    s.used = 0;
}

jint ResManager::lookup(jint row, jint id) {
    Statics& s = S();
    VMPtr<VMArray<jint>> entries = s.ids[row];
    jint found = s.used;
    for (jint column = 0; column < s.used; ++column)
        if (entries[column] == id) found = column;
    return found;
}

void ResManager::acquire(jint gobId, jint animSetId) {
    clinit();
    Statics& s = S();
    const jint fresh = s.used;
    // Both loads come before any change, so a resource that fails to load
    // leaves no half-made column behind.
    jint gobSlot = -1;
    VMPtr<VMArray<Gob*>> loadedGobs;
    if (gobId != -1) {
        gobSlot = lookup(0, gobId);
        if (gobSlot == fresh) {
            loadedGobs = Resources::requireGobs(gobId);
            Resources::closePack();
        }
    }
    jint animSetSlot = -1;
    VMPtr<AnimSet> loadedSet;
    if (animSetId != -1) {
        animSetSlot = lookup(1, animSetId);
        if (animSetSlot == fresh) {
            // With the graphic-object half skipped there is no column to
            // bind to: the set draws nothing until someone gives it pictures.
            loadedSet = Resources::requireAnimSet(
                animSetId, gobSlot == -1      ? VMPtr<VMArray<Gob*>>()
                           : gobSlot == fresh ? loadedGobs
                                              : VMPtr<VMArray<Gob*>>(s.gobPool[gobSlot]));
            Resources::closePack();
        }
    }

    if (gobSlot == fresh) {
        s.gobPool[fresh] = loadedGobs;
        s.ids[0][fresh] = gobId;
    }
    if (gobSlot != -1) s.gobRefs[gobSlot] += 1;
    if (animSetSlot == fresh) {
        s.animSetPool[fresh] = loadedSet;
        s.ids[1][fresh] = animSetId;
    }
    if (animSetSlot != -1) s.animSetRefs[animSetSlot] += 1;
    s.lastGobSlot = gobSlot;
    s.lastAnimSetSlot = animSetSlot;
    finishAcquire(gobSlot == fresh || animSetSlot == fresh);
}

void ResManager::acquireUnshared(jint gobId, jint animSetId) {
    clinit();
    Statics& s = S();
    const jint fresh = s.used;
    VMPtr<VMArray<Gob*>> loadedGobs;
    if (gobId != -1) {
        loadedGobs = Resources::requireGobs(gobId);
        Resources::closePack();
    }
    VMPtr<AnimSet> loadedSet;
    if (animSetId != -1) {
        loadedSet = Resources::requireAnimSet(animSetId, loadedGobs);
        Resources::closePack();
    }

    s.lastGobSlot = -1;
    s.lastAnimSetSlot = -1;
    if (gobId != -1) {
        s.gobPool[fresh] = loadedGobs;
        s.ids[0][fresh] = gobId;
        s.gobRefs[fresh] += 1;
        s.lastGobSlot = fresh;
    }
    if (animSetId != -1) {
        s.animSetPool[fresh] = loadedSet;
        s.ids[1][fresh] = animSetId;
        s.animSetRefs[fresh] += 1;
        s.lastAnimSetSlot = fresh;
    }
    finishAcquire(gobId != -1 || animSetId != -1);
}

void ResManager::finishAcquire(bool tookNewColumn) {
    Statics& s = S();
    if (tookNewColumn) ++s.used;
    if (s.used == s.capacity) grow();
}

void ResManager::grow() {
    Statics& s = S();
    jint step = s.capacity / 2;
    step = step < 5 ? 5 : step > 15 ? 15 : step;
    const jint old = s.capacity;
    const jint larger = old + step;
    VMPtr<VMArray<Gob*, 2>> gobPool = VMArray<Gob*, 2>::create(larger);
    VMPtr<VMArray<jint>> gobRefs = VMArray<jint>::create(larger);
    VMPtr<VMArray<AnimSet*>> animSetPool = VMArray<AnimSet*>::create(larger);
    VMPtr<VMArray<jint>> animSetRefs = VMArray<jint>::create(larger);
    VMPtr<VMArray<jint, 2>> ids = VMArray<jint, 2>::create(2, larger);
    for (jint column = 0; column < old; ++column) {
        gobPool[column] = s.gobPool[column];
        gobRefs[column] = s.gobRefs[column];
        animSetPool[column] = s.animSetPool[column];
        animSetRefs[column] = s.animSetRefs[column];
        ids[0][column] = s.ids[0][column];
        ids[1][column] = s.ids[1][column];
    }
    s.gobPool = gobPool;
    s.gobRefs = gobRefs;
    s.animSetPool = animSetPool;
    s.animSetRefs = animSetRefs;
    s.ids = ids;
    s.growStep = step;
    s.capacity = larger;
}

jint ResManager::getLastGobSlot() {
    clinit();
    return S().lastGobSlot;
}

jint ResManager::getLastAnimSetSlot() {
    clinit();
    return S().lastAnimSetSlot;
}

void ResManager::release(jint gobColumn, jint animSetColumn) {
    clinit();
    Statics& s = S();
    // Both columns are read before either changes, so a bad one throws
    // with the cache untouched.
    const jint gobCount = gobColumn == -1 ? 0 : jint(s.gobRefs[gobColumn]);
    const jint animSetCount = animSetColumn == -1 ? 0 : jint(s.animSetRefs[animSetColumn]);
    // A column that holds nothing (released twice, or never handed out)
    // keeps its count at 0, so it can't free what a later acquire loads.
    if (gobCount > 0) {
        s.gobRefs[gobColumn] = gobCount - 1;
        if (gobCount == 1) {
            s.gobPool[gobColumn] = nullptr;
            s.ids[0][gobColumn] = -1;
        }
    }
    if (animSetCount > 0) {
        s.animSetRefs[animSetColumn] = animSetCount - 1;
        if (animSetCount == 1) {
            s.animSetPool[animSetColumn] = nullptr;
            s.ids[1][animSetColumn] = -1;
        }
    }
}

void ResManager::clear() {
    clinit();
    Statics& s = S();
    s.lastGobSlot = -1;
    s.lastAnimSetSlot = -1;
    for (jint column = 0; column < s.capacity; ++column) {
        s.gobPool[column] = nullptr;
        s.animSetPool[column] = nullptr;
        s.gobRefs[column] = 0;
        s.animSetRefs[column] = 0;
        s.ids[0][column] = -1;
        s.ids[1][column] = -1;
    }
    s.used = 0;
}

void ResManager::dispose() {
    clinit();
    Statics& s = S();
    if (s.gobPool != nullptr)
        for (jint column = 0; column < s.gobPool->length; ++column) s.gobPool[column] = nullptr;
    s.gobPool = nullptr;
    if (s.gobRefs != nullptr)
        for (jint column = 0; column < s.gobRefs->length; ++column) s.gobRefs[column] = 0;
    if (s.animSetPool != nullptr)
        for (jint column = 0; column < s.animSetPool->length; ++column)
            s.animSetPool[column] = nullptr;
    s.animSetPool = nullptr;
    if (s.animSetRefs != nullptr)
        for (jint column = 0; column < s.animSetRefs->length; ++column) s.animSetRefs[column] = 0;
    if (s.ids != nullptr)
        for (jint row = 0; row < s.ids->length; ++row)
            for (jint column = 0; column < s.ids[row]->length; ++column) s.ids[row][column] = -1;
    s.capacity = INITIAL_CAPACITY;
    s.growStep = INITIAL_CAPACITY;
    s.lastGobSlot = -1;
    s.lastAnimSetSlot = -1;
    s.used = 0;
}

}  // namespace ui
