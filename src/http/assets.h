#pragma once
// The web client's files, compiled into the program and answered by request path.
#include <span>
#include <string_view>

#include "http/request.h"
#include "http/response.h"

struct AssetEntry {
  std::string_view path;         // exact request path
  int resourceId;                // integer resource name
  std::string_view contentType;
};

// The fixed table, in look-up order.
std::span<const AssetEntry> AssetTable();

// Answers an admitted GET outside /api/: the file's bytes, 404 "not_found" or 500 "resource_missing".
HttpResponse ServeAsset(const HttpRequest& request);
