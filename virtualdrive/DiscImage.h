#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "virtualdrive/DiscGeometry.h"
#include "virtualdrive/DiscState.h"
#include "virtualdrive/SectorFile.h"

namespace brenmark::virtualdrive {

// How an image stores its sectors: raw 2352-byte CD sectors (.bin with .cue) or
// 2048-byte user data (.iso). Block address 0 is at file offset 0.
enum class ImageFormat : std::uint8_t { RawCd, Iso };

struct DiscLoadResult;

// The disc in a tray: its recorded structure and the image file holding its
// sectors. An image the user inserted is only read; the first write turns it
// into the recorder's own copy in the working folder.
class DiscImage {
 public:
  // A fresh blank whose image will be created in `workFolder` on the first write.
  static DiscImage Blank(MediumKind kind, const std::filesystem::path& workFolder,
                         int minutes = geometry::kDefaultCdMinutes);
  // A user's .cue or .iso image; an .iso becomes a CD in a CD recorder and a
  // DVD in a DVD recorder. A sidecar state file next to the image, else the
  // state a .cue carries in its REM lines, restores sessions and open tracks.
  static DiscLoadResult Load(const std::filesystem::path& path, bool dvdRecorder,
                             const std::filesystem::path& workFolder);
  // The disc the recorder was working on when it stopped, if any.
  static DiscLoadResult Resume(const std::filesystem::path& workFolder);

  DiscState state;

  ImageFormat format() const { return format_; }
  const std::filesystem::path& imagePath() const { return imagePath_; }
  // The .cue or .iso the user inserted; empty for the recorder's own discs.
  const std::filesystem::path& sourcePath() const { return sourcePath_; }
  // True once the recorder has written to this disc.
  bool recorded() const { return recorded_; }
  // The image file and the system's reason of the last failed write.
  const std::string& lastError() const { return lastError_; }

  // One raw 2352-byte sector of a CD (encoded on the fly for an .iso).
  bool ReadRawSector(std::int32_t lba, std::uint8_t* raw);
  // User data of DVD blocks.
  bool ReadUserBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* data);

  // Makes the image writable: creates it, or copies a user's image into the
  // working folder.
  bool PrepareForWriting(std::string& error);
  // Sectors already in the image's own block format (2352 on CD, 2048 on DVD).
  bool WriteBlocks(std::int32_t lba, std::int32_t count, const std::uint8_t* data);
  // Blocks the drive records by itself: zero data in the mode of the fill.
  bool WriteFill(const DriveFill& fill);

  // Writes what the image file still holds back; false when that failed.
  bool Flush();
  // Flushes the image, then writes the cue sheet (CD) and the sidecar state
  // next to it, so that they never describe sectors the image lacks. Not
  // `durable`: for other processes to read now, not to outlast a crash.
  bool SaveDescription(std::string& error, bool durable = true);
  // Moves the recorded image into `folder` under `baseName` and returns the
  // path of its .cue or .iso; the disc is unusable afterwards.
  std::optional<std::filesystem::path> MoveTo(const std::filesystem::path& folder, const std::string& baseName,
                                              std::string& error);

 private:
  ImageFormat format_ = ImageFormat::RawCd;
  std::filesystem::path workFolder_;
  std::filesystem::path imagePath_;
  std::filesystem::path sourcePath_;
  bool userImage_ = false;
  bool recorded_ = false;
  std::string lastError_;
  SectorFile file_;

  bool Failed();
};

struct DiscLoadResult {
  std::optional<DiscImage> disc;
  std::string error;  // empty with no disc: there was nothing to load
};

// Renames the files of a disc in work that cannot be resumed, so that a new
// disc does not overwrite them; returns their new name without extension, or
// nothing (with `error`) when a file that exists could not be renamed.
std::optional<std::filesystem::path> SetAsideWorkFiles(const std::filesystem::path& workFolder, std::string& error);

// The sidecar state file of an image: the same name with the extension ".state".
std::filesystem::path StatePathFor(const std::filesystem::path& image);

}  // namespace brenmark::virtualdrive
