#include "com_nimbault_marl_AMS.h"

#include <string>

#include "HAL_properties.h"
#include "HAL_status.h"
#include "VM.h"
#include "VMEvents.h"
#include "VMTry.h"
#include "java_lang_Class.h"
#include "java_lang_InstantiationException.h"
#include "java_lang_StringBuffer.h"
#include "javax_microedition_midlet_MIDletStateChangeException.h"
#include "wren_platform_marl_WrenMarl.h"

WREN_DEFINE_CLASS(com::nimbault::marl::AMS, "com.nimbault.marl.AMS")
WREN_MAIN_ENTRY(com::nimbault::marl::AMS, &com::nimbault::marl::AMS::main)

namespace com::nimbault::marl {

using java::lang::String;
using javax::microedition::midlet::MIDlet;

void AMS::staticInit() {
    HAL_addEventListener(&AMS::onStartEvent, vmEventMask(VM_EVENT_RESUME), 0);
    HAL_addEventListener(&AMS::onPauseOrDestroyEvent,
                         vmEventMask(VM_EVENT_PAUSE) | vmEventMask(VM_EVENT_DESTROY), 2);
}

void AMS::main(const VMPtr<java::lang::Object>&) {
    clinit();
    VMPtr<VMArray<String*>> args = nullptr;
    startMIDlet(args);
}

void AMS::startMIDlet(const VMPtr<VMArray<String*>>&) {
    clinit();
    // The runtime prints the trace of what escapes and ends the program;
    // the player reads why on standard error, the file at fault first.
    const jboolean loaded = vmTryCatch(
        [&] { return loadMIDlet(1); },
        [](const VMPtr<java::lang::Throwable>& failure) -> jboolean {
            VMPtr<java::lang::StringBuffer> text =
                java::lang::StringBuffer::make(WREN_LIT("the game could not start: "));
            text->append(wren::platform::marl::WrenMarl::describeFailure(failure));
            vmReportFailure(text->toString()->toUtf8().c_str());
            failure->throwSelf();
        });
    if (!loaded) {
        std::string problem = PropertyFile_problem(HAL_APPLICATION_PROPERTIES);
        if (problem.empty())
            problem = PropertyFile_path(HAL_APPLICATION_PROPERTIES) + ": no \"MIDlet-1\" value";
        vmReportFailure(("no MIDlet to start: " + problem).c_str());
        vmFatalError("Failed to load MIDlet!");
    }
}

jboolean AMS::loadMIDlet(jint n) {
    clinit();
    VMPtr<java::lang::StringBuffer> key = java::lang::StringBuffer::make(WREN_LIT("MIDlet-"));
    key->append(n);
    VMPtr<String> value = getAppProperty(key->toString());
    if (!value) return false;
    // "display name, icon, class name": the class is what follows the second
    // comma, or the whole value when there are fewer.
    jint first = value->indexOf(',');
    jint second = value->indexOf(',', first + 1);
    if (first < 0) second = -1;
    VMPtr<String> className = (second < 0 ? value : value->substring(second + 1))->trim();
    // The ClassNotFoundException that follows carries no name: say which.
    if (std::string name = className->toUtf8(); !vmFindClass(name.c_str()))
        vmReportFailure(("no MIDlet to start: " + PropertyFile_path(HAL_APPLICATION_PROPERTIES) +
                         ": the class \"" + name + "\" of \"MIDlet-" + std::to_string(n) +
                         "\" does not exist")
                            .c_str());
    VMPtr<MIDlet> midlet = instantiateMIDlet(className);
    S().midlet = midlet;
    if (midlet->setState(MIDlet::STARTING)) {
        midlet->startApp();
        midlet->setState(MIDlet::ACTIVE);
    }
    return true;
}

VMPtr<MIDlet> AMS::instantiateMIDlet(const VMPtr<String>& className) {
    clinit();
    VMPtr<java::lang::Class> cls = java::lang::Class::forName(className);
    VMPtr<java::lang::Object> made = cls->newInstance();
    if (!vmIsInstanceOf(made, MIDlet::classRecord()))
        java::lang::InstantiationException::throwNew(WREN_LIT("Class not a MIDlet"));
    return vmCast<MIDlet>(made);
}

VMPtr<String> AMS::getAppProperty(const VMPtr<String>& key) {
    clinit();
    static const jchar kNone[1] = {0};
    const jchar* chars = key->count > 0 ? key->value->elements() + key->offset : kNone;
    jint length = HAL_getApplicationPropertyLength(chars, key->count);
    // An empty value counts as absent, as the property source reports it.
    if (length <= 0) return nullptr;
    VMPtr<VMArray<jchar>> buffer = VMArray<jchar>::create(length);
    int32_t status = HAL_getApplicationProperty(chars, key->count, buffer->elements(), &length);
    if (status == HAL_NOT_FOUND) return nullptr;
    if (status != HAL_OK) vmFatalError("HAL_getApplicationProperty() failed!");
    return String::make(buffer, 0, length);
}

VMPtr<MIDlet> AMS::currentMIDlet() {
    return wrenStatics_().midlet;
}

void AMS::onStartEvent(jint kind, jint, const intptr_t*) {
    VMPtr<MIDlet> midlet = wrenStatics_().midlet;
    if (!midlet || kind != 2) return;
    if (midlet->setState(MIDlet::STARTING)) {
        midlet->startApp();
        midlet->setState(MIDlet::ACTIVE);
    }
}

void AMS::onPauseOrDestroyEvent(jint kind, jint, const intptr_t*) {
    VMPtr<MIDlet> midlet = wrenStatics_().midlet;
    if (!midlet) return;
    if (kind == VM_EVENT_PAUSE) {
        if (midlet->setState(MIDlet::PAUSING)) {
            midlet->pauseApp();
            midlet->setState(MIDlet::PAUSED);
        }
    } else if (kind == VM_EVENT_DESTROY) {
        if (midlet->setState(MIDlet::DESTROYING)) {
            vmTryCatch(
                [&] { midlet->destroyApp(true); },
                [](const VMPtr<javax::microedition::midlet::MIDletStateChangeException>&) {});
            midlet->setState(MIDlet::DESTROYED);
        }
    }
}

}  // namespace com::nimbault::marl
