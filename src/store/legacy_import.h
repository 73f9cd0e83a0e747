#pragma once
// One-time import of the older folder layout into a new document.
#include <string>

#include "util/status.h"

Status ImportLegacyFolder(const std::string& folder, const std::string& targetPath);
