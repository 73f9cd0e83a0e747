#include "http/assets.h"

#include <array>
#include <string>

#include "platform/resources.h"

namespace {

// The identifiers are those the build gives the files of web/ (cmake/EmbedWeb.cmake).
constexpr std::string_view kScript = "text/javascript; charset=utf-8";
constexpr std::array<AssetEntry, 13> kAssets = {{
    {"/", 201, "text/html; charset=utf-8"},
    {"/assets/css/app.css", 202, "text/css; charset=utf-8"},
    {"/assets/js/api.js", 203, kScript},
    {"/assets/js/app.js", 204, kScript},
    {"/assets/js/dialogs.js", 211, kScript},
    {"/assets/js/editor.js", 205, kScript},
    {"/assets/js/images.js", 206, kScript},
    {"/assets/js/sanitize.js", 208, kScript},
    {"/assets/js/toolbar.js", 209, kScript},
    {"/assets/js/tree.js", 210, kScript},
    {"/assets/js/export.js", 212, kScript},
    {"/assets/js/backups.js", 221, kScript},
    {"/assets/favicon.png", 213, "image/png"},
}};

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
