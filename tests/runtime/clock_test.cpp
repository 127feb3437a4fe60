// The clock: local time as milliseconds, the calendar arithmetic under it,
// the zone offset, and System.currentTimeMillis over the 32-bit tick counter.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "VMClock.h"
#include "java_lang_System.h"

using java::lang::System;

namespace {

TEST(Clock, LocalTimeCountsDaysLikeTheGregorianCalendar) {
    struct Case {
        int32_t year, month, day, hour, minute, second;
        int64_t millis;  // from OpenJDK 17's LocalDateTime at UTC
    };
    const Case cases[] = {
        {1970, 1, 1, 0, 0, 0, 0},
        {1972, 3, 1, 0, 0, 0, 68256000000},  // 790 days, 1972's Feb 29 included
        {1969, 12, 31, 23, 59, 59, -1000},
        {2000, 2, 29, 12, 0, 0, 951825600000},
        {2000, 3, 1, 0, 0, 0, 951868800000},  // 2000 is a leap year
        {2100, 2, 28, 0, 0, 0, 4107456000000},
        {2100, 3, 1, 0, 0, 0, 4107542400000},  // 2100 is not
        {2038, 1, 19, 3, 14, 8, 2147483648000},
        {2024, 12, 31, 23, 59, 59, 1735689599000},
        {1600, 3, 1, 0, 0, 0, -11670912000000},
        {0, 3, 1, 0, 0, 0, -62162035200000},
        {-1, 12, 31, 0, 0, 0, -62167305600000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" +
                     std::to_string(c.day));
        EXPECT_EQ(vmLocalTimeMillisOf(c.year, c.month, c.day, c.hour, c.minute, c.second),
                  c.millis);
    }
}

TEST(Clock, CalendarHelpers) {
    struct YearCase {
        int32_t year;
        int64_t days;  // OpenJDK 17's LocalDate.toEpochDay of January 1
    };
    for (const YearCase& c : {YearCase{1970, 0}, YearCase{1971, 365}, YearCase{1973, 1096},
                              YearCase{2000, 10957}, YearCase{2001, 11323}, YearCase{2100, 47482},
                              YearCase{1601, -134774}, YearCase{1, -719162}, YearCase{0, -719528},
                              YearCase{-100, -756052}}) {
        SCOPED_TRACE(c.year);
        EXPECT_EQ(vmDaysBeforeYear(c.year), c.days);
    }
    struct MonthCase {
        int32_t month, year, days;
    };
    for (const MonthCase& c : {MonthCase{0, 2000, 0}, MonthCase{1, 2000, 0}, MonthCase{2, 2000, 31},
                               MonthCase{3, 2000, 60}, MonthCase{3, 1900, 59}, MonthCase{3, 2100, 59},
                               MonthCase{3, 2024, 60}, MonthCase{12, 2023, 334},
                               MonthCase{12, 2024, 335}, MonthCase{13, 2024, 366}}) {
        SCOPED_TRACE(std::to_string(c.month) + "/" + std::to_string(c.year));
        EXPECT_EQ(vmDaysBeforeMonth(c.month, c.year), c.days);
    }
    EXPECT_EQ(vmLeapYearsThrough(1969), 477);
    EXPECT_EQ(vmLeapYearsThrough(2000), 485);
    EXPECT_EQ(vmLeapYearsThrough(0), 0);
}

// Sets TZ for one scope.
class ScopedZone {
public:
    explicit ScopedZone(const char* tz) {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (old) old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedZone() {
        if (hadOld_) setenv("TZ", old_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    bool hadOld_ = false;
    std::string old_;
};

TEST(Clock, LocalTimeAndOffsetFollowTheZone) {
    struct Case {
        const char* tz;
        int64_t offset;
    };
    // Fixed zones (no daylight saving), so the offset does not depend on the date.
    for (const Case& c : {Case{"UTC0", 0}, Case{"<+0530>-5:30", 19800000},
                          Case{"<-03>3", -10800000}, Case{"<+14>-14", 50400000}}) {
        SCOPED_TRACE(c.tz);
        ScopedZone zone(c.tz);
        EXPECT_EQ(vmLocalTimeZoneOffset(), c.offset);
        int64_t before = int64_t(time(nullptr)) * 1000 + c.offset;
        int64_t local = vmLocalTimeMillis();
        int64_t after = int64_t(time(nullptr)) * 1000 + c.offset;
        EXPECT_EQ(local % 1000, 0);
        EXPECT_GE(local, before);
        EXPECT_LE(local, after);
    }
}

// Puts a settable tick counter under System.currentTimeMillis and starts its
// clock afresh; everything goes back as it was at the end.
class CurrentTimeMillis : public ::testing::Test {
protected:
    static uint32_t ticks;
    static uint32_t fakeTicks() { return ticks; }

    void SetUp() override {
        saved_ = vmClockBase();
        vmClockBase() = VMClockBase{};
        previous_ = vmSetTickSource(&fakeTicks);
    }
    void TearDown() override {
        vmSetTickSource(previous_);
        vmClockBase() = saved_;
    }

private:
    VMClockBase saved_;
    VMTickSource previous_ = nullptr;
};
uint32_t CurrentTimeMillis::ticks = 0;

TEST_F(CurrentTimeMillis, StartsAtLocalTimeAndAdvancesWithTheTicks) {
    ticks = 123456;
    int64_t before = vmLocalTimeMillis();
    jlong first = System::currentTimeMillis();
    int64_t after = vmLocalTimeMillis();
    EXPECT_GE(first, before);
    EXPECT_LE(first, after);

    ticks += 1000;
    EXPECT_EQ(System::currentTimeMillis(), first + 1000);
    EXPECT_EQ(System::currentTimeMillis(), first + 1000);
    ticks += 1;
    EXPECT_EQ(System::currentTimeMillis(), first + 1001);
}

TEST_F(CurrentTimeMillis, NeverRunsBackWhenTheCounterWraps) {
    ticks = 0xFFFFFFFFu - 999;  // one second before the wrap
    jlong start = System::currentTimeMillis();
    struct Step {
        uint32_t ticks;
        jlong elapsed;
    };
    const Step steps[] = {
        {0xFFFFFFFFu, 999},
        {0, 1000},
        {500, 1500},
        {0xFFFFFFFFu - 999, 4294967296LL},  // one full turn later
        {0x10, 4294967296LL + 1000 + 16},   // and across the second wrap
    };
    jlong last = start;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.ticks);
        ticks = s.ticks;
        jlong now = System::currentTimeMillis();
        EXPECT_EQ(now - start, s.elapsed);
        EXPECT_GE(now, last);
        last = now;
    }
}

// Under the virtual clock the time moves only when the program moves it, so
// currentTimeMillis reads the same until then, from where the counter it
// replaced stood, and carries the counter's wrap as before.
TEST_F(CurrentTimeMillis, FollowsTheVirtualClock) {
    ticks = 0xFFFFFFFFu - 9;
    jlong start = System::currentTimeMillis();
    vmUseVirtualClock();
    ASSERT_TRUE(vmClockIsVirtual());
    ticks = 5000;  // the replaced counter no longer counts
    EXPECT_EQ(System::currentTimeMillis(), start);
    vmAdvanceVirtualClock(4);
    EXPECT_EQ(System::currentTimeMillis(), start + 4);
    vmAdvanceVirtualClock(40);  // across the 32-bit wrap
    EXPECT_EQ(System::currentTimeMillis(), start + 44);
    vmSetTickSource(&fakeTicks);
    EXPECT_FALSE(vmClockIsVirtual());
    vmAdvanceVirtualClock(1000);  // nothing to advance
    EXPECT_EQ(vmTickCount(), 5000u);
}

}  // namespace
