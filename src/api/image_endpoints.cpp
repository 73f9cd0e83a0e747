#include "api/image_endpoints.h"

#include <vector>

#include "api/failure_answer.h"
#include "documents/document_records.h"

HttpResponse AnswerUploadImage(DocumentSession& session, const HttpRequest& request, const ApiPathIds&) {
  const ImageUpload upload = AddDocumentImage(session, request.body);
  if (upload.result != StatusCode::Ok) return FailureAnswer(upload.result);
  return JsonResponse("{\"id\":\"" + upload.id + "\"}", 201);
}

HttpResponse AnswerListImages(DocumentSession& session, const HttpRequest&, const ApiPathIds&) {
  std::vector<ImageInfo> images;
  if (Status listed = ListDocumentImages(session, images); !listed) return FailureAnswer(listed);
  std::string body = "{\"images\":[";
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (i > 0) body += ',';
    body += "{\"id\":\"" + images[i].id + "\",\"size\":" + std::to_string(images[i].size) +
            ",\"modified\":" + std::to_string(images[i].modified) + "}";
  }
  return JsonResponse(body + "]}");
}

HttpResponse AnswerGetImage(DocumentSession& session, const HttpRequest&, const ApiPathIds& ids) {
  ImageRead read = ReadDocumentImage(session, ids.id);
  if (read.result != StatusCode::Ok) return FailureAnswer(read.result);
  HttpResponse response = DefaultResponse();
  response.contentType = std::move(read.contentType);
  response.body = std::move(read.bytes);
  // An identifier never names other bytes, so the browser may keep the image for a year.
  response.headers.push_back(ImmutableCacheHeader());
  return response;
}

HttpResponse AnswerDeleteImage(DocumentSession& session, const HttpRequest&, const ApiPathIds& ids) {
  const Status result = DeleteDocumentImage(session, ids.id);
  if (result != StatusCode::Ok) return FailureAnswer(result);
  return NoContent();
}
