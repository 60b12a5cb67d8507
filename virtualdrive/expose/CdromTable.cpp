#include "virtualdrive/expose/CdromTable.h"

#include <array>
#include <string_view>

namespace brenmark::expose {
namespace {

constexpr std::string_view kDeviceFolder = "/dev/";

// One line of the table: its label and what a recorder answers there.
struct Row {
  std::string_view label;
  const char* cdRecorder;
  const char* dvdRecorder;
};

// The kernel's lines in its order; the drive name line is filled apart.
constexpr std::array<Row, 19> kRows{{
    {"drive speed:", "48", "16"},
    {"drive # of slots:", "1", "1"},
    {"Can close tray:", "1", "1"},
    {"Can open tray:", "1", "1"},
    {"Can lock tray:", "1", "1"},
    {"Can change speed:", "1", "1"},
    {"Can select disk:", "0", "0"},
    {"Can read multisession:", "1", "1"},
    {"Can read MCN:", "1", "1"},
    {"Reports media changed:", "1", "1"},
    {"Can play audio:", "1", "1"},
    {"Can write CD-R:", "1", "1"},
    {"Can write CD-RW:", "1", "1"},
    {"Can read DVD:", "0", "1"},
    {"Can write DVD-R:", "0", "1"},
    {"Can write DVD-RAM:", "0", "0"},
    {"Can read MRW:", "0", "0"},
    {"Can write MRW:", "0", "0"},
    {"Can write RAM:", "0", "0"},
}};
constexpr std::string_view kNameLabel = "drive name:";

// The devices the table can name: those directly in /dev/.
std::vector<CdromTableDrive> Nameable(const std::vector<CdromTableDrive>& drives) {
  std::vector<CdromTableDrive> nameable;
  for (const CdromTableDrive& drive : drives) {
    const std::string_view path = drive.path;
    if (path.size() > kDeviceFolder.size() && path.starts_with(kDeviceFolder) &&
        path.find('/', kDeviceFolder.size()) == std::string_view::npos)
      nameable.push_back(drive);
  }
  return nameable;
}

// The columns `line` gains, or nothing when it is not a line of drives.
std::string AddedColumns(std::string_view line, const std::vector<CdromTableDrive>& drives) {
  std::string added;
  if (line.starts_with(kNameLabel)) {
    for (const CdromTableDrive& drive : drives) added += "\t" + drive.path.substr(kDeviceFolder.size());
    return added;
  }
  for (const Row& row : kRows) {
    if (!line.starts_with(row.label)) continue;
    for (const CdromTableDrive& drive : drives) added += std::string("\t") + (drive.writesDvd ? row.dvdRecorder : row.cdRecorder);
    break;
  }
  return added;
}

std::string EmptyTable() {
  std::string table = "CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n";
  table += std::string(kNameLabel) + "\t\n";
  for (const Row& row : kRows) table += std::string(row.label) + "\t\n";
  return table + "\n";
}

}  // namespace

std::string CdromTableWithDrives(const std::string& systemTable, const std::vector<CdromTableDrive>& drives) {
  const std::vector<CdromTableDrive> nameable = Nameable(drives);
  const std::string source = systemTable.empty() ? EmptyTable() : systemTable;
  std::string table;
  std::size_t begin = 0;
  while (begin < source.size()) {
    const std::size_t end = std::min(source.find('\n', begin), source.size());
    const std::string_view line = std::string_view(source).substr(begin, end - begin);
    table.append(line);
    table += AddedColumns(line, nameable);
    if (end < source.size()) table += '\n';
    begin = end + 1;
  }
  return table;
}

}  // namespace brenmark::expose
