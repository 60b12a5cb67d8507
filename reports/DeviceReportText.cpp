#include "reports/DeviceReportText.h"

#include <algorithm>
#include <functional>
#include <initializer_list>

#include "drive/DriveRegistry.h"
#include "drive/MediaProfile.h"
#include "reports/TextFormat.h"

namespace brenmark {
namespace {

using reports::FormatText;

const char* InterfaceName(std::uint32_t interfaceStandard) {
  switch (interfaceStandard) {
    case 1: return "SCSI";
    case 2: return "ATAPI";
    case 3: return "IEEE 1394 - 1995";
    case 4: return "IEEE 1394A";
    case 5: return "Interface Fibre Channel";
    default: return "Unknown";
  }
}

const char* LoadingMechanismText(std::uint8_t loadingMechanism) {
  switch (loadingMechanism) {
    case 0: return "Caddy type loading mechanism";
    case 1: return "Tray type loading mechanism";
    case 2: return "Popup type loading mechanism";
    case 4: return "Changer with individually changeable discs";
    case 5: return "Changer using a Magazine mechanism";
    default: return "Unknown loading mechanism";
  }
}

struct MaskItem {
  std::uint32_t bit;
  const char* text;
};

void AppendItems(std::string& text, std::uint32_t mask, std::initializer_list<MaskItem> items) {
  for (const MaskItem& item : items) {
    if (mask & item.bit) text += item.text;
  }
}

void AppendSupportLine(std::string& text, const char* label, std::uint32_t mask,
                       std::uint32_t bit) {
  text += label;
  text += (mask & bit) ? "Supported" : "Not Supported";
  text += '\n';
}

// The listed speeds before the terminating 0, at most kMaxReportedSpeeds, fastest first.
std::vector<std::uint32_t> SortedSpeeds(const std::vector<std::uint32_t>& speedList) {
  const auto limit = speedList.begin() +
                     static_cast<std::ptrdiff_t>(std::min(speedList.size(), kMaxReportedSpeeds));
  std::vector<std::uint32_t> speeds(speedList.begin(), std::find(speedList.begin(), limit, 0u));
  std::sort(speeds.begin(), speeds.end(), std::greater<>());
  return speeds;
}

void AppendSpeedLines(std::string& text, const std::vector<std::uint32_t>& speedList) {
  const std::vector<std::uint32_t> speeds = SortedSpeeds(speedList);
  if (speeds.empty()) return;
  // The fastest speed alone decides the unit of every line.
  const bool dvdUnits = speeds.front() % 1385 < 20;
  for (const std::uint32_t speed : speeds) {
    const auto kbPerSecond = static_cast<std::int32_t>(speed);
    if (dvdUnits) {
      text += FormatText("%dx DVD (%d KB/Sec)\n", static_cast<std::int32_t>(speed / 1384),
                         kbPerSecond);
    } else {
      text += FormatText("%dx CD (%d KB/Sec)\n", static_cast<std::int32_t>(speed / 176),
                         kbPerSecond);
    }
  }
}

}  // namespace

std::string BuildDeviceReportText(const DeviceReportValues& values) {
  namespace cap = capability;
  const std::uint32_t mask = values.capabilityMask;
  std::string text;

  text += "Drive Model - " + values.displayName + "\n";
  text += std::string("Interface - ") + InterfaceName(values.interfaceStandard) + "\n";

  text += "Read - ";
  AppendItems(text, mask,
              {{cap::kReadsCdR, "CD-R; "},
               {cap::kReadsCdRw, "CD-RW; "},
               {cap::kReadsDvdRom, "DVD-ROM; "},
               {cap::kReadsDvdR, "DVD-R/RW; "},
               {cap::kReadsDvdRam, "DVD-RAM;"}});
  text += '\n';

  text += "Write - ";
  AppendItems(text, mask,
              {{cap::kWritesCdR, "CD-R; "},
               {cap::kWritesCdRw, "CD-RW; "},
               {cap::kWritesDvdR, "DVD-R/RW; "},
               {cap::kWritesDvdRam, "DVD-RAM; "}});
  text += '\n';

  text += "Sector Types - Mode 1; ";
  AppendItems(text, mask,
              {{cap::kMode2Form1, "Mode 2 Form 1; "}, {cap::kMode2Form2, "Mode 2 Form 2; "}});
  text += '\n';

  AppendSupportLine(text, "Test burning - ", mask, cap::kTestWrite);
  AppendSupportLine(text, "Multisesion Discs - ", mask, cap::kMultiSession);
  AppendSupportLine(text, "Buffer Underrun Overflow - ", mask, cap::kBufferUnderrunProtection);
  AppendSupportLine(text, "ISRC - ", mask, cap::kReadsIsrc);
  AppendSupportLine(text, "UPC - ", mask, cap::kReadsUpc);
  AppendSupportLine(text, "Code Bar - ", mask, cap::kReadsBarCode);

  text += FormatText("Buffer Size - %d KB\n", static_cast<std::int32_t>(values.bufferSizeKb));
  text += std::string(LoadingMechanismText(values.loadingMechanism)) + "\n";
  if (!values.profiles.empty()) {
    text += "Media - ";
    for (const std::uint16_t profile : values.profiles) {
      const std::string recording = ProfileRecording(profile);
      text += ProfileName(profile) + (recording.empty() ? "" : " (" + recording + ")") + "; ";
    }
    text += "\n";
  }

  text += "\nWrite Speeds:\n";
  AppendSpeedLines(text, values.speedList);
  return text;
}

}  // namespace brenmark
