#include "java_util_Vector.h"

#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_IndexOutOfBoundsException.h"
#include "java_lang_StringBuffer.h"
#include "java_util_NoSuchElementException.h"
#include "java_util_VectorEnumerator.h"

WREN_DEFINE_CLASS(java::util::Vector, "java.util.Vector")

namespace java::util {

using java::lang::ArrayIndexOutOfBoundsException;
using java::lang::Object;
using java::lang::String;

void Vector::ctor() { ctor(10, 0); }

void Vector::ctor(jint initialCapacity) { ctor(initialCapacity, 0); }

void Vector::ctor(jint initialCapacity, jint increment) {
    Object::ctor();
    if (initialCapacity < 0)
        java::lang::IllegalArgumentException::throwNew(WREN_LIT("Negative initialCapacity"));
    elementData = VMArray<Object*>::create(initialCapacity);
    elementCount = 0;
    capacityIncrement = increment;
}

void Vector::throwIndexAtOrPastCount() {
    ArrayIndexOutOfBoundsException::throwNew(WREN_LIT("index >= elementCount"));
}

void Vector::grow(jint minCapacity) {
    jint oldCapacity = elementData->length;
    jint newCapacity = capacityIncrement < 1 ? oldCapacity * 2 : oldCapacity + capacityIncrement;
    if (newCapacity < minCapacity) newCapacity = minCapacity;
    VMPtr<VMArray<Object*>> a = VMArray<Object*>::create(newCapacity);
    vmArrayCopyElements(a.get(), elementData.get(), 0, 0, elementCount);
    elementData = a;
}

void Vector::copyInto(const VMPtr<VMArray<Object*>>& anArray) {
    VMSynchronized guard(this);
    if (anArray->length < elementCount)
        ArrayIndexOutOfBoundsException::throwNew(WREN_LIT("destination array too small"));
    for (jint i = elementCount - 1; i >= 0; --i) anArray[i] = elementData[i];
}

void Vector::trimToSize() {
    VMSynchronized guard(this);
    if (elementCount < elementData->length) {
        VMPtr<VMArray<Object*>> a = VMArray<Object*>::create(elementCount);
        vmArrayCopyElements(a.get(), elementData.get(), 0, 0, elementCount);
        elementData = a;
    }
}

void Vector::ensureCapacity(jint minCapacity) {
    VMSynchronized guard(this);
    if (minCapacity > elementData->length) grow(minCapacity);
}

void Vector::setSize(jint newSize) {
    VMSynchronized guard(this);
    if (newSize < 0) ArrayIndexOutOfBoundsException::throwNew(WREN_LIT("new size is negative"));
    if (newSize > elementCount && newSize > elementData->length) {
        grow(newSize);
    } else {
        auto* slots = elementData->elements();
        for (jint i = newSize; i < elementCount; ++i) slots[i] = nullptr;
    }
    elementCount = newSize;
}

jint Vector::capacity() { return elementData->length; }

jint Vector::size() { return elementCount; }

jboolean Vector::isEmpty() { return elementCount == 0; }

VMPtr<Enumeration> Vector::elements() {
    VMSynchronized guard(this);
    return VectorEnumerator::make(VMPtr<Vector>(this));
}

jboolean Vector::contains(const VMPtr<Object>& elem) { return indexOf(elem, 0) >= 0; }

jint Vector::indexOf(const VMPtr<Object>& elem) { return indexOf(elem, 0); }

// The element's equals may run any code, this Vector's own mutators
// included: the count and the array are read afresh on every step, and every
// slot read is checked.
jint Vector::indexOf(const VMPtr<Object>& elem, jint index) {
    VMSynchronized guard(this);
    if (index >= elementCount) return -1;
    if (index < 0) ArrayIndexOutOfBoundsException::throwNew(index);
    for (jint i = index; i < elementCount; ++i) {
        if (!elem) {
            if (elementData[i].isNull()) return i;
        } else if (elem->equals(VMPtr<Object>(elementData[i]))) {
            return i;
        }
    }
    return -1;
}

jint Vector::lastIndexOf(const VMPtr<Object>& elem) { return lastIndexOf(elem, elementCount - 1); }

jint Vector::lastIndexOf(const VMPtr<Object>& elem, jint index) {
    VMSynchronized guard(this);
    if (index >= elementCount)
        java::lang::IndexOutOfBoundsException::throwNew(WREN_LIT("index >= elementCount"));
    for (jint i = index; i >= 0; --i) {
        if (!elem) {
            if (elementData[i].isNull()) return i;
        } else if (elem->equals(VMPtr<Object>(elementData[i]))) {
            return i;
        }
    }
    return -1;
}

VMPtr<Object> Vector::elementAt(jint index) {
    VMSynchronized guard(this);
    if (index >= elementCount) throwIndexAtOrPastCount();
    return (*elementData)[index];
}

VMPtr<Object> Vector::firstElement() {
    VMSynchronized guard(this);
    if (elementCount == 0) NoSuchElementException::throwNew();
    return elementData[0];
}

VMPtr<Object> Vector::lastElement() {
    VMSynchronized guard(this);
    if (elementCount == 0) NoSuchElementException::throwNew();
    return elementData[elementCount - 1];
}

void Vector::setElementAt(const VMPtr<Object>& obj, jint index) {
    VMSynchronized guard(this);
    if (index >= elementCount) throwIndexAtOrPastCount();
    elementData[index] = obj;
}

void Vector::removeElementAt(jint index) {
    VMSynchronized guard(this);
    if (index >= elementCount) throwIndexAtOrPastCount();
    if (index < 0) ArrayIndexOutOfBoundsException::throwNew(index);
    jint moved = elementCount - index - 1;
    if (moved > 0) vmArrayCopyElements(elementData.get(), elementData.get(), index + 1, index, moved);
    --elementCount;
    elementData->elements()[elementCount] = nullptr;
}

void Vector::insertElementAt(const VMPtr<Object>& obj, jint index) {
    VMSynchronized guard(this);
    if (index >= elementCount + 1) throwIndexAtOrPastCount();
    // Refused before the Vector grows, so a bad index changes nothing.
    if (index < 0) ArrayIndexOutOfBoundsException::throwNew(index);
    if (elementCount + 1 > elementData->length) grow(elementCount + 1);
    vmArrayCopyElements(elementData.get(), elementData.get(), index, index + 1, elementCount - index);
    elementData->elements()[index] = obj;
    ++elementCount;
}

void Vector::addElement(const VMPtr<Object>& obj) {
    VMSynchronized guard(this);
    if (elementCount + 1 > (*elementData).length) grow(elementCount + 1);
    (*elementData).elements()[elementCount++] = obj;
}

jboolean Vector::removeElement(const VMPtr<Object>& obj) {
    VMSynchronized guard(this);
    jint i = indexOf(obj);
    if (i >= 0) removeElementAt(i);
    return i >= 0;
}

void Vector::removeAllElements() {
    VMSynchronized guard(this);
    auto* slots = elementData->elements();
    for (jint i = 0; i < elementCount; ++i) slots[i] = nullptr;
    elementCount = 0;
}

VMPtr<String> Vector::toString() {
    VMSynchronized guard(this);
    VMPtr<java::lang::StringBuffer> buf = java::lang::StringBuffer::make();
    buf->append(u'[');
    // An element's toString may change this Vector: the walk reads the
    // count and the array afresh on every step.
    for (jint i = 0; i < elementCount; ++i) {
        buf->append(VMPtr<Object>(elementData[i]));
        if (i < elementCount - 1) buf->append(WREN_LIT(", "));
    }
    buf->append(u']');
    return buf->toString();
}

}  // namespace java::util
