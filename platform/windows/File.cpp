#include "platform/File.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/Directory.h"
#include "platform/windows/HandleStatus.h"
#include "platform/windows/OpenFolder.h"
#include "platform/windows/WideText.h"

namespace brenmark::platform {
namespace {

// Files stay renamable and removable while open, as on other systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLargestTransfer = 1u << 30;

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

std::intptr_t Create(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags) {
  return reinterpret_cast<std::intptr_t>(
      CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr));
}

OVERLAPPED At(std::int64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  return position;
}

// ReadFile and WriteFile at an offset move a synchronous handle's file
// pointer; the positional transfers leave the position where Read and Append
// left it, as they do on POSIX (a Video CD spread over discs reads on from it).
class KeptPosition {
 public:
  explicit KeptPosition(HANDLE handle) : handle_(handle) {
    kept_ = SetFilePointerEx(handle_, LARGE_INTEGER{}, &position_, FILE_CURRENT) != 0;
  }
  ~KeptPosition() {
    if (kept_) SetFilePointerEx(handle_, position_, nullptr, FILE_BEGIN);
  }
  KeptPosition(const KeptPosition&) = delete;
  KeptPosition& operator=(const KeptPosition&) = delete;

 private:
  HANDLE handle_;
  LARGE_INTEGER position_{};
  bool kept_ = false;
};

// Why the open file at `handle` is not one to read or append to as a regular
// file (a reparse point only where `linkRefused`); empty when it is.
std::string NotRegularReason(HANDLE handle, bool linkRefused) {
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(handle, &information)) return LastSystemErrorText();
  if (linkRefused && (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return "a link (reparse point) stands in its place and is not followed";
  }
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || GetFileType(handle) != FILE_TYPE_DISK) {
    return "not a regular file";
  }
  return {};
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)), lastError_(std::move(other.lastError_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, kNoHandle);
    lastError_ = std::move(other.lastError_);
  }
  return *this;
}

bool File::Fail() const {
  lastError_ = LastSystemErrorText();
  return false;
}

bool File::OpenForReading(const std::filesystem::path& path) {
  Close();
  handle_ = Create(ExtendedPath(path), GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
  return isOpen() || Fail();
}

bool File::OpenOwnForReading(const std::filesystem::path& path) {
  Close();
  // The reparse point itself is opened, never what it points to, and refused.
  handle_ = Create(ExtendedPath(path), GENERIC_READ, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
  if (!isOpen()) return Fail();
  if (std::string reason = NotRegularReason(AsHandle(handle_), true); !reason.empty()) {
    Close();
    lastError_ = std::move(reason);
    return false;
  }
  return true;
}

bool File::OpenSource(const std::filesystem::path& path) {
  Close();
  handle_ = Create(ExtendedPath(path), GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
  return isOpen() || Fail();
}

bool File::OpenSourceAt(const Directory& folder, const std::string& name) {
  Close();
  handle_ = Create(OpenFolder::Of(folder.handle_).EntryPath(name), GENERIC_READ, OPEN_EXISTING,
                   FILE_FLAG_SEQUENTIAL_SCAN);
  return isOpen() || Fail();
}

bool File::OpenForWriting(const std::filesystem::path& path, bool truncate) {
  Close();
  handle_ = Create(ExtendedPath(path), GENERIC_READ | GENERIC_WRITE,
                   truncate ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  return isOpen() || Fail();
}

bool File::OpenForWritingNoFollow(const std::filesystem::path& path, NoFollowOpening how) {
  Close();
  const DWORD disposition = how == NoFollowOpening::Existing       ? OPEN_EXISTING
                            : how == NoFollowOpening::CreateOrKeep ? OPEN_ALWAYS
                                                                   : CREATE_NEW;
  // The reparse point itself is opened, never what it points to, and refused.
  handle_ = Create(ExtendedPath(path), GENERIC_READ | GENERIC_WRITE, disposition,
                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
  if (!isOpen()) return Fail();
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(AsHandle(handle_), &info)) {
    Fail();
    Close();
    return false;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(AsHandle(std::exchange(handle_, kNoHandle)));
    lastError_ = "a link (reparse point) stands in its place and is not followed";
    return false;
  }
  return true;
}

// A link is opened as itself and refused, so that CREATE_NEW finds it there.
bool File::CreateNew(const std::filesystem::path& path) {
  return OpenForWritingNoFollow(path, NoFollowOpening::CreateNew);
}

bool File::OpenForAppending(const std::filesystem::path& path) {
  if (!OpenForWritingNoFollow(path, NoFollowOpening::CreateOrKeep)) return false;
  if (std::string reason = NotRegularReason(AsHandle(handle_), false); !reason.empty()) {
    Close();
    lastError_ = std::move(reason);
    return false;
  }
  return true;
}

bool File::Close() {
  if (!isOpen()) return true;
  return CloseHandle(AsHandle(std::exchange(handle_, kNoHandle))) || Fail();
}

std::int64_t File::Read(void* data, std::size_t length) {
  auto* bytes = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < length) {
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(length - done, kLargestTransfer));
    if (!ReadFile(AsHandle(handle_), bytes + done, wanted, &got, nullptr)) {
      if (GetLastError() == ERROR_HANDLE_EOF || GetLastError() == ERROR_BROKEN_PIPE) break;
      Fail();
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t File::ReadAt(std::int64_t offset, void* data, std::size_t length) {
  const KeptPosition kept(AsHandle(handle_));
  auto* bytes = static_cast<char*>(data);
  std::size_t done = 0;
  while (done < length) {
    DWORD got = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(length - done, kLargestTransfer));
    OVERLAPPED position = At(offset + static_cast<std::int64_t>(done));
    if (!ReadFile(AsHandle(handle_), bytes + done, wanted, &got, &position)) {
      if (GetLastError() == ERROR_HANDLE_EOF) break;
      Fail();
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return static_cast<std::int64_t>(done);
}

bool File::WriteAt(std::int64_t offset, const void* data, std::size_t length) {
  const KeptPosition kept(AsHandle(handle_));
  const auto* bytes = static_cast<const char*>(data);
  while (length > 0) {
    DWORD put = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(length, kLargestTransfer));
    OVERLAPPED position = At(offset);
    if (!WriteFile(AsHandle(handle_), bytes, wanted, &put, &position)) return Fail();
    if (put == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return Fail();
    }
    bytes += put;
    offset += put;
    length -= put;
  }
  return true;
}

bool File::Append(const void* data, std::size_t length) {
  const auto* bytes = static_cast<const char*>(data);
  while (length > 0) {
    DWORD put = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(length, kLargestTransfer));
    // Both offsets all ones: the write goes to the file's end, as with
    // FILE_APPEND_DATA, wherever another process's write left it.
    OVERLAPPED end{};
    end.Offset = 0xFFFFFFFF;
    end.OffsetHigh = 0xFFFFFFFF;
    if (!WriteFile(AsHandle(handle_), bytes, wanted, &put, &end)) return Fail();
    if (put == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      return Fail();
    }
    bytes += put;
    length -= put;
  }
  return true;
}

bool File::Resize(std::int64_t size) {
  LARGE_INTEGER end;
  end.QuadPart = size;
  return (SetFilePointerEx(AsHandle(handle_), end, nullptr, FILE_BEGIN) &&
          SetEndOfFile(AsHandle(handle_))) ||
         Fail();
}

bool File::Sync() { return FlushFileBuffers(AsHandle(handle_)) || Fail(); }

std::optional<FileStatus> File::Status() const {
  auto status = StatusOfHandle(AsHandle(handle_));
  if (!status) Fail();
  return status;
}

// The system reads ahead on its own for files opened as sources.
void File::AdviseSequential() {}

File::LockAttempt File::TryLockExclusiveAt(std::int64_t offset) {
  // A byte-range lock on one byte belongs to the handle: another handle,
  // in this process or another, is refused until this one is closed. Under
  // Wine the wineserver also holds it as a POSIX record lock on that byte,
  // which the Linux program's lock of the same file honours.
  OVERLAPPED start{};
  start.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
  start.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  if (LockFileEx(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                 &start))
    return LockAttempt::Locked;
  if (GetLastError() == ERROR_LOCK_VIOLATION) return LockAttempt::Busy;
  Fail();
  return LockAttempt::Failed;
}

// The attributes of a link are its own: GetFileAttributesW does not follow it.
EntryAtPath LookAtEntry(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(ExtendedPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryAtPath::Nothing;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return EntryAtPath::Link;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryAtPath::Other : EntryAtPath::RegularFile;
}

}  // namespace brenmark::platform
