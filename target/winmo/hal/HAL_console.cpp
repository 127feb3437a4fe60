#include "HAL_console.h"

#include <cstdio>

#include "HAL_status.h"

int32_t HAL_writeConsole(uint8_t byte) {
    if (std::fputc(byte, stdout) == EOF) return HAL_END_OF_DATA;
    if (byte == '\n' && std::fflush(stdout) != 0) return HAL_END_OF_DATA;
    return HAL_OK;
}

int32_t HAL_writeErrorConsole(uint8_t byte) {
    if (std::fputc(byte, stderr) == EOF) return HAL_END_OF_DATA;
    if (byte == '\n' && std::fflush(stderr) != 0) return HAL_END_OF_DATA;
    return HAL_OK;
}
