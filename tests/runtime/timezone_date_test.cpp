// TimeZone and Date: the zone table and custom zone IDs, the local zone and
// its rebuild on a time-zone event, and Date's text, equality and hash.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "VM.h"
#include "VMClock.h"
#include "com_nimbault_marl_cldc_util_GregorianCalendar.h"
#include "com_nimbault_marl_cldc_util_TimeZonePimpl.h"
#include "com_nimbault_marl_cldc_util_TimeZoneUTC.h"
#include "java_lang_String.h"
#include "java_lang_System.h"
#include "java_util_Calendar.h"
#include "java_util_Date.h"
#include "java_util_TimeZone.h"
#include "runtime/runtime_test_support.h"

using com::nimbault::marl::cldc::util::TimeZonePimpl;
using java::lang::String;
using java::util::Calendar;
using java::util::Date;
using java::util::TimeZone;
using wrentest::text;
using wrentest::thrownName;

namespace timezonetest {

// A zone with no ID of its own (TimeZone's getID gives null).
class NamelessZone : public TimeZone {
    WREN_CLASS(NamelessZone, TimeZone)
public:
    void ctor() { TimeZone::ctor(); }
    jint getOffset(jint, jint, jint, jint, jint, jint) override { return 0; }
    jint getRawOffset() override { return 0; }
    jboolean useDaylightTime() override { return false; }
};

}  // namespace timezonetest

WREN_DEFINE_CLASS(timezonetest::NamelessZone, "timezonetest.NamelessZone")

namespace {

VMPtr<TimeZone> zone(const char* id) { return TimeZone::getTimeZone(String::make(id)); }

// Puts the device in a fixed zone (a POSIX TZ value) and tells the runtime,
// as the host would with event kind 4; the old zone comes back at the end.
class LocalZone {
public:
    explicit LocalZone(const char* tz) {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        set(tz);
    }
    ~LocalZone() {
        if (hadOld_) set(old_.c_str());
        else set(nullptr);
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    static void set(const char* tz) {
        if (tz) setenv("TZ", tz, 1);
        else unsetenv("TZ");
        tzset();
        TimeZone::getDefault();  // the table exists before the event comes
        HAL_postEvent(VM_EVENT_TIME_ZONE_CHANGED, 0, nullptr);
    }
    bool hadOld_ = false;
    std::string old_;
};

TEST(TimeZoneIds, TableZonesAndCustomIds) {
    VMPtr<TimeZone> utc = zone("UTC");
    VMPtr<TimeZone> gmt = zone("GMT");
    EXPECT_EQ(text(utc->getID()), "UTC");
    EXPECT_EQ(text(gmt->getID()), "GMT");
    EXPECT_EQ(utc->getRawOffset(), 0);
    EXPECT_EQ(zone("UTC"), utc);  // the table's own objects
    EXPECT_EQ(zone("GMT"), gmt);

    struct Accepted {
        const char* id;
        jint offset;
        const char* canonical;
    };
    const Accepted accepted[] = {
        {"GMT+02:00", 7200000, "GMT+02:00"},  {"GMT+5:30", 19800000, "GMT+05:30"},
        {"UTC-8", -28800000, "UTC-08:00"},     {"GMT+1", 3600000, "GMT+01:00"},
        {"GMT+01", 3600000, "GMT+01:00"},      {"GMT+1:30", 5400000, "GMT+01:30"},
        {"GMT+0130", 5400000, "GMT+01:30"},    {"GMT+730", 27000000, "GMT+07:30"},
        {"UTC-05:00", -18000000, "UTC-05:00"}, {"GMT+23:59", 86340000, "GMT+23:59"},
        {"GMT+16", 57600000, "GMT+16:00"},     {"GMT+106", 3960000, "GMT+01:06"},
        {"GMT-0", 0, "GMT+00:00"},             {"UTC+2", 7200000, "UTC+02:00"},
    };
    for (const Accepted& a : accepted) {
        SCOPED_TRACE(a.id);
        VMPtr<TimeZone> z = zone(a.id);
        EXPECT_NE(z, gmt);
        EXPECT_EQ(z->getRawOffset(), a.offset);
        EXPECT_EQ(text(z->getID()), a.canonical);
        EXPECT_FALSE(z->useDaylightTime());
        EXPECT_EQ(z->getOffset(1, 2024, 6, 15, 7, 43200000), a.offset);
        EXPECT_EQ(z->getOffset(0, 44, 2, 15, 4, 0), a.offset);
    }
    // Anything else is the "GMT" zone.
    for (const char* id : {"GMT", "GMT+", "GMT+1:3", "GMT+130", "GMT+24", "GMT+24:00", "GMT 01",
                           "GMT01", "GMT+1:60", "GMT+12345", "GMT+01:00 ", "GMT++1", "GMT+-1",
                           "gmt+1", "EST+1", "Europe/Paris", "", "GM", "UTC+1:", "GMT+\xD9\xA1"}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(zone(id), gmt);
    }
    EXPECT_EQ(thrownName([] { TimeZone::getTimeZone(nullptr); }), "java.lang.NullPointerException");

    // Each custom lookup makes a new zone, equal only to itself.
    VMPtr<TimeZone> a = zone("GMT+03:00");
    VMPtr<TimeZone> b = zone("GMT+03:00");
    EXPECT_NE(a, b);
    EXPECT_FALSE(a->equals(b));
    EXPECT_TRUE(a->equals(a));
}

TEST(TimeZoneIds, CanonicalForm) {
    struct Case {
        jint offset;
        const char* id;
    };
    for (const Case& c : {Case{3600000, "UTC+01:00"}, Case{-16200000, "UTC-04:30"},
                          Case{0, "UTC+00:00"}, Case{50400000, "UTC+14:00"},
                          Case{-45240000, "UTC-12:34"}, Case{59999, "UTC+00:00"}}) {
        SCOPED_TRACE(c.offset);
        EXPECT_EQ(text(TimeZonePimpl::canonicalID("UTC", c.offset)), c.id);
    }
}

TEST(TimeZoneLocal, DefaultZoneFollowsTheDevice) {
    {
        LocalZone device("<+0200>-2");
        VMPtr<TimeZone> local = TimeZone::getDefault();
        EXPECT_EQ(text(local->getID()), "UTC+02:00");
        EXPECT_EQ(local->getRawOffset(), 7200000);
        EXPECT_EQ(TimeZone::getTimeZone(local->getID()), local);
        EXPECT_EQ(TimeZone::getDefault(), local);

        VMPtr<Calendar> before = Calendar::getInstance();
        {
            LocalZone moved("<-0430>4:30");
            VMPtr<TimeZone> west = TimeZone::getDefault();
            EXPECT_NE(west, local);
            EXPECT_EQ(text(west->getID()), "UTC-04:30");
            EXPECT_EQ(west->getRawOffset(), -16200000);
            // A calendar made earlier keeps the zone it was given.
            EXPECT_EQ(before->zone, local);
            EXPECT_EQ(Calendar::getInstance()->zone, west);
            // The fixed zones stay.
            EXPECT_EQ(text(zone("UTC")->getID()), "UTC");
        }
        // Other event kinds leave the table alone.
        VMPtr<TimeZone> current = TimeZone::getDefault();
        HAL_postEvent(2, 0, nullptr);
        EXPECT_EQ(TimeZone::getDefault(), current);
    }
    EXPECT_TRUE(vmFindClass("java.util.TimeZone")->isAbstract);
    EXPECT_TRUE(vmFindClass("com.nimbault.marl.cldc.util.TimeZonePimpl")->isAbstract);
    EXPECT_EQ(vmFindClass("com.nimbault.marl.cldc.util.TimeZoneUTC")->factory, nullptr);
    EXPECT_EQ(TimeZone::getDefault()->getRawOffset(), jint(vmLocalTimeZoneOffset()));
}

TEST(DateText, FieldsInTheDefaultZone) {
    {
        LocalZone device("<+0200>-2");
        EXPECT_EQ(text(Date::make(jlong(0))->toString()), "Thu Jan 01 02:00:00 UTC+02:00 1970");
    }
    {
        LocalZone device("<-0430>4:30");
        EXPECT_EQ(text(Date::make(jlong(0))->toString()), "Wed Dec 31 19:30:00 UTC-04:30 1969");
    }
    LocalZone device("UTC0");
    struct Case {
        jlong millis;
        const char* text;
    };
    const Case cases[] = {
        {-1, "Wed Dec 31 23:59:59 UTC+00:00 1969"},
        {951868799999LL, "Tue Feb 29 23:59:59 UTC+00:00 2000"},
        {-12219292800001LL, "Thu Oct 04 23:59:59 UTC+00:00 1582"},
        {-12219292800000LL, "Fri Oct 15 00:00:00 UTC+00:00 1582"},
        {-30627026704000LL, "Thu Jun 15 12:34:56 UTC+00:00 0999"},
        {-60747137755000LL, "Sat Jan 02 03:04:05 UTC+00:00 0045"},
        {-62135769600001LL, "Fri Dec 31 23:59:59 UTC+00:00 0001"},  // 1 BC, no era mark
        {-63517957200000LL, "Wed Mar 15 11:00:00 UTC+00:00 0044"},  // 44 BC
        {253402300799999LL, "Fri Dec 31 23:59:59 UTC+00:00 9999"},
        {253402300800000LL, "Sat Jan 01 00:00:00 UTC+00:00 10000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.millis);
        EXPECT_EQ(text(Date::make(c.millis)->toString()), c.text);
    }
    // The calendar's zone ID prints; an ID-less zone prints nothing there.
    VMPtr<Date> d = Date::make(jlong(0));
    d->calendar->setTimeZone(zone("GMT+05:30"));
    EXPECT_EQ(text(d->toString()), "Thu Jan 01 05:30:00 GMT+05:30 1970");
    d->calendar->setTimeZone(timezonetest::NamelessZone::make());
    EXPECT_EQ(text(d->toString()), "Thu Jan 01 00:00:00 1970");
}

TEST(DateValue, TimeEqualityAndHash) {
    VMPtr<Date> a = Date::make(jlong(0x123456789ABLL));
    VMPtr<Date> b = Date::make(jlong(0x123456789ABLL));
    EXPECT_TRUE(a->equals(b));
    EXPECT_EQ(a->hashCode(), b->hashCode());
    EXPECT_EQ(a->hashCode(), 1164413064);  // as OpenJDK 17's Date
    EXPECT_EQ(Date::make(jlong(-5))->hashCode(), 4);
    // All 64 bits count.
    EXPECT_FALSE(a->equals(Date::make(jlong(0x123456789ABLL + (jlong(1) << 40)))));
    EXPECT_FALSE(a->equals(nullptr));
    EXPECT_FALSE(a->equals(String::make("x")));

    a->setTime(-42);
    EXPECT_EQ(a->getTime(), -42);
    EXPECT_FALSE(a->equals(b));
    EXPECT_TRUE(vmIsInstanceOf(a->calendar, vmFindClass("com.nimbault.marl.cldc.util.GregorianCalendar")));
    EXPECT_EQ(a->calendar->zone, TimeZone::getDefault());

    VMPtr<Date> now = Date::make();
    jlong after = java::lang::System::currentTimeMillis();
    EXPECT_LE(now->getTime(), after);
    EXPECT_GE(now->getTime(), after - 60000);
    VMPtr<Date> made = vmCast<Date>(vmFindClass("java.util.Date")->newInstance());
    ASSERT_TRUE(made);
    EXPECT_GE(made->getTime(), now->getTime());
}

}  // namespace
