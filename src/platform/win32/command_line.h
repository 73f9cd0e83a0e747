#pragma once
// The process command line, split the way Windows splits it, as UTF-8 arguments.
#include <string>
#include <vector>

namespace platform {

// Splits with CommandLineToArgvW and converts every argument to UTF-8; the first is the
// program path. False when the system cannot split the line.
bool SplitCommandLine(const wchar_t* commandLine, std::vector<std::string>& arguments);

}  // namespace platform
