#include "app/startup.h"

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/instance_handoff.h"
#include "app/messages.h"
#include "app/quiet_mode.h"
#include "app/running_instance.h"
#include "platform/instance.h"
#include "platform/memory.h"
#include "platform/process_args.h"

int RunFerncard(int argc, char** argv) {
  platform::KeepFreedMemoryForReuse();
  StartupOptions options;
  std::vector<std::string> arguments;
  const bool valid = platform::ProcessArguments(argc, argv, arguments) && ParseCommandLine(arguments, options);
  // Quiet mode comes first, so --no-browser silences the report of an invalid line too.
  SetQuietMode(options.noBrowser);
  if (!valid) {
    ReportError(kInvalidCommandLineMessage);
    return kExitInvalidCommandLine;
  }

  // One running instance per data folder: a later start hands its request over and ends. The
  // lock is held for as long as this process runs.
  const std::string instanceKey = ComputeInstanceKey(options);
  platform::InstanceLock instanceLock;
  if (platform::AcquireInstanceLock(instanceKey, instanceLock) == platform::InstanceLockResult::HeldElsewhere) {
    return HandOffToRunningInstance(instanceKey, options);
  }
  return RunInstance(options, instanceKey);
}
