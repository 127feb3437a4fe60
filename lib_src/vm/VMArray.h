// Java arrays. VMArray<T, N> is an N-dimensional array over T, where T is a
// primitive Java type (jint, jchar, ...) or a pointer to a class (String*).
//
//   VMPtr<VMArray<jint>> a = VMArray<jint>::create(8);      // new int[8]
//   a[3] = 7; jint n = a->length;
//   VMPtr<VMArray<String*>> names = VMArray<String*>::create(2);
//   names[0] = WREN_LIT("x");
//   VMPtr<VMArray<jint, 2>> grid = VMArray<jint, 2>::create(3, 4);  // new int[3][4]
//   grid[1][2] = 5;
//
// Every element access checks the index (ArrayIndexOutOfBoundsException) and
// the array reference (NullPointerException). Reference elements are
// VMField<T>: the array marks them, and calling through one roots it.
#pragma once

#include <type_traits>

#include "java_lang_Class.h"

[[noreturn]] void vmThrowArrayIndex(jint index);
[[noreturn]] void vmThrowArrayStore();
[[noreturn]] void vmThrowNegativeArraySize();

// Element type codes (the JVM's newarray codes; 1 for references).
enum : int32_t {
    VM_TYPE_REFERENCE = 1,
    VM_TYPE_BOOLEAN = 4,
    VM_TYPE_CHAR = 5,
    VM_TYPE_FLOAT = 6,
    VM_TYPE_DOUBLE = 7,
    VM_TYPE_BYTE = 8,
    VM_TYPE_SHORT = 9,
    VM_TYPE_INT = 10,
    VM_TYPE_LONG = 11,
};
int32_t vmElementSizeForType(int32_t typeCode);
// The record of a primitive array class ("[I", "[[B", ...), registered on first use.
java::lang::Class* vmPrimitiveArrayClass(int32_t typeCode, int32_t dims);

class VMArray_Base : public virtual java::lang::Object {
public:
    int32_t typeCode;
    java::lang::Class* elementClass;
    const jint length;
    int32_t elementSize;
    void* data = nullptr;

    ~VMArray_Base() override;
    VMArray_Base* vmAsArray() override { return this; }

    // Untyped element access for code that only knows the array at run time
    // (System.arraycopy, covariant uses). Indices are not checked here.
    virtual java::lang::Object* getElement(jint index) { return nullptr; }
    // Stores `value` if the array's element type admits it, else throws
    // ArrayStoreException.
    virtual void setElement(jint index, java::lang::Object* value) { vmThrowArrayStore(); }

    bool isReferenceArray() const { return typeCode == VM_TYPE_REFERENCE; }
    void checkIndex(jint index) const {
        if (WREN_UNLIKELY(uint32_t(index) >= uint32_t(length))) vmThrowArrayIndex(index);
    }

protected:
    VMArray_Base(int32_t typeCode, java::lang::Class* elementClass, jint length,
                 int32_t elementSize);
};

// Copies `count` elements from src[srcIndex] to dst[dstIndex] as through a
// temporary buffer. Callers check indices and types.
void vmArrayCopyElements(VMArray_Base* dst, VMArray_Base* src, jint srcIndex, jint dstIndex,
                         jint count);

template <class T>
struct VMArrayTraits;
#define WREN_PRIMITIVE_ARRAY_(type, code) \
    template <>                           \
    struct VMArrayTraits<type> {          \
        static constexpr int32_t typeCode = code; \
    };
WREN_PRIMITIVE_ARRAY_(jboolean, VM_TYPE_BOOLEAN)
WREN_PRIMITIVE_ARRAY_(jchar, VM_TYPE_CHAR)
WREN_PRIMITIVE_ARRAY_(jfloat, VM_TYPE_FLOAT)
WREN_PRIMITIVE_ARRAY_(jdouble, VM_TYPE_DOUBLE)
WREN_PRIMITIVE_ARRAY_(jbyte, VM_TYPE_BYTE)
WREN_PRIMITIVE_ARRAY_(jshort, VM_TYPE_SHORT)
WREN_PRIMITIVE_ARRAY_(jint, VM_TYPE_INT)
WREN_PRIMITIVE_ARRAY_(jlong, VM_TYPE_LONG)
#undef WREN_PRIMITIVE_ARRAY_

template <class T, int N = 1>
class VMArray final : public VMArray_Base {
    static_assert(N >= 1 && N <= 255, "array dimensions");
    static constexpr bool kClassElements = std::is_pointer_v<T>;

public:
    using wrenPlainClass_ = VMArray;
    static constexpr bool kReferenceElements = kClassElements || N > 1;
    using Element = std::conditional_t<
        (N > 1), VMField<VMArray<T, N - 1>>,
        std::conditional_t<kClassElements, VMField<std::remove_pointer_t<T>>, T>>;

    // `new T[length]`: zero-filled, or null references.
    static VMPtr<VMArray> create(jint length) {
        if (length < 0) vmThrowNegativeArraySize();
        java::lang::Class* cls = classRecord();
        // The elements share the array's block, right after its fields.
        static_assert(sizeof(VMArray) == sizeof(VMArray_Base));
        return vmAdopt(new (VMTrailing{length, sizeof(Element)}) VMArray(cls, length));
    }
    // `new T[d0][d1]...`: every given dimension is allocated; the rest stay
    // null. All sizes are checked before anything is allocated.
    template <class... D>
        requires(sizeof...(D) >= 1 && sizeof...(D) <= N - 1)
    static VMPtr<VMArray> create(jint length, D... inner) {
        if (length < 0 || ((jint(inner) < 0) || ...)) vmThrowNegativeArraySize();
        VMPtr<VMArray> outer = create(length);
        for (jint i = 0; i < length; ++i) outer->elements()[i] = VMArray<T, N - 1>::create(inner...);
        return outer;
    }
    // `{a, b, c}`
    static VMPtr<VMArray> of(std::initializer_list<Element> items) {
        VMPtr<VMArray> a = create(jint(items.size()));
        jint i = 0;
        for (const Element& e : items) a->elements()[i++] = e;
        return a;
    }

    Element& at(jint index) {
        checkIndex(index);
        return elements()[index];
    }
    Element& operator[](jint index) { return at(index); }
    Element* elements() { return static_cast<Element*>(data); }

    static java::lang::Class* classRecord() {
        if (WREN_UNLIKELY(!wrenClass_)) {
            if constexpr (kClassElements) {
                // Elements that are arrays themselves add their dimensions:
                // VMArray<VMArray<jint>*> is int[][], the class of VMArray<jint, 2>.
                java::lang::Class* element = std::remove_pointer_t<T>::classRecord();
                wrenClass_ = vmArrayClassOf(element, N + element->arrayDims);
            } else {
                wrenClass_ = vmPrimitiveArrayClass(VMArrayTraits<T>::typeCode, N);
            }
        }
        return wrenClass_;
    }
    java::lang::Class* getClass() override { return classRecord(); }

    void markReferences(uint32_t bits) override {
        if constexpr (kReferenceElements) {
            Element* e = elements();
            for (jint i = 0; i < length; ++i) e[i].mark(bits);
        }
    }
    java::lang::Object* getElement(jint index) override {
        if constexpr (kReferenceElements)
            return vmObj(elements()[index].get());
        else
            return nullptr;
    }
    void setElement(jint index, java::lang::Object* value) override {
        if constexpr (kReferenceElements) {
            using Target = typename Element::element_type;
            Target* t = value ? dynamic_cast<Target*>(value) : nullptr;
            if (value && !t) vmThrowArrayStore();
            elements()[index] = t;
        } else {
            vmThrowArrayStore();
        }
    }

private:
    static inline java::lang::Class* wrenClass_ = nullptr;

    // Only primitive element types have traits, so the choice is made at
    // compile time.
    static constexpr int32_t elementTypeCode() {
        if constexpr (kReferenceElements)
            return VM_TYPE_REFERENCE;
        else
            return VMArrayTraits<T>::typeCode;
    }

    VMArray(java::lang::Class* cls, jint length)
        : VMArray_Base(elementTypeCode(), kReferenceElements ? cls->elementClass : nullptr, length,
                       int32_t(sizeof(Element))) {}
};
