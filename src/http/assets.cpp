#include "http/assets.h"

#include <string>

#include "platform/resources.h"

namespace {

// Written by the build from the one list of web files (cmake/WebResources.cmake).
constexpr AssetEntry kAssets[] = {
#include "web_assets.inc"
};

}  // namespace

std::span<const AssetEntry> AssetTable() { return kAssets; }

HttpResponse ServeAsset(const HttpRequest& request) {
  for (const AssetEntry& asset : kAssets) {
    if (asset.path != request.path) continue;
    const std::string_view bytes = platform::FindEmbeddedResource(asset.resourceId);
    if (bytes.data() == nullptr) return ErrorResponse(500, "resource_missing", "");
    HttpResponse response = DefaultResponse();
    response.contentType = std::string(asset.contentType);
    response.body = std::string(bytes);
    return response;
  }
  return ErrorResponse(404, "not_found", "");
}
