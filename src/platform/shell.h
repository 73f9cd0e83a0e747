#pragma once
// Showing the user a file in the system's file manager.
#include <string>

namespace platform {

// Opens the folder that holds the file, with the file selected where the system can do so.
// Detached and fire-and-forget: nothing is reported back.
void ShowInFolder(const std::string& filePath);

}  // namespace platform
