#pragma once
// The start-up sequence; returns the process exit code.
int RunFerncard(int argc, char** argv);
