// The blit rows on the vector unit, compiled once per x86 target that
// Highway knows and picked at run time for the CPU, so that one binary runs
// on any x86-64 and uses AVX2 (or AVX-512) where it finds it.
//
// The pixels are exactly those of the scalar rows. blend565's one-multiply
// trick computes, channel by channel, d + floor((s - d) * w / 32): the three
// channels' products never overlap in its 32-bit word. Here each channel is
// computed on its own in 16-bit lanes, twice as many pixels per vector. The
// alpha rules become a weight per pixel: 0 where nothing is drawn (the pixel
// is kept exactly), 32 where it is solid (the source exactly), and the rule's
// blend weight in between.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "HAL_render_blit.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>

#include "HAL_render_blit.h"
#include "HAL_surface.h"

HWY_BEFORE_NAMESPACE();
namespace render {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DU = hn::ScalableTag<uint16_t>;
using DI = hn::RebindToSigned<DU>;
using D8 = hn::Rebind<uint8_t, DU>;
using VU = hn::Vec<DU>;
using VI = hn::Vec<DI>;

// One channel (0-31 in each lane) moved from d toward s by w of 32.
HWY_INLINE VI Channel(VI d, VI s, VI w) {
    return hn::Add(d, hn::ShiftRight<5>(hn::Mul(hn::Sub(s, d), w)));
}

// w is the weight of s, 0-32 in each lane.
HWY_INLINE VU Blend(VU d, VU s, VI w) {
    const DU du;
    const DI di;
    const VU green = hn::Set(du, 0x07E0), blue = hn::Set(du, 0x001F);
    VI r =
        Channel(hn::BitCast(di, hn::ShiftRight<11>(d)), hn::BitCast(di, hn::ShiftRight<11>(s)), w);
    VI b = Channel(hn::BitCast(di, hn::And(d, blue)), hn::BitCast(di, hn::And(s, blue)), w);
    // Green in place: (gs - gd) * 32 times w * 64, high half, is
    // floor((gs - gd) * w / 32); back in place it is a multiple of 32 again.
    VI gd = hn::BitCast(di, hn::And(d, green));
    VI step = hn::MulHigh(hn::Sub(hn::BitCast(di, hn::And(s, green)), gd), hn::ShiftLeft<6>(w));
    VI g = hn::Add(gd, hn::ShiftLeft<5>(step));
    return hn::Or(hn::Or(hn::ShiftLeft<11>(hn::BitCast(du, r)), hn::BitCast(du, g)),
                  hn::BitCast(du, b));
}

// The row kernels: each maps (destination, source, source alpha) to the new
// destination. Those without kAlpha are never handed an alpha vector.
struct Opaque {
    static constexpr bool kAlpha = false;
    VI w;
    HWY_INLINE VU operator()(VU d, VU s, VU) const { return Blend(d, s, w); }
};

template <bool kSolid>
struct Keyed {
    static constexpr bool kAlpha = false;
    VI w;
    HWY_INLINE VU operator()(VU d, VU s, VU) const {
        const DU du;
        VU drawn = kSolid ? s : Blend(d, s, w);
        return hn::IfThenElse(hn::Eq(s, hn::Set(du, kColourKey)), d, drawn);
    }
};

// Per-pixel alpha p at a solid context alpha: nothing below 8, solid from
// 248, weight (p + 1) >> 3 between.
struct AlphaSolid {
    static constexpr bool kAlpha = true;
    HWY_INLINE VU operator()(VU d, VU s, VU pu) const {
        const DI di;
        VI p = hn::BitCast(di, pu);
        VI w = hn::ShiftRight<3>(hn::Add(p, hn::Set(di, 1)));
        w = hn::IfThenZeroElse(hn::Lt(p, hn::Set(di, 8)), w);
        w = hn::IfThenElse(hn::Gt(p, hn::Set(di, 247)), hn::Set(di, 32), w);
        return Blend(d, s, w);
    }
};

// Per-pixel alpha scaled by the context's: e = ((p + 1) * factor) >> 8, then
// the same rule on e with weight e >> 3. The product is at most 256 * 248,
// so it fits an unsigned lane, and e is at most 248: below 8 the weight is
// already 0, and only 248 itself is solid.
struct AlphaScaled {
    static constexpr bool kAlpha = true;
    VU factor;
    HWY_INLINE VU operator()(VU d, VU s, VU pu) const {
        const DU du;
        const DI di;
        VI e = hn::BitCast(di, hn::ShiftRight<8>(hn::Mul(hn::Add(pu, hn::Set(du, 1)), factor)));
        VI w = hn::IfThenElse(hn::Gt(e, hn::Set(di, 247)), hn::Set(di, 32), hn::ShiftRight<3>(e));
        return Blend(d, s, w);
    }
};

template <class Kernel>
HWY_INLINE VU Apply(const uint16_t* d, const uint16_t* s, const uint8_t* a, const Kernel& k) {
    const DU du;
    VU pa = hn::Zero(du);
    if constexpr (Kernel::kAlpha) pa = hn::PromoteTo(du, hn::LoadU(D8(), a));
    return k(hn::LoadU(du, d), hn::LoadU(du, s), pa);
}

// n contiguous pixels (and alpha bytes, for kernels that read them). Each
// pixel's new value depends only on its own old value, so a run that is not
// a whole number of vectors ends with one more vector over its last pixels,
// computed before the others overwrite any of them. A run shorter than one
// vector goes through a vector-sized scratch copy.
template <class Kernel>
HWY_INLINE void Span(uint16_t* d, const uint16_t* s, const uint8_t* a, size_t n, const Kernel& k) {
    const DU du;
    const size_t lanes = hn::Lanes(du);
    if (n >= lanes) {
        size_t last = n - lanes;
        VU end = Apply(d + last, s + last, a + (Kernel::kAlpha ? last : 0), k);
        for (size_t i = 0; i < last; i += lanes)
            hn::StoreU(Apply(d + i, s + i, a + (Kernel::kAlpha ? i : 0), k), du, d + i);
        hn::StoreU(end, du, d + last);
        return;
    }
    constexpr size_t N = hn::MaxLanes(du);
    HWY_ALIGN uint16_t td[N] = {}, ts[N] = {};
    HWY_ALIGN uint8_t ta[N] = {};
    std::memcpy(td, d, n * 2);
    std::memcpy(ts, s, n * 2);
    if constexpr (Kernel::kAlpha) std::memcpy(ta, a, n);
    hn::Store(Apply(td, ts, ta, k), du, td);
    std::memcpy(d, td, n * 2);
}

// Rows whose source runs the other way or down a column (mirrors, turns)
// are first gathered into a contiguous run, a chunk at a time.
template <class Kernel>
void Rows(const BlitRows& j, const Kernel& k) {
    constexpr int64_t kChunk = 256;
    const size_t n = size_t(j.width);
    bool contiguous = j.srcColumn == 1 && (!Kernel::kAlpha || j.alphaColumn == 1);
    if (contiguous && j.dstPitch == j.width && j.srcRow == j.width &&
        (!Kernel::kAlpha || j.alphaRow == j.width)) {
        // Whole rows of both surfaces: one run.
        Span(j.dst, j.src, j.alpha, n * size_t(j.rows), k);
        return;
    }
    for (int64_t row = 0; row < j.rows; ++row) {
        uint16_t* d = j.dst + row * j.dstPitch;
        const uint16_t* s = j.src + row * j.srcRow;
        const uint8_t* a = nullptr;
        if constexpr (Kernel::kAlpha) a = j.alpha + row * j.alphaRow;
        if (contiguous) {
            Span(d, s, a, n, k);
            continue;
        }
        uint16_t gs[kChunk];
        uint8_t ga[kChunk];
        for (int64_t at = 0; at < j.width; at += kChunk) {
            int64_t m = std::min(kChunk, j.width - at);
            for (int64_t i = 0; i < m; ++i) gs[i] = s[(at + i) * j.srcColumn];
            if constexpr (Kernel::kAlpha)
                for (int64_t i = 0; i < m; ++i) ga[i] = a[(at + i) * j.alphaColumn];
            Span(d + at, gs, ga, size_t(m), k);
        }
    }
}

void BlitRowsVector(const BlitRows& j) {
    const DU du;
    const DI di;
    bool solid = j.contextAlpha >= 248;
    int32_t a5 = int32_t(j.contextAlpha + 1) >> 3;
    switch (j.format) {
        case SURFACE_OPAQUE:
            if (!solid) return Rows(j, Opaque{hn::Set(di, int16_t(a5))});
            if (j.srcColumn == 1 && j.srcRow == j.width && j.dstPitch == j.width) {
                // Whole rows of both surfaces: one block.
                std::memcpy(j.dst, j.src, size_t(j.width * j.rows) * 2);
                return;
            }
            for (int64_t row = 0; row < j.rows; ++row) {
                uint16_t* d = j.dst + row * j.dstPitch;
                const uint16_t* s = j.src + row * j.srcRow;
                if (j.srcColumn == 1)
                    std::memcpy(d, s, size_t(j.width) * 2);
                else
                    for (int64_t i = 0; i < j.width; ++i) d[i] = s[i * j.srcColumn];
            }
            return;
        case SURFACE_COLOUR_KEYED:
            if (solid) return Rows(j, Keyed<true>{hn::Zero(di)});
            return Rows(j, Keyed<false>{hn::Set(di, int16_t(a5))});
        default:
            if (solid) return Rows(j, AlphaSolid{});
            return Rows(j, AlphaScaled{hn::Set(du, uint16_t((j.contextAlpha + 1) & 255))});
    }
}

const char* TargetName() {
    return hwy::TargetName(HWY_TARGET);
}

}  // namespace HWY_NAMESPACE
}  // namespace render
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace render {

HWY_EXPORT(BlitRowsVector);
HWY_EXPORT(TargetName);

void blitRowsVector(const BlitRows& rows) {
    HWY_DYNAMIC_DISPATCH(BlitRowsVector)(rows);
}

const char* blitVectorTarget() {
    return HWY_DYNAMIC_DISPATCH(TargetName)();
}

}  // namespace render
#endif  // HWY_ONCE
