// The verify's summary line as the user reads it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "jobs/burn/VerifyReport.h"

namespace brenmark {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;

VerifyItem Item(std::string name, std::uint64_t bytes = 0, bool counted = true) {
  VerifyItem item;
  item.name = std::move(name);
  item.bytes = bytes;
  item.counted = counted;
  return item;
}

// Thousands grouped, megabytes with one decimal, the uncounted directory
// structure left out of the count.
TEST(VerifyReport, APassCountsFilesAndMegabytes) {
  VerifyReport report("file");
  report.Add(Item("the directory structure", 40960, false), {});
  report.Add(Item("/big", 682'936'000), {});
  for (int file = 1; file < 1204; ++file) report.Add(Item("/f" + std::to_string(file)), {});
  EXPECT_TRUE(report.passed());
  EXPECT_EQ(report.Summary(), "Verified: 1,204 files, 651.3 MB, no differences.");
}

// Problems first, then what differs, then what could not be read; a list
// holding the directory structure counts parts of the disc; past ten names
// the rest is counted.
TEST(VerifyReport, AFailureNamesWhatDiffersAndWhatCouldNotBeRead) {
  VerifyReport report("file");
  report.AddProblem("the written file system is damaged");
  report.Add(Item("the directory structure", 0, false), {VerifyFinding::Kind::Differs, 17, 1}, "bytes 2,048-4,095");
  report.Add(Item("/a"), {VerifyFinding::Kind::Unreadable, 300, 255});
  EXPECT_FALSE(report.passed());
  EXPECT_EQ(report.Summary(),
            "Verification failed: the written file system is damaged; 1 part of the disc differs: the directory "
            "structure (first difference within bytes 2,048-4,095); 1 file could not be read: /a (blocks 300-554 "
            "unreadable).");
  EXPECT_THAT(report.LogText(), HasSubstr("UNREADABLE  /a: blocks 300-554 unreadable\n"));

  VerifyReport many("track");
  for (int track = 1; track <= 12; ++track) {
    many.Add(Item("track " + std::to_string(track)), {VerifyFinding::Kind::Differs, track, 1}, "bytes 0-2,351");
  }
  EXPECT_THAT(many.Summary(), HasSubstr("Verification failed: 12 tracks differ: track 1 (first difference"));
  EXPECT_THAT(many.Summary(), EndsWith("track 10 (first difference within bytes 0-2,351) and 2 more."));
}

}  // namespace
}  // namespace brenmark
