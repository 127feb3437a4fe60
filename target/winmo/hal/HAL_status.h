// The status codes every HAL_ operation that reports one returns; results
// come back through out arguments.
#pragma once

#include <cstdint>

enum : int32_t {
    HAL_OK = 0,
    HAL_NOT_SUPPORTED = 1,  // media content type or time format, no volume control
    HAL_BAD_ARGUMENT = 2,   // null object or buffer, index or size out of range
    HAL_END_OF_DATA = 3,    // end of data, or a stream that cannot be written
    HAL_NOT_FOUND = 4,      // missing file, store or property; failed request
    HAL_OUT_OF_MEMORY = 5,
    HAL_MALFORMED = 6,      // undecodable data, or a device error
    HAL_IO_ERROR = 7,       // input/output or system failure
    HAL_REFUSED = 8,        // the device refused the change
};
