#pragma once
// One-time import of the older folder layout into a new document.
#include <string>

bool ImportLegacyFolder(const std::string& folder, const std::string& targetPath);
