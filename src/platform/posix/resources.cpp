#include "platform/resources.h"

#include "platform/posix/embedded_resources.h"

namespace platform {

std::string_view FindEmbeddedResource(int id) {
  for (std::size_t i = 0; i < kEmbeddedResourceCount; ++i) {
    const EmbeddedResource& resource = kEmbeddedResources[i];
    if (resource.id == id) return {reinterpret_cast<const char*>(resource.bytes), resource.size};
  }
  return {};
}

}  // namespace platform
