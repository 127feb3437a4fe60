// The http connection's date parser: the three HTTP forms, the looser forms
// it also reads, and what it refuses.
#include <gtest/gtest.h>

#include <string>

#include "com_nimbault_marl_midp_io_protocol_http_Protocol.h"
#include "java_util_Calendar.h"
#include "java_util_TimeZone.h"
#include "runtime/runtime_test_support.h"

using com::nimbault::marl::midp::io::protocol::http::Protocol;
using java::lang::String;
using wrentest::classNameOf;
using wrentest::text;
using wrentest::thrownBy;

namespace {

constexpr jlong kRfc1123 = 784111777000;  // Sun, 06 Nov 1994 08:49:37 GMT
constexpr jlong kMinute = 60000;
constexpr jlong kHour = 60 * kMinute;

jlong parse(const char* s) { return Protocol::parseDate(String::make(s)); }

// The offset of the device's zone (a fixed offset: the runtime's zones keep
// no daylight time).
jlong localOffset() { return java::util::TimeZone::getDefault()->getRawOffset(); }

TEST(HttpDate, AcceptedForms) {
    struct Case {
        const char* text;
        jlong utc;
    };
    const Case cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", kRfc1123},
        {"Sunday, 06-Nov-94 08:49:37 GMT", kRfc1123},
        {"sun, 06 nov 1994 08:49:37 gmt", kRfc1123},
        {"Sun, 06 Nov 1994 08:49:37 UTC", kRfc1123},
        {"Sun, 06 Nov 1994 08:49:37 +0100", kRfc1123 - kHour},
        {"Sun, 06 Nov 1994 08:49:37 +0130", kRfc1123 - 90 * kMinute},
        {"Sun, 06 Nov 1994 08:49:37 -0230", kRfc1123 + 150 * kMinute},
        {"Sun, 06 Nov 1994 08:49:37 +2359", kRfc1123 - (23 * kHour + 59 * kMinute)},
        // An offset below 24 counts hours.
        {"Sun, 06 Nov 1994 08:49:37 +2", kRfc1123 - 2 * kHour},
        {"Sun, 06 Nov 1994 08:49:37 EST", kRfc1123 + 5 * kHour},
        {"Sun, 06 Nov 1994 08:49:37 PDT", kRfc1123 + 7 * kHour},
        // A zone of 0 may be replaced once by an offset.
        {"Sun, 06 Nov 1994 08:49:37 GMT+0100", kRfc1123 - kHour},
        // A zone word replaces whatever came before.
        {"Sun, 06 Nov 1994 08:49:37 +0100 GMT", kRfc1123},
        // Comments, also nested, change nothing.
        {"Sun, 06 Nov (comment (inner)) 1994 08:49:37 GMT", kRfc1123},
        {"(x)Sun, 06 Nov 1994 08:49:37 GMT (trailing", kRfc1123},
        // No seconds, no time.
        {"06 Nov 1994 08:49 GMT", kRfc1123 - 37000},
        {"06 Nov 1994 GMT", kRfc1123 - (8 * kHour + 49 * kMinute + 37000)},
        // am and pm.
        {"Nov 6 1994 12:05 am GMT", kRfc1123 - (8 * kHour + 49 * kMinute + 37000) + 5 * kMinute},
        {"Nov 6 1994 12:05 pm GMT", kRfc1123 - (8 * kHour + 49 * kMinute + 37000) + 12 * kHour + 5 * kMinute},
        {"Nov 6 1994 1:05 pm GMT", kRfc1123 - (8 * kHour + 49 * kMinute + 37000) + 13 * kHour + 5 * kMinute},
        // Numeric dates: month, day, year.
        {"11/6/94 GMT", kRfc1123 - (8 * kHour + 49 * kMinute + 37000)},
        {"11/15/2010 GMT", 1289779200000},
        // Abbreviations take the later entry of the table: "ma" is May, "ju" July.
        {"6 ma 1994 GMT", 768182400000},
        {"6 ju 1994 GMT", 773452800000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        jlong got = 0;
        VMPtr<java::lang::Throwable> t = thrownBy([&] { got = parse(c.text); });
        EXPECT_EQ(classNameOf(t), "nothing");
        EXPECT_EQ(got, c.utc);
    }
}

TEST(HttpDate, TextWithoutZoneIsLocalTime) {
    EXPECT_EQ(parse("Sun Nov  6 08:49:37 1994"), kRfc1123 - localOffset());
    EXPECT_EQ(parse("11/15/94 08:49:37"),
              kRfc1123 + 9 * 24 * kHour - localOffset());
}

TEST(HttpDate, TwoDigitYearsFallInTheEightyYearsBeforeAndTwentyAfterNow) {
    jint start = java::util::Calendar::getInstance()->get(java::util::Calendar::YEAR) - 80;
    jint before = (start + 99) % 100;  // the year before the window: next century
    jint first = start % 100;
    auto yearOf = [](jlong millis) {
        VMPtr<java::util::Calendar> c = java::util::Calendar::getInstance();
        c->setTimeZone(java::util::TimeZone::getTimeZone(String::make("GMT")));
        c->setTimeInMillis(millis);
        return c->get(java::util::Calendar::YEAR);
    };
    std::string early = "1 Jan " + std::to_string(first) + " 12:00 GMT";
    std::string late = "1 Jan " + std::to_string(before) + " 12:00 GMT";
    if (first >= 70 || before >= 70) GTEST_SKIP() << "a two-digit year of 70 or more is a year";
    EXPECT_EQ(yearOf(parse(early.c_str())), start);
    EXPECT_EQ(yearOf(parse(late.c_str())), start - 1 + 100);
}

TEST(HttpDate, RefusedForms) {
    const char* cases[] = {
        "",
        "GMT",
        "Sun, 06 Nov 1994 08:49:37 GMT T",  // a single letter
        "1994-11-06T08:49:37Z",             // ISO 8601
        "06Nov 1994 08:49:37 GMT",          // a number followed by a letter
        "Nov 1994 08:49:37 GMT",            // no day
        "Sun, 06 Foo 1994 08:49:37 GMT",    // an unknown word
        "Sun, 06 Nov 1994 1995 08:49 GMT",  // two years
        "Nov Dec 6 1994",                   // two months
        "06 Nov 1994 08:49:37:12 GMT",      // three time numbers before ':'
        "Sun, 06 Nov 1994 08:49:37 +0100 +0200",  // a second offset after a non-zero zone
        "Sun, 06 Nov 1994 08:49:37 EST +0100",
        "Sun, 06 Nov 1994 08:49:37 +2400",   // an offset of a day or more
        "Sun, 06 Nov 99999999999 08:49:37",  // a number no int holds
        "am 12:05 Nov 6 1994",               // am before any time
        "Nov 6 1994 0:05 am",
        "Nov 6 1994 13:05 pm",
        "1/2/3/4 1994",
        "6 Novembers 1994",                  // a word longer than every entry
    };
    for (const char* c : cases) {
        SCOPED_TRACE(c);
        VMPtr<java::lang::Throwable> t = thrownBy([&] { parse(c); });
        EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
        if (t) {
            EXPECT_EQ(text(t->getMessage()), "Error parsing date");
        }
    }
    VMPtr<java::lang::Throwable> t = thrownBy([] { Protocol::parseDate(nullptr); });
    EXPECT_EQ(classNameOf(t), "java.lang.IllegalArgumentException");
}

}  // namespace
