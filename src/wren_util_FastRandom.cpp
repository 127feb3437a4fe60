#include "wren_util_FastRandom.h"

#include "VMMath.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(wren::util::FastRandom, "wren.util.FastRandom")

namespace wren::util {

void FastRandom::ctor() {
    java::util::Random::ctor();
    setSeed(java::lang::System::currentTimeMillis());
}

void FastRandom::ctor(jlong seed) {
    java::util::Random::ctor();
    setSeed(seed);
}

void FastRandom::setSeed(jlong seed) {
    state = seed;
}

jlong FastRandom::nextLong() {
    // Unsigned, so that the right shift brings in zeros (Java's >>>).
    uint64_t x = uint64_t(state);
    x ^= x << 21;
    x ^= x >> 35;
    x ^= x << 4;
    state = jlong(x);
    return state;
}

jint FastRandom::nextInt() {
    return jint(nextLong());
}

jint FastRandom::nextInt(jint n) {
    jint r = vmRem(nextInt(), n);
    return r < 0 ? -r : r;
}

jint FastRandom::next(jint bits) {
    if (bits <= 0)
        java::lang::IllegalArgumentException::throwNew(
            WREN_LIT("FastRandom.nextInt() numberOfBits must be positive"));
    jlong mask = vmShl(jlong(1), bits) - 1;
    return jint(nextLong() & mask);
}

jfloat FastRandom::nextFloat() {
    return jfloat(next(24)) / jfloat(1 << 24);
}

jdouble FastRandom::nextDouble() {
    jlong high = jlong(next(26)) << 27;
    jlong value = high + next(27);
    return jdouble(value) / jdouble(jlong(1) << 53);
}

}  // namespace wren::util
