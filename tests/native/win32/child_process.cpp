// No fork on Windows: the tests that need several processes skip there.
#include "support/child_process.h"

bool ChildProcessesSupported() { return false; }
ChildProcess StartChild(const std::function<int()>&) { return {}; }
int WaitChild(ChildProcess&) { return -1; }
void KillChild(ChildProcess&) {}
Channel OpenChannel() { return {}; }
bool SendLine(const Channel&, const char*) { return false; }
bool ReceiveLine(const Channel&, std::string&) { return false; }
void CloseWriteEnd(Channel&) {}
void CloseChannel(Channel&) {}
