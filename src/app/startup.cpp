#include "app/startup.h"

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/messages.h"
#include "app/quiet_mode.h"
#include "app/running_instance.h"
#include "platform/process_args.h"

int RunFerncard(int argc, char** argv) {
  StartupOptions options;
  std::vector<std::string> arguments;
  const bool valid = platform::ProcessArguments(argc, argv, arguments) && ParseCommandLine(arguments, options);
  // Quiet mode comes first, so --no-browser silences the report of an invalid line too.
  SetQuietMode(options.noBrowser);
  if (!valid) {
    ReportError(kInvalidCommandLineMessage);
    return kExitInvalidCommandLine;
  }

  // The instance check and hand-off (exit 0 or 3) and the hidden window with the tray (exit 5)
  // join here when they land; the running instance is served from here on.
  return RunInstance(options);
}
