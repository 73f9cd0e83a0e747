#pragma once
// The program's log of failures that a user sees only as a message: the cause goes to standard
// error, one line each, so that a report can say what the library or the system said.
#include <string_view>

#include "util/status.h"

// "ferncard: <what>: <cause>"; nothing for a status that is ok.
void LogFailure(std::string_view what, const Status& status);
