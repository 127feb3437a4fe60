// The console: what System.out and System.err print goes to the process's
// standard output. The error console is the process's standard error, for
// the few reports a player must see even when the output is captured.
#pragma once

#include <cstdint>

// Writes one byte; the line is flushed after a newline (10). Returns HAL_OK,
// or HAL_END_OF_DATA when the byte or the flush could not be written.
int32_t HAL_writeConsole(uint8_t byte);
// The same for the error console.
int32_t HAL_writeErrorConsole(uint8_t byte);
