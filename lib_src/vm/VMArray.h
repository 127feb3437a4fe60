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
//
// Reference arrays are covariant as in Java: the C++ bases of an array type
// are the array classes Java makes its superclasses, so a String[] converts to
// an Object[] and vmCast to a base array type succeeds exactly where
// instanceof does. Each array stores the element type of the class it was
// created as; through a base array type, element access converts reads and
// checks stores (ArrayStoreException), see VMArraySlot.
#pragma once

#include <type_traits>

#include "java_lang_Class.h"

[[noreturn]] void vmThrowArrayIndex(jint index);
[[noreturn]] void vmThrowArrayStore();
[[noreturn]] void vmThrowNegativeArraySize();
// Native code read the storage of an array created as a subclass's array as
// if it held its own element type: a bug, which ends the process.
[[noreturn]] void vmArrayStorageMismatch();

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

// What the constructor of the array's own class hands down to VMArray_Base.
struct VMArrayShape {
    int32_t typeCode;
    java::lang::Class* elementClass;
    jint length;
    int32_t elementSize;
    const void* storageTag;
};

class VMArray_Base : public virtual java::lang::Object {
public:
    int32_t typeCode;
    java::lang::Class* elementClass;
    const jint length;
    int32_t elementSize;
    void* data = nullptr;
    // Which VMArray type the array was created as, and so which C++ element
    // type `data` holds. A String* and the Object* of the same object differ
    // in value (Object is a virtual base), so an Object[] view of a String[]
    // can't read the storage as its own.
    const void* const storageTag;

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
    explicit VMArray_Base(const VMArrayShape& shape);
};

// Copies `count` elements from src[srcIndex] to dst[dstIndex] as through a
// temporary buffer. Callers check indices and types; two reference arrays
// must be of the same class (else their storage differs: the process ends).
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
class VMArray;

// An interface declared with WREN_INTERFACE. Every class and interface
// declares the flag itself, so it is never inherited from an interface.
template <class C>
concept VMInterfaceType = C::wrenIsInterface_;

template <class C>
inline constexpr bool vmIsArrayType_ = false;
template <class T, int N>
inline constexpr bool vmIsArrayType_<VMArray<T, N>> = true;

// The C++ base of VMArray<T, N>: the array class that Java makes its
// superclass. String[] derives Object[]; RuntimeException[][] derives
// Exception[][]; Object[][], int[][] and any interface's array derive
// Object[]; Object[] and the primitive arrays derive VMArray_Base.
template <class A>
struct VMArrayAddDimension_ {  // A is VMArray_Base, standing for Object
    using type = VMArray<java::lang::Object*, 1>;
};
template <class U, int M>
struct VMArrayAddDimension_<VMArray<U, M>> {
    using type = VMArray<U, M + 1>;
};
template <class T, int N>
struct VMArrayParent_ {
    using type = typename VMArrayAddDimension_<typename VMArrayParent_<T, N - 1>::type>::type;
};
template <class T>
struct VMArrayParent_<T, 1> {
    using type = VMArray_Base;
};
template <class C>
struct VMArrayParent_<C*, 1> {
    static auto pick() {
        // An array of arrays is refused by VMArray itself, with its message.
        if constexpr (std::is_same_v<C, java::lang::Object> || vmIsArrayType_<C>)
            return std::type_identity<VMArray_Base>{};
        else if constexpr (VMInterfaceType<C>)
            return std::type_identity<VMArray<java::lang::Object*>>{};
        else
            return std::type_identity<VMArray<typename C::wrenSuper_*>>{};
    }
    using type = typename decltype(pick())::type;
};

// A reference element reached through an array of static type A, which may
// be an array of a subclass: a String[] seen as Object[]. When the array was
// created as A, reads and writes go straight to the storage; otherwise the
// array's own class converts what it reads (getElement) and checks what it
// stores (setElement: ArrayStoreException, the element unchanged). Assigning
// to a slot stores into the element; a slot is never rebound.
template <class A>
class VMArraySlot {
public:
    using element_type = typename A::Target;

    VMArraySlot(A* array, jint index) noexcept : array_(array), index_(index) {}
    VMArraySlot(const VMArraySlot&) noexcept = default;

    element_type* get() const { return array_->load(index_); }
    explicit operator bool() const { return get() != nullptr; }
    bool isNull() const { return get() == nullptr; }

    VMArraySlot& operator=(const VMArraySlot& other) {
        array_->store(index_, other.get());
        return *this;
    }
    VMArraySlot& operator=(element_type* p) {
        array_->store(index_, p);
        return *this;
    }
    VMArraySlot& operator=(std::nullptr_t) {
        array_->store(index_, nullptr);
        return *this;
    }
    template <class R>
        requires VMRefLike<R> && std::convertible_to<typename R::element_type*, element_type*>
    VMArraySlot& operator=(const R& r) {
        array_->store(index_, r.get());
        return *this;
    }

    VMTempRoot<element_type> operator->() const {
        element_type* p = get();
        if (WREN_UNLIKELY(!p)) vmThrowNullPointer();
        return VMTempRoot<element_type>(p);
    }
    element_type& operator*() const {
        element_type* p = get();
        if (WREN_UNLIKELY(!p)) vmThrowNullPointer();
        return *p;
    }
    template <class I>
    decltype(auto) operator[](I index) const
        requires requires(element_type& t) { t.at(jint(0)); }
    {
        return (**this).at(jint(index));
    }

private:
    A* array_;
    jint index_;
};

template <class T, int N>
class VMArray : public VMArrayParent_<T, N>::type {
    static_assert(N >= 1 && N <= 255, "array dimensions");
    static_assert(!vmIsArrayType_<std::remove_pointer_t<T>>,
                  "an array of arrays is written with its dimensions: VMArray<X, 2> is X[][] "
                  "(VMArray<jint, 2>, VMArray<String*, 2>), not VMArray<VMArray<X>*>");
    static constexpr bool kClassElements = std::is_pointer_v<T>;
    friend class VMArraySlot<VMArray>;

public:
    using wrenPlainClass_ = VMArray;
    static constexpr bool kReferenceElements = kClassElements || N > 1;
    // Arrays over an interface (Runnable[], Runnable[][]) are not C++ bases of
    // the arrays of the classes that implement it; vmCast refuses them.
    static constexpr bool kInterfaceElements =
        kClassElements && VMInterfaceType<std::remove_pointer_t<T>>;
    // The class of a reference element (an array class when N > 1).
    using Target = std::conditional_t<(N > 1), VMArray<T, N - 1>, std::remove_pointer_t<T>>;
    // What the storage of an array created as this type holds.
    using Element = std::conditional_t<kReferenceElements, VMField<Target>, T>;
    // What a[i] gives: a slot for references, the element itself for primitives.
    using Access = std::conditional_t<kReferenceElements, VMArraySlot<VMArray>, T&>;

    // `new T[length]`: zero-filled, or null references.
    static VMPtr<VMArray> create(jint length) {
        if (length < 0) vmThrowNegativeArraySize();
        java::lang::Class* cls = classRecord();
        // The elements share the array's block, right after its fields.
        static_assert(sizeof(VMArray) == sizeof(VMArray_Base));
        return vmAdopt(new (VMTrailing{length, sizeof(Element)}) VMArray(VMArrayShape{
            elementTypeCode(), kReferenceElements ? cls->elementClass : nullptr, length,
            int32_t(sizeof(Element)), ownTag()}));
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

    Access at(jint index) {
        this->checkIndex(index);
        if constexpr (kReferenceElements)
            return Access(this, index);
        else
            return static_cast<Element*>(this->data)[index];
    }
    Access operator[](jint index) { return at(index); }

    // Whether the array was created as this type, not as a subclass's array
    // seen through it: only then does its storage hold Element.
    bool hasExactStorage() const { return this->storageTag == ownTag(); }
    // The storage, for loops over an array known to be of exactly this type
    // (one the caller created). Anything else ends the process: use a[i].
    Element* elements() {
        if constexpr (kReferenceElements) {
            if (WREN_UNLIKELY(!hasExactStorage())) vmArrayStorageMismatch();
        }
        return static_cast<Element*>(this->data);
    }

    static java::lang::Class* classRecord() {
        if (WREN_UNLIKELY(!wrenClass_)) {
            if constexpr (kClassElements)
                wrenClass_ = vmArrayClassOf(std::remove_pointer_t<T>::classRecord(), N);
            else
                wrenClass_ = vmPrimitiveArrayClass(VMArrayTraits<T>::typeCode, N);
        }
        return wrenClass_;
    }
    java::lang::Class* getClass() override { return classRecord(); }

    // Only the array's own class runs these: they read its own storage.
    void markReferences(uint32_t bits) override {
        if constexpr (kReferenceElements) {
            Element* e = static_cast<Element*>(this->data);
            for (jint i = 0; i < this->length; ++i) e[i].mark(bits);
        }
    }
    // Covariant: through a base array type, the result is converted to that
    // type's element class.
    std::conditional_t<kReferenceElements, Target, java::lang::Object>* getElement(
        jint index) override {
        if constexpr (kReferenceElements)
            return static_cast<Element*>(this->data)[index].get();
        else
            return nullptr;
    }
    void setElement(jint index, java::lang::Object* value) override {
        if constexpr (kReferenceElements) {
            Target* t = value ? dynamic_cast<Target*>(value) : nullptr;
            if (value && !t) vmThrowArrayStore();
            static_cast<Element*>(this->data)[index] = t;
        } else {
            vmThrowArrayStore();
        }
    }

protected:
    explicit VMArray(const VMArrayShape& shape) : VMArrayParent_<T, N>::type(shape) {}

private:
    static inline java::lang::Class* wrenClass_ = nullptr;

    // Any address that is this instantiation's own.
    static const void* ownTag() { return &wrenClass_; }

    // Only primitive element types have traits, so the choice is made at
    // compile time.
    static constexpr int32_t elementTypeCode() {
        if constexpr (kReferenceElements)
            return VM_TYPE_REFERENCE;
        else
            return VMArrayTraits<T>::typeCode;
    }

    Target* load(jint index) {
        if (WREN_LIKELY(hasExactStorage())) return static_cast<Element*>(this->data)[index].get();
        return getElement(index);
    }
    void store(jint index, Target* value) {
        if (WREN_LIKELY(hasExactStorage()))
            static_cast<Element*>(this->data)[index] = value;
        else
            setElement(index, vmObj(value));
    }
};
