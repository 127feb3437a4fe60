// Animation sets for the graphics suite: built with the pack builder's
// encoder (or by hand where the builder refuses what a test needs), held
// as entry 0 of a plain pack in memory, and loaded through the resource
// front end as the game loads them.
#pragma once

#include "AnimSet.h"
#include "Pack.h"
#include "graphics_support.h"
#include "java_bytes.h"
#include "java_io_ByteArrayInputStream.h"
#include "wren_AnimPlayer.h"
#include "wren_AnimSet.h"
#include "wren_Frame.h"

namespace gfxfw {

// The set whose bytes are `bytes`, as far as the loader takes them.
inline VMPtr<wren::AnimSet> loadAnimBytes(const rpack::Bytes& bytes) {
    rpack::Bytes pack = rpack::encodePlainPack({{bytes, -1}});
    VMPtr<java::io::DataInputStream> in = java::io::DataInputStream::make(
        java::io::ByteArrayInputStream::make(wrentest::jbytes(pack)));
    EXPECT_TRUE(wren::Resources::loadPack(in));
    VMPtr<wren::AnimSet> set = wren::Resources::loadAnimSet(0);
    wren::Resources::closePack();
    return set;
}

inline VMPtr<wren::AnimSet> loadAnim(const rpack::AnimSet& source) {
    return loadAnimBytes(rpack::encodeAnimSet(source));
}

// One animation of steps over a frame of nothing per frame id used; the
// steps' durations index `durations`.
inline rpack::AnimSet oneAnimation(int loop, std::vector<rpack::AnimStep> steps,
                                   std::vector<int> durations, int frames = 1) {
    rpack::AnimSet s;
    s.animations.push_back({loop, std::move(steps)});
    s.frames.resize(size_t(frames));
    s.durations = std::move(durations);
    return s;
}

// A player of animation a of the set.
inline VMPtr<wren::AnimPlayer> playerOf(const VMPtr<wren::AnimSet>& set, jint a = 0) {
    VMPtr<wren::AnimPlayer> p = wren::AnimPlayer::make();
    p->setAnimSet(set);
    p->setAnimation(a);
    return p;
}

}  // namespace gfxfw
