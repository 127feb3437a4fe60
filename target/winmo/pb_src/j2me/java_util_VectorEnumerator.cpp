#include "java_util_VectorEnumerator.h"

#include "java_util_NoSuchElementException.h"

WREN_DEFINE_CLASS(java::util::VectorEnumerator, "java.util.VectorEnumerator",
                  java::util::Enumeration)

namespace java::util {

void VectorEnumerator::ctor(const VMPtr<Vector>& v) {
    java::lang::Object::ctor();
    vector = v;
    count = 0;
}

jboolean VectorEnumerator::hasMoreElements() { return count < vector->elementCount; }

VMPtr<java::lang::Object> VectorEnumerator::nextElement() {
    {
        VMSynchronized guard(vector);
        if (count < vector->elementCount) {
            VMPtr<java::lang::Object> e = vector->elementData[count];
            ++count;
            return e;
        }
    }
    NoSuchElementException::throwNew(WREN_LIT("VectorEnumerator"));
}

}  // namespace java::util
