#pragma once
// One parsed HTTP request, as the connection thread hands it to the request handler.
#include <map>
#include <string>

struct HttpRequest {
  std::string method;                          // exactly as received
  std::string path;                            // target up to the first '?', not decoded
  std::map<std::string, std::string> query;    // raw keys and values
  std::map<std::string, std::string> headers;  // lower-cased names, trimmed values
  std::string body;                            // exactly Content-Length bytes
};
