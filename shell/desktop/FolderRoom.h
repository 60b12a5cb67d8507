#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "datadisc/SourceTree.h"
#include "drive/DriveRegistry.h"

namespace brenmark::desktop {

// The bytes of every file a scanned folder holds (what its files alone take on
// a disc, before any directory or volume structure).
std::uint64_t FolderBytes(const datadisc::SourceTree& tree);

// The blocks of 2048 bytes the files of a tree take at the least: each file
// starts on a block of its own.
std::int64_t FolderBlocks(const datadisc::SourceTree& tree);

// The blocks still free for a new session on the disc in a drive (the caller
// holds its lease): nothing when the drive does not say, or the disc takes no
// more data (closed or missing); the burn itself then says what stops it.
std::optional<std::int64_t> FreeDiscBlocks(DriveRegistry& registry, int drive);

// "12.3 MB" for a byte count (megabytes of 2^20 bytes, one decimal).
std::string MegabytesText(std::uint64_t bytes);

// The speed dialog's line for a folder about to be burned: its path and size.
std::string BurningFolderText(const std::string& folder, std::uint64_t bytes);

// Why a folder is refused before the burn: its files alone need more blocks
// than the disc has free.
std::string FolderDoesNotFitMessage(const std::string& folder, std::int64_t neededBlocks, std::int64_t freeBlocks);

}  // namespace brenmark::desktop
