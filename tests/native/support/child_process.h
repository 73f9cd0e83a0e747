#pragma once
// Runs a function in a child process, for tests of what several processes do to one file.
#include <functional>
#include <string>

struct ChildProcess {
  long id = -1;  // process id, -1 when no child was started
};

// False where the platform cannot run a function in a child process; those tests skip.
bool ChildProcessesSupported();

// Starts a child that runs body and exits with its result (0-255).
ChildProcess StartChild(const std::function<int()>& body);

// Waits for the child and gives its exit code, or -1 when it did not exit normally.
int WaitChild(ChildProcess& child);

// Ends the child at once, as a crash or power cut would end it, and reaps it.
void KillChild(ChildProcess& child);

// One-way byte channel from children to the parent, created before StartChild.
struct Channel {
  int readEnd = -1;
  int writeEnd = -1;
};
Channel OpenChannel();
bool SendLine(const Channel& channel, const char* text);  // in the child
bool ReceiveLine(const Channel& channel, std::string& line);  // in the parent; false at end
void CloseWriteEnd(Channel& channel);
void CloseChannel(Channel& channel);
