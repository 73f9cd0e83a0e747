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

// An invisible owner that is brought to the foreground first, so that the dialog comes up in
// front of the browser even though the calling thread is not the foreground one. It sits at the
// middle and a third of the height of the primary work area, where the dialog centres on it.
struct DialogOwner {
  HWND window = nullptr;
  DialogOwner() {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = (area.left + area.right) / 2;
    const int y = (area.top + area.bottom) / 3;
    window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, x, y, 0, 0, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) return;
    // The foreground may only be taken by the thread that has the input: borrow it meanwhile.
    const DWORD ownThread = GetCurrentThreadId();
    const HWND foreground = GetForegroundWindow();
    const DWORD foregroundThread = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attached = foregroundThread != 0 && foregroundThread != ownThread &&
                          AttachThreadInput(ownThread, foregroundThread, TRUE);
    ShowWindow(window, SW_SHOWNA);
    SetForegroundWindow(window);
    if (attached) AttachThreadInput(ownThread, foregroundThread, FALSE);
  }
  ~DialogOwner() {
    if (window != nullptr) DestroyWindow(window);
  }
  DialogOwner(const DialogOwner&) = delete;
  DialogOwner& operator=(const DialogOwner&) = delete;
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
  options |= FOS_FORCEFILESYSTEM;
  options |= request.save ? FOS_OVERWRITEPROMPT : FOS_FILEMUSTEXIST;
  dialog.p->SetOptions(options);
  const std::wstring filterName = ToWide(request.filterName);
  const std::wstring pattern = ToWide("*" + request.extension);
  const std::wstring extension = ToWide(request.extension.empty() ? std::string() : request.extension.substr(1));
  const COMDLG_FILTERSPEC filter[] = {{filterName.c_str(), pattern.c_str()}};
  dialog.p->SetFileTypes(1, filter);
  dialog.p->SetDefaultExtension(extension.c_str());
  const std::wstring title = ToWide(request.title);
  if (!title.empty()) dialog.p->SetTitle(title.c_str());
  const std::wstring name = ToWide(request.initialName);
  if (!name.empty()) dialog.p->SetFileName(name.c_str());
  if (!request.initialFolder.empty()) {
    // The folder the picker opens in, this time, whatever it remembers from earlier uses.
    ComPointer<IShellItem> folder;
    const std::wstring folderPath = ToWide(request.initialFolder);
    if (SUCCEEDED(SHCreateItemFromParsingName(folderPath.c_str(), nullptr, IID_IShellItem,
                                              reinterpret_cast<void**>(&folder.p)))) {
      dialog.p->SetFolder(folder.p);
    }
  }
  const DialogOwner owner;  // without one (creation failed) the dialog has no owner
  if (FAILED(dialog.p->Show(owner.window))) return false;  // also a cancelled dialog
  ComPointer<IShellItem> item;
  if (FAILED(dialog.p->GetResult(&item.p))) return false;
  PWSTR chosen = nullptr;
  if (FAILED(item.p->GetDisplayName(SIGDN_FILESYSPATH, &chosen)) || chosen == nullptr) return false;
  path = FromWide(chosen);
  CoTaskMemFree(chosen);
  return !path.empty();
}

}  // namespace platform
