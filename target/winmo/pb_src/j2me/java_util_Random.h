// java.util.Random: the 48-bit linear congruential generator, bit for bit
// the Java platform's for equal seeds.
#pragma once

#include "VMClass.h"

namespace java::util {

class Random : public virtual java::lang::Object {
    WREN_CLASS(Random, java::lang::Object)
public:
    // Only the low 48 bits are used.
    jlong seed = 0;

    // Seeded from System.currentTimeMillis().
    void ctor();
    void ctor(jlong seed);

    // Every derived operation draws through next(), and the constructor seeds
    // through setSeed(), so a subclass's overrides take effect.
    virtual void setSeed(jlong seed);
    // Uniform in 0 .. n-1; n < 1 throws IllegalArgumentException.
    virtual jint nextInt(jint n);
    virtual jint nextInt();
    virtual jlong nextLong();
    // In [0, 1), 24 significant bits.
    virtual jfloat nextFloat();
    // In [0, 1), 53 significant bits.
    virtual jdouble nextDouble();

protected:
    // Advances the state and returns its top `bits` bits.
    virtual jint next(jint bits);
};

}  // namespace java::util
