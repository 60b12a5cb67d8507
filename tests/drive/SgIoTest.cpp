#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "drive/sgio/SgDeviceProvider.h"
#include "drive/sgio/SgIoRequest.h"
#include "drive/sgio/SgIoTransport.h"
#include "tests/support/TempFolder.h"

namespace brenmark::testing {
namespace {

namespace fs = std::filesystem;

TEST(SgIoRequest, MapsDirectionLengthAndTimeout) {
  const std::uint8_t cdb[12] = {0xBE};
  std::uint8_t data[64];
  unsigned char sense[sgio::kSenseLength];
  struct Case {
    DataDirection direction;
    std::uint32_t length, timeoutSeconds;
    int sgDirection;
    unsigned expectedLength, expectedTimeout;
  };
  const Case cases[] = {
      {DataDirection::In, 64, 10, SG_DXFER_FROM_DEV, 64, 200000},
      {DataDirection::Out, 48, 20, SG_DXFER_TO_DEV, 48, 200000},
      // The scratch buffer of a command that moves no data is not handed over.
      {DataDirection::None, 32, 6000, SG_DXFER_NONE, 0, 6000000},
      {DataDirection::In, 0, 600, SG_DXFER_NONE, 0, 600000},
  };
  for (const Case& c : cases) {
    ScsiRequest request{cdb, 12, c.direction, data, c.length, c.timeoutSeconds};
    const sg_io_hdr_t header = sgio::MakeRequestHeader(request, sense);
    EXPECT_EQ(header.interface_id, 'S');
    EXPECT_EQ(header.cmd_len, 12);
    EXPECT_EQ(header.cmdp, cdb);
    EXPECT_EQ(header.sbp, sense);
    EXPECT_EQ(header.mx_sb_len, sgio::kSenseLength);
    EXPECT_EQ(header.dxfer_direction, c.sgDirection);
    EXPECT_EQ(header.dxfer_len, c.expectedLength);
    EXPECT_EQ(header.dxferp, c.expectedLength ? data : nullptr);
    EXPECT_EQ(header.timeout, c.expectedTimeout);
  }

  ScsiRequest forever{cdb, 12, DataDirection::None, nullptr, 0, 0xFFFFFFFF};
  EXPECT_LT(sgio::MakeRequestHeader(forever, sense).timeout, 0xFFFFFFFFu);  // never "no limit"
}

// A transport failure tells in its text what failed: the system call (with
// its error number) or the host adapter or driver (with their status bytes).
TEST(SgIoRequest, ATransportFailureKeepsTheSystemErrorAndTheStatusBytes) {
  sg_io_hdr_t header{};
  const CommandOutcome refused = sgio::ClassifyResult(-1, header, EIO);
  EXPECT_EQ(refused.systemError, EIO);
  EXPECT_EQ(refused.Text(), "transport failure: system error 5 (Input/output error)");
  EXPECT_FALSE(refused.DeviceInUse());

  header.host_status = 0x01;  // no connection
  const CommandOutcome noConnection = sgio::ClassifyResult(0, header);
  EXPECT_EQ(noConnection.hostStatus, 0x01);
  EXPECT_EQ(noConnection.Text(), "transport failure: host status 01h, driver status 00h");
  header.status = 0x02;  // a host adapter failure wins over the device's status
  EXPECT_EQ(sgio::ClassifyResult(0, header).result, TransportResult::TransportFailure);

  header.host_status = 0;
  header.status = 0x02;
  header.driver_status = 0x08 | 0x06;  // sense flagged, but the driver timed out
  EXPECT_EQ(sgio::ClassifyResult(0, header).Text(), "transport failure: host status 00h, driver status 0Eh");

  EXPECT_TRUE(sgio::ClassifyResult(-1, header, EBUSY).DeviceInUse());
  EXPECT_EQ(CommandOutcome(TransportResult::TransportFailure).Text(), "transport failure");
}

TEST(SgIoRequest, ADeviceFailureCarriesTheSenseTheKernelWroteAndTheResidual) {
  unsigned char sense[sgio::kSenseLength] = {0x70, 0, 0x03, 0, 0, 0, 0, 0x0A, 0, 0, 0, 0, 0x0C, 0x00};
  sg_io_hdr_t header{};
  header.status = 0x02;
  header.driver_status = 0x08;
  header.sbp = sense;
  header.mx_sb_len = sgio::kSenseLength;
  header.sb_len_wr = 18;
  header.resid = 4096;
  const CommandOutcome outcome = sgio::ClassifyResult(0, header);
  ASSERT_TRUE(outcome.sense);
  EXPECT_EQ(outcome.Text(), "3/0C/00 write error");
  EXPECT_EQ(outcome.residual, 4096u);

  header.sb_len_wr = 0;  // CHECK CONDITION without sense bytes: nothing is made up
  EXPECT_FALSE(sgio::ClassifyResult(0, header).sense);
  header.driver_status = 0;  // nor the driver's "sense available"
  EXPECT_EQ(sgio::ClassifyResult(0, header).result, TransportResult::DeviceFailure);
  header.status = 0;
  header.driver_status = 0;
  header.resid = 100;  // a short read that ended well
  const CommandOutcome shortRead = sgio::ClassifyResult(0, header);
  EXPECT_TRUE(shortRead.good());
  EXPECT_EQ(shortRead.residual, 100u);
}

TEST(SgIoTransport, UndeliverableCommandsAreTransportFailuresSayingWhy) {
  sgio::SgIoTransport transport("/nonexistent/sr0");
  const std::uint8_t cdb[10] = {0x25};
  std::uint8_t data[32];
  ScsiRequest request{cdb, 10, DataDirection::In, data, 32, 10};
  EXPECT_EQ(transport.Execute(request).systemError, EBADF);
  EXPECT_FALSE(transport.Open());
  EXPECT_EQ(transport.OpenFailure().systemError, ENOENT);
  EXPECT_FALSE(transport.OpenShared());
  EXPECT_EQ(transport.Execute(request), TransportResult::TransportFailure);

  sgio::SgIoTransport notScsi("/dev/null");  // opens, but refuses the ioctl
  ASSERT_TRUE(notScsi.Open());
  const CommandOutcome refused = notScsi.Execute(request);
  EXPECT_EQ(refused, TransportResult::TransportFailure);
  EXPECT_EQ(refused.systemError, ENOTTY);
}

TEST(SgDeviceProvider, FindsCdRomNodesInNumericOrder) {
  const testsupport::TempFolder folder("sg");
  const fs::path& root = folder.path();
  // Name and device type; no type means the type file cannot be read.
  const std::pair<const char*, const char*> nodes[] = {
      {"sr10", "5\n"}, {"sr2", "5\n"}, {"sr0", "5\n"},  {"sr1", "4\n"},  // 4: write-once device
      {"sr3", nullptr}, {"sda", "0\n"}, {"sr", "5\n"}, {"sr4x", "5\n"}};
  for (const auto& [name, type] : nodes) {
    fs::create_directories(root / "dev");
    std::ofstream(root / "dev" / name).put('\0');
    if (type == nullptr) continue;
    fs::create_directories(root / "sys" / name / "device");
    std::ofstream(root / "sys" / name / "device" / "type") << type;
  }
  sgio::SgDeviceProvider provider(root / "dev", root / "sys");
  EXPECT_EQ(provider.FindDeviceNames(), (std::vector<std::string>{"sr0", "sr2", "sr10"}));
  std::vector<DeviceCandidate> candidates = provider.FindDevices();
  ASSERT_EQ(candidates.size(), 3u);
  EXPECT_EQ(candidates[0].shortName, "sr0");
  EXPECT_EQ(candidates[0].devicePath, (root / "dev" / "sr0").string());
  ASSERT_NE(candidates[0].transport, nullptr);
}

}  // namespace
}  // namespace brenmark::testing
