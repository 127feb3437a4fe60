#include "wren_guide_Shelf.h"

#include "VMTry.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_StringBuffer.h"

WREN_DEFINE_CLASS(wren::guide::Shelf, "wren.guide.Shelf", java::lang::Runnable)

namespace wren::guide {

using java::lang::Object;
using java::lang::String;

void Shelf::staticInit() { wrenStatics_().UNLABELLED = WREN_LIT("(unlabelled)"); }

void Shelf::ctor(const VMPtr<String>& shelfName, jint capacity) {
    Item::ctor(shelfName);
    slots = VMArray<Object*>::create(capacity);
    label = S().UNLABELLED;
    ++S().made;
}

jint Shelf::addAll(const VMPtr<VMArray<Object*>>& items) {
    VMSynchronized guard(this);  // synchronized (this)
    jint added = 0;
    for (jint i = 0; i < items->length && count < slots->length; ++i, ++added)
        slots[count++] = items[i];
    return added;
}

VMPtr<String> Shelf::describe() {
    VMPtr<java::lang::StringBuffer> text = java::lang::StringBuffer::make(name);
    text->append(WREN_LIT(": "));
    text->append(count);
    return text->toString();
}

void Shelf::run() {
    // synchronized (this) {
    //     try { label = slots[0].toString(); }
    //     catch (RuntimeException e) { label = e.toString(); }
    //     finally { notifyAll(); }
    // }
    VMSynchronized guard(this);
    vmTryFinally(
        [&] {
            vmTryCatch([&] { label = slots[0]->toString(); },
                       [&](const VMPtr<java::lang::RuntimeException>& e) { label = e->toString(); });
        },
        [&] { notifyAll(); });
}

}  // namespace wren::guide
