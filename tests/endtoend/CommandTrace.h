#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "virtualdrive/CommandLog.h"

namespace brenmark::endtoend {

// A recorded command as one readable word: its name, and for the transfer and
// reservation commands their address and size ("WRITE10 19 1", "RESERVE 33").
std::string Describe(const virtualdrive::CommandRecord& record);
std::vector<std::string> Describe(const std::vector<virtualdrive::CommandRecord>& records);

// The same without the buffer polls that precede every write.
std::vector<std::string> DescribeWithoutBufferPolls(const std::vector<virtualdrive::CommandRecord>& records);

// Start and block count of every WRITE(10) or WRITE(12) in the records.
struct Transfer {
  std::int32_t lba;
  std::uint32_t count;
  bool operator==(const Transfer&) const = default;
};
std::vector<Transfer> Writes(const std::vector<virtualdrive::CommandRecord>& records);

}  // namespace brenmark::endtoend
