// Run under `brenmark-cli expose`: makes the file calls a program makes on a
// CD/DVD device node, in each of their forms, and on an ordinary file, and
// prints what each gave as "name=value" lines.
//
//   expose-probe surface DEVICE FILE   every call, then exit 0
//   expose-probe hold DEVICE           opens the device, prints "held", waits
//                                      for a line on stdin, closes it
//   expose-probe open DEVICE           prints "open=0" or "open=ERRNO-NAME"
//   expose-probe processes DEVICE      the device shared among processes: a
//                                      forked child's write, a program run
//                                      with the descriptor, one sent over a
//                                      socket; close_range; a signal handler
//                                      and forks while threads use it
//   expose-probe tray DEVICE CLI DATA IMAGE
//                                      the tray while processes hold the
//                                      device, worked by `CLI tray`: locked,
//                                      swapped, told, being written
//   expose-probe hostile DEVICE CLI DATA IMAGE
//                                      writers killed, tray actions at
//                                      once, the user's eject racing a close
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <scsi/sg.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

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

// A command through SG_IO: "good", the sense as "K/AA/QQ", or the error.
std::string Command(int descriptor, std::initializer_list<unsigned char> bytes, int direction = SG_DXFER_NONE,
                    unsigned char* data = nullptr, unsigned length = 0) {
  unsigned char cdb[16] = {};
  std::copy(bytes.begin(), bytes.end(), cdb);
  unsigned char sense[32] = {};
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.cmd_len = static_cast<unsigned char>(bytes.size());
  header.cmdp = cdb;
  header.dxfer_direction = direction;
  header.dxfer_len = length;
  header.dxferp = data;
  header.mx_sb_len = sizeof sense;
  header.sbp = sense;
  if (ioctl(descriptor, SG_IO, &header) != 0) return ErrorName(errno);
  if (header.status == 0) return "good";
  char text[16];
  std::snprintf(text, sizeof text, "%X/%02X/%02X", sense[2] & 0x0F, sense[12], sense[13]);
  return text;
}

// 16 Mode 1 blocks at `address` (the recorder's default write parameters).
std::string WriteBlocks(int descriptor, unsigned char address) {
  static unsigned char blocks[16 * 2048];
  return Command(descriptor, {0x2A, 0, 0, 0, 0, address, 0, 0, 16, 0}, SG_DXFER_TO_DEV, blocks, sizeof blocks);
}

// The disc's status from READ DISC INFORMATION: 0 blank, 1 appendable or open.
std::string DiscStatus(int descriptor) {
  unsigned char information[34] = {};
  const std::string result = Command(descriptor, {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}, SG_DXFER_FROM_DEV, information, 34);
  return result == "good" ? std::to_string(information[2] & 0x03) : result;
}

std::string ExitText(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) != child) {
    if (errno != EINTR) return ErrorName(errno);
  }
  if (WIFSIGNALED(status)) return std::string("signal ") + strsignal(WTERMSIG(status));
  return std::to_string(WEXITSTATUS(status));
}

// The child writes; the parent, on the same descriptor, finds the blocks
// written: its write there is refused and its next one follows the child's.
void ForkedWrite(const char* device) {
  const int descriptor = open(device, O_RDWR | O_NONBLOCK);
  Print("fork_blank", DiscStatus(descriptor));
  const pid_t child = fork();
  if (child == 0) _exit(WriteBlocks(descriptor, 0) == "good" ? 0 : 1);
  Print("fork_child", ExitText(child));
  Print("fork_status", DiscStatus(descriptor));
  Print("fork_rewrite", WriteBlocks(descriptor, 0));
  Print("fork_append", WriteBlocks(descriptor, 16));
  // A process holding a descriptor of it may open it again; one without (the
  // child once it closed its copy) finds it held.
  const pid_t opener = fork();
  if (opener == 0) {
    const int again = open(device, O_RDWR | O_NONBLOCK);
    close(again);
    close(descriptor);
    _exit(again >= 0 && open(device, O_RDWR | O_NONBLOCK) < 0 && errno == EBUSY ? 0 : 1);
  }
  Print("fork_open_busy", ExitText(opener));
  close(descriptor);
}

// A program run with the descriptor (as growisofs reloads the tray).
void ExecutedWrite(const char* self, const char* device) {
  const int descriptor = open(device, O_RDWR | O_NONBLOCK);
  const pid_t child = fork();
  if (child == 0) {
    const std::string number = std::to_string(descriptor);
    execl(self, self, "inherited", number.c_str(), "32", static_cast<char*>(nullptr));
    _exit(127);
  }
  Print("exec_child", ExitText(child));
  Print("exec_rewrite", WriteBlocks(descriptor, 32));
  Print("exec_append", WriteBlocks(descriptor, 48));
  close(descriptor);
}

// One byte with room for one descriptor beside it, as sent over a Unix socket.
struct DescriptorMessage {
  char byte = 0;
  iovec data{&byte, 1};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  msghdr message{nullptr, 0, &data, 1, control, sizeof control, 0};
};

// A descriptor sent over a socket to a process that never opened the device.
void SentWrite(const char* device) {
  int ends[2];
  socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends);
  const pid_t child = fork();
  if (child == 0) {
    DescriptorMessage in;
    if (recvmsg(ends[1], &in.message, 0) != 1) _exit(2);
    int received = -1;
    std::memcpy(&received, CMSG_DATA(CMSG_FIRSTHDR(&in.message)), sizeof received);
    _exit(WriteBlocks(received, 64) == "good" ? 0 : 1);
  }
  const int descriptor = open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  DescriptorMessage out;
  cmsghdr* header = CMSG_FIRSTHDR(&out.message);
  header->cmsg_level = SOL_SOCKET;
  header->cmsg_type = SCM_RIGHTS;
  header->cmsg_len = CMSG_LEN(sizeof(int));
  std::memcpy(CMSG_DATA(header), &descriptor, sizeof descriptor);
  sendmsg(ends[0], &out.message, 0);
  Print("sent_child", ExitText(child));
  Print("sent_rewrite", WriteBlocks(descriptor, 64));
  Print("sent_append", WriteBlocks(descriptor, 80));
  close(descriptor);
}

// Closed by close_range and closefrom: the numbers are ordinary files
// again, and the device is free.
void RangeClosed(const char* device) {
  for (const bool range : {true, false}) {
    const int descriptor = open(device, O_RDWR | O_NONBLOCK);
    if (range) {
      close_range(static_cast<unsigned>(descriptor), static_cast<unsigned>(descriptor), 0);
    } else {
      closefrom(descriptor);
    }
    int ends[2];
    pipe(ends);
    dup2(ends[0], descriptor);
    int version = 0;
    const std::string name = range ? "close_range" : "closefrom";
    Print(name + "_number", Result(ioctl(descriptor, SG_GET_VERSION_NUM, &version)));
    const pid_t opener = fork();
    if (opener == 0) _exit(open(device, O_RDWR | O_NONBLOCK) >= 0 ? 0 : 1);
    Print(name + "_free", ExitText(opener));
    close(ends[0]);
    close(ends[1]);
    close(descriptor);
  }
}

int signalPipe[2] = {-1, -1};
std::atomic<int> signalsWritten{0};

// A signal handler writing to a pipe, and forks, while threads send commands.
void BusyWithSignalsAndForks(const char* device) {
  const int descriptor = open(device, O_RDWR | O_NONBLOCK);
  pipe2(signalPipe, O_NONBLOCK);
  struct sigaction action {};
  action.sa_handler = [](int) {
    const int savedError = errno;
    const char byte = 1;
    if (write(signalPipe[1], &byte, 1) == 1) ++signalsWritten;
    char drained[64];
    while (read(signalPipe[0], drained, sizeof drained) > 0) {
    }
    errno = savedError;
  };
  sigaction(SIGALRM, &action, nullptr);
  itimerval every{{0, 200}, {0, 200}};
  setitimer(ITIMER_REAL, &every, nullptr);
  std::atomic<bool> stop{false};
  std::atomic<int> commands{0};
  std::vector<std::thread> threads;
  for (int thread = 0; thread < 3; ++thread) {
    threads.emplace_back([&] {
      while (!stop) {
        if (Command(descriptor, {0x00, 0, 0, 0, 0, 0}) == "good") ++commands;
      }
    });
  }
  int workingChildren = 0;
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork();
    if (child == 0) {
      alarm(10);
      _exit(Command(descriptor, {0x00, 0, 0, 0, 0, 0}) == "good" ? 0 : 1);
    }
    workingChildren += ExitText(child) == "0" ? 1 : 0;
  }
  while (signalsWritten < 50) usleep(1000);
  stop = true;
  for (auto& thread : threads) thread.join();
  const itimerval never{};
  setitimer(ITIMER_REAL, &never, nullptr);
  Print("forked_children_working", std::to_string(workingChildren));
  Print("commands_ran", commands > 0 ? "yes" : "no");
  Print("signals_written", signalsWritten >= 50 ? "yes" : "no");
  close(descriptor);
}

// `CLI --data-dir DATA --drive virtual-cd tray ARGUMENTS...`: its exit status.
std::string Tray(const char* cli, const char* data, std::initializer_list<const char*> arguments) {
  std::vector<const char*> argv = {cli, "--data-dir", data, "--drive", "virtual-cd", "tray"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    // As the user runs it, from outside the program.
    unsetenv("LD_PRELOAD");
    execv(cli, const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  return ExitText(child);
}

std::string TestUnitReady(int descriptor) { return Command(descriptor, {0x00, 0, 0, 0, 0, 0}); }

// A child holding the device by the descriptor it inherited: its eject
// (START STOP UNIT, then the driver's), or how it finds the unit ready.
std::string InChild(int descriptor, bool eject) {
  const pid_t child = fork();
  if (child == 0) {
    if (!eject) _exit(TestUnitReady(descriptor) == "6/28/00" ? 0 : 1);
    const bool refused = Command(descriptor, {0x1B, 0, 0, 0, 0x02, 0}) == "5/53/02" &&
                         ioctl(descriptor, CDROMEJECT) < 0 && errno == EBUSY;
    _exit(refused ? 0 : 1);
  }
  return ExitText(child);
}

// One holder's removal lock holds against another holder and the user until
// the last holder lets the device go; without it the user swaps the disc
// between commands, which the first command of any holder is told once;
// a disc being written stays in.
void TrayWhileHeld(const char* device, const char* cli, const char* data, const char* image) {
  int descriptor = open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  Print("prevent", Command(descriptor, {0x1E, 0, 0, 0, 1, 0}));
  Print("other_holders_eject_refused", InChild(descriptor, true));
  Print("swap_locked", Tray(cli, data, {"insert", image}));
  int release[2];
  pipe2(release, O_CLOEXEC);
  const pid_t lastHolder = fork();
  if (lastHolder == 0) {
    char byte = 0;
    _exit(read(release[0], &byte, 1) == 1 ? 0 : 1);
  }
  close(descriptor);
  Print("swap_locked_by_last_holder", Tray(cli, data, {"eject"}));
  write(release[1], "x", 1);
  ExitText(lastHolder);
  Print("swap_unheld", Tray(cli, data, {"eject"}));

  descriptor = open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  Print("reopened", TestUnitReady(descriptor));
  Print("eject_reopened", Command(descriptor, {0x1B, 0, 0, 0, 0x02, 0}));
  Print("swap", Tray(cli, data, {"insert", image}));
  Print("after_swap", TestUnitReady(descriptor));
  cdrom_tochdr header{};
  Print("toc", ioctl(descriptor, CDROMREADTOCHDR, &header) == 0
                   ? std::to_string(header.cdth_trk0) + "-" + std::to_string(header.cdth_trk1)
                   : ErrorName(errno));
  Print("swap_again", Tray(cli, data, {"eject"}));
  Print("told_to_child", InChild(descriptor, false));
  Print("told_once", TestUnitReady(descriptor));
  Print("write", WriteBlocks(descriptor, 0));
  Print("swap_writing", Tray(cli, data, {"empty"}));
  close(descriptor);
}

// Runs of 32 blocks from LBA 0 until killed, a byte on `progress` for each answered GOOD.
[[noreturn]] void WriteUntilKilled(int descriptor, int progress) {
  static unsigned char blocks[32 * 2048];
  for (unsigned lba = 0;; lba += 32) {
    const auto high = static_cast<unsigned char>(lba >> 8);
    if (Command(descriptor, {0x2A, 0, 0, 0, high, static_cast<unsigned char>(lba), 0, 0, 32, 0}, SG_DXFER_TO_DEV,
                blocks, sizeof blocks) != "good" ||
        write(progress, "x", 1) != 1) {
      _exit(1);
    }
  }
}

// Kills `writer` once 4 runs were answered; then, on `held` (or the device
// opened anew), "consistent" when the next writable address lies within the
// run it was killed in and a write goes there.
std::string KilledWriter(pid_t writer, int progress[2], const char* device, int held) {
  close(progress[1]);
  char byte = 0;
  unsigned runs = 0;
  while (runs < 4 && read(progress[0], &byte, 1) == 1) ++runs;
  kill(writer, SIGKILL);
  ExitText(writer);
  while (read(progress[0], &byte, 1) == 1) ++runs;
  close(progress[0]);
  const int descriptor = held >= 0 ? held : open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  static unsigned char track[16 * 2048];  // READ TRACK INFORMATION of track 1, then the blocks written
  const bool asked = Command(descriptor, {0x52, 0x01, 0, 0, 0, 1, 0, 0, 36, 0}, SG_DXFER_FROM_DEV, track, 36) == "good";
  const unsigned next = static_cast<unsigned>(track[14] << 8 | track[15]);
  const bool consistent = asked && next >= runs * 32 && next <= runs * 32 + 32 &&
                          Command(descriptor, {0x2A, 0, 0, 0, track[14], track[15], 0, 0, 16, 0}, SG_DXFER_TO_DEV,
                                  track, sizeof track) == "good";
  if (held < 0) close(descriptor);
  return consistent ? "consistent" : "next writable " + std::to_string(next) + " after " + std::to_string(runs) + " runs";
}

// Writers killed within a write, alone and beside another holder; two tray
// actions at once; the holder closing while the user ejects.
void Hostile(const char* device, const char* cli, const char* data, const char* image) {
  int progress[2];
  pipe2(progress, O_CLOEXEC);
  pid_t writer = fork();
  if (writer == 0) WriteUntilKilled(open(device, O_RDWR | O_NONBLOCK), progress[1]);
  Print("lone_killed", KilledWriter(writer, progress, device, -1));
  Print("lone_killed_show", Tray(cli, data, {"show"}));

  int held = open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  Print("eject_held", Command(held, {0x1B, 0, 0, 0, 0x02, 0}));
  pipe2(progress, O_CLOEXEC);
  writer = fork();
  if (writer == 0) WriteUntilKilled(held, progress[1]);
  Print("shared_killed", KilledWriter(writer, progress, device, held));
  Print("shared_killed_eject", Tray(cli, data, {"eject"}));
  close(held);
  Print("shared_killed_eject_closed", Tray(cli, data, {"eject"}));

  held = open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  pid_t inserts[2];
  for (pid_t& insert : inserts) {
    if ((insert = fork()) != 0) continue;
    close(held);
    _exit(Tray(cli, data, {"insert", image}) == "0" ? 0 : 1);
  }
  Print("two_inserts", ExitText(inserts[0]) + " " + ExitText(inserts[1]));
  const std::string told = TestUnitReady(held);
  Print("two_inserts_told", told + " " + TestUnitReady(held));
  close(held);

  // The user's eject may land before, within or after the holder's close:
  // never between its last hand-over and the end of its claim.
  int consistent = 0;
  for (int round = 0; round < 10; ++round) {
    held = open(device, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    Command(held, {0x1B, 0, 0, 0, 0x02, 0});
    static unsigned char blocks[16 * 2048];
    Command(held, {0x2A, 0, 0, 0, 0, 0, 0, 0, 16, 0}, SG_DXFER_TO_DEV, blocks, sizeof blocks);
    Command(held, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::string closed = Command(held, {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0});
    const pid_t user = fork();
    if (user == 0) {
      close(held);
      _exit(Tray(cli, data, {"eject"}) == "0" ? 0 : 1);
    }
    usleep(static_cast<useconds_t>(round * 8000));
    close(held);
    const std::string state = std::string(data) + "/virtual-cd/disc.state";
    consistent += closed == "good" && ExitText(user) == "0" && access(state.c_str(), F_OK) != 0 ? 1 : 0;
  }
  Print("close_races_consistent", std::to_string(consistent));
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
  if (mode == "processes" && argc == 3) {
    ForkedWrite(argv[2]);
    ExecutedWrite(argv[0], argv[2]);
    SentWrite(argv[2]);
    RangeClosed(argv[2]);
    BusyWithSignalsAndForks(argv[2]);
    return 0;
  }
  if (mode == "hostile" && argc == 6) {
    Hostile(argv[2], argv[3], argv[4], argv[5]);
    return 0;
  }
  if (mode == "tray" && argc == 6) {
    TrayWhileHeld(argv[2], argv[3], argv[4], argv[5]);
    return 0;
  }
  // Run by ExecutedWrite: writes 16 blocks at ADDRESS on the inherited DESCRIPTOR.
  if (mode == "inherited" && argc == 4) {
    const int descriptor = std::atoi(argv[2]);
    return WriteBlocks(descriptor, static_cast<unsigned char>(std::atoi(argv[3]))) == "good" ? 0 : 1;
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
  std::fprintf(stderr, "usage: expose-probe surface DEVICE FILE | hold DEVICE | open DEVICE | processes DEVICE | "
               "tray DEVICE CLI DATA IMAGE\n");
  return 2;
}
