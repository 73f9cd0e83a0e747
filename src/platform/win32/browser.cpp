// Microsoft Edge as a chromeless application window, found through its App Paths entry; the
// default handler for addresses otherwise.
#include "platform/browser.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/message_box.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

constexpr wchar_t kEdgeKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\msedge.exe";

// The Edge path registered under the root key, when it names something that exists.
std::wstring EdgeUnder(HKEY root) {
  std::vector<wchar_t> buffer(32768, L'\0');
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegGetValueW(root, kEdgeKey, nullptr, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) != ERROR_SUCCESS) return {};
  const std::wstring path(buffer.data());
  if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  return path;
}

bool StartEdge(const std::wstring& address) {
  std::wstring edge = EdgeUnder(HKEY_LOCAL_MACHINE);
  if (edge.empty()) edge = EdgeUnder(HKEY_CURRENT_USER);
  if (edge.empty()) return false;
  // The address needs no quotes: it is an http address with a hexadecimal ticket.
  std::wstring commandLine = L"\"" + edge + L"\" --app=" + address;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(edge.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  // The browser lives on its own; it is neither waited for nor tracked.
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

void OpenAddressInBrowser(const std::string& address, std::function<void()> /*notShown*/) {
  const std::wstring wide = ToWide(address);
  if (StartEdge(wide)) return;
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) WriteErrorOutput(address);  // no handler at all: the user can still copy it
}

}  // namespace platform
