#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/VirtualRecorder.h"

namespace {

namespace fs = std::filesystem;
using namespace brenmark;
using virtualdrive::MediumKind;

// The tray a run starts with, chosen by the input's first byte.
struct Setup {
  MediumKind kind;
  bool empty;
};
constexpr Setup kSetups[] = {
    {MediumKind::CdR, false},      {MediumKind::CdRw, false},     {MediumKind::DvdR, false},
    {MediumKind::DvdRw, false},    {MediumKind::DvdPlusR, false}, {MediumKind::DvdPlusRw, false},
    {MediumKind::CdR, true},
};

constexpr std::uint8_t kCdbLengths[] = {6, 10, 12, 16};
constexpr std::uint8_t kStartStopUnit = 0x1B;

bool WriteOnce(MediumKind kind) {
  return kind == MediumKind::CdR || kind == MediumKind::DvdR || kind == MediumKind::DvdPlusR;
}

// The data folder of this process, holding the recorder's two folders.
const fs::path& Root() {
  static const fs::path root = fs::temp_directory_path() / ("brenmark-fuzz-recorder-" + std::to_string(getpid()));
  return root;
}

CommandOutcome Run(virtualdrive::VirtualRecorder& recorder, std::initializer_list<std::uint8_t> bytes,
                   std::uint8_t* answer, std::uint32_t length) {
  std::array<std::uint8_t, 12> cdb{};
  std::copy(bytes.begin(), bytes.end(), cdb.begin());
  ScsiRequest request;
  request.cdb = cdb.data();
  request.cdbLength = static_cast<std::uint8_t>(bytes.size());
  request.direction = DataDirection::In;
  request.buffer = answer;
  request.length = length;
  return recorder.Execute(request);
}

// How far the disc is written, as a host learns it: the disc's status, its
// sessions and where writing stands in its last track. Nothing when the
// recorder will not tell.
std::optional<std::array<std::int64_t, 3>> WrittenExtent(virtualdrive::VirtualRecorder& recorder) {
  std::array<std::uint8_t, 34> disc{};
  if (Run(recorder, {0x51, 0, 0, 0, 0, 0, 0, 0, sizeof disc, 0}, disc.data(), sizeof disc).result !=
      TransportResult::Good) {
    return std::nullopt;
  }
  const std::int64_t sessions = disc[4] | disc[9] << 8;
  const std::uint8_t lastTrack = disc[6];
  std::array<std::uint8_t, 36> track{};
  if (Run(recorder, {0x52, 1, 0, 0, 0, lastTrack, 0, 0, sizeof track, 0}, track.data(), sizeof track).result !=
      TransportResult::Good) {
    return std::nullopt;
  }
  // A track being written ends where the next write would go; a closed one
  // where its blocks end; a blank one where it starts.
  const bool blank = (track[6] & 0x40) != 0;
  const bool nextWritableValid = (track[7] & 0x01) != 0;
  const std::int64_t start = bytes::ReadBe32(track.data() + 8);
  const std::int64_t end = nextWritableValid ? bytes::ReadBe32(track.data() + 12)
                           : blank           ? start
                                             : start + bytes::ReadBe32(track.data() + 24);
  return std::array<std::int64_t, 3>{disc[2] & 0x03, sessions, end};
}

}  // namespace

// A host's commands into a recorder with a blank disc (or none): the first
// byte picks the tray, then each command is a header byte (bits 0-1 the
// command block's length, 6, 10, 12 or 16; bits 2-3 the direction: none, in,
// out), a 16-bit transfer length, the command block and, for data out, the
// data. The recorder must not crash or hang, must keep to its data folder,
// and on write-once media what is written only grows.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Setup setup = kSetups[data[0] % std::size(kSetups)];
  const fs::path& root = Root();
  fs::remove_all(root);
  fs::create_directories(root);
  {
    const bool dvd = !virtualdrive::IsCdMedium(setup.kind);
    virtualdrive::VirtualRecorder recorder(dvd ? virtualdrive::DvdRecorderModel() : virtualdrive::CdRecorderModel(),
                                           root / "work", root / "burned", {root});
    if (recorder.Claim() != virtualdrive::VirtualRecorder::ClaimResult::Claimed) std::abort();
    if (setup.empty ? !recorder.RemoveDisc().ok : !recorder.InsertBlank(setup.kind).ok) std::abort();
    auto extent = WrittenExtent(recorder);

    std::vector<std::uint8_t> buffer;
    std::size_t at = 1;
    while (at + 3 <= size) {
      const std::uint8_t header = data[at];
      const std::uint8_t cdbLength = kCdbLengths[header & 0x03];
      const int way = (header >> 2) % 3;
      std::uint32_t length = bytes::ReadBe16(data + at + 1);
      at += 3;
      if (at + cdbLength > size) break;
      const std::uint8_t* cdb = data + at;
      at += cdbLength;
      ScsiRequest request;
      request.cdb = cdb;
      request.cdbLength = cdbLength;
      request.direction = way == 0 ? DataDirection::None : way == 1 ? DataDirection::In : DataDirection::Out;
      if (request.direction == DataDirection::None) length = 0;
      if (request.direction == DataDirection::Out) {
        length = static_cast<std::uint32_t>(std::min<std::size_t>(length, size - at));
        buffer.assign(data + at, data + at + length);
        at += length;
      } else {
        buffer.assign(length, 0);
      }
      request.buffer = buffer.data();
      request.length = length;
      const CommandOutcome outcome = recorder.Execute(request);
      if (outcome.residual > length) std::abort();

      if (cdb[0] == kStartStopUnit) {
        extent = WrittenExtent(recorder);
        continue;
      }
      // The disc's status and sessions only grow; so does where the next
      // write goes while the status stays (closing the disc leaves its last
      // written track the last one, which ends before that).
      const auto now = WrittenExtent(recorder);
      if (WriteOnce(setup.kind) && extent && now) {
        const auto& [status, sessions, end] = *now;
        if (status < (*extent)[0] || sessions < (*extent)[1]) std::abort();
        if (status == (*extent)[0] && end < (*extent)[2]) std::abort();
      }
      if (now) extent = now;
    }
    recorder.Release();
  }
  // Nothing beside the recorder's own two folders.
  for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
    const fs::path name = entry.path().filename();
    if (name != "work" && name != "burned") std::abort();
  }
  return 0;
}
