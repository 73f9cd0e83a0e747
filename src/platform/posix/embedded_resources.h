#pragma once
// The table of the web client's files that the build generates (cmake/EmbedWebSource.cmake).
#include <cstddef>

namespace platform {

struct EmbeddedResource {
  int id;
  const unsigned char* bytes;
  std::size_t size;
};

extern const EmbeddedResource kEmbeddedResources[];
extern const std::size_t kEmbeddedResourceCount;

}  // namespace platform
