// java.util.TimeZone: a zone's offset from UTC. Only fixed-offset zones
// without daylight saving exist: the device's local zone, "UTC", "GMT" and
// custom zones such as "GMT+05:30".
#pragma once

#include "VMClass.h"
#include "java_lang_String.h"

namespace java::util {

class TimeZone : public virtual java::lang::Object {
    WREN_CLASS(TimeZone, java::lang::Object)
public:
    void ctor() { java::lang::Object::ctor(); }

    // The offset in milliseconds east of UTC in force at the given local
    // date and time.
    virtual jint getOffset(jint era, jint year, jint month, jint day, jint dayOfWeek,
                           jint millis) = 0;
    virtual jint getRawOffset() = 0;
    virtual jboolean useDaylightTime() = 0;
    // Null here; every concrete zone has one.
    virtual VMPtr<java::lang::String> getID();

    // The local zone. Both statics hold the TimeZone class's monitor.
    static VMPtr<TimeZone> getDefault();
    // The table's zone of that ID, else a new zone for a custom ID
    // ("GMT+hh:mm", "UTC-h", ...), else the "GMT" zone. A null ID throws
    // NullPointerException.
    static VMPtr<TimeZone> getTimeZone(const VMPtr<java::lang::String>& ID);
};

}  // namespace java::util
