#include "main_Game.h"

#include "VMMath.h"
#include "com_nimbault_marl_cldc_io_ConsoleOutputStream.h"
#include "java_io_PrintStream.h"
#include "java_lang_StringBuffer.h"
#include "javax_microedition_rms_RecordStore.h"
#include "main_Main.h"

WREN_DEFINE_CLASS(main::Game, "main.Game")

namespace main {

using wren::WrenCanvas;

namespace {

// What the game can write into a progress record beyond the obvious ranges.
// Money: nine digits, some 300,000 stages at the highest reward, and far
// enough below the largest int that no price or reward wraps it.
constexpr jint MONEY_MAX = 999999999;
// Free points: the two digits the cap view shows (play gives well under).
constexpr jint FREE_POINTS_MAX = 99;
// The record of a place with no stage, as the generator writes it.
constexpr jint NO_STAGE_RECORD[Game::RECORD_FIELDS] = {-1, -1, Game::NO_STAGE_VARIANT, -1, -1, -1};

// The map: the kind of each cell, 0 where there is none.
constexpr jint CELL_KINDS[Game::ROWS][Game::COLUMNS] = {
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
// Where the generator puts place 0.
constexpr jint FIRST_STAGE_ROW = 6;
constexpr jint FIRST_STAGE_COLUMN = 10;
static_assert(CELL_KINDS[FIRST_STAGE_ROW][FIRST_STAGE_COLUMN] >= Game::PLACE_KINDS[0][0] &&
                  CELL_KINDS[FIRST_STAGE_ROW][FIRST_STAGE_COLUMN] <= Game::PLACE_KINDS[0][1],
              "place 0 must stand on a cell of its kinds");

bool placeFits(jint place, jint kind) {
    return kind >= Game::PLACE_KINDS[place][0] && kind <= Game::PLACE_KINDS[place][1];
}

jint intAt(const VMPtr<VMArray<jbyte>>& bytes, jint offset) {
    return jint(uint32_t(uint8_t(bytes[offset])) << 24 | uint32_t(uint8_t(bytes[offset + 1])) << 16 |
                uint32_t(uint8_t(bytes[offset + 2])) << 8 | uint32_t(uint8_t(bytes[offset + 3])));
}

bool inRange(jint value, jint low, jint high) { return value >= low && value <= high; }

// A saved boolean is written as 1 or 0.
bool booleansAt(const VMPtr<VMArray<jbyte>>& bytes, jint offset, jint count) {
    for (jint i = offset; i < offset + count; ++i)
        if (bytes[i] != 0 && bytes[i] != 1) return false;
    return true;
}

bool zerosFrom(const VMPtr<VMArray<jbyte>>& bytes, jint offset) {
    for (jint i = offset; i < bytes->length; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// One line on standard error, where a player sees it whatever becomes of
// the game's output.
void tell(const VMPtr<java::lang::String>& line) {
    VMPtr<java::io::PrintStream> err = java::io::PrintStream::make(
        com::nimbault::marl::cldc::io::ConsoleOutputStream::make(jboolean(true)));
    VMPtr<java::lang::StringBuffer> text = java::lang::StringBuffer::make("wren: ");
    text->append(line);
    err->println(text->toString());
}

// Where a store lives, for a message: its path, or its name alone.
VMPtr<java::lang::String> whereIs(const VMPtr<java::lang::String>& store) {
    VMPtr<java::lang::String> path = javax::microedition::rms::RecordStore::getLocation(store);
    return path != nullptr ? path : store;
}

}  // namespace

void Game::staticInit() {
    Statics& s = wrenStatics_();
    VMPtr<VMArray<jint, 2>> cellKinds = VMArray<jint, 2>::create(ROWS, COLUMNS);
    for (jint r = 0; r < ROWS; ++r)
        for (jint c = 0; c < COLUMNS; ++c) cellKinds[r][c] = CELL_KINDS[r][c];
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
    if (bytes == nullptr || bytes->length != STATE_BYTES) return false;
    if (intAt(bytes, 0) != 0) return false;                           // progressA: never set
    if (!inRange(intAt(bytes, 4), 0, MONEY_MAX)) return false;         // progressB
    if (!booleansAt(bytes, 8, 5)) return false;                        // progressFlags
    auto stat = [&](jint i) { return intAt(bytes, 13 + 4 * i); };
    if (!inRange(stat(0), 0, FREE_POINTS_MAX)) return false;
    // Stats 1, 3, 5 cap stats 2, 4, 6; nothing raises a stat past its cap.
    for (jint k = 0; k < 3; ++k) {
        if (!inRange(stat(2 * k + 1), 0, STAT_CAP_MAX)) return false;
        if (!inRange(stat(2 * k + 2), 0, stat(2 * k + 1))) return false;
    }
    if (!inRange(stat(8), 1, MAX_LEVEL)) return false;                          // level
    if (!inRange(stat(7), 0, EXPERIENCE_PER_LEVEL * stat(8))) return false;     // experience
    if (!inRange(intAt(bytes, 49), 0, COLUMNS - 1)) return false;  // progressPair: column
    if (!inRange(intAt(bytes, 53), 0, ROWS - 1)) return false;     // row
    // The map opens a dialog for the cell under the cursor and loads its
    // family's art: a cursor on a place with no cell has no family to load.
    if (S().cellKinds[intAt(bytes, 53)][intAt(bytes, 49)] == 0) return false;
    if (!booleansAt(bytes, 57, 3)) return false;                   // extraFlags
    if (!inRange(intAt(bytes, 60), 0, STAGE_KINDS - 1)) return false;  // stageKind
    return zerosFrom(bytes, 64);
}

jboolean Game::cellFits(jint kind, const VMPtr<VMArray<jbyte>>& bytes, jint at) {
    const jint level = intAt(bytes, at), family = intAt(bytes, at + 4),
               variant = intAt(bytes, at + 8);
    // A place without a stage holds the one record the generator gives it.
    if (kind <= 1) {
        for (jint f = 0; f < RECORD_FIELDS; ++f)
            if (intAt(bytes, at + 4 * f) != NO_STAGE_RECORD[f]) return false;
        return true;
    }
    // A stage cell: a level the generator or the player's level gives it,
    // a family whose art the stage dialog loads, a variant that prices the
    // reward, and two or three heats of a kind the play field knows.
    if (!inRange(level, 1, MAX_LEVEL + 1)) return false;
    if (!inRange(family, 0, S().familyTable->length - 1)) return false;
    if (!inRange(variant, 0, S().numberTable->length - 1)) return false;
    if (!inRange(intAt(bytes, at + 12), 0, HEAT_KINDS - 1)) return false;
    if (!inRange(intAt(bytes, at + 16), 0, HEAT_KINDS - 1)) return false;
    return inRange(intAt(bytes, at + 20), -1, HEAT_KINDS - 1);
}

jboolean Game::validWorld(const VMPtr<VMArray<jbyte>>& bytes) {
    clinit();
    Statics& s = S();
    if (bytes == nullptr || bytes->length != WORLD_BYTES) return false;
    if (!booleansAt(bytes, 0, CELLS)) return false;
    // The flags are counted over the cells of the map in row order: only
    // as many as there are cells can be set.
    jint mapCells = 0;
    for (jint cell = 0; cell < CELLS; ++cell) {
        const jint kind = s.cellKinds[cell / COLUMNS][cell % COLUMNS];
        if (kind != 0) ++mapCells;
        if (!cellFits(kind, bytes, CELLS + cell * RECORD_FIELDS * 4)) return false;
    }
    for (jint flag = mapCells; flag < CELLS; ++flag)
        if (bytes[flag] != 0) return false;
    // Place 0 is the first stage's cell; each other place is a cell of its
    // range of kinds.
    const jint placesAt = CELLS + CELLS * RECORD_FIELDS * 4;
    for (jint place = 0; place < PLACES; ++place) {
        const jint row = intAt(bytes, placesAt + 8 * place);
        const jint column = intAt(bytes, placesAt + 8 * place + 4);
        if (!inRange(row, 0, ROWS - 1) || !inRange(column, 0, COLUMNS - 1)) return false;
        if (!placeFits(place, s.cellKinds[row][column])) return false;
    }
    return zerosFrom(bytes, placesAt + 8 * PLACES);
}

VMPtr<VMArray<jbyte>> Game::loadRecord(jint store, const char* what, const char* startedAnew,
                                       jboolean (*valid)(const VMPtr<VMArray<jbyte>>&)) {
    using java::lang::String;
    using java::lang::StringBuffer;
    using javax::microedition::rms::RecordStore;
    // What the read found and what became of a set-aside are told apart:
    // their codes overlap.
    VMPtr<VMArray<jint>> readOutcome = VMArray<jint>::create(1);
    VMPtr<VMArray<jbyte>> bytes = canvas->readData(store, readOutcome);
    const jint read = readOutcome[0];
    if (read == WrenCanvas::DATA_MISSING) return nullptr;
    if (read == WrenCanvas::DATA_READ && valid(bytes)) return bytes;
    VMPtr<String> name = String::valueOf(store);
    VMPtr<StringBuffer> line = StringBuffer::make("the saved ");
    line->append(what);
    line->append(" in record store \"");
    line->append(name);
    line->append("\" ");
    // The failing call's fault: where, and whether permissions or a
    // rename not yet finished are the cause. What the player is told to do
    // follows from it.
    jint fault = RecordStore::FAULT_NONE;
    VMPtr<String> faultAt;
    VMPtr<String> folder = whereIs(nullptr);
    auto takeFault = [&] {
        fault = RecordStore::getFault();
        faultAt = RecordStore::getFaultLocation();
    };
    const auto cause = [&] { return fault & ~RecordStore::FAULT_UNFINISHED_RENAME; };
    const auto atFolder = [&] { return faultAt != nullptr && faultAt->equals(folder); };
    // Where permissions refused the read, making it readable helps too.
    const auto moveOrMakeReadable = [&] {
        line->append(cause() == RecordStore::FAULT_READ_REFUSED
                         ? "): make it readable for the user who plays the game, or move it away, and"
                         : "): move it away and");
        line->append(" the game saves again at its next start; ");
    };
    const auto playOn = [&] {
        line->append(startedAnew);
        line->append(" and playing on without saving");
    };
    if (read == WrenCanvas::DATA_UNREADABLE) {
        takeFault();
        // Left as it is, and what the player can do about it: it stays so
        // at every start until they do.
        savesAllowed = false;
        if ((fault & RecordStore::FAULT_UNFINISHED_RENAME) != 0) {
            // Its newest state waits, whole, for a rename to put it in
            // place: nothing is to be moved away.
            line->append("can't be read: its last save (");
            line->append(faultAt);
            line->append(") can't be put in place");
            if (cause() == RecordStore::FAULT_WRITE_REFUSED) {
                line->append(", as ");
                line->append(folder);
                line->append(" can't be written: make it writable for the user who plays the game, "
                             "and the game puts it in place at its next start; ");
            } else if (cause() == RecordStore::FAULT_READ_REFUSED) {
                line->append(", as it can't be read: make it readable for the user who plays the "
                             "game, and the game puts it in place at its next start; ");
            } else {
                line->append(" now: the game keeps it there and tries again at its next start; ");
            }
        } else if (atFolder()) {
            // Every item in it is hidden alike: one line for the folder.
            if (unreadableFolderTold) return nullptr;
            unreadableFolderTold = true;
            line = StringBuffer::make("the folder of the saved games can't be read (");
            line->append(folder);
            moveOrMakeReadable();
            line->append("started anew and playing on without saving");
            tell(line->toString());
            return nullptr;
        } else {
            line->append("can't be read (");
            line->append(faultAt != nullptr ? faultAt : whereIs(name));
            moveOrMakeReadable();
        }
        playOn();
        tell(line->toString());
        return nullptr;
    }
    VMPtr<VMArray<jint>> asideOutcome = VMArray<jint>::create(1);
    VMPtr<String> aside = canvas->setAsideData(store, asideOutcome);
    if (aside != nullptr) {
        line->append("is damaged; set it aside as record store \"");
        line->append(aside);
        line->append("\" (");
        line->append(whereIs(aside));
        line->append(") and ");
        line->append(startedAnew);
    } else {
        // Replacing it would destroy what the player may still get back.
        savesAllowed = false;
        if (asideOutcome[0] == WrenCanvas::ASIDE_FAILED) takeFault();
        if (asideOutcome[0] == WrenCanvas::ASIDE_NO_NAME_LEFT) {
            // Why, and what the player can do: every name a copy can take
            // is held (by copies set aside before, or by anything else put
            // there), at every start, until some of them go.
            VMPtr<StringBuffer> first = StringBuffer::make(name);
            first->append(".damaged");
            VMPtr<StringBuffer> last = StringBuffer::make(first->toString());
            last->append('-');
            last->append(WrenCanvas::MAX_SET_ASIDE_COPIES);
            line->append("is damaged and can't be set aside: all ");
            line->append(WrenCanvas::MAX_SET_ASIDE_COPIES);
            line->append(" names a copy can have are taken (");
            line->append(whereIs(first->toString()));
            line->append(" to ");
            line->append(whereIs(last->toString()));
            line->append("): move some of what holds them away and the game saves again at its "
                         "next start; ");
        } else if (atFolder() && (cause() == RecordStore::FAULT_WRITE_REFUSED ||
                                  cause() == RecordStore::FAULT_READ_REFUSED)) {
            // The folder the copy goes to, or its listing, is refused.
            const bool write = cause() == RecordStore::FAULT_WRITE_REFUSED;
            line->append("is damaged and can't be set aside, as ");
            line->append(folder);
            line->append(write ? " can't be written: make it writable" : " can't be read: make it readable");
            line->append(" for the user who plays the game and the game sets it aside at its next "
                         "start; ");
        } else {
            line->append("is damaged and can't be set aside (");
            line->append(whereIs(name));
            line->append("); ");
        }
        playOn();
    }
    tell(line->toString());
    return nullptr;
}

void Game::saveRecord(jint store, const char* what, const VMPtr<VMArray<jbyte>>& bytes) {
    if (!savesAllowed) return;
    const jboolean saved = canvas->saveData(store, bytes);
    // Each item's refusal is told on its own: the other item saving in
    // between is no news of this one.
    jboolean& told = store == STATE_STORE ? stateSaveFailureTold : worldSaveFailureTold;
    const jboolean toldBefore = told;
    // A failure after a save that worked is news again.
    told = !saved;
    if (saved || toldBefore) return;
    VMPtr<java::lang::StringBuffer> line = java::lang::StringBuffer::make("can't save the game's ");
    line->append(what);
    line->append(" (record store \"");
    line->append(store);
    line->append("\") in ");
    line->append(whereIs(nullptr));
    line->append("; playing on, and the game will try again at the next save");
    tell(line->toString());
}

void Game::loadState() {
    Statics& s = S();
    VMPtr<VMArray<jbyte>> bytes = loadRecord(STATE_STORE, "progress", "started a new game", validState);
    if (bytes == nullptr) {
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
    saveRecord(STATE_STORE, "progress", buffer);
}

void Game::loadData() {
    Statics& s = S();
    VMPtr<VMArray<jbyte>> bytes = loadRecord(WORLD_STORE, "world", "made a new world", validWorld);
    if (bytes == nullptr) {
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
    saveRecord(WORLD_STORE, "world", buffer);
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
            for (jint f = 0; f < RECORD_FIELDS; ++f) r[f] = NO_STAGE_RECORD[f];
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
    places[0][0] = FIRST_STAGE_ROW;
    places[0][1] = FIRST_STAGE_COLUMN;
    for (jint place = 1; place < PLACES; ++place) {
        for (;;) {
            const jint row = randomBelow(ROWS);
            const jint column = randomBelow(COLUMNS);
            if (placeFits(place, s.cellKinds[row][column])) {
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
                    if (level < MAX_LEVEL) record[0] = level + 1;
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
