#pragma once
// The bounded pool of threads that answer admitted requests: each reads the rest of a body,
// calls the handler and sends what the peer takes at once; the rest goes to the loop, so a
// peer that does not read never holds a worker. Requests that move large bodies take turns on
// a few of the workers, so the rest are always free for light ones (status, small pages):
// those never queue behind a crowd of large answers.
#include <cstddef>
#include <memory>

#include "http/listener_core.h"

// Starts up to count detached workers; each holds a share of core and ends once the listener
// stops and no admitted request is left. The number started.
std::size_t StartRequestWorkers(const std::shared_ptr<ListenerCore>& core, std::size_t count);

// Queues a request for the next free worker (a heavy one for the next heavy turn).
void AdmitRequest(ListenerCore& core, AdmittedRequest request);
