// com.nimbault.marl.cldc.util.GregorianCalendar: the conversion between an
// instant and the calendar fields, on the Julian calendar before the
// Gregorian cutover of 1582-10-15 and the Gregorian calendar from it, in
// 64-bit integer arithmetic.
#pragma once

#include "java_util_Calendar.h"

namespace com::nimbault::marl::cldc::util {

class GregorianCalendar : public java::util::Calendar {
    WREN_CLASS(GregorianCalendar, java::util::Calendar)
public:
    static constexpr jlong ONE_DAY = 86400000;
    // 1582-10-15T00:00:00 UTC, the first instant on the Gregorian calendar.
    static constexpr jlong GREGORIAN_CUTOVER = -12219292800000LL;

    void ctor() { java::util::Calendar::ctor(); }

    void computeFields() override;
    // Reads YEAR together with ERA: a BC year counts backwards from year 1.
    void computeTime() override;

private:
    // ERA, YEAR, MONTH, DATE and DAY_OF_WEEK of the local instant `local`.
    void computeDateFields(jlong local);
    // HOUR_OF_DAY from whichever hour fields were set.
    void normaliseHours();
    // The Julian day number of fields[MONTH] and fields[DATE] in `year`
    // (astronomical: 0 is 1 BC) on one calendar or the other.
    jlong julianDay(bool gregorian, jlong year);
};

}  // namespace com::nimbault::marl::cldc::util
