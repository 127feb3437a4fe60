// ui.ResManager: the scene's cache of graphic-object sets and animation
// sets, shared by resource id. Two reference-counted pools stand side by
// side in numbered columns; an acquire hands out the column of each half
// (getLastGobSlot / getLastAnimSetSlot, -1 for a skipped half), callers read
// the pools at those columns directly and give the columns back through
// release. A freed entry keeps its column until the next clear, which the
// scene manager runs on every scene change.
//
// All state is static: the one instance, made by main.Main, only sets the
// statics up. Game thread only.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_AnimSet.h"
#include "wren_Gob.h"

namespace ui {

class ResManager : public virtual java::lang::Object {
    WREN_CLASS(ResManager, java::lang::Object)
public:
    WREN_PLAIN_OBJECT()

    struct Statics {
        // Length of every pool and count array and of each row of ids.
        jint capacity = 5;
        jint growStep = 5;
        // Columns handed out since the last clear; the next new entry goes
        // to column `used`.
        jint used = 0;
        jint lastGobSlot = -1;
        jint lastAnimSetSlot = -1;
        // Row 0: the graphic-object set's id per column, row 1 the
        // animation set's; -1 marks an entry freed by release or clear.
        VMStaticPtr<VMArray<jint, 2>> ids;
        VMStaticPtr<VMArray<wren::Gob*, 2>> gobPool;
        VMStaticPtr<VMArray<jint>> gobRefs;
        VMStaticPtr<VMArray<wren::AnimSet*>> animSetPool;
        VMStaticPtr<VMArray<jint>> animSetRefs;
    };
    WREN_STATICS(Statics)

    // Sets up the statics: five empty columns.
    void ctor();

    // Loads or reuses the set `gobId` and the animation set `animSetId`
    // (either -1 to skip that half); the columns land in lastGobSlot and
    // lastAnimSetSlot. A newly loaded animation set is bound to the
    // graphic-object set of the column this call chose, or to none when the
    // graphic-object half was skipped. A load that throws leaves the cache
    // as it was.
    static void acquire(jint gobId, jint animSetId);
    // As acquire, but every half that is not skipped loads into a new
    // column, even when the id is already loaded.
    static void acquireUnshared(jint gobId, jint animSetId);
    static jint getLastGobSlot();
    static jint getLastAnimSetSlot();
    // Gives back one count of each column (-1 skips a half); the entry is
    // dropped when its count reaches 0. A column outside the pools throws
    // ArrayIndexOutOfBoundsException and changes nothing; a column that
    // holds no count is left alone.
    static void release(jint gobColumn, jint animSetColumn);
    // Drops every entry; the capacity stays.
    static void clear();
    // Drops the pools at shutdown; the cache is unusable afterwards.
    static void dispose();

private:
    // The last column below `used` whose entry in row `row` is id, else
    // `used`.
    static jint lookup(jint row, jint id);
    // Ends an acquire: counts the new column and grows when it was the last.
    static void finishAcquire(bool tookNewColumn);
    static void grow();
};

}  // namespace ui
