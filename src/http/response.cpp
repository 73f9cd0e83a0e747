#include "http/response.h"

#include "util/text.h"

HttpResponse DefaultResponse() { return HttpResponse{}; }

HttpResponse JsonResponse(std::string body, int status) {
  HttpResponse response = DefaultResponse();
  response.status = status;
  response.body = std::move(body);
  return response;
}

HttpResponse NoContent() {
  HttpResponse response = DefaultResponse();
  response.status = 204;
  response.contentType.clear();
  return response;
}

HttpResponse ErrorResponse(int status, std::string_view code, std::string_view message) {
  HttpResponse response = DefaultResponse();
  response.status = status;
  response.body = "{\"error\":\"" + JsonEscape(code) + "\",\"message\":\"" + JsonEscape(message) + "\"}";
  return response;
}

HttpResponse ConnectionErrorResponse(int status, std::string_view code) {
  HttpResponse response = DefaultResponse();
  response.status = status;
  response.body = "{\"error\":\"" + std::string(code) + "\"}";
  return response;
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 409: return "Conflict";
    case 412: return "Precondition Failed";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 428: return "Precondition Required";
    default: return "Internal Server Error";
  }
}

std::string SerializeHead(const HttpResponse& response) {
  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + ReasonPhrase(response.status) + "\r\n";
  if (!response.contentType.empty()) head += "Content-Type: " + response.contentType + "\r\n";
  for (const auto& [name, value] : response.headers) head += name + ": " + value + "\r\n";
  head += "Connection: close\r\nContent-Length: " + std::to_string(response.body.size()) + "\r\n\r\n";
  return head;
}

std::pair<std::string, std::string> EtagHeader(std::string value) { return {"ETag", std::move(value)}; }

std::pair<std::string, std::string> ImmutableCacheHeader() {
  return {"Cache-Control", "private, max-age=31536000, immutable"};
}
