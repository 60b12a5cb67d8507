#include "virtualdrive/DiscImage.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <vector>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/PrivateFolder.h"
#include "platform/TextFile.h"
#include "virtualdrive/DiscStateFile.h"
#include "virtualdrive/image/CueImage.h"
#include "virtualdrive/image/CueSheet.h"
#include "virtualdrive/image/ImageFileKind.h"
#include "virtualdrive/image/SectorEncoder.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kRawBlock = 2352;
constexpr std::int64_t kUserBlock = 2048;
constexpr const char* kWorkName = "disc";
// Far more than a state file of 99 tracks holds; a larger one is not one.
constexpr std::uint64_t kMostStateBytes = 1 << 20;

using NoFollow = platform::File::NoFollowOpening;

// Whether a copy's data is made durable before the copy is closed.
enum class Durable : bool { No, Yes };

// Copies `from` into a new file `to`, in place of a regular file left there,
// never through a link standing there.
bool CopyToNewFile(const fs::path& from, const fs::path& to, Durable durable, std::string& error) {
  platform::File source;
  if (!source.OpenForReading(from)) {
    error = "cannot copy " + from.string() + ": " + source.lastError();
    return false;
  }
  platform::File target;
  if (!platform::RemoveLeftoverFile(to, error) || !target.OpenForWritingNoFollow(to, NoFollow::CreateNew)) {
    error = "cannot create " + to.string() + ": " + (target.lastError().empty() ? error : target.lastError());
    return false;
  }
  std::vector<std::uint8_t> buffer(1 << 20);
  for (std::int64_t offset = 0;;) {
    const std::int64_t got = source.ReadAt(offset, buffer.data(), buffer.size());
    if (got < 0) {
      error = "cannot read " + from.string() + ": " + source.lastError();
      break;
    }
    if (got == 0) {
      if ((durable == Durable::No || target.Sync()) && target.Close()) return true;
      error = "cannot write " + to.string() + ": " + target.lastError();
      break;
    }
    if (!target.WriteAt(offset, buffer.data(), static_cast<std::size_t>(got))) {
      error = "cannot write " + to.string() + ": " + target.lastError();
      break;
    }
    offset += got;
  }
  target.Close();
  std::string ignored;
  platform::RemoveFile(to, ignored);
  return false;
}

// Makes the data of the closed file at `path` durable.
bool SyncFile(const fs::path& path, std::string& error) {
  platform::File file;
  if (file.OpenForWritingNoFollow(path, NoFollow::Existing) && file.Sync() && file.Close()) return true;
  error = path.string() + ": " + file.lastError();
  return false;
}

bool MoveFile(const fs::path& from, const fs::path& to, std::string& error) {
  // A rename replaces a link standing at `to` instead of writing through it.
  if (platform::RenameFile(from, to, error)) return true;
  // Across file systems: a durable copy takes the name whole, then the original goes.
  fs::path temporary = to;
  temporary += ".new";
  if (!CopyToNewFile(from, temporary, Durable::Yes, error) || !platform::RenameFile(temporary, to, error)) {
    std::string ignored;
    platform::RemoveFile(temporary, ignored);
    error = "cannot move " + from.string() + " to " + to.string() + ": " + error;
    return false;
  }
  std::error_code ignored;
  fs::remove(from, ignored);
  return true;
}

CueTrackMode CueModeOf(TrackKind kind) {
  switch (kind) {
    case TrackKind::Audio: return CueTrackMode::Audio;
    case TrackKind::Mode1: return CueTrackMode::Mode1Raw;
    case TrackKind::Mode2: return CueTrackMode::Mode2Raw;
  }
  return CueTrackMode::Mode1Raw;
}

TrackKind TrackKindOf(CueTrackMode mode) {
  switch (mode) {
    case CueTrackMode::Audio: return TrackKind::Audio;
    case CueTrackMode::Mode1Raw: return TrackKind::Mode1;
    case CueTrackMode::Mode2Raw: return TrackKind::Mode2;
  }
  return TrackKind::Mode1;
}

// The texts of a cue sheet as the CD-TEXT of the disc.
std::vector<cdtext::Entry> CdTextEntries(const CueSheet& sheet) {
  std::vector<cdtext::Entry> entries;
  const auto add = [&entries](int track, const CueTexts& texts) {
    for (const auto& [type, text] : {std::pair{cdtext::kTitle, &texts.title},
                                     std::pair{cdtext::kPerformer, &texts.performer},
                                     std::pair{cdtext::kSongwriter, &texts.songwriter}}) {
      if (!text->empty()) entries.push_back({type, track, *text});
    }
  };
  add(0, sheet.texts);
  for (const CueTrack& track : sheet.tracks) add(track.number, track.texts);
  return entries;
}

// The texts of the disc's CD-TEXT that a cue sheet can say.
void PutCdTextInto(const std::vector<cdtext::Pack>& packs, CueSheet& sheet) {
  for (const cdtext::Entry& entry : cdtext::Decode(packs)) {
    CueTexts* texts = entry.track == 0 ? &sheet.texts : nullptr;
    for (CueTrack& track : sheet.tracks) {
      if (track.number == entry.track) texts = &track.texts;
    }
    if (texts == nullptr) continue;
    if (entry.packType == cdtext::kTitle) texts->title = entry.text;
    if (entry.packType == cdtext::kPerformer) texts->performer = entry.text;
    if (entry.packType == cdtext::kSongwriter) texts->songwriter = entry.text;
  }
}

// A complete single-session disc as a pressed CD or DVD carries it.
DiscState StateOfCueSheet(const CueSheet& sheet, std::int64_t sectorCount) {
  DiscState disc = DiscState::Blank(MediumKind::CdRom);
  bool mode2 = false;
  for (std::size_t index = 0; index < sheet.tracks.size(); ++index) {
    const CueTrack& cue = sheet.tracks[index];
    DiscTrack track;
    track.number = cue.number;
    track.session = 1;
    track.kind = TrackKindOf(cue.mode);
    track.pregapStart = cue.pregapStart.value_or(cue.start);
    track.start = cue.start;
    if (index + 1 < sheet.tracks.size()) {
      const CueTrack& next = sheet.tracks[index + 1];
      track.end = next.pregapStart.value_or(next.start);
    } else {
      track.end = static_cast<std::int32_t>(sectorCount);
    }
    track.closed = true;
    track.indexes = cue.indexes;
    track.isrc = cue.isrc;
    mode2 = mode2 || track.kind == TrackKind::Mode2;
    disc.tracks.push_back(track);
  }
  disc.catalog = sheet.catalog;
  disc.cdText = cdtext::Encode(CdTextEntries(sheet));
  disc.sessions.push_back({1, static_cast<std::int32_t>(sectorCount), false, static_cast<std::uint8_t>(mode2 ? 0x20 : 0)});
  disc.finalized = true;
  return disc;
}

std::string CheckCueLayout(const DiscState& disc) {
  std::int32_t previous = -1;
  int previousNumber = 0;
  for (const DiscTrack& track : disc.tracks) {
    if (track.number != previousNumber + 1 && previousNumber != 0) return "track numbers are not consecutive";
    if (track.pregapStart <= previous || track.start >= track.end) {
      return "track " + std::to_string(track.number) + " lies outside the image or overlaps the one before";
    }
    previous = track.start;
    previousNumber = track.number;
  }
  return {};
}

// Checks a sidecar state against the image it describes.
std::string CheckStateAgainstImage(DiscState& disc, std::int64_t blocks, bool rawCd) {
  if (IsCdMedium(disc.kind) != rawCd) {
    return "the state file describes another kind of medium";
  }
  // A formatted disc's image holds what was written of it; the rest reads as zeros.
  for (DiscTrack& track : disc.tracks) {
    if (track.closed && !disc.formatted && track.ExtentEnd() > blocks) {
      return "the image is shorter than its state file says";
    }
  }
  if (!disc.tracks.empty() && !disc.tracks.back().closed) {
    // Writes only ever land at the next writable address: what the image holds
    // behind the open track's start is that track's data.
    DiscTrack& open = disc.tracks.back();
    if (blocks < open.start) return "the image is shorter than its state file says";
    const std::int64_t limit = disc.reservedBlocks > 0 ? open.start + disc.reservedBlocks : disc.Capacity();
    open.end = static_cast<std::int32_t>(std::min(blocks, limit));
  }
  return {};
}

// An image the recorder's largest disc cannot hold is refused, naming that
// disc's capacity.
std::string CheckFitsRecorder(std::int64_t blocks, bool cd) {
  const std::int64_t capacity =
      cd ? geometry::CdCapacityBlocks(geometry::kCdMinutes.back()) : geometry::kDvdCapacityBlocks;
  if (blocks <= capacity) return {};
  const std::string what = cd ? "a CD of " + std::to_string(geometry::kCdMinutes.back()) + " minutes" : "a DVD-R";
  return "too large for this recorder: " + std::to_string(blocks) + " sectors, and " + what + " holds at most " +
         std::to_string(capacity) + " sectors (" + std::to_string(capacity * kUserBlock / 1000000) + " MB)";
}

void EncodeZeroSector(TrackKind kind, std::int32_t lba, std::uint8_t* raw) {
  static const std::array<std::uint8_t, 2324> zeros{};
  switch (kind) {
    case TrackKind::Audio:
      std::fill(raw, raw + kRawBlock, std::uint8_t{0});
      break;
    case TrackKind::Mode1:
      EncodeMode1Sector(lba, zeros.data(), raw);
      break;
    case TrackKind::Mode2: {
      // Empty Form 2 sectors, as drives write in pregaps and run-out of Mode 2 tracks.
      const std::array<std::uint8_t, 8> subheader{0, 0, 0x20, 0, 0, 0, 0x20, 0};
      EncodeMode2Form2Sector(lba, subheader.data(), zeros.data(), raw);
      break;
    }
  }
}

}  // namespace

fs::path StatePathFor(const fs::path& image) {
  fs::path state = image;
  state.replace_extension(".state");
  return state;
}

std::optional<fs::path> SetAsideWorkFiles(const fs::path& workFolder, std::string& error) {
  fs::path base;
  for (int number = 1;; ++number) {
    base = workFolder / ("unreadable-" + std::to_string(number));
    bool taken = false;
    for (const char* extension : {".bin", ".cue", ".iso", ".state"}) {
      std::error_code ignored;
      fs::path file = base;
      taken = taken || fs::exists(file += extension, ignored);
    }
    if (!taken) break;
  }
  for (const char* extension : {".bin", ".cue", ".iso", ".state"}) {
    const fs::path from = workFolder / (std::string(kWorkName) + extension);
    std::error_code code;
    if (!fs::exists(fs::symlink_status(from, code))) continue;
    fs::path to = base;
    fs::rename(from, to += extension, code);
    if (code) {
      error = "cannot rename " + from.string() + ": " + code.message();
      return std::nullopt;
    }
  }
  return base;
}

DiscImage DiscImage::Blank(MediumKind kind, const fs::path& workFolder, int minutes) {
  DiscImage disc;
  disc.state = DiscState::Blank(kind);
  if (IsCdMedium(kind)) disc.state.minutes = minutes;
  disc.format_ = IsCdMedium(kind) ? ImageFormat::RawCd : ImageFormat::Iso;
  disc.workFolder_ = workFolder;
  disc.imagePath_ = workFolder / (std::string(kWorkName) + (IsCdMedium(kind) ? ".bin" : ".iso"));
  return disc;
}

DiscLoadResult DiscImage::Load(const fs::path& path, bool dvdRecorder, const fs::path& workFolder) {
  DiscImage disc;
  disc.workFolder_ = workFolder;
  disc.sourcePath_ = path;
  disc.userImage_ = true;
  std::string error;
  std::int64_t blocks = 0;
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".cue") {
    CueImageResult cue = OpenCueImage(path);
    if (!cue.image) return {std::nullopt, cue.error};  // already names the sheet
    disc.format_ = ImageFormat::RawCd;
    disc.imagePath_ = cue.image->binPath;
    blocks = cue.image->sectorCount;
    if (blocks <= 0 || cue.image->sheet.tracks.empty()) {
      return {std::nullopt, path.string() + ": the image holds no track"};
    }
    if (const std::string problem = CheckFitsRecorder(blocks, true); !problem.empty()) {
      return {std::nullopt, path.string() + ": " + problem};
    }
    disc.state = StateOfCueSheet(cue.image->sheet, blocks);
    if (const std::string problem = CheckCueLayout(disc.state); !problem.empty()) {
      return {std::nullopt, path.string() + ": " + problem};
    }
  } else if (extension == ".iso") {
    disc.format_ = ImageFormat::Iso;
    disc.imagePath_ = path;
    if (const std::string kind = NonRegularFileKind(path); !kind.empty()) {
      return {std::nullopt, path.string() + ": " + kind + ", not a regular file"};
    }
    std::error_code code;
    const auto size = fs::file_size(path, code);
    if (code) return {std::nullopt, path.string() + ": " + code.message()};
    if (size == 0 || size % kUserBlock != 0) {
      return {std::nullopt, path.string() + ": not a whole number of 2048-byte sectors"};
    }
    blocks = static_cast<std::int64_t>(size / kUserBlock);
    if (const std::string problem = CheckFitsRecorder(blocks, !dvdRecorder); !problem.empty()) {
      return {std::nullopt, path.string() + ": " + problem};
    }
    disc.state = DiscState::Blank(dvdRecorder ? MediumKind::DvdRom : MediumKind::CdRom);
    disc.state.tracks.push_back(
        {1, 1, TrackKind::Mode1, 0, 0, static_cast<std::int32_t>(blocks), 0, true, {}, {}});
    disc.state.sessions.push_back({1, static_cast<std::int32_t>(blocks), false, 0});
    disc.state.finalized = true;
  } else {
    return {std::nullopt, path.string() + ": not a .cue or .iso image"};
  }
  // A pressed CD is as long as it needs to be, within the sizes a CD can have.
  for (const int minutes : geometry::kCdMinutes) {
    if (!IsCdMedium(disc.state.kind) || blocks <= geometry::CdCapacityBlocks(minutes)) {
      disc.state.minutes = std::max(minutes, geometry::kDefaultCdMinutes);
      break;
    }
  }
  // The state file beside the image, else what the cue sheet's REM lines
  // carry, which travels with a copied .cue/.bin.
  std::string source = "state file " + StatePathFor(path).filename().string();
  std::string stateError;
  std::optional<std::string> text = platform::ReadOwnTextFile(StatePathFor(path), kMostStateBytes, stateError);
  // A state file that cannot be read would turn a recordable disc into a pressed one.
  if (!stateError.empty()) return {std::nullopt, path.string() + ": " + source + ": " + stateError};
  if (!text && disc.format_ == ImageFormat::RawCd) {
    if (const auto sheet = platform::ReadTextFile(path, kMostStateBytes)) {
      if (std::string remarks = DiscStateInCueRemarks(*sheet); !remarks.empty()) {
        text = std::move(remarks);
        source = "the disc state in its REM lines";
      }
    }
  }
  if (text) {
    DiscStateParseResult parsed = ParseDiscState(*text);
    const std::string prefix = path.string() + ": " + source + ": ";
    if (!parsed.state) return {std::nullopt, prefix + parsed.error};
    if (const std::string problem =
            CheckStateAgainstImage(*parsed.state, blocks, disc.format_ == ImageFormat::RawCd);
        !problem.empty()) {
      return {std::nullopt, prefix + problem};
    }
    disc.state = *parsed.state;
  }
  if (!disc.file_.OpenForReading(disc.imagePath_, error)) return {std::nullopt, error};
  return {std::move(disc), {}};
}

DiscLoadResult DiscImage::Resume(const fs::path& workFolder) {
  const fs::path statePath = workFolder / (std::string(kWorkName) + ".state");
  std::string stateError;
  const auto text = platform::ReadOwnTextFile(statePath, kMostStateBytes, stateError);
  if (!text) return {std::nullopt, stateError.empty() ? stateError : statePath.string() + ": " + stateError};
  DiscStateParseResult parsed = ParseDiscState(*text);
  if (!parsed.state) return {std::nullopt, statePath.string() + ": " + parsed.error};
  DiscImage disc = Blank(parsed.state->kind, workFolder);
  const std::int64_t blockSize = disc.format_ == ImageFormat::RawCd ? kRawBlock : kUserBlock;
  std::string error;
  if (!disc.file_.OpenForWriting(disc.imagePath_, NoFollow::CreateOrKeep, error)) return {std::nullopt, error};
  // A process that died while writing can leave part of a block at the end;
  // that block was never written whole, and the image is kept in whole blocks
  // so that it can be loaded again once ejected.
  const std::int64_t bytes = disc.file_.Size();
  if (bytes % blockSize != 0 && !disc.file_.CutTo(bytes - bytes % blockSize)) {
    return {std::nullopt, disc.imagePath_.string() + ": " + disc.file_.lastError()};
  }
  if (const std::string problem =
          CheckStateAgainstImage(*parsed.state, disc.file_.Size() / blockSize, disc.format_ == ImageFormat::RawCd);
      !problem.empty()) {
    return {std::nullopt, statePath.string() + ": " + problem};
  }
  disc.state = *parsed.state;
  disc.recorded_ = true;
  return {std::move(disc), {}};
}

bool DiscImage::ReadRawSector(std::int32_t lba, std::uint8_t* raw) {
  if (lba < 0 || !file_.isOpen()) return false;
  if (format_ == ImageFormat::RawCd) return file_.Read(lba * kRawBlock, raw, kRawBlock);
  std::array<std::uint8_t, kUserBlock> data{};
  if (!file_.Read(lba * kUserBlock, data.data(), data.size())) return false;
  EncodeMode1Sector(lba, data.data(), raw);
  return true;
}

bool DiscImage::ReadUserBlocks(std::int32_t lba, std::int32_t count, std::uint8_t* data) {
  if (lba < 0 || count < 0 || format_ != ImageFormat::Iso) return false;
  const auto length = static_cast<std::size_t>(count) * kUserBlock;
  const std::int64_t offset = static_cast<std::int64_t>(lba) * kUserBlock;
  if (!state.formatted) return file_.isOpen() && file_.Read(offset, data, length);
  // Blocks of a formatted disc that were never written hold zeros.
  const std::int64_t stored = file_.isOpen() ? std::max<std::int64_t>(file_.Size() - offset, 0) : 0;
  const auto present = static_cast<std::size_t>(std::min<std::int64_t>(stored, static_cast<std::int64_t>(length)));
  std::fill(data + present, data + length, std::uint8_t{0});
  return present == 0 || file_.Read(offset, data, present);
}

bool DiscImage::PrepareForWriting(std::string& error) {
  if (file_.isOpen() && file_.writable()) return true;
  if (!platform::CreatePrivateFolders(workFolder_, error)) return false;
  const fs::path target = workFolder_ / (std::string(kWorkName) + (format_ == ImageFormat::RawCd ? ".bin" : ".iso"));
  if (userImage_) {
    file_.Close();
    if (!CopyToNewFile(imagePath_, target, Durable::No, error)) return false;
    userImage_ = false;
    imagePath_ = target;
    if (!file_.OpenForWriting(imagePath_, NoFollow::Existing, error)) return false;
  } else if (recorded_) {
    // A recorded disc (closed by an eject that could not keep it) goes on
    // with its sectors intact.
    if (!file_.OpenForWriting(imagePath_, NoFollow::CreateOrKeep, error)) return false;
  } else {
    // A fresh blank starts a new, empty image in place of a file left there.
    if (!platform::RemoveLeftoverFile(imagePath_, error)) {
      error = "cannot remove " + imagePath_.string() + ": " + error;
      return false;
    }
    if (!file_.OpenForWriting(imagePath_, NoFollow::CreateNew, error)) return false;
  }
  recorded_ = true;
  return true;
}

bool DiscImage::Failed() {
  const std::string& reason = file_.lastError();
  lastError_ = imagePath_.string() + ": " + (reason.empty() ? std::string("the write failed") : reason);
  return false;
}

bool DiscImage::WriteBlocks(std::int32_t lba, std::int32_t count, const std::uint8_t* data) {
  const std::int64_t blockSize = format_ == ImageFormat::RawCd ? kRawBlock : kUserBlock;
  if (file_.Write(lba * blockSize, data, static_cast<std::size_t>(count) * static_cast<std::size_t>(blockSize))) {
    return true;
  }
  return Failed();
}

bool DiscImage::WriteFill(const DriveFill& fill) {
  if (fill.to <= fill.from) return true;
  if (format_ == ImageFormat::Iso) return file_.ExtendTo(static_cast<std::int64_t>(fill.to) * kUserBlock) || Failed();
  constexpr std::int32_t kBatch = 64;
  std::vector<std::uint8_t> batch(static_cast<std::size_t>(kBatch * kRawBlock));
  for (std::int32_t lba = fill.from; lba < fill.to; lba += kBatch) {
    const std::int32_t count = std::min(kBatch, fill.to - lba);
    for (std::int32_t index = 0; index < count; ++index) {
      EncodeZeroSector(fill.kind, lba + index, batch.data() + index * kRawBlock);
    }
    if (!WriteBlocks(lba, count, batch.data())) return false;
  }
  return true;
}

bool DiscImage::Flush() {
  return file_.Flush() || Failed();
}

bool DiscImage::SaveDescription(std::string& error, bool durable) {
  if (!Flush()) {
    error = lastError_;
    return false;
  }
  if (format_ == ImageFormat::RawCd) {
    CueSheet sheet;
    sheet.binFileName = imagePath_.filename().string();
    for (const DiscTrack& track : state.tracks) {
      CueTrack cue;
      cue.number = track.number;
      cue.mode = CueModeOf(track.kind);
      if (track.pregapStart < track.start) cue.pregapStart = track.pregapStart;
      cue.start = track.start;
      cue.indexes = track.indexes;
      cue.isrc = track.isrc;
      sheet.tracks.push_back(cue);
    }
    sheet.catalog = state.catalog;
    PutCdTextInto(state.cdText, sheet);
    fs::path cuePath = imagePath_;
    cuePath.replace_extension(".cue");
    if (!platform::WriteTextFileAtomically(cuePath, FormatCueSheet(sheet) + DiscStateAsCueRemarks(state), error,
                                           durable)) {
      return false;
    }
  }
  return platform::WriteTextFileAtomically(StatePathFor(imagePath_), FormatDiscState(state), error, durable);
}

std::optional<fs::path> DiscImage::MoveTo(const fs::path& folder, const std::string& baseName, std::string& error) {
  if (!file_.Close()) {
    Failed();
    error = lastError_;
    return std::nullopt;
  }
  // The image's data is made durable before it takes its kept name (also
  // when an earlier attempt closed it); the description written beside it
  // then makes the folder's names durable.
  if (!SyncFile(imagePath_, error)) return std::nullopt;
  std::error_code code;
  if (!platform::CreatePrivateFolders(folder, error)) return std::nullopt;
  if (std::string problem = platform::CheckPrivateFolder(folder, false); !problem.empty()) {
    error = std::move(problem);
    return std::nullopt;
  }
  const fs::path oldImage = imagePath_;
  const fs::path target = folder / (baseName + oldImage.extension().string());
  if (!MoveFile(oldImage, target, error)) return std::nullopt;
  fs::path oldCue = oldImage;
  oldCue.replace_extension(".cue");
  fs::remove(oldCue, code);
  fs::remove(StatePathFor(oldImage), code);
  imagePath_ = target;
  if (!SaveDescription(error)) {
    // The truth: the image is in its new place, its description is not.
    error = "the image was moved to " + target.string() + " but not described there: " + error;
    return std::nullopt;
  }
  fs::path described = target;
  if (format_ == ImageFormat::RawCd) described.replace_extension(".cue");
  return described;
}

}  // namespace brenmark::virtualdrive
