#include "api/image_endpoints.h"

#include <vector>

#include "api/record_endpoints.h"
#include "documents/document_records.h"

HttpResponse HandleUploadImage(DocumentSession& session, const HttpRequest& request) {
  const ImageUpload upload = AddDocumentImage(session, request.body);
  if (upload.refusal == ImageRefusal::TooLarge) return ErrorResponse(413, "too_large", "画像は 1 枚 20MB までです。");
  if (upload.refusal == ImageRefusal::NotAnImage) {
    return ErrorResponse(415, "unsupported_image", "PNG / JPEG / GIF / WebP の画像を指定してください。");
  }
  if (upload.result != StoreResult::Ok) return StoreError(upload.result);
  return JsonResponse("{\"id\":\"" + upload.id + "\"}", 201);
}

HttpResponse HandleListImages(DocumentSession& session) {
  std::vector<ImageInfo> images;
  if (!ListDocumentImages(session, images)) return StoreError(StoreResult::Error);
  std::string body = "{\"images\":[";
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (i > 0) body += ',';
    body += "{\"id\":\"" + images[i].id + "\",\"size\":" + std::to_string(images[i].size) +
            ",\"modified\":" + std::to_string(images[i].modified) + "}";
  }
  return JsonResponse(body + "]}");
}

HttpResponse HandleGetImage(DocumentSession& session, const std::string& id) {
  ImageRead read = ReadDocumentImage(session, id);
  if (read.result != StoreResult::Ok) return StoreError(read.result);
  HttpResponse response = DefaultResponse();
  response.contentType = std::move(read.contentType);
  response.body = std::move(read.bytes);
  // An identifier never names other bytes, so the browser may keep the image for a year.
  response.headers.push_back(ImmutableCacheHeader());
  return response;
}

HttpResponse HandleDeleteImage(DocumentSession& session, const std::string& id) {
  const StoreResult result = DeleteDocumentImage(session, id);
  if (result != StoreResult::Ok) return StoreError(result);
  return NoContent();
}
