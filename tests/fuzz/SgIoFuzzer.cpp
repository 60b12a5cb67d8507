#include <fuzzer/FuzzedDataProvider.h>
#include <linux/cdrom.h>
#include <scsi/sg.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "virtualdrive/VirtualRecorder.h"
#include "virtualdrive/expose/ExposedDevice.h"
#include "virtualdrive/expose/SharedCommands.h"

namespace {

namespace fs = std::filesystem;
using namespace brenmark;

// The most bytes a harness buffer holds; a program's larger transfers are
// cut to this before the device sees them.
constexpr std::size_t kMostBytes = 65536;

// A device whose every answer comes from the input: good, refused with a
// sense, or failed in transport, with data of any content. It touches every
// byte of the command block and of the transfer, so that a length larger
// than the buffer behind it shows.
class HostileDevice final : public ScsiTransport {
 public:
  explicit HostileDevice(FuzzedDataProvider& input) : input_(input) {}
  bool Open() override { return true; }
  void Close() override {}
  CommandOutcome Execute(const ScsiRequest& request) override {
    if (request.cdb == nullptr || request.cdbLength < 6 || request.cdbLength > 16) std::abort();
    volatile std::uint8_t seen = 0;
    for (std::size_t i = 0; i < request.cdbLength; ++i) seen = seen ^ request.cdb[i];
    if (request.length > 0 && request.buffer == nullptr) std::abort();
    if (request.direction == DataDirection::Out) {
      for (std::size_t i = 0; i < request.length; ++i) seen = seen ^ request.buffer[i];
    } else if (request.direction == DataDirection::In) {
      const std::vector<std::uint8_t> answer = input_.ConsumeBytes<std::uint8_t>(request.length);
      std::memset(request.buffer, 0, request.length);
      std::copy(answer.begin(), answer.end(), request.buffer);
    }
    CommandOutcome outcome;
    switch (input_.ConsumeIntegralInRange(0, 2)) {
      case 0: outcome.result = TransportResult::Good; break;
      case 1:
        outcome.result = TransportResult::DeviceFailure;
        outcome.sense = SenseCode{input_.ConsumeIntegral<std::uint8_t>(), input_.ConsumeIntegral<std::uint8_t>(),
                                  input_.ConsumeIntegral<std::uint8_t>()};
        break;
      default:
        outcome.result = TransportResult::TransportFailure;
        outcome.hostStatus = input_.ConsumeIntegral<std::uint8_t>();
        break;
    }
    outcome.residual = input_.ConsumeIntegralInRange<std::uint32_t>(0, request.length);
    return outcome;
  }

 private:
  FuzzedDataProvider& input_;
};

// A transport that is never used: the device's answers all come from HostileDevice.
class UnusedTransport final : public ScsiTransport {
 public:
  bool Open() override { return true; }
  void Close() override {}
  CommandOutcome Execute(const ScsiRequest&) override { std::abort(); }
};

// The recorder and turns an exposed device names beside its transport, made
// once in a folder of this process's own.
struct Surroundings {
  fs::path folder = fs::temp_directory_path() / ("brenmark-fuzz-sgio-" + std::to_string(getpid()));
  bool made = fs::create_directories(folder);
  virtualdrive::VirtualRecorder recorder{virtualdrive::CdRecorderModel(), folder / "work", folder / "burned"};
  std::atomic<bool> shared{false};
  expose::SharedCommands turns{recorder, std::make_unique<UnusedTransport>(), folder / "lock", shared};
};

Surroundings& Around() {
  static Surroundings surroundings;
  return surroundings;
}

// The requests a program makes of a CD/DVD device node.
constexpr unsigned long kRequests[] = {
    SG_IO, SG_GET_VERSION_NUM, SG_GET_SCSI_ID, SG_GET_RESERVED_SIZE, SG_SET_RESERVED_SIZE, SG_GET_TIMEOUT,
    SG_SET_TIMEOUT, SG_EMULATED_HOST, CDROM_GET_CAPABILITY, CDROMREADTOCHDR, CDROMREADTOCENTRY,
    CDROMMULTISESSION, CDROM_DISC_STATUS, CDROMREADAUDIO, CDROM_SEND_PACKET, CDROM_DRIVE_STATUS,
    CDROM_LOCKDOOR, CDROMEJECT, CDROMCLOSETRAY, CDROM_MEDIA_CHANGED, CDROMREADRAW, CDROMREADMODE2,
    CDROMREADMODE1, CDROM_LAST_WRITTEN, CDROM_NEXT_WRITABLE, CDROMSUBCHNL, CDROM_GET_MCN, DVD_READ_STRUCT,
    CDROMPLAYMSF, CDROM_SELECT_SPEED};

// A buffer of exactly `size` bytes, so that reaching past it shows; its
// first bytes (all a request's fields) come from the input, the rest is zero.
std::unique_ptr<std::uint8_t[]> Buffer(FuzzedDataProvider& input, std::size_t size) {
  auto buffer = std::make_unique<std::uint8_t[]>(size);
  const auto bytes = input.ConsumeBytes<std::uint8_t>(std::min<std::size_t>(size, 64));
  std::copy(bytes.begin(), bytes.end(), buffer.get());
  return buffer;
}

// An SG_IO header of any content whose pointers lead to buffers of the
// sizes it gives (or are null), then the device's answer to it.
void SgIo(expose::ExposedDevice& device, FuzzedDataProvider& input) {
  sg_io_hdr_t header{};
  header.interface_id = input.ConsumeBool() ? 'S' : input.ConsumeIntegral<char>();
  header.dxfer_direction = input.PickValueInArray({SG_DXFER_NONE, SG_DXFER_TO_DEV, SG_DXFER_FROM_DEV,
                                                   SG_DXFER_TO_FROM_DEV, input.ConsumeIntegral<int>()});
  header.cmd_len = input.ConsumeIntegral<unsigned char>();
  header.mx_sb_len = input.ConsumeIntegral<unsigned char>();
  header.iovec_count = input.ConsumeBool() ? 0 : input.ConsumeIntegral<unsigned short>();
  header.dxfer_len = input.ConsumeIntegralInRange<unsigned>(0, kMostBytes);
  header.timeout = input.ConsumeIntegral<unsigned>();
  header.flags = input.ConsumeIntegral<unsigned>();
  const auto cdb = Buffer(input, header.cmd_len);
  const auto data = Buffer(input, header.dxfer_len);
  const auto sense = Buffer(input, header.mx_sb_len);
  if (input.ConsumeBool()) header.cmdp = cdb.get();
  if (input.ConsumeBool()) header.dxferp = data.get();
  if (input.ConsumeBool()) header.sbp = sense.get();
  int error = 0;
  const int result = device.Control(SG_IO, &header, error);
  if (result != 0 && result != -1) std::abort();
  if (result == 0 && header.sb_len_wr > header.mx_sb_len) std::abort();
  if (result == 0 && header.resid > static_cast<int>(header.dxfer_len)) std::abort();
}

// A kernel CD-ROM request: its argument holds the input's bytes, with the
// pointers it carries led to buffers of the sizes it gives.
void CdromRequest(expose::ExposedDevice& device, FuzzedDataProvider& input) {
  const unsigned long request = input.ConsumeBool() ? input.PickValueInArray(kRequests) : input.ConsumeIntegral<unsigned long>();
  // The largest argument any request takes is a raw frame.
  const auto argument = Buffer(input, CD_FRAMESIZE_RAW);
  std::unique_ptr<std::uint8_t[]> frames;
  std::unique_ptr<std::uint8_t[]> packetData;
  std::unique_ptr<std::uint8_t[]> packetSense;
  if (request == CDROMREADAUDIO) {
    auto* read = reinterpret_cast<cdrom_read_audio*>(argument.get());
    const int nframes = std::clamp(read->nframes, 0, 100);
    frames = Buffer(input, static_cast<std::size_t>(nframes) * CD_FRAMESIZE_RAW);
    read->buf = input.ConsumeBool() ? frames.get() : nullptr;
  } else if (request == CDROM_SEND_PACKET) {
    auto* packet = reinterpret_cast<cdrom_generic_command*>(argument.get());
    packet->buflen = input.ConsumeIntegralInRange<unsigned>(0, kMostBytes);
    packetData = Buffer(input, packet->buflen);
    packetSense = Buffer(input, sizeof(request_sense));
    packet->buffer = input.ConsumeBool() ? packetData.get() : nullptr;
    packet->sense = input.ConsumeBool() ? reinterpret_cast<request_sense*>(packetSense.get()) : nullptr;
  } else if (request == SG_IO) {
    return SgIo(device, input);
  }
  int error = 0;
  device.Control(request, input.ConsumeProbability<double>() < 0.05 ? nullptr : argument.get(), error);
}

// read() of the node at any offset into a buffer of the size asked for.
void PlainRead(expose::ExposedDevice& device, FuzzedDataProvider& input) {
  const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(0, kMostBytes);
  const off_t offset = input.ConsumeIntegral<off_t>();
  const auto buffer = Buffer(input, count);
  int error = 0;
  const ssize_t read = device.Read(buffer.get(), count, offset, error);
  if (read < -1 || read > static_cast<ssize_t>(count)) std::abort();
}

}  // namespace

// The requests a program makes of an exposed device node, answered by a
// device that says anything: no buffer may be reached past its size, and
// each answer keeps within what the request allows.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  HostileDevice hostile(input);
  Surroundings& around = Around();
  expose::ExposedDevice device("/dev/sr9", 9, true, around.folder / "lock", [&] {
    return expose::ExposedRecorder{around.recorder, hostile, around.turns};
  });
  while (input.remaining_bytes() > 0) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
      case 0: SgIo(device, input); break;
      case 1: CdromRequest(device, input); break;
      case 2: PlainRead(device, input); break;
      default: device.Size(); break;
    }
  }
  return 0;
}
