#include "http/listener_core.h"

#include "platform/socket_poll.h"

ListenerCore::~ListenerCore() {
  for (const AdmittedRequest& waiting : admitted) platform::CloseSocket(waiting.socket);
  for (const AdmittedRequest& waiting : heavy) platform::CloseSocket(waiting.socket);
  for (const HandedAnswer& answer : handed) platform::CloseSocket(answer.socket);
  platform::CloseSocket(wakeSender);
  platform::CloseSocket(wakeReceiver);
}

void WakeLoop(ListenerCore& core) {
  const char byte = 1;
  // A full pipe already holds a wake-up, so a failed send loses nothing.
  platform::SendNow(core.wakeSender, &byte, 1);
}

void CloseConnection(ListenerCore& core, platform::SocketHandle socket) {
  platform::ShutdownBoth(socket);
  platform::CloseSocket(socket);
  core.open.fetch_sub(1);
}
