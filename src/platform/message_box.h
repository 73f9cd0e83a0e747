#pragma once
// Error reports that the user sees: a modal message box with the caption "Ferncard".
#include <string>

namespace platform {

// Writes the UTF-8 text and a line break to the process's error output, where there is one.
void WriteErrorOutput(const std::string& text);

// Shows the UTF-8 text in an error message box (no owner, caption "Ferncard", one OK button)
// and returns when the user has closed it. Does nothing where no box can be shown.
void ShowErrorBox(const std::string& text);

}  // namespace platform
