#pragma once
// Process-wide quiet mode: set once from --no-browser right after the command line is read;
// while it is on, no message box is shown.
#include <string>

void SetQuietMode(bool quiet);
bool IsQuietMode();

// Reports an error to the user: the text goes to the error output, and into an error
// message box unless quiet mode is on.
void ReportError(const std::string& text);
