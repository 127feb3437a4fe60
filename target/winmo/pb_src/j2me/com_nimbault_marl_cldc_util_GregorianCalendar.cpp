#include "com_nimbault_marl_cldc_util_GregorianCalendar.h"

#include <limits>

WREN_DEFINE_CLASS(com::nimbault::marl::cldc::util::GregorianCalendar,
                  "com.nimbault.marl.cldc.util.GregorianCalendar")

namespace com::nimbault::marl::cldc::util {

namespace {

// Days before the first of each month (zero-based), common and leap years.
constexpr jint kMonthStart[2][12] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335},
};
constexpr jlong kEpochJulianDay = 2440588;  // 1970-01-01
// The one Julian day whose millisecond value wraps around the 64-bit range.
constexpr jlong kWrappingJulianDay = -106749550580LL;

jlong floorDiv(jlong n, jlong d) { return n >= 0 ? n / d : (n + 1) / d - 1; }
jlong floorMod(jlong n, jlong d) { return n - floorDiv(n, d) * d; }

// a + b, held at the 64-bit limits instead of wrapping.
jlong addClamped(jlong a, jlong b) {
    jlong sum = a + b;
    if (a > 0 && b > 0 && sum < 0) return std::numeric_limits<jlong>::max();
    if (a < 0 && b < 0 && sum >= 0) return std::numeric_limits<jlong>::min();
    return sum;
}

bool isGregorianLeap(jlong year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// 1 (Sunday) .. 7 (Saturday) from a remainder taking the dividend's sign.
jint dayOfWeekFrom(jlong w) { return jint(w < 0 ? w + 8 : w + 1); }

}  // namespace

void GregorianCalendar::computeDateFields(jlong local) {
    jlong d = floorDiv(local, ONE_DAY);  // days since 1970-01-01
    jlong rawYear;
    jlong dayOfYear;  // zero-based
    bool leap;
    if (local >= GREGORIAN_CUTOVER) {
        jlong e = d + 719162;  // days since Monday 0001-01-01
        jlong q400 = floorDiv(e, 146097);
        jlong r = e - q400 * 146097;
        jlong q100 = r / 36524;
        r -= q100 * 36524;
        jlong q4 = r / 1461;
        r -= q4 * 1461;
        jlong q1 = r / 365;
        r -= q1 * 365;
        rawYear = 400 * q400 + 100 * q100 + 4 * q4 + q1;
        if (q100 == 4 || q1 == 4) {
            dayOfYear = 365;  // 31 December of a cycle's last, leap, year
        } else {
            dayOfYear = r;
            rawYear += 1;
        }
        leap = isGregorianLeap(rawYear);
    } else {
        jlong j = d + 719164;
        rawYear = floorDiv(4 * (d + 719530), 1461);
        dayOfYear = j - (365 * (rawYear - 1) + floorDiv(rawYear - 1, 4));
        leap = rawYear % 4 == 0;
    }

    jlong correction = 0;
    if (dayOfYear >= (leap ? 60 : 59)) correction = leap ? 1 : 2;
    jint month = jint((12 * (dayOfYear + correction) + 6) / 367);

    VMArray<jint>& f = *fields;
    f[DAY_OF_WEEK] = dayOfWeekFrom((d + 719163) % 7);
    if (rawYear >= 1) {
        f[ERA] = 1;
        f[YEAR] = jint(rawYear);
    } else {
        f[ERA] = 0;
        f[YEAR] = jint(1 - rawYear);
    }
    f[MONTH] = month;
    f[DATE] = jint(dayOfYear - kMonthStart[leap][month] + 1);
}

void GregorianCalendar::computeFields() {
    jint rawOffset = zone->getRawOffset();
    jlong local = addClamped(time, rawOffset);
    computeDateFields(local);
    jlong millisInDay = floorMod(local, ONE_DAY);

    VMArray<jint>& f = *fields;
    jint dstOffset =
        zone->getOffset(f[ERA], f[YEAR], f[MONTH], f[DATE], f[DAY_OF_WEEK], jint(millisInDay)) -
        rawOffset;
    if (dstOffset != 0) {
        // Daylight time may move the wall clock into the next day or back
        // into the previous one: the date follows in both directions.
        jlong wall = addClamped(local, dstOffset);
        computeDateFields(wall);
        millisInDay = floorMod(wall, ONE_DAY);
    }

    jint ms = jint(millisInDay);
    f[MILLISECOND] = ms % 1000;
    f[SECOND] = ms / 1000 % 60;
    f[MINUTE] = ms / 60000 % 60;
    f[HOUR_OF_DAY] = ms / 3600000;
    f[AM_PM] = f[HOUR_OF_DAY] / 12;
    f[HOUR] = f[HOUR_OF_DAY] % 12;
}

// HOUR_OF_DAY, when set, wins over HOUR and AM_PM and takes the date's
// overflow out (25 is 1 o'clock of the same date). Otherwise HOUR and AM_PM
// make it, from whichever of them was set and the other's current value.
void GregorianCalendar::normaliseHours() {
    VMArray<jint>& f = *fields;
    VMArray<jboolean>& given = *isSet;
    if (given[HOUR_OF_DAY]) {
        f[HOUR_OF_DAY] = f[HOUR_OF_DAY] % 24;
        f[AM_PM] = f[HOUR_OF_DAY] < 12 ? AM : PM;
        f[HOUR] = f[HOUR_OF_DAY] % 12;
        // Consumed along with HOUR_OF_DAY: left set, they would replace the
        // hour at the next computation after some unrelated set().
        given[HOUR_OF_DAY] = false;
        given[HOUR] = false;
        given[AM_PM] = false;
        return;
    }
    bool amPmGiven = given[AM_PM];
    if (amPmGiven) {
        if (f[AM_PM] != AM && f[AM_PM] != PM) f[AM_PM] = f[HOUR_OF_DAY] > 11 ? PM : AM;
        given[AM_PM] = false;
    }
    if (given[HOUR] || amPmGiven) {
        jint h = f[HOUR];
        if (h < 13) {
            f[HOUR_OF_DAY] = f[AM_PM] == PM ? h + 12 : h;
        } else {
            f[HOUR_OF_DAY] = h % 12 + 12;
            f[HOUR] = h % 12;
            f[AM_PM] = PM;
        }
        given[HOUR] = false;
    }
}

jlong GregorianCalendar::julianDay(bool gregorian, jlong year) {
    jlong month = jlong(fields[MONTH]) - JANUARY;
    if (month < 0 || month > 11) {
        year += floorDiv(month, 12);
        month = floorMod(month, 12);
    }
    bool leap = gregorian ? isGregorianLeap(year) : year % 4 == 0;
    jlong jd = 365 * (year - 1) + floorDiv(year - 1, 4) + 1721423;
    if (gregorian) jd += floorDiv(year - 1, 400) - floorDiv(year - 1, 100) + 2;
    return jd + kMonthStart[leap][month] + fields[DATE];
}

void GregorianCalendar::computeTime() {
    normaliseHours();
    VMArray<jint>& f = *fields;
    jlong year = f[YEAR];
    if (f[ERA] == 0) year = 1 - year;
    bool gregorian = year >= 1582;
    jlong jd = julianDay(gregorian, year);
    jlong millis = (jd - kEpochJulianDay) * ONE_DAY;
    // Dates of 1582 before the cutover are Julian.
    if (gregorian != (millis >= GREGORIAN_CUTOVER) && jd != kWrappingJulianDay) {
        jd = julianDay(!gregorian, year);
        millis = (jd - kEpochJulianDay) * ONE_DAY;
    }
    millis += ((jlong(f[HOUR_OF_DAY]) * 60 + f[MINUTE]) * 60 + f[SECOND]) * 1000 + f[MILLISECOND];

    jlong rem = floorMod(millis, ONE_DAY);
    jint dow = dayOfWeekFrom((jd + 1) % 7);
    jint rawOffset = zone->getRawOffset();
    jint offset = zone->getOffset(f[ERA], f[YEAR], f[MONTH], f[DATE], dow, jint(rem));
    time = millis - (jlong(offset) - rawOffset) - rawOffset;
}

}  // namespace com::nimbault::marl::cldc::util
