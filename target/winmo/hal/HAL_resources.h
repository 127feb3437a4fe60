// Resource files: the game's resources are plain files in the "rsc" folder of
// the program's folder, opened here by name and read by absolute offset, so
// that a stream over one needs no buffer of its own and can seek anywhere.
#pragma once

#include <cstdint>
#include <string>

#include "VMTypes.h"

// An open resource file; null for none.
struct HAL_ResourceFile;

// Opens `name` (`length` UTF-16 units, no terminator needed) under the
// resource folder, read-only. HAL_BAD_ARGUMENT for a null `handle` or name, a
// length below 1 or a name holding U+0000 (the file system would cut the name
// there and open some other file); HAL_OUT_OF_MEMORY when the path can't be
// built; HAL_NOT_FOUND when there is no regular file of that name inside the
// folder (a ".." step never leaves it). *handle is null after any failure.
int32_t HAL_openResource(HAL_ResourceFile** handle, const jchar* name, jint length);
// The file's size in bytes (at most 2^31 - 1), or -1 for a null handle or a
// file whose size can't be read.
jint HAL_getResourceSize(HAL_ResourceFile* handle);
// Reads up to *count bytes from `offset` into `buffer` and sets *count to the
// bytes read; fewer at the end of the file, 0 from its end on.
// HAL_BAD_ARGUMENT for a null handle, buffer or count, or a negative offset
// or count; HAL_IO_ERROR when the file can't be read.
int32_t HAL_readResource(HAL_ResourceFile* handle, void* buffer, jint offset, jint* count);
// Closes the file; null does nothing.
void HAL_closeResource(HAL_ResourceFile* handle);

// The folder on disk that every resource path starts with (the program's
// folder, then "/rsc/"); "" when it can't be known.
std::string HAL_resourceFolder();
// Where a resource of that name lies on disk (the program's folder, "/rsc/",
// then the name), for messages; "" when the name can't be a resource's.
std::string HAL_resourcePath(const jchar* name, jint length);
// What keeps the resource from being opened, for messages: "no such file",
// "a folder, not a file", "cannot open it: <the system's reason>" and the
// like; "" when it opens.
std::string HAL_resourceProblem(const jchar* name, jint length);
