#include "shell/win32/FileChooser.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "platform/windows/WideText.h"
#include "shell/win32/OpenFileResult.h"
#include "shell/win32/Win32UserPrompt.h"

namespace brenmark::win32 {

namespace {

// The open-file dialog with `filter`, opening in `startFolder`; the chosen
// paths, or nothing on cancel.
std::optional<std::vector<std::wstring>> OpenFiles(HWND owner, const std::wstring& filter, DWORD flags,
                                                   const std::wstring& startFolder = {}) {
  std::vector<wchar_t> result(kOpenFileResultChars, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = result.data();
  dialog.nMaxFile = static_cast<DWORD>(result.size());
  if (!startFolder.empty()) dialog.lpstrInitialDir = startFolder.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | flags;
  if (!GetOpenFileNameW(&dialog)) {
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
      ShowMessageBox(owner, "Too many files were chosen at once; please choose fewer.", MB_OK | MB_ICONWARNING);
    }
    return std::nullopt;
  }
  return SplitOpenFileResult(result.data(), result.size());
}

// Selects the start folder (the browser's data) once the browser is up.
int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM startFolder) {
  if (message == BFFM_INITIALIZED && startFolder != 0) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, startFolder);
  return 0;
}

}  // namespace

std::optional<std::string> SystemFileChooser::ChooseFolder(HWND owner, const std::string& title,
                                                           const std::string& startFolder) {
  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator))) {
    ShowMessageBox(owner, "Error creating directory browse dialog.", MB_OK | MB_ICONERROR);
    return std::nullopt;
  }
  const std::wstring wideTitle = platform::WideFromUtf8(title);
  const std::wstring wideStart = platform::WideFromUtf8(startFolder);
  wchar_t display[MAX_PATH] = L"";
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.pszDisplayName = display;
  browse.lpszTitle = wideTitle.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  browse.lpfn = SelectStartFolder;
  browse.lParam = wideStart.empty() ? 0 : reinterpret_cast<LPARAM>(wideStart.c_str());
  std::optional<std::string> folder;
  if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse)) {
    wchar_t path[MAX_PATH] = L"";
    if (SHGetPathFromIDListW(item, path)) folder = platform::Utf8FromWide(path);
    allocator->Free(item);
  }
  allocator->Release();
  return folder;
}

std::optional<std::vector<std::string>> SystemFileChooser::ChooseFiles(HWND owner, const std::string& filter,
                                                                       const std::string& startFolder) {
  const auto chosen = OpenFiles(owner, OpenFileFilter(platform::WideFromUtf8(filter)), OFN_ALLOWMULTISELECT,
                                platform::WideFromUtf8(startFolder));
  if (!chosen) return std::nullopt;
  std::vector<std::string> paths;
  for (const std::wstring& path : *chosen) paths.push_back(platform::Utf8FromWide(path));
  return paths;
}

std::optional<std::string> SystemFileChooser::ChooseDiscImage(HWND owner) {
  const auto chosen = OpenFiles(owner, OpenFileFilter(L"Disc images (*.iso, *.cue)|*.iso;*.cue||"), 0);
  if (!chosen || chosen->empty()) return std::nullopt;
  return platform::Utf8FromWide(chosen->front());
}

}  // namespace brenmark::win32
