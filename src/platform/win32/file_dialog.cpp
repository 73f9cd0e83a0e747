// The shell's common item dialogs (open and save) for one .fcard file. Runs on the calling
// thread, which gets its own single-threaded COM apartment for the time of the dialog.
#include "platform/file_dialog.h"

#include <windows.h>
#include <shobjidl.h>

#include "platform/win32/wide.h"

namespace platform {
namespace {

template <typename T>
struct ComPointer {
  T* p = nullptr;
  ~ComPointer() {
    if (p != nullptr) p->Release();
  }
};

struct ComApartment {
  bool ours = false;
  ComApartment() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ours = SUCCEEDED(result);  // S_FALSE (already ours) must be balanced too
  }
  ~ComApartment() {
    if (ours) CoUninitialize();
  }
};

}  // namespace

bool PickDocumentFile(const FileDialogRequest& request, std::string& path) {
  ComApartment apartment;
  ComPointer<IFileDialog> dialog;
  const CLSID& kind = request.save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog;
  if (FAILED(CoCreateInstance(kind, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog,
                              reinterpret_cast<void**>(&dialog.p)))) {
    return false;
  }
  FILEOPENDIALOGOPTIONS options = 0;
  dialog.p->GetOptions(&options);
  options |= FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST;
  options |= request.save ? FOS_OVERWRITEPROMPT : FOS_FILEMUSTEXIST;
  dialog.p->SetOptions(options);
  const COMDLG_FILTERSPEC filter[] = {{L"Ferncard (*.fcard)", L"*.fcard"}};
  dialog.p->SetFileTypes(1, filter);
  dialog.p->SetDefaultExtension(L"fcard");
  const std::wstring title = ToWide(request.title);
  if (!title.empty()) dialog.p->SetTitle(title.c_str());
  const std::wstring name = ToWide(request.initialName);
  if (!name.empty()) dialog.p->SetFileName(name.c_str());
  if (FAILED(dialog.p->Show(nullptr))) return false;  // also a cancelled dialog
  ComPointer<IShellItem> item;
  if (FAILED(dialog.p->GetResult(&item.p))) return false;
  PWSTR chosen = nullptr;
  if (FAILED(item.p->GetDisplayName(SIGDN_FILESYSPATH, &chosen)) || chosen == nullptr) return false;
  path = FromWide(chosen);
  CoTaskMemFree(chosen);
  return !path.empty();
}

}  // namespace platform
