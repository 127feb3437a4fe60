// What the touch input classes keep in their statics between tests, cleared:
// the suites that make a canvas per test (framework and game) start and end
// every test with no touch regions, no key states and no queued events.
#pragma once

#include "wren_input_PointerInputEventManager.h"
#include "wren_input_PointerInputKeyManager.h"

namespace wrentest {

inline void resetTouchInput() {
    using wren::input::PointerInputEventManager;
    using wren::input::PointerInputKeyManager;
    PointerInputKeyManager::removeRegions(0);
    PointerInputKeyManager::Statics& keys = PointerInputKeyManager::S();
    keys.keyStates = nullptr;
    keys.keyStateIndex = nullptr;
    keys.keyStateCount = 0;
    keys.originX = keys.originY = 0;
    PointerInputEventManager::setEnabled(false);
    PointerInputEventManager::reset();
    PointerInputEventManager::setInputIgnored(false);
    PointerInputEventManager::setDeliverySuspended(false);
    PointerInputEventManager::Statics& events = PointerInputEventManager::S();
    events.areaX = events.areaY = events.areaWidth = events.areaHeight = 0;
    events.requestedWidth = events.requestedHeight = 0;
    events.originX = events.originY = 0;
    events.pointerDown = nullptr;
}

}  // namespace wrentest
