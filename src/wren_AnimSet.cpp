#include "wren_AnimSet.h"

#include "VMTry.h"
#include "java_io_EOFException.h"
#include "java_lang_Exception.h"
#include "java_lang_StringBuffer.h"
#include "wren_Frame.h"
#include "wren_Resources.h"
#include "wren_graphics_CollisionBox.h"

WREN_DEFINE_CLASS(wren::AnimSet, "wren.AnimSet")

namespace wren {

using graphics::CollisionBox;
using java::io::DataInputStream;
using javax::microedition::lcdui::Graphics;

namespace {

constexpr jint kEmptyEdge = 0x7FFFFFFF;

// A rectangle relative to an origin under a sprite transform: bit 2 swaps
// the axes, bit 1 mirrors x, bit 0 mirrors y; a mirrored extent becomes
// -(offset + size).
struct Placed {
    jint x, y, w, h;
};

inline Placed place(jint x, jint y, jint w, jint h, jint t) {
    if (t & 4) return {(t & 1) ? -(y + h) : y, (t & 2) ? -(x + w) : x, h, w};
    return {(t & 2) ? -(x + w) : x, (t & 1) ? -(y + h) : y, w, h};
}

// Growing bounds, written as left, top, width, height.
struct Extent {
    jint left = kEmptyEdge, top = kEmptyEdge, right = kEmptyEdge, bottom = kEmptyEdge;
    bool any = false;
    void add(jint l, jint t, jint r, jint b) {
        if (!any || l < left) left = l;
        if (!any || t < top) top = t;
        if (!any || r > right) right = r;
        if (!any || b > bottom) bottom = b;
        any = true;
    }
    void writeTo(const VMPtr<VMArray<jint>>& out) const {
        out[0] = left;
        out[1] = top;
        out[2] = any ? right - left : 0;
        out[3] = any ? bottom - top : 0;
    }
};

// Whether the stream still holds `count` bytes: every table that a total
// sizes takes at least a byte an entry in some section the load must read
// through, so a larger total can only end in the data's end.
bool holds(const VMPtr<DataInputStream>& in, jlong count) {
    return count >= 0 && count <= in->available();
}

}  // namespace

void AnimSet::staticInit() {
    wrenStatics_().sBounds = VMArray<jint>::create(4);
}

jint AnimSet::getFrameCount() {
    return frames->length;
}

jint AnimSet::getAnimationLength(jint a) {
    return animations[a] & 0x3FF;
}

jint AnimSet::frameWord(jint frame) {
    jint count = frames->length;
    if (frame >= count)
        Resources::throwMissingPart(resourceId, "the animation set", "frame", frame, count);
    return frames[frame];
}

VMPtr<Frame> AnimSet::getFrame(jint id) {
    frameWord(id);  // a bad id throws before the cache is made or read
    if (frameCache == nullptr) frameCache = VMArray<Frame*>::create(getFrameCount());
    VMPtr<VMArray<Frame*>> cache = frameCache;
    if (cache[id] == nullptr) {
        VMPtr<VMArray<jint>> bounds = S().sBounds;
        getFrameBounds(id, 0, bounds);
        cache[id] = Frame::make(VMPtr<AnimSet>(this), id, bounds);
    }
    return cache[id];
}

jint AnimSet::getAnimationDuration(jint a) {
    if (a < 0 || a >= getAnimationCount()) return 0;
    jint cached = durationCache[a];
    if (cached != 0) return cached;
    jint entry = animations[a];
    jint first = jint(uint32_t(entry) >> 16), count = entry & 0x3FF;
    jint sum = 0;
    for (jint s = first; s < first + count; ++s) sum += durations[stepFlags[s] & 0x3F];
    durationCache[a] = sum;
    return sum;
}

jint AnimSet::getCollisionRects(jint frame, jint t, const VMPtr<VMArray<jint>>& out) {
    return getCollisionRects(frame, t, out, -1);
}

jint AnimSet::getCollisionBoxes(jint frame, jint t, const VMPtr<VMArray<CollisionBox*>>& out) {
    return getCollisionBoxes(frame, t, out, -1);
}

jint AnimSet::getFramePieces(jint frame, jint t, const VMPtr<VMArray<jint>>& out) {
    jint entry = frameWord(frame);
    jint count = entry & 0xFF, first = jint(uint32_t(entry) >> 16);
    for (jint i = 0, k = 0; i < count && k + 4 <= out->length; ++i, k += 4) {
        jint p = pieces[first + i];
        jint pt = (p & 3) ^ t;
        Placed at = place(fieldDx(p), fieldDy(p), 0, 0, pt);
        out[k] = fieldIndex(p);
        out[k + 1] = at.x;
        out[k + 2] = at.y;
        out[k + 3] = pt;
    }
    return count;
}

jint AnimSet::getAnimationCount() {
    return animations->length;
}

void AnimSet::getFrameBounds(jint frame, jint t, const VMPtr<VMArray<jint>>& out) {
    jint entry = frameWord(frame);
    jint count = entry & 0xFF, first = jint(uint32_t(entry) >> 16);
    Extent e;
    for (jint i = 0; i < count; ++i) {
        jint p = pieces[first + i];
        VMPtr<Gob> gob = gobs[fieldIndex(p)];
        Placed r = place(gob->offsetX + fieldDx(p), gob->offsetY + fieldDy(p), gob->width,
                         gob->height, (p & 3) ^ t);
        e.add(r.x, r.y, r.x + r.w, r.y + r.h);
    }
    e.writeTo(out);
}

jint AnimSet::getFramePieceCount(jint frame) {
    return frameWord(frame) & 0xFF;
}

void AnimSet::setGobs(const VMPtr<VMArray<Gob*>>& g) {
    gobs = g;
}

jint AnimSet::getCollisionBoxes(jint frame, jint t, const VMPtr<VMArray<CollisionBox*>>& out,
                                jint type) {
    jint count = (frameWord(frame) >> 8) & 0xFF, first = frameBoxStart[frame];
    jint k = 0;
    for (jint i = 0; i < count && k < out->length; ++i) {
        jint b = boxes[first + i];
        jint shape = boxShapes[first + i];
        jint boxType = shape & 31;
        if (type >= 0 && boxType != type) continue;
        Placed r = place(b >> 21, (b << 11) >> 21, b & 0x3FF, shape >> 6, t);
        VMPtr<CollisionBox> box = out[k++];
        box->x = r.x;
        box->y = r.y;
        box->width = r.w;
        box->height = r.h;
        box->type = boxType;
        box->kind = (shape & 32) ? CollisionBox::CIRCLE : CollisionBox::RECTANGLE;
    }
    return k;
}

jint AnimSet::getCollisionRects(jint frame, jint t, const VMPtr<VMArray<jint>>& out, jint type) {
    jint count = (frameWord(frame) >> 8) & 0xFF, first = frameBoxStart[frame];
    jint k = 0;
    for (jint i = 0; i < count && 5 * k + 5 <= out->length; ++i) {
        jint b = boxes[first + i];
        jint shape = boxShapes[first + i];
        jint boxType = shape & 31;
        if (type >= 0 && boxType != type) continue;
        Placed r = place(b >> 21, (b << 11) >> 21, b & 0x3FF, shape >> 6, t);
        jint at = 5 * k++;
        out[at] = jshort(r.x);
        out[at + 1] = jshort(r.y);
        out[at + 2] = r.w;
        out[at + 3] = r.h;
        out[at + 4] = boxType;
    }
    return k;
}

VMPtr<AnimSet> AnimSet::copyWithGobs(const VMPtr<VMArray<Gob*>>& g) {
    VMPtr<AnimSet> copy = make();
    copy->resourceId = resourceId;
    copy->animations = animations;
    copy->durationCache = durationCache;
    copy->frames = frames;
    copy->pieces = pieces;
    copy->frameBoxStart = frameBoxStart;
    copy->boxShapes = boxShapes;
    copy->boxes = boxes;
    copy->steps = steps;
    copy->durations = durations;
    copy->stepFlags = stepFlags;
    copy->gobs = g;
    return copy;
}

jint AnimSet::getFrameBoxCount(jint frame) {
    return (frameWord(frame) >> 8) & 0xFF;
}

jint AnimSet::getResourceId() {
    return resourceId;
}

VMPtr<VMArray<Gob*>> AnimSet::getGobs() {
    return gobs;
}

void AnimSet::paintFrame(const VMPtr<Graphics>& g, jint frame, jint x, jint y, jint t) {
    jint entry = frameWord(frame);
    jint count = entry & 0xFF, first = jint(uint32_t(entry) >> 16);
    VMPtr<VMArray<Gob*>> pictures = gobs;
    for (jint i = 0; i < count; ++i) {
        jint p = pieces[first + i];
        VMPtr<Gob> gob = pictures[fieldIndex(p)];
        jshort ox = gob->offsetX, oy = gob->offsetY;
        // The Gob may be shared with other sets and players: what it lends
        // for this drawing comes back whatever the drawing does.
        gob->offsetX = jshort(ox + fieldDx(p));
        gob->offsetY = jshort(oy + fieldDy(p));
        vmTryFinally([&] { gob->paint(g, x, y, (p & 3) ^ t); },
                     [&] {
                         gob->offsetX = ox;
                         gob->offsetY = oy;
                     });
    }
}

void AnimSet::getAnimationBounds(jint a, jint t, const VMPtr<VMArray<jint>>& out) {
    jint entry = animations[a];
    jint first = jint(uint32_t(entry) >> 16), count = entry & 0x3FF;
    Extent e;
    for (jint s = first; s < first + count; ++s) {
        jint word = steps[s];
        VMPtr<Frame> f = getFrame(fieldIndex(word));
        Placed at = place(fieldDx(word), fieldDy(word), 0, 0, t);
        jint left = f->getOffsetX(t) + at.x, top = f->getOffsetY(t) + at.y;
        e.add(left, top, left + f->getWidth(t), top + f->getHeight(t));
    }
    e.writeTo(out);
}

VMPtr<Frame> AnimSet::getAnimationFrame(jint a) {
    if (animationFrames == nullptr) animationFrames = VMArray<Frame*>::create(getAnimationCount());
    VMPtr<VMArray<Frame*>> cache = animationFrames;
    if (cache[a] == nullptr) {
        VMPtr<VMArray<jint>> bounds = S().sBounds;
        getAnimationBounds(a, 0, bounds);
        cache[a] = Frame::make(VMPtr<AnimSet>(this), -a, bounds);
    }
    return cache[a];
}

// --- loading -----------------------------------------------------------------

VMPtr<AnimSet> AnimSet::load(jint id) {
    clinit();
    VMPtr<AnimSet> set = make();
    vmTryCatch([&] { set->readFrom(id, Resources::openStream(id)); },
               // A partial set is what the caller gets; nothing says so.
               [](const VMPtr<java::lang::Exception>&) {});
    return set;
}

VMPtr<AnimSet> AnimSet::loadWhole(jint id, const VMPtr<DataInputStream>& in) {
    clinit();
    VMPtr<AnimSet> set = make();
    if (!set->readFrom(id, in) || S().sRanOut)
        java::io::EOFException::throwNew(WREN_LIT("the tables run past the entry's end"));
    return set;
}

jboolean AnimSet::readFrom(jint id, const VMPtr<DataInputStream>& in) {
    return vmTryFinally(
        [&] {
            S().sStream = in;
            S().sRanOut = false;
            resourceId = id;
            return readTables();
        },
        [] { S().sStream = nullptr; });
}

jboolean AnimSet::readTables() {
    VMPtr<DataInputStream> in = S().sStream;
    in->readByte();

    jint animationCount = in->readChar();
    animations = VMArray<jint>::create(animationCount);
    durationCache = VMArray<jint>::create(animationCount);
    VMPtr<VMArray<jint>> anims = animations;
    jlong stepTotal = readCountTable(anims);
    for (jint i = 0; i < animationCount; ++i) anims[i] |= (readVarS() & 0x3F) << 10;

    if (!holds(in, stepTotal)) return false;
    jint stepCount = jint(stepTotal);
    stepFlags = VMArray<jbyte>::create(stepCount);
    steps = VMArray<jint>::create(stepCount);
    VMPtr<VMArray<jbyte>> flags = stepFlags;
    VMPtr<VMArray<jint>> stepWords = steps;
    for (jint s = 0; s < stepCount; ++s) {
        jint v = readVarU();
        flags[s] = jbyte(v);
        stepWords[s] = v >> 8;
    }
    readPlacements(stepWords);

    jint frameCount = in->readChar();
    frameBoxStart = VMArray<jchar>::create(frameCount);
    frames = VMArray<jint>::create(frameCount);
    VMPtr<VMArray<jint>> frameWords = frames;
    jlong pieceTotal = readCountTable(frameWords);
    if (!holds(in, pieceTotal)) return false;
    jint pieceCount = jint(pieceTotal);
    pieces = VMArray<jint>::create(pieceCount);
    VMPtr<VMArray<jint>> pieceWords = pieces;
    jint group = 0, position = 0;
    for (jint p = 0; p < pieceCount; ++p) {
        if (position == 0) {
            group = readVarU();
            position = 8;
        }
        position -= 2;
        pieceWords[p] = (group >> position) & 3;
    }
    readPlacements(pieceWords);

    VMPtr<VMArray<jchar>> boxStart = frameBoxStart;
    jlong boxTotal = 0;
    for (jint f = 0; f < frameCount; ++f) {
        jint c = readVarU();
        frameWords[f] |= c << 8;
        boxStart[f] = jchar(boxTotal);
        boxTotal += c;
    }
    if (!holds(in, boxTotal)) return false;
    jint boxCount = jint(boxTotal);
    boxes = VMArray<jint>::create(boxCount);
    boxShapes = VMArray<jchar>::create(boxCount);
    VMPtr<VMArray<jint>> boxWords = boxes;
    VMPtr<VMArray<jchar>> shapes = boxShapes;
    for (jint b = 0; b < boxCount; ++b) boxWords[b] = readVarS() << 21;
    for (jint b = 0; b < boxCount; ++b) boxWords[b] |= (readVarS() & 0x7FF) << 10;
    for (jint b = 0; b < boxCount; ++b) boxWords[b] |= readVarU();
    for (jint b = 0; b < boxCount; ++b) shapes[b] = jchar(readVarU() << 6);
    for (jint b = 0; b < boxCount; ++b) shapes[b] = jchar(shapes[b] | readVarU());

    jint durationCount = in->readChar();
    durations = VMArray<jchar>::create(durationCount);
    VMPtr<VMArray<jchar>> table = durations;
    for (jint k = 0; k < durationCount; ++k) table[k] = jchar(readVarU());
    return true;
}

namespace {

// "step 3 names frame 40 of 12": where `place` lies past the table's end.
VMPtr<java::lang::String> pastTheEnd(const char* owner, jint index, const char* kind, jint place,
                                     jint length) {
    VMPtr<java::lang::StringBuffer> text = java::lang::StringBuffer::make(owner);
    text->append(" ");
    text->append(index);
    text->append(" names ");
    text->append(kind);
    text->append(" ");
    text->append(place);
    text->append(" of ");
    text->append(length);
    return text->toString();
}

}  // namespace

VMPtr<java::lang::String> AnimSet::findBadReference(jint gobCount) {
    // A run's first index and count are 16- and 8- or 10-bit fields: their
    // sum can't wrap. A player that starts an animation reads its first
    // step whatever its step count.
    VMPtr<VMArray<jint>> runs = animations;
    for (jint a = 0; a < runs->length; ++a) {
        jint count = runs[a] & 0x3FF;
        jint last = jint(uint32_t(runs[a]) >> 16) + (count > 0 ? count : 1) - 1;
        if (last >= steps->length) return pastTheEnd("animation", a, "step", last, steps->length);
    }
    for (jint s = 0; s < steps->length; ++s) {
        jint frame = fieldIndex(steps[s]);
        if (frame >= frames->length) return pastTheEnd("step", s, "frame", frame, frames->length);
        jint duration = stepFlags[s] & 0x3F;
        if (duration >= durations->length)
            return pastTheEnd("step", s, "duration", duration, durations->length);
    }
    for (jint f = 0; f < frames->length; ++f) {
        jint pieceCount = frames[f] & 0xFF, boxCount = (frames[f] >> 8) & 0xFF;
        jint lastPiece = jint(uint32_t(frames[f]) >> 16) + pieceCount - 1;
        if (pieceCount > 0 && lastPiece >= pieces->length)
            return pastTheEnd("frame", f, "piece", lastPiece, pieces->length);
        jint lastBox = jint(frameBoxStart[f]) + boxCount - 1;
        if (boxCount > 0 && lastBox >= boxes->length)
            return pastTheEnd("frame", f, "box", lastBox, boxes->length);
    }
    if (gobCount >= 0)
        for (jint p = 0; p < pieces->length; ++p)
            if (fieldIndex(pieces[p]) >= gobCount)
                return pastTheEnd("piece", p, "graphic object", fieldIndex(pieces[p]), gobCount);
    return nullptr;
}

jint AnimSet::readVarU() {
    clinit();
    VMPtr<DataInputStream> in = S().sStream;
    jint b = in->read();
    if (b < 0) S().sRanOut = true;
    return b == 0xFF ? jint(in->readChar()) : b;
}

jint AnimSet::readVarS() {
    clinit();
    VMPtr<DataInputStream> in = S().sStream;
    jint b = in->readByte();
    return b == -128 ? jint(in->readShort()) : b;
}

jlong AnimSet::readCountTable(const VMPtr<VMArray<jint>>& table) {
    clinit();
    jlong sum = 0;
    for (jint i = 0; i < table->length; ++i) {
        jint v = readVarU();
        table[i] = v | jint(sum << 16);
        sum += v;
    }
    return sum;
}

void AnimSet::readPlacements(const VMPtr<VMArray<jint>>& table) {
    clinit();
    jint n = table->length;
    for (jint i = 0; i < n; ++i) table[i] |= readVarU() << 22;
    for (jint i = 0; i < n; ++i) table[i] |= (readVarS() & 0x3FF) << 12;
    for (jint i = 0; i < n; ++i) table[i] |= (readVarS() & 0x3FF) << 2;
}

}  // namespace wren
