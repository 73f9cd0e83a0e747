#pragma once
// The arguments of the process as UTF-8, without the program path.
#include <string>
#include <vector>

namespace platform {

// False when the command line cannot be split into arguments.
bool ProcessArguments(int argc, char** argv, std::vector<std::string>& arguments);

}  // namespace platform
