#include "platform/message_box.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform {

// A GUI process has an error output only when its starter handed it one (a redirect, a pipe).
void WriteErrorOutput(const std::string& text) {
  const HANDLE output = GetStdHandle(STD_ERROR_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return;
  const std::string line = text + "\n";
  DWORD written = 0;
  WriteFile(output, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

void ShowErrorBox(const std::string& text) {
  MessageBoxW(nullptr, ToWide(text).c_str(), L"Ferncard", MB_ICONERROR);
}

}  // namespace platform
