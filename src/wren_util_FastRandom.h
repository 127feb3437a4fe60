// wren.util.FastRandom: a 64-bit xorshift generator in place of Random's
// 48-bit linear congruential one. Every operation of Random is replaced, so
// the sequence depends only on `state`; results come from the low-order bits
// of the state.
#pragma once

#include "VMClass.h"
#include "java_util_Random.h"

namespace wren::util {

class FastRandom : public java::util::Random {
    WREN_CLASS(FastRandom, java::util::Random)
public:
    // The whole state. 0 is a fixed point: every later draw is 0.
    jlong state = 0;

    // Seeded with System.currentTimeMillis().
    void ctor();
    void ctor(jlong seed);

    // The state becomes the seed as given.
    void setSeed(jlong seed) override;
    // |nextInt() % n| with Java's remainder: n = 0 throws ArithmeticException,
    // and a negative n gives 0 .. |n| - 1.
    jint nextInt(jint n) override;
    // The low 32 bits of nextLong().
    jint nextInt() override;
    // One step; returns the new state.
    jlong nextLong() override;
    jfloat nextFloat() override;
    // Two steps: 26 bits, then 27.
    jdouble nextDouble() override;
    // The low `bits` bits of one step (bits taken mod 64, so 64 gives 0);
    // IllegalArgumentException for bits <= 0, without a step.
    jint next(jint bits) override;
};

}  // namespace wren::util
