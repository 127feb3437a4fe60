#include "VMClock.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

uint32_t platformTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return uint32_t(ms);  // the counter keeps only the low 32 bits
}

// Advanced and read from any thread; wraps as the platform's counter does.
std::atomic<uint32_t> virtualTicks{0};

uint32_t virtualTickCount() { return virtualTicks.load(std::memory_order_relaxed); }

VMTickSource tickSource = &platformTickCount;

// A headless run that asked for the virtual clock by its environment starts
// from the same instant every time: the device's counter at kHeadlessTicks
// and its local time at kHeadlessLocalMillis (2026-01-01 00:00:00), moving
// only as the counter is advanced. Whatever seeds itself from the time (the
// game's random generator) then does the same thing on every run.
constexpr uint32_t kHeadlessTicks = 100000;
constexpr int64_t kHeadlessLocalMillis = 1767225600000;
bool headlessClock = false;

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool isLeapYear(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

uint32_t vmTickCount() { return tickSource(); }

VMTickSource vmSetTickSource(VMTickSource source) {
    VMTickSource previous = tickSource;
    tickSource = source ? source : &platformTickCount;
    return previous;
}

void vmUseVirtualClock() {
    if (tickSource == &virtualTickCount) return;
    virtualTicks.store(tickSource(), std::memory_order_relaxed);
    tickSource = &virtualTickCount;
}

bool vmClockIsVirtual() { return tickSource == &virtualTickCount; }

void vmAdvanceVirtualClock(uint32_t millis) {
    if (vmClockIsVirtual()) virtualTicks.fetch_add(millis, std::memory_order_relaxed);
}

bool vmClockFromEnvironment(const char** error) {
    const char* value = std::getenv("WREN_CLOCK");
    if (!value || !*value || std::strcmp(value, "real") == 0) return true;
    if (std::strcmp(value, "virtual") == 0) {
        vmUseVirtualClock();
        virtualTicks.store(kHeadlessTicks, std::memory_order_relaxed);
        headlessClock = true;
        return true;
    }
    if (error) *error = "WREN_CLOCK must be \"real\" or \"virtual\"";
    return false;
}

int64_t vmLeapYearsThrough(int64_t year) {
    return floorDiv(year, 4) - floorDiv(year, 100) + floorDiv(year, 400);
}

int32_t vmDaysBeforeMonth(int32_t month, int32_t year) {
    static const int32_t kLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int32_t days = 0;
    for (int32_t m = 1; m < month && m <= 12; ++m)
        days += kLength[m - 1] + (m == 2 && isLeapYear(year) ? 1 : 0);
    return days;
}

int64_t vmDaysBeforeYear(int32_t year) {
    return 365 * (int64_t(year) - 1970) + vmLeapYearsThrough(int64_t(year) - 1) -
           vmLeapYearsThrough(1969);
}

int64_t vmLocalTimeMillisOf(int32_t year, int32_t month, int32_t day, int32_t hour,
                            int32_t minute, int32_t second) {
    int64_t days = vmDaysBeforeYear(year) + vmDaysBeforeMonth(month, year) + (int64_t(day) - 1);
    return (((days * 24 + hour) * 60 + minute) * 60 + second) * 1000;
}

int64_t vmLocalTimeMillis() {
    if (headlessClock && vmClockIsVirtual()) {
        uint32_t elapsed = virtualTicks.load(std::memory_order_relaxed) - kHeadlessTicks;
        return kHeadlessLocalMillis + int64_t(elapsed) / 1000 * 1000;
    }
    time_t now = time(nullptr);
    tm local{};
    if (!localtime_r(&now, &local)) return 0;
    // Whole seconds only, as the device's local-time call gives them.
    return vmLocalTimeMillisOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                               local.tm_hour, local.tm_min, local.tm_sec);
}

int64_t vmLocalTimeZoneOffset() {
    time_t now = time(nullptr);
    tm local{};
    if (!localtime_r(&now, &local)) return 0;
    return int64_t(local.tm_gmtoff) * 1000;
}
