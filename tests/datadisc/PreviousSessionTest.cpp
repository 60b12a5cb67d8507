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
#include <regex>
#include <string>
#include <vector>

#include "bytes/ByteOrder.h"
#include "datadisc/ImageFile.h"
#include "datadisc/ImageLayout.h"
#include "datadisc/PreviousSession.h"
#include "datadisc/SourceTree.h"
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

// Entries as "name|isoName", a file with "@extent:size", a folder with its
// children in braces.
std::string Describe(const std::vector<PreviousEntry>& list) {
  std::string text;
  for (const PreviousEntry& entry : list) {
    text += (text.empty() ? "" : " ") + entry.name + "|" + entry.isoName;
    text += entry.isDirectory ? "{" + Describe(entry.children) + "}"
                              : "@" + std::to_string(entry.extent) + ":" + std::to_string(entry.size);
  }
  return text;
}

// Files below `source` holding their own paths; those named *.dat are empty.
void MakeSource(const std::filesystem::path& source, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    std::filesystem::create_directories((source / path).parent_path());
    std::ofstream file(source / path);
    if (!path.ends_with(".dat")) file << path;
  }
}

TEST(PreviousSession, ReadsBothTreesOfTheWorkedExample) {
  const PreviousSession session = ReadImage(WorkedExample());
  ASSERT_EQ(session.status, Status::Read) << session.reason;
  EXPECT_TRUE(session.joliet);
  EXPECT_EQ(session.entryCount, 4u);
  EXPECT_EQ(Describe(session.root), "Data|DATA{Sub|SUB{a.txt|A.TXT@30:5000} readme.txt|README.TXT@29:100}");
}

// Another burner lists entries in each tree's own order ("B.txt" before
// "a.txt" in Joliet, A.TXT before B.TXT in ISO 9660; so too the folders
// "Zeta" and "alpha" that hold only folders, and the empty files "Z.dat" and
// "a.dat") and renames colliding ISO 9660 names its own way: every file
// still gets its own ISO name, as isoinfo shows it at the file's extent.
TEST(PreviousSession, KeepsTheIsoNamesOfAnotherBurnersTree) {
  testsupport::TempFolder folder("previous-foreign");
  const std::filesystem::path source = folder.path() / "source";
  MakeSource(source, {"Dir/B.txt", "Dir/a.txt", "Dir/collision_name_1.txt", "Dir/collision_name_2.txt",
                      "Dir/Zeta/in/z.txt", "Dir/alpha/in/a2.txt", "Dir/Z.dat", "Dir/a.dat"});
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

// A disc without Joliet keeps its names: the Rock Ridge ones (two 181-letter
// names among them, which do not fit their records and continue elsewhere,
// cut to the longest a Joliet tree holds and numbered apart), else the ISO
// 9660 ones without version and the dot of a name without extension. The ISO
// 9660 names stay as they are for the next session.
TEST(PreviousSession, ADiscWithoutJolietIsNamedByRockRidgeElseByItsIsoNames) {
  testsupport::TempFolder folder("previous-rockridge");
  const std::filesystem::path source = folder.path() / "source";
  const std::string longNames = std::string(180, 'L');
  MakeSource(source, {"Mixed Case Dir/ReadMe.txt", "README", longNames + "1.txt", longNames + "2.txt"});
  const struct {
    const char* rockRidge;
    std::string described;
  } cases[] = {
      {"on", std::string(97, 'L') + "_1.txt|" + std::string(26, 'L') + "0.TXT " + std::string(97, 'L') + "_2.txt|" +
                 std::string(26, 'L') + "1.TXT Mixed Case Dir|MIXED_CASE_DIR{ReadMe.txt|README.TXT} README|README."},
      {"off", std::string(26, 'L') + "0.TXT|" + std::string(26, 'L') + "0.TXT " + std::string(26, 'L') + "1.TXT|" +
                  std::string(26, 'L') + "1.TXT MIXED_CASE_DIR|MIXED_CASE_DIR{README.TXT|README.TXT} README|README."},
  };
  for (const auto& test : cases) {
    const std::filesystem::path image = folder.path() / (std::string(test.rockRidge) + ".iso");
    const auto made = testsupport::RunTool(std::string("xorriso -rockridge ") + test.rockRidge +
                                           " -joliet off -outdev " + testsupport::Quoted(image) + " -map " +
                                           testsupport::Quoted(source) + " / -commit");
    ASSERT_EQ(made.status, 0) << made.output;
    const PreviousSession session = ReadImage(testsupport::FileBytes(image));
    ASSERT_EQ(session.status, Status::Read) << session.reason;
    EXPECT_FALSE(session.joliet);
    EXPECT_EQ(std::regex_replace(Describe(session.root), std::regex("@[0-9]+:[0-9]+"), ""), test.described)
        << "Rock Ridge " << test.rockRidge;
  }
}

// Names from a disc are names, not paths: an entry named "." or "..", or
// whose name holds a separator or NUL, makes the session one the import
// cannot keep (the job then asks whether to append without it), in either tree.
TEST(PreviousSession, NamesThatArePathsMakeTheSessionNotImportable) {
  const auto rename = [](std::uint8_t* record, const std::string& identifier) {
    record[32] = static_cast<std::uint8_t>(identifier.size());
    std::copy(identifier.begin(), identifier.end(), record + 33);
  };
  const struct {
    std::uint32_t sector;
    std::string identifier;
    std::string renamed;
    std::string shown;
  } cases[] = {
      {28, Joliet("a.txt;1"), Joliet("..;1"), ".."},
      {28, Joliet("a.txt;1"), Joliet(".;1"), "."},
      {28, Joliet("a.txt;1"), Joliet("x/z;1"), "x/z"},
      {28, Joliet("a.txt;1"), Joliet(std::string("a\0b;1", 5)), "a?b"},
      {27, Joliet("Sub"), Joliet(".."), ".."},
      {25, "A.TXT;1", "..;1", ".."},
      {24, "SUB", "X/Z", "X/Z"},
  };
  for (const auto& test : cases) {
    std::vector<std::uint8_t> image = WorkedExample();
    rename(RecordOf(image, test.sector, test.identifier), test.renamed);
    const PreviousSession session = ReadImage(image);
    EXPECT_EQ(session.status, Status::Damaged) << test.shown;
    EXPECT_EQ(session.reason, "holds an entry named \"" + test.shown + "\", which is not a name a folder can hold");
    EXPECT_TRUE(session.root.empty());
  }
}

// A name with a control character or another one Joliet forbids is taken
// with '_' in its place, as a new file's name is.
TEST(PreviousSession, ForbiddenCharactersOfImportedNamesBecomeUnderscores) {
  std::vector<std::uint8_t> image = WorkedExample();
  std::uint8_t* record = RecordOf(image, 28, Joliet("a.txt;1"));
  const std::string renamed = Joliet("\x1b]0*\a;1");
  std::copy(renamed.begin(), renamed.end(), record + 33);
  const PreviousSession session = ReadImage(image);
  ASSERT_EQ(session.status, Status::Read) << session.reason;
  EXPECT_NE(Describe(session.root).find("_]0__|"), std::string::npos) << Describe(session.root);
}

// What other burners legitimately write: Joliet names of 103 characters, and
// folders nested deeper than ISO 9660 allows, which Rock Ridge moves to
// RR_MOVED and links back. The Joliet tree stands; every ISO 9660 name is
// the one at the same place in the ISO 9660 tree, and a session written on
// top shows the same shape in both trees.
TEST(PreviousSession, LongJolietNamesAndRelocatedFoldersOfAnotherBurner) {
  testsupport::TempFolder folder("previous-relocated");
  const std::filesystem::path source = folder.path() / "source";
  const std::string longName = std::string(99, 'n') + ".txt";
  const std::string deep = "a/b/c/d/e/f/g/h/i/j/deep.txt";
  MakeSource(source, {deep, "top/" + longName});
  const std::filesystem::path image = folder.path() / "relocated.iso";
  const auto made = testsupport::RunTool(
      "xorriso -compliance deep_paths_off:long_paths_off:joliet_long_names -rr_reloc_dir RR_MOVED -rockridge on "
      "-joliet on -outdev " + testsupport::Quoted(image) + " -map " + testsupport::Quoted(source) + " / -commit");
  ASSERT_EQ(made.status, 0) << made.output;
  ASSERT_NE(testsupport::RunTool("isoinfo -l -i " + testsupport::Quoted(image)).output.find("RR_MOVED"),
            std::string::npos) << "xorriso relocated nothing";

  std::vector<std::uint8_t> bytes = testsupport::FileBytes(image);
  PreviousSession session = ReadImage(bytes);
  ASSERT_EQ(session.status, Status::Read) << session.reason;
  const auto child = [](const std::vector<PreviousEntry>& list, const std::string& name) -> const PreviousEntry& {
    const auto found = std::find_if(list.begin(), list.end(), [&](const PreviousEntry& e) { return e.name == name; });
    EXPECT_NE(found, list.end()) << name;
    return found == list.end() ? list.front() : *found;
  };
  EXPECT_EQ(child(child(session.root, "top").children, longName).name.size(), 103u);
  const std::vector<PreviousEntry>* level = &session.root;
  for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}) {
    const PreviousEntry& entry = child(*level, name);
    EXPECT_EQ(entry.isoName, std::string(1, static_cast<char>(std::toupper(name[0]))));
    level = &entry.children;
  }
  EXPECT_EQ(child(*level, "deep.txt").isoName, "DEEP.TXT");

  // A new session on top of it, as the data job lays it out after the import.
  SourceTree tree(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false, false);
  tree.SetVolumeLabel(SourceTree::kDefaultVolumeLabel);
  std::vector<std::string> replaced;
  tree.MergePreviousSession(session.root, replaced);
  tree.ComputeDepth();
  const auto sessionStart = static_cast<std::uint32_t>((bytes.size() + 2047) / 2048);
  ImageLayout layout(tree, sessionStart);
  ASSERT_TRUE(layout.Run().ok());
  const std::filesystem::path added = folder.path() / "added.iso";
  std::string error;
  ASSERT_TRUE(RenderImageToFile(layout, added.string(), error)) << error;
  bytes.resize(std::size_t{sessionStart} * 2048);
  const std::vector<std::uint8_t> second = testsupport::FileBytes(added);
  bytes.insert(bytes.end(), second.begin(), second.end());
  const std::filesystem::path both = folder.path() / "both.iso";
  std::ofstream(both, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  const std::string at = " -T " + std::to_string(sessionStart) + " -i " + testsupport::Quoted(both);
  const std::string isoPaths = testsupport::RunTool("isoinfo -f" + at).output;
  const std::string jolietPaths = testsupport::RunTool("isoinfo -J -f" + at).output;
  EXPECT_NE(isoPaths.find("/A/B/C/D/E/F/G/H/I/J/DEEP.TXT;1"), std::string::npos) << isoPaths;
  EXPECT_NE(jolietPaths.find("/a/b/c/d/e/f/g/h/i/j/deep.txt"), std::string::npos) << jolietPaths;
  EXPECT_NE(jolietPaths.find("/top/" + longName), std::string::npos) << jolietPaths;
  EXPECT_EQ(isoPaths.find("RR_MOVED/"), std::string::npos) << isoPaths;
}

}  // namespace
}  // namespace brenmark::datadisc
