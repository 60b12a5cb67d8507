// The device a virtual recorder is shown as, driven in this process the way
// the preloaded library drives it for another program.
#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/support/TempFolder.h"
#include "virtualdrive/expose/DeviceDiscovery.h"
#include "virtualdrive/expose/ExposedDevices.h"
#include "virtualdrive/expose/TrayTurns.h"

namespace brenmark::expose {
namespace {

struct SgCall {
  std::array<unsigned char, 16> cdb{};
  std::array<unsigned char, 64> data{};
  std::array<unsigned char, 32> sense{};
  sg_io_hdr_t header{};

  SgCall(std::initializer_list<unsigned char> bytes, int direction, unsigned length, unsigned char senseRoom = 32) {
    std::copy(bytes.begin(), bytes.end(), cdb.begin());
    header.interface_id = 'S';
    header.cmd_len = static_cast<unsigned char>(bytes.size());
    header.cmdp = cdb.data();
    header.dxfer_direction = direction;
    header.dxfer_len = length;
    header.dxferp = data.data();
    header.mx_sb_len = senseRoom;
    header.sbp = sense.data();
  }
};

class ExposedDeviceTest : public ::testing::Test {
 protected:
  ExposeSettings Settings(std::vector<std::string> faults = {}) {
    return ExposeSettings{"/dev/sr90", "/dev/sr91", folder_.path(), std::move(faults), {}};
  }
  int Run(ExposedDevice& device, SgCall& call, int& error) { return device.Control(SG_IO, &call.header, error); }
  // Opens a device as the preloaded open does; -1 with `error`.
  static int Hold(ExposedDevices& devices, const char* path, int& error) {
    error = 0;
    return devices.Open(*devices.AtPath(path), O_CLOEXEC, error);
  }
  static void Let(ExposedDevices& devices, int descriptor) {
    devices.Closed(descriptor);
    ::close(descriptor);
  }

  testsupport::TempFolder folder_{"exposed-device"};
};

TEST_F(ExposedDeviceTest, PathsAndNodesAreThoseOfTheSettings) {
  ExposedDevices devices(ExposeSettings{"/dev/sr90", "/tmp/elsewhere", folder_.path(), {}, {}});
  ASSERT_NE(devices.AtPath("/dev/sr90"), nullptr);
  EXPECT_EQ(devices.AtPath("/dev/sr9"), nullptr);
  EXPECT_EQ(devices.AtPath("/dev/sr900"), nullptr);
  EXPECT_EQ(devices.AtPath(nullptr), nullptr);
  struct stat cd {};
  devices.AtPath("/dev/sr90")->Describe(cd);
  EXPECT_TRUE(S_ISBLK(cd.st_mode));
  EXPECT_EQ(major(cd.st_rdev), 11u);
  EXPECT_EQ(minor(cd.st_rdev), 90u);
  // A path not named srN takes the DVD recorder's usual number.
  struct statx dvd {};
  devices.AtPath("/tmp/elsewhere")->Describe(dvd);
  EXPECT_EQ(dvd.stx_rdev_minor, 91u);
  EXPECT_TRUE(S_ISBLK(dvd.stx_mode));
}

TEST_F(ExposedDeviceTest, SgIoCarriesDataStatusSenseAndResidual) {
  ExposedDevices devices(Settings());
  ExposedDevice& cd = *devices.AtPath("/dev/sr90");
  int error = 0;
  const int held = Hold(devices, "/dev/sr90", error);
  ASSERT_GE(held, 0);

  SgCall inquiry({0x12, 0, 0, 0, 64, 0}, SG_DXFER_FROM_DEV, 64);
  ASSERT_EQ(Run(cd, inquiry, error), 0);
  EXPECT_EQ(inquiry.header.status, 0);
  EXPECT_EQ(inquiry.header.info & SG_INFO_OK_MASK, SG_INFO_OK);
  EXPECT_EQ(inquiry.data[0] & 0x1F, 5);  // a CD/DVD device
  EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.data.data() + 8), 8), "Brenmark");
  // The standard answer is shorter than the 64 bytes asked for.
  EXPECT_GT(inquiry.header.resid, 0);
  EXPECT_LT(inquiry.header.resid, 64);

  // An unknown command: CHECK CONDITION with fixed-format sense, cut to the room given.
  SgCall unknown({0xA2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, SG_DXFER_NONE, 0, 14);
  ASSERT_EQ(Run(cd, unknown, error), 0);
  EXPECT_EQ(unknown.header.status, 0x02);
  EXPECT_EQ(unknown.header.masked_status, 0x01);
  EXPECT_EQ(unknown.header.driver_status, 0x08);
  EXPECT_EQ(unknown.header.host_status, 0);
  EXPECT_EQ(unknown.header.sb_len_wr, 14);
  EXPECT_EQ(unknown.sense[0], 0x70);
  EXPECT_EQ(unknown.sense[2], 0x05);
  EXPECT_EQ(unknown.sense[12], 0x20);
  EXPECT_EQ(unknown.sense[14], 0);  // beyond the room given
  EXPECT_EQ(unknown.header.info & SG_INFO_OK_MASK, SG_INFO_CHECK);

  // Without data the direction is not looked at (programs leave it zero);
  // with data it must be one that moves data.
  SgCall unsetDirection({0x00, 0, 0, 0, 0, 0}, 0, 0);
  ASSERT_EQ(Run(cd, unsetDirection, error), 0);
  EXPECT_EQ(unsetDirection.header.info & SG_INFO_OK_MASK, SG_INFO_OK);
  for (const int direction : {0, SG_DXFER_NONE}) {
    SgCall dataWithoutDirection({0x12, 0, 0, 0, 36, 0}, direction, 36);
    EXPECT_EQ(Run(cd, dataWithoutDirection, error), -1) << direction;
    EXPECT_EQ(error, EINVAL);
  }

  // Malformed headers are refused as the kernel refuses them.
  SgCall wrongInterface({0x00, 0, 0, 0, 0, 0}, SG_DXFER_NONE, 0);
  wrongInterface.header.interface_id = 'Z';
  EXPECT_EQ(Run(cd, wrongInterface, error), -1);
  EXPECT_EQ(error, EINVAL);
  SgCall noBuffer({0x12, 0, 0, 0, 36, 0}, SG_DXFER_FROM_DEV, 36);
  noBuffer.header.dxferp = nullptr;
  EXPECT_EQ(Run(cd, noBuffer, error), -1);
  EXPECT_EQ(error, EFAULT);
  Let(devices, held);
}

TEST_F(ExposedDeviceTest, TransportFaultsFailTheCallOrReportTheHostStatus) {
  ExposedDevices devices(Settings({"INQUIRY:transport", "TESTUNITREADY:host=01"}));
  ExposedDevice& cd = *devices.AtPath("/dev/sr90");
  int error = 0;
  const int held = Hold(devices, "/dev/sr90", error);
  ASSERT_GE(held, 0);
  SgCall inquiry({0x12, 0, 0, 0, 36, 0}, SG_DXFER_FROM_DEV, 36);
  EXPECT_EQ(Run(cd, inquiry, error), -1);
  EXPECT_EQ(error, EIO);
  SgCall ready({0x00, 0, 0, 0, 0, 0}, SG_DXFER_NONE, 0);
  ASSERT_EQ(Run(cd, ready, error), 0);
  EXPECT_EQ(ready.header.host_status, 0x01);
  EXPECT_EQ(ready.header.status, 0);
  EXPECT_EQ(ready.header.info & SG_INFO_OK_MASK, SG_INFO_CHECK);
  // Each fault struck once.
  EXPECT_EQ(Run(cd, inquiry, error), 0);
  EXPECT_EQ(Run(cd, ready, error), 0);
  EXPECT_EQ(ready.header.host_status, 0);
  Let(devices, held);
}

TEST_F(ExposedDeviceTest, QueriesAndTheTrayBeforeAProgramTrustsTheDevice) {
  ExposedDevices devices(Settings());
  ExposedDevice& dvd = *devices.AtPath("/dev/sr91");
  int error = 0;
  const int held = Hold(devices, "/dev/sr91", error);
  ASSERT_GE(held, 0);
  Sg_scsi_id id{};
  ASSERT_EQ(dvd.Control(SG_GET_SCSI_ID, &id, error), 0);
  EXPECT_EQ(id.scsi_type, 5);
  EXPECT_EQ(id.host_no, 91);
  int idLun[2] = {};
  ASSERT_EQ(dvd.Control(SCSI_IOCTL_GET_IDLUN, idLun, error), 0);
  int bus = -1;
  ASSERT_EQ(dvd.Control(SCSI_IOCTL_GET_BUS_NUMBER, &bus, error), 0);
  EXPECT_EQ(idLun[0] >> 24 & 0xFF, bus);
  // A reserved buffer beyond the largest transfer is cut to it, as the kernel does.
  for (const auto& [asked, kept] : {std::pair{16384, 16384}, std::pair{1 << 30, 65536}}) {
    int size = asked;
    ASSERT_EQ(dvd.Control(SG_SET_RESERVED_SIZE, &size, error), 0);
    ASSERT_EQ(dvd.Control(SG_GET_RESERVED_SIZE, &size, error), 0);
    EXPECT_EQ(size, kept);
  }
  // The capabilities follow the recorder's mode page.
  const int dvdCapabilities = dvd.Control(CDROM_GET_CAPABILITY, nullptr, error);
  EXPECT_EQ(dvdCapabilities & (CDC_DVD | CDC_DVD_R | CDC_CD_R | CDC_OPEN_TRAY | CDC_DVD_RAM | CDC_RAM),
            CDC_DVD | CDC_DVD_R | CDC_CD_R | CDC_OPEN_TRAY);
  EXPECT_EQ(devices.AtPath("/dev/sr90")->Control(CDROM_GET_CAPABILITY, nullptr, error) & (CDC_DVD | CDC_CD_RW),
            CDC_CD_RW);
  EXPECT_EQ(dvd.Control(SG_GET_VERSION_NUM, nullptr, error), -1);
  EXPECT_EQ(error, EFAULT);
  EXPECT_EQ(dvd.Control(0x030d, nullptr, error), -1);  // the ATA identity: not this device's
  EXPECT_EQ(error, ENOTTY);

  EXPECT_EQ(dvd.Control(CDROM_DRIVE_STATUS, nullptr, error), CDS_DISC_OK);
  SgCall removal({0x1B, 0, 0, 0, 0x02, 0}, SG_DXFER_NONE, 0);
  ASSERT_EQ(Run(dvd, removal, error), 0);  // eject: a fresh blank is loaded
  EXPECT_EQ(dvd.Control(CDROMEJECT, nullptr, error), 0);
  EXPECT_EQ(dvd.Control(CDROM_DRIVE_STATUS, nullptr, error), CDS_DISC_OK);
  Let(devices, held);
}

// A held device is an open description of the recorder's lock file: other
// holders (each ExposedDevices stands for a process) are refused until its
// last descriptor closes, wherever the system passed it; a descriptor is
// known by what it refers to, not by its number.
TEST_F(ExposedDeviceTest, AHeldDeviceIsBusyForOtherHoldersAndItsDescriptorsAreKnownByIdentity) {
  ExposedDevices first(Settings());
  ExposedDevices second(Settings());
  int error = 0;
  const int held = Hold(first, "/dev/sr90", error);
  ASSERT_GE(held, 0);
  const int again = Hold(first, "/dev/sr90", error);  // the same holder
  ASSERT_GE(again, 0);
  EXPECT_EQ(Hold(second, "/dev/sr90", error), -1);
  EXPECT_EQ(error, EBUSY);
  const int other = Hold(second, "/dev/sr91", error);
  EXPECT_GE(other, 0);
  Let(first, held);
  EXPECT_EQ(Hold(second, "/dev/sr90", error), -1);

  // A copy the system made (as a socket or an exec passes it) is the device
  // to a holder that never opened it, which then takes turns with the opener.
  const int passed = ::fcntl(again, F_DUPFD_CLOEXEC, 0);
  EXPECT_FALSE(second.shared());
  EXPECT_EQ(second.Recognise(passed), second.AtPath("/dev/sr90"));
  EXPECT_TRUE(second.shared());
  EXPECT_EQ(second.AtDescriptor(passed), second.AtPath("/dev/sr90"));

  // Closed behind the table's back, its number given to a pipe: no device.
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  ASSERT_EQ(::dup3(ends[0], again, O_CLOEXEC), again);
  EXPECT_EQ(first.AtDescriptor(again), nullptr);
  EXPECT_EQ(first.Recognise(ends[1]), nullptr);
  for (const int end : {ends[0], ends[1], again}) ::close(end);
  // Holding `passed`, the second opens it again; without, it is free.
  const int reopened = Hold(second, "/dev/sr90", error);
  EXPECT_GE(reopened, 0);
  Let(second, passed);
  Let(second, reopened);
  EXPECT_EQ(Hold(first, "/dev/sr91", error), -1);
  const int free = Hold(first, "/dev/sr90", error);
  EXPECT_GE(free, 0);
  Let(first, free);
  Let(second, other);
}

// A lone holder: the user's tray action (another process's recorder) swaps
// the disc between its commands and it is told on the next; refused while
// the holder prevents removal, and while it has written the disc and not
// yet ejected it or let it go (its changes not handed over). The user sees
// the tray as the holder left it, and a new pace applies from its next command.
TEST_F(ExposedDeviceTest, TheUserSwapsALoneHoldersDiscBetweenItsCommandsUnlessLockedOrWritten) {
  ExposedDevices devices(Settings());
  ExposedDevice& cd = *devices.AtPath("/dev/sr90");
  int error = 0;
  const int held = Hold(devices, "/dev/sr90", error);
  ASSERT_GE(held, 0);
  SgCall ready({0x00, 0, 0, 0, 0, 0}, SG_DXFER_NONE, 0);
  ASSERT_EQ(Run(cd, ready, error), 0);
  ASSERT_EQ(ready.header.status, 0);
  virtualdrive::VirtualRecorder user(virtualdrive::CdRecorderModel(), folder_.path() / "virtual-cd",
                                     folder_.path() / "burned discs", {folder_.path()});
  user.SetHolderTurns(std::make_shared<TrayTurns>(std::chrono::milliseconds(100)));

  ASSERT_TRUE(user.HeldThroughDevice());
  EXPECT_EQ(user.DescribeHeldTray(), std::string("blank CD-R (80 min)\n") + virtualdrive::VirtualRecorder::kHeldNote);
  ASSERT_TRUE(user.RemoveDisc().ok);
  const std::pair<unsigned char, unsigned char> toldThenNoDisc[] = {{0x06, 0x28}, {0x02, 0x3A}};
  for (const auto& [key, asc] : toldThenNoDisc) {
    ASSERT_EQ(Run(cd, ready, error), 0);
    EXPECT_EQ(ready.sense[2] & 0x0F, key);
    EXPECT_EQ(ready.sense[12], asc);
  }
  ASSERT_TRUE(user.InsertBlank(virtualdrive::MediumKind::CdR).ok);
  ASSERT_EQ(Run(cd, ready, error), 0);  // the blank's arrival told

  SgCall prevent({0x1E, 0, 0, 0, 1, 0}, SG_DXFER_NONE, 0);
  ASSERT_EQ(Run(cd, prevent, error), 0);
  ASSERT_EQ(prevent.header.status, 0);
  EXPECT_EQ(user.Eject().message, virtualdrive::VirtualRecorder::kLockedMessage);
  SgCall allow({0x1E, 0, 0, 0, 0, 0}, SG_DXFER_NONE, 0);
  ASSERT_EQ(Run(cd, allow, error), 0);
  ASSERT_TRUE(user.SetPace(virtualdrive::Pace::Real).ok);
  std::vector<unsigned char> blocks(32 * 2048);
  SgCall write({0x2A, 0, 0, 0, 0, 0, 0, 0, 32, 0}, SG_DXFER_TO_DEV, static_cast<unsigned>(blocks.size()));
  write.header.dxferp = blocks.data();
  SgCall flush({0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}, SG_DXFER_NONE, 0);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Run(cd, write, error), 0);
  ASSERT_EQ(write.header.status, 0);
  ASSERT_EQ(Run(cd, flush, error), 0);
  // The cache flush waited for the disc to take the blocks at the fastest speed.
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            32 * virtualdrive::DrivePace::BlockTime(virtualdrive::CdRecorderModel().writeSpeeds.front(), 2352));
  EXPECT_EQ(user.DescribeHeldTray(), std::string(virtualdrive::VirtualRecorder::kBeingWrittenMessage));
  EXPECT_EQ(user.SetPace(virtualdrive::Pace::Fast).message, virtualdrive::VirtualRecorder::kBeingWrittenMessage);
  EXPECT_EQ(user.Eject().message, virtualdrive::VirtualRecorder::kBeingWrittenMessage);
  // The holder's own eject writes the tray: it is the user's again.
  SgCall eject({0x1B, 0, 0, 0, 0x02, 0}, SG_DXFER_NONE, 0);
  ASSERT_EQ(Run(cd, eject, error), 0);
  EXPECT_TRUE(user.InsertBlank(virtualdrive::MediumKind::CdRw).ok);
  Let(devices, held);
  EXPECT_FALSE(user.HeldThroughDevice());
  EXPECT_TRUE(user.Eject().ok);
}

// A lock taken on anything but the regular file would be no lock other
// users of the recorder honour: the open is refused, saying why.
TEST_F(ExposedDeviceTest, ALockFileThatIsNotARegularFileRefusesTheOpen) {
  const auto lockFile = folder_.path() / "virtual-cd" / ".lock";
  std::filesystem::create_directories(lockFile.parent_path());
  ASSERT_EQ(::mkfifo(lockFile.c_str(), 0600), 0);
  ExposedDevices devices(Settings());
  int error = 0;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Hold(devices, "/dev/sr90", error), -1);
  const std::string told = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(error, EIO);
  EXPECT_NE(told.find("cannot lock " + lockFile.string() + ": it is not a regular file"), std::string::npos) << told;
}

// With both builds laid out for the dynamic linker's $LIB, the preload names
// them through it; the 64-bit library alone, or half the layout, as it is.
TEST_F(ExposedDeviceTest, ThePreloadNamesBothBuildsThroughTheLinkersLib) {
  const std::filesystem::path library = folder_.path() / "brenmark-expose.so";
  const std::string throughLib = (folder_.path() / "preload" / "$LIB" / "brenmark-expose.so").string();
  const std::pair<const char*, std::string> steps[] = {
      {nullptr, library.string()}, {"i386-linux-gnu", library.string()}, {"x86_64-linux-gnu", throughLib}};
  for (const auto& [made, entry] : steps) {
    if (made != nullptr) {
      const auto folder = folder_.path() / "preload" / "lib" / made;
      std::filesystem::create_directories(folder);
      std::ofstream(folder / "brenmark-expose.so") << "library";
    }
    EXPECT_EQ(PreloadEntry(library), entry) << (made == nullptr ? "none" : made);
  }
}

// Programs that look for drives find the nodes in /dev (and under their
// older names) and the sysfs entries of a SCSI CD-ROM; a node outside /dev
// has none.
TEST_F(ExposedDeviceTest, DiscoveryListsTheNodesAndGivesTheirSysfsEntries) {
  DeviceDiscovery discovery({{"/dev/sr90", 90, "Brenmark", "Virtual CD-RW", "1.0"},
                             {"/tmp/elsewhere", 91, "Brenmark", "Virtual DVD-R", "1.0"}},
                            folder_.path() / "sysfs");
  using Names = std::vector<std::string>;
  EXPECT_EQ(discovery.ExtraEntries("/dev"), Names{"sr90"});
  EXPECT_EQ(discovery.ExtraEntries("/sys/block/"), Names{"sr90"});
  EXPECT_EQ(discovery.ExtraEntries("/sys/dev/block"), Names{"11:90"});
  EXPECT_EQ(discovery.ExtraEntries("/tmp"), Names{});
  EXPECT_EQ(discovery.OtherName("/dev/scd90"), "/dev/sr90");
  EXPECT_EQ(discovery.OtherName("/dev/scd91"), "");
  EXPECT_EQ(discovery.OtherName("/dev/cdrom"), std::filesystem::exists("/dev/cdrom") ? "" : "/dev/sr90");
  const std::pair<const char*, std::string> files[] = {{"/sys/block/sr90/removable", "1\n"},
                                                       {"/sys/class/block/sr90/device/type", "5\n"},
                                                       {"/sys/dev/block/11:90/device/vendor", "Brenmark\n"},
                                                       {"/sys/block/sr90/device/model", "Virtual CD-RW   \n"},
                                                       {"/sys/block/sr90/dev", "11:90\n"}};
  for (const auto& [path, text] : files) {
    std::ifstream file(discovery.SysfsPath(path));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), text) << path;
  }
  EXPECT_TRUE(std::filesystem::is_directory(discovery.SysfsPath("/sys/dev/block/11:90")));
  for (const char* other : {"/sys/block/sr900", "/sys/block/sr9", "/sys/block/sda/removable", "/sys/block/sr91"})
    EXPECT_TRUE(discovery.SysfsPath(other).empty()) << other;
}

TEST(ExposeSettingsText, TheVariablesExposeSetsAreReadBack) {
  const ExposeSettings settings{"/dev/sr90", "/dev/sr91", "/data/recorders", {"WRITE10:transport", "0x00:host=03"},
                                "/tmp/trace.log"};
  const auto variables = ExposeVariables(settings, "/opt/lib/brenmark-expose.so", "other.so");
  const auto lookup = [&variables](const char* name) -> const char* {
    for (const auto& [key, value] : variables) {
      if (key == name) return value.c_str();
    }
    return nullptr;
  };
  const auto read = ReadExposeSettings(lookup);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->cdPath, settings.cdPath);
  EXPECT_EQ(read->dvdPath, settings.dvdPath);
  EXPECT_EQ(read->dataFolder, settings.dataFolder);
  EXPECT_EQ(read->faults, settings.faults);
  EXPECT_EQ(read->traceFile, settings.traceFile);
  EXPECT_STREQ(lookup("LD_PRELOAD"), "/opt/lib/brenmark-expose.so other.so");
  EXPECT_STREQ(lookup("BRENMARK_EXTRA_DEVICES"), "/dev/sr90:/dev/sr91");
  EXPECT_FALSE(ReadExposeSettings([](const char*) -> const char* { return nullptr; }));
}

}  // namespace
}  // namespace brenmark::expose
