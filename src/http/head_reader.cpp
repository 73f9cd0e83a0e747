#include "http/head_reader.h"

#include <algorithm>
#include <cstdint>

#include "util/text.h"

namespace {

std::string_view TrimSpacesAndTabs(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

void ParseQuery(std::string_view text, std::map<std::string, std::string>& query) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('&', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view piece = text.substr(start, end - start);
    const std::size_t equals = piece.find('=');
    if (equals != std::string_view::npos) {
      query[std::string(piece.substr(0, equals))] = std::string(piece.substr(equals + 1));
    }
    start = end + 1;
  }
}

// Body length from the content-length header; false with the refusal when it is not allowed.
bool ContentLength(const HttpRequest& request, std::size_t& length, HttpResponse& refusal) {
  length = 0;
  const auto found = request.headers.find("content-length");
  if (found == request.headers.end()) return true;
  const std::string& value = found->second;
  if (value.empty() || value.size() > kMaxContentLengthDigits ||
      value.find_first_not_of("0123456789") != std::string::npos) {
    refusal = ConnectionErrorResponse(400, "bad_length");
    return false;
  }
  std::uint64_t number = 0;
  for (const char digit : value) number = number * 10 + static_cast<std::uint64_t>(digit - '0');
  if (number > kMaxBodyLength) {
    refusal = ConnectionErrorResponse(413, "too_large");
    return false;
  }
  length = static_cast<std::size_t>(number);
  return true;
}

}  // namespace

bool ParseRequestHead(std::string_view head, HttpRequest& request) {
  HttpRequest parsed;
  const std::size_t lineEnd = head.find("\r\n");
  const std::string_view requestLine = head.substr(0, lineEnd);

  const std::size_t firstSpace = requestLine.find(' ');
  if (firstSpace == std::string_view::npos || firstSpace + 1 >= requestLine.size()) return false;
  const std::size_t secondSpace = requestLine.find(' ', firstSpace + 1);
  if (secondSpace == std::string_view::npos) return false;
  const std::string_view target = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
  if (target.empty() || target.front() != '/') return false;

  parsed.method = std::string(requestLine.substr(0, firstSpace));
  const std::size_t question = target.find('?');
  parsed.path = std::string(target.substr(0, question));
  if (question != std::string_view::npos) ParseQuery(target.substr(question + 1), parsed.query);

  if (lineEnd != std::string_view::npos) {
    std::size_t start = lineEnd + 2;
    while (start <= head.size()) {
      std::size_t end = head.find("\r\n", start);
      if (end == std::string_view::npos) end = head.size();
      const std::string_view line = head.substr(start, end - start);
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos || colon == 0) return false;
      std::string name = AsciiLower(line.substr(0, colon));
      // Two host lines could be read differently by different readers: refuse them.
      if (name == "host" && parsed.headers.contains("host")) return false;
      parsed.headers[std::move(name)] = std::string(TrimSpacesAndTabs(line.substr(colon + 1)));
      start = end + 2;
    }
  }
  request = std::move(parsed);
  return true;
}

HeadReader::Step HeadReader::Take(std::string_view bytes) {
  if (bytes.empty()) return Step::More;
  if (judged_) {  // the body of a refused request: counted, never kept
    toDrain_ -= std::min(toDrain_, bytes.size());
    return toDrain_ == 0 ? Step::Answer : Step::More;
  }
  // Only the new bytes and the three before them can complete the blank line.
  const std::size_t searchFrom = data_.size() >= 3 ? data_.size() - 3 : 0;
  data_.append(bytes);
  const std::size_t headEnd = data_.find("\r\n\r\n", searchFrom);
  if (headEnd != std::string::npos) return Judge(headEnd);
  if (data_.size() >= kReceiveBufferSize) return Refuse(400, "bad_request");
  return Step::More;
}

HeadReader::Step HeadReader::End() {
  if (judged_) return Refuse(400, "incomplete");
  if (data_.empty()) return Step::Silent;
  return Refuse(400, "bad_request");
}

HeadReader::Step HeadReader::Refuse(int status, const char* code) {
  judged_ = true;
  data_ = std::string();
  answer_ = ConnectionErrorResponse(status, code);
  return Step::Answer;
}

HeadReader::Step HeadReader::Judge(std::size_t headEnd) {
  judged_ = true;
  HttpRequest parsed;
  if (!ParseRequestHead(std::string_view(data_).substr(0, headEnd), parsed)) return Refuse(400, "bad_request");
  if (parsed.headers.contains("transfer-encoding")) return Refuse(400, "chunked_not_supported");
  if (!ContentLength(parsed, length_, answer_)) {
    data_ = std::string();
    return Step::Answer;
  }
  const std::size_t arrived = std::min(data_.size() - (headEnd + 4), length_);
  if (check_ != nullptr && *check_) {
    if (std::optional<HttpResponse> refusal = (*check_)(parsed)) {
      answer_ = std::move(*refusal);
      toDrain_ = length_ - arrived;
      data_ = std::string();
      return toDrain_ == 0 ? Step::Answer : Step::More;
    }
  }
  parsed.body.assign(data_, headEnd + 4, arrived);  // whatever follows the body is dropped
  data_ = std::string();
  request_ = std::move(parsed);
  return Step::Admitted;
}
