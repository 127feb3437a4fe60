#include "AnimSet.h"

#include <string>

namespace rpack {

void writeVarU(ByteWriter& w, int value) {
    checkRange("variable-length unsigned number", value, 0, 0xFFFF);
    // A first byte of 0xFF always announces the 16-bit form, so 255 itself needs it.
    if (value < 0xFF) {
        w.u8(static_cast<uint32_t>(value));
    } else {
        w.u8(0xFF);
        w.u16(static_cast<uint32_t>(value));
    }
}

void writeVarS(ByteWriter& w, int value) {
    checkRange("variable-length signed number", value, -32768, 32767);
    // A first byte of 0x80 always announces the 16-bit form, so -128 itself needs it.
    if (value >= -127 && value <= 127) {
        w.u8(static_cast<uint32_t>(value));
    } else {
        w.u8(0x80);
        w.u16(static_cast<uint32_t>(value));
    }
}

namespace {

// The loader ORs every field into shared words without masking, so each one
// has to stay inside its bits.
void checkSet(const AnimSet& set) {
    checkRange("leading byte", set.leading, 0, 255);
    checkRange("number of animations", static_cast<int64_t>(set.animations.size()), 0, 0xFFFF);
    checkRange("number of frames", static_cast<int64_t>(set.frames.size()), 0, 0xFFFF);
    checkRange("number of durations", static_cast<int64_t>(set.durations.size()), 0, 0xFFFF);
    for (size_t k = 0; k < set.durations.size(); ++k) {
        checkRange("duration " + std::to_string(k), set.durations[k], 0, 0xFFFF);
    }

    int64_t firstStep = 0;
    for (size_t a = 0; a < set.animations.size(); ++a) {
        const Animation& anim = set.animations[a];
        const std::string at = "animation " + std::to_string(a);
        checkRange(at + ": first step index", firstStep, 0, 0xFFFF);
        checkRange(at + ": number of steps", static_cast<int64_t>(anim.steps.size()), 0, 1023);
        checkRange(at + ": loop count", anim.loopCount, -32, 31);
        int64_t total = 0;
        for (size_t s = 0; s < anim.steps.size(); ++s) {
            const AnimStep& st = anim.steps[s];
            const std::string sat = at + " step " + std::to_string(s);
            checkRange(sat + ": frame", st.frame, 0, 1023);
            if (st.frame >= static_cast<int>(set.frames.size())) {
                throw ContentError(sat + ": frame " + std::to_string(st.frame) +
                                   " does not exist (" + std::to_string(set.frames.size()) +
                                   " frames)");
            }
            checkRange(sat + ": dx", st.dx, -512, 511);
            checkRange(sat + ": dy", st.dy, -512, 511);
            checkRange(sat + ": duration index", st.durationIndex, 0, 63);
            if (st.durationIndex >= static_cast<int>(set.durations.size())) {
                throw ContentError(sat + ": duration index " + std::to_string(st.durationIndex) +
                                   " is beyond the duration table (" +
                                   std::to_string(set.durations.size()) + " durations)");
            }
            checkRange(sat + ": level", st.level, 0, 3);
            checkRange(sat + ": interpolation", st.interpolation, 0, 3);
            const int d = set.durations[static_cast<size_t>(st.durationIndex)];
            // The player divides by the step's duration to interpolate.
            if (st.interpolation != 0 && d == 0) {
                throw ContentError(sat + ": an interpolated step needs a duration above 0");
            }
            total += d;
        }
        // A player would never leave an animation that takes no time.
        if (!anim.steps.empty() && total == 0) {
            throw ContentError(
                at + ": its steps last 0 in total; an animation needs a duration above 0");
        }
        firstStep += static_cast<int64_t>(anim.steps.size());
    }

    int64_t firstPiece = 0;
    int64_t firstBox = 0;
    for (size_t f = 0; f < set.frames.size(); ++f) {
        const AnimFrame& fr = set.frames[f];
        const std::string at = "frame " + std::to_string(f);
        checkRange(at + ": first piece index", firstPiece, 0, 0xFFFF);
        checkRange(at + ": first box index", firstBox, 0, 0xFFFF);
        checkRange(at + ": number of pieces", static_cast<int64_t>(fr.pieces.size()), 0, 255);
        checkRange(at + ": number of boxes", static_cast<int64_t>(fr.boxes.size()), 0, 255);
        for (size_t p = 0; p < fr.pieces.size(); ++p) {
            const AnimPiece& pc = fr.pieces[p];
            const std::string pat = at + " piece " + std::to_string(p);
            checkRange(pat + ": graphic object", pc.gob, 0, 1023);
            checkRange(pat + ": dx", pc.dx, -512, 511);
            checkRange(pat + ": dy", pc.dy, -512, 511);
            checkRange(pat + ": flip", pc.flip, 0, 3);
        }
        for (size_t b = 0; b < fr.boxes.size(); ++b) {
            const AnimBox& bx = fr.boxes[b];
            const std::string bat = at + " box " + std::to_string(b);
            checkRange(bat + ": x", bx.x, -1024, 1023);
            checkRange(bat + ": y", bx.y, -1024, 1023);
            checkRange(bat + ": width", bx.width, 0, 1023);
            checkRange(bat + ": height", bx.height, 0, 1023);
            checkRange(bat + ": type", bx.type, 0, 31);
        }
        firstPiece += static_cast<int64_t>(fr.pieces.size());
        firstBox += static_cast<int64_t>(fr.boxes.size());
    }
}

}  // namespace

Bytes encodeAnimSet(const AnimSet& set) {
    checkSet(set);
    ByteWriter w;
    w.u8(static_cast<uint32_t>(set.leading));

    w.u16(static_cast<uint32_t>(set.animations.size()));
    std::vector<const AnimStep*> steps;
    for (const Animation& a : set.animations) writeVarU(w, static_cast<int>(a.steps.size()));
    for (const Animation& a : set.animations) writeVarS(w, a.loopCount);
    for (const Animation& a : set.animations) {
        for (const AnimStep& s : a.steps) steps.push_back(&s);
    }
    for (const AnimStep* s : steps) {
        writeVarU(w, s->durationIndex | s->level << 6 | s->interpolation << 8);
    }
    for (const AnimStep* s : steps) writeVarU(w, s->frame);
    for (const AnimStep* s : steps) writeVarS(w, s->dx);
    for (const AnimStep* s : steps) writeVarS(w, s->dy);

    w.u16(static_cast<uint32_t>(set.frames.size()));
    std::vector<const AnimPiece*> pieces;
    std::vector<const AnimBox*> boxes;
    for (const AnimFrame& f : set.frames) {
        writeVarU(w, static_cast<int>(f.pieces.size()));
        for (const AnimPiece& p : f.pieces) pieces.push_back(&p);
        for (const AnimBox& b : f.boxes) boxes.push_back(&b);
    }
    for (size_t p = 0; p < pieces.size(); p += 4) {
        int group = 0;
        for (size_t i = 0; i < 4; ++i) {
            const int flip = p + i < pieces.size() ? pieces[p + i]->flip : 0;
            group |= flip << (6 - 2 * i);
        }
        writeVarU(w, group);
    }
    for (const AnimPiece* p : pieces) writeVarU(w, p->gob);
    for (const AnimPiece* p : pieces) writeVarS(w, p->dx);
    for (const AnimPiece* p : pieces) writeVarS(w, p->dy);
    for (const AnimFrame& f : set.frames) writeVarU(w, static_cast<int>(f.boxes.size()));
    for (const AnimBox* b : boxes) writeVarS(w, b->x);
    for (const AnimBox* b : boxes) writeVarS(w, b->y);
    for (const AnimBox* b : boxes) writeVarU(w, b->width);
    for (const AnimBox* b : boxes) writeVarU(w, b->height);
    for (const AnimBox* b : boxes) writeVarU(w, b->type | (b->circle ? 0x20 : 0));

    w.u16(static_cast<uint32_t>(set.durations.size()));
    for (int d : set.durations) writeVarU(w, d);
    return w.take();
}

namespace {

int readVarU(ByteReader& r) {
    const uint8_t b = r.u8();
    return b == 0xFF ? r.u16() : b;
}

int readVarS(ByteReader& r) {
    const int8_t b = r.s8();
    return b == -128 ? r.s16() : b;
}

// Reads one count per element and checks, before anything is allocated for
// them, that the rest of the data could hold bytesEach bytes per counted item.
std::vector<size_t> readCounts(ByteReader& r, size_t n, size_t bytesEach, const char* what) {
    std::vector<size_t> counts;
    size_t total = 0;
    for (size_t i = 0; i < n; ++i) {
        counts.push_back(static_cast<size_t>(readVarU(r)));
        total += counts.back();
        if (total * bytesEach > r.remaining()) {
            throw FormatError(std::string("more ") + what + " than the data can hold");
        }
    }
    return counts;
}

}  // namespace

AnimSet decodeAnimSet(const Bytes& bytes) {
    ByteReader r(bytes);
    AnimSet set;
    set.leading = r.u8();

    set.animations.resize(r.u16());
    if (set.animations.size() * 2 > r.remaining()) {
        throw FormatError("more animations than the data can hold");
    }
    std::vector<AnimStep*> steps;
    const auto stepCounts = readCounts(r, set.animations.size(), 4, "steps");
    for (size_t a = 0; a < stepCounts.size(); ++a) set.animations[a].steps.resize(stepCounts[a]);
    for (Animation& a : set.animations) {
        const int loop = readVarS(r) & 0x3F;
        a.loopCount = loop >= 32 ? loop - 64 : loop;
        for (AnimStep& s : a.steps) steps.push_back(&s);
    }
    for (AnimStep* s : steps) {
        const int v = readVarU(r);
        if (v > 1023) throw FormatError("step flags " + std::to_string(v) + " above 1023");
        s->durationIndex = v & 0x3F;
        s->level = (v >> 6) & 3;
        s->interpolation = v >> 8;
    }
    for (AnimStep* s : steps) s->frame = readVarU(r);
    for (AnimStep* s : steps) s->dx = readVarS(r);
    for (AnimStep* s : steps) s->dy = readVarS(r);

    set.frames.resize(r.u16());
    if (set.frames.size() * 2 + 2 > r.remaining())
        throw FormatError("more frames than the data can hold");
    std::vector<AnimPiece*> pieces;
    const auto pieceCounts = readCounts(r, set.frames.size(), 3, "pieces");
    for (size_t f = 0; f < pieceCounts.size(); ++f) set.frames[f].pieces.resize(pieceCounts[f]);
    for (AnimFrame& f : set.frames) {
        for (AnimPiece& p : f.pieces) pieces.push_back(&p);
    }
    int group = 0;
    for (size_t p = 0; p < pieces.size(); ++p) {
        if (p % 4 == 0) group = readVarU(r);
        pieces[p]->flip = (group >> (6 - 2 * (p % 4))) & 3;
    }
    for (AnimPiece* p : pieces) p->gob = readVarU(r);
    for (AnimPiece* p : pieces) p->dx = readVarS(r);
    for (AnimPiece* p : pieces) p->dy = readVarS(r);
    std::vector<AnimBox*> boxes;
    const auto boxCounts = readCounts(r, set.frames.size(), 5, "boxes");
    for (size_t f = 0; f < boxCounts.size(); ++f) set.frames[f].boxes.resize(boxCounts[f]);
    for (AnimFrame& f : set.frames) {
        for (AnimBox& b : f.boxes) boxes.push_back(&b);
    }
    for (AnimBox* b : boxes) b->x = readVarS(r);
    for (AnimBox* b : boxes) b->y = readVarS(r);
    for (AnimBox* b : boxes) b->width = readVarU(r);
    for (AnimBox* b : boxes) b->height = readVarU(r);
    for (AnimBox* b : boxes) {
        const int v = readVarU(r);
        b->type = v & 0x1F;
        b->circle = (v & 0x20) != 0;
    }

    set.durations.resize(r.u16());
    if (set.durations.size() > r.remaining())
        throw FormatError("more durations than the data can hold");
    for (int& d : set.durations) d = readVarU(r);
    if (!r.atEnd())
        throw FormatError(std::to_string(r.remaining()) + " bytes after the duration table");
    return set;
}

}  // namespace rpack
