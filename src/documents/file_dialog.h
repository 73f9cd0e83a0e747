#pragma once
// The open and save dialogs for document files; only one is open in the process at a time.
#include <string>
#include "util/messages.h"


// True only when the user chose a file; path is then set. False at once, without a dialog, while
// another call is still showing one anywhere in the process.
// initialFolder, when not empty, is where the picker starts.
bool ShowFileDialog(bool save, const std::string& initialName, std::string& path,
                    const std::string& initialFolder = "");
