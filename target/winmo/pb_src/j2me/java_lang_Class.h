// java.lang.Class: the class record, the class table and the registration
// lists that the class definitions fill before the VM exists.
#pragma once

#include "VMCString.h"
#include "VMList.h"
#include "java_lang_Object.h"

namespace java::io {
class InputStream;
}

namespace java::lang {

class Class : public virtual Object {
public:
    // Static-initialisation states.
    enum : int32_t { INITIALISED = 0, NOT_INITIALISED = 1, IN_PROGRESS = 2, FAILED = 3 };
    using Factory = VMPtr<Object> (*)();
    using StaticInit = void (*)();
    using MainEntry = void (*)(const VMPtr<Object>& args);

    int32_t initState = INITIALISED;
    VMThread* initThread = nullptr;
    VMList interfaces;  // of Class*
    bool superResolved = false;
    Class* superclass = nullptr;
    const char* name = "";
    const char* superName = "";
    const char* sourcePath = "";
    StaticInit staticInit = nullptr;
    Factory factory = nullptr;
    MainEntry mainEntry = nullptr;
    bool isInterface = false;
    bool isAbstract = false;
    int32_t arrayDims = 0;
    int32_t elementType = 0;
    Class* elementClass = nullptr;
    VMNativePtr<Class> selfRef;  // records are never collected
    VMCString ownedName;         // the name of an array class, built at run time

    ~Class() override;
    Class* getClass() override;
    VMPtr<String> toString() override;

    VMPtr<String> getName();
    jboolean isArray() { return arrayDims > 0; }
    static VMPtr<Class> forName(const VMPtr<String>& name);
    VMPtr<Object> newInstance();
    // The resource path a class-relative name stands for: "/a/b" is "a/b";
    // "b" against pkg.sub.Foo is "pkg/sub/b".
    VMPtr<String> resolveResourceName(const VMPtr<String>& name);
    // A stream over the resource the name resolves to, or null when there is
    // no such resource or it can't be opened.
    VMPtr<java::io::InputStream> getResourceAsStream(const VMPtr<String>& name);

    using wrenSuper_ = Object;
    static Class* wrenClass_;
    static Class* classRecord() { return wrenClass_; }
    static void clinit();
    static Class* wrenRegister_();
};

}  // namespace java::lang

// Class kinds for registration.
enum class VMClassKind { Concrete, Abstract, Interface };

// Creates a class record and enters it in the class table. Names stay valid
// for the program's life (literals, or the record's own copy for arrays).
java::lang::Class* vmRegisterClassRecord(const char* name, const char* superName,
                                         const char* sourcePath,
                                         java::lang::Class::StaticInit staticInit,
                                         java::lang::Class::Factory factory, VMClassKind kind,
                                         int32_t arrayDims = 0, int32_t elementType = 0,
                                         java::lang::Class* elementClass = nullptr,
                                         const char* ownedName = nullptr);

// The class table.
java::lang::Class* vmFindClass(const char* name);
java::lang::Class* vmObjectClass();
java::lang::Class* vmGetSuperclass(java::lang::Class* cls);
void vmInsertClass(const char* name, java::lang::Class* cls);
bool vmClassTableComplete();
size_t vmClassCount();
void vmArrayClassName(VMCString& out, java::lang::Class* element, int32_t dims);
// The record of an array class over `element` with `dims` dimensions,
// registered on first use.
java::lang::Class* vmArrayClassOf(java::lang::Class* element, int32_t dims);

// Static initialisation and type tests.
void vmEnsureInitialized(java::lang::Class* cls);
void vmRunStaticInitializer(java::lang::Class* cls);
bool vmIsAssignableFrom(java::lang::Class* from, java::lang::Class* to);
bool vmImplementsInterface(java::lang::Class* cls, java::lang::Class* iface);
bool vmIsInstanceOf(java::lang::Object* obj, java::lang::Class* cls);
template <class R>
    requires VMRefLike<R>
inline bool vmIsInstanceOf(const R& r, java::lang::Class* cls) {
    return vmIsInstanceOf(vmObj(r.get()), cls);
}

// The registration lists, filled by static constructors before the VM starts
// and walked once by start-up.
struct VMPendingClass {
    VMPendingClass* next = nullptr;
    java::lang::Class* (*registration)() = nullptr;
    // Where the class's record, its superclass's record (null for an
    // interface) and its direct interfaces' records (null-terminated) will be
    // once every class has registered.
    java::lang::Class** record = nullptr;
    java::lang::Class** superRecord = nullptr;
    java::lang::Class** const* interfaceRecords = nullptr;
    explicit VMPendingClass(java::lang::Class* (*routine)());
    VMPendingClass(java::lang::Class* (*routine)(), java::lang::Class** rec,
                   java::lang::Class** superRec, java::lang::Class** const* ifaceRecs);
};
struct VMPendingMainEntry {
    VMPendingMainEntry* next = nullptr;
    java::lang::Class** record = nullptr;
    java::lang::Class::MainEntry entry = nullptr;
    VMPendingMainEntry(java::lang::Class** rec, java::lang::Class::MainEntry fn);
};
void vmRunPendingClasses();
// Links every registered class to its superclass and interfaces; a relation
// whose record was never registered ends the process naming both classes.
void vmResolvePendingRelations();
void vmResolvePendingMainEntries();
void vmSealClassTable();
void vmRegisterInterface(java::lang::Class* cls, const char* interfaceName);

// The shared empty static initialiser: a class without one still runs the
// initialisation protocol once, so its superclass gets initialised first.
void vmEmptyStaticInit();
