// Calendar and GregorianCalendar: fields from an instant and an instant from
// fields, around month ends, leap years and the 1582 cutover, in both
// directions; the hour fields; when fields and time are recomputed. A fixed
// table always runs; when a JDK is installed, a few thousand random instants
// are checked against java.util.GregorianCalendar too.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "VMClass.h"
#include "VMClock.h"
#include "com_nimbault_marl_cldc_util_GregorianCalendar.h"
#include "java_lang_String.h"
#include "java_util_Calendar.h"
#include "java_util_Date.h"
#include "java_util_TimeZone.h"
#include "runtime/runtime_test_support.h"

using com::nimbault::marl::cldc::util::GregorianCalendar;
using java::util::Calendar;
using java::util::TimeZone;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;
using wrentest::thrownName;

namespace calendartest {

// A zone whose daylight time moves the wall clock by a chosen amount.
class ShiftedZone : public TimeZone {
    WREN_CLASS(ShiftedZone, TimeZone)
public:
    jint raw = 0;
    jint shift = 0;
    void ctor(jint r, jint s) {
        TimeZone::ctor();
        raw = r;
        shift = s;
    }
    jint getOffset(jint, jint, jint, jint, jint, jint) override { return raw + shift; }
    jint getRawOffset() override { return raw; }
    jboolean useDaylightTime() override { return shift != 0; }
};

}  // namespace calendartest

WREN_DEFINE_CLASS(calendartest::ShiftedZone, "calendartest.ShiftedZone")

namespace {

constexpr jlong kDay = 86400000;

VMPtr<GregorianCalendar> calendarIn(const char* zoneId) {
    VMPtr<GregorianCalendar> c = GregorianCalendar::make();
    c->setTimeZone(TimeZone::getTimeZone(java::lang::String::make(zoneId)));
    return c;
}

struct Fields {
    jint era, year, month, date, dayOfWeek, hourOfDay, minute, second, millisecond;
    bool operator==(const Fields&) const = default;
};

std::string show(const Fields& f) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "era %d %04d-%02d-%02d dow %d %02d:%02d:%02d.%03d", f.era, f.year,
                  f.month + 1, f.date, f.dayOfWeek, f.hourOfDay, f.minute, f.second, f.millisecond);
    return buf;
}

Fields fieldsOf(const VMPtr<GregorianCalendar>& c, jlong millis) {
    c->setTimeInMillis(millis);
    return Fields{c->get(Calendar::ERA),         c->get(Calendar::YEAR),
                  c->get(Calendar::MONTH),       c->get(Calendar::DATE),
                  c->get(Calendar::DAY_OF_WEEK), c->get(Calendar::HOUR_OF_DAY),
                  c->get(Calendar::MINUTE),      c->get(Calendar::SECOND),
                  c->get(Calendar::MILLISECOND)};
}

struct Given {
    jint era, year, month, date, hourOfDay, minute, second, millisecond;
};

jlong millisOf(const VMPtr<GregorianCalendar>& c, const Given& g) {
    c->set(Calendar::ERA, g.era);
    c->set(Calendar::YEAR, g.year);
    c->set(Calendar::MONTH, g.month);
    c->set(Calendar::DATE, g.date);
    c->set(Calendar::HOUR_OF_DAY, g.hourOfDay);
    c->set(Calendar::MINUTE, g.minute);
    c->set(Calendar::SECOND, g.second);
    c->set(Calendar::MILLISECOND, g.millisecond);
    return c->getTimeInMillis();
}

// Every expected value is OpenJDK 17's GregorianCalendar in zone "GMT".
TEST(CalendarFields, FromInstantsAroundMonthEndsLeapYearsAndTheCutover) {
    struct Case {
        jlong millis;
        Fields f;
    };
    const Case cases[] = {
        {0LL, {1, 1970, 0, 1, 5, 0, 0, 0, 0}},
        {-1LL, {1, 1969, 11, 31, 4, 23, 59, 59, 999}},
        {-12219292800000LL, {1, 1582, 9, 15, 6, 0, 0, 0, 0}},  // the cutover
        {-12219292800001LL, {1, 1582, 9, 4, 5, 23, 59, 59, 999}},
        {-12219379200000LL, {1, 1582, 9, 4, 5, 0, 0, 0, 0}},
        {-12220156800000LL, {1, 1582, 8, 25, 3, 0, 0, 0, 0}},
        {-12239827200000LL, {1, 1582, 1, 9, 6, 8, 0, 0, 0}},
        {951782400000LL, {1, 2000, 1, 29, 3, 0, 0, 0, 0}},
        {951868799999LL, {1, 2000, 1, 29, 3, 23, 59, 59, 999}},
        {-2203891200000LL, {1, 1900, 2, 1, 5, 0, 0, 0, 0}},  // no 29 February 1900
        {-2203977600001LL, {1, 1900, 1, 27, 3, 23, 59, 59, 999}},
        {-11670912000000LL, {1, 1600, 2, 1, 4, 0, 0, 0, 0}},
        {-11670912000001LL, {1, 1600, 1, 29, 3, 23, 59, 59, 999}},
        {-14825894400000LL, {1, 1500, 1, 29, 7, 0, 0, 0, 0}},  // Julian leap day
        {-14830905600000LL, {1, 1500, 0, 2, 5, 0, 0, 0, 0}},
        {1709164800000LL, {1, 2024, 1, 29, 5, 0, 0, 0, 0}},
        {4107542399999LL, {1, 2100, 1, 28, 1, 23, 59, 59, 999}},
        {4107542400000LL, {1, 2100, 2, 1, 2, 0, 0, 0, 0}},
        {1230768000000LL, {1, 2009, 0, 1, 5, 0, 0, 0, 0}},
        {1233446399999LL, {1, 2009, 0, 31, 7, 23, 59, 59, 999}},
        {7258118400000LL, {1, 2200, 0, 1, 4, 0, 0, 0, 0}},
        {253402300799999LL, {1, 9999, 11, 31, 6, 23, 59, 59, 999}},
        {-62135769600000LL, {1, 1, 0, 1, 7, 0, 0, 0, 0}},  // 1 January AD 1
        {-62135769600001LL, {0, 1, 11, 31, 6, 23, 59, 59, 999}},  // 31 December 1 BC
        {-62167392000000LL, {0, 1, 0, 1, 5, 0, 0, 0, 0}},
        {-210866803200000LL, {0, 4713, 0, 1, 2, 0, 0, 0, 0}},
    };
    VMPtr<GregorianCalendar> c = calendarIn("GMT");
    for (const Case& k : cases) {
        SCOPED_TRACE(k.millis);
        Fields got = fieldsOf(c, k.millis);
        EXPECT_EQ(show(got), show(k.f));
        EXPECT_EQ(c->get(Calendar::AM_PM), k.f.hourOfDay / 12);
        EXPECT_EQ(c->get(Calendar::HOUR), k.f.hourOfDay % 12);
    }
}

TEST(CalendarFields, ToInstantsIncludingCarriesAndTheCutover) {
    struct Case {
        Given g;
        jlong millis;
    };
    const Case cases[] = {
        {{1, 2009, 12, 15, 0, 0, 0, 0}, 1263513600000LL},  // month 12: 2010-01-15
        {{1, 1900, 1, 29, 0, 0, 0, 0}, -2203891200000LL},  // 1900-03-01
        {{1, 2000, 1, 29, 0, 0, 0, 0}, 951782400000LL},
        {{1, 1500, 1, 29, 0, 0, 0, 0}, -14825894400000LL},  // exists (Julian)
        {{1, 2001, 2, 0, 0, 0, 0, 0}, 983318400000LL},  // date 0: 2001-02-28
        {{1, 2024, -1, 31, 0, 0, 0, 0}, 1703980800000LL},  // month -1: 2023-12-31
        {{1, 2020, 1, 60, 0, 0, 0, 0}, 1585612800000LL},  // 2020-03-31
        {{1, 1582, 9, 4, 23, 59, 59, 999}, -12219292800001LL},
        {{1, 1582, 9, 15, 0, 0, 0, 0}, -12219292800000LL},
        {{1, 1582, 9, 10, 0, 0, 0, 0}, -12218860800000LL},  // in the gap: read as Julian
        {{1, 1582, 11, 31, 0, 0, 0, 0}, -12212640000000LL},
        {{1, 1583, -1, 1, 0, 0, 0, 0}, -12215232000000LL},
        {{1, 1581, 12, 1, 0, 0, 0, 0}, -12243225600000LL},  // 1582-01-01, Julian
        // A Julian year carried past the cutover is read again as Gregorian:
        // 1581 + 22 months is 1 November 1582 (the JDK keeps the Julian
        // reading, 11 November).
        {{1, 1581, 22, 1, 0, 0, 0, 0}, -12217824000000LL},
        {{1, 1, 0, 1, 0, 0, 0, 0}, -62135769600000LL},
        {{0, 1, 11, 31, 23, 59, 59, 999}, -62135769600001LL},  // 1 BC
        {{0, 5, 1, 29, 12, 0, 0, 0}, -62288481600000LL},  // 5 BC was a leap year
        {{1, 2023, 0, 1, 0, 0, 3000000, 0}, 1675531200000LL},  // seconds carry in 64 bits
        {{1, 1970, 0, 1, 0, 0, 0, -1}, -1LL},
    };
    VMPtr<GregorianCalendar> c = calendarIn("GMT");
    for (const Case& k : cases) {
        SCOPED_TRACE(std::to_string(k.g.era) + " " + std::to_string(k.g.year) + "-" +
                     std::to_string(k.g.month + 1) + "-" + std::to_string(k.g.date));
        EXPECT_EQ(millisOf(c, k.g), k.millis);
    }
}

TEST(CalendarFields, ZoneOffsetMovesTheWallClock) {
    VMPtr<GregorianCalendar> c = calendarIn("GMT+05:30");
    EXPECT_EQ(show(fieldsOf(c, 0)), show(Fields{1, 1970, 0, 1, 5, 5, 30, 0, 0}));
    EXPECT_EQ(show(fieldsOf(c, -19800001)), show(Fields{1, 1969, 11, 31, 4, 23, 59, 59, 999}));
    EXPECT_EQ(millisOf(c, Given{1, 1970, 0, 1, 5, 30, 0, 0}), 0);
    VMPtr<GregorianCalendar> west = calendarIn("UTC-08:00");
    EXPECT_EQ(show(fieldsOf(west, 0)), show(Fields{1, 1969, 11, 31, 4, 16, 0, 0, 0}));

    // The instant stays when the zone changes; the fields follow.
    c->setTimeInMillis(3600000);
    c->setTimeZone(TimeZone::getTimeZone(WREN_LIT("GMT")));
    EXPECT_EQ(c->getTimeInMillis(), 3600000);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 1);
    EXPECT_EQ(c->get(Calendar::MINUTE), 0);
    EXPECT_EQ(thrownName([&] { c->setTimeZone(nullptr); }), "java.lang.NullPointerException");
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 1);

    // Instants at the ends of the range clamp instead of wrapping.
    VMPtr<GregorianCalendar> east = calendarIn("GMT+14");
    east->setTimeInMillis(INT64_MAX);
    EXPECT_EQ(east->get(Calendar::ERA), 1);
    VMPtr<GregorianCalendar> far = calendarIn("GMT-12");
    far->setTimeInMillis(INT64_MIN);
    EXPECT_EQ(far->get(Calendar::ERA), 0);
}

TEST(CalendarFields, DaylightTimeMovesTheDateBothWays) {
    VMPtr<GregorianCalendar> c = GregorianCalendar::make();
    // An hour ahead: 23:30 UTC is 00:30 of the next day.
    c->setTimeZone(calendartest::ShiftedZone::make(0, 3600000));
    EXPECT_EQ(show(fieldsOf(c, kDay - 1800000)), show(Fields{1, 1970, 0, 2, 6, 0, 30, 0, 0}));
    // An hour back: 00:30 UTC is 23:30 of the previous day.
    c->setTimeZone(calendartest::ShiftedZone::make(0, -3600000));
    EXPECT_EQ(show(fieldsOf(c, 1800000)), show(Fields{1, 1969, 11, 31, 4, 23, 30, 0, 0}));
    // And the conversion back takes the whole offset out.
    EXPECT_EQ(millisOf(c, Given{1, 1969, 11, 31, 23, 30, 0, 0}), 1800000);
}

TEST(CalendarHours, HourFieldsCombine) {
    VMPtr<GregorianCalendar> c = calendarIn("GMT");
    c->setTimeInMillis(1230768000000LL + 15 * kDay);  // 2009-01-16 00:00
    c->set(Calendar::AM_PM, Calendar::PM);
    c->set(Calendar::HOUR, 3);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 15);
    EXPECT_EQ(c->get(Calendar::DATE), 16);

    // HOUR_OF_DAY keeps to its date: 25 is 1 o'clock the same day.
    c->set(Calendar::HOUR_OF_DAY, 25);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 1);
    EXPECT_EQ(c->get(Calendar::AM_PM), Calendar::AM);
    EXPECT_EQ(c->get(Calendar::DATE), 16);
    // A negative one reaches into the day before.
    c->set(Calendar::HOUR_OF_DAY, -1);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 23);
    EXPECT_EQ(c->get(Calendar::DATE), 15);

    // HOUR above 12 is taken as afternoon.
    c->set(Calendar::HOUR, 14);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 14);
    EXPECT_EQ(c->get(Calendar::AM_PM), Calendar::PM);
    // An AM_PM that is neither follows the hour of day.
    c->set(Calendar::AM_PM, 7);
    c->set(Calendar::HOUR, 2);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 14);

    // AM_PM alone moves the hour across noon, keeping the hour of the half.
    c->set(Calendar::AM_PM, Calendar::AM);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 2);
    c->set(Calendar::AM_PM, Calendar::PM);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 14);
}

TEST(CalendarHours, ConsumedHourFieldsDoNotComeBack) {
    VMPtr<GregorianCalendar> c = calendarIn("GMT");
    c->setTimeInMillis(0);
    // HOUR and AM_PM set, then HOUR_OF_DAY: the hour of day wins ...
    c->set(Calendar::HOUR, 3);
    c->set(Calendar::AM_PM, Calendar::PM);
    c->set(Calendar::HOUR_OF_DAY, 20);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 20);
    // ... and an unrelated change later leaves the hour alone.
    c->set(Calendar::MINUTE, 5);
    EXPECT_EQ(c->get(Calendar::HOUR_OF_DAY), 20);
    EXPECT_EQ(c->get(Calendar::MINUTE), 5);
    EXPECT_EQ(c->getTimeInMillis(), (20 * 60 + 5) * 60000LL);
}

TEST(CalendarState, WhenFieldsAndTimeAreRecomputed) {
    VMPtr<GregorianCalendar> c = calendarIn("GMT");
    c->setTimeInMillis(1230768000000LL + 14 * kDay);  // 2009-01-15
    c->set(Calendar::MONTH, 12);
    EXPECT_FALSE(c->isTimeSet);
    EXPECT_EQ(c->getTimeInMillis(), 1263513600000LL);  // 2010-01-15
    // Only the four hour-related fields recompute: YEAR and MONTH stay as
    // set until something does.
    EXPECT_EQ(c->get(Calendar::YEAR), 2009);
    EXPECT_EQ(c->get(Calendar::MONTH), 12);
    EXPECT_EQ(c->get(Calendar::DAY_OF_WEEK), Calendar::FRIDAY);
    EXPECT_EQ(c->get(Calendar::YEAR), 2010);
    EXPECT_EQ(c->get(Calendar::MONTH), 0);

    // A BC date keeps its era through a change of another field.
    c->setTimeInMillis(-62288481600000LL);  // 5 BC, 29 February, noon
    c->set(Calendar::MINUTE, 30);
    EXPECT_EQ(c->getTimeInMillis(), -62288481600000LL + 30 * 60000);
    c->get(Calendar::HOUR);
    EXPECT_EQ(c->get(Calendar::ERA), 0);
    EXPECT_EQ(c->get(Calendar::YEAR), 5);

    for (jint bad : {-1, 15}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(thrownName([&] { c->get(bad); }), "java.lang.ArrayIndexOutOfBoundsException");
        EXPECT_EQ(thrownName([&] { c->set(bad, 1); }), "java.lang.ArrayIndexOutOfBoundsException");
    }
}

TEST(CalendarState, GetTimeEqualsAndRecords) {
    VMPtr<GregorianCalendar> c = calendarIn("GMT");
    c->setTimeInMillis(1000);
    VMPtr<java::util::Date> d = c->getTime();
    EXPECT_EQ(d->getTime(), 1000);
    c->setTimeInMillis(2000);
    VMPtr<java::util::Date> again = c->getTime();
    EXPECT_EQ(again, d);  // the same Date, updated in place
    EXPECT_EQ(d->getTime(), 2000);
    EXPECT_EQ(d->monitorCount_, 0);

    VMPtr<GregorianCalendar> same = calendarIn("GMT");
    same->setTimeInMillis(2000);
    EXPECT_TRUE(c->equals(same));
    EXPECT_TRUE(c->equals(c));
    EXPECT_FALSE(c->equals(nullptr));
    EXPECT_FALSE(c->equals(d));
    same->setTimeInMillis(2001);
    EXPECT_FALSE(c->equals(same));
    // Zones are equal only when they are the same object.
    VMPtr<GregorianCalendar> custom = calendarIn("GMT+00:00");
    custom->setTimeInMillis(2000);
    EXPECT_FALSE(c->equals(custom));

    EXPECT_TRUE(vmFindClass("java.util.Calendar")->isAbstract);
    EXPECT_EQ(vmFindClass("java.util.Calendar")->factory, nullptr);
    java::lang::Class* gregorian = vmFindClass("com.nimbault.marl.cldc.util.GregorianCalendar");
    ASSERT_NE(gregorian, nullptr);
    VMPtr<Calendar> made = vmCast<Calendar>(gregorian->newInstance());
    ASSERT_TRUE(made);
    EXPECT_EQ(made->zone, TimeZone::getDefault());
    EXPECT_TRUE(vmIsInstanceOf(Calendar::getInstance(), gregorian));
}

// --- against the JDK --------------------------------------------------------

const char* const kTwinSource = R"java(
import java.io.*;
import java.util.*;

public class CalendarTwin {
    public static void main(String[] args) throws IOException {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in));
        PrintWriter out = new PrintWriter(new BufferedWriter(new OutputStreamWriter(System.out)));
        GregorianCalendar c = new GregorianCalendar(TimeZone.getTimeZone("GMT"));
        for (String line; (line = in.readLine()) != null;) {
            String[] p = line.trim().split(" ");
            if (p[0].equals("T")) {
                c.setTimeInMillis(Long.parseLong(p[1]));
                out.println(c.get(Calendar.ERA) + " " + c.get(Calendar.YEAR) + " "
                        + c.get(Calendar.MONTH) + " " + c.get(Calendar.DATE) + " "
                        + c.get(Calendar.DAY_OF_WEEK) + " " + c.get(Calendar.HOUR_OF_DAY) + " "
                        + c.get(Calendar.MINUTE) + " " + c.get(Calendar.SECOND) + " "
                        + c.get(Calendar.MILLISECOND));
            } else {
                int[] f = new int[8];
                for (int i = 0; i < 8; i++) f[i] = Integer.parseInt(p[i + 1]);
                c.clear();
                c.set(Calendar.ERA, f[0]);
                c.set(Calendar.YEAR, f[1]);
                c.set(Calendar.MONTH, f[2]);
                c.set(Calendar.DATE, f[3]);
                c.set(Calendar.HOUR_OF_DAY, f[4]);
                c.set(Calendar.MINUTE, f[5]);
                c.set(Calendar.SECOND, f[6]);
                c.set(Calendar.MILLISECOND, f[7]);
                out.println(c.getTimeInMillis());
            }
        }
        out.flush();
    }
}
)java";

bool onPath(const char* tool) {
    std::string probe = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(probe.c_str()) == 0;
}

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/wren_calendar_XXXXXX";
        if (mkdtemp(name)) path_ = name;
    }
    ~TempDir() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(CalendarAgainstJdk, RandomInstantsBothDirections) {
    if (!onPath("java") || !onPath("javac")) GTEST_SKIP() << "no JDK on PATH";
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    {
        std::ofstream src(dir.path() + "/CalendarTwin.java");
        src << kTwinSource;
    }

    // Instants: anywhere in about +-4400 years; near the cutover; on and
    // beside midnights; around the end of February of century and leap years.
    std::mt19937_64 rng(20240229);
    auto uniform = [&](jlong lo, jlong hi) {
        return std::uniform_int_distribution<jlong>(lo, hi)(rng);
    };
    constexpr jlong kYear = 31556952000LL;
    constexpr jlong kCutover = GregorianCalendar::GREGORIAN_CUTOVER;
    std::vector<jlong> instants;
    for (int i = 0; i < 1200; ++i) instants.push_back(uniform(-140 * kYear * 10, 140 * kYear * 10));
    for (int i = 0; i < 800; ++i) instants.push_back(kCutover + uniform(-3 * kYear, 3 * kYear));
    for (int i = 0; i < 800; ++i) {
        jlong day = uniform(-1600000, 1600000);
        const jlong within[] = {0, -1, kDay / 2};
        instants.push_back(day * kDay + within[i % 3]);
    }
    const jint years[] = {-100, 4, 100, 400, 1500, 1582, 1583, 1600, 1700, 1900, 2000, 2100, 2400};
    for (int i = 0; i < 1000; ++i) {
        jint y = years[size_t(i) % (sizeof years / sizeof years[0])];
        instants.push_back(vmLocalTimeMillisOf(y, 3, 1, 0, 0, 0) + uniform(-60 * kDay, 60 * kDay));
    }

    // Fields: each instant's own (the round trip), and the same with the
    // month, the date or the time of day pushed out of range.
    std::vector<Given> givens;
    std::ostringstream input;
    for (jlong t : instants) input << "T " << t << "\n";
    VMPtr<GregorianCalendar> ours = calendarIn("GMT");
    for (size_t i = 0; i < instants.size(); ++i) {
        Fields f = fieldsOf(ours, instants[i]);
        Given g{f.era, f.year, f.month, f.date, f.hourOfDay, f.minute, f.second, f.millisecond};
        switch (i % 4) {
            case 1: g.month += jint(uniform(-30, 30)); break;
            case 2: g.date += jint(uniform(-70, 70)); break;
            case 3:
                g.minute += jint(uniform(-3000, 3000));
                g.second += jint(uniform(-100000, 100000));
                break;
            default: break;
        }
        givens.push_back(g);
        input << "F " << g.era << " " << g.year << " " << g.month << " " << g.date << " "
              << g.hourOfDay << " " << g.minute << " " << g.second << " " << g.millisecond << "\n";
    }
    {
        std::ofstream in(dir.path() + "/input.txt");
        in << input.str();
    }
    std::string run = "cd '" + dir.path() +
                      "' && javac CalendarTwin.java && java -Xshare:auto -XX:TieredStopAtLevel=1 "
                      "-cp . CalendarTwin < input.txt > output.txt";
    ASSERT_EQ(std::system(run.c_str()), 0) << run;
    std::ifstream out(dir.path() + "/output.txt");

    int mismatches = 0;
    int compared = 0;
    for (jlong t : instants) {
        Fields jdk{};
        ASSERT_TRUE(out >> jdk.era >> jdk.year >> jdk.month >> jdk.date >> jdk.dayOfWeek >>
                    jdk.hourOfDay >> jdk.minute >> jdk.second >> jdk.millisecond);
        Fields got = fieldsOf(ours, t);
        if (got != jdk && ++mismatches <= 10)
            ADD_FAILURE() << "instant " << t << ": ours " << show(got) << ", JDK " << show(jdk);
    }
    for (size_t i = 0; i < givens.size(); ++i) {
        jlong jdk = 0;
        ASSERT_TRUE(out >> jdk);
        const Given& g = givens[i];
        jlong got = millisOf(ours, g);
        // Where the fields of a year before 1582 carry past the cutover, the
        // JDK keeps the Julian reading and this calendar reads the date
        // again as Gregorian (the fixed table has a case).
        jlong year = g.era == 0 ? 1 - jlong(g.year) : jlong(g.year);
        if (year < 1582 && jdk >= kCutover) continue;
        ++compared;
        if (got != jdk && ++mismatches <= 20)
            ADD_FAILURE() << "fields " << g.era << " " << g.year << "-" << g.month << "-" << g.date
                          << " " << g.hourOfDay << ":" << g.minute << ":" << g.second << "."
                          << g.millisecond << ": ours " << got << ", JDK " << jdk;
        // The unchanged fields give back the instant they came from.
        if (i % 4 == 0) {
            EXPECT_EQ(got, instants[i]);
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(compared, int(givens.size()) * 9 / 10);
}

}  // namespace
