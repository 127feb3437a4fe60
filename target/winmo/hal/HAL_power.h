// Power, backlight and display rotation: the thread that turns the device's
// power notifications into window messages, the keep-alive that stops the
// backlight and the device from timing out while the game runs, and display
// rotation with the per-device orientation table from the system properties.
#pragma once

#include <cstdint>

#include "VMTypes.h"

// Starts the power thread; false when it cannot be created.
bool PowerMonitor_start();
// Stops it: the thread leaves its wait at once and is gone when this returns.
void PowerMonitor_stop();

// Switches the keep-alive on or off; 1.
int32_t HAL_setBacklight(bool on);
// The keep-alive period: 90 % of the smallest power time-out in the
// registry, at most 5000 ms (also when there is none).
uint32_t keepAlivePeriodMillis();

// Reads "WinceDisplayOrientation0/90/180/270" from the system properties.
void Rotation_init();
// 0 none, 1..4 the orientation index 0..3 the display shows; returns 0.
int32_t HAL_getOrientation(jint* code);
// 0 forgets any wanted orientation; 1..4 asks for index 0..3. 0, or
// HAL_REFUSED for another code or when the display refuses.
int32_t HAL_setOrientation(jint code);
// Puts the wanted orientation back when the display has left it.
void Rotation_reapply();

// Each output may be null: colour, 2^bits colours (0 from 32 bits on), 32
// alpha levels, double buffered. 0.
int32_t HAL_getDisplayCapabilities(jboolean* isColor, jint* numColors, jint* numAlphaLevels,
                                   jboolean* doubleBuffered);
