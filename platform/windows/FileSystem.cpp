#include "platform/FileSystem.h"

#include <windows.h>

#include "platform/windows/WideText.h"

namespace brenmark::platform {

bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error) {
  if (MoveFileExW(ExtendedPath(from).c_str(), ExtendedPath(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  error = LastSystemErrorText();
  return false;
}

bool RenameFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                         std::string& error) {
  if (MoveFileExW(ExtendedPath(from).c_str(), ExtendedPath(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  error = LastSystemErrorText();
  return false;
}

bool RemoveFile(const std::filesystem::path& path, std::string& error) {
  if (DeleteFileW(ExtendedPath(path).c_str())) return true;
  const DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
  error = SystemErrorText(code);
  return false;
}

// The file system journals its names itself, and a rename with write-through
// returns once it is on disk: the folder only has to exist.
bool SyncFolder(const std::filesystem::path& folder, std::string& error) {
  const DWORD attributes = GetFileAttributesW(ExtendedPath(folder).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return true;
  error = attributes == INVALID_FILE_ATTRIBUTES ? LastSystemErrorText()
                                                : SystemErrorText(ERROR_DIRECTORY);
  return false;
}

// A probe file that the system removes as soon as it is closed.
bool CanWriteInFolder(const std::filesystem::path& folder, std::string& error) {
  const std::wstring probe =
      ExtendedPath(folder) + L"\\.write-test-" + std::to_wstring(GetCurrentProcessId());
  HANDLE handle = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_EXISTS) return true;
    error = LastSystemErrorText();
    return false;
  }
  CloseHandle(handle);
  return true;
}

// What the caller's quota leaves, not only what the volume has free.
std::optional<std::uint64_t> AvailableSpace(const std::filesystem::path& folder, std::string& error) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(ExtendedPath(folder).c_str(), &available, nullptr, nullptr)) {
    error = LastSystemErrorText();
    return std::nullopt;
  }
  return available.QuadPart;
}

}  // namespace brenmark::platform
