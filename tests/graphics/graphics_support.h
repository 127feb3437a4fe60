// What the graphics suite shares: a program folder of the process's own
// whose "rsc" folder holds the graphic-object fixtures the build made, the
// objects loaded from them, and targets to draw into that are read back
// through getRGB.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "midp/graphics_test_support.h"
#include "program_folder.h"
#include "wren_Gob.h"
#include "wren_GobAlphaImage.h"
#include "wren_Resources.h"
#include "wren_io_resource_ResourcePack.h"

namespace gfxfw {

namespace fs = std::filesystem;
using namespace gfxtest;

inline wrentest::ProcessProgramFolder programFolder{"/tmp/wren_gfx_XXXXXX"};

// The objects of the sprite set, by index (fixtures/gobs/src/sprites.gobs).
enum Sprite : jint {
    kShape = 0,       // "rgb" over "kwr", offset (0, 3), box over the picture, hint 1
    kKeyed = 1,       // "r." over ".g", hint 2
    kHalf = 2,        // white at alpha 128, then opaque white, hint 3
    kOpaque3 = 3,     // blue and yellow, opaque though hinted 3
    kTile = 4,        // "ry" over "gb"
    kMagentaKey = 5,  // opaque magenta, the key, white; hint 2 (keyed: both are key)
    kSpare = 6,       // 0 by 0
    kRound = 7,       // 4 by 4 around the origin, round box
};
constexpr jint kSpritesId = 6 << 10;

// A grey no picture uses, as it reads back from an RGB565 surface.
constexpr uint32_t kGrey = 0xFF808080;

// The built fixture packs in this process's "rsc" folder, and the reader
// as after start-up.
inline void installGobPacks() {
    fs::path rsc = fs::path(std::getenv("WREN_MODULE_DIR")) / "rsc";
    if (!fs::exists(rsc / "RP6part0.rp")) {
        fs::create_directories(rsc);
        fs::copy(WREN_GOB_PACKS, rsc,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    wren::Resources::closePack();
}

inline VMPtr<VMArray<wren::Gob*>> sprites() {
    installGobPacks();
    VMPtr<VMArray<wren::Gob*>> gobs = wren::Resources::loadGobs(kSpritesId);
    wren::Resources::closePack();
    return gobs;
}

// A target of w by h filled with `fill` and its Graphics.
struct Target {
    VMPtr<Image> image;
    VMPtr<Graphics> g;
    Target(jint w, jint h, uint32_t fill = kGrey)
        : image(blank(w, h, fill)), g(image->getGraphics()) {}
    std::vector<uint32_t> pixels() const { return gfxtest::pixels(image); }
    uint32_t at(jint x, jint y) const { return pixels()[size_t(y * image->getWidth() + x)]; }
};

// '_' for the grey background, then the glyphs of gfxtest::glyph.
inline std::vector<std::string> picture(const Target& t) {
    std::vector<uint32_t> p = t.pixels();
    jint w = t.image->getWidth();
    std::vector<std::string> rows;
    for (size_t i = 0; i < p.size(); i += size_t(w)) {
        std::string row;
        for (jint c = 0; c < w; ++c)
            row += p[i + size_t(c)] == kGrey ? '_' : glyph(p[i + size_t(c)]);
        rows.push_back(row);
    }
    return rows;
}

// A grey picture of w by h with `drawn` laid over it at (x, y); ' ' in
// `drawn` leaves the grey.
inline std::vector<std::string> expected(jint w, jint h, jint x, jint y,
                                         const std::vector<std::string>& drawn) {
    std::vector<std::string> rows(size_t(h), std::string(size_t(w), '_'));
    for (size_t r = 0; r < drawn.size(); ++r)
        for (size_t c = 0; c < drawn[r].size(); ++c) {
            jint px = x + jint(c), py = y + jint(r);
            if (drawn[r][c] != ' ' && px >= 0 && px < w && py >= 0 && py < h)
                rows[size_t(py)][size_t(px)] = drawn[r][c];
        }
    return rows;
}

}  // namespace gfxfw
