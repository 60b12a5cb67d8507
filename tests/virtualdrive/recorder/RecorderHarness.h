#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Bytes.h"
#include "tests/support/TempFolder.h"
#include "virtualdrive/VirtualRecorder.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::virtualdrive::testing {

using testsupport::FileBytes;
using testsupport::Pattern;
using testsupport::TempFolder;

inline void WriteFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// Command blocks built from MMC, byte by byte, independent of the host side.
namespace cdb {
using Bytes = std::vector<std::uint8_t>;

inline Bytes Simple(std::uint8_t opcode, std::size_t length) {
  Bytes cdb(length, 0);
  cdb[0] = opcode;
  return cdb;
}
inline void Put16(Bytes& cdb, std::size_t at, std::uint32_t value) {
  cdb[at] = static_cast<std::uint8_t>(value >> 8);
  cdb[at + 1] = static_cast<std::uint8_t>(value);
}

// Byte `index` of `value`, counted from the least significant.
constexpr std::uint8_t ByteOf(std::uint32_t value, int index) { return static_cast<std::uint8_t>(value >> (8 * index)); }

inline Bytes Write10(std::int32_t lba, std::uint16_t blocks) {
  const auto at = static_cast<std::uint32_t>(lba);
  return {0x2A, 0, ByteOf(at, 3), ByteOf(at, 2), ByteOf(at, 1), ByteOf(at, 0), 0, ByteOf(blocks, 1), ByteOf(blocks, 0), 0};
}
inline Bytes Write12(std::int32_t lba, std::uint32_t blocks) {
  const auto at = static_cast<std::uint32_t>(lba);
  return {0xAA,           0,    ByteOf(at, 3), ByteOf(at, 2), ByteOf(at, 1), ByteOf(at, 0), ByteOf(blocks, 3),
          ByteOf(blocks, 2), ByteOf(blocks, 1), ByteOf(blocks, 0), 0x80, 0};
}
inline Bytes Read10(std::int32_t lba, std::uint16_t blocks) {
  Bytes cdb = Write10(lba, blocks);
  cdb[0] = 0x28;
  return cdb;
}
inline Bytes Read12(std::int32_t lba, std::uint32_t blocks) {
  Bytes cdb = Write12(lba, blocks);
  cdb[0] = 0xA8;
  return cdb;
}
inline Bytes ReadCd(std::int32_t lba, std::uint32_t blocks, std::uint8_t fields, std::uint8_t expectedType = 0) {
  const auto at = static_cast<std::uint32_t>(lba);
  return {0xBE,          static_cast<std::uint8_t>(expectedType << 2), ByteOf(at, 3), ByteOf(at, 2), ByteOf(at, 1),
          ByteOf(at, 0), ByteOf(blocks, 2), ByteOf(blocks, 1), ByteOf(blocks, 0), fields, 0, 0};
}
inline Bytes CloseTrack(int number) {
  const auto track = static_cast<std::uint32_t>(number);
  return {0x5B, 0, 0x01, 0, ByteOf(track, 1), ByteOf(track, 0), 0, 0, 0, 0};
}
inline Bytes CloseSession() { return {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}; }
inline Bytes ReadTrackInformation(std::uint8_t addressType, std::uint32_t value) {
  return {0x52, addressType, ByteOf(value, 3), ByteOf(value, 2), ByteOf(value, 1), ByteOf(value, 0), 0, 0, 48, 0};
}
inline Bytes ReadDiscInformation() { return {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}; }
inline Bytes ReadToc(std::uint8_t format, bool msf, std::uint16_t length) {
  return {0x43, ByteOf(msf ? 0x02 : 0x00, 0), format, 0, 0, 0, 0, ByteOf(length, 1), ByteOf(length, 0), 0};
}
inline Bytes ModeSense(std::uint8_t page, std::uint16_t length) {
  return {0x5A, 0, page, 0, 0, 0, 0, ByteOf(length, 1), ByteOf(length, 0), 0};
}
inline Bytes ModeSelect(std::uint16_t length) { return {0x55, 0x10, 0, 0, 0, 0, 0, ByteOf(length, 1), ByteOf(length, 0), 0}; }
inline Bytes ReserveTrack(std::uint32_t blocks) {
  return {0x53, 0, 0, 0, 0, ByteOf(blocks, 3), ByteOf(blocks, 2), ByteOf(blocks, 1), ByteOf(blocks, 0), 0};
}
}  // namespace cdb

// Write parameters as a host sets them.
struct WriteSetup {
  std::uint8_t writeType = 1;
  std::uint8_t dataBlockType = 8;
  std::uint8_t trackMode = 4;
  std::uint8_t multiSession = 0;  // the two-bit field
  std::uint8_t sessionFormat = 0;
  bool testWrite = false;
  std::array<std::uint8_t, 4> subheader{};
};

inline std::uint32_t Be32(const std::vector<std::uint8_t>& data, std::size_t at) {
  return static_cast<std::uint32_t>(data[at]) << 24 | static_cast<std::uint32_t>(data[at + 1]) << 16 |
         static_cast<std::uint32_t>(data[at + 2]) << 8 | data[at + 3];
}
inline std::uint16_t Be16(const std::vector<std::uint8_t>& data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] << 8 | data[at + 1]);
}

// A recorder in a temporary folder, claimed as a process that has the drive
// open claims it, and one-line ways to talk to it.
class RecorderHarness {
 public:
  explicit RecorderHarness(RecorderModel model = CdRecorderModel()) { Start(std::move(model)); }

  VirtualRecorder& recorder() { return *recorder_; }
  // The recorder behind the transport port, open.
  ScsiTransport& transport() { return *transport_; }
  const std::filesystem::path& folder() const { return folder_.path(); }
  // Destroys the recorder and creates another one on the same folders, doing
  // `whileStopped` in between.
  void Restart(const std::function<void()>& whileStopped = {}, RecorderModel model = CdRecorderModel()) {
    transport_.reset();
    recorder_.reset();
    if (whileStopped) whileStopped();
    Start(std::move(model));
  }

  TransportResult Send(const cdb::Bytes& bytes, DataDirection direction = DataDirection::None,
                       std::uint8_t* buffer = nullptr, std::uint32_t length = 0) {
    const ScsiRequest request{bytes.data(), static_cast<std::uint8_t>(bytes.size()), direction, buffer, length};
    CommandOutcome outcome = recorder_->Execute(request);
    // A host sends again a command met by the unit attention of a new disc.
    if (!reportUnitAttention && outcome.sense && outcome.sense->key == 0x06) outcome = recorder_->Execute(request);
    return outcome.result;
  }
  // Whether Send leaves a unit attention to its caller.
  bool reportUnitAttention = false;
  // Data-in command; nullopt on failure.
  std::optional<std::vector<std::uint8_t>> Read(const cdb::Bytes& bytes, std::uint32_t length) {
    std::vector<std::uint8_t> data(length, 0);
    if (Send(bytes, DataDirection::In, data.data(), length) != TransportResult::Good) return std::nullopt;
    return data;
  }
  TransportResult SendOut(const cdb::Bytes& bytes, std::vector<std::uint8_t> data) {
    return Send(bytes, DataDirection::Out, data.data(), static_cast<std::uint32_t>(data.size()));
  }
  std::optional<Sense> sense() const { return recorder_->LastSense(); }

  TransportResult SetWriteParameters(const WriteSetup& setup) {
    std::vector<std::uint8_t> list(60, 0);
    std::uint8_t* page = list.data() + 8;
    page[0] = 0x05;
    page[1] = 0x32;
    page[2] = static_cast<std::uint8_t>(0x40 | (setup.testWrite ? 0x10 : 0) | setup.writeType);
    page[3] = static_cast<std::uint8_t>(setup.multiSession << 6 | setup.trackMode);
    page[4] = setup.dataBlockType;
    page[8] = setup.sessionFormat;
    page[15] = 150;
    std::copy(setup.subheader.begin(), setup.subheader.end(), page + 48);
    return SendOut(cdb::ModeSelect(60), list);
  }

  TransportResult Write(std::int32_t lba, std::uint16_t blocks, std::vector<std::uint8_t> data) {
    return SendOut(cdb::Write10(lba, blocks), std::move(data));
  }

  std::vector<std::uint8_t> TrackInformation(int track) {
    return Read(cdb::ReadTrackInformation(1, static_cast<std::uint32_t>(track)), 48).value_or(std::vector<std::uint8_t>{});
  }
  std::vector<std::uint8_t> DiscInformation() {
    return Read(cdb::ReadDiscInformation(), 34).value_or(std::vector<std::uint8_t>{});
  }
  std::int32_t TrackStart(int track) { return static_cast<std::int32_t>(Be32(TrackInformation(track), 8)); }
  // The current write speed in kB/s, from the capabilities page.
  std::uint16_t CurrentWriteSpeed() { return Be16(Read(cdb::ModeSense(0x2A, 255), 255).value(), 8 + 28); }

 private:
  void Start(RecorderModel model) {
    recorder_ = std::make_shared<VirtualRecorder>(std::move(model), folder_.path() / "work",
                                                  folder_.path() / "burned discs");
    recorder_->Claim();
    transport_ = std::make_unique<VirtualRecorderTransport>(recorder_);
    transport_->Open();
  }

  TempFolder folder_;
  std::shared_ptr<VirtualRecorder> recorder_;
  std::unique_ptr<VirtualRecorderTransport> transport_;
};

}  // namespace brenmark::virtualdrive::testing
