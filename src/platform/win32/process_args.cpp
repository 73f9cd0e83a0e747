#include "platform/process_args.h"

#include <windows.h>

#include "platform/win32/command_line.h"

namespace platform {

// The C runtime's argv is in the ANSI code page; the wide command line is what the user typed.
bool ProcessArguments(int, char**, std::vector<std::string>& arguments) {
  arguments.clear();
  std::vector<std::string> all;
  if (!SplitCommandLine(GetCommandLineW(), all)) return false;
  if (!all.empty()) all.erase(all.begin());  // the program path
  arguments = std::move(all);
  return true;
}

}  // namespace platform
