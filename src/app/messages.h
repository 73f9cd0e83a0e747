#pragma once
// The process's exit codes; the texts of their error boxes are in the catalogue, util/messages.h.
#include "util/messages.h"

// Process exit codes.
enum ExitCode : int {
  kExitNormal = 0,
  kExitInvalidCommandLine = 2,
  kExitRunningInstanceUnreachable = 3,
  kExitInitializationFailed = 4,
  kExitWindowCreationFailed = 5,
};
