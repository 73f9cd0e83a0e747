#include "platform/win32/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "platform/unicode.h"

namespace platform {
namespace {

struct LocalArgv {
  LPWSTR* items = nullptr;
  ~LocalArgv() {
    if (items) LocalFree(items);
  }
};

}  // namespace

bool SplitCommandLine(const wchar_t* commandLine, std::vector<std::string>& arguments) {
  arguments.clear();
  int count = 0;
  LocalArgv argv;
  argv.items = CommandLineToArgvW(commandLine, &count);
  if (!argv.items) return false;
  for (int i = 0; i < count; ++i) {
    const std::wstring_view wide(argv.items[i]);
    const std::u16string text(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
    arguments.push_back(text.empty() ? std::string() : WideToUtf8(text));
  }
  return true;
}

}  // namespace platform
