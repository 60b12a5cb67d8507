#include "virtualdrive/image/CueImage.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

#include "virtualdrive/image/ImageFileKind.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {
namespace {

namespace fs = std::filesystem;

// A cue sheet is a few kilobytes at most; anything far larger is not one.
constexpr std::uintmax_t kMaxCueSheetSize = 1024 * 1024;

CueImageResult Refuse(const fs::path& cuePath, const std::string& message) {
  return CueImageResult{std::nullopt, cuePath.string() + ": " + message};
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The named file if it exists, else the single entry of its folder whose name matches
// it ignoring case. Empty when there is no such file.
fs::path FindBinFile(const fs::path& cueFolder, const std::string& binFileName) {
  const fs::path named = cueFolder / fs::path(binFileName);
  std::error_code error;
  if (fs::is_regular_file(named, error)) return named;

  const fs::path folder = named.has_parent_path() ? named.parent_path() : fs::path(".");
  const std::string wanted = named.filename().string();
  fs::path found;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (!EqualIgnoringAsciiCase(it->path().filename().string(), wanted)) continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    // Two names differing only in case: refuse to guess between them.
    if (!found.empty()) return {};
    found = it->path();
  }
  return found;
}

bool ReadWholeFile(const fs::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string TrackName(const CueTrack& track) { return "track " + std::to_string(track.number); }

}  // namespace

CueImageResult OpenCueImage(const fs::path& cuePath) {
  std::error_code error;
  if (const std::string kind = NonRegularFileKind(cuePath); !kind.empty()) {
    return Refuse(cuePath, "is " + kind + ", not a cue sheet file");
  }
  if (!fs::is_regular_file(cuePath, error)) return Refuse(cuePath, "no such cue sheet");
  const std::uintmax_t cueSize = fs::file_size(cuePath, error);
  if (error) return Refuse(cuePath, "cannot read the cue sheet: " + error.message());
  if (cueSize > kMaxCueSheetSize) return Refuse(cuePath, "too large to be a cue sheet");

  std::string text;
  if (!ReadWholeFile(cuePath, text)) return Refuse(cuePath, "cannot read the cue sheet");
  CueParseResult parsed = ParseCueSheet(text);
  if (!parsed.sheet) return Refuse(cuePath, parsed.error);
  CueSheet& sheet = *parsed.sheet;

  const fs::path binPath = FindBinFile(cuePath.parent_path(), sheet.binFileName);
  if (binPath.empty()) {
    const std::string kind = NonRegularFileKind(cuePath.parent_path() / fs::path(sheet.binFileName));
    return Refuse(cuePath, "the image file \"" + sheet.binFileName + "\" it names is " +
                               (kind.empty() ? std::string("missing") : kind + ", not a regular file"));
  }
  const std::uintmax_t binSize = fs::file_size(binPath, error);
  if (error) return Refuse(cuePath, "cannot read " + binPath.string() + ": " + error.message());
  if (binSize == 0) return Refuse(cuePath, binPath.filename().string() + " is empty");
  if (binSize % kRawSectorSize != 0) {
    return Refuse(cuePath, binPath.filename().string() + " is " + std::to_string(binSize) +
                               " bytes, not a whole number of 2352-byte sectors (truncated?)");
  }
  const auto sectorCount = static_cast<std::int64_t>(binSize / kRawSectorSize);

  for (const CueTrack& track : sheet.tracks) {
    // The sheet is in ascending order with INDEX 00 before INDEX 01, so the start of
    // each track is its last address.
    if (track.start >= sectorCount) {
      return Refuse(cuePath, TrackName(track) + " starts beyond the end of " +
                                 binPath.filename().string() + " (" +
                                 std::to_string(sectorCount) + " sectors)");
    }
  }
  return CueImageResult{CueImage{std::move(sheet), binPath, sectorCount}, {}};
}

}  // namespace brenmark::virtualdrive
