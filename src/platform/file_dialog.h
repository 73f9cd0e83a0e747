#pragma once
// The system's picker for one document file.
#include <string>

namespace platform {

struct FileDialogRequest {
  bool save = false;        // save form: asks before an existing file is replaced
  std::string title;        // UTF-8 title of the dialog
  std::string initialName;  // suggested file name; empty for none
  std::string initialFolder;  // folder the picker starts in; empty for the picker's own choice
  std::string extension;      // the document files' extension with its dot: only such files are offered
  std::string filterName;     // UTF-8 name of that kind of file, shown by the picker
};

// Shows the picker and waits for the user. True only when a file was chosen; path is then its
// full UTF-8 path. The open form gives only files that exist. A missing picker, a failure and a
// cancelled dialog all give false.
bool PickDocumentFile(const FileDialogRequest& request, std::string& path);

}  // namespace platform
