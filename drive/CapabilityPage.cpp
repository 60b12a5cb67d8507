#include "drive/CapabilityPage.h"

#include "bytes/ByteOrder.h"
#include "drive/DriveRegistry.h"

namespace brenmark::capabilities {
namespace {

struct MaskBit {
  std::uint8_t pageByte;
  std::uint8_t bit;
  std::uint32_t mask;
};

constexpr MaskBit kMaskBits[] = {
    {2, 0, capability::kReadsCdR},     {2, 1, capability::kReadsCdRw},
    {2, 2, capability::kReadsMethod2}, {2, 3, capability::kReadsDvdRom},
    {2, 4, capability::kReadsDvdR},    {2, 5, capability::kReadsDvdRam},
    {3, 0, capability::kWritesCdR},    {3, 1, capability::kWritesCdRw},
    {3, 2, capability::kTestWrite},    {3, 4, capability::kWritesDvdR},
    {3, 5, capability::kWritesDvdRam}, {4, 0, capability::kAudioPlay},
    {4, 4, capability::kMode2Form1},   {4, 5, capability::kMode2Form2},
    {4, 6, capability::kMultiSession}, {4, 7, capability::kBufferUnderrunProtection},
    {5, 5, capability::kReadsIsrc},    {5, 6, capability::kReadsUpc},
    {5, 7, capability::kReadsBarCode},
};

constexpr std::size_t kDescriptorCountOffset = 30;
constexpr std::size_t kMaxWriteSpeedOffset = 18;
constexpr std::size_t kFirstDescriptorOffset = 32;
constexpr std::size_t kDescriptorSize = 4;
constexpr std::size_t kSpeedInDescriptor = 2;

// One CD speed step is taken as 176.2 KB/s; past 2x the steps are doubled.
constexpr double kSpeedStep = 176.2;
constexpr double kPerSingleSpeed = 1.0 / 176.0;

}  // namespace

std::uint32_t Mask(const std::uint8_t* page) {
  std::uint32_t mask = 0;
  for (const MaskBit& entry : kMaskBits) {
    if (page[entry.pageByte] & (1u << entry.bit)) mask |= entry.mask;
  }
  return mask;
}

std::uint8_t LoadingMechanism(const std::uint8_t* page) {
  return static_cast<std::uint8_t>(page[6] >> 5);
}

std::uint32_t BufferSizeKb(const std::uint8_t* page) { return bytes::ReadBe16(&page[12]); }

std::size_t WriteSpeeds(const std::uint8_t* page, std::size_t pageSize,
                        std::span<std::uint32_t> speeds) {
  if (speeds.empty()) return 0;
  const std::size_t room = speeds.size() - 1;  // the terminator always fits
  std::size_t count = 0;

  const std::size_t descriptorCount = bytes::ReadBe16(&page[kDescriptorCountOffset]);
  if (descriptorCount > 0) {
    for (std::size_t i = 0; i < descriptorCount && count < room; ++i) {
      const std::size_t offset = kFirstDescriptorOffset + kDescriptorSize * i;
      if (offset + kDescriptorSize > pageSize) break;
      speeds[count++] = bytes::ReadBe16(&page[offset + kSpeedInDescriptor]);
    }
  } else {
    const double maxSpeed = bytes::ReadBe16(&page[kMaxWriteSpeedOffset]);
    for (double x = kSpeedStep; x < maxSpeed && count < room;) {
      speeds[count++] = static_cast<std::uint32_t>(x);
      x += (x * kPerSingleSpeed < 2.0) ? kSpeedStep : 2 * kSpeedStep;
    }
  }
  speeds[count] = 0;
  return count;
}

}  // namespace brenmark::capabilities
