#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "drive/CommandOutcome.h"

namespace brenmark {

// Which way data moves during a command.
enum class DataDirection : std::uint8_t { None, In, Out };

// One command for one device: a 6-, 10- or 12-byte CDB, its data and its time-out.
struct ScsiRequest {
  const std::uint8_t* cdb = nullptr;
  std::uint8_t cdbLength = 0;
  DataDirection direction = DataDirection::None;
  std::uint8_t* buffer = nullptr;  // data in or out; may be null when length is 0
  std::uint32_t length = 0;        // transfer length in bytes
  std::uint32_t timeoutSeconds = 10;
};

// The only way anything reaches a device. A real recorder (SG_IO), the Windows
// transports and the built-in virtual recorder all sit behind this port.
class ScsiTransport {
 public:
  virtual ~ScsiTransport() = default;

  // Makes the device usable for Execute; false when it cannot be opened.
  virtual bool Open() = 0;
  // Releases what Open acquired; safe to call when not open.
  virtual void Close() = 0;
  // Executes one command and blocks until it has ended or timed out. A command
  // sent while the device is not open is a transport failure.
  virtual CommandOutcome Execute(const ScsiRequest& request) = 0;
};

// A device found by a provider: the short name that prefixes its display text
// ("sr0", ...), the path it is opened by, and the transport that reaches it.
struct DeviceCandidate {
  std::string shortName;
  std::string devicePath;
  std::unique_ptr<ScsiTransport> transport;
};

// A source of devices for enumeration: the platform's pass-through, the virtual
// recorders, or a test's scripted devices. Devices come back in a stable order.
class DeviceProvider {
 public:
  virtual ~DeviceProvider() = default;
  virtual std::vector<DeviceCandidate> FindDevices() = 0;
};

}  // namespace brenmark
