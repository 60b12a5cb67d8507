#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "drive/ScsiTransport.h"

namespace brenmark::test {

// A recorder that only knows who it is and which write speeds it offers: it
// answers INQUIRY and MODE SENSE(10) of page 2Ah and accepts every other command
// with no data. It counts the commands it receives.
class SpeedPageTransport final : public ScsiTransport {
 public:
  struct Counters {
    std::atomic<int> opens{0};
    std::atomic<int> commands{0};
  };

  SpeedPageTransport(std::vector<std::uint16_t> speeds, std::shared_ptr<Counters> counters)
      : speeds_(std::move(speeds)), counters_(std::move(counters)) {}

  bool Open() override {
    ++counters_->opens;
    open_ = true;
    return true;
  }
  void Close() override { open_ = false; }

  CommandOutcome Execute(const ScsiRequest& request) override {
    ++counters_->commands;
    if (!open_) return TransportResult::TransportFailure;
    if (request.buffer != nullptr) std::memset(request.buffer, 0, request.length);
    const std::uint8_t opcode = request.cdb[0];
    if (opcode == 0x12) FillInquiry(request);
    if (opcode == 0x5A && (request.cdb[2] & 0x3F) == 0x2A) FillCapabilities(request);
    return TransportResult::Good;
  }

 private:
  static void Put(const ScsiRequest& request, std::size_t offset, std::uint8_t value) {
    if (offset < request.length) request.buffer[offset] = value;
  }

  static void FillInquiry(const ScsiRequest& request) {
    const std::string identity = "TESTING SPEED LIST      1.00";
    Put(request, 0, 0x05);
    Put(request, 4, 31);
    for (std::size_t i = 0; i < identity.size(); ++i) {
      Put(request, 8 + i, static_cast<std::uint8_t>(identity[i]));
    }
  }

  void FillCapabilities(const ScsiRequest& request) const {
    constexpr std::size_t kPage = 8;
    Put(request, kPage + 0, 0x2A);
    Put(request, kPage + 1, static_cast<std::uint8_t>(30 + 4 * speeds_.size()));
    Put(request, kPage + 3, 0x31);  // writes CD-R, DVD-R and DVD-RAM
    Put(request, kPage + 30, static_cast<std::uint8_t>(speeds_.size() >> 8));
    Put(request, kPage + 31, static_cast<std::uint8_t>(speeds_.size()));
    for (std::size_t i = 0; i < speeds_.size(); ++i) {
      Put(request, kPage + 34 + 4 * i, static_cast<std::uint8_t>(speeds_[i] >> 8));
      Put(request, kPage + 35 + 4 * i, static_cast<std::uint8_t>(speeds_[i]));
    }
  }

  std::vector<std::uint16_t> speeds_;
  std::shared_ptr<Counters> counters_;
  bool open_ = false;
};

// Hands out one SpeedPageTransport per given speed list, as drives sr0, sr1, ...
class SpeedPageProvider final : public DeviceProvider {
 public:
  SpeedPageProvider(std::vector<std::vector<std::uint16_t>> drives, std::shared_ptr<SpeedPageTransport::Counters> counters)
      : drives_(std::move(drives)), counters_(std::move(counters)) {}

  std::vector<DeviceCandidate> FindDevices() override {
    std::vector<DeviceCandidate> found;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
      const std::string name = "sr" + std::to_string(i);
      found.push_back({name, "/dev/" + name, std::make_unique<SpeedPageTransport>(drives_[i], counters_)});
    }
    return found;
  }

 private:
  std::vector<std::vector<std::uint16_t>> drives_;
  std::shared_ptr<SpeedPageTransport::Counters> counters_;
};

}  // namespace brenmark::test
