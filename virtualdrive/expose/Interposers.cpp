// The C library's file calls, taken over for the exposed device paths only.
// Every call on another path or descriptor goes straight to the function the
// C library (or the next preloaded library) provides. This is the preloaded
// library `brenmark-expose.so`; exports.map exports these entry points alone.
// A device's descriptor is one on /dev/null; writing the node fails with EPERM,
// as on a read-only block device; the kernel's table of CD-ROM drives, opened
// for reading, is an in-memory file holding the system's table with the
// devices added.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <linux/close_range.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "virtualdrive/expose/CdromTable.h"
#include "virtualdrive/expose/ExposedDevices.h"

namespace {

using brenmark::expose::ExposedDevice;
using brenmark::expose::ExposedDevices;

// A function of the next library in the search order, looked up when the
// library is loaded (so that no later call, in a signal handler say, runs
// the dynamic linker), else on first use. A lookup that reenters the
// interposers (the dynamic linker working on the lookup) finds nothing, and
// the call fails with ENOSYS, instead of recursing.
class NextFunction {
 public:
  // Constant: programs' own libraries may call in before this one's start-up code ran.
  explicit constexpr NextFunction(const char* name) : name_(name) {}

  void* address() {
    void* address = address_.load(std::memory_order_acquire);
    if (address != nullptr) return address;
    static thread_local bool resolving __attribute__((tls_model("initial-exec"))) = false;
    if (resolving) return nullptr;
    resolving = true;
    address = dlsym(RTLD_NEXT, name_);
    resolving = false;
    address_.store(address, std::memory_order_release);
    return address;
  }


 private:
  const char* name_;
  std::atomic<void*> address_{nullptr};
};

template <typename Function>
class Next : public NextFunction {
 public:
  using NextFunction::NextFunction;
  Function get() { return reinterpret_cast<Function>(address()); }
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

template <typename Function, typename... Arguments>
auto CallNextPointer(Next<Function>& next, Arguments... arguments) {
  const Function function = next.get();
  if (function == nullptr) {
    errno = ENOSYS;
    return decltype(function(arguments...))(nullptr);
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

// Calls made while the library does a device's work are its own (the
// recorder's files, its trace): they pass straight to the system.
ExposedDevice* DeviceAt(const char* path) {
  ExposedDevices* devices = Devices();
  return devices == nullptr || ExposedDevices::Busy() ? nullptr : devices->AtPath(path);
}

ExposedDevice* DeviceAtAt(int directory, const char* path) {
  // A device is named by its absolute path; a relative one resolves elsewhere.
  (void)directory;
  return path != nullptr && path[0] == '/' ? DeviceAt(path) : nullptr;
}

ExposedDevice* DeviceOf(int descriptor) {
  ExposedDevices* devices = Devices();
  return devices == nullptr || ExposedDevices::Busy() ? nullptr : devices->AtDescriptor(descriptor);
}

// A path under /sys naming a device's entries, as the path of the made tree
// that stands for it (kept in `storage`); any other path as it is.
const char* Sysfs(const char* path, std::string& storage) {
  ExposedDevices* devices = Devices();
  if (devices == nullptr || path == nullptr || path[0] != '/' || path[1] != 's' || ExposedDevices::Busy()) return path;
  ExposedDevices::Operation operation(*devices);
  storage = devices->discovery().SysfsPath(path).string();
  return storage.empty() ? path : storage.c_str();
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
Next<int (*)(unsigned, unsigned, int)> nextCloseRange("close_range");
Next<void (*)(int)> nextClosefrom("closefrom");
Next<ssize_t (*)(int, const struct msghdr*, int)> nextSendmsg("sendmsg");
Next<ssize_t (*)(int, struct msghdr*, int)> nextRecvmsg("recvmsg");
Next<int (*)(const char*, char* const*, char* const*)> nextExecve("execve");
Next<int (*)(const char*, char* const*)> nextExecv("execv");
Next<int (*)(const char*, char* const*)> nextExecvp("execvp");
Next<int (*)(const char*, char* const*, char* const*)> nextExecvpe("execvpe");
Next<int (*)(int, char* const*, char* const*)> nextFexecve("fexecve");
Next<int (*)(FILE*)> nextFclose("fclose");
Next<DIR* (*)(const char*)> nextOpendir("opendir");
Next<struct dirent* (*)(DIR*)> nextReaddir("readdir");
Next<struct dirent64* (*)(DIR*)> nextReaddir64("readdir64");
Next<int (*)(DIR*)> nextClosedir("closedir");
Next<ssize_t (*)(const char*, char*, std::size_t)> nextReadlink("readlink");
using Spawn = int (*)(pid_t*, const char*, const posix_spawn_file_actions_t*, const posix_spawnattr_t*, char* const*,
                      char* const*);
Next<Spawn> nextPosixSpawn("posix_spawn");
Next<Spawn> nextPosixSpawnp("posix_spawnp");

// Every function above, looked up at start-up.
NextFunction* const kEveryNext[] = {
    &nextOpen, &nextOpen64, &nextOpenat, &nextOpenat64, &nextClose, &nextStat, &nextLstat, &nextFstat, &nextFstatat,
    &nextStat64, &nextLstat64, &nextFstat64, &nextFstatat64, &nextStatx, &nextAccess, &nextFaccessat, &nextIoctl,
    &nextFcntl, &nextFcntl64, &nextFlock, &nextFopen, &nextFopen64, &nextDup, &nextDup2, &nextDup3, &nextRead,
    &nextPread, &nextPread64, &nextWrite, &nextPwrite, &nextPwrite64, &nextLseek, &nextLseek64, &nextRealpath,
    &nextCanonicalize, &nextCloseRange, &nextClosefrom, &nextSendmsg, &nextRecvmsg, &nextExecve, &nextExecv,
    &nextExecvp, &nextExecvpe, &nextFexecve, &nextFclose, &nextOpendir, &nextReaddir, &nextReaddir64, &nextClosedir,
    &nextReadlink, &nextPosixSpawn, &nextPosixSpawnp};

// A descriptor the system has just handed out for another file: if it once
// stood for a device and was closed by a call not taken over here (the
// system call made directly), that device's entry is stale.
int Fresh(int descriptor) {
  ExposedDevices* devices = Devices();
  if (descriptor >= 0 && devices != nullptr && !ExposedDevices::Busy()) devices->Fresh(descriptor);
  return descriptor;
}

// Opens a device: a descriptor holding its recorder, which the other calls recognise.
int OpenDevice(ExposedDevice& device, int flags) {
  int error = 0;
  const int descriptor = Devices()->Open(device, flags, error);
  return descriptor < 0 ? Fail(error) : descriptor;
}

// A duplicate of a device's descriptor: the same device, at the same
// position. `copy` is what the system's duplicating call returned.
int Duplicated(ExposedDevice& device, int copy) {
  if (copy >= 0) Devices()->Duplicated(device, copy);
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

// A stream on a descriptor just opened; the descriptor closed if none can be made.
FILE* StreamOn(int descriptor, const char* mode) {
  if (descriptor < 0) return nullptr;
  FILE* stream = fdopen(descriptor, mode);
  if (stream == nullptr) {
    const int error = errno;
    close(descriptor);
    errno = error;
  }
  return stream;
}

// fopen and fopen64: a device as a stream on its descriptor (programs such as
// genisoimage open it so and read the descriptor under it), and the table
// when it is opened for reading.
FILE* OpenStream(Next<FILE* (*)(const char*, const char*)>& next, const char* path, const char* mode) {
  const bool reads = mode != nullptr && mode[0] == 'r' && std::strchr(mode, '+') == nullptr;
  if (ExposedDevice* device = mode != nullptr ? DeviceAt(path) : nullptr) {
    const int flags = (reads ? O_RDONLY : O_RDWR) | (std::strchr(mode, 'e') != nullptr ? O_CLOEXEC : 0);
    return StreamOn(OpenDevice(*device, flags), mode);
  }
  if (reads && IsCdromTable(path, O_RDONLY)) {
    return StreamOn(OpenCdromTable(std::strchr(mode, 'e') != nullptr ? O_CLOEXEC : 0), "r");
  }
  std::string storage;
  return CallNextPointer(next, Sysfs(path, storage), mode);
}

// The arguments of execl and its kin, up to the null that ends them (itself included).
std::vector<char*> ArgumentList(const char* first, va_list& arguments) {
  std::vector<char*> argv{const_cast<char*>(first)};
  while (argv.back() != nullptr) argv.push_back(va_arg(arguments, char*));
  return argv;
}

mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

template <typename Status>
int DescribeDevice(const ExposedDevice& device, Status* status) {
  if (status == nullptr) return Fail(EFAULT);
  device.Describe(*status);
  return 0;
}

// An advisory lock on a device always succeeds: the claim taken by its open
// already keeps other processes out.
int LockCommand(int descriptor, int command, void* argument, Next<int (*)(int, int, void*)>& next) {
  if (ExposedDevice* device = DeviceOf(descriptor)) {
    switch (command) {
      case F_DUPFD:
      case F_DUPFD_CLOEXEC:
        return Duplicated(*device, CallNext(next, descriptor, command, argument));
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

// A device's read position is the offset of its descriptor's open
// description, which the system shares among its duplicates and processes
// as it shares any file's.
off64_t PositionOf(int descriptor) { return CallNext(nextLseek64, descriptor, off64_t{0}, SEEK_CUR); }

// read() on a device: its data blocks from the descriptor's position, which
// moves past what was read.
ssize_t ReadDevice(ExposedDevice& device, int descriptor, void* buffer, std::size_t count) {
  ExposedDevices::Operation operation(*Devices());
  int error = 0;
  const off64_t position = PositionOf(descriptor);
  if (position < 0) return -1;
  const ssize_t count_read = device.Read(buffer, count, static_cast<off_t>(position), error);
  if (count_read < 0) return Fail(error);
  CallNext(nextLseek64, descriptor, position + count_read, SEEK_SET);
  return count_read;
}

ssize_t ReadDeviceAt(ExposedDevice& device, void* buffer, std::size_t count, off_t offset) {
  ExposedDevices::Operation operation(*Devices());
  int error = 0;
  const ssize_t count_read = device.Read(buffer, count, offset, error);
  return count_read < 0 ? Fail(error) : count_read;
}

// lseek on a device: from the start, the position or the end of its data.
off_t SeekDevice(ExposedDevice& device, int descriptor, off_t offset, int whence) {
  ExposedDevices::Operation operation(*Devices());
  off_t base = 0;
  switch (whence) {
    case SEEK_SET: break;
    case SEEK_CUR: base = static_cast<off_t>(PositionOf(descriptor)); break;
    case SEEK_END: base = device.Size(); break;
    default: return Fail(EINVAL);
  }
  if (base < 0) return -1;
  if ((offset > 0 && base > std::numeric_limits<off_t>::max() - offset) || base + offset < 0) return Fail(EINVAL);
  return CallNext(nextLseek64, descriptor, off64_t{base + offset}, SEEK_SET) < 0 ? -1 : base + offset;
}

// ioctl requests of the kinds a device answers (SCSI generic, CD-ROM and
// SCSI, block device, disk identity): on a descriptor not known as a
// device, one of these looks at what the descriptor is, which a program
// given the descriptor by another (Wine's server, for one) needs.
bool DeviceRequestKind(unsigned long request) {
  const unsigned long kind = (request >> 8) & 0xFF;
  return kind == 0x22 || kind == 0x53 || kind == 0x12 || kind == 0x03;
}

// The descriptors a message carries, for `each`.
template <typename Each>
void CarriedDescriptors(const struct msghdr* message, Each each) {
  if (message == nullptr || message->msg_control == nullptr) return;
  for (struct cmsghdr* header = CMSG_FIRSTHDR(message); header != nullptr;
       header = CMSG_NXTHDR(const_cast<struct msghdr*>(message), header)) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
    const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (std::size_t at = 0; at < count; ++at) {
      int descriptor = -1;
      std::memcpy(&descriptor, CMSG_DATA(header) + at * sizeof(int), sizeof descriptor);
      each(descriptor);
    }
  }
}

// Another program is about to start with this process's descriptors.
void BeforeRunning() {
  if (ExposedDevices* devices = Devices(); devices != nullptr && !ExposedDevices::Busy()) devices->ShareIfHolding();
}

// The kernel's table of CD-ROM drives, which opens while devices are shown,
// stats as procfs shows it where the system has none.
template <typename Status>
int StatCdromTable(const char* path, Status* status, int result) {
  if (result == 0 || errno != ENOENT || path == nullptr || status == nullptr || Devices() == nullptr ||
      std::strcmp(path, brenmark::expose::kCdromTablePath) != 0)
    return result;
  std::memset(static_cast<void*>(status), 0, sizeof *status);
  status->st_mode = S_IFREG | 0444;
  status->st_nlink = 1;
  status->st_blksize = 1024;
  return 0;
}

// A listing of /dev or of a sysfs folder of block devices: after the
// system's entries, those of the devices.
class Listings {
 public:
  void Opened(DIR* folder, std::vector<std::string> entries) {
    if (folder == nullptr || entries.empty()) return;
    std::lock_guard lock(mutex_);
    for (Listing& listing : listings_) {
      if (listing.folder != nullptr) continue;
      listing = Listing{folder, std::move(entries), 0, {}, {}};
      used_.fetch_add(1);
      return;
    }
  }

  // The next extra entry of `folder` once the system's are read; null when
  // there is none (or the folder is not one of these).
  template <typename Entry>
  Entry* Next(DIR* folder) {
    if (used_.load() == 0) return nullptr;
    std::lock_guard lock(mutex_);
    for (Listing& listing : listings_) {
      if (listing.folder != folder || listing.next >= listing.entries.size()) continue;
      Entry& entry = Storage<Entry>(listing);
      std::memset(&entry, 0, sizeof entry);
      const std::string& name = listing.entries[listing.next++];
      std::strncpy(entry.d_name, name.c_str(), sizeof entry.d_name - 1);
      entry.d_ino = 0x42000 + listing.next;
      entry.d_reclen = sizeof entry;
      entry.d_type = listing.inDevices ? DT_BLK : DT_LNK;  // sysfs names its devices by links
      return &entry;
    }
    return nullptr;
  }

  void Closed(DIR* folder) {
    if (used_.load() == 0) return;
    std::lock_guard lock(mutex_);
    for (Listing& listing : listings_) {
      if (listing.folder != folder) continue;
      listing = Listing{};
      used_.fetch_sub(1);
    }
  }

  void MarkDevices(DIR* folder) {
    std::lock_guard lock(mutex_);
    for (Listing& listing : listings_) {
      if (listing.folder == folder) listing.inDevices = true;
    }
  }

 private:
  struct Listing {
    DIR* folder = nullptr;
    std::vector<std::string> entries;
    std::size_t next = 0;
    struct dirent entry {};
    struct dirent64 entry64 {};
    bool inDevices = false;
  };
  template <typename Entry>
  static Entry& Storage(Listing& listing) {
    if constexpr (std::is_same_v<Entry, struct dirent>) {
      return listing.entry;
    } else {
      return listing.entry64;
    }
  }

  std::mutex mutex_;
  std::array<Listing, 8> listings_;
  std::atomic<int> used_{0};
};

Listings& OpenListings() {
  static Listings* listings = new Listings;
  return *listings;
}

template <typename Entry>
Entry* ReadListing(Next<Entry* (*)(DIR*)>& next, DIR* folder) {
  const int error = errno;
  Entry* entry = CallNextPointer(next, folder);
  if (entry != nullptr || errno != error) return entry;
  return OpenListings().Next<Entry>(folder);
}

// A device's path is its own canonical name, and that of its other names.
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
  std::string storage;
  return Fresh(CallNext(nextOpen, Sysfs(path, storage), flags, mode));
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ExposedDevice* device = DeviceAt(path)) return OpenDevice(*device, flags);
  if (IsCdromTable(path, flags)) return OpenCdromTable(flags);
  std::string storage;
  return Fresh(CallNext(nextOpen64, Sysfs(path, storage), flags, mode));
}

int openat(int directory, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ExposedDevice* device = DeviceAtAt(directory, path)) return OpenDevice(*device, flags);
  if (IsCdromTable(path, flags)) return OpenCdromTable(flags);
  std::string storage;
  return Fresh(CallNext(nextOpenat, directory, Sysfs(path, storage), flags, mode));
}

int openat64(int directory, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (ExposedDevice* device = DeviceAtAt(directory, path)) return OpenDevice(*device, flags);
  if (IsCdromTable(path, flags)) return OpenCdromTable(flags);
  std::string storage;
  return Fresh(CallNext(nextOpenat64, directory, Sysfs(path, storage), flags, mode));
}

// The fortified forms, called when the flags create no file.
int __open_2(const char* path, int flags) { return open(path, flags); }
int __open64_2(const char* path, int flags) { return open64(path, flags); }
int __openat_2(int directory, const char* path, int flags) { return openat(directory, path, flags); }
int __openat64_2(int directory, const char* path, int flags) { return openat64(directory, path, flags); }

FILE* fopen(const char* path, const char* mode) { return OpenStream(nextFopen, path, mode); }

// A stream on a device's descriptor (fdopen) closes the descriptor with it.
int fclose(FILE* stream) {
  const int descriptor = stream != nullptr ? fileno(stream) : -1;
  ExposedDevices* devices = Devices();
  if (descriptor >= 0 && devices != nullptr && !ExposedDevices::Busy()) devices->Closed(descriptor);
  return CallNext(nextFclose, stream);
}
FILE* fopen64(const char* path, const char* mode) { return OpenStream(nextFopen64, path, mode); }

int close(int descriptor) {
  ExposedDevices* devices = Devices();
  if (devices != nullptr && !ExposedDevices::Busy()) devices->Closed(descriptor);
  return CallNext(nextClose, descriptor);
}

int close_range(unsigned first, unsigned last, int flags) noexcept {
  const int result = CallNext(nextCloseRange, first, last, flags);
  ExposedDevices* devices = Devices();
  if (result == 0 && (flags & CLOSE_RANGE_CLOEXEC) == 0 && devices != nullptr && !ExposedDevices::Busy())
    devices->ClosedRange(first, last);
  return result;
}

void closefrom(int lowest) noexcept {
  const auto function = nextClosefrom.get();
  if (function != nullptr) function(lowest);
  ExposedDevices* devices = Devices();
  if (lowest >= 0 && devices != nullptr && !ExposedDevices::Busy())
    devices->ClosedRange(static_cast<unsigned>(lowest), std::numeric_limits<unsigned>::max());
}

// A descriptor of a device sent to another process shares the device with
// it; one received is recognised as the device it is.
ssize_t sendmsg(int socket, const struct msghdr* message, int flags) {
  if (ExposedDevices* devices = Devices(); devices != nullptr && !ExposedDevices::Busy()) {
    bool carriesDevice = false;
    CarriedDescriptors(message, [&](int descriptor) { carriesDevice = carriesDevice || DeviceOf(descriptor) != nullptr; });
    if (carriesDevice) devices->Share();
  }
  return CallNext(nextSendmsg, socket, message, flags);
}

ssize_t recvmsg(int socket, struct msghdr* message, int flags) {
  const ssize_t result = CallNext(nextRecvmsg, socket, message, flags);
  ExposedDevices* devices = Devices();
  if (result >= 0 && devices != nullptr && !ExposedDevices::Busy())
    CarriedDescriptors(message, [devices](int descriptor) { devices->Recognise(descriptor); });
  return result;
}

// A program run with the device's descriptor finds the disc as this one left it.
int execve(const char* path, char* const argv[], char* const envp[]) {
  BeforeRunning();
  return CallNext(nextExecve, path, argv, envp);
}

int execv(const char* path, char* const argv[]) {
  BeforeRunning();
  return CallNext(nextExecv, path, argv);
}

int execvp(const char* file, char* const argv[]) {
  BeforeRunning();
  return CallNext(nextExecvp, file, argv);
}

int execvpe(const char* file, char* const argv[], char* const envp[]) {
  BeforeRunning();
  return CallNext(nextExecvpe, file, argv, envp);
}

int fexecve(int descriptor, char* const argv[], char* const envp[]) {
  BeforeRunning();
  return CallNext(nextFexecve, descriptor, argv, envp);
}

int execl(const char* path, const char* argument, ...) {
  va_list arguments;
  va_start(arguments, argument);
  std::vector<char*> argv = ArgumentList(argument, arguments);
  va_end(arguments);
  return execv(path, argv.data());
}

int execlp(const char* file, const char* argument, ...) {
  va_list arguments;
  va_start(arguments, argument);
  std::vector<char*> argv = ArgumentList(argument, arguments);
  va_end(arguments);
  return execvp(file, argv.data());
}

int execle(const char* path, const char* argument, ...) {
  va_list arguments;
  va_start(arguments, argument);
  std::vector<char*> argv = ArgumentList(argument, arguments);
  char* const* envp = va_arg(arguments, char* const*);
  va_end(arguments);
  return execve(path, argv.data(), envp);
}

int posix_spawn(pid_t* child, const char* path, const posix_spawn_file_actions_t* actions,
                const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]) {
  BeforeRunning();
  return CallNext(nextPosixSpawn, child, path, actions, attributes, argv, envp);
}

int posix_spawnp(pid_t* child, const char* file, const posix_spawn_file_actions_t* actions,
                 const posix_spawnattr_t* attributes, char* const argv[], char* const envp[]) {
  BeforeRunning();
  return CallNext(nextPosixSpawnp, child, file, actions, attributes, argv, envp);
}

int dup(int descriptor) noexcept {
  if (ExposedDevice* device = DeviceOf(descriptor)) return Duplicated(*device, CallNext(nextDup, descriptor));
  return Fresh(CallNext(nextDup, descriptor));
}

// A copy onto the descriptor itself changes nothing; onto another it first
// closes what that one stood for.
int dup2(int descriptor, int copy) noexcept {
  if (descriptor == copy) return CallNext(nextDup2, descriptor, copy);
  if (ExposedDevice* device = DeviceOf(descriptor)) {
    return Duplicated(*device, CallNext(nextDup2, descriptor, copy));
  }
  return Fresh(CallNext(nextDup2, descriptor, copy));
}

int dup3(int descriptor, int copy, int flags) noexcept {
  if (ExposedDevice* device = DeviceOf(descriptor)) {
    return Duplicated(*device, CallNext(nextDup3, descriptor, copy, flags));
  }
  return Fresh(CallNext(nextDup3, descriptor, copy, flags));
}

int stat(const char* path, struct stat* status) noexcept {
  if (ExposedDevice* device = DeviceAt(path)) return DescribeDevice(*device, status);
  std::string storage;
  return StatCdromTable(path, status, CallNext(nextStat, Sysfs(path, storage), status));
}

int lstat(const char* path, struct stat* status) noexcept {
  if (ExposedDevice* device = DeviceAt(path)) return DescribeDevice(*device, status);
  std::string storage;
  return StatCdromTable(path, status, CallNext(nextLstat, Sysfs(path, storage), status));
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
  std::string storage;
  return StatCdromTable(path, status, CallNext(nextFstatat, directory, Sysfs(path, storage), status, flags));
}

int stat64(const char* path, struct stat64* status) noexcept {
  if (ExposedDevice* device = DeviceAt(path)) return DescribeDevice(*device, status);
  std::string storage;
  return StatCdromTable(path, status, CallNext(nextStat64, Sysfs(path, storage), status));
}

int lstat64(const char* path, struct stat64* status) noexcept {
  if (ExposedDevice* device = DeviceAt(path)) return DescribeDevice(*device, status);
  std::string storage;
  return StatCdromTable(path, status, CallNext(nextLstat64, Sysfs(path, storage), status));
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
  std::string storage;
  return StatCdromTable(path, status, CallNext(nextFstatat64, directory, Sysfs(path, storage), status, flags));
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
  std::string storage;
  if (device == nullptr) {
    const int result = CallNext(nextStatx, directory, Sysfs(path, storage), flags, mask, status);
    struct stat table {};
    if (result == 0 || StatCdromTable(path, &table, result) != 0) return result;
    std::memset(status, 0, sizeof *status);
    status->stx_mask = STATX_BASIC_STATS;
    status->stx_mode = static_cast<std::uint16_t>(table.st_mode);
    status->stx_nlink = 1;
    status->stx_blksize = 1024;
    return 0;
  }
  if (status == nullptr) return Fail(EFAULT);
  device->Describe(*status);
  return 0;
}

int access(const char* path, int mode) noexcept {
  if (DeviceAt(path) != nullptr) return 0;
  std::string storage;
  return CallNext(nextAccess, Sysfs(path, storage), mode);
}

int faccessat(int directory, const char* path, int mode, int flags) noexcept {
  if (DeviceAtAt(directory, path) != nullptr) return 0;
  std::string storage;
  return CallNext(nextFaccessat, directory, Sysfs(path, storage), mode, flags);
}

int ioctl(int descriptor, unsigned long request, ...) noexcept {
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  ExposedDevice* device = DeviceOf(descriptor);
  if (device == nullptr && DeviceRequestKind(request) && Devices() != nullptr && !ExposedDevices::Busy())
    device = Devices()->Recognise(descriptor);
  if (device != nullptr) {
    ExposedDevices::Operation operation(*Devices());
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
  if (ExposedDevice* device = DeviceAt(path)) return ResolvedDevicePath(device->path().c_str(), resolved);
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
  if (ExposedDevice* device = DeviceAt(path)) return ResolvedDevicePath(device->path().c_str(), nullptr);
  const auto function = nextCanonicalize.get();
  if (function == nullptr) {
    errno = ENOSYS;
    return nullptr;
  }
  return function(path);
}

DIR* opendir(const char* path) {
  std::string storage;
  DIR* folder = CallNextPointer(nextOpendir, Sysfs(path, storage));
  ExposedDevices* devices = Devices();
  if (folder != nullptr && devices != nullptr && !ExposedDevices::Busy()) {
    OpenListings().Opened(folder, devices->discovery().ExtraEntries(path));
    if (std::strcmp(path, "/dev") == 0 || std::strcmp(path, "/dev/") == 0) OpenListings().MarkDevices(folder);
  }
  return folder;
}

struct dirent* readdir(DIR* folder) { return ReadListing(nextReaddir, folder); }

struct dirent64* readdir64(DIR* folder) { return ReadListing(nextReaddir64, folder); }

int closedir(DIR* folder) {
  OpenListings().Closed(folder);
  return CallNext(nextClosedir, folder);
}

ssize_t readlink(const char* path, char* buffer, std::size_t size) noexcept {
  // Another name of a device is a link to its node, as udev makes it.
  if (ExposedDevice* device = DeviceAt(path); device != nullptr && device->path() != path) {
    const std::string target = std::filesystem::path(device->path()).filename().string();
    const std::size_t length = std::min(size, target.size());
    std::memcpy(buffer, target.data(), length);
    return static_cast<ssize_t>(length);
  }
  std::string storage;
  return CallNext(nextReadlink, Sysfs(path, storage), buffer, size);
}

int flock(int descriptor, int operation) noexcept {
  if (DeviceOf(descriptor) != nullptr) return 0;
  return CallNext(nextFlock, descriptor, operation);
}

}  // extern "C"

namespace {

// Loaded with the program: the next functions found while that is still
// safe, forks kept whole, descriptors the program was started with
// recognised, and at its end the discs of the devices still open handed over.
struct Startup {
  Startup() {
    for (NextFunction* next : kEveryNext) next->address();
    ExposedDevices* devices = Devices();
    if (devices == nullptr) return;
    pthread_atfork([] { Devices()->BeforeFork(); }, [] { Devices()->AfterFork(false); },
                   [] { Devices()->AfterFork(true); });
    devices->RecogniseInherited();
  }
  ~Startup() {
    if (ExposedDevices* devices = Devices()) devices->HandOverAll();
  }
};
Startup startup;

}  // namespace
