// java.util.VectorEnumerator: the enumeration Vector.elements() hands out.
#pragma once

#include "java_util_Vector.h"

namespace java::util {

class VectorEnumerator : public virtual java::lang::Object, public virtual Enumeration {
    WREN_CLASS(VectorEnumerator, java::lang::Object, (vector, Vector))
public:
    // The index of the next element.
    jint count = 0;

    void ctor(const VMPtr<Vector>& v);
    jboolean hasMoreElements() override;
    // Past the end: NoSuchElementException "VectorEnumerator".
    VMPtr<java::lang::Object> nextElement() override;
};

}  // namespace java::util
