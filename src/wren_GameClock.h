// wren.GameClock: the one clock behind the framework's timing: the game
// canvas's frame timer and its pause rules, the pointer event manager's time
// stamps and the touch sliders' gesture timing. The program runs on the
// runtime's clock (System.currentTimeMillis, whose wraps of the device's
// 32-bit counter are carried into 64 bits); tests put a clock of their own
// in its place and drive it.
//
// Under the runtime's virtual clock (WREN_CLOCK=virtual) the time stands
// still but for the framework's own moves: each frame advances it by the
// frame timer's target instead of the timer sleeping, and each wait of the
// canvas advances it by what it waits.
#pragma once

#include "VMClass.h"

namespace wren {

class GameClock : public virtual java::lang::Object {
    WREN_CLASS(GameClock, java::lang::Object)
    WREN_PLAIN_OBJECT()
public:
    struct Statics {
        VMStaticPtr<GameClock> current;
    };
    WREN_STATICS(Statics)

    void ctor() { java::lang::Object::ctor(); }

    // The clock in use: the runtime's, unless a test installed its own.
    static VMPtr<GameClock> get();
    // Installs `clock`; null goes back to the runtime's.
    static void set(const VMPtr<GameClock>& clock);

    // Milliseconds, 64-bit.
    virtual jlong currentTimeMillis();
    // Blocks the calling thread for `millis` (> 0) with the VM lock released;
    // may throw InterruptedException.
    virtual void sleep(jint millis);
    // The frame timer is about to read the time for a frame whose target is
    // `targetFrameTime`.
    virtual void frameStarted(jint targetFrameTime);
};

}  // namespace wren
