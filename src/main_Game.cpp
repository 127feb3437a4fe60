#include "main_Game.h"

#include "VMMath.h"
#include "main_Main.h"

WREN_DEFINE_CLASS(main::Game, "main.Game")

namespace main {

using wren::WrenCanvas;

namespace {

// Ranges of the values a record may hold; anything else makes the record
// unusable.
constexpr jint FAMILY_MAX = 8;
constexpr jint VARIANT_MAX = 13;
constexpr jint HEAT_KIND_MAX = 6;

jint intAt(const VMPtr<VMArray<jbyte>>& bytes, jint offset) {
    return jint(uint32_t(uint8_t(bytes[offset])) << 24 | uint32_t(uint8_t(bytes[offset + 1])) << 16 |
                uint32_t(uint8_t(bytes[offset + 2])) << 8 | uint32_t(uint8_t(bytes[offset + 3])));
}

bool inRange(jint value, jint low, jint high) { return value >= low && value <= high; }

}  // namespace

void Game::staticInit() {
    Statics& s = wrenStatics_();
    static const jint kinds[ROWS][COLUMNS] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 23, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 10, 9, 5, 8, 4, 9, 0, 0, 15, 15, 15, 0, 0},
        {0, 0, 0, 11, 0, 11, 10, 9, 9, 8, 8, 8, 9, 10, 15, 15, 15, 16, 0, 0},
        {0, 0, 13, 12, 11, 11, 11, 10, 3, 8, 1, 8, 9, 7, 15, 15, 16, 17, 16, 0},
        {0, 13, 14, 13, 12, 11, 11, 11, 10, 9, 2, 6, 9, 10, 15, 16, 17, 18, 17, 0},
        {0, 12, 13, 12, 11, 11, 11, 19, 10, 10, 9, 0, 0, 0, 15, 15, 16, 17, 16, 0},
        {0, 0, 12, 11, 11, 0, 19, 19, 20, 21, 20, 19, 0, 0, 0, 0, 15, 0, 0, 0},
        {0, 0, 0, 0, 11, 19, 19, 20, 21, 22, 21, 19, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 19, 20, 21, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 19, 20, 19, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    VMPtr<VMArray<jint, 2>> cellKinds = VMArray<jint, 2>::create(ROWS, COLUMNS);
    for (jint r = 0; r < ROWS; ++r)
        for (jint c = 0; c < COLUMNS; ++c) cellKinds[r][c] = kinds[r][c];
    s.cellKinds = cellKinds;

    VMPtr<VMArray<jint, 2>> groups = VMArray<jint, 2>::create(5);
    groups[0] = VMArray<jint>::of({0, 1, 2, 4});
    groups[1] = VMArray<jint>::of({0, 8});
    groups[2] = VMArray<jint>::of({4, 6});
    groups[3] = VMArray<jint>::of({2, 3});
    groups[4] = VMArray<jint>::of({5});
    s.groupTable = groups;

    VMPtr<VMArray<jint, 2>> families = VMArray<jint, 2>::create(9);
    families[0] = VMArray<jint>::of({3, 5, 6, 10, 11, 12});
    families[1] = VMArray<jint>::of({3, 5, 6, 8, 9, 10, 11, 12});
    families[2] = VMArray<jint>::of({3, 5, 6, 8, 9, 10, 11, 12});
    families[3] = VMArray<jint>::of({4, 7});
    families[4] = VMArray<jint>::of({5, 6, 10, 11, 12});
    families[5] = VMArray<jint>::of({13});
    families[6] = VMArray<jint>::of({2});
    families[7] = VMArray<jint>::of({1});
    families[8] = VMArray<jint>::of({0});
    s.familyTable = families;

    s.numberTable = VMArray<jint>::of({140, 1, 160, 60, 120, 48, 56, 150, 68, 60, 30, 40, 48, 100});
}

void Game::ctor() {
    java::lang::Object::ctor();
    canvas = Main::S().canvas;
    loadState();
    loadData();
}

void Game::resetState() {
    Statics& s = S();
    s.progressA = 0;
    s.progressB = 1000;
    s.progressFlags = VMArray<jboolean>::create(5);
    s.stats = VMArray<jint>::of({0, 1, 1, 1, 1, 3, 3, 0, 1});
    s.progressPair = VMArray<jint>::of({10, 5});
    s.extraFlags = VMArray<jboolean>::create(3);
    s.stageKind = 0;
}

jboolean Game::validState(const VMPtr<VMArray<jbyte>>& bytes) {
    clinit();
    if (bytes == nullptr || bytes->length < STATE_BYTES) return false;
    if (intAt(bytes, 4) < 0) return false;  // progressB
    for (jint i = 0; i < 9; ++i)
        if (intAt(bytes, 13 + 4 * i) < 0) return false;  // stats
    if (!inRange(intAt(bytes, 49), 0, COLUMNS - 1)) return false;  // progressPair: column
    if (!inRange(intAt(bytes, 53), 0, ROWS - 1)) return false;     // row
    // The map opens a dialog for the cell under the cursor and loads its
    // family's art: a cursor on a place with no cell has no family to load.
    if (S().cellKinds[intAt(bytes, 53)][intAt(bytes, 49)] == 0) return false;
    return inRange(intAt(bytes, 60), 0, STAGE_KINDS - 1);          // stageKind
}

jboolean Game::validWorld(const VMPtr<VMArray<jbyte>>& bytes) {
    clinit();
    if (bytes == nullptr || bytes->length < WORLD_BYTES) return false;
    for (jint cell = 0; cell < CELLS; ++cell) {
        const jint at = CELLS + cell * RECORD_FIELDS * 4;
        if (intAt(bytes, at) < -1) return false;                                  // level
        if (!inRange(intAt(bytes, at + 4), -1, FAMILY_MAX)) return false;         // family
        if (!inRange(intAt(bytes, at + 8), 0, VARIANT_MAX)) return false;         // variant
        for (jint field = 3; field < RECORD_FIELDS; ++field)
            if (!inRange(intAt(bytes, at + 4 * field), -1, HEAT_KIND_MAX)) return false;
    }
    const jint placesAt = CELLS + CELLS * RECORD_FIELDS * 4;
    for (jint place = 0; place < PLACES; ++place) {
        if (!inRange(intAt(bytes, placesAt + 8 * place), 0, ROWS - 1)) return false;
        if (!inRange(intAt(bytes, placesAt + 8 * place + 4), 0, COLUMNS - 1)) return false;
    }
    return true;
}

void Game::loadState() {
    Statics& s = S();
    VMPtr<VMArray<jbyte>> bytes = canvas->loadData(STATE_STORE);
    if (!validState(bytes)) {
        resetState();
        saveState();
    } else {
        WrenCanvas::Statics& io = WrenCanvas::S();
        io.inBuffer = bytes;
        io.inPosition = 0;
        s.progressA = WrenCanvas::readInt();
        s.progressB = WrenCanvas::readInt();
        VMPtr<VMArray<jboolean>> flags = VMArray<jboolean>::create(5);
        for (jint i = 0; i < 5; ++i) flags[i] = WrenCanvas::readBoolean();
        s.progressFlags = flags;
        VMPtr<VMArray<jint>> stats = VMArray<jint>::create(9);
        for (jint i = 0; i < 9; ++i) stats[i] = WrenCanvas::readInt();
        s.stats = stats;
        VMPtr<VMArray<jint>> pair = VMArray<jint>::create(2);
        for (jint i = 0; i < 2; ++i) pair[i] = WrenCanvas::readInt();
        s.progressPair = pair;
        VMPtr<VMArray<jboolean>> extra = VMArray<jboolean>::create(3);
        for (jint i = 0; i < 3; ++i) extra[i] = WrenCanvas::readBoolean();
        s.extraFlags = extra;
        s.stageKind = WrenCanvas::readInt();
    }
    // A new game's stats have a class too (6), not the 0 left from before.
    classifyStats();
}

void Game::saveState() {
    Statics& s = S();
    VMPtr<VMArray<jbyte>> buffer = VMArray<jbyte>::create(STATE_BYTES);
    WrenCanvas::Statics& io = WrenCanvas::S();
    io.outBuffer = buffer;
    io.outPosition = 0;
    WrenCanvas::writeInt(s.progressA);
    WrenCanvas::writeInt(s.progressB);
    for (jint i = 0; i < 5; ++i) WrenCanvas::writeBoolean(s.progressFlags[i]);
    for (jint i = 0; i < 9; ++i) WrenCanvas::writeInt(s.stats[i]);
    for (jint i = 0; i < 2; ++i) WrenCanvas::writeInt(s.progressPair[i]);
    for (jint i = 0; i < 3; ++i) WrenCanvas::writeBoolean(s.extraFlags[i]);
    WrenCanvas::writeInt(s.stageKind);
    canvas->saveData(STATE_STORE, buffer);
}

void Game::loadData() {
    Statics& s = S();
    VMPtr<VMArray<jbyte>> bytes = canvas->loadData(WORLD_STORE);
    if (!validWorld(bytes)) {
        generateWorld();
        saveData();
        return;
    }
    WrenCanvas::Statics& io = WrenCanvas::S();
    io.inBuffer = bytes;
    io.inPosition = 0;
    VMPtr<VMArray<jboolean>> flags = VMArray<jboolean>::create(CELLS);
    for (jint i = 0; i < CELLS; ++i) flags[i] = WrenCanvas::readBoolean();
    VMPtr<VMArray<jint, 2>> records = VMArray<jint, 2>::create(CELLS, RECORD_FIELDS);
    for (jint i = 0; i < CELLS; ++i)
        for (jint f = 0; f < RECORD_FIELDS; ++f) records[i][f] = WrenCanvas::readInt();
    VMPtr<VMArray<jint, 2>> places = VMArray<jint, 2>::create(PLACES, 2);
    for (jint i = 0; i < PLACES; ++i)
        for (jint f = 0; f < 2; ++f) places[i][f] = WrenCanvas::readInt();
    s.cellFlags = flags;
    s.cellRecords = records;
    s.places = places;
}

void Game::saveData() {
    Statics& s = S();
    VMPtr<VMArray<jbyte>> buffer = VMArray<jbyte>::create(WORLD_BYTES);
    WrenCanvas::Statics& io = WrenCanvas::S();
    io.outBuffer = buffer;
    io.outPosition = 0;
    for (jint i = 0; i < CELLS; ++i) WrenCanvas::writeBoolean(s.cellFlags[i]);
    for (jint i = 0; i < CELLS; ++i)
        for (jint f = 0; f < RECORD_FIELDS; ++f) WrenCanvas::writeInt(s.cellRecords[i][f]);
    for (jint i = 0; i < PLACES; ++i)
        for (jint f = 0; f < 2; ++f) WrenCanvas::writeInt(s.places[i][f]);
    canvas->saveData(WORLD_STORE, buffer);
}

jint Game::randomBelow(jint m) { return vmRem(Main::randomInt(), m); }

jint Game::pick(const VMPtr<VMArray<jint>>& list) { return list[randomBelow(list->length)]; }

void Game::fillCell(jint cell, jint kind, jint level) {
    Statics& s = S();
    VMPtr<VMArray<jint>> r = s.cellRecords[cell];
    auto pickFamily = [&](jint group) { r[1] = pick(s.groupTable[group]); };
    auto pickVariant = [&] { r[2] = pick(s.familyTable[r[1]]); };
    // Kinds 16, 17 (second value 4) and 20, 21 (5): field 4 is 0, 1 or the
    // second value, field 5 the second value unless field 4 took it.
    auto splitFields = [&](jint value) {
        r[4] = randomBelow(3);
        if (r[4] == 2) r[4] = value;
        r[5] = r[4] == value ? -1 : value;
    };
    switch (kind) {
        case 0:
        case 1:
            r[0] = -1, r[1] = -1, r[2] = 13, r[3] = -1, r[4] = -1, r[5] = -1;
            break;
        case 2:
            r[0] = 0, pickFamily(0), pickVariant(), r[3] = 0, r[4] = 0, r[5] = -1;
            break;
        case 3: case 4: case 5: case 6: case 7:
            r[0] = kind - 2, pickFamily(0), pickVariant(), r[3] = 0, r[4] = 1, r[5] = -1;
            break;
        case 8:
            r[0] = level, pickFamily(0), pickVariant(), r[3] = 0, r[4] = 1, r[5] = -1;
            break;
        case 9:
        case 10:
            r[0] = level, pickFamily(0), pickVariant(), r[3] = 0, r[4] = 1, r[5] = randomBelow(2);
            break;
        case 11:
            r[0] = level - 1, pickFamily(1), pickVariant(), r[3] = randomBelow(2), r[4] = 2, r[5] = -1;
            break;
        case 12:
            r[0] = level, pickFamily(1), pickVariant(), r[3] = randomBelow(2), r[4] = randomBelow(3);
            r[5] = r[4] == 2 ? 0 : 2;
            break;
        case 13:
            r[0] = level + 1, r[1] = s.groupTable[1][1], pickVariant(), r[3] = 2, r[4] = 2, r[5] = 2;
            break;
        case 14:
            r[0] = 10, r[1] = s.groupTable[1][1], pickVariant(), r[3] = 2, r[4] = 3, r[5] = 3;
            break;
        case 15:
            r[0] = level - 1, pickFamily(2), pickVariant(), r[3] = randomBelow(2), r[4] = 4, r[5] = -1;
            break;
        case 16:
            r[0] = level, pickFamily(2), pickVariant(), r[3] = randomBelow(2), splitFields(4);
            break;
        case 17:
            r[0] = level + 1, r[1] = s.groupTable[2][1], pickVariant(), r[3] = randomBelow(2);
            splitFields(4);
            break;
        case 18:
            r[0] = 10, r[1] = s.groupTable[2][1], pickVariant(), r[3] = 4, r[4] = 4, r[5] = 4;
            break;
        case 19:
            r[0] = level - 1, pickFamily(3), pickVariant(), r[3] = randomBelow(2), r[4] = 5, r[5] = -1;
            break;
        case 20:
            r[0] = level, pickFamily(3), pickVariant(), r[3] = randomBelow(2), splitFields(5);
            break;
        case 21:
            r[0] = level + 1, r[1] = s.groupTable[3][1], pickVariant(), r[3] = randomBelow(2);
            splitFields(5);
            break;
        case 22:
            r[0] = 10, r[1] = s.groupTable[3][1], pickVariant(), r[3] = 5, r[4] = 5, r[5] = 5;
            break;
        case 23:
            r[0] = level + 1, pickFamily(0), pickVariant(), r[3] = 0, r[4] = 1, r[5] = randomBelow(2);
            break;
        case 24:
            r[0] = level + 1, r[1] = 5, r[2] = 13, r[3] = 6, r[4] = 6, r[5] = 6;
            break;
        default:
            break;
    }
    if (r[0] == 0) r[0] = 1;
}

void Game::generateWorld() {
    Statics& s = S();
    s.cellFlags = VMArray<jboolean>::create(CELLS);
    s.cellRecords = VMArray<jint, 2>::create(CELLS, RECORD_FIELDS);
    const jint level = s.stats[8];
    for (jint r = 0; r < ROWS; ++r)
        for (jint c = 0; c < COLUMNS; ++c) fillCell(r * COLUMNS + c, s.cellKinds[r][c], level);

    VMPtr<VMArray<jint, 2>> places = VMArray<jint, 2>::create(PLACES, 2);
    places[0][0] = 6;
    places[0][1] = 10;
    static const jint lowest[PLACES] = {0, 3, 11, 15, 19};
    static const jint highest[PLACES] = {0, 10, 14, 18, 22};
    for (jint place = 1; place < PLACES; ++place) {
        for (;;) {
            const jint row = randomBelow(ROWS);
            const jint column = randomBelow(COLUMNS);
            const jint kind = s.cellKinds[row][column];
            if (kind >= lowest[place] && kind <= highest[place]) {
                places[place][0] = row;
                places[place][1] = column;
                break;
            }
        }
    }
    s.places = places;
}

void Game::refreshCellLevels() {
    clinit();
    Statics& s = S();
    const jint level = s.stats[8];
    for (jint r = 0; r < ROWS; ++r)
        for (jint c = 0; c < COLUMNS; ++c) {
            VMPtr<VMArray<jint>> record = s.cellRecords[r * COLUMNS + c];
            switch (s.cellKinds[r][c]) {
                case 8: case 9: case 10: case 12: case 14: case 16: case 20:
                    record[0] = level;
                    break;
                case 11: case 15: case 19:
                    record[0] = level - 1;
                    break;
                case 13: case 17: case 21: case 23: case 24:
                    if (level < 20) record[0] = level + 1;
                    break;
                default:
                    break;
            }
        }
}

void Game::classifyStats() {
    clinit();
    Statics& s = S();
    const jint a = s.stats[2], b = s.stats[4], c = s.stats[6];
    const jint sum = a + b + c;
    jint result;
    if (sum == 30) result = 21;
    else if (a > 6 && b > 6 && c > 6) result = 20;
    else if (a == 10) result = 2;
    else if (b == 10) result = 5;
    else if (c == 10) result = 8;
    else if (sum >= 9 && a == b && b == c) result = 19;
    else if (a >= 5 && a >= b && a >= c) result = 1;
    else if (b >= 5 && b >= a && b >= c) result = 4;
    else if (c >= 5 && c >= a && c >= b) result = 7;
    else if (a == b && b == c) result = 18;
    else if (a >= b && a >= c) result = 0;
    else if (b >= c) result = 3;
    else result = 6;
    s.statClass = result;
}

}  // namespace main
