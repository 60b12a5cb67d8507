#include "platform/FileStatus.h"

#include "platform/windows/HandleStatus.h"
#include "platform/windows/WideText.h"

namespace brenmark::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000;

std::int64_t UnixSeconds(const FILETIME& time) {
  const std::int64_t ticks =
      (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return (ticks - kUnixEpochInFileTime) / 10000000;
}

HANDLE OpenForStatus(const std::wstring& path, DWORD extraFlags) {
  return CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | extraFlags, nullptr);
}

}  // namespace

std::optional<FileStatus> StatusOfHandle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
  FileStatus status;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    status.kind = FileKind::Directory;
  } else if (GetFileType(handle) == FILE_TYPE_DISK) {
    status.kind = FileKind::Regular;
  } else {
    status.kind = FileKind::Other;
  }
  if (status.kind != FileKind::Directory)
    status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  const bool hasCreation = info.ftCreationTime.dwHighDateTime != 0 || info.ftCreationTime.dwLowDateTime != 0;
  status.creationTime = UnixSeconds(hasCreation ? info.ftCreationTime : info.ftLastWriteTime);
  status.device = info.dwVolumeSerialNumber;
  status.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return status;
}

std::optional<FileStatus> StatusOfExtendedPath(const std::wstring& path, std::string* error) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool isLink =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  HANDLE handle = OpenForStatus(path, 0);
  if (handle != INVALID_HANDLE_VALUE) {
    auto status = StatusOfHandle(handle);
    if (!status && error != nullptr) *error = LastSystemErrorText();
    CloseHandle(handle);
    if (status) status->throughLink = isLink;
    return status;
  }
  const std::string reason = LastSystemErrorText();
  // A link whose target cannot be reached can still be opened itself.
  handle = isLink ? OpenForStatus(path, FILE_FLAG_OPEN_REPARSE_POINT) : INVALID_HANDLE_VALUE;
  if (handle != INVALID_HANDLE_VALUE) {
    auto status = StatusOfHandle(handle);
    CloseHandle(handle);
    if (status) {
      status->kind = FileKind::UnresolvedLink;
      status->throughLink = true;
      if (error != nullptr) *error = reason;
      return status;
    }
  }
  if (error != nullptr) *error = reason;
  return std::nullopt;
}

std::optional<FileStatus> ReadFileStatus(const std::filesystem::path& path, std::string* error) {
  return StatusOfExtendedPath(ExtendedPath(path), error);
}

}  // namespace brenmark::platform
