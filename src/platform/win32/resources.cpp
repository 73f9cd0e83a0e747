// The web client's files, compiled into the executable as RT_RCDATA resources.
#include "platform/resources.h"

#include <windows.h>

namespace platform {

std::string_view FindEmbeddedResource(int id) {
  // Resources stay mapped for the life of the process; nothing is freed.
  const HMODULE module = GetModuleHandleW(nullptr);
  const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (resource == nullptr) return {};
  const HGLOBAL loaded = LoadResource(module, resource);
  if (loaded == nullptr) return {};
  const void* bytes = LockResource(loaded);
  const DWORD size = SizeofResource(module, resource);
  if (bytes == nullptr) return {};
  return {static_cast<const char*>(bytes), size};
}

}  // namespace platform
