#include "platform/process_args.h"

namespace platform {

// The bytes of argv are taken as UTF-8, which is what the desktop hands programs.
bool ProcessArguments(int argc, char** argv, std::vector<std::string>& arguments) {
  arguments.clear();
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return true;
}

}  // namespace platform
