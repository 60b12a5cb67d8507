#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "datadisc/SourceTree.h"
#include "datadisc/ImageLayout.h"
#include "tests/support/TempFolder.h"

namespace brenmark::datadisc::test {

// A temporary folder that makes patterned files and folders in itself.
class TempFolder : public testsupport::TempFolder {
 public:
  TempFolder() : testsupport::TempFolder("datadisc") {}
  // Creates a file (and its folders) holding `size` bytes of a repeating pattern.
  std::filesystem::path MakeFile(const std::string& relative, std::size_t size) const;
  std::filesystem::path MakeFolder(const std::string& relative) const;
};

// The bytes MakeFile writes at `offset`.
std::uint8_t PatternByte(std::size_t offset);

// The image of a layout that has run, streamed at the fixed time, from the
// session's first sector on.
std::vector<std::uint8_t> Render(const ImageLayout& layout);
// `count` sectors of an image from `sector` on.
std::vector<std::uint8_t> Sectors(const std::vector<std::uint8_t>& image, std::uint32_t sector,
                                  std::uint32_t count = 1);

// The nodes of a list and of everything below it.
std::size_t CountNodes(const EntryList& list);

inline FileStatus FileOf(std::uint64_t size) { return FileStatus{platform::FileKind::Regular, size, 0, 0, 0}; }
inline FileStatus Folder() { return FileStatus{platform::FileKind::Directory, 0, 0, 0, 0}; }

// Fixed wall clock: 2004-03-05 09:07:03 in UTC; the test process runs in UTC.
inline constexpr std::time_t kFixedNow = 1078477623;
std::time_t FixedClock();
void UseUtc();

// Independent little helpers for building expected bytes.
std::uint32_t ReadLe32(const std::uint8_t* at);
std::uint32_t ReadBe32(const std::uint8_t* at);
std::string Utf16Be(std::u16string_view text);

}  // namespace brenmark::datadisc::test
