// The program's folder, under which the host finds "properties/" and keeps
// its single-instance lock: WREN_MODULE_DIR when set, else the folder of the
// running executable.
#pragma once

#include <string>

std::string hostProgramFolder();
