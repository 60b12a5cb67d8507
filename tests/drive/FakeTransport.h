#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "drive/ScsiTransport.h"

namespace brenmark::testing {

// What the fake saw of one delivered command.
struct RecordedCommand {
  std::vector<std::uint8_t> cdb;
  DataDirection direction = DataDirection::None;
  std::uint32_t length = 0;
  std::vector<std::uint8_t> dataOut;  // the buffer's bytes for a data-out command

  std::uint8_t opcode() const { return cdb.empty() ? 0 : cdb[0]; }
};

// The answer to one command: its result class and the bytes copied into the
// buffer of a data-in command (at most the request's length).
struct ScriptedReply {
  TransportResult result = TransportResult::Good;
  std::vector<std::uint8_t> data;
};

// Everything a test scripts and inspects. It outlives the transport, which the
// registry owns, so tests hold it through a shared_ptr.
struct FakeDeviceState {
  bool openSucceeds = true;
  // Another program holds the device: an exclusive open is refused as busy,
  // a shared one still succeeds.
  bool heldElsewhere = false;
  bool isOpen = false;
  bool openedExclusively = false;
  int openCalls = 0;
  int closeCalls = 0;
  int commandsWhileClosed = 0;
  std::vector<RecordedCommand> commands;
  // Replies are taken from the queue first; when it is empty the responder
  // answers. Without a responder every command succeeds with no data, except
  // READ BUFFER CAPACITY, which reports a free buffer of 1 MB so that writes
  // do not wait for room.
  std::deque<ScriptedReply> replies;
  std::function<ScriptedReply(const RecordedCommand&)> responder;

  void Reply(TransportResult result, std::vector<std::uint8_t> data = {}) {
    replies.push_back(ScriptedReply{result, std::move(data)});
  }
  std::vector<std::uint8_t> Opcodes() const {
    std::vector<std::uint8_t> opcodes;
    for (const RecordedCommand& command : commands) opcodes.push_back(command.opcode());
    return opcodes;
  }
};

// A scripted device behind the transport port.
class FakeTransport final : public ScsiTransport {
 public:
  explicit FakeTransport(std::shared_ptr<FakeDeviceState> state) : state_(std::move(state)) {}

  bool Open() override {
    ++state_->openCalls;
    state_->isOpen = state_->openSucceeds && !state_->heldElsewhere;
    state_->openedExclusively = state_->isOpen;
    return state_->isOpen;
  }

  bool OpenShared() override {
    ++state_->openCalls;
    state_->isOpen = state_->openSucceeds;
    state_->openedExclusively = false;
    return state_->isOpen;
  }

  CommandOutcome OpenFailure() const override {
    return CommandOutcome::NotDelivered(state_->heldElsewhere ? EBUSY : ENOENT);
  }

  void Close() override {
    if (state_->isOpen) ++state_->closeCalls;
    state_->isOpen = false;
  }

  CommandOutcome Execute(const ScsiRequest& request) override {
    if (!state_->isOpen) {
      ++state_->commandsWhileClosed;
      return TransportResult::TransportFailure;
    }
    RecordedCommand recorded{{request.cdb, request.cdb + request.cdbLength}, request.direction, request.length, {}};
    if (request.direction == DataDirection::Out && request.buffer != nullptr)
      recorded.dataOut.assign(request.buffer, request.buffer + request.length);

    ScriptedReply reply;
    if (!state_->replies.empty()) {
      reply = std::move(state_->replies.front());
      state_->replies.pop_front();
    } else if (state_->responder) {
      reply = state_->responder(recorded);
    } else if (recorded.opcode() == kReadBufferCapacity) {
      reply.data = {0, 10, 0, 0, 0, 0x10, 0, 0, 0, 0x10, 0, 0};
    }
    state_->commands.push_back(std::move(recorded));

    if (request.direction == DataDirection::In && request.buffer != nullptr) {
      const std::size_t count = std::min<std::size_t>(reply.data.size(), request.length);
      std::copy_n(reply.data.begin(), count, request.buffer);
    }
    return reply.result;
  }

 private:
  static constexpr std::uint8_t kReadBufferCapacity = 0x5C;
  std::shared_ptr<FakeDeviceState> state_;
};

// Hands out one candidate per scripted device, in the order they were added.
class FakeDeviceProvider final : public DeviceProvider {
 public:
  std::shared_ptr<FakeDeviceState> AddDevice(const std::string& shortName) {
    auto state = std::make_shared<FakeDeviceState>();
    devices_.push_back(Device{shortName, state});
    return state;
  }

  std::vector<DeviceCandidate> FindDevices() override {
    ++findCalls;
    std::vector<DeviceCandidate> candidates;
    for (const Device& device : devices_) {
      candidates.push_back(DeviceCandidate{device.shortName, "/dev/" + device.shortName,
                                           std::make_unique<FakeTransport>(device.state)});
    }
    return candidates;
  }

  ProviderTransport Transport() const override { return transport; }

  int findCalls = 0;
  ProviderTransport transport;  // what the provider stands for; a scripted one by default

 private:
  struct Device {
    std::string shortName;
    std::shared_ptr<FakeDeviceState> state;
  };
  std::vector<Device> devices_;
};

}  // namespace brenmark::testing
