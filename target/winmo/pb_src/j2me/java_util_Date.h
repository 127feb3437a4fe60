// java.util.Date: an instant, kept in a calendar of the default zone so that
// it can print itself.
#pragma once

#include "VMClass.h"
#include "java_util_Calendar.h"

namespace java::util {

class Date : public virtual java::lang::Object {
    WREN_CLASS(Date, java::lang::Object, (calendar, Calendar))
public:
    // The current instant (System.currentTimeMillis()).
    void ctor();
    void ctor(jlong date);

    virtual jlong getTime();
    virtual void setTime(jlong time);

    jint hashCode() override;
    // Another Date of the same instant.
    jboolean equals(const VMPtr<java::lang::Object>& obj) override;
    // "Thu Jan 01 02:00:00 UTC+02:00 1970": the fields in the calendar's
    // zone, the zone's ID, the year with at least four digits.
    VMPtr<java::lang::String> toString() override;
};

}  // namespace java::util
