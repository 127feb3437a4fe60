// java.util.Calendar: one instant and its broken-down fields in a time zone.
#pragma once

#include "VMArray.h"
#include "VMClass.h"
#include "java_util_TimeZone.h"

namespace java::util {

class Date;

class Calendar : public virtual java::lang::Object {
    WREN_CLASS(Calendar, java::lang::Object, (fields, VMArray<jint>), (isSet, VMArray<jboolean>),
               (zone, TimeZone), (cachedDate, Date))
public:
    // Field numbers. ERA (1 AD, 0 BC) is the calendar's own, written by the
    // conversion; indexes 3, 4, 6 and 8 are never written.
    enum : jint {
        ERA = 0,
        YEAR = 1,
        MONTH = 2,
        DATE = 5,
        DAY_OF_MONTH = 5,
        DAY_OF_WEEK = 7,
        AM_PM = 9,
        HOUR = 10,
        HOUR_OF_DAY = 11,
        MINUTE = 12,
        SECOND = 13,
        MILLISECOND = 14,
        FIELD_COUNT = 15,
    };
    enum : jint {
        JANUARY, FEBRUARY, MARCH, APRIL, MAY, JUNE, JULY, AUGUST, SEPTEMBER, OCTOBER, NOVEMBER,
        DECEMBER,
    };
    enum : jint { SUNDAY = 1, MONDAY, TUESDAY, WEDNESDAY, THURSDAY, FRIDAY, SATURDAY };
    enum : jint { AM = 0, PM = 1 };

    // Milliseconds since 1970-01-01T00:00:00 UTC.
    jlong time = 0;
    // time is valid for the current fields.
    jboolean isTimeSet = false;

    // The default zone and the current instant.
    void ctor();
    // A new GregorianCalendar.
    static VMPtr<Calendar> getInstance();

    virtual jlong getTimeInMillis();
    // Always recomputes the fields.
    virtual void setTimeInMillis(jlong millis);
    // time to fields, and fields to time.
    virtual void computeFields() = 0;
    virtual void computeTime() = 0;

    // DAY_OF_WEEK, AM_PM, HOUR and HOUR_OF_DAY reflect the current instant
    // (the fields are recomputed first); every other field is returned as
    // stored. A field number outside 0..14 throws
    // ArrayIndexOutOfBoundsException, for set too.
    jint get(jint field);
    // No range check: out-of-range values carry over when time is next
    // computed (month 12 is January of the next year).
    void set(jint field, jint value);
    // Keeps the instant and re-expresses the fields in the new zone. A null
    // zone throws NullPointerException and changes nothing.
    void setTimeZone(const VMPtr<TimeZone>& value);
    // The same Date object on every call, set to the current instant.
    VMPtr<Date> getTime();
    // The same instant and an equal zone.
    jboolean equals(const VMPtr<java::lang::Object>& obj) override;
};

}  // namespace java::util
