#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

namespace fs = std::filesystem;

bool LeftoverTemporaries(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".new") return true;
  }
  return false;
}

// A state file that cannot be replaced fails the command that needed it, with
// a write error and a reason naming the folder; nothing half-written is left.
TEST(RecorderWriteFailures, AStateFileThatCannotBeSavedIsAWriteError) {
  RecorderHarness harness;
  std::vector<std::string> problems;  // what a front end would print
  harness.recorder().SetWriteProblemObserver([&problems](const std::string& problem) { problems.push_back(problem); });
  const fs::path work = harness.folder() / "work";
  fs::create_directories(work / "disc.state" / "in the way");
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);

  // The first write opens a track, which the state file has to record.
  EXPECT_EQ(harness.Write(0, 2, Pattern(2, 2048, 1)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kWriteError);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find(work.string()), std::string::npos) << problems[0];
  EXPECT_NE(problems[0].find("disc.state"), std::string::npos) << problems[0];
  EXPECT_EQ(harness.Send(cdb::CloseTrack(1)), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kWriteError);
  EXPECT_FALSE(LeftoverTemporaries(work));

  // A later start removes what an interrupted save left.
  WriteFile(work / "tray.new", "brenmark-tray 1\n");
  harness.Restart();
  EXPECT_FALSE(LeftoverTemporaries(work));
}

// A process killed while writing a block leaves part of it in the image: the
// next start drops it, so that the disc, once ejected, can be inserted again.
TEST(RecorderWriteFailures, APartBlockLeftByAKilledWriterIsDropped) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 2, Pattern(2, 2048, 1)), TransportResult::Good);
  harness.Restart([&] { std::ofstream(harness.folder() / "work" / "disc.bin", std::ios::app) << "half a block"; });
  const TrayResult ejected = harness.recorder().Eject();
  ASSERT_TRUE(ejected.ok) << ejected.message;
  const TrayResult inserted = harness.recorder().InsertImage(ejected.finishedImage);
  EXPECT_TRUE(inserted.ok) << inserted.message;
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
