#include "platform/shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/wide.h"

namespace platform {

// The folder that holds the file, opened in Explorer with the "open" verb.
void ShowInFolder(const std::string& filePath) {
  std::wstring path = ToWide(filePath);
  const std::size_t separator = path.find_last_of(L"\\/");
  if (separator == std::wstring::npos) return;
  std::wstring folder = path.substr(0, separator);
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';  // a drive root keeps its "\"
  ShellExecuteW(nullptr, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform
