// com.nimbault.marl.cldc.util.TimeZoneUTC: a zone at a fixed offset from UTC,
// without daylight saving.
#pragma once

#include "java_util_TimeZone.h"

namespace com::nimbault::marl::cldc::util {

class TimeZoneUTC : public java::util::TimeZone {
    WREN_CLASS(TimeZoneUTC, java::util::TimeZone, (ID, java::lang::String))
public:
    // Milliseconds east of UTC.
    jint rawOffset = 0;

    void ctor(const VMPtr<java::lang::String>& id, jint offset);

    // rawOffset, whatever the date.
    jint getOffset(jint era, jint year, jint month, jint day, jint dayOfWeek,
                   jint millis) override;
    jint getRawOffset() override;
    jboolean useDaylightTime() override;
    VMPtr<java::lang::String> getID() override;
};

}  // namespace com::nimbault::marl::cldc::util
