#include "platform/small_files.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/wide.h"

namespace platform {

// The file inherits the permissions of its folder, which for the user's own folders keeps it
// to the user.
bool WriteFileParts(const std::string& path, std::initializer_list<std::string_view> parts) {
  const std::wstring name = SystemPath(path);
  if (name.empty()) return false;
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (const std::string_view bytes : parts) {
    // WriteFile takes at most 4 GB at a time; a gigabyte per call keeps well below.
    for (std::size_t done = 0; ok && done < bytes.size();) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
      DWORD written = 0;
      ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
      done += written;
    }
  }
  if (!CloseHandle(file)) ok = false;
  return ok;
}

}  // namespace platform
