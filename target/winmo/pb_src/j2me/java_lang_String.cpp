#include "java_lang_String.h"

#include <cstring>

#include <new>

#include "VMHeap.h"
#include "VMUtf8.h"
#include "java_lang_StringIndexOutOfBoundsException.h"

WREN_DEFINE_CLASS(java::lang::String, "java.lang.String", "java.lang.Object")

namespace java::lang {

void String::ctor() { value = VMArray<jchar>::create(0); }

void String::ctor(const char* utf8) { ctor(utf8, jint(std::strlen(utf8))); }

void String::ctor(const char* utf8, jint n) {
    auto bytes = reinterpret_cast<const uint8_t*>(utf8);
    bool ok = true;
    size_t chars = vmUtf8CharCount(bytes, size_t(n), ok);
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(jint(chars));
    vmDecodeUtf8(a->elements(), chars, bytes, size_t(n), ok);
    value = a;
    offset = 0;
    count = a->length;
}

void String::ctor(const jchar* chars, jint n) {
    VMPtr<VMArray<jchar>> a = VMArray<jchar>::create(n);
    if (n > 0) std::memcpy(a->elements(), chars, size_t(n) * sizeof(jchar));
    value = a;
    offset = 0;
    count = n;
}

void String::ctor(jint off, jint n, const VMPtr<VMArray<jchar>>& chars) {
    value = chars;
    offset = off;
    count = n;
}

jchar String::charAt(jint index) {
    if (index < 0 || index >= count) StringIndexOutOfBoundsException::throwNew(index);
    return value->elements()[offset + index];
}

jboolean String::equals(const VMPtr<Object>& other) {
    if (vmObj(this) == vmObj(other.get())) return true;
    if (!vmIsInstanceOf(other, classRecord())) return false;
    String* s = dynamic_cast<String*>(other.get());
    if (s->count != count) return false;
    return count == 0 || std::memcmp(value->elements() + offset, s->value->elements() + s->offset,
                                     size_t(count) * sizeof(jchar)) == 0;
}

jboolean String::equals(const char* utf8) {
    return vmUtf8Equals(reinterpret_cast<const uint8_t*>(utf8), std::strlen(utf8),
                        value->elements() + offset, count);
}

jint String::hashCode() {
    jint h = 0;
    const jchar* c = value->elements() + offset;
    for (jint i = 0; i < count; ++i) h = 31 * h + jint(c[i]);
    return h;
}

VMPtr<String> String::toString() { return this; }

std::string String::toUtf8() {
    const jchar* c = value->elements() + offset;
    std::string out(vmUtf8Length(c, count, true), '\0');
    size_t capacity = out.size();
    vmEncodeUtf8(out.data(), capacity, c, count, true, false);
    out.resize(capacity);
    return out;
}

}  // namespace java::lang

namespace {
VMHashtable* internTable() {
    static VMHashtable* table = nullptr;
    if (!table) table = new (vmAllocateOrThrow(sizeof(VMHashtable))) VMHashtable();
    return table;
}
}  // namespace

VMPtr<java::lang::String> vmStringLiteral(const char* text) {
    if (!text) return nullptr;
    intptr_t found = 0;
    if (internTable()->get(text, &found)) return reinterpret_cast<java::lang::String*>(found);
    VMPtr<java::lang::String> s = java::lang::String::make(text);
    // Interned literals stay alive for the rest of the run.
    new (vmAllocateOrThrow(sizeof(VMNativePtr<java::lang::String>)))
        VMNativePtr<java::lang::String>(s);
    internTable()->put(text, reinterpret_cast<intptr_t>(s.get()));
    return s;
}
