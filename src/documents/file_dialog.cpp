#include "documents/file_dialog.h"

#include <atomic>

#include "platform/file_dialog.h"
#include "store/document_file.h"

namespace {

// Set while a dialog is shown: a second request (another browser window, the tray) must not stack
// a second dialog on the first.
std::atomic<bool> dialogBusy{false};

}  // namespace

bool ShowFileDialog(bool save, const std::string& initialName, std::string& path,
                    const std::string& initialFolder) {
  if (dialogBusy.exchange(true)) return false;
  platform::FileDialogRequest request;
  request.save = save;
  request.title = save ? kSaveDialogTitle : kOpenDialogTitle;
  request.initialName = initialName;
  request.initialFolder = initialFolder;
  request.extension = kDocumentExtension;
  request.filterName = kDocumentFilterName;
  std::string chosen;
  const bool picked = platform::PickDocumentFile(request, chosen) && !chosen.empty();
  if (picked) path = chosen;
  dialogBusy.store(false);
  return picked;
}
