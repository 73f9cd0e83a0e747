#include "api/image_endpoints.h"

#include <vector>

#include "api/record_endpoints.h"
#include "store/images.h"

HttpResponse HandleUploadImage(DocumentFile& document, const HttpRequest& request) {
  // The size is tested before the type, so an oversized file of any kind gets the size message.
  if (request.body.size() > kMaxImageBytes) return ErrorResponse(413, "too_large", "画像は 1 枚 20MB までです。");
  if (!SniffImageType(request.body)) {
    return ErrorResponse(415, "unsupported_image", "PNG / JPEG / GIF / WebP の画像を指定してください。");
  }
  std::string id;
  const StoreResult result = InsertImage(document, request.body, id);
  if (result != StoreResult::Ok) return StoreError(result);
  return JsonResponse("{\"id\":\"" + id + "\"}", 201);
}

HttpResponse HandleListImages(DocumentFile& document) {
  std::vector<ImageInfo> images;
  if (!ListImages(document, images)) return StoreError(StoreResult::Error);
  std::string body = "{\"images\":[";
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (i > 0) body += ',';
    body += "{\"id\":\"" + images[i].id + "\",\"size\":" + std::to_string(images[i].size) +
            ",\"modified\":" + std::to_string(images[i].modified) + "}";
  }
  return JsonResponse(body + "]}");
}

HttpResponse HandleGetImage(DocumentFile& document, const std::string& id) {
  std::string bytes;
  std::string contentType;
  const StoreResult result = GetImage(document, id, bytes, contentType);
  if (result != StoreResult::Ok) return StoreError(result);
  HttpResponse response = DefaultResponse();
  response.contentType = std::move(contentType);
  response.body = std::move(bytes);
  // An identifier never names other bytes, so the browser may keep the image for a year.
  response.headers.push_back(ImmutableCacheHeader());
  return response;
}

HttpResponse HandleDeleteImage(DocumentFile& document, const std::string& id) {
  const StoreResult result = DeleteImage(document, id);
  if (result != StoreResult::Ok && result != StoreResult::NotFound) return StoreError(result);
  return NoContent();
}
