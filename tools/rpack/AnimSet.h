// Animation sets: animations of steps, frames of pieces and collision boxes,
// and the duration table, stored column by column with variable-length numbers.
#pragma once

#include <cstdint>
#include <vector>

#include "Bytes.h"

namespace rpack {

struct AnimStep {
    int frame = 0;
    int dx = 0;  // position of the animation relative to where it started
    int dy = 0;
    int durationIndex = 0;  // into the duration table
    int level = 0;          // 0..3; a level-3 step is never skipped
    int interpolation = 0;  // 0..3; 0 = none

    bool operator==(const AnimStep&) const = default;
};

struct Animation {
    int loopCount = -1;  // -1 plays endlessly; kept as 6 bits, so -32..31
    std::vector<AnimStep> steps;

    bool operator==(const Animation&) const = default;
};

struct AnimPiece {
    int gob = 0;  // index into the graphic-object array attached to the set
    int dx = 0;
    int dy = 0;
    int flip = 0;  // bit 0 mirrors vertically, bit 1 horizontally

    bool operator==(const AnimPiece&) const = default;
};

struct AnimBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int type = 0;  // 0..31
    bool circle = false;

    bool operator==(const AnimBox&) const = default;
};

struct AnimFrame {
    std::vector<AnimPiece> pieces;
    std::vector<AnimBox> boxes;

    bool operator==(const AnimFrame&) const = default;
};

struct AnimSet {
    int leading = 0;  // the first byte; the loader skips it
    std::vector<Animation> animations;
    std::vector<AnimFrame> frames;
    std::vector<int> durations;

    bool operator==(const AnimSet&) const = default;
};

// 0..254 in one byte; 255 and up as FF and a 16-bit number.
void writeVarU(ByteWriter& w, int value);
// -127..127 in one byte; -128 and the rest as 80 and a signed 16-bit number.
void writeVarS(ByteWriter& w, int value);

Bytes encodeAnimSet(const AnimSet& set);
// Strict: every section must be complete and no byte may follow.
AnimSet decodeAnimSet(const Bytes& bytes);

}  // namespace rpack
