#include "com_nimbault_marl_cldc_util_TimeZonePimpl.h"

#include "VM.h"
#include "VMClock.h"
#include "VMEvents.h"
#include "com_nimbault_marl_cldc_util_TimeZoneUTC.h"

WREN_DEFINE_ABSTRACT_CLASS(com::nimbault::marl::cldc::util::TimeZonePimpl,
                           "com.nimbault.marl.cldc.util.TimeZonePimpl")

namespace com::nimbault::marl::cldc::util {

using java::lang::String;
using java::util::TimeZone;

namespace {

// Columns of the custom-ID reader: end of text, the digit classes 0-1, 2, 3,
// 4-5 and 6-9, a sign, a colon.
enum Column { END, D01, D2, D3, D45, D69, SIGN, COLON };
constexpr int kReject = 0;
constexpr int kAccept = 10;
// Rows are states: 1 after the prefix, 2 after the sign, 3 after an hour
// digit 0 or 1, 4 after an hour digit 2, 5 when the hour is complete, 6 after
// two hour digits, 7 after the colon, 8 after one minute digit, 9 after two.
constexpr int8_t kNextState[10][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 2, 0},
    {0, 3, 4, 5, 5, 5, 0, 0},
    {10, 6, 6, 6, 6, 5, 0, 7},
    {10, 6, 6, 6, 8, 0, 0, 7},
    {10, 8, 8, 8, 8, 0, 0, 7},
    {10, 8, 8, 8, 8, 9, 0, 7},
    {0, 8, 8, 8, 8, 0, 0, 0},
    {0, 9, 9, 9, 9, 9, 0, 0},
    {10, 0, 0, 0, 0, 0, 0, 0},
};

int columnOf(jchar c) {
    switch (c) {
        case u'0': case u'1': return D01;
        case u'2': return D2;
        case u'3': return D3;
        case u'4': case u'5': return D45;
        case u'6': case u'7': case u'8': case u'9': return D69;
        case u'+': case u'-': return SIGN;
        case u':': return COLON;
        default: return -1;
    }
}

}  // namespace

void TimeZonePimpl::staticInit() {
    Statics& s = wrenStatics_();
    s.zones = VMArray<TimeZone*>::create(3);
    buildLocalZone(s);
    s.zones[1] = TimeZoneUTC::make(WREN_LIT("UTC"), 0);
    s.zones[2] = TimeZoneUTC::make(WREN_LIT("GMT"), 0);
    HAL_addEventListener(&onTimeZoneChanged, vmEventMask(VM_EVENT_TIME_ZONE_CHANGED), 1);
}

void TimeZonePimpl::buildLocalZone(Statics& s) {
    jint offset = jint(vmLocalTimeZoneOffset());
    VMPtr<String> id = canonicalID("UTC", offset);
    s.defaultID = id;
    s.zones[0] = TimeZoneUTC::make(id, offset);
}

// Zones already handed out (held by calendars, say) keep their old offset.
void TimeZonePimpl::onTimeZoneChanged(jint kind, jint, const intptr_t*) {
    if (kind == VM_EVENT_TIME_ZONE_CHANGED) buildLocalZone(S());
}

VMPtr<String> TimeZonePimpl::canonicalID(const char* prefix, jint offset) {
    clinit();
    int64_t m = (offset < 0 ? -int64_t(offset) : int64_t(offset)) / 60000;
    char text[10] = {prefix[0], prefix[1], prefix[2], offset < 0 ? '-' : '+',
                     char('0' + m / 600 % 10), char('0' + m / 60 % 10), ':',
                     char('0' + m % 60 / 10), char('0' + m % 10), '\0'};
    return String::make(text);
}

VMPtr<TimeZone> TimeZonePimpl::lookup(const VMPtr<String>& ID) {
    clinit();
    Statics& s = S();
    VMPtr<String> id = ID ? ID : VMPtr<String>(s.defaultID);
    VMPtr<VMArray<TimeZone*>> zones = s.zones;
    for (jint i = 0; i < zones->length; ++i) {
        VMPtr<TimeZone> z = zones[i];
        if (z && id->equals(VMPtr<java::lang::Object>(z->getID()))) return z;
    }
    return nullptr;
}

VMPtr<TimeZone> TimeZonePimpl::parseCustom(const VMPtr<String>& ID) {
    clinit();
    jint length = ID->length();
    if (length < 5) return nullptr;
    bool utc = ID->startsWith(WREN_LIT("UTC"));
    if (!utc && !ID->startsWith(WREN_LIT("GMT"))) return nullptr;

    // The reader accepts at most four digits, which is all this holds.
    jint digits[4] = {};
    jint count = 0;
    bool negative = false;
    int state = 1;
    for (jint i = 3; state != kAccept; ++i) {
        int column = END;
        jchar c = 0;
        if (i < length) {
            c = ID->charAt(i);
            column = columnOf(c);
            if (column < 0) return nullptr;
        }
        state = kNextState[state][column];
        if (state == kReject) return nullptr;
        if (column >= D01 && column <= D69) digits[count++] = jint(c - u'0');
        else if (c == u'-') negative = true;
    }

    jint hours = 0, minutes = 0;
    switch (count) {
        case 1: hours = digits[0]; break;
        case 2: hours = digits[0] * 10 + digits[1]; break;
        case 3: hours = digits[0]; minutes = digits[1] * 10 + digits[2]; break;
        default: hours = digits[0] * 10 + digits[1]; minutes = digits[2] * 10 + digits[3]; break;
    }
    jint offset = (hours * 60 + minutes) * 60000;
    if (negative) offset = -offset;
    return TimeZoneUTC::make(canonicalID(utc ? "UTC" : "GMT", offset), offset);
}

}  // namespace com::nimbault::marl::cldc::util
