// The rpack command line, callable in-process so that tests run it as users do.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace rpack {

// args excludes the program name. Returns the exit status: 0 done, 1 the
// content or a file was refused (nothing written), 2 a usage error.
int runCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace rpack
