#pragma once
// The one thread of a listener that waits on every connection at once: it accepts, reads each
// head as its bytes come (HeadReader), answers what the gate or the connection layer refuses,
// hands what is admitted to the request workers, and finishes the answers they could not send
// at once. Connections that have not passed the gate are held up to a limit, the oldest dropped
// first; unsent answers are held up to a byte budget, the oldest cut first.
#include <memory>

#include "http/listener_core.h"

// Runs until core.stopping, then finishes answers under way (waiting for the workers) for at
// most stopWaitMs before it closes what is left. listening is the caller's to close afterwards.
void RunConnectionLoop(std::shared_ptr<ListenerCore> core, platform::SocketHandle listening, std::uint32_t stopWaitMs);
