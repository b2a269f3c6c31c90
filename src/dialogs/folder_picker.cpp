#include "dialogs/folder_picker.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "framework/owned_handle.h"

namespace {

using Microsoft::WRL::ComPtr;

std::wstring PickWithFileDialog(HWND owner, const std::wstring& start, bool* available) {
  ComPtr<IFileOpenDialog> dialog;
  *available = SUCCEEDED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog)));
  if (!*available) return L"";

  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  ComPtr<IShellItem> folder;
  if (!start.empty() && SUCCEEDED(SHCreateItemFromParsingName(start.c_str(), nullptr, IID_PPV_ARGS(&folder)))) {
    dialog->SetFolder(folder.Get());
  }
  ComPtr<IShellItem> result;
  if (FAILED(dialog->Show(owner)) || FAILED(dialog->GetResult(&result))) return L"";
  PWSTR path = nullptr;
  if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) return L"";
  const CoTaskMemOwned<wchar_t> owned(path);
  return owned.get();
}

std::wstring PickWithFolderBrowser(HWND owner) {
  wchar_t path[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  const CoTaskMemOwned<ITEMIDLIST> items(SHBrowseForFolderW(&info));
  if (items.get() == nullptr) return L"";
  return SHGetPathFromIDListW(items.get(), path) != FALSE ? path : L"";
}

}  // namespace

std::wstring PickFolder(HWND owner, const std::wstring& start) {
  bool available = false;
  std::wstring chosen = PickWithFileDialog(owner, start, &available);
  if (!available) chosen = PickWithFolderBrowser(owner);
  return chosen;
}
