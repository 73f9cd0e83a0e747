#pragma once
// Reading the command line into StartupOptions.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/options.h"

// Reads arguments (UTF-8, without the program path) into options. True when the whole line
// is valid; on false the options may be partly filled and must not be used.
bool ParseCommandLine(const std::vector<std::string>& arguments, StartupOptions& options);

// A decimal number read the lenient way the port has always been read: leading white space
// and one sign allowed, reading stops at the first non-digit, no digits gives 0; values
// beyond the 32-bit range give the nearest limit.
std::int32_t ReadLenientInteger(std::string_view text);
