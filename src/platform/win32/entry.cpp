// Process entry on Windows: the GUI entry point hands the UTF-8 command line to the
// start-up sequence.
#include <windows.h>

#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/win32/command_line.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<std::string> arguments;
  if (!platform::SplitCommandLine(GetCommandLineW(), arguments)) {
    // A line the system cannot split is an invalid line; an empty argument makes the
    // start-up report it the same way as any other invalid line.
    arguments = {std::string("ferncard.exe"), std::string()};
  }
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return RunFerncard(static_cast<int>(arguments.size()), argv.data());
}
