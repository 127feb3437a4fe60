#include "VMArray.h"

#include <cstring>

#include "VMHeap.h"

int32_t vmElementSizeForType(int32_t typeCode) {
    switch (typeCode) {
        case VM_TYPE_REFERENCE: return int32_t(sizeof(void*));
        case VM_TYPE_BOOLEAN:
        case VM_TYPE_BYTE: return 1;
        case VM_TYPE_CHAR:
        case VM_TYPE_SHORT: return 2;
        case VM_TYPE_FLOAT:
        case VM_TYPE_INT: return 4;
        case VM_TYPE_DOUBLE:
        case VM_TYPE_LONG: return 8;
        default: return 0;
    }
}

// Arrays are made only by VMArray::create, which allocates the elements in
// the array's own block, right after the fields: so an array is one block,
// and a dead one is freed without running its destructor.
VMArray_Base::VMArray_Base(const VMArrayShape& shape)
    : typeCode(shape.typeCode),
      elementClass(shape.elementClass),
      length(shape.length),
      elementSize(shape.elementSize),
      storageTag(shape.storageTag) {
    if (length < 0) vmThrowNegativeArraySize();
    data = reinterpret_cast<char*>(this) + ((sizeof(VMArray_Base) + 7) & ~size_t(7));
}

VMArray_Base::~VMArray_Base() = default;

void vmArrayStorageMismatch() {
    vmFatalError("A reference array's storage was read as another class's element type!");
}

void vmArrayCopyElements(VMArray_Base* dst, VMArray_Base* src, jint srcIndex, jint dstIndex,
                         jint count) {
    if (count <= 0) return;
    if (dst->storageTag != src->storageTag && (dst->isReferenceArray() || src->isReferenceArray()))
        vmArrayStorageMismatch();
    size_t size = size_t(src->elementSize);
    std::memmove(static_cast<char*>(dst->data) + size_t(dstIndex) * size,
                 static_cast<const char*>(src->data) + size_t(srcIndex) * size,
                 size_t(count) * size);
    if (dst->isReferenceArray())
        vmRememberStores(static_cast<char*>(dst->data) + size_t(dstIndex) * size, size_t(count) * size);
}
