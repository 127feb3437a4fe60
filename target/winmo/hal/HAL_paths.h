// Paths under the program's folder, where it finds its resources,
// properties and record stores. Paths are UTF-8 and joined with '/'.
#pragma once

#include <cstddef>

// The program's folder without a trailing '/': the executable's folder, or
// WREN_MODULE_DIR when that is set and not empty. Read once and kept.
const char* getModuleDirectory();

// A new counted block (free it with HAL_freeNative) holding the module
// directory, `subPath` and `name` one after the other, NUL-terminated; null
// when memory runs out. The sub-path carries its own separators ("/rsc/").
// A null part counts as empty.
char* buildModulePath(const char* subPath, const char* name);

// Writes the same path into `buffer` of `capacity` characters. Returns 1,
// with the buffer cleared and then filled; 0 when the path's length plus one
// is not below the capacity (or the buffer is null), with the buffer left
// alone. The record stores pass a capacity of 260.
int buildModulePathInto(char* buffer, size_t capacity, const char* subPath, const char* name);
