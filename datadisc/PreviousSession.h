#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brenmark::datadisc {

// One entry of the file system an earlier session recorded.
struct PreviousEntry {
  // The Joliet name in UTF-8; when the session has no Joliet tree, the Rock
  // Ridge name, else the ISO 9660 name without a file's ";1" version and the
  // dot that ends a name without extension.
  std::string name;
  // The ISO 9660 identifier (a file's without its version); empty when the
  // ISO 9660 tree has no entry that matches this one.
  std::string isoName;
  bool isDirectory = false;
  std::uint32_t extent = 0;
  std::uint32_t size = 0;
  std::int64_t recordingTime = 0;  // seconds since 1970
  std::vector<PreviousEntry> children;
};

// Reads `count` 2048-byte blocks from `lba` into `out`; false when the drive
// could not.
using BlockReader = std::function<bool(std::uint32_t lba, std::uint32_t count, std::uint8_t* out)>;

// What reading a session's file system gave.
struct PreviousSession {
  enum class Status : std::uint8_t {
    Read,        // `root` holds the session's tree
    NotIso9660,  // no ISO 9660 volume descriptor at the session start
    Unreadable,  // the drive could not read a block of it
    Damaged,     // its structures contradict themselves or the disc
  };

  Status status = Status::Read;
  // When not Read, what the session is, for the user: "holds no ISO 9660
  // file system", "could not be read (block 123)", "is damaged (...)".
  std::string reason;
  std::vector<PreviousEntry> root;
  bool joliet = false;  // the names are the Joliet tree's
  std::size_t entryCount = 0;
};

// Reads the volume descriptors of the session that starts at `sessionStart`
// and every directory of its Joliet tree (the ISO 9660 tree when there is no
// Joliet one), then the ISO 9660 tree to give each entry its ISO 9660 name.
// A folder that Rock Ridge relocated is read in the ISO 9660 tree where its
// child link stands, not in the relocation folder, so both trees have the
// same shape. Nothing outside blocks 0 to `readableEnd` - 1 is read; a loop
// between directories, an extent beyond the volume or the disc, a record that
// breaks the record rules, a Joliet name of more than 103 characters, a name
// that is not one a folder can hold (".", "..", one with a separator or NUL),
// more directories than path tables can number or a tree deeper than
// kMaxPreviousDepth makes the session Damaged.
PreviousSession ReadPreviousSession(const BlockReader& read, std::uint32_t sessionStart,
                                    std::uint32_t readableEnd);

inline constexpr std::size_t kMaxPreviousDepth = 1000;

}  // namespace brenmark::datadisc
