#pragma once
// One running instance per data folder: a later start hands its page and document path to the
// running instance and ends.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/options.h"
#include "platform/instance.h"

struct AppState;

inline constexpr int kHandOffAttempts = 100;
inline constexpr int kHandOffPauseMs = 100;
inline constexpr int kHandOffSendTimeoutMs = 5000;

// Empty without --data; else "." and the first 16 hex characters of the SHA-256 of the folder text.
std::string ComputeInstanceKey(const StartupOptions& options);

// The page, a line feed, the document path.
std::string BuildHandOffPayload(const StartupOptions& options);

struct HandOffRequest {
  std::string pageId;  // empty unless in the page identifier shape
  std::string path;    // empty when no document was named
};

// The page is the text before the first line feed (all of it when there is none), the path the
// text after it.
HandOffRequest ParseHandOffPayload(std::string_view payload);

// Waits for the running instance's receiver (100 attempts, 100 ms apart) and sends it the
// request. 0 once sent, whatever became of it; 3 (after the error report) when none was found.
int HandOffToRunningInstance(const std::string& key, const StartupOptions& options);

// Handles one message of a later start on the main thread: 1 when taken, 0 when refused. A
// document that cannot be opened leaves its message in errorReport, which the caller shows only
// after the sender has its answer.
std::uint32_t HandleHandOffMessage(AppState& app, const platform::HandOffMessage& message, std::string& errorReport);
