#pragma once
// Showing a folder to the user in the system's file manager.
#include <string>

namespace platform {

// Opens a file manager window on the folder. Does not wait for it and reports nothing.
void OpenFolderWindow(const std::string& folder);

}  // namespace platform
