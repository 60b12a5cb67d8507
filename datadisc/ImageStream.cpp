#include "datadisc/ImageStream.h"

#include <algorithm>

#include "datadisc/DirectoryRecords.h"
#include "datadisc/IsoBytes.h"
#include "datadisc/VolumeDescriptors.h"
#include "platform/Utf8Path.h"

namespace brenmark::datadisc {
namespace {

constexpr std::uint32_t kSystemAreaSectors = 16;
constexpr std::uint32_t kChunkSectors = 16;
constexpr std::uint64_t kChunkBytes = kChunkSectors * kSectorSize;
// File contents are read this much at a time and handed out from the buffer
// in groups: a small file costs one read however many single sectors it
// ends in. Kept small enough that the data is still in the CPU cache when the
// groups are written.
constexpr std::uint64_t kReadAheadBytes = 4 * kChunkBytes;

}  // namespace

ImageStream::ImageStream(const ImageLayout& layout, Clock clock)
    : layout_(layout), tree_(layout.tree()), clock_(std::move(clock)) {
  std::uint64_t largest = std::max<std::uint64_t>(kReadAheadBytes, RoundToSectors(layout.isoRootSize));
  largest = std::max<std::uint64_t>(largest, std::uint64_t{ImageLayout::kMinimumSessionSectors} * kSectorSize);
  largest = std::max(largest, RoundToSectors(layout.jolietRootSize));
  largest = std::max(largest, RoundToSectors(layout.isoPathTableSize));
  largest = std::max(largest, RoundToSectors(layout.jolietPathTableSize));
  const std::size_t directories = layout.pathTables().entries().size();
  for (std::size_t i = 0; i < directories; ++i) {
    largest = std::max(largest, RoundToSectors(layout.IsoDirectorySizeOf(i)));
    if (tree_.joliet())
      largest = std::max(largest, RoundToSectors(layout.JolietDirectorySizeOf(i)));
  }
  buffer_.assign(largest, 0);
}

ImageStream::~ImageStream() { CloseFile(); }

std::span<std::uint8_t> ImageStream::Take(std::uint64_t sectors) {
  const std::span<std::uint8_t> data(buffer_.data(), sectors * kSectorSize);
  std::fill(data.begin(), data.end(), 0);
  return data;
}

void ImageStream::Emit(SectorGroup& group, GroupKind kind, std::uint32_t first,
                       std::uint64_t sectors, std::uint64_t offset) {
  group = SectorGroup{};
  group.kind = kind;
  group.firstSector = first;
  group.sectorCount = static_cast<std::uint32_t>(sectors);
  group.data = std::span<const std::uint8_t>(buffer_.data() + offset, sectors * kSectorSize);
}

void ImageStream::EmitDirectory(SectorGroup& group, bool joliet, std::size_t entryIndex) {
  const auto& entries = layout_.pathTables().entries();
  const bool isRoot = entryIndex == entries.size();
  DirectoryPlace place;
  place.parentExtent = joliet ? layout_.jolietRootExtent : layout_.isoRootExtent;
  place.parentSize = joliet ? layout_.jolietRootSize : layout_.isoRootSize;
  const EntryList* list = &tree_.entries();
  if (isRoot) {
    place.ownExtent = place.parentExtent;
    place.ownSize = place.parentSize;
  } else {
    const PathTableEntry& entry = entries[entryIndex];
    list = &entry.node->children();
    place.ownExtent = joliet ? entry.jolietExtent : entry.isoExtent;
    place.ownSize =
        joliet ? layout_.JolietDirectorySizeOf(entryIndex) : layout_.IsoDirectorySizeOf(entryIndex);
    if (entry.parentNumber >= 2) {
      const std::size_t parentIndex = entry.parentNumber - 2u;
      const PathTableEntry& parent = entries[parentIndex];
      place.parentExtent = joliet ? parent.jolietExtent : parent.isoExtent;
      place.parentSize = joliet ? layout_.JolietDirectorySizeOf(parentIndex)
                                : layout_.IsoDirectorySizeOf(parentIndex);
    }
  }

  const std::uint64_t sectors = SectorsFor(place.ownSize);
  const RecordOptions options{tree_.xaRecords, tree_.useFileTimes, clock_()};
  const std::span<std::uint8_t> out = Take(sectors);
  if (joliet) {
    WriteJolietDirectory(place, *list, options, out);
  } else {
    WriteIsoDirectory(place, *list, options, out);
  }
  Emit(group, joliet ? GroupKind::JolietDirectory : GroupKind::IsoDirectory, place.ownExtent,
       sectors);
}

bool ImageStream::Next(SectorGroup& group) {
  const auto& entries = layout_.pathTables().entries();
  DescriptorFields fields;
  switch (phase_) {
    case Phase::SystemArea:
      Take(1);
      Emit(group, GroupKind::SystemArea, layout_.sessionStart + static_cast<std::uint32_t>(index_),
           1);
      if (++index_ == kSystemAreaSectors) phase_ = Phase::Primary;
      return true;

    case Phase::Primary:
    case Phase::Joliet: {
      const bool joliet = phase_ == Phase::Joliet;
      fields.volumeSpaceSize = layout_.imageEnd;
      fields.lTable = joliet ? layout_.jolietLTable : layout_.isoLTable;
      fields.pathTableSize = joliet ? layout_.jolietPathTableSize : layout_.isoPathTableSize;
      fields.rootExtent = joliet ? layout_.jolietRootExtent : layout_.isoRootExtent;
      fields.rootSize = joliet ? layout_.jolietRootSize : layout_.isoRootSize;
      fields.label = tree_.volumeLabel;
      fields.xaRecords = tree_.xaRecords;
      fields.now = clock_();
      const std::span<std::uint8_t> out = Take(1);
      if (joliet) {
        BuildJolietDescriptor(fields, out);
        Emit(group, GroupKind::JolietDescriptor, layout_.jolietDescriptor, 1);
      } else {
        BuildPrimaryDescriptor(fields, out);
        Emit(group, GroupKind::PrimaryDescriptor, layout_.primaryDescriptor, 1);
      }
      phase_ = (!joliet && tree_.joliet()) ? Phase::Joliet : Phase::Terminator;
      return true;
    }

    case Phase::Terminator:
      BuildTerminator(Take(1));
      Emit(group, GroupKind::Terminator, layout_.terminator, 1);
      phase_ = Phase::IsoL;
      return true;

    case Phase::IsoL:
    case Phase::IsoM:
    case Phase::JolietL:
    case Phase::JolietM: {
      const bool joliet = phase_ == Phase::JolietL || phase_ == Phase::JolietM;
      const bool bigEndian = phase_ == Phase::IsoM || phase_ == Phase::JolietM;
      const std::uint64_t size = joliet ? layout_.jolietPathTableSize : layout_.isoPathTableSize;
      const std::span<std::uint8_t> out = Take(SectorsFor(size));
      const auto& list = layout_.pathTables();
      if (joliet) {
        WriteJolietPathTable(list, layout_.jolietRootExtent, bigEndian, out);
      } else {
        WriteIsoPathTable(list, layout_.isoRootExtent, bigEndian, out);
      }
      static constexpr GroupKind kKinds[] = {GroupKind::IsoPathTableL, GroupKind::IsoPathTableM,
                                             GroupKind::JolietPathTableL,
                                             GroupKind::JolietPathTableM};
      static constexpr Phase kNext[] = {Phase::IsoM, Phase::JolietL, Phase::JolietM,
                                        Phase::IsoRoot};
      const int which = (joliet ? 2 : 0) + (bigEndian ? 1 : 0);
      const std::uint32_t first = joliet ? (bigEndian ? layout_.jolietMTable : layout_.jolietLTable)
                                         : (bigEndian ? layout_.isoMTable : layout_.isoLTable);
      Emit(group, kKinds[which], first, SectorsFor(size));
      phase_ = kNext[which];
      if (phase_ == Phase::JolietL && !tree_.joliet()) phase_ = Phase::IsoRoot;
      return true;
    }

    case Phase::IsoRoot:
      EmitDirectory(group, false, entries.size());
      phase_ = Phase::IsoDirectories;
      index_ = 0;
      return true;

    case Phase::IsoDirectories:
      if (index_ < entries.size()) {
        EmitDirectory(group, false, index_++);
        return true;
      }
      phase_ = tree_.joliet() ? Phase::JolietRoot : Phase::Files;
      return Next(group);

    case Phase::JolietRoot:
      EmitDirectory(group, true, entries.size());
      phase_ = Phase::JolietDirectories;
      index_ = 0;
      return true;

    case Phase::JolietDirectories:
      if (index_ < entries.size()) {
        EmitDirectory(group, true, index_++);
        return true;
      }
      phase_ = Phase::Files;
      return Next(group);

    case Phase::Files:
      if (NextFileGroup(group)) return true;
      phase_ = Phase::Padding;
      return Next(group);

    case Phase::Padding: {
      phase_ = Phase::Done;
      if (layout_.imageEnd <= layout_.fileDataEnd) return false;
      const std::uint32_t sectors = layout_.imageEnd - layout_.fileDataEnd;
      Take(sectors);
      Emit(group, GroupKind::Padding, layout_.fileDataEnd, sectors);
      return true;
    }

    case Phase::Done:
      return false;
  }
  return false;
}

const SourceNode* ImageStream::NextFile() {
  const auto& entries = layout_.pathTables().entries();
  for (;;) {
    const EntryList& list = fileList_ < 0
                                ? tree_.entries()
                                : entries[static_cast<std::size_t>(fileList_)].node->children();
    while (fileIndex_ < list.size()) {
      const SourceNode* node = list[fileIndex_++].get();
      // An empty file has nothing to write: it is neither opened nor examined.
      if (!node->isDirectory && !node->fromPreviousSession && node->dataLength > 0) return node;
    }
    if (static_cast<std::size_t>(fileList_ + 1) >= entries.size()) return nullptr;
    ++fileList_;
    fileIndex_ = 0;
  }
}

FileIssue ImageStream::OpenFile(const SourceNode& file) {
  file_ = &file;
  fileSector_ = file.isoExtent;
  fileRemaining_ = file.dataLength;
  reportedIssue_ = FileIssue::None;
  windowOffset_ = 0;
  windowBytes_ = 0;

  const platform::Directory* folder = file.parent != nullptr ? OpenFolder(*file.parent) : nullptr;
  if (file.parent != nullptr && folder == nullptr) return FileIssue::CannotOpen;

  // A source never blocks, so that a named pipe cannot stall the burn.
  readable_ = folder != nullptr ? source_.OpenSourceAt(*folder, file.sourceName())
                                : source_.OpenSource(platform::PathFromUtf8(file.SourcePath()));
  if (!readable_) return FileIssue::CannotOpen;
  if (file.dataLength > kReadAheadBytes) source_.AdviseSequential();
  if (const auto status = source_.Status(); status && status->size != file.fileSize) {
    return status->size < file.fileSize ? FileIssue::Shrunk : FileIssue::Grew;
  }
  return FileIssue::None;
}

const platform::Directory* ImageStream::OpenFolder(const SourceNode& folder) {
  std::vector<const SourceNode*> chain;
  for (const SourceNode* node = &folder; node != nullptr; node = node->parent) chain.push_back(node);
  std::reverse(chain.begin(), chain.end());
  std::size_t kept = 0;
  while (kept < folders_.size() && kept < chain.size() && folders_[kept].node == chain[kept]) ++kept;
  folders_.erase(folders_.begin() + static_cast<std::ptrdiff_t>(kept), folders_.end());
  for (std::size_t i = kept; i < chain.size(); ++i) {
    platform::Directory handle;
    const bool opened = i == 0 ? handle.Open(platform::PathFromUtf8(chain[i]->SourcePath()))
                               : handle.OpenAt(folders_.back().handle, chain[i]->sourceName());
    if (!opened) return nullptr;
    folders_.push_back({chain[i], std::move(handle)});
  }
  return &folders_.back().handle;
}

void ImageStream::CloseFile() {
  source_.Close();
  readable_ = false;
  file_ = nullptr;
}

bool ImageStream::NextFileGroup(SectorGroup& group) {
  FileIssue pending = FileIssue::None;
  while (file_ == nullptr || fileRemaining_ == 0) {
    CloseFile();
    const SourceNode* file = NextFile();
    if (file == nullptr) return false;
    pending = OpenFile(*file);
  }

  const std::uint32_t sectors = fileRemaining_ > kChunkBytes ? kChunkSectors : 1;
  const std::uint64_t wanted =
      std::min<std::uint64_t>(sectors * std::uint64_t{kSectorSize}, fileRemaining_);
  if (windowOffset_ + sectors * std::uint64_t{kSectorSize} > windowBytes_) {
    const FileIssue noticed = ReadAhead();
    if (pending == FileIssue::None) pending = noticed;
  }
  Emit(group, GroupKind::FileData, fileSector_, sectors, windowOffset_);
  windowOffset_ += sectors * std::uint64_t{kSectorSize};
  group.file = file_;
  if (pending != FileIssue::None && pending != reportedIssue_) {
    group.issue = pending;
    reportedIssue_ = pending;
  }
  fileSector_ += sectors;
  fileRemaining_ -= wanted;
  return true;
}

FileIssue ImageStream::ReadAhead() {
  // A window ends on a sector boundary: it is a whole number of sectors long
  // or reaches the end of the file's extent.
  const std::uint64_t wanted = std::min(kReadAheadBytes, fileRemaining_);
  windowOffset_ = 0;
  windowBytes_ = RoundToSectors(wanted);
  const std::span<std::uint8_t> window(buffer_.data(), windowBytes_);
  std::uint64_t filled = 0;
  FileIssue issue = FileIssue::None;
  if (readable_) {
    const std::int64_t got = source_.Read(window.data(), wanted);
    if (got < 0) {
      readable_ = false;
      issue = FileIssue::ReadFailed;
    } else {
      filled = static_cast<std::uint64_t>(got);
      if (filled < wanted) {
        readable_ = false;
        issue = FileIssue::Shrunk;
      } else if (wanted == fileRemaining_) {
        // The extent is read: a file that grew while it was read is cut here.
        const auto status = source_.Status();
        if (status && status->size > file_->fileSize) issue = FileIssue::Grew;
      }
    }
  }
  // What the file did not supply, and the end of its last sector, are zeros.
  std::fill(window.begin() + static_cast<std::ptrdiff_t>(filled), window.end(), 0);
  return issue;
}

}  // namespace brenmark::datadisc
