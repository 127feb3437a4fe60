// The device clock: the millisecond tick counter, the local wall-clock time
// and the local zone's offset, and the calendar arithmetic over them.
#pragma once

#include <cstdint>

// Milliseconds since the device started, as the platform's 32-bit counter:
// it wraps to 0 about every 49.7 days.
uint32_t vmTickCount();
// Tests put their own counter in place; returns the one replaced. A null
// source restores the platform's counter.
using VMTickSource = uint32_t (*)();
VMTickSource vmSetTickSource(VMTickSource source);

// The virtual clock of deterministic headless runs: a counter in place of
// the platform's that stands still until it is advanced, so that every
// reading of the time (System.currentTimeMillis among them) follows what the
// program advanced it by. It starts from the counter it replaces.
void vmUseVirtualClock();
bool vmClockIsVirtual();
// Moves the virtual counter on; does nothing on any other clock.
void vmAdvanceVirtualClock(uint32_t millis);
// Reads WREN_CLOCK: unset, empty or "real" keeps the platform's counter,
// "virtual" switches to the virtual one, started from a fixed counter and a
// fixed local time (2026-01-01 00:00:00), so that a headless run does the
// same on every start. False, with the reason in `error`,
// for any other value.
bool vmClockFromEnvironment(const char** error);

// Milliseconds from 1970-01-01 00:00:00 to the device's local wall-clock
// time, always a whole second: the local time counted as if it were UTC.
int64_t vmLocalTimeMillis();
// The same count for a given local date and time (month 1..12, day 1..31).
int64_t vmLocalTimeMillisOf(int32_t year, int32_t month, int32_t day, int32_t hour,
                            int32_t minute, int32_t second);
// The device's current offset from UTC in milliseconds, daylight saving
// included; 0 when the platform cannot tell.
int64_t vmLocalTimeZoneOffset();

// Days from 1970-01-01 to January 1 of `year`.
int64_t vmDaysBeforeYear(int32_t year);
// Days in months 1 .. month-1 of `year` (0 for month <= 1).
int32_t vmDaysBeforeMonth(int32_t month, int32_t year);
// year/4 - year/100 + year/400, each quotient rounded down: the leap years
// from year 1 through `year`, and the right difference for years before 1 too.
int64_t vmLeapYearsThrough(int64_t year);
