#include "app/command_line.h"

#include <limits>

#include "platform/paths.h"
#include "util/text.h"

namespace {

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::int32_t ReadLenientInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;  // saturate, keep reading digits
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);  // -2^31 fits
  return static_cast<std::int32_t>(magnitude >= kLimit ? kLimit - 1 : magnitude);
}

bool ParseCommandLine(const std::vector<std::string>& arguments, StartupOptions& options) {
  bool valid = true;
  for (std::size_t i = 0; valid && i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (argument == "--no-browser") {
      options.noBrowser = true;
    } else if (hasValue && argument == "--data") {
      options.dataFolder = arguments[++i];
    } else if (hasValue && argument == "--port") {
      options.port = ReadLenientInteger(arguments[++i]);
    } else if (hasValue && argument == "--page") {
      options.pageId = arguments[++i];
    } else if (hasValue && argument == "--ticket-file") {
      options.ticketFile = arguments[++i];
    } else if (argument.empty() || argument.front() == '-' || !options.documentPath.empty()) {
      valid = false;  // unknown option, option without its value, or a second document path
    } else {
      valid = platform::AbsolutePath(argument, options.documentPath);
    }
  }
  if (static_cast<std::uint32_t>(options.port) > 65535) valid = false;
  if (!options.pageId.empty() && !IsPageIdShape(options.pageId)) valid = false;
  return valid;
}
