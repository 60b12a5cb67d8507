#include "virtualdrive/TrayRecord.h"

#include <charconv>
#include <cstdint>
#include <system_error>

#include "platform/PrivateFolder.h"
#include "platform/TextFile.h"
#include "platform/Utf8Path.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "brenmark-tray 1\n";
constexpr std::string_view kImageKey = "image ";
// Far more than the one line of a record; a larger file is not one.
constexpr std::uint64_t kMostRecordBytes = 64 * 1024;

fs::path RecordPath(const fs::path& workFolder) { return workFolder / "tray"; }

// A data folder may be shared by the Linux program and the Windows program
// running under Wine, so a record may name its image as the other system does:
// `/...`, `X:\...` or `\\server\...`.
bool AbsoluteOnEitherSystem(std::string_view text) {
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (text.starts_with('/') || text.starts_with("\\\\")) return true;
  return text.size() >= 3 && isLetter(text[0]) && text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

}  // namespace

std::string FormatTrayRecord(const TrayRecord& record) {
  std::string text(kHeader);
  switch (record.content) {
    case TrayRecord::Content::Blank:
      text += "blank " + MediumName(record.blankKind);
      if (IsCdMedium(record.blankKind)) text += " " + std::to_string(record.blankMinutes);
      return text + "\n";
    case TrayRecord::Content::Empty: return text + "empty\n";
    case TrayRecord::Content::Image: return text + std::string(kImageKey) + platform::Utf8FromPath(record.image) + "\n";
  }
  return text;
}

TrayRecordResult ParseTrayRecord(std::string_view text) {
  if (!text.starts_with(kHeader)) return {std::nullopt, "tray record: not a tray record"};
  std::string_view rest = text.substr(kHeader.size());
  if (rest.ends_with('\n')) rest.remove_suffix(1);
  if (rest == "empty") return {TrayRecord::Empty(), {}};
  if (rest.starts_with("blank ")) {
    const std::string_view blank = rest.substr(6);
    const std::string_view name = blank.substr(0, blank.find(' '));
    const auto kind = MediumNamed(name);
    int minutes = geometry::kDefaultCdMinutes;
    if (name.size() < blank.size()) {
      const std::string_view number = blank.substr(name.size() + 1);
      const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), minutes);
      if (ec != std::errc() || end != number.data() + number.size() || !kind || !IsCdMedium(*kind) ||
          !IsCdSizeOffered(minutes)) {
        return {std::nullopt, "tray record: no blank " + std::string(blank) + " exists"};
      }
    }
    if (kind && IsRecordable(*kind)) return {TrayRecord::Blank(*kind, minutes), {}};
    return {std::nullopt, "tray record: no blank " + std::string(blank) + " exists"};
  }
  if (rest.starts_with(kImageKey)) {
    const std::string_view named = rest.substr(kImageKey.size());
    const fs::path image = platform::PathFromUtf8(named);
    if (image.is_absolute() || AbsoluteOnEitherSystem(named)) return {TrayRecord::Image(image), {}};
    return {std::nullopt, "tray record: the image path " + image.string() + " is not absolute"};
  }
  return {std::nullopt, "tray record: cannot read \"" + std::string(rest) + "\""};
}

TrayRecordResult ReadTrayRecord(const fs::path& workFolder) {
  std::string error;
  const auto text = platform::ReadOwnTextFile(RecordPath(workFolder), kMostRecordBytes, error);
  if (!text) return {std::nullopt, error.empty() ? error : RecordPath(workFolder).string() + ": " + error};
  TrayRecordResult result = ParseTrayRecord(*text);
  if (!result.record) result.error = RecordPath(workFolder).string() + ": " + result.error;
  return result;
}

bool WriteTrayRecord(const fs::path& workFolder, const TrayRecord& record, std::string& error) {
  if (!platform::CreatePrivateFolders(workFolder, error)) return false;
  return platform::WriteTextFileAtomically(RecordPath(workFolder), FormatTrayRecord(record), error);
}

void ForgetTrayRecord(const fs::path& workFolder) {
  std::error_code ignored;
  fs::remove(RecordPath(workFolder), ignored);
}

}  // namespace brenmark::virtualdrive
