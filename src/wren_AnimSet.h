// wren.AnimSet: every animation of one character or object, loaded from one
// animation-set resource into packed tables: animations (runs of steps),
// steps (frame, duration, offset, level, interpolation), frames (pieces and
// collision boxes), pieces (a graphic object with an offset and mirrors),
// boxes and a shared table of durations. It draws a frame as its pieces
// under a MIDP sprite transform, gives a frame's boxes and rectangles under
// a transform, and keeps a Frame per frame id and per animation as a
// Paintable. The pictures are a Gob array attached after loading.
//
// Packed words (signed fields are 2's-complement):
//   animations  bits 0..9 step count, 10..15 loop count (signed), 16..31 first step
//   steps       bits 22..31 frame, 12..21 dx, 2..11 dy, 0..1 interpolation
//   stepFlags   bits 0..5 duration index, 6..7 level
//   frames      bits 0..7 piece count, 8..15 box count, 16..31 first piece
//   pieces      bits 22..31 Gob index, 12..21 dx, 2..11 dy, 0..1 flip bits
//   boxes       bits 21..31 x, 10..20 y (signed 11-bit), 0..9 width
//   boxShapes   bits 6..15 height, bit 5 circle, 0..4 type
//
// A bad frame, animation or Gob index is the array's index exception. A
// frame past the end of the frames, whichever call meets it first, names
// the set's entry and file (see Resources::throwMissingPart): content too
// short for the game is what asks for one. getAnimationDuration alone
// answers 0 for a bad index. Loading, the frame caches and the scratch
// bounds are class-wide: one caller at a time.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_io_DataInputStream.h"
#include "javax_microedition_lcdui_Graphics.h"
#include "wren_Frame.h"
#include "wren_Gob.h"

namespace wren {

namespace graphics {
class CollisionBox;
}

class AnimSet : public virtual java::lang::Object {
    WREN_CLASS(AnimSet, java::lang::Object, (animations, VMArray<jint>), (gobs, VMArray<Gob*>),
               (durationCache, VMArray<jint>), (frames, VMArray<jint>), (pieces, VMArray<jint>),
               (frameBoxStart, VMArray<jchar>), (boxShapes, VMArray<jchar>), (boxes, VMArray<jint>),
               (steps, VMArray<jint>), (durations, VMArray<jchar>), (stepFlags, VMArray<jbyte>),
               (animationFrames, VMArray<Frame*>), (frameCache, VMArray<Frame*>))
public:
    WREN_PLAIN_OBJECT()

    jint resourceId = 0;

    struct Statics {
        // Scratch for the bounds of a Frame being built.
        VMStaticPtr<VMArray<jint>> sBounds;
        // The stream of the load in progress; null outside a load.
        VMStaticPtr<java::io::DataInputStream> sStream;
        // Whether a number of the load in progress was read at the data's
        // end (and so taken as -1).
        jboolean sRanOut = false;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    void ctor() { java::lang::Object::ctor(); }

    virtual jint getFrameCount();
    virtual jint getAnimationLength(jint a);
    // The cached Frame of a frame id, made on first use.
    virtual VMPtr<Frame> getFrame(jint id);
    // The sum of the animation's step durations; 0 for an index out of range.
    virtual jint getAnimationDuration(jint a);
    virtual jint getCollisionRects(jint frame, jint t, const VMPtr<VMArray<jint>>& out);
    virtual jint getCollisionBoxes(jint frame, jint t,
                                   const VMPtr<VMArray<graphics::CollisionBox*>>& out);
    // Four ints a piece while out has room: Gob index, x, y (the piece's
    // offset as a point under the piece's transform) and that transform.
    // The frame's piece count, also when out was too short.
    virtual jint getFramePieces(jint frame, jint t, const VMPtr<VMArray<jint>>& out);
    virtual jint getAnimationCount();
    // out = left, top, width, height of the frame's pieces under t;
    // {MAX, MAX, 0, 0} for a frame without pieces.
    virtual void getFrameBounds(jint frame, jint t, const VMPtr<VMArray<jint>>& out);
    virtual jint getFramePieceCount(jint frame);
    virtual void setGobs(const VMPtr<VMArray<Gob*>>& g);
    // The frame's boxes of `type` (every type when below 0) under t, into
    // the boxes already in out while it has room; how many were filled.
    virtual jint getCollisionBoxes(jint frame, jint t,
                                   const VMPtr<VMArray<graphics::CollisionBox*>>& out, jint type);
    // The same as five ints a box (x and y cut to 16 bits, width, height,
    // type) while out has room for five.
    virtual jint getCollisionRects(jint frame, jint t, const VMPtr<VMArray<jint>>& out, jint type);
    // A set sharing every table with this one but drawing with g.
    virtual VMPtr<AnimSet> copyWithGobs(const VMPtr<VMArray<Gob*>>& g);
    virtual jint getFrameBoxCount(jint frame);
    virtual jint getResourceId();
    virtual VMPtr<VMArray<Gob*>> getGobs();
    // The frame's pieces, first (bottom) to last, with the origin at (x, y)
    // under t. A piece's offset is lent to its Gob for the drawing and
    // taken back also when drawing throws.
    virtual void paintFrame(const VMPtr<javax::microedition::lcdui::Graphics>& g, jint frame,
                            jint x, jint y, jint t);
    // The bounds over every step's frame at the step's offset under t.
    virtual void getAnimationBounds(jint a, jint t, const VMPtr<VMArray<jint>>& out);
    // The cached Frame of a whole animation (id -a), made on first use.
    virtual VMPtr<Frame> getAnimationFrame(jint a);

    // A new set from resource id. A load that fails part way (a missing
    // entry, data that ends early, a table larger than the bytes left to
    // fill it) ends quietly there: the tables not reached stay null.
    static VMPtr<AnimSet> load(jint id);
    // load(id) from `in`, the entry's stream, for a caller that needs every
    // table: what stops the load passes to the caller, and data that ends
    // before the last table does (a total larger than the bytes left, a
    // number read at the end) is EOFException.
    static VMPtr<AnimSet> loadWhole(jint id, const VMPtr<java::io::DataInputStream>& in);
    // Words for the first entry of a whole set that names a place past the
    // table it points into, which playing or drawing would meet as an index
    // exception: an animation's steps (its first one also when it has
    // none), a step's frame or duration, a frame's pieces or boxes, and,
    // unless gobCount is negative, a piece's Gob among gobCount. Null when
    // every one lands.
    virtual VMPtr<java::lang::String> findBadReference(jint gobCount);
    // A byte, or the 16-bit number after an 0xFF byte; -1 at the end.
    static jint readVarU();
    // A signed byte, or the signed 16-bit number after a 0x80 byte.
    static jint readVarS();
    // Entry i = count i | (sum of the counts before it) << 16; the sum of
    // every count, in 64 bits (so no total wraps).
    static jlong readCountTable(const VMPtr<VMArray<jint>>& table);
    // ORs the frame or Gob index (<< 22), dx (<< 12) and dy (<< 2) into
    // every entry, one field over the whole table at a time.
    static void readPlacements(const VMPtr<VMArray<jint>>& table);

    // Signed fields of the packed words.
    static jint fieldDx(jint word) { return (word << 10) >> 22; }
    static jint fieldDy(jint word) { return (word << 20) >> 22; }
    static jint fieldIndex(jint word) { return jint(uint32_t(word) >> 22); }

private:
    // The frames entry of `frame`, named past the table's end.
    jint frameWord(jint frame);
    // Every table from `in`; false when a total outruns the bytes left,
    // where the load ends quietly.
    jboolean readFrom(jint id, const VMPtr<java::io::DataInputStream>& in);
    jboolean readTables();
};

}  // namespace wren
