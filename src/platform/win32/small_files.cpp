#include "platform/small_files.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform {

// The file inherits the permissions of its folder, which for the user's own folders keeps it
// to the user.
bool WriteSmallFile(const std::string& path, const std::string& bytes) {
  const std::wstring name = SystemPath(path);
  if (name.empty() || bytes.size() > 0x7fffffff) return false;
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size());
  if (!CloseHandle(file)) ok = false;
  return ok;
}

}  // namespace platform
