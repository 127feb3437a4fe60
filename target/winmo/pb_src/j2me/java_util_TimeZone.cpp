#include "java_util_TimeZone.h"

#include "com_nimbault_marl_cldc_util_TimeZonePimpl.h"
#include "java_lang_NullPointerException.h"

WREN_DEFINE_ABSTRACT_CLASS(java::util::TimeZone, "java.util.TimeZone")

namespace java::util {

using com::nimbault::marl::cldc::util::TimeZonePimpl;

VMPtr<java::lang::String> TimeZone::getID() { return nullptr; }

VMPtr<TimeZone> TimeZone::getDefault() {
    clinit();
    VMSynchronized guard(vmObj(classRecord()));
    return TimeZonePimpl::lookup(nullptr);
}

VMPtr<TimeZone> TimeZone::getTimeZone(const VMPtr<java::lang::String>& ID) {
    clinit();
    VMSynchronized guard(vmObj(classRecord()));
    if (!ID) java::lang::NullPointerException::throwNew();
    VMPtr<TimeZone> z = TimeZonePimpl::lookup(ID);
    if (!z) z = TimeZonePimpl::parseCustom(ID);
    if (!z) z = TimeZonePimpl::lookup(WREN_LIT("GMT"));
    return z;
}

}  // namespace java::util
