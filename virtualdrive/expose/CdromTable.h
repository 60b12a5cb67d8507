#pragma once

#include <string>
#include <vector>

namespace brenmark::expose {

// The kernel's table of CD-ROM drives, which burning programs read to learn
// the names of the drives beyond those they probe by number.
inline constexpr const char* kCdromTablePath = "/proc/sys/dev/cdrom/info";

// An exposed device as a column of the table.
struct CdromTableDrive {
  std::string path;  // only a node directly in /dev/ can be named there
  bool writesDvd;
};

// The table with a column for each of `drives` added: `systemTable` is the
// system's own table (empty when the system has none) and keeps its columns
// and its lines the table does not know.
std::string CdromTableWithDrives(const std::string& systemTable, const std::vector<CdromTableDrive>& drives);

}  // namespace brenmark::expose
