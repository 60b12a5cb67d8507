#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "virtualdrive/DiscState.h"

namespace brenmark::virtualdrive {

// What a recorder's tray holds when no disc is in work, kept in the work folder
// so that the next recorder started on it (the next run of the program) finds
// the same tray. A disc in work has its own state file, which comes first.
//
//   brenmark-tray 1
//   blank <medium> [<minutes of a CD>] | empty | image <absolute path, up to the end of the file>
//
// The image path runs to the end of the file so that any file name can be kept.
struct TrayRecord {
  enum class Content : std::uint8_t { Blank, Empty, Image };

  Content content = Content::Blank;
  MediumKind blankKind = MediumKind::CdR;
  int blankMinutes = geometry::kDefaultCdMinutes;
  std::filesystem::path image;

  static TrayRecord Blank(MediumKind kind, int minutes = geometry::kDefaultCdMinutes) {
    return {Content::Blank, kind, minutes, {}};
  }
  static TrayRecord Empty() { return {Content::Empty, MediumKind::CdR, geometry::kDefaultCdMinutes, {}}; }
  static TrayRecord Image(std::filesystem::path path) {
    return {Content::Image, MediumKind::CdR, geometry::kDefaultCdMinutes, std::move(path)};
  }
};

std::string FormatTrayRecord(const TrayRecord& record);

struct TrayRecordResult {
  std::optional<TrayRecord> record;
  std::string error;  // empty with no record: nothing was remembered
};

TrayRecordResult ParseTrayRecord(std::string_view text);

// The record of the tray whose disc in work lives in `workFolder`.
TrayRecordResult ReadTrayRecord(const std::filesystem::path& workFolder);
bool WriteTrayRecord(const std::filesystem::path& workFolder, const TrayRecord& record, std::string& error);
// Drops the record, so that the next recorder starts with its own blank.
void ForgetTrayRecord(const std::filesystem::path& workFolder);

}  // namespace brenmark::virtualdrive
