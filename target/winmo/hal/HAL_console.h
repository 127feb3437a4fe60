// The console: what System.out and System.err print goes to the process's
// standard output.
#pragma once

#include <cstdint>

// Writes one byte; the line is flushed after a newline (10). Returns HAL_OK,
// or HAL_END_OF_DATA when the byte or the flush could not be written.
int32_t HAL_writeConsole(uint8_t byte);
