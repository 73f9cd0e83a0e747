#include "support/system_for_tests.h"

#include <windows.h>

#include "platform/win32/wide.h"

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool FileNamesIgnoreCase() { return true; }

bool SetLastWriteMs(const std::string& path, std::int64_t millisecondsSince1970) {
  const std::wstring name = platform::SystemPath(path);
  const HANDLE file = CreateFileW(name.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const auto ticks = static_cast<std::uint64_t>(millisecondsSince1970 + 11644473600000) * 10000;
  FILETIME time{static_cast<DWORD>(ticks & 0xffffffffu), static_cast<DWORD>(ticks >> 32)};
  const bool ok = SetFileTime(file, nullptr, nullptr, &time) != 0;
  CloseHandle(file);
  return ok;
}
