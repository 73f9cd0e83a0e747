#include "app/quiet_mode.h"

#include <atomic>

#include "platform/message_box.h"

namespace {
std::atomic<bool> quietMode{false};
}

void SetQuietMode(bool quiet) { quietMode.store(quiet); }

bool IsQuietMode() { return quietMode.load(); }

void ReportError(const std::string& text) {
  platform::WriteErrorOutput(text);
  if (!IsQuietMode()) platform::ShowErrorBox(text);
}
