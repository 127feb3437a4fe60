// The rows of one blit, after clipping and the transform have been worked
// out: the renderer's own business, shared by its scalar rows and their
// vector twins.
#pragma once

#include <cstdint>

namespace render {

struct BlitRows {
    uint16_t* dst;      // the first destination pixel
    int64_t dstPitch;   // pixels from one destination row to the next
    uint8_t* dstAlpha;  // the target's alpha byte under dst, or null
    int64_t dstAlphaPitch;
    const uint16_t* src;   // the source pixel drawn at dst
    int64_t srcColumn;     // source pixels per destination column...
    int64_t srcRow;        // ...and per destination row
    const uint8_t* alpha;  // the source's alpha byte of that pixel (format 3 only)
    int64_t alphaColumn;
    int64_t alphaRow;
    int64_t width;  // destination pixels per row
    int64_t rows;
    uint32_t format;        // SURFACE_OPAQUE, SURFACE_COLOUR_KEYED or SURFACE_ALPHA
    uint32_t contextAlpha;  // 8-255: below 8 nothing is drawn at all
};

// The reference: every pixel by the renderer's rules, into any target.
void blitRowsScalar(const BlitRows& rows);
// The same pixels, with the widest vector unit this CPU has; targets without
// an alpha plane only.
void blitRowsVector(const BlitRows& rows);

}  // namespace render
