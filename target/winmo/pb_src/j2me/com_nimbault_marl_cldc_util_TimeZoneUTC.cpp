#include "com_nimbault_marl_cldc_util_TimeZoneUTC.h"

WREN_DEFINE_CLASS(com::nimbault::marl::cldc::util::TimeZoneUTC,
                  "com.nimbault.marl.cldc.util.TimeZoneUTC")

namespace com::nimbault::marl::cldc::util {

void TimeZoneUTC::ctor(const VMPtr<java::lang::String>& id, jint offset) {
    java::util::TimeZone::ctor();
    ID = id;
    rawOffset = offset;
}

jint TimeZoneUTC::getOffset(jint, jint, jint, jint, jint, jint) { return rawOffset; }

jint TimeZoneUTC::getRawOffset() { return rawOffset; }

jboolean TimeZoneUTC::useDaylightTime() { return false; }

VMPtr<java::lang::String> TimeZoneUTC::getID() { return ID; }

}  // namespace com::nimbault::marl::cldc::util
