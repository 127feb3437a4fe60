#include "java_util_Calendar.h"

#include "com_nimbault_marl_cldc_util_GregorianCalendar.h"
#include "java_lang_NullPointerException.h"
#include "java_lang_RuntimeException.h"
#include "java_lang_System.h"
#include "java_util_Date.h"

WREN_DEFINE_ABSTRACT_CLASS(java::util::Calendar, "java.util.Calendar")

namespace java::util {

void Calendar::ctor() {
    java::lang::Object::ctor();
    fields = VMArray<jint>::create(FIELD_COUNT);
    isSet = VMArray<jboolean>::create(FIELD_COUNT);
    zone = TimeZone::getDefault();
    if (!zone) java::lang::RuntimeException::throwNew(WREN_LIT("Could not find default timezone."));
    setTimeInMillis(java::lang::System::currentTimeMillis());
}

VMPtr<Calendar> Calendar::getInstance() {
    clinit();
    return com::nimbault::marl::cldc::util::GregorianCalendar::make();
}

jlong Calendar::getTimeInMillis() {
    if (!isTimeSet) {
        computeTime();
        isTimeSet = true;
    }
    return time;
}

void Calendar::setTimeInMillis(jlong millis) {
    isTimeSet = true;
    time = millis;
    computeFields();
}

jint Calendar::get(jint field) {
    if (field == DAY_OF_WEEK || field == AM_PM || field == HOUR || field == HOUR_OF_DAY) {
        getTimeInMillis();
        computeFields();
    }
    return fields[field];
}

void Calendar::set(jint field, jint value) {
    // The index is checked before anything changes.
    isSet[field] = true;
    fields[field] = value;
    isTimeSet = false;
}

void Calendar::setTimeZone(const VMPtr<TimeZone>& value) {
    if (!value) java::lang::NullPointerException::throwNew();
    zone = value;
    getTimeInMillis();
    computeFields();
}

VMPtr<Date> Calendar::getTime() {
    if (!cachedDate) {
        cachedDate = Date::make(getTimeInMillis());
    } else {
        VMPtr<Date> d = cachedDate;
        VMSynchronized guard(d);
        d->setTime(getTimeInMillis());
    }
    return cachedDate;
}

jboolean Calendar::equals(const VMPtr<java::lang::Object>& obj) {
    if (obj.get() == vmObj(this)) return true;
    VMPtr<Calendar> other = vmCast<Calendar>(obj);
    if (!other) return false;
    return getTimeInMillis() == other->getTimeInMillis() &&
           zone->equals(VMPtr<java::lang::Object>(other->zone));
}

}  // namespace java::util
