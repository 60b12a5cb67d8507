#include "virtualdrive/DeviceResponses.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>

#include "bytes/ByteOrder.h"
#include "virtualdrive/DvdMedia.h"
#include "virtualdrive/ProfileFeatures.h"

namespace brenmark::virtualdrive {

namespace {

struct Feature {
  std::uint16_t code = 0;
  bool current = false;
  std::vector<std::uint8_t> bytes;
};

Feature MakeFeature(std::uint16_t code, std::uint8_t version, bool current, std::initializer_list<std::uint8_t> data) {
  Feature feature{code, current, {}};
  feature.bytes.reserve(4 + data.size());
  feature.bytes.push_back(static_cast<std::uint8_t>(code >> 8));
  feature.bytes.push_back(static_cast<std::uint8_t>(code));
  feature.bytes.push_back(static_cast<std::uint8_t>(version << 2 | (code <= 1 ? 0x02 : 0) | (current ? 1 : 0)));
  feature.bytes.push_back(static_cast<std::uint8_t>(data.size()));
  for (const std::uint8_t byte : data) feature.bytes.push_back(byte);
  return feature;
}

std::uint16_t FastestReadSpeed(const RecorderModel& model) { return IsCdMedium(model.blankKind) ? 8467 : 22160; }

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  const std::size_t at = out.size();
  out.resize(at + 4);
  bytes::WriteBe32(out.data() + at, value);
}

}  // namespace

std::vector<std::uint8_t> InquiryData(const RecorderModel& model) {
  std::vector<std::uint8_t> response(36, 0);
  response[0] = 0x05;  // CD/DVD device
  response[1] = 0x80;  // removable medium
  response[2] = 0x05;
  response[3] = 0x02;
  response[4] = static_cast<std::uint8_t>(response.size() - 5);
  const auto putText = [&response](std::size_t at, std::size_t width, const std::string& text) {
    for (std::size_t index = 0; index < width; ++index) {
      response[at + index] = static_cast<std::uint8_t>(index < text.size() ? text[index] : ' ');
    }
  };
  putText(8, 8, model.vendor);
  putText(16, 16, model.product);
  putText(32, 4, model.revision);
  return response;
}

Response Configuration(const RecorderModel& model, std::optional<MediumKind> medium, std::uint8_t requestType,
                       std::uint16_t startingFeature, bool formatted) {
  if (requestType == 3) return {{}, sense::kInvalidFieldInCdb};
  const bool dvdRecorder = !IsCdMedium(model.blankKind);
  const bool cd = medium && IsCdMedium(*medium);
  const std::uint16_t currentProfile = medium ? ProfileOfMedium(*medium, formatted) : 0;

  std::vector<std::uint16_t> profiles = {0x000A, 0x0009, 0x0008};
  if (dvdRecorder) profiles.insert(profiles.begin(), DvdRecorderProfiles().begin(), DvdRecorderProfiles().end());
  Feature profileList{0x0000, true, {0x00, 0x00, 0x03, static_cast<std::uint8_t>(4 * profiles.size())}};
  for (const std::uint16_t profile : profiles) {
    profileList.bytes.push_back(static_cast<std::uint8_t>(profile >> 8));
    profileList.bytes.push_back(static_cast<std::uint8_t>(profile));
    profileList.bytes.push_back(profile == currentProfile ? 1 : 0);
    profileList.bytes.push_back(0);
  }
  std::vector<Feature> features;
  features.push_back(std::move(profileList));
  const std::uint32_t standard = model.interfaceStandard;
  features.push_back(MakeFeature(0x0001, 2, true,
                                 {static_cast<std::uint8_t>(standard >> 24), static_cast<std::uint8_t>(standard >> 16),
                                  static_cast<std::uint8_t>(standard >> 8), static_cast<std::uint8_t>(standard), 0x01,
                                  0, 0, 0}));
  features.push_back(MakeFeature(0x0002, 1, true, {0, 0, 0, 0}));
  features.push_back(MakeFeature(0x0003, 0, true, {0x29, 0, 0, 0}));
  features.push_back(MakeFeature(0x001E, 1, cd, {0, 0, 0, 0}));
  // Data block types 0, 8, 10, 12 and 13.
  features.push_back(MakeFeature(0x002D, 2, cd && IsRecordable(*medium), {0x46, 0, 0x35, 0x01}));
  // CD Mastering: session at once with test write, on CD-RW too, with R-W
  // sub-channel from the host (CD-TEXT in the lead-in); no raw writing. The
  // longest cue sheet taken: 8 KiB.
  features.push_back(MakeFeature(0x002E, 1, cd && IsRecordable(*medium), {0x67, 0x00, 0x20, 0x00}));
  if (dvdRecorder) {
    for (const ProfiledFeature& row : DvdRecorderFeatures()) {
      const bool current = std::find(row.currentIn.begin(), row.currentIn.end(), currentProfile) != row.currentIn.end();
      Feature feature = MakeFeature(row.code, row.version, current, {});
      feature.bytes[3] = static_cast<std::uint8_t>(row.data.size());
      feature.bytes.insert(feature.bytes.end(), row.data.begin(), row.data.end());
      features.push_back(std::move(feature));
    }
  }
  for (const ProfileFeature& required : RequiredFeatures(profiles, currentProfile)) {
    Feature feature = MakeFeature(required.code, required.version, required.current, {});
    feature.bytes.insert(feature.bytes.end(), required.data.begin(), required.data.end());
    feature.bytes[3] = static_cast<std::uint8_t>(required.data.size());
    features.push_back(std::move(feature));
  }
  // Descriptors go in the order of their codes.
  std::stable_sort(features.begin(), features.end(),
                   [](const Feature& left, const Feature& right) { return left.code < right.code; });

  Response response;
  response.data.assign(8, 0);
  bytes::WriteBe16(response.data.data() + 6, currentProfile);
  for (const Feature& feature : features) {
    if (feature.code < startingFeature) continue;
    if (requestType == 1 && !feature.current) continue;
    if (requestType == 2 && feature.code != startingFeature) continue;
    response.data.insert(response.data.end(), feature.bytes.begin(), feature.bytes.end());
  }
  bytes::WriteBe32(response.data.data(), static_cast<std::uint32_t>(response.data.size() - 4));
  return response;
}

std::vector<std::uint8_t> CapabilitiesPage(const RecorderModel& model, std::uint16_t currentWriteSpeed) {
  const std::size_t descriptors = model.writeSpeeds.size();
  std::vector<std::uint8_t> page(32 + 4 * descriptors, 0);
  const bool dvd = !IsCdMedium(model.blankKind);
  page[0] = 0x2A;
  page[1] = static_cast<std::uint8_t>(page.size() - 2);
  page[2] = dvd ? 0x1F : 0x07;  // reads CD-R, CD-RW, Method 2 (and DVD-ROM, DVD-R)
  page[3] = dvd ? 0x17 : 0x07;  // writes CD-R, CD-RW (and DVD-R); test write
  page[4] = 0xF1;               // BUF, multi-session, Mode 2 Form 2 and Form 1, audio play
  page[5] = 0x03;               // CD-DA commands, accurate stream
  page[6] = 0x29;               // tray, eject, lock
  const std::uint16_t fastest = model.writeSpeeds.empty() ? 0 : model.writeSpeeds.front();
  bytes::WriteBe16(page.data() + 8, FastestReadSpeed(model));  // maximum read speed
  bytes::WriteBe16(page.data() + 10, 256);                     // volume levels
  bytes::WriteBe16(page.data() + 12, 2048);                    // buffer size, KB
  bytes::WriteBe16(page.data() + 14, FastestReadSpeed(model));
  bytes::WriteBe16(page.data() + 18, fastest);
  bytes::WriteBe16(page.data() + 20, currentWriteSpeed);
  bytes::WriteBe16(page.data() + 28, currentWriteSpeed);
  bytes::WriteBe16(page.data() + 30, static_cast<std::uint32_t>(descriptors));
  for (std::size_t index = 0; index < descriptors; ++index) {
    bytes::WriteBe16(page.data() + 32 + 4 * index + 2, model.writeSpeeds[index]);
  }
  return page;
}

Response Performance(const RecorderModel& model, std::int32_t lastBlock, std::uint16_t currentWriteSpeed,
                     std::uint8_t type, bool write, std::uint8_t except, std::uint16_t maxDescriptors) {
  constexpr std::uint32_t kDescriptorSize = 16;
  const auto last = static_cast<std::uint32_t>(std::max<std::int32_t>(lastBlock, 0));
  std::vector<std::vector<std::uint8_t>> descriptors;
  std::uint8_t flags = 0;
  if (type == 0x00) {
    flags = static_cast<std::uint8_t>((write ? 0x02 : 0) | (except != 0 ? 0x01 : 0));
    if (except == 0) {
      const std::uint32_t speed = write ? currentWriteSpeed : FastestReadSpeed(model);
      std::vector<std::uint8_t> nominal;
      for (const std::uint32_t field : {0u, speed, last, speed}) PutBe32(nominal, field);
      descriptors.push_back(std::move(nominal));
    }
  } else if (type == 0x03) {
    for (const std::uint16_t speed : model.writeSpeeds) {
      std::vector<std::uint8_t> descriptor = {0, 0, 0, 0};  // default rotation control
      for (const std::uint32_t field : {last, std::uint32_t{FastestReadSpeed(model)}, std::uint32_t{speed}}) {
        PutBe32(descriptor, field);
      }
      descriptors.push_back(std::move(descriptor));
    }
  } else {
    return {{}, sense::kInvalidFieldInCdb};
  }
  Response response;
  PutBe32(response.data, static_cast<std::uint32_t>(4 + kDescriptorSize * descriptors.size()));
  response.data.insert(response.data.end(), {flags, 0, 0, 0});
  const std::size_t sent = std::min<std::size_t>(descriptors.size(), maxDescriptors);
  for (std::size_t index = 0; index < sent; ++index) {
    response.data.insert(response.data.end(), descriptors[index].begin(), descriptors[index].end());
  }
  return response;
}

std::vector<std::uint8_t> MediaEventStatus(bool discPresent, std::uint8_t event, std::uint8_t requestedClasses) {
  constexpr std::uint8_t kMediaClass = 4;
  constexpr std::uint8_t kSupportedClasses = 1 << kMediaClass;
  if ((requestedClasses & kSupportedClasses) == 0) return {0, 2, 0x80, kSupportedClasses};  // no event available
  // Media status bit 1: a disc is in.
  return {0, 6, kMediaClass, kSupportedClasses, event, static_cast<std::uint8_t>(discPresent ? 0x02 : 0), 0, 0};
}

Response ModePages(const RecorderModel& model, const WriteParameters& writeParameters, std::uint16_t writeSpeed,
                   std::uint8_t pageControl, std::uint8_t pageCode) {
  if (pageControl == 3) return {{}, sense::kSavingParametersNotSupported};
  if (pageCode != 0x01 && pageCode != 0x05 && pageCode != 0x2A && pageCode != 0x3F) {
    return {{}, sense::kInvalidFieldInCdb};
  }
  Response response;
  response.data.assign(8, 0);
  if (pageCode == 0x01 || pageCode == 0x3F) {
    // Read/write error recovery: the drive's own retries, none changeable;
    // the medium never needs them.
    const std::uint8_t retries = pageControl == 1 ? 0 : 1;
    response.data.insert(response.data.end(), {0x01, 0x0A, 0, retries, 0, 0, 0, 0, retries, 0, 0, 0});
  }
  if (pageCode == 0x05 || pageCode == 0x3F) {
    std::array<std::uint8_t, WriteParameters::kPageSize> page =
        pageControl == 2 ? WriteParameters().page() : writeParameters.page();
    if (pageControl == 1) {
      // Changeable: every field the recorder takes from MODE SELECT.
      page.fill(0);
      page[0] = WriteParameters::kPageCode;
      page[1] = WriteParameters::kPageSize - 2;
      for (std::size_t at : {2, 3, 4, 8, 10, 11, 12, 13, 14, 15, 48, 49, 50, 51}) page[at] = 0xFF;
    }
    response.data.insert(response.data.end(), page.begin(), page.end());
  }
  if (pageCode == 0x2A || pageCode == 0x3F) {
    std::vector<std::uint8_t> page = CapabilitiesPage(model, writeSpeed);
    if (pageControl == 1) std::fill(page.begin() + 2, page.end(), std::uint8_t{0});
    response.data.insert(response.data.end(), page.begin(), page.end());
  }
  bytes::WriteBe16(response.data.data(), static_cast<std::uint32_t>(response.data.size() - 2));
  return response;
}

}  // namespace brenmark::virtualdrive
