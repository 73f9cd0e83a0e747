#include "app/instance_handoff.h"

#include "app/app_state.h"
#include "documents/browser_launch.h"
#include "app/messages.h"
#include "app/quiet_mode.h"
#include "documents/session.h"
#include "platform/files.h"
#include "util/text.h"
#include "util/messages.h"

namespace {

constexpr std::size_t kKeyHexLength = 16;

}  // namespace

std::string ComputeInstanceKey(const StartupOptions& options) {
  if (options.dataFolder.empty()) return {};
  const std::string digest = Sha256Hex(platform::InstanceKeyFolderText(options.dataFolder));
  return "." + digest.substr(0, kKeyHexLength);
}

std::string BuildHandOffPayload(const StartupOptions& options) {
  return options.pageId + "\n" + options.documentPath;
}

HandOffRequest ParseHandOffPayload(std::string_view payload) {
  HandOffRequest request;
  const std::size_t feed = payload.find('\n');
  const std::string_view page = payload.substr(0, feed);
  if (IsPageIdShape(page)) request.pageId = std::string(page);
  if (feed != std::string_view::npos) request.path = std::string(payload.substr(feed + 1));
  return request;
}

int HandOffToRunningInstance(const std::string& key, const StartupOptions& options) {
  const std::string payload = BuildHandOffPayload(options);
  for (int attempt = 0; attempt < kHandOffAttempts; ++attempt) {
    if (platform::SendHandOff(key, platform::kHandOffTag, payload, kHandOffSendTimeoutMs) ==
        platform::HandOffSendResult::Delivered) {
      return kExitNormal;
    }
    platform::SleepMilliseconds(kHandOffPauseMs);
  }
  ReportError(kCannotReachRunningInstanceMessage);
  return kExitRunningInstanceUnreachable;
}

std::uint32_t HandleHandOffMessage(AppState& app, const platform::HandOffMessage& message, std::string& errorReport) {
  if (message.tag != platform::kHandOffTag || message.tooLarge || message.payload.size() > platform::kLargestHandOffPayload) return 0;
  const HandOffRequest request = ParseHandOffPayload(message.payload);
  if (request.path.empty()) {
    OpenCurrentInBrowser(app.documents, request.pageId);
    return 1;
  }
  DocumentSession* session = nullptr;
  if (const Status opened = OpenDocument(app.documents, request.path, &session); !opened) {
    errorReport = MessageOf(opened.code());
    return 1;
  }
  LaunchBrowser(*session, request.pageId);
  return 1;
}
