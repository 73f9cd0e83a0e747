#include "platform/folder_window.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"

namespace platform {

void OpenFolderWindow(const std::string& folder) {
  ShellExecuteW(nullptr, L"open", ToWide(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform
