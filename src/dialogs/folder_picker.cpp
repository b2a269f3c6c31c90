#include "dialogs/folder_picker.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace {

std::wstring PickWithFileDialog(HWND owner, const std::wstring& start, bool* available) {
  IFileOpenDialog* dialog = nullptr;
  *available = SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                          reinterpret_cast<void**>(&dialog)));
  if (!*available) return L"";

  std::wstring chosen;
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  IShellItem* folder = nullptr;
  if (!start.empty() && SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_IShellItem,
                                                               reinterpret_cast<void**>(&folder)))) {
    dialog->SetFolder(folder);
    folder->Release();
  }
  IShellItem* result = nullptr;
  if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&result))) {
    PWSTR path = nullptr;
    if (SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
      chosen = path;
      CoTaskMemFree(path);
    }
    result->Release();
  }
  dialog->Release();
  return chosen;
}

std::wstring PickWithFolderBrowser(HWND owner) {
  wchar_t path[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  LPITEMIDLIST items = SHBrowseForFolderW(&info);
  if (items == nullptr) return L"";
  const bool found = SHGetPathFromIDListW(items, path) != FALSE;
  CoTaskMemFree(items);
  return found ? path : L"";
}

}  // namespace

std::wstring PickFolder(HWND owner, const std::wstring& start) {
  bool available = false;
  std::wstring chosen = PickWithFileDialog(owner, start, &available);
  if (!available) chosen = PickWithFolderBrowser(owner);
  return chosen;
}
