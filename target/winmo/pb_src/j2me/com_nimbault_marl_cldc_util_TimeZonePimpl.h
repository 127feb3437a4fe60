// com.nimbault.marl.cldc.util.TimeZonePimpl: the zone table behind TimeZone.
// zones[0] is the device's local zone, named after its offset ("UTC+01:00")
// and rebuilt when the runtime is told the time zone changed (event kind 4);
// zones[1] is "UTC" and zones[2] "GMT".
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_util_TimeZone.h"

namespace com::nimbault::marl::cldc::util {

class TimeZonePimpl : public virtual java::lang::Object {
    WREN_CLASS(TimeZonePimpl, java::lang::Object)
public:
    struct Statics {
        VMStaticPtr<java::lang::String> defaultID;
        VMStaticPtr<VMArray<java::util::TimeZone*>> zones;
    };
    WREN_STATICS(Statics)
    WREN_STATIC_INIT()

    // The table's first zone whose ID equals `ID` (case-sensitive); a null ID
    // stands for the local zone's. Null when none matches.
    static VMPtr<java::util::TimeZone> lookup(const VMPtr<java::lang::String>& ID);
    // A new zone for "GMT" or "UTC" followed by a sign and hours (one or two
    // digits, at most 23), optionally minutes (two digits, at most 59, after
    // a colon or directly after two hour digits). Its ID is the canonical
    // form of the offset under the same prefix. Null for anything else.
    static VMPtr<java::util::TimeZone> parseCustom(const VMPtr<java::lang::String>& ID);
    // "UTC+01:00", "GMT-04:30": the prefix, the sign, then hours and minutes
    // as two digits each.
    static VMPtr<java::lang::String> canonicalID(const char* prefix, jint offset);

private:
    // Names and makes the local zone from the device's current offset.
    static void buildLocalZone(Statics& s);
    static void onTimeZoneChanged(jint kind, jint argc, const intptr_t* args);
};

}  // namespace com::nimbault::marl::cldc::util
