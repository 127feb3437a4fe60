#include "java_lang_System.h"

#include <cstring>

#include "HAL_properties.h"
#include "HAL_status.h"
#include "VMClock.h"
#include "com_nimbault_marl_cldc_io_ConsoleOutputStream.h"
#include "java_lang_ArrayIndexOutOfBoundsException.h"
#include "java_lang_ArrayStoreException.h"
#include "java_lang_IllegalArgumentException.h"
#include "java_lang_NullPointerException.h"
#include "java_lang_Runtime.h"

WREN_DEFINE_CLASS(java::lang::System, "java.lang.System")

VMClockBase& vmClockBase() {
    static VMClockBase clock;
    return clock;
}

namespace java::lang {

void System::staticInit() {
    VMPtr<com::nimbault::marl::cldc::io::ConsoleOutputStream> console =
        com::nimbault::marl::cldc::io::ConsoleOutputStream::make();
    Statics& s = wrenStatics_();
    s.out = java::io::PrintStream::make(console);
    s.err = s.out;
}

void System::arraycopy(const VMPtr<Object>& src, jint srcPos, const VMPtr<Object>& dst,
                       jint dstPos, jint length) {
    clinit();
    if (src == nullptr || dst == nullptr) NullPointerException::throwNew();
    VMArray_Base* from = src->vmAsArray();
    VMArray_Base* to = dst->vmAsArray();
    if (!from || !to) ArrayStoreException::throwNew();
    if (from->isReferenceArray() != to->isReferenceArray() ||
        (!from->isReferenceArray() && from->typeCode != to->typeCode))
        ArrayStoreException::throwNew();
    if (srcPos < 0 || dstPos < 0 || length < 0 || srcPos > from->length - length ||
        dstPos > to->length - length)
        ArrayIndexOutOfBoundsException::throwNew();

    if (from->storageTag != to->storageTag) {
        // Reference arrays of different classes store different element
        // types, so each element goes through the arrays' own conversions.
        // Different classes also mean two different arrays: ascending order
        // can't overwrite what is still to be read.
        Class* target = to->elementClass;
        bool allFit = vmIsAssignableFrom(from->elementClass, target);
        for (jint i = 0; i < length; ++i) {
            Object* e = from->getElement(srcPos + i);
            if (!allFit && e && !vmIsAssignableFrom(e->getClass(), target))
                ArrayStoreException::throwNew();
            to->setElement(dstPos + i, e);
        }
        return;
    }
    vmArrayCopyElements(to, from, srcPos, dstPos, length);
}

VMPtr<String> System::getProperty(const VMPtr<String>& key) {
    clinit();
    if (key == nullptr) NullPointerException::throwNew(WREN_LIT("key can't be null"));
    if (key->length() == 0) IllegalArgumentException::throwNew(WREN_LIT("key can't be empty"));

    if (const char* value = findSystemProperty(getSystemPropertyTable(), key->toUtf8().c_str()))
        return String::make(value);

    const jchar* chars = key->value->elements() + key->offset;
    jint n = HAL_getSystemPropertyLength(chars, key->count);
    if (n < 0) return nullptr;
    VMPtr<VMArray<jchar>> buffer = VMArray<jchar>::create(n);
    jint copied = n;
    if (HAL_getSystemProperty(chars, key->count, buffer->elements(), &copied) != HAL_OK)
        vmFatalError("HAL_getSystemProperty() failed!");
    return String::make(0, copied, buffer);
}

void System::gc() {
    clinit();
    Runtime::getRuntime()->gc();
}

void System::exit(jint status) {
    clinit();
    Runtime::getRuntime()->exit(status);
}

jlong System::currentTimeMillis() {
    clinit();
    return vmCurrentTimeMillis();
}

}  // namespace java::lang

jlong vmCurrentTimeMillis() {
    VMClockBase& c = vmClockBase();
    uint32_t tick = vmTickCount();
    if (!c.set) {
        c.set = true;
        c.base = vmLocalTimeMillis() - jlong(tick);
    } else if (tick < c.lastTick) {
        c.carried += jlong(1) << 32;
    }
    c.lastTick = tick;
    return c.base + c.carried + jlong(tick);
}
