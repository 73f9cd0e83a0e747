#pragma once
// The head of a connection's request, read from bytes as they come, without a thread or a
// socket of its own: it finds the end of the head, parses it, applies the connection layer's
// refusals and the head check, and counts away the body of a refused request. What it admits
// goes on with the bytes of the body that came with the head.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "http/request.h"
#include "http/response.h"

constexpr std::size_t kReceiveBufferSize = 65536;  // also the most bytes buffered while no head ended
constexpr std::size_t kMaxBodyLength = 33554432;   // 32 MiB
constexpr std::size_t kMaxContentLengthDigits = 12;

// Looks at a request as soon as its head is parsed, before any body is kept: an answer refuses
// it, nothing lets it through.
using HeadCheck = std::function<std::optional<HttpResponse>(const HttpRequest& head)>;

class HeadReader {
 public:
  enum class Step {
    More,      // give it the next bytes received (at most kReceiveBufferSize at a time)
    Admitted,  // Request() holds the head and the body bytes so far; BodyLength() in all
    Answer,    // send Answer() and close; nothing more is read
    Silent,    // close without an answer: not one byte came
  };

  explicit HeadReader(const HeadCheck* check = nullptr) : check_(check) {}

  // Bytes received. Never called once the step is no longer More.
  Step Take(std::string_view bytes);
  // The peer closed, failed or ran out of time before the step moved on.
  Step End();

  HttpRequest& Request() { return request_; }
  std::size_t BodyLength() const { return length_; }
  HttpResponse& Answer() { return answer_; }
  // True while the head has not ended: a peer that stops now gets no more than a 400.
  bool InHead() const { return !judged_; }

 private:
  Step Judge(std::size_t headEnd);
  Step Refuse(int status, const char* code);

  const HeadCheck* check_;
  std::string data_;         // the bytes up to and past the end of the head
  bool judged_ = false;      // the head has ended and been judged
  std::size_t toDrain_ = 0;  // body bytes of a refused request still to be read and dropped
  HttpRequest request_;
  std::size_t length_ = 0;
  HttpResponse answer_;
};

// Fills method, path, query and headers from a head without its terminating blank line.
// False when the head does not parse (a 400 "bad_request").
bool ParseRequestHead(std::string_view head, HttpRequest& request);
