// The file system of an earlier session read back from the worked example's
// image, as it is and with one structure spoilt at a time: a spoilt session
// is refused, never followed into a loop or beyond the volume.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/ByteOrder.h"
#include "datadisc/PreviousSession.h"
#include "datadisc/Utf16.h"
#include "tests/support/Bytes.h"
#include "tests/support/ExternalTool.h"
#include "tests/support/TempFolder.h"

namespace brenmark::datadisc {
namespace {

using Status = PreviousSession::Status;

// The worked example: ISO 9660 directories at 23 (root), 24 (Data), 25 (Sub);
// Joliet ones at 26, 27, 28; readme.txt at 29, a.txt at 30; 33 sectors.
std::vector<std::uint8_t> WorkedExample() {
  return testsupport::FileBytes(std::filesystem::path(BRENMARK_TESTDATA_DIR) / "worked-example.iso");
}

// The directory record in `sector` whose identifier is `identifier`.
std::uint8_t* RecordOf(std::vector<std::uint8_t>& image, std::uint32_t sector, const std::string& identifier) {
  const auto begin = image.begin() + sector * 2048;
  const auto found = std::search(begin, begin + 2048, identifier.begin(), identifier.end());
  EXPECT_NE(found, begin + 2048) << identifier;
  return &*found - 33;
}

std::string Joliet(const std::string& name) { return ToUtf16Be(name); }

PreviousSession ReadImage(const std::vector<std::uint8_t>& image, std::uint32_t unreadable = UINT32_MAX) {
  const BlockReader read = [&](std::uint32_t lba, std::uint32_t count, std::uint8_t* out) {
    if (lba <= unreadable && unreadable < lba + count) return false;
    if ((lba + count) * 2048ull > image.size()) return false;
    std::copy_n(image.begin() + lba * 2048, count * 2048, out);
    return true;
  };
  return ReadPreviousSession(read, 0, 1000);
}

TEST(PreviousSession, ReadsBothTreesOfTheWorkedExample) {
  const PreviousSession session = ReadImage(WorkedExample());
  ASSERT_EQ(session.status, Status::Read) << session.reason;
  EXPECT_TRUE(session.joliet);
  EXPECT_EQ(session.entryCount, 4u);
  ASSERT_EQ(session.root.size(), 1u);
  const PreviousEntry& data = session.root[0];
  EXPECT_EQ(data.name + "|" + data.isoName, "Data|DATA");
  ASSERT_EQ(data.children.size(), 2u);
  const PreviousEntry& sub = data.children[0];
  const PreviousEntry& readme = data.children[1];
  EXPECT_EQ(sub.name + "|" + sub.isoName, "Sub|SUB");
  EXPECT_EQ(readme.name + "|" + readme.isoName, "readme.txt|README.TXT");
  EXPECT_EQ(readme.extent, 29u);
  EXPECT_EQ(readme.size, 100u);
  ASSERT_EQ(sub.children.size(), 1u);
  EXPECT_EQ(sub.children[0].name + "|" + sub.children[0].isoName, "a.txt|A.TXT");
  EXPECT_EQ(sub.children[0].extent, 30u);
}

// Another burner lists entries in each tree's own order ("B.txt" before
// "a.txt" in Joliet, A.TXT before B.TXT in ISO 9660; so too the folders
// "Zeta" and "alpha" that hold only folders, and the empty files "Z.dat" and
// "a.dat") and renames colliding ISO 9660 names its own way: every file
// still gets its own ISO name, as isoinfo shows it at the file's extent.
TEST(PreviousSession, KeepsTheIsoNamesOfAnotherBurnersTree) {
  testsupport::TempFolder folder("previous-foreign");
  const std::filesystem::path source = folder.path() / "source";
  for (const char* path : {"Dir/B.txt", "Dir/a.txt", "Dir/collision_name_1.txt", "Dir/collision_name_2.txt",
                           "Dir/Zeta/in/z.txt", "Dir/alpha/in/a2.txt", "Dir/Z.dat", "Dir/a.dat"}) {
    std::filesystem::create_directories((source / path).parent_path());
    std::ofstream file(source / path);
    if (!std::string_view(path).ends_with(".dat")) file << path;
  }
  const std::filesystem::path image = folder.path() / "foreign.iso";
  const auto made = testsupport::RunTool("xorriso -as mkisofs -J -o " + testsupport::Quoted(image) + " " +
                                         testsupport::Quoted(source));
  ASSERT_EQ(made.status, 0) << made.output;
  const auto listing = testsupport::RunTool("isoinfo -l -i " + testsupport::Quoted(image));

  const PreviousSession session = ReadImage(testsupport::FileBytes(image));
  ASSERT_EQ(session.status, Status::Read) << session.reason;
  ASSERT_EQ(session.root.size(), 1u);
  EXPECT_EQ(session.root[0].isoName, "DIR");
  std::size_t files = 0;
  std::vector<const PreviousEntry*> pending{&session.root[0]};
  while (!pending.empty()) {
    const PreviousEntry& entry = *pending.back();
    pending.pop_back();
    for (const PreviousEntry& child : entry.children) pending.push_back(&child);
    if (entry.isDirectory) continue;
    ++files;
    const std::size_t name = listing.output.find("  " + entry.isoName + ";1");
    ASSERT_NE(name, std::string::npos) << entry.name << " as '" << entry.isoName << "'\n" << listing.output;
    EXPECT_EQ(std::stoul(listing.output.substr(listing.output.rfind('[', name) + 1)), entry.extent) << entry.name;
    if (entry.name.ends_with(".dat")) {
      EXPECT_EQ(entry.isoName.front(), std::toupper(entry.name.front())) << entry.name;
    }
  }
  EXPECT_EQ(files, 8u);
}

TEST(PreviousSession, RefusesSpoiltSessionsSayingWhy) {
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
    Status expected;
  };
  const auto setExtent = [](std::uint8_t* record, std::uint32_t extent) { bytes::WriteBoth32(record + 2, extent); };
  const std::vector<Case> cases = {
      {"no descriptor", [](auto& image) { std::fill_n(image.begin() + 16 * 2048, 2048, 0); }, Status::NotIso9660},
      {"Joliet loop to the root", [&](auto& image) { setExtent(RecordOf(image, 27, Joliet("Sub")), 26); },
       Status::Damaged},
      {"ISO 9660 loop to the root", [&](auto& image) { setExtent(RecordOf(image, 24, "SUB"), 23); },
       Status::Damaged},
      {"file beyond the volume", [&](auto& image) { setExtent(RecordOf(image, 27, Joliet("readme.txt;1")), 40); },
       Status::Damaged},
      {"directory of 1 GiB",
       [](auto& image) { bytes::WriteBoth32(RecordOf(image, 27, Joliet("Sub")) + 10, 0x40000000); },
       Status::Damaged},
      {"record shorter than its fields", [](auto& image) { RecordOf(image, 27, Joliet("readme.txt;1"))[0] = 20; },
       Status::Damaged},
      {"record past the directory's end",
       [](auto& image) { bytes::WriteBoth32(RecordOf(image, 26, Joliet("Data")) + 10, 120); }, Status::Damaged},
      {"identifier longer than its record",
       [](auto& image) { RecordOf(image, 28, Joliet("a.txt;1"))[32] = 200; }, Status::Damaged},
      {"root beyond the disc", [](auto& image) { bytes::WriteBoth32(image.data() + 17 * 2048 + 158, 5000); },
       Status::Damaged},
  };
  for (const Case& test : cases) {
    std::vector<std::uint8_t> image = WorkedExample();
    test.spoil(image);
    const PreviousSession session = ReadImage(image);
    EXPECT_EQ(session.status, test.expected) << test.what << ": " << session.reason;
    EXPECT_TRUE(session.root.empty()) << test.what;
    EXPECT_FALSE(session.reason.empty()) << test.what;
  }

  // Random bytes anywhere in the descriptors and directories: an answer every time.
  std::mt19937 random(17);
  for (int run = 0; run < 2000; ++run) {
    std::vector<std::uint8_t> image = WorkedExample();
    for (int flip = 0; flip < 8; ++flip) image[16 * 2048 + random() % (13 * 2048)] = static_cast<std::uint8_t>(random());
    const PreviousSession session = ReadImage(image);
    EXPECT_EQ(session.status == Status::Read, session.reason.empty()) << run;
  }

  const PreviousSession unreadable = ReadImage(WorkedExample(), 25);
  EXPECT_EQ(unreadable.status, Status::Unreadable);
  EXPECT_EQ(unreadable.reason, "could not be read (block 25)");
}

}  // namespace
}  // namespace brenmark::datadisc
