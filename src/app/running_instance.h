#pragma once
// The life of the running instance once the command line has been accepted.
#include <string>

#include "app/options.h"

// Initialises the application, opens the hand-off receiver of the instance key and the tray icon,
// opens the first browser window, serves until the user or the system asks the program to end,
// then stops every listener. A failed start returns its exit code (4); a normal end leaves the
// process from here with exit code 0.
int RunInstance(const StartupOptions& options, const std::string& instanceKey);
