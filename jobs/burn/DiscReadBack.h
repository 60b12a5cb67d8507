#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drive/DriveHandle.h"
#include "jobs/burn/DigestThread.h"
#include "jobs/burn/WrittenDigests.h"

namespace brenmark {

// How the blocks of a part of the disc are read back: as the burn wrote them.
enum class ReadBackKind : std::uint8_t {
  UserData,           // 2048 bytes of a data block (Mode 1, Mode 2 Form 1, DVD), READ(12)
  AudioSamples,       // the 2352 bytes of an audio block, READ CD
  Mode2WithSubheader, // subheader and 2324 bytes of a Mode 2 Form 2 block, READ CD
  RawSectors,         // all 2352 bytes of a data block (sync, header, data, EDC/ECC), READ CD
};

// One part of a written disc the verify reads back on its own: a file, the
// directory structure, a track.
struct VerifyItem {
  std::string name;  // as the user knows it: "/a/b.txt", "track 2 (song.wav)"
  std::int32_t first = 0;
  std::uint32_t blocks = 0;
  std::uint64_t bytes = 0;  // what it holds for the user: a file's size, a track's bytes
  ReadBackKind kind = ReadBackKind::UserData;
  // Counted in the summary as one of its files or tracks (the directory
  // structure is compared, not counted).
  bool counted = true;
  // An audio track's reach, [reachFirst, reachEnd): the audio blocks around
  // it (the burn's other tracks and the gaps between them) that a drive's
  // read offset may move its samples into. Empty: the track's own blocks.
  std::int32_t reachFirst = 0;
  std::int32_t reachEnd = 0;
};

// What reading an item back found.
struct VerifyFinding {
  enum class Kind : std::uint8_t {
    Same,        // every block as written (or, where nothing was written, readable)
    Differs,     // `block` is the first that is not as written
    Unreadable,  // the drive could not read the `blocks` blocks from `block`
  };
  Kind kind = Kind::Same;
  std::int32_t block = 0;
  std::uint32_t blocks = 1;
  // An audio track: the read offset it was compared at, in samples (the
  // drive gives them that many late; early when negative), and the blocks
  // that offset put beyond its reach, which were not compared.
  std::int32_t readOffset = 0;
  std::uint32_t outOfReach = 0;
};

// Reads items back through the drive, block runs as long as one command
// carries, and compares every block that the burn wrote with its digest;
// a block it did not write (a file of an earlier session) is only read.
// Audio tracks are compared allowing for the drive's read offset
// (AudioReadBack), each one first at the offset the track before was read at.
// A run the drive cannot read (after the transfers' retries and question)
// ends the item unreadable. An item of more than one chunk is read into two
// buffers in turn: the digests of one are made on a second thread while the
// next chunk is read into the other.
class DiscReadBack {
 public:
  // Blocks of the item read so far, after each command.
  using BlocksRead = std::function<void(std::uint32_t)>;

  DiscReadBack(DriveHandle& drive, const WrittenDigests& written);

  VerifyFinding Check(const VerifyItem& item, const BlocksRead& blocksRead);
  // Asked before each chunk: true ends the item's check there, its finding
  // meaning nothing.
  void StopWhen(std::function<bool()> stop) { stop_ = std::move(stop); }

 private:
  // Blocks read into a buffer, waiting to be compared.
  struct Chunk {
    std::int32_t first = 0;
    std::uint32_t count = 0;
  };

  // Reads a chunk command by command; the finding of a command that failed.
  std::optional<VerifyFinding> ReadChunk(ReadBackKind kind, const Chunk& chunk, std::uint8_t* buffer);
  bool Read(ReadBackKind kind, std::int32_t lba, std::uint32_t count, std::uint8_t* buffer);
  // The first block of the chunk that is not as written.
  std::optional<VerifyFinding> Compare(const Chunk& chunk, const std::vector<std::uint64_t>& digests) const;

  DriveHandle& drive_;
  const WrittenDigests& written_;
  std::vector<std::uint8_t> buffers_[2];
  DigestThread digests_;
  std::int32_t audioOffset_ = 0;
  std::function<bool()> stop_;
};

int BlockSizeOf(ReadBackKind kind);

}  // namespace brenmark
