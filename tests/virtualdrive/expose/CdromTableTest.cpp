// The kernel's table of CD-ROM drives with the exposed devices added: the
// system's own drives and lines are kept, each drive line gains one column
// per device, and only nodes directly in /dev/ are named.
#include "virtualdrive/expose/CdromTable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace brenmark::expose {
namespace {

using ::testing::ElementsAre;

// The whitespace-separated fields of the line that starts with `label`.
std::vector<std::string> Fields(const std::string& table, const std::string& label) {
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(label, 0) != 0) continue;
    std::istringstream words(line.substr(label.size()));
    std::vector<std::string> fields;
    for (std::string word; words >> word;) fields.push_back(word);
    return fields;
  }
  return {{"<no line " + label + ">"}};
}

const std::vector<CdromTableDrive> kBoth{{"/dev/sr90", false}, {"/dev/sr91", true}};

TEST(CdromTable, TheSystemsDrivesKeepTheirColumnsAndTheDevicesFollow) {
  const std::string system =
      "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n"
      "drive name:\t\tsr0\n"
      "drive speed:\t\t24\n"
      "Can read DVD:\t\t1\n"
      "Can write DVD-R:\t\t0\n"
      "Can teleport:\t\t1\n\n";
  const std::string table = CdromTableWithDrives(system, kBoth);
  EXPECT_EQ(table.rfind("CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n", 0), 0u);
  EXPECT_THAT(Fields(table, "drive name:"), ElementsAre("sr0", "sr90", "sr91"));
  EXPECT_THAT(Fields(table, "drive speed:"), ElementsAre("24", "48", "16"));
  EXPECT_THAT(Fields(table, "Can read DVD:"), ElementsAre("1", "0", "1"));
  EXPECT_THAT(Fields(table, "Can write DVD-R:"), ElementsAre("0", "0", "1"));
  // A line the table does not know is left as the system wrote it.
  EXPECT_THAT(Fields(table, "Can teleport:"), ElementsAre("1"));
  EXPECT_EQ(table.substr(table.size() - 2), "\n\n");
}

// Without a system table every line lists only the devices named directly in /dev/.
TEST(CdromTable, WithoutASystemTableEveryLineListsOnlyTheDevicesInDev) {
  const std::string table = CdromTableWithDrives(
      "", {{"/dev/sr90", false}, {"/tmp/sr92", false}, {"/dev/cd/sr93", true}, {"/dev/", false}, {"/dev/sr91", true}});
  EXPECT_THAT(Fields(table, "drive name:"), ElementsAre("sr90", "sr91"));
  for (const char* label : {"drive # of slots:", "Can close tray:", "Can write CD-R:", "Can write CD-RW:"})
    EXPECT_THAT(Fields(table, label), ElementsAre("1", "1")) << label;
  EXPECT_THAT(Fields(table, "Can read DVD:"), ElementsAre("0", "1"));
  EXPECT_THAT(Fields(table, "Can write DVD-R:"), ElementsAre("0", "1"));
  EXPECT_THAT(Fields(table, "Can write DVD-RAM:"), ElementsAre("0", "0"));
}

}  // namespace
}  // namespace brenmark::expose
