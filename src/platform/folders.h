#pragma once
// The user's folders that the program keeps its files in.
#include <string>

namespace platform {

// The user's Documents folder; empty when it cannot be found.
std::string UserDocumentsFolder();

// The folder for the user's program state that stays on this machine; empty when it cannot be found.
std::string UserLocalDataFolder();

// Creates the folder with every missing parent. True when the folder exists afterwards.
// A path that is not absolute is refused.
bool CreateFolderTree(const std::string& path);

}  // namespace platform
