// java.util.Vector: the growable, synchronized array of references.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_lang_String.h"
#include "java_util_Enumeration.h"

namespace java::util {

class Vector : public virtual java::lang::Object {
    WREN_CLASS(Vector, java::lang::Object, (elementData, VMArray<java::lang::Object*>))
    WREN_PLAIN_OBJECT()
public:
    // Slots 0 .. elementCount-1 are in use; every slot past them is null.
    jint elementCount = 0;
    // Growth step; 0 or less doubles the capacity.
    jint capacityIncrement = 0;

    void ctor();
    void ctor(jint initialCapacity);
    // A negative capacity throws IllegalArgumentException.
    void ctor(jint initialCapacity, jint capacityIncrement);

    // Every operation holds the Vector's monitor except capacity, size and
    // isEmpty (plain reads) and contains, indexOf(Object) and
    // lastIndexOf(Object), which take it in the operation they call.

    // Copies the elements into an array of references of any class, last
    // element first; an array shorter than size() throws
    // ArrayIndexOutOfBoundsException, an element the array can't hold
    // ArrayStoreException.
    virtual void copyInto(const VMPtr<VMArray<java::lang::Object*>>& anArray);
    virtual void trimToSize();
    virtual void ensureCapacity(jint minCapacity);
    virtual void setSize(jint newSize);
    virtual jint capacity();
    virtual jint size();
    virtual jboolean isEmpty();
    // Reads the Vector live: elements added during the walk are seen,
    // removals shift what comes next.
    virtual VMPtr<Enumeration> elements();
    virtual jboolean contains(const VMPtr<java::lang::Object>& elem);
    // Matching calls elem.equals(slot); a null elem matches a null slot.
    virtual jint indexOf(const VMPtr<java::lang::Object>& elem, jint index);
    virtual jint indexOf(const VMPtr<java::lang::Object>& elem);
    virtual jint lastIndexOf(const VMPtr<java::lang::Object>& elem, jint index);
    virtual jint lastIndexOf(const VMPtr<java::lang::Object>& elem);
    virtual VMPtr<java::lang::Object> elementAt(jint index);
    virtual VMPtr<java::lang::Object> firstElement();
    virtual VMPtr<java::lang::Object> lastElement();
    virtual void setElementAt(const VMPtr<java::lang::Object>& obj, jint index);
    virtual void removeElementAt(jint index);
    virtual void insertElementAt(const VMPtr<java::lang::Object>& obj, jint index);
    virtual void addElement(const VMPtr<java::lang::Object>& obj);
    virtual jboolean removeElement(const VMPtr<java::lang::Object>& obj);
    virtual void removeAllElements();
    // "[a, b]"; "[]" when empty.
    VMPtr<java::lang::String> toString() override;

private:
    // Grows to twice the capacity (or by capacityIncrement), at least to
    // minCapacity. The new array is made before anything changes, so a
    // failed allocation leaves the Vector as it was.
    void grow(jint minCapacity);
    [[noreturn]] static void throwIndexAtOrPastCount();
};

}  // namespace java::util
