#include "wren_GameClock.h"

#include "VMClock.h"
#include "java_lang_System.h"
#include "java_lang_Thread.h"

WREN_DEFINE_CLASS(wren::GameClock, "wren.GameClock")

namespace wren {

VMPtr<GameClock> GameClock::get() {
    Statics& s = S();
    if (!s.current) s.current = make();
    return s.current;
}

void GameClock::set(const VMPtr<GameClock>& clock) { S().current = clock; }

jlong GameClock::currentTimeMillis() { return java::lang::System::currentTimeMillis(); }

void GameClock::sleep(jint millis) {
    // A virtual wait still takes its real time, so that a hidden program
    // polls at its usual pace instead of spinning.
    if (millis <= 0) return;
    if (vmClockIsVirtual()) vmAdvanceVirtualClock(uint32_t(millis));
    java::lang::Thread::sleep(millis);
}

void GameClock::frameStarted(jint targetFrameTime) {
    if (vmClockIsVirtual() && targetFrameTime > 0) vmAdvanceVirtualClock(uint32_t(targetFrameTime));
}

}  // namespace wren
