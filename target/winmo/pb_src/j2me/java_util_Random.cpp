#include "java_util_Random.h"

#include "VMMath.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(java::util::Random, "java.util.Random")

namespace java::util {

namespace {
constexpr jlong kMultiplier = 0x5DEECE66DLL;
constexpr jlong kAddend = 0xBLL;
constexpr jlong kMask = (jlong(1) << 48) - 1;
}  // namespace

void Random::ctor() { ctor(java::lang::System::currentTimeMillis()); }

void Random::ctor(jlong s) {
    java::lang::Object::ctor();
    setSeed(s);
}

void Random::setSeed(jlong s) { seed = (s ^ kMultiplier) & kMask; }

jint Random::next(jint bits) {
    seed = (seed * kMultiplier + kAddend) & kMask;
    // Java masks a long shift's count: a `bits` outside 0..48 shifts as Java
    // would, never by a count C++ leaves undefined.
    return jint(vmUshr(seed, 48 - bits));
}

jint Random::nextInt() { return next(32); }

jint Random::nextInt(jint n) {
    if (n < 1) java::lang::IllegalArgumentException::throwNew(WREN_LIT("n must be positive"));
    if ((n & -n) == n) return jint((jlong(n) * jlong(next(31))) >> 31);
    jint bits, val;
    do {
        bits = next(31);
        val = bits % n;
    } while (bits - val + (n - 1) < 0);
    return val;
}

jlong Random::nextLong() {
    jlong high = vmShl(jlong(next(32)), 32);
    return high + jlong(next(32));
}

jfloat Random::nextFloat() { return jfloat(next(24)) * 0x1p-24f; }

jdouble Random::nextDouble() {
    jlong high = vmShl(jlong(next(26)), 27);
    return jdouble(high + jlong(next(27))) * 0x1p-53;
}

}  // namespace java::util
