#include "java_util_Date.h"

#include "VMMath.h"
#include "java_lang_StringBuffer.h"
#include "java_lang_System.h"

WREN_DEFINE_CLASS(java::util::Date, "java.util.Date")

namespace java::util {

using java::lang::String;
using java::lang::StringBuffer;

namespace {

const char* const kDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void appendTwoDigits(const VMPtr<StringBuffer>& buf, jint value) {
    if (value < 10) buf->append(u'0');
    buf->append(value);
}

}  // namespace

void Date::ctor() { ctor(java::lang::System::currentTimeMillis()); }

void Date::ctor(jlong date) {
    java::lang::Object::ctor();
    calendar = Calendar::getInstance();
    calendar->setTimeInMillis(date);
}

jlong Date::getTime() { return calendar->getTimeInMillis(); }

void Date::setTime(jlong t) { calendar->setTimeInMillis(t); }

jint Date::hashCode() {
    jlong t = getTime();
    return jint(t ^ vmUshr(t, 32));
}

jboolean Date::equals(const VMPtr<java::lang::Object>& obj) {
    VMPtr<Date> other = vmCast<Date>(obj);
    return other && other->getTime() == getTime();
}

VMPtr<String> Date::toString() {
    VMPtr<Calendar> c = calendar;
    jint dow = c->get(Calendar::DAY_OF_WEEK);
    jint month = c->get(Calendar::MONTH);
    jint day = c->get(Calendar::DATE);
    jint hour = c->get(Calendar::HOUR_OF_DAY);
    jint minute = c->get(Calendar::MINUTE);
    jint second = c->get(Calendar::SECOND);
    jint year = c->get(Calendar::YEAR);
    VMPtr<String> id = c->zone->getID();
    if (!id) id = WREN_LIT("");

    VMPtr<StringBuffer> buf =
        StringBuffer::make(String::valueOf(year)->length() + id->length() + 25);
    buf->append(kDayNames[dow - 1]);
    buf->append(u' ');
    buf->append(kMonthNames[month]);
    buf->append(u' ');
    appendTwoDigits(buf, day);
    buf->append(u' ');
    appendTwoDigits(buf, hour);
    buf->append(u':');
    appendTwoDigits(buf, minute);
    buf->append(u':');
    appendTwoDigits(buf, second);
    buf->append(u' ');
    if (id->length() > 0) {
        buf->append(id);
        buf->append(u' ');
    }
    if (year < 1000) buf->append(u'0');
    if (year < 100) buf->append(u'0');
    if (year < 10) buf->append(u'0');
    buf->append(year);
    return buf->toString();
}

}  // namespace java::util
