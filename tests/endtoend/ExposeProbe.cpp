// Run under `brenmark-cli expose`: makes the file calls a program makes on a
// CD/DVD device node, in each of their forms, and on an ordinary file, and
// prints what each gave as "name=value" lines.
//
//   expose-probe surface DEVICE FILE   every call, then exit 0
//   expose-probe hold DEVICE           opens the device, prints "held", waits
//                                      for a line on stdin, closes it
//   expose-probe open DEVICE           prints "open=0" or "open=ERRNO-NAME"
#include <dlfcn.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

extern "C" int __open_2(const char* path, int flags);

namespace {

std::string ErrorName(int error) {
  const char* name = strerrorname_np(error);
  return name != nullptr ? name : std::to_string(error);
}

std::string Result(int result) { return result < 0 ? ErrorName(errno) : std::to_string(result); }

// "block 11:90", "regular 1234" or the error.
std::string Kind(int result, const struct stat& status) {
  if (result != 0) return ErrorName(errno);
  if (S_ISBLK(status.st_mode))
    return "block " + std::to_string(major(status.st_rdev)) + ":" + std::to_string(minor(status.st_rdev));
  if (S_ISREG(status.st_mode)) return "regular " + std::to_string(status.st_size);
  return "other";
}

void Print(const std::string& name, const std::string& value) { std::cout << name << "=" << value << "\n"; }

// INQUIRY through SG_IO: the peripheral type and vendor, or the header's trouble.
std::string Inquiry(int descriptor) {
  unsigned char cdb[6] = {0x12, 0, 0, 0, 36, 0};
  unsigned char data[36] = {};
  unsigned char sense[32] = {};
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.cmd_len = sizeof cdb;
  header.cmdp = cdb;
  header.dxfer_direction = SG_DXFER_FROM_DEV;
  header.dxfer_len = sizeof data;
  header.dxferp = data;
  header.mx_sb_len = sizeof sense;
  header.sbp = sense;
  if (ioctl(descriptor, SG_IO, &header) != 0) return ErrorName(errno);
  return "type " + std::to_string(data[0] & 0x1F) + " status " + std::to_string(header.status) + " vendor " +
         std::string(reinterpret_cast<char*>(data + 8), 8);
}

int Surface(const char* device, const char* file) {
  struct stat status {};
  Print("stat", Kind(stat(device, &status), status));
  Print("lstat", Kind(lstat(device, &status), status));
  Print("fstatat", Kind(fstatat(AT_FDCWD, device, &status, 0), status));
  struct stat64 status64 {};
  const int result64 = stat64(device, &status64);
  Print("stat64", result64 == 0 && S_ISBLK(status64.st_mode) ? "block" : Result(result64));
  using OldStat = int (*)(int, const char*, struct stat*);
  const auto oldStat = reinterpret_cast<OldStat>(dlsym(RTLD_DEFAULT, "__xstat"));
  Print("__xstat", oldStat == nullptr ? "missing" : Kind(oldStat(1, device, &status), status));
  struct statx extended {};
  const int resultX = statx(AT_FDCWD, device, 0, STATX_BASIC_STATS, &extended);
  Print("statx", resultX == 0 && S_ISBLK(extended.stx_mode)
                     ? "block " + std::to_string(extended.stx_rdev_major) + ":" + std::to_string(extended.stx_rdev_minor)
                     : Result(resultX));
  Print("access", Result(access(device, R_OK | W_OK)));

  const int descriptor = open(device, O_RDWR | O_NONBLOCK | O_EXCL);
  Print("open", descriptor < 0 ? ErrorName(errno) : "ok");
  Print("fstat", Kind(fstat(descriptor, &status), status));
  Print("flock", Result(flock(descriptor, LOCK_EX | LOCK_NB)));
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  Print("setlk", Result(fcntl(descriptor, F_SETLK, &range)));
  range.l_type = F_WRLCK;
  Print("getlk", fcntl(descriptor, F_GETLK, &range) == 0 && range.l_type == F_UNLCK ? "unlocked" : "locked");
  int version = 0;
  Print("sg_version", ioctl(descriptor, SG_GET_VERSION_NUM, &version) == 0 && version >= 30000 ? "3" : "none");
  Print("inquiry", Inquiry(descriptor));
  Print("identity", Result(ioctl(descriptor, 0x030d, nullptr)));
  Print("close", Result(close(descriptor)));
  Print("inquiry_after_close", Inquiry(descriptor));

  const int again = openat(AT_FDCWD, device, O_RDONLY | O_NONBLOCK);
  Print("openat", again < 0 ? ErrorName(errno) : "ok");
  close(again);
  const int fortified = __open_2(device, O_RDONLY | O_NONBLOCK);
  Print("__open_2", fortified < 0 ? ErrorName(errno) : "ok");
  close(fortified);

  // A device closed by the C library's own close (fclose on fdopen's stream):
  // the next file given its number is an ordinary file again.
  const int streamed = open(device, O_RDONLY | O_NONBLOCK);
  std::fclose(fdopen(streamed, "r"));
  const int reused = open(file, O_RDONLY);
  Print("reused_number", reused == streamed ? "same" : "other");
  Print("reused_ioctl", Result(ioctl(reused, SG_GET_VERSION_NUM, &version)));
  close(reused);

  Print("file_stat", Kind(stat(file, &status), status));
  const int plain = open(file, O_RDONLY);
  char first = 0;
  Print("file_read", plain >= 0 && read(plain, &first, 1) == 1 ? std::string(1, first) : ErrorName(errno));
  Print("file_fstat", Kind(fstat(plain, &status), status));
  Print("file_ioctl", Result(ioctl(plain, SG_GET_VERSION_NUM, &version)));
  Print("file_flock", Result(flock(plain, LOCK_SH)));
  close(plain);
  Print("other_node", Kind(stat("/dev/sr89", &status), status));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "surface" && argc == 4) return Surface(argv[2], argv[3]);
  if (mode == "open" && argc == 3) {
    const int descriptor = open(argv[2], O_RDWR | O_NONBLOCK);
    Print("open", descriptor < 0 ? ErrorName(errno) : "0");
    return descriptor < 0 ? 1 : 0;
  }
  if (mode == "hold" && argc == 3) {
    const int descriptor = open(argv[2], O_RDWR | O_NONBLOCK);
    if (descriptor < 0) return 1;
    std::cout << "held" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    close(descriptor);
    return 0;
  }
  std::fprintf(stderr, "usage: expose-probe surface DEVICE FILE | hold DEVICE | open DEVICE\n");
  return 2;
}
