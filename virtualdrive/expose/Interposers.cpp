// The C library's file calls, taken over for the exposed device paths only.
// Every call on another path or descriptor goes straight to the function the
// C library (or the next preloaded library) provides. This is the preloaded
// library `brenmark-expose.so`; exports.map exports these entry points alone.
// A device's descriptor is one on /dev/null; writing the node fails with EPERM,
// as on a read-only block device; the kernel's table of CD-ROM drives, opened
// for reading, is an in-memory file holding the system's table with the
// devices added.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "virtualdrive/expose/CdromTable.h"
#include "virtualdrive/expose/ExposedDevices.h"

namespace {

using brenmark::expose::ExposedDevice;
using brenmark::expose::ExposedDevices;

// A function of the next library in the search order, looked up on first
// use. A lookup that reenters the interposers (the dynamic linker working on
// the lookup) finds nothing, and the call fails with ENOSYS, instead of
// recursing.
template <typename Function>
class Next {
 public:
  explicit constexpr Next(const char* name) : name_(name) {}

  Function get() {
    void* address = address_.load(std::memory_order_acquire);
    if (address != nullptr) return reinterpret_cast<Function>(address);
    thread_local bool resolving = false;
    if (resolving) return nullptr;
    resolving = true;
    address = dlsym(RTLD_NEXT, name_);
    resolving = false;
    address_.store(address, std::memory_order_release);
    return reinterpret_cast<Function>(address);
  }

 private:
  const char* name_;
  std::atomic<void*> address_{nullptr};
};

template <typename Function, typename... Arguments>
auto CallNext(Next<Function>& next, Arguments... arguments) {
  const Function function = next.get();
  using Result = decltype(function(arguments...));
  if (function == nullptr) {
    errno = ENOSYS;
    return Result(-1);
  }
  return function(arguments...);
}

// The devices this process shows; null when the environment names none. Kept
// for the life of the process: calls may still come while it exits.
ExposedDevices* Devices() {
  static ExposedDevices* devices = [] {
    const auto settings = brenmark::expose::ReadExposeSettings([](const char* name) { return std::getenv(name); });
    return settings ? new ExposedDevices(*settings) : nullptr;
  }();
  return devices;
}

ExposedDevice* DeviceAt(const char* path) {
  ExposedDevices* devices = Devices();
  return devices == nullptr ? nullptr : devices->AtPath(path);
}

ExposedDevice* DeviceAtAt(int directory, const char* path) {
  // A device is named by its absolute path; a relative one resolves elsewhere.
  (void)directory;
  return path != nullptr && path[0] == '/' ? DeviceAt(path) : nullptr;
}

ExposedDevice* DeviceOf(int descriptor) {
  ExposedDevices* devices = Devices();
  return devices == nullptr ? nullptr : devices->AtDescriptor(descriptor);
}

int Fail(int error) {
  errno = error;
  return -1;
}

Next<int (*)(const char*, int, ...)> nextOpen("open");
Next<int (*)(const char*, int, ...)> nextOpen64("open64");
Next<int (*)(int, const char*, int, ...)> nextOpenat("openat");
Next<int (*)(int, const char*, int, ...)> nextOpenat64("openat64");
Next<int (*)(int)> nextClose("close");
Next<int (*)(const char*, struct stat*)> nextStat("stat");
Next<int (*)(const char*, struct stat*)> nextLstat("lstat");
Next<int (*)(int, struct stat*)> nextFstat("fstat");
Next<int (*)(int, const char*, struct stat*, int)> nextFstatat("fstatat");
Next<int (*)(const char*, struct stat64*)> nextStat64("stat64");
Next<int (*)(const char*, struct stat64*)> nextLstat64("lstat64");
Next<int (*)(int, struct stat64*)> nextFstat64("fstat64");
Next<int (*)(int, const char*, struct stat64*, int)> nextFstatat64("fstatat64");
Next<int (*)(int, const char*, int, unsigned, struct statx*)> nextStatx("statx");
Next<int (*)(const char*, int)> nextAccess("access");
Next<int (*)(int, const char*, int, int)> nextFaccessat("faccessat");
Next<int (*)(int, unsigned long, void*)> nextIoctl("ioctl");
Next<int (*)(int, int, void*)> nextFcntl("fcntl");
Next<int (*)(int, int, void*)> nextFcntl64("fcntl64");
Next<int (*)(int, int)> nextFlock("flock");
Next<FILE* (*)(const char*, const char*)> nextFopen("fopen");
Next<FILE* (*)(const char*, const char*)> nextFopen64("fopen64");
Next<int (*)(int)> nextDup("dup");
Next<int (*)(int, int)> nextDup2("dup2");
Next<int (*)(int, int, int)> nextDup3("dup3");
Next<ssize_t (*)(int, void*, std::size_t)> nextRead("read");
Next<ssize_t (*)(int, void*, std::size_t, off_t)> nextPread("pread");
Next<ssize_t (*)(int, void*, std::size_t, off64_t)> nextPread64("pread64");
Next<ssize_t (*)(int, const void*, std::size_t)> nextWrite("write");
Next<ssize_t (*)(int, const void*, std::size_t, off_t)> nextPwrite("pwrite");
Next<ssize_t (*)(int, const void*, std::size_t, off64_t)> nextPwrite64("pwrite64");
Next<off_t (*)(int, off_t, int)> nextLseek("lseek");
Next<off64_t (*)(int, off64_t, int)> nextLseek64("lseek64");
Next<char* (*)(const char*, char*)> nextRealpath("realpath");
Next<char* (*)(const char*)> nextCanonicalize("canonicalize_file_name");

// A descriptor the system has just handed out for another file: if it once
// stood for a device and was closed by a call not taken over here (fclose on
// fdopen's stream, close_range), that device's open is over.
int Fresh(int descriptor) {
  ExposedDevices* devices = Devices();
  if (descriptor >= 0 && devices != nullptr) {
    if (ExposedDevice* stale = devices->Forget(descriptor)) stale->Close();
  }
  return descriptor;
}

// Opens a device: claims its recorder and gives a descriptor of its own, on
// the null device, that the other calls recognise.
int OpenDevice(ExposedDevice& device, int flags) {
  int error = 0;
  if (!device.Open(error)) return Fail(error);
  const int descriptor = Fresh(CallNext(nextOpen, "/dev/null", O_RDWR | (flags & O_CLOEXEC)));
  if (descriptor < 0) {
    const int openError = errno;
    device.Close();
    return Fail(openError);
  }
  Devices()->Opened(descriptor, device);
  return descriptor;
}

// A duplicate of a device's descriptor: one more open of the device, at the
// same position. `copy` is what the system's duplicating call returned.
int Duplicated(ExposedDevice& device, int descriptor, int copy) {
  if (copy < 0) return copy;
  Fresh(copy);
  int error = 0;
  if (!device.Open(error)) {
    CallNext(nextClose, copy);
    return Fail(error);
  }
  Devices()->Duplicated(descriptor, copy);
  return copy;
}

// The kernel's table of CD-ROM drives, opened for reading while devices are
// shown: burning programs take the drives it names as drives to consider.
bool IsCdromTable(const char* path, int flags) {
  return path != nullptr && (flags & O_ACCMODE) == O_RDONLY && std::strcmp(path, brenmark::expose::kCdromTablePath) == 0 &&
         Devices() != nullptr;
}

// The system's own table; empty when it has none (no CD-ROM driver loaded).
std::string SystemCdromTable() {
  std::string table;
  const int descriptor = CallNext(nextOpen, brenmark::expose::kCdromTablePath, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return table;
  char buffer[4096];
  for (;;) {
    const ssize_t count = read(descriptor, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    table.append(buffer, static_cast<std::size_t>(count));
  }
  CallNext(nextClose, descriptor);
  return table;
}

// A descriptor on an in-memory file holding the table with the devices added.
int OpenCdromTable(int flags) {
  const std::string table = brenmark::expose::CdromTableWithDrives(SystemCdromTable(), Devices()->TableDrives());
  const int descriptor = Fresh(memfd_create("cdrom-info", (flags & O_CLOEXEC) != 0 ? MFD_CLOEXEC : 0));
  if (descriptor < 0) return -1;
  std::size_t written = 0;
  while (written < table.size()) {
    const ssize_t count = write(descriptor, table.data() + written, table.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    written += static_cast<std::size_t>(count);
  }
  if (written < table.size() || lseek(descriptor, 0, SEEK_SET) != 0) {
    const int error = errno;
    CallNext(nextClose, descriptor);
    return Fail(error);
  }
  return descriptor;
}

// fopen and fopen64: the table as a stream when it is opened for reading.
FILE* OpenStream(Next<FILE* (*)(const char*, const char*)>& next, const char* path, const char* mode) {
  const bool reads = mode != nullptr && mode[0] == 'r' && std::strchr(mode, '+') == nullptr;
  if (reads && IsCdromTable(path, O_RDONLY)) {
    const int descriptor = OpenCdromTable(std::strchr(mode, 'e') != nullptr ? O_CLOEXEC : 0);
    if (descriptor < 0) return nullptr;
    FILE* stream = fdopen(descriptor, "r");
    if (stream == nullptr) {
      const int error = errno;
      CallNext(nextClose, descriptor);
      errno = error;
    }
    return stream;
  }
  const auto function = next.get();
  if (function == nullptr) {
    errno = ENOSYS;
    return nullptr;
  }
  return function(path, mode);
}

mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

template <typename Status>
int DescribeDevice(const ExposedDevice& device, Status* status) {
  if (status == nullptr) return Fail(EFAULT);
  struct stat described;
  device.Describe(described);
  static_assert(sizeof(Status) == sizeof described, "stat and stat64 share one layout here");
  std::memcpy(static_cast<void*>(status), &described, sizeof described);
  return 0;
}

// An advisory lock on a device always succeeds: the claim taken by its open
// already keeps other processes out.
int LockCommand(int descriptor, int command, void* argument, Next<int (*)(int, int, void*)>& next) {
  if (ExposedDevice* device = DeviceOf(descriptor)) {
    switch (command) {
      case F_DUPFD:
      case F_DUPFD_CLOEXEC:
        return Duplicated(*device, descriptor, CallNext(next, descriptor, command, argument));
      case F_SETLK:
      case F_SETLKW:
      case F_OFD_SETLK:
      case F_OFD_SETLKW: return 0;
      case F_GETLK:
      case F_OFD_GETLK:
        if (argument == nullptr) return Fail(EFAULT);
        static_cast<struct flock*>(argument)->l_type = F_UNLCK;
        return 0;
      default: break;
    }
  }
  return CallNext(next, descriptor, command, argument);
}

// read() on a device: its data blocks from the descriptor's position, which
// moves past what was read.
ssize_t ReadDevice(ExposedDevice& device, int descriptor, void* buffer, std::size_t count) {
  int error = 0;
  const off_t position = Devices()->Position(descriptor);
  const ssize_t count_read = device.Read(buffer, count, position, error);
  if (count_read < 0) return Fail(error);
  Devices()->MoveTo(descriptor, position + count_read);
  return count_read;
}

ssize_t ReadDeviceAt(ExposedDevice& device, void* buffer, std::size_t count, off_t offset) {
  int error = 0;
  const ssize_t count_read = device.Read(buffer, count, offset, error);
  return count_read < 0 ? Fail(error) : count_read;
}

// lseek on a device: from the start, the position or the end of its data.
off_t SeekDevice(ExposedDevice& device, int descriptor, off_t offset, int whence) {
  off_t base = 0;
  switch (whence) {
    case SEEK_SET: break;
    case SEEK_CUR: base = Devices()->Position(descriptor); break;
    case SEEK_END: base = device.Size(); break;
    default: return Fail(EINVAL);
  }
  if ((offset > 0 && base > std::numeric_limits<off_t>::max() - offset) || base + offset < 0) return Fail(EINVAL);
  Devices()->MoveTo(descriptor, base + offset);
  return base + offset;
}

// A device's path is already its own canonical name.
char* ResolvedDevicePath(const char* path, char* resolved) {
  if (resolved == nullptr) return strdup(path);
  const std::size_t length = std::strlen(path);
  if (length >= PATH_MAX) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  std::memcpy(resolved, path, length + 1);
  return resolved;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ExposedDevice* device = DeviceAt(path)) return OpenDevice(*device, flags);
  if (IsCdromTable(path, flags)) return OpenCdromTable(flags);
  return Fresh(CallNext(nextOpen, path, flags, mode));
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ExposedDevice* device = DeviceAt(path)) return OpenDevice(*device, flags);
  if (IsCdromTable(path, flags)) return OpenCdromTable(flags);
  return Fresh(CallNext(nextOpen64, path, flags, mode));
}

int openat(int directory, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ExposedDevice* device = DeviceAtAt(directory, path)) return OpenDevice(*device, flags);
  if (IsCdromTable(path, flags)) return OpenCdromTable(flags);
  return Fresh(CallNext(nextOpenat, directory, path, flags, mode));
}

int openat64(int directory, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ExposedDevice* device = DeviceAtAt(directory, path)) return OpenDevice(*device, flags);
  if (IsCdromTable(path, flags)) return OpenCdromTable(flags);
  return Fresh(CallNext(nextOpenat64, directory, path, flags, mode));
}

// The fortified forms, called when the flags create no file.
int __open_2(const char* path, int flags) { return open(path, flags); }
int __open64_2(const char* path, int flags) { return open64(path, flags); }
int __openat_2(int directory, const char* path, int flags) { return openat(directory, path, flags); }
int __openat64_2(int directory, const char* path, int flags) { return openat64(directory, path, flags); }

FILE* fopen(const char* path, const char* mode) { return OpenStream(nextFopen, path, mode); }
FILE* fopen64(const char* path, const char* mode) { return OpenStream(nextFopen64, path, mode); }

int close(int descriptor) {
  ExposedDevices* devices = Devices();
  if (devices != nullptr) {
    if (ExposedDevice* device = devices->Forget(descriptor)) device->Close();
  }
  return CallNext(nextClose, descriptor);
}

int dup(int descriptor) noexcept {
  if (ExposedDevice* device = DeviceOf(descriptor)) return Duplicated(*device, descriptor, CallNext(nextDup, descriptor));
  return Fresh(CallNext(nextDup, descriptor));
}

// A copy onto the descriptor itself changes nothing; onto another it first
// closes what that one stood for.
int dup2(int descriptor, int copy) noexcept {
  if (descriptor == copy) return CallNext(nextDup2, descriptor, copy);
  if (ExposedDevice* device = DeviceOf(descriptor)) {
    return Duplicated(*device, descriptor, CallNext(nextDup2, descriptor, copy));
  }
  return Fresh(CallNext(nextDup2, descriptor, copy));
}

int dup3(int descriptor, int copy, int flags) noexcept {
  if (ExposedDevice* device = DeviceOf(descriptor)) {
    return Duplicated(*device, descriptor, CallNext(nextDup3, descriptor, copy, flags));
  }
  return Fresh(CallNext(nextDup3, descriptor, copy, flags));
}

int stat(const char* path, struct stat* status) noexcept {
  if (ExposedDevice* device = DeviceAt(path)) return DescribeDevice(*device, status);
  return CallNext(nextStat, path, status);
}

int lstat(const char* path, struct stat* status) noexcept {
  if (ExposedDevice* device = DeviceAt(path)) return DescribeDevice(*device, status);
  return CallNext(nextLstat, path, status);
}

int fstat(int descriptor, struct stat* status) noexcept {
  if (ExposedDevice* device = DeviceOf(descriptor)) return DescribeDevice(*device, status);
  return CallNext(nextFstat, descriptor, status);
}

int fstatat(int directory, const char* path, struct stat* status, int flags) noexcept {
  if (ExposedDevice* device = DeviceAtAt(directory, path)) return DescribeDevice(*device, status);
  if ((flags & AT_EMPTY_PATH) != 0 && path != nullptr && path[0] == '\0') {
    if (ExposedDevice* device = DeviceOf(directory)) return DescribeDevice(*device, status);
  }
  return CallNext(nextFstatat, directory, path, status, flags);
}

int stat64(const char* path, struct stat64* status) noexcept {
  if (ExposedDevice* device = DeviceAt(path)) return DescribeDevice(*device, status);
  return CallNext(nextStat64, path, status);
}

int lstat64(const char* path, struct stat64* status) noexcept {
  if (ExposedDevice* device = DeviceAt(path)) return DescribeDevice(*device, status);
  return CallNext(nextLstat64, path, status);
}

int fstat64(int descriptor, struct stat64* status) noexcept {
  if (ExposedDevice* device = DeviceOf(descriptor)) return DescribeDevice(*device, status);
  return CallNext(nextFstat64, descriptor, status);
}

int fstatat64(int directory, const char* path, struct stat64* status, int flags) noexcept {
  if (ExposedDevice* device = DeviceAtAt(directory, path)) return DescribeDevice(*device, status);
  if ((flags & AT_EMPTY_PATH) != 0 && path != nullptr && path[0] == '\0') {
    if (ExposedDevice* device = DeviceOf(directory)) return DescribeDevice(*device, status);
  }
  return CallNext(nextFstatat64, directory, path, status, flags);
}

// The entry points older binaries call; on this system's layout the version
// argument names the one structure the plain calls fill.
int __xstat(int, const char* path, struct stat* status) { return stat(path, status); }
int __lxstat(int, const char* path, struct stat* status) { return lstat(path, status); }
int __fxstat(int, int descriptor, struct stat* status) { return fstat(descriptor, status); }
int __fxstatat(int, int directory, const char* path, struct stat* status, int flags) {
  return fstatat(directory, path, status, flags);
}
int __xstat64(int, const char* path, struct stat64* status) { return stat64(path, status); }
int __lxstat64(int, const char* path, struct stat64* status) { return lstat64(path, status); }
int __fxstat64(int, int descriptor, struct stat64* status) { return fstat64(descriptor, status); }
int __fxstatat64(int, int directory, const char* path, struct stat64* status, int flags) {
  return fstatat64(directory, path, status, flags);
}

int statx(int directory, const char* path, int flags, unsigned mask, struct statx* status) noexcept {
  ExposedDevice* device = DeviceAtAt(directory, path);
  if (device == nullptr && (flags & AT_EMPTY_PATH) != 0 && path != nullptr && path[0] == '\0')
    device = DeviceOf(directory);
  if (device == nullptr) return CallNext(nextStatx, directory, path, flags, mask, status);
  if (status == nullptr) return Fail(EFAULT);
  device->Describe(*status);
  return 0;
}

int access(const char* path, int mode) noexcept {
  if (DeviceAt(path) != nullptr) return 0;
  return CallNext(nextAccess, path, mode);
}

int faccessat(int directory, const char* path, int mode, int flags) noexcept {
  if (DeviceAtAt(directory, path) != nullptr) return 0;
  return CallNext(nextFaccessat, directory, path, mode, flags);
}

int ioctl(int descriptor, unsigned long request, ...) noexcept {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  if (ExposedDevice* device = DeviceOf(descriptor)) {
    int error = 0;
    const int result = device->Control(request, argument, error);
    return result < 0 ? Fail(error) : result;
  }
  return CallNext(nextIoctl, descriptor, request, argument);
}

// The argument of every command fits a pointer's slot; the next fcntl reads
// it as the command's own type.
int fcntl(int descriptor, int command, ...) {
  va_list arguments;
  va_start(arguments, command);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  return LockCommand(descriptor, command, argument, nextFcntl);
}

int fcntl64(int descriptor, int command, ...) {
  va_list arguments;
  va_start(arguments, command);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  return LockCommand(descriptor, command, argument, nextFcntl64);
}

ssize_t read(int descriptor, void* buffer, std::size_t count) {
  if (ExposedDevice* device = DeviceOf(descriptor)) return ReadDevice(*device, descriptor, buffer, count);
  return CallNext(nextRead, descriptor, buffer, count);
}

ssize_t pread(int descriptor, void* buffer, std::size_t count, off_t offset) {
  if (ExposedDevice* device = DeviceOf(descriptor)) return ReadDeviceAt(*device, buffer, count, offset);
  return CallNext(nextPread, descriptor, buffer, count, offset);
}

ssize_t pread64(int descriptor, void* buffer, std::size_t count, off64_t offset) {
  if (ExposedDevice* device = DeviceOf(descriptor)) return ReadDeviceAt(*device, buffer, count, offset);
  return CallNext(nextPread64, descriptor, buffer, count, offset);
}

// The fortified forms, called where the buffer's size is known.
ssize_t __read_chk(int descriptor, void* buffer, std::size_t count, std::size_t room) {
  if (count > room) std::abort();
  return read(descriptor, buffer, count);
}
ssize_t __pread_chk(int descriptor, void* buffer, std::size_t count, off_t offset, std::size_t room) {
  if (count > room) std::abort();
  return pread(descriptor, buffer, count, offset);
}
ssize_t __pread64_chk(int descriptor, void* buffer, std::size_t count, off64_t offset, std::size_t room) {
  if (count > room) std::abort();
  return pread64(descriptor, buffer, count, offset);
}

// The node of a CD or DVD recorder is a read-only block device: its discs are
// written with commands, never through the node, and a write() there fails
// as the kernel fails it rather than vanishing into the null device.
ssize_t write(int descriptor, const void* buffer, std::size_t count) {
  if (DeviceOf(descriptor) != nullptr) return Fail(EPERM);
  return CallNext(nextWrite, descriptor, buffer, count);
}

ssize_t pwrite(int descriptor, const void* buffer, std::size_t count, off_t offset) {
  if (DeviceOf(descriptor) != nullptr) return Fail(EPERM);
  return CallNext(nextPwrite, descriptor, buffer, count, offset);
}

ssize_t pwrite64(int descriptor, const void* buffer, std::size_t count, off64_t offset) {
  if (DeviceOf(descriptor) != nullptr) return Fail(EPERM);
  return CallNext(nextPwrite64, descriptor, buffer, count, offset);
}

off_t lseek(int descriptor, off_t offset, int whence) noexcept {
  if (ExposedDevice* device = DeviceOf(descriptor)) return SeekDevice(*device, descriptor, offset, whence);
  return CallNext(nextLseek, descriptor, offset, whence);
}

off64_t lseek64(int descriptor, off64_t offset, int whence) noexcept {
  if (ExposedDevice* device = DeviceOf(descriptor)) return SeekDevice(*device, descriptor, offset, whence);
  return CallNext(nextLseek64, descriptor, offset, whence);
}

char* realpath(const char* path, char* resolved) noexcept {
  if (DeviceAt(path) != nullptr) return ResolvedDevicePath(path, resolved);
  const auto function = nextRealpath.get();
  if (function == nullptr) {
    errno = ENOSYS;
    return nullptr;
  }
  return function(path, resolved);
}

char* __realpath_chk(const char* path, char* resolved, std::size_t room) {
  if (resolved != nullptr && room < PATH_MAX) std::abort();
  return realpath(path, resolved);
}

char* canonicalize_file_name(const char* path) noexcept {
  if (DeviceAt(path) != nullptr) return ResolvedDevicePath(path, nullptr);
  const auto function = nextCanonicalize.get();
  if (function == nullptr) {
    errno = ENOSYS;
    return nullptr;
  }
  return function(path);
}

int flock(int descriptor, int operation) noexcept {
  if (DeviceOf(descriptor) != nullptr) return 0;
  return CallNext(nextFlock, descriptor, operation);
}

}  // extern "C"
