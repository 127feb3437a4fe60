// main.Game: the player's progress and the world. Everything lives in
// statics that the scenes read and change directly; the one instance
// (main.Main's `game`) loads both saved records when it is made, starts a
// new progress state or a new world for a record that is missing, and
// writes them back on request.
//
// Saved records, written and read through the canvas's byte-buffer
// serializer (ints big-endian, booleans one byte):
//   store 0, 72 bytes: progressA, progressB, progressFlags[5], stats[9],
//     progressPair[2], extraFlags[3], stageKind, zero padding.
//   store 1, 6800 bytes: cellFlags[260], cellRecords[260][6], places[5][2],
//     zero padding.
// A record is used only when it holds what the game itself can write (see
// validState / validWorld). One that doesn't is damaged: its store is set
// aside under another name, never overwritten, and that record starts anew.
// A store that is there but can't be read (or, damaged, can't be set
// aside) is left alone: the game then plays on without saving anything,
// since a save would replace progress the player still has. A save the
// device refuses is tried again at the next one. Each of these is told in
// one line on standard error; a refused save of an item once until a save
// of that item succeeds.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "wren_WrenCanvas.h"

namespace main {

class Game : public virtual java::lang::Object {
    WREN_CLASS(Game, java::lang::Object, (canvas, wren::WrenCanvas))
public:
    WREN_PLAIN_OBJECT()

    static constexpr jint ROWS = 13;
    static constexpr jint COLUMNS = 20;
    static constexpr jint CELLS = ROWS * COLUMNS;
    static constexpr jint RECORD_FIELDS = 6;
    static constexpr jint PLACES = 5;
    static constexpr jint STATE_STORE = 0;
    static constexpr jint WORLD_STORE = 1;
    static constexpr jint STATE_BYTES = 72;
    static constexpr jint WORLD_BYTES = 6800;
    static constexpr jint STAGE_KINDS = 15;
    // The limits of what play can make. The play field, the home and the
    // world generator work within them, and validState / validWorld refuse
    // a saved record outside them: both sides read them from here, so that
    // a save the game wrote is never taken for a damaged one.
    // The player's level (stats[8]) runs from 1 to this.
    static constexpr jint MAX_LEVEL = 20;
    // Experience (stats[7]) levels the player up once it passes this many
    // points a level, and drops by that much.
    static constexpr jint EXPERIENCE_PER_LEVEL = 20;
    // A stat's cap (stats[1], [3], [5]) and level: the pips of its bar.
    static constexpr jint STAT_CAP_MAX = 10;
    // The play field's kinds of heat, numbered from 0.
    static constexpr jint HEAT_KINDS = 7;
    // The variant of a place with no stage.
    static constexpr jint NO_STAGE_VARIANT = 13;
    // The lowest and highest cell kind each place (places[i]) stands on:
    // place 0 is the first stage's cell, the only one of kind 2.
    static constexpr jint PLACE_KINDS[PLACES][2] = {{2, 2}, {3, 10}, {11, 14}, {15, 18}, {19, 22}};

    struct Statics {
        // Constant tables.
        VMStaticPtr<VMArray<jint, 2>> cellKinds;    // [13][20], 0 = no cell
        VMStaticPtr<VMArray<jint, 2>> groupTable;   // families per group
        VMStaticPtr<VMArray<jint, 2>> familyTable;  // variants per family
        VMStaticPtr<VMArray<jint>> numberTable;     // [14]
        // World (store 1).
        VMStaticPtr<VMArray<jboolean>> cellFlags;     // [260]
        VMStaticPtr<VMArray<jint, 2>> cellRecords;    // [260][6]
        VMStaticPtr<VMArray<jint, 2>> places;         // [5][2] row, column
        // Progress (store 0).
        jint progressA = 0;
        jint progressB = 0;
        VMStaticPtr<VMArray<jboolean>> progressFlags;  // [5]
        VMStaticPtr<VMArray<jint>> stats;              // [9]
        VMStaticPtr<VMArray<jint>> progressPair;       // [2] column, row
        VMStaticPtr<VMArray<jboolean>> extraFlags;     // [3]
        jint stageKind = 0;                            // 0..14
        // Derived from stats[2], [4], [6] by classifyStats: 0..21.
        jint statClass = 0;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // Takes main.Main's canvas, then loads (or starts) the progress state
    // and then the world, whose generation reads the level from stats.
    void ctor();

    virtual void loadData();
    virtual void saveData();
    virtual void saveState();
    virtual void loadState();

    // The progress values of a new game.
    virtual void resetState();
    // A new world: cell records by kind and level, places 1..4 at random.
    virtual void generateWorld();

    static void classifyStats();
    // Sets the level of every cell whose level follows the player's
    // (stats[8]).
    static void refreshCellLevels();

    // Whether the bytes hold a progress record / a world record the game
    // can use: the length a save writes, and every value one the game can
    // have written there.
    static jboolean validState(const VMPtr<VMArray<jbyte>>& bytes);
    static jboolean validWorld(const VMPtr<VMArray<jbyte>>& bytes);

    // False once a saved record could not be read (or, damaged, not be set
    // aside): nothing is saved from then on, so that the store stays as it
    // is for a later start.
    jboolean savesAllowed = true;
    // Whether the last save of the progress / of the world was refused and
    // told. Every save is tried; a refusal of an item is told once until a
    // save of that item succeeds, and then again.
    jboolean stateSaveFailureTold = false;
    jboolean worldSaveFailureTold = false;
    // Whether the database folder was told unreadable: one line for it,
    // not one for each item it hides.
    jboolean unreadableFolderTold = false;

private:
    // The record's bytes when they can be used, else null after dealing
    // with what is in the store (`what` names the record in messages).
    VMPtr<VMArray<jbyte>> loadRecord(jint store, const char* what, const char* startedAnew,
                                     jboolean (*valid)(const VMPtr<VMArray<jbyte>>&));
    void saveRecord(jint store, const char* what, const VMPtr<VMArray<jbyte>>& bytes);
    static jboolean cellFits(jint kind, const VMPtr<VMArray<jbyte>>& bytes, jint at);
    static jint pick(const VMPtr<VMArray<jint>>& list);
    static jint randomBelow(jint m);
    static void fillCell(jint cell, jint kind, jint level);
};

}  // namespace main
