#include "jobs/burn/BurnImagePlan.h"

#include "platform/Utf8Path.h"

namespace brenmark::burnimage {
namespace {

// The pregap of the first track: at least two seconds.
constexpr std::int32_t kFirstPregapBlocks = 150;
constexpr std::int32_t kMinimumTrackBlocks = 300;

using cdcue::DataForm;

DataForm FormOf(TrackMode mode) {
  switch (mode) {
    case TrackMode::Audio: return DataForm::Audio;
    case TrackMode::Mode1: return DataForm::Mode1;
    case TrackMode::Mode1Raw: return DataForm::Mode1Raw;
    case TrackMode::Mode2: return DataForm::Mode2;
    case TrackMode::Mode2Raw: break;
  }
  return DataForm::Mode2Raw;
}

// The form in which the blocks of a pregap the file does not hold are sent: zeros the drive completes.
DataForm GeneratedPregapForm(TrackMode mode) {
  switch (mode) {
    case TrackMode::Audio: return DataForm::Audio;
    case TrackMode::Mode1:
    case TrackMode::Mode1Raw:
      return DataForm::Mode1;
    case TrackMode::Mode2:
    case TrackMode::Mode2Raw:
      break;
  }
  return DataForm::Mode2;
}

std::string TrackName(const CueTrack& track) { return "track " + std::to_string(track.number); }

class Planner {
 public:
  Planner(const ImageCue& cue, const std::filesystem::path& folder, const FileSizeOf& sizeOf)
      : cue_(cue), folder_(folder), sizeOf_(sizeOf) {}

  ImagePlanResult Plan() {
    if (!MeasureTracks()) return {std::nullopt, error_};
    std::int32_t lba = cdcue::kFirstPregapStart;
    for (std::size_t t = 0; t < cue_.tracks.size(); ++t) {
      if (!Lay(t, lba)) return {std::nullopt, error_};
    }
    plan_.cue.leadOut = lba;
    plan_.cue.catalog = cue_.catalog;
    AddTexts(0, cue_.texts);
    for (const CueTrack& track : cue_.tracks) AddTexts(track.number, track.texts);
    return {std::move(plan_), {}};
  }

 private:
  // Each track's byte offset in its file at its first index and its blocks
  // from there, checked against the sizes of the files.
  bool MeasureTracks() {
    offsets_.resize(cue_.tracks.size());
    blocks_.resize(cue_.tracks.size());
    for (std::size_t f = 0; f < cue_.files.size(); ++f) {
      const CueFile& file = cue_.files[f];
      const std::filesystem::path path = folder_ / platform::PathFromUtf8(file.name);
      plan_.files.push_back(path);
      const std::optional<std::uint64_t> size = sizeOf_(path);
      if (!size) return Fail("FILE " + file.name + " (line " + std::to_string(file.line) + ") does not exist or cannot be read");
      std::uint64_t offset = 0;
      std::optional<std::size_t> previous;
      for (std::size_t t = 0; t < cue_.tracks.size(); ++t) {
        const CueTrack& track = cue_.tracks[t];
        if (track.file != f) continue;
        if (previous) {
          const CueTrack& before = cue_.tracks[*previous];
          const auto blocks = static_cast<std::uint32_t>(track.indexes.front().frames - before.indexes.front().frames);
          blocks_[*previous] = blocks;
          offset += std::uint64_t{blocks} * static_cast<std::uint64_t>(BlockSize(before.mode));
        }
        offsets_[t] = offset;
        previous = t;
      }
      if (!previous) return Fail("FILE " + file.name + " (line " + std::to_string(file.line) + ") holds no track");
      const CueTrack& last = cue_.tracks[*previous];
      const auto blockSize = static_cast<std::uint64_t>(BlockSize(last.mode));
      if (*size < offset || (*size - offset) % blockSize != 0) {
        return Fail("FILE " + file.name + ": its size (" + std::to_string(*size) + " bytes) does not fit the cue sheet: " +
                    TrackName(last) + " (line " + std::to_string(last.line) + ") needs whole blocks of " +
                    std::to_string(blockSize) + " bytes from byte " + std::to_string(offset));
      }
      blocks_[*previous] = static_cast<std::uint32_t>((*size - offset) / blockSize);
    }
    return true;
  }

  bool Lay(std::size_t t, std::int32_t& lba) {
    const CueTrack& track = cue_.tracks[t];
    const std::int32_t firstFrame = track.indexes.front().frames;
    std::int32_t stored = 0;
    const CueIndex* start = nullptr;
    for (const CueIndex& index : track.indexes) {
      if (index.frames - firstFrame >= static_cast<std::int32_t>(blocks_[t])) {
        return FailAtLine(index.line, "INDEX " + std::to_string(index.number) + " lies past the end of FILE " +
                                          cue_.files[track.file].name);
      }
      if (index.number == 1) {
        start = &index;
        stored = index.frames - firstFrame;
      }
    }
    std::int32_t generated = track.pregapFrames;
    if (t == 0 && stored + generated < kFirstPregapBlocks) generated = kFirstPregapBlocks - stored;
    const int fileBlockSize = BlockSize(track.mode);
    const DataForm generatedForm = GeneratedPregapForm(track.mode);
    if (generated > 0 && stored > 0 && cdcue::BlockSize(generatedForm) != fileBlockSize) {
      return FailAtLine(track.line, TrackName(track) + ": a pregap partly in the file and partly generated needs a "
                                    "cooked mode (MODE1/2048, MODE2/2336) or AUDIO");
    }
    const std::uint32_t trackBlocks = blocks_[t] - static_cast<std::uint32_t>(stored);
    if (trackBlocks < static_cast<std::uint32_t>(kMinimumTrackBlocks)) {
      return FailAtLine(track.line, TrackName(track) + " lasts less than 4 seconds (" + std::to_string(trackBlocks) +
                                        " blocks)");
    }
    cdcue::CueTrack entry;
    entry.number = track.number;
    entry.data = track.mode != TrackMode::Audio;
    entry.preEmphasis = track.preEmphasis;
    entry.copyPermitted = track.copyPermitted;
    entry.fourChannel = track.fourChannel;
    entry.isrc = track.isrc;
    if (generated + stored > 0) {
      entry.indexes.push_back({0, lba, generated > 0 ? generatedForm : FormOf(track.mode)});
    }
    if (generated > 0) {
      plan_.segments.push_back({lba, static_cast<std::uint32_t>(generated), cdcue::BlockSize(generatedForm), std::nullopt, 0});
      lba += generated;
    }
    plan_.segments.push_back({lba, blocks_[t], fileBlockSize, track.file, offsets_[t]});
    const std::int32_t trackStart = lba + stored;
    for (const CueIndex& index : track.indexes) {
      if (index.number >= 1) entry.indexes.push_back({index.number, trackStart + index.frames - start->frames, FormOf(track.mode)});
    }
    plan_.tracks.push_back({track.number, track.mode, trackStart, trackBlocks});
    plan_.cue.tracks.push_back(std::move(entry));
    lba += static_cast<std::int32_t>(blocks_[t]);
    return true;
  }

  void AddTexts(int track, const CueTexts& texts) {
    const std::pair<std::uint8_t, const std::string*> kinds[] = {
        {cdtext::kTitle, &texts.title}, {cdtext::kPerformer, &texts.performer}, {cdtext::kSongwriter, &texts.songwriter}};
    for (const auto& [type, text] : kinds) {
      if (!text->empty()) plan_.texts.push_back({type, track, *text});
    }
  }

  bool Fail(const std::string& message) {
    error_ = message;
    return false;
  }
  bool FailAtLine(int line, const std::string& message) { return Fail("line " + std::to_string(line) + ": " + message); }

  const ImageCue& cue_;
  const std::filesystem::path& folder_;
  const FileSizeOf& sizeOf_;
  ImagePlan plan_;
  std::vector<std::uint64_t> offsets_;
  std::vector<std::uint32_t> blocks_;
  std::string error_;
};

}  // namespace

ImagePlanResult PlanImage(const ImageCue& cue, const std::filesystem::path& folder, const FileSizeOf& sizeOf) {
  return Planner(cue, folder, sizeOf).Plan();
}

}  // namespace brenmark::burnimage
