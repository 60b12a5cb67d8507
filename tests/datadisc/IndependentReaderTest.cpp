// Renders images of a tree with awkward names and reads them back with the
// Debian tools: isovfy, isoinfo and xorriso.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "datadisc/ImageFile.h"
#include "datadisc/ImageLayout.h"
#include "datadisc/SourceTree.h"
#include "tests/datadisc/DataDiscTestSupport.h"
#include "tests/support/Bytes.h"
#include "tests/support/ExternalTool.h"

namespace brenmark::datadisc {
namespace {

namespace fs = std::filesystem;

using testsupport::FileBytes;
using testsupport::Quoted;
using testsupport::RunTool;
using testsupport::ToolRun;

// Source file (relative to the temp folder) -> where the Joliet tree puts it.
using ExpectedFiles = std::map<std::string, std::string>;

ExpectedFiles MakeAwkwardTree(const test::TempFolder& folder) {
  const std::string a58(58, 'A');
  std::string umlauts;
  for (int i = 0; i < 70; ++i) umlauts += "\xC3\xBC";  // 70 characters, 140 bytes

  ExpectedFiles files = {
      // Counted in characters as the disc stores them: 58 of them kept, and 40 kept whole.
      {"Top/" + umlauts + ".txt", "Top/" + umlauts.substr(0, 2 * 58) + ".txt"},
      {"Top/" + umlauts.substr(0, 2 * 40) + ".txt", "Top/" + umlauts.substr(0, 2 * 40) + ".txt"},
      // A semicolon would start a version number for Joliet readers.
      {"Top/semi;colon.txt", "Top/semi_colon.txt"},
      // An invalid UTF-8 byte becomes the Latin-1 character of that value.
      {"Top/bad\xFF.txt", "Top/bad\xC3\xBF.txt"},
  };
  // Names the Joliet tree keeps as they are.
  for (const char* name : {"read me.txt", "read_me.txt", "Read me.txt", "Gr\u00FC\u00DFe.txt",
                           "\u65E5\u672C\u8A9E.txt", "\U0001F600 smile.txt", ".hidden", "zero.bin",
                           "f32768.bin", "f32769.bin", "f100000.bin", "my.dir.name/Makefile",
                           "a/b/c/d/e/f/g/h/i/j/deep.txt"})
    files[std::string("Top/") + name] = std::string("Top/") + name;
  // Over 62 bytes: both cut to 58 + ".txt"; which of them the folder listing
  // gives first keeps that name, the other becomes ..._1.txt.
  folder.MakeFile("Top/" + a58 + "one more word.txt", 3);
  folder.MakeFile("Top/" + a58 + "two more words.txt", 5);
  // Enough files for the directory to span several sectors.
  for (int i = 0; i < 120; ++i) {
    const std::string name = "Top/many/file number " + std::to_string(i) + " of a long list.dat";
    files[name] = name;
  }
  std::size_t size = 1;
  for (const auto& [source, extracted] : files) {
    static const std::regex sized(R"(Top/f(\d+)\.bin)");
    std::smatch match;
    std::size_t bytes = size++ % 7;
    if (std::regex_match(source, match, sized)) bytes = std::stoul(match[1]);
    if (source == "Top/zero.bin") bytes = 0;
    folder.MakeFile(source, bytes);
  }
  folder.MakeFolder("Top/empty");
  folder.MakeFolder("Top/empty two");
  return files;
}

struct RenderedImage {
  fs::path image;
  std::size_t nodes = 0;
};

// The names a listing shows, per directory, without "." and "..".
std::multiset<std::string> ListedNames(const std::string& listing) {
  std::multiset<std::string> names;
  static const std::regex entry(R"(\[\s*\d+ \d+\]\s+(.*?) ?$)");
  std::istringstream lines(listing);
  std::smatch match;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_search(line, match, entry) && match[1] != "." && match[1] != "..")
      names.insert(match[1]);
  return names;
}

// The kinds of complaint isovfy marks with "**".
std::set<std::string> Complaints(const std::string& output) {
  std::set<std::string> kinds;
  static const std::regex complaint(R"(\*\*[A-Za-z ]+[A-Za-z])");
  for (auto it = std::sregex_iterator(output.begin(), output.end(), complaint);
       it != std::sregex_iterator(); ++it)
    kinds.insert(it->str());
  return kinds;
}

class IndependentReader : public ::testing::Test {
 protected:
  RenderedImage Render(NamingMode mode, IsoLevel isoLevel, bool xa) {
    SourceTree tree(mode, isoLevel, false, xa);
    tree.SetVolumeLabel(SourceTree::kDefaultVolumeLabel);
    tree.AddPath((folder_.path() / "Top").string(), nullptr);
    tree.ComputeDepth();
    ImageLayout layout(tree, 0);
    EXPECT_TRUE(layout.Run().ok());
    RenderedImage rendered;
    rendered.image = folder_.path() / "image.iso";
    std::string error;
    std::vector<RenderedIssue> issues;
    EXPECT_TRUE(RenderImageToFile(layout, rendered.image.string(), error, &issues)) << error;
    EXPECT_TRUE(issues.empty());
    rendered.nodes = test::CountNodes(tree.entries());
    return rendered;
  }

  test::TempFolder folder_;
  ExpectedFiles files_ = MakeAwkwardTree(folder_);
};

TEST_F(IndependentReader, JolietImageReadsBackWholly) {
  const RenderedImage rendered = Render(SourceTree::kIsoAndJoliet, SourceTree::kIso83Names, false);

  const ToolRun verify = RunTool("isovfy " + Quoted(rendered.image));
  EXPECT_EQ(verify.status, 0) << verify.output;
  EXPECT_NE(verify.output.find("No errors found"), std::string::npos) << verify.output;

  const ToolRun iso = RunTool("isoinfo -l -i " + Quoted(rendered.image));
  ASSERT_EQ(iso.status, 0) << iso.output;
  // ISO 9660 names stay unique within each directory, even where the
  // converted names agree: read me / read_me / Read me all make READ_ME.TXT.
  const auto isoNames = ListedNames(iso.output);
  EXPECT_EQ(isoNames.size(), rendered.nodes);
  for (const char* name : {"READ_ME.TXT;1", "READ_M_1.TXT;1", "READ_M_2.TXT;1"})
    EXPECT_EQ(isoNames.count(name), 1u) << name;

  const fs::path out = folder_.path() / "extracted";
  const ToolRun extract = RunTool("LC_ALL=C.UTF-8 xorriso -osirrox on -indev " +
                                           Quoted(rendered.image) + " -extract / " + Quoted(out));
  ASSERT_EQ(extract.status, 0) << extract.output;
  for (const auto& [source, extracted] : files_) {
    const fs::path back = out / extracted;
    ASSERT_TRUE(fs::exists(back)) << extracted;
    EXPECT_EQ(FileBytes(back), FileBytes(folder_.path() / source)) << extracted;
  }
  const std::string a58(58, 'A');
  const std::multiset<std::size_t> collidingSizes = {
      fs::file_size(out / ("Top/" + a58 + ".txt")),
      fs::file_size(out / ("Top/" + std::string(56, 'A') + "_1.txt"))};
  EXPECT_EQ(collidingSizes, (std::multiset<std::size_t>{3, 5}));
  EXPECT_TRUE(fs::is_directory(out / "Top/empty two"));
  const auto extracted = std::distance(fs::recursive_directory_iterator(out), {});
  EXPECT_EQ(static_cast<std::size_t>(extracted), rendered.nodes);
}

TEST_F(IndependentReader, IsoOnlyAndXaImagesVerify) {
  for (const auto& [mode, level, xa] :
       {std::tuple{SourceTree::kIsoOnly, SourceTree::kIso83Names, false},
        std::tuple{SourceTree::kIsoOnly, SourceTree::kIso30Names, true},
        std::tuple{SourceTree::kIsoAndJoliet, SourceTree::kIso30Names, true}}) {
    SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(mode) << " level " << static_cast<int>(level)
                                    << " xa " << xa);
    const RenderedImage rendered = Render(mode, level, xa);
    const ToolRun verify = RunTool("isovfy " + Quoted(rendered.image));
    if (xa) {
      // The checker reads the 14-byte CD-XA field as a damaged SUSP area; that
      // complaint, on every record, is the only one allowed.
      EXPECT_EQ(Complaints(verify.output), std::set<std::string>{"**BAD SUSP"}) << verify.output;
    } else {
      EXPECT_NE(verify.output.find("No errors found"), std::string::npos) << verify.output;
    }
    const ToolRun iso = RunTool("isoinfo -l -i " + Quoted(rendered.image));
    EXPECT_EQ(ListedNames(iso.output).size(), rendered.nodes);
  }
}

}  // namespace
}  // namespace brenmark::datadisc
