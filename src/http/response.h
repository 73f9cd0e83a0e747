#pragma once
// The answer record, the status table and the JSON error envelopes.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct HttpResponse {
  int status = 200;
  std::string contentType = "application/json; charset=utf-8";  // empty: no Content-Type line
  std::vector<std::pair<std::string, std::string>> headers;     // sent in order
  std::string body;
};

HttpResponse DefaultResponse();

// 200 (or the status given) with a JSON body.
HttpResponse JsonResponse(std::string body, int status = 200);

// 204 with neither content type nor body.
HttpResponse NoContent();

// {"error":"<code>","message":"<message>"}, both escaped.
HttpResponse ErrorResponse(int status, std::string_view code, std::string_view message);

// {"error":"<code>"}: the connection layer's refusals, sent without the gate's headers.
HttpResponse ConnectionErrorResponse(int status, std::string_view code);

const char* ReasonPhrase(int status);

// The exact bytes of the head (status line, headers, Connection and Content-Length, blank line).
std::string SerializeHead(const HttpResponse& response);

std::pair<std::string, std::string> EtagHeader(std::string value);
std::pair<std::string, std::string> ImmutableCacheHeader();
