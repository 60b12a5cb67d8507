#include "platform/windows/OpenFolder.h"

#include "platform/windows/WideText.h"

namespace brenmark::platform {

OpenFolder::~OpenFolder() { CloseHandle(handle); }

OpenFolder* OpenFolder::Open(std::wstring extendedPath, std::string& error) {
  while (extendedPath.size() > 7 && extendedPath.back() == L'\\') extendedPath.pop_back();
  HANDLE handle = CreateFileW(extendedPath.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = LastSystemErrorText();
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    error = SystemErrorText(ERROR_DIRECTORY);
    CloseHandle(handle);
    return nullptr;
  }
  return new OpenFolder{handle, std::move(extendedPath)};
}

std::wstring OpenFolder::EntryPath(const std::string& name) const {
  return path + L"\\" + WideFromUtf8(name);
}

}  // namespace brenmark::platform
