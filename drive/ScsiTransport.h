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

  // Makes the device usable for Execute and keeps it from other programs
  // that ask for it the same way while it stays open; false when it cannot
  // be opened.
  virtual bool Open() = 0;
  // Makes the device usable for a few queries without keeping it from
  // anyone (enumeration); a transport without that difference opens as Open.
  virtual bool OpenShared() { return Open(); }
  // Why the last Open or OpenShared failed, as a transport failure.
  virtual CommandOutcome OpenFailure() const { return TransportResult::TransportFailure; }
  // Releases what Open acquired; safe to call when not open.
  virtual void Close() = 0;
  // Executes one command and blocks until it has ended or timed out. A command
  // sent while the device is not open is a transport failure.
  virtual CommandOutcome Execute(const ScsiRequest& request) = 0;
};

// How commands reach the drives: 1 through a host-adapter library addressed by
// adapter/target/LUN, -1 through the platform's pass-through on an opened device,
// 0 none (no drive exists).
enum class AccessMode : std::int32_t { None = 0, Aspi = 1, Spti = -1 };

// A device found by a provider: the short name that prefixes its display text
// ("sr0", "E", ...), the path it is opened by, its host-adapter address (0 when
// it has none), and the transport that reaches it.
struct DeviceCandidate {
  std::string shortName;
  std::string devicePath;
  std::unique_ptr<ScsiTransport> transport;
  std::uint8_t haId = 0;
  std::uint8_t targetId = 0;
  std::uint8_t lun = 0;
};

// The platform transport a provider stands for, as known once it has looked
// for its devices.
struct ProviderTransport {
  // Aspi or Spti; None for providers that are not the platform's transport
  // (the virtual recorders, a test's scripted devices).
  AccessMode mode = AccessMode::None;
  // False when the transport could not be used at all: a host-adapter
  // library that is missing or offers no host adapter.
  bool usable = true;
  // The host-adapter library's functions that were found (bit mask).
  std::uint8_t aspiFunctions = 0;
};

// A source of devices for enumeration: the platform's pass-through, the virtual
// recorders, or a test's scripted devices. Devices come back in a stable order.
class DeviceProvider {
 public:
  virtual ~DeviceProvider() = default;
  virtual std::vector<DeviceCandidate> FindDevices() = 0;
  virtual ProviderTransport Transport() const { return {}; }
};

}  // namespace brenmark
