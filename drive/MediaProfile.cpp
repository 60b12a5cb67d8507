#include "drive/MediaProfile.h"

#include <algorithm>
#include <cstdio>

#include "bytes/ByteOrder.h"

namespace brenmark {

MediaProfiles ParseMediaProfiles(const std::uint8_t* response, std::size_t length) {
  MediaProfiles profiles;
  if (length < 8) return profiles;
  profiles.current = bytes::ReadBe16(response + 6);
  // The Profile List is feature 0000h, the first after the header.
  if (length < 12 || bytes::ReadBe16(response + 8) != 0x0000) return profiles;
  const std::size_t end = std::min<std::size_t>(length, 12 + static_cast<std::size_t>(response[11]));
  for (std::size_t at = 12; at + 4 <= end; at += 4) profiles.supported.push_back(bytes::ReadBe16(response + at));
  return profiles;
}

std::string ProfileName(std::uint16_t profile) {
  switch (profile) {
    case 0x0008: return "CD-ROM";
    case 0x0009: return "CD-R";
    case 0x000A: return "CD-RW";
    case 0x0010: return "DVD-ROM";
    case 0x0011: return "DVD-R";
    case 0x0012: return "DVD-RAM";
    case 0x0013:
    case 0x0014: return "DVD-RW";
    case 0x0015:
    case 0x0016: return "DVD-R DL";
    case 0x001A: return "DVD+RW";
    case 0x001B: return "DVD+R";
    case 0x002A: return "DVD+RW DL";
    case 0x002B: return "DVD+R DL";
    default: break;
  }
  char text[24];
  std::snprintf(text, sizeof text, "profile %04Xh", profile);
  return text;
}

std::string ProfileRecording(std::uint16_t profile) {
  switch (profile) {
    case 0x0011:
    case 0x0014:
    case 0x0015: return "sequential";
    case 0x0013: return "restricted overwrite";
    default: return {};
  }
}

bool IsDvdProfile(std::uint16_t profile) { return profile >= 0x0010 && profile <= 0x002B; }

bool IsOverwritableProfile(std::uint16_t profile) {
  return profile == 0x0012 || profile == 0x0013 || profile == 0x001A || profile == 0x002A;
}

}  // namespace brenmark
