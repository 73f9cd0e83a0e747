#pragma once
// One parsed HTTP request, as a request worker hands it to the request handler.
#include <map>
#include <string>
#include <string_view>

struct HttpRequest {
  std::string method;                          // exactly as received
  std::string path;                            // target up to the first '?', not decoded
  std::map<std::string, std::string> query;    // raw keys and values
  std::map<std::string, std::string> headers;  // lower-cased names, trimmed values
  std::string body;                            // exactly Content-Length bytes

  // The value of the header of that lower-case name, or null when it was not sent.
  const std::string* Header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? nullptr : &found->second;
  }
};
