#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "datadisc/ImageLayout.h"
#include "platform/Directory.h"
#include "platform/File.h"

namespace brenmark::datadisc {

// What one group of sectors holds.
enum class GroupKind : std::uint8_t {
  SystemArea,  // one zero sector of the 16 before the descriptors
  PrimaryDescriptor,
  JolietDescriptor,
  Terminator,
  IsoPathTableL,
  IsoPathTableM,
  JolietPathTableL,
  JolietPathTableM,
  IsoDirectory,  // the root first, then the path table entries in order
  JolietDirectory,
  FileData,  // 16 sectors while more than 16 remain, then single sectors
  Padding,   // the zero sectors from the file data's end to the image's end
};

// What happened to a source file while its contents were read. Each file
// reports at most one issue, on the group where it was noticed. The file's
// extent is written in full all the same: a shorter file, or one that could
// not be opened or read, is padded with zeros; a longer one is cut.
enum class FileIssue : std::uint8_t {
  None,
  CannotOpen,   // the file cannot be opened
  Shrunk,       // it holds less than when it was scanned: the rest of its extent is zeros
  Grew,         // it holds more than when it was scanned: it is cut to its scanned size
  ReadFailed,   // reading failed part way
};

// One write of the image, in ascending sector order.
struct SectorGroup {
  GroupKind kind = GroupKind::SystemArea;
  std::uint32_t firstSector = 0;  // absolute logical block address
  std::uint32_t sectorCount = 0;
  // sectorCount * 2048 bytes, valid until the next call of Next.
  std::span<const std::uint8_t> data;
  // FileData: the file this group belongs to.
  const SourceNode* file = nullptr;
  FileIssue issue = FileIssue::None;

  // Every group except FileData and Padding counts as one progress step,
  // taken before it is written. Those two count one step per sector, taken after.
  bool StepBefore() const { return !PerSector(); }
  std::uint32_t StepsAfter() const { return PerSector() ? sectorCount : 0; }
  bool PerSector() const { return kind == GroupKind::FileData || kind == GroupKind::Padding; }
};

// Produces a laid-out image as the ordered sequence of writes that burn it.
//
// A burn uses it like this:
//   ImageLayout layout(tree, sessionStart);        // steps: see ImageLayout
//   ...                                            // RESERVE TRACK with layout.imageEnd
//   ImageStream stream(layout);
//   SectorGroup group;
//   while (stream.Next(group)) {
//     if (group.PerSector() && first such group) SetPos(fileDataStart - S);
//     if (group.StepBefore()) StepIt();
//     if (group.issue != FileIssue::None) warn about group.file->SourcePath();
//     if (group.sectorCount > 0) write group.data at group.firstSector;  // stop on failure
//     for (i < group.StepsAfter()) StepIt();
//   }
//
// The groups, in order:
// the 16 system area sectors one at a time; the primary descriptor, in Joliet
// mode the Joliet descriptor, and the terminator; the ISO 9660 L and M path
// tables, then the Joliet ones, each in one group; the ISO 9660 root and
// directories, then the Joliet ones, each directory in one group; then the
// contents of every file (the root's list first, then each path table entry's
// list, in sibling order), read from the source files as they are produced.
// Files an earlier session recorded are not written again. Last, when the
// image ends past the file data, one group of zero sectors up to its end.
//
// A zero-byte file produces no group: it is neither opened nor examined, so
// what became of it since the scan is not noticed (the disc holds it empty).
//
// Files are opened relative to their open folder, so that the length of their
// full path does not matter; a top-level file is opened by its path.
//
// All data lives in one buffer allocated at construction, as large as the
// largest group and at least as large as the window in which file contents are
// read ahead. The tree must not change while the stream is used.
class ImageStream {
 public:
  using Clock = std::function<std::time_t()>;

  // `clock` gives the time of writing; it is read once per descriptor and
  // once per directory.
  explicit ImageStream(const ImageLayout& layout, Clock clock = DefaultClock);
  ~ImageStream();
  ImageStream(const ImageStream&) = delete;
  ImageStream& operator=(const ImageStream&) = delete;

  // Fills `group` with the next write; false when the image is complete.
  bool Next(SectorGroup& group);

  std::size_t bufferSize() const { return buffer_.size(); }

  static std::time_t DefaultClock() { return std::time(nullptr); }

 private:
  enum class Phase : std::uint8_t {
    SystemArea,
    Primary,
    Joliet,
    Terminator,
    IsoL,
    IsoM,
    JolietL,
    JolietM,
    IsoRoot,
    IsoDirectories,
    JolietRoot,
    JolietDirectories,
    Files,
    Padding,
    Done,
  };

  std::span<std::uint8_t> Take(std::uint64_t sectors);
  void Emit(SectorGroup& group, GroupKind kind, std::uint32_t first, std::uint64_t sectors,
            std::uint64_t offset = 0);
  void EmitDirectory(SectorGroup& group, bool joliet, std::size_t entryIndex);
  bool NextFileGroup(SectorGroup& group);
  const SourceNode* NextFile();
  FileIssue OpenFile(const SourceNode& file);
  // The open folder holding the entries of `folder`, opened relative to its
  // parent's; null when it cannot be opened.
  const platform::Directory* OpenFolder(const SourceNode& folder);
  // Reads the next window of the current file to the start of the buffer.
  FileIssue ReadAhead();
  void CloseFile();

  const ImageLayout& layout_;
  const SourceTree& tree_;
  Clock clock_;
  std::vector<std::uint8_t> buffer_;

  Phase phase_ = Phase::SystemArea;
  std::size_t index_ = 0;  // sector of the system area, or directory index

  // Files: the list being walked (-1: the root's) and the position in it.
  std::ptrdiff_t fileList_ = -1;
  std::size_t fileIndex_ = 0;
  const SourceNode* file_ = nullptr;  // the file being written
  // The folders from a top-level entry down to the current file's folder.
  struct OpenedFolder {
    const SourceNode* node;
    platform::Directory handle;
  };
  std::vector<OpenedFolder> folders_;
  platform::File source_;
  bool readable_ = false;
  // The current file's last reported issue: each kind is told once, and a
  // file that grew and then came up short is told both.
  FileIssue reportedIssue_ = FileIssue::None;
  std::uint32_t fileSector_ = 0;     // next sector of the current file
  std::uint64_t fileRemaining_ = 0;  // bytes of its extent still to produce
  // The part of the buffer holding the current file's read-ahead: the next
  // group starts at windowOffset_; windowBytes_ are whole sectors.
  std::uint64_t windowOffset_ = 0;
  std::uint64_t windowBytes_ = 0;
};

}  // namespace brenmark::datadisc
