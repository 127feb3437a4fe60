#include "java_lang_Class.h"

#include <cstring>
#include <new>
#include <string>

#include "VMArray.h"
#include "VMClass.h"
#include "VMHeap.h"
#include "VMThread.h"
#include "VMTry.h"
#include "com_nimbault_marl_cldc_io_ResourceInputStream.h"
#include "java_io_IOException.h"
#include "java_lang_ClassNotFoundException.h"
#include "java_lang_Error.h"
#include "java_lang_ExceptionInInitializerError.h"
#include "java_lang_IllegalAccessException.h"
#include "java_lang_InstantiationException.h"
#include "java_lang_NoClassDefFoundError.h"
#include "java_lang_String.h"

namespace {

struct ClassTable {
    VMHashtable classes{200};
    java::lang::Class* objectClass = nullptr;
    bool complete = false;
};

ClassTable& table() {
    static ClassTable* t = new (vmAllocate(sizeof(ClassTable), false)) ClassTable();
    return *t;
}

template <class Entry>
struct PendingList {
    Entry* first = nullptr;
    Entry* last = nullptr;
    void append(Entry* e) {
        if (last) last->next = e;
        else first = e;
        last = e;
    }
};
// Function-local so that static constructors in any order find them ready.
PendingList<VMPendingClass>& pendingClasses() {
    static PendingList<VMPendingClass> list;
    return list;
}
PendingList<VMPendingMainEntry>& pendingMainEntries() {
    static PendingList<VMPendingMainEntry> list;
    return list;
}

}  // namespace

VMPendingClass::VMPendingClass(java::lang::Class* (*routine)()) : registration(routine) {
    pendingClasses().append(this);
}
VMPendingClass::VMPendingClass(java::lang::Class* (*routine)(), java::lang::Class** rec,
                               java::lang::Class** superRec,
                               java::lang::Class** const* ifaceRecs)
    : registration(routine), record(rec), superRecord(superRec), interfaceRecords(ifaceRecs) {
    pendingClasses().append(this);
}
VMPendingMainEntry::VMPendingMainEntry(java::lang::Class** rec, java::lang::Class::MainEntry fn)
    : record(rec), entry(fn) {
    pendingMainEntries().append(this);
}

void vmRunPendingClasses() {
    for (VMPendingClass* e = pendingClasses().first; e; e = e->next)
        if (e->registration) e->registration();
}

namespace {
[[noreturn]] void unregisteredRelation(java::lang::Class* cls, const char* relation) {
    std::string message = "Class ";
    message += cls->name;
    message += " names a ";
    message += relation;
    message += " that was never registered!";
    vmFatalError(message.c_str());
}
}  // namespace

void vmResolvePendingRelations() {
    for (VMPendingClass* e = pendingClasses().first; e; e = e->next) {
        java::lang::Class* cls = e->record ? *e->record : nullptr;
        if (!cls) continue;
        java::lang::Class** const* iface = e->interfaceRecords;
        java::lang::Class** superSlot = e->superRecord;
        // An interface's first super-interface stands in its superclass's
        // place, as the records have always kept it.
        if (!superSlot && cls->isInterface && iface && *iface) superSlot = *iface++;
        if (superSlot) {
            java::lang::Class* super = *superSlot;
            if (!super) unregisteredRelation(cls, "superclass");
            cls->superName = super->name;
            cls->superclass = super;
            cls->superResolved = true;
        }
        for (; iface && *iface; ++iface) {
            java::lang::Class* implemented = **iface;
            if (!implemented) unregisteredRelation(cls, "interface");
            cls->interfaces.pushBack(reinterpret_cast<intptr_t>(implemented));
        }
    }
}

void vmResolvePendingMainEntries() {
    for (VMPendingMainEntry* e = pendingMainEntries().first; e; e = e->next)
        if (*e->record) (*e->record)->mainEntry = e->entry;
}

void vmSealClassTable() { table().complete = true; }
bool vmClassTableComplete() { return table().complete; }
size_t vmClassCount() { return table().classes.size(); }

void vmRegisterInterface(java::lang::Class* cls, const char* interfaceName) {
    if (!interfaceName) return;
    java::lang::Class* iface = vmFindClass(interfaceName);
    if (!iface) vmFatalError("Class for interface not found in _VM_registerInterface()!");
    cls->interfaces.pushBack(reinterpret_cast<intptr_t>(iface));
}

void vmEmptyStaticInit() {}

java::lang::Class* vmRegisterClassRecord(const char* name, const char* superName,
                                         const char* sourcePath,
                                         java::lang::Class::StaticInit staticInit,
                                         java::lang::Class::Factory factory, VMClassKind kind,
                                         int32_t arrayDims, int32_t elementType,
                                         java::lang::Class* elementClass, const char* ownedName) {
    using java::lang::Class;
    // Records are made directly: registration runs before any class, Class
    // included, may be initialised.
    Class* c = new Class();
    if (ownedName) {
        c->ownedName.assign(ownedName);
        name = c->ownedName.c_str();
    }
    c->name = name;
    c->superName = superName ? superName : "";
    c->sourcePath = sourcePath ? sourcePath : "";
    c->staticInit = staticInit;
    c->factory = factory;
    c->isInterface = kind == VMClassKind::Interface;
    c->isAbstract = kind == VMClassKind::Abstract;
    c->arrayDims = arrayDims;
    c->elementType = elementType;
    c->elementClass = elementClass;
    c->selfRef = c;
    c->initState = staticInit ? Class::NOT_INITIALISED : Class::INITIALISED;
    vmInsertClass(name, c);
    vmEndConstruction(c);
    return c;
}

java::lang::Class* vmFindClass(const char* name) {
    intptr_t found = 0;
    return table().classes.get(name, &found) ? reinterpret_cast<java::lang::Class*>(found) : nullptr;
}

void vmInsertClass(const char* name, java::lang::Class* cls) {
    if (std::strcmp(name, "_VM_bad_array") == 0)
        vmFatalError("Attempt to use invalid type with a java array!");
    if (table().classes.get(name, nullptr)) vmFatalError("Duplicate class detected!");
    table().classes.put(name, reinterpret_cast<intptr_t>(cls));
}

java::lang::Class* vmObjectClass() {
    ClassTable& t = table();
    if (!t.objectClass) t.objectClass = vmFindClass("java.lang.Object");
    return t.objectClass;
}

java::lang::Class* vmGetSuperclass(java::lang::Class* cls) {
    if (table().complete && cls->superResolved) return cls->superclass;
    java::lang::Class* super = cls->superName[0] ? vmFindClass(cls->superName) : nullptr;
    // Before the table is complete a miss may only mean "not registered yet".
    if (!table().complete && !super) return nullptr;
    cls->superclass = super;
    cls->superResolved = true;
    return super;
}

void vmArrayClassName(VMCString& out, java::lang::Class* element, int32_t dims) {
    out.assign(nullptr);
    for (int32_t i = element->arrayDims; i < dims; ++i) out.append("[");
    if (element->arrayDims == 0) {
        out.append("L");
        out.append(element->name);
        out.append(";");
    } else {
        out.append(element->name);
    }
}

java::lang::Class* vmArrayClassOf(java::lang::Class* element, int32_t dims) {
    VMCString name;
    vmArrayClassName(name, element, dims);
    if (java::lang::Class* c = vmFindClass(name.c_str())) return c;
    java::lang::Class* inner = dims > 1 ? vmArrayClassOf(element, dims - 1) : element;
    return vmRegisterClassRecord(nullptr, "java.lang.Object", "lib_src/vm/VMArray", nullptr,
                                 nullptr, VMClassKind::Concrete, dims, VM_TYPE_REFERENCE, inner,
                                 name.c_str());
}

java::lang::Class* vmPrimitiveArrayClass(int32_t typeCode, int32_t dims) {
    char descriptor;
    switch (typeCode) {
        case VM_TYPE_BOOLEAN: descriptor = 'Z'; break;
        case VM_TYPE_CHAR: descriptor = 'C'; break;
        case VM_TYPE_FLOAT: descriptor = 'F'; break;
        case VM_TYPE_DOUBLE: descriptor = 'D'; break;
        case VM_TYPE_BYTE: descriptor = 'B'; break;
        case VM_TYPE_SHORT: descriptor = 'S'; break;
        case VM_TYPE_INT: descriptor = 'I'; break;
        case VM_TYPE_LONG: descriptor = 'J'; break;
        default: vmFatalError("Attempt to use invalid type with a java array!");
    }
    std::string name(size_t(dims), '[');
    name += descriptor;
    if (java::lang::Class* c = vmFindClass(name.c_str())) return c;
    java::lang::Class* inner = dims > 1 ? vmPrimitiveArrayClass(typeCode, dims - 1) : nullptr;
    return vmRegisterClassRecord(nullptr, "java.lang.Object", "lib_src/vm/VMArray", nullptr,
                                 nullptr, VMClassKind::Concrete, dims,
                                 dims > 1 ? VM_TYPE_REFERENCE : typeCode, inner, name.c_str());
}

// --- static initialisation ----------------------------------------------------

void vmEnsureClassReady(java::lang::Class* cls, const char* cppName) {
    if (!cls) vmFatalError("A class was used before the VM registered it.");
    (void)cppName;
    vmEnsureInitialized(cls);
}

void vmEnsureInitialized(java::lang::Class* cls) {
    if (cls->initState == java::lang::Class::FAILED) java::lang::NoClassDefFoundError::throwNew();
    if (cls->initState == java::lang::Class::INITIALISED) return;
    vmRunStaticInitializer(cls);
}

void vmRunStaticInitializer(java::lang::Class* cls) {
    using java::lang::Class;
    VMThread* self = VMThread::current();
    {
        VMSynchronized guard(cls);
        while (cls->initState == Class::IN_PROGRESS && cls->initThread != self) cls->wait();
        if (cls->initState == Class::IN_PROGRESS) return;  // recursion from the initialiser
        if (cls->initState == Class::INITIALISED) return;
        if (cls->initState == Class::FAILED)
            java::lang::NoClassDefFoundError::throwNew(cls->getName());
        cls->initState = Class::IN_PROGRESS;
        cls->initThread = self;
    }
    vmTryCatch(
        [&] {
            if (!cls->isInterface) {
                Class* super = vmGetSuperclass(cls);
                if (super && super->initState != Class::INITIALISED) vmEnsureInitialized(super);
            }
            if (cls->staticInit) cls->staticInit();
        },
        [&](VMPtr<java::lang::Throwable> thrown) {
            if (!vmIsInstanceOf(thrown, java::lang::Error::classRecord()))
                thrown = java::lang::ExceptionInInitializerError::make(thrown);
            {
                VMSynchronized guard(cls);
                cls->initState = Class::FAILED;
                cls->notifyAll();
            }
            thrown->throwSelf();
        });
    VMSynchronized guard(cls);
    cls->initState = Class::INITIALISED;
    cls->notifyAll();
}

// --- type tests -----------------------------------------------------------------

bool vmImplementsInterface(java::lang::Class* cls, java::lang::Class* iface) {
    java::lang::Class* object = vmObjectClass();
    for (java::lang::Class* c = cls; c && c != object; c = vmGetSuperclass(c)) {
        if (c == iface) return true;
        for (VMList::Node* n = c->interfaces.first(); n; n = n->next)
            if (vmImplementsInterface(reinterpret_cast<java::lang::Class*>(n->value), iface))
                return true;
    }
    return false;
}

bool vmIsAssignableFrom(java::lang::Class* from, java::lang::Class* to) {
    if (from == to) return true;
    if (to == vmObjectClass()) return true;
    if (to->arrayDims > 0) {
        if (from->arrayDims == 0) return false;
        bool fromRefs = from->elementClass != nullptr, toRefs = to->elementClass != nullptr;
        if (fromRefs != toRefs) return false;
        if (fromRefs) return vmIsAssignableFrom(from->elementClass, to->elementClass);
        return from->elementType == to->elementType;
    }
    if (to->isInterface) return from->arrayDims == 0 && vmImplementsInterface(from, to);
    if (from->arrayDims > 0 || from->isInterface) return false;
    java::lang::Class* object = vmObjectClass();
    for (java::lang::Class* c = vmGetSuperclass(from); c; c = vmGetSuperclass(c)) {
        if (c == to) return true;
        if (c == object) return false;
    }
    return false;
}

bool vmIsInstanceOf(java::lang::Object* obj, java::lang::Class* cls) {
    return obj && vmIsAssignableFrom(obj->getClass(), cls);
}

// --- java.lang.Class ------------------------------------------------------------

namespace java::lang {

Class* Class::wrenClass_ = nullptr;

Class::~Class() { selfRef = nullptr; }

Class* Class::getClass() { return wrenClass_; }

void Class::clinit() {
    if (WREN_UNLIKELY(!wrenClass_ || wrenClass_->initState != 0))
        vmEnsureClassReady(wrenClass_, "java::lang::Class");
}

Class* Class::wrenRegister_() {
    return wrenClass_ = vmRegisterClassRecord("java.lang.Class", "java.lang.Object", __FILE__,
                                              &vmEmptyStaticInit, nullptr, VMClassKind::Concrete);
}

namespace {
VMPendingClass classPending(&Class::wrenRegister_);
}

VMPtr<String> Class::getName() { return String::make(name); }

VMPtr<String> Class::toString() {
    std::string text = isInterface ? "interface " : "class ";
    text += name;
    return String::make(text.c_str());
}

VMPtr<Class> Class::forName(const VMPtr<String>& className) {
    clinit();
    if (!className) vmThrowNullPointer();
    Class* c = vmFindClass(className->toUtf8().c_str());
    if (!c) ClassNotFoundException::throwNew();
    return c;
}

VMPtr<Object> Class::newInstance() {
    if (arrayDims > 0 || isInterface || isAbstract) InstantiationException::throwNew();
    VMPtr<Object> made = factory ? factory() : nullptr;
    if (!made) IllegalAccessException::throwNew();
    return made;
}

VMPtr<String> Class::resolveResourceName(const VMPtr<String>& resource) {
    if (!resource) vmThrowNullPointer();
    std::string text = resource->toUtf8();
    if (!text.empty() && text[0] == '/') return String::make(text.c_str() + 1);
    const char* lastDot = std::strrchr(name, '.');
    if (!lastDot) return resource;
    std::string prefix(name, size_t(lastDot - name) + 1);
    for (char& ch : prefix)
        if (ch == '.') ch = '/';
    return String::make((prefix + text).c_str());
}

VMPtr<java::io::InputStream> Class::getResourceAsStream(const VMPtr<String>& resource) {
    VMPtr<String> resolved = resolveResourceName(resource);
    return vmTryCatch(
        [&]() -> VMPtr<java::io::InputStream> {
            return com::nimbault::marl::cldc::io::ResourceInputStream::make(resolved);
        },
        // CLDC's answer for a resource that isn't there is null, not an exception.
        [](const VMPtr<java::io::IOException>&) { return nullptr; });
}

}  // namespace java::lang
