// The recorder's folders and files can not be turned against its user: folders
// other users can change are refused before anything is read or written in
// them, and a link planted where a disc file goes is never written through.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/virtualdrive/recorder/RecorderHarness.h"
#include "virtualdrive/Sense.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::virtualdrive::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPrecious = "a file of the user's own";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool Untouched(const fs::path& precious) {
  const std::vector<std::uint8_t> bytes = FileBytes(precious);
  return std::string(bytes.begin(), bytes.end()) == kPrecious;
}

// Each folder that another user could change, one at a time: the recorder
// says which and how to mend it, has no disc, refuses the tray and writes
// nothing in any of them.
TEST(RecorderFolders, FoldersOthersCanChangeAreRefusedAndLeftUntouched) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& data)> spoil;
    const char* told;
  };
  const Case cases[] = {
      {"data folder open to all", [](const fs::path& data) { fs::permissions(data, fs::perms::all); },
       "can be written by other users (mode 0777); make it private with: chmod 700"},
      {"work folder writable by the group",
       [](const fs::path& data) { fs::create_directory(data / "virtual-cd"); ::chmod((data / "virtual-cd").c_str(), 0770); },
       "virtual-cd can be written by other users (mode 0770)"},
      {"burned discs open to all",
       [](const fs::path& data) { fs::create_directory(data / "burned discs"); ::chmod((data / "burned discs").c_str(), 01777); },
       "burned discs can be written by other users (mode 1777)"},
      {"work folder replaced by a link",
       [](const fs::path& data) { fs::create_directory_symlink(data.parent_path() / "elsewhere", data / "virtual-cd"); },
       "virtual-cd is a symbolic link"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const fs::path data = temp.path() / "data";
    fs::create_directories(data);
    fs::create_directories(temp.path() / "elsewhere");
    c.spoil(data);
    VirtualRecorderProvider provider(data);
    VirtualRecorder& recorder = *provider.recorders()[0];
    const std::string problem = recorder.StartupProblem();
    EXPECT_TRUE(Contains(problem, c.told)) << problem;
    EXPECT_TRUE(Contains(problem, data.string())) << problem;
    // Refused, not found without a disc.
    EXPECT_EQ(recorder.Claim(), VirtualRecorder::ClaimResult::Refused);
    EXPECT_EQ(recorder.ClaimRefusal(), problem);
    const TrayResult blank = recorder.InsertBlank(MediumKind::CdR);
    EXPECT_FALSE(blank.ok);
    EXPECT_EQ(blank.message, problem);
    for (const fs::path& folder : {data / "virtual-cd", temp.path() / "elsewhere"}) {
      if (fs::is_directory(folder)) {
        EXPECT_TRUE(fs::is_empty(folder)) << folder;
      }
    }
  }
}

// The default folder lies inside the application's data folder, which is
// checked too.
TEST(RecorderFolders, TheApplicationsDataFolderIsCheckedForTheDefaultFolder) {
  TempFolder temp;
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string savedValue = saved != nullptr ? saved : "";
  ::setenv("XDG_DATA_HOME", temp.path().c_str(), 1);
  fs::create_directory(temp.path() / "brenmark");
  fs::permissions(temp.path() / "brenmark", fs::perms::all);
  const std::string problem = VirtualRecorderProvider().recorders()[0]->StartupProblem();
  if (saved != nullptr) {
    ::setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
  EXPECT_TRUE(Contains(problem, (temp.path() / "brenmark").string() + " can be written by other users")) << problem;
  EXPECT_FALSE(fs::exists(temp.path() / "brenmark" / "virtual-cd"));
}

// The layout of earlier builds (recorders one level down, in
// "virtual-recorders") moves up once, and paths kept into it still lead to
// their files; where the new layout already stands, nothing moves.
TEST(RecorderFolders, TheEarlierLayoutMovesUpAndItsPathsStillLead) {
  TempFolder temp;
  const fs::path earlier = temp.path() / "virtual-recorders";
  fs::create_directories(earlier / "virtual-cd");
  fs::create_directories(earlier / "burned discs");
  std::ofstream(earlier / "burned discs" / "disc.cue") << kPrecious;
  { VirtualRecorderProvider provider(temp.path()); }
  EXPECT_TRUE(fs::is_directory(temp.path() / "virtual-cd"));
  EXPECT_TRUE(Untouched(temp.path() / "burned discs" / "disc.cue"));
  EXPECT_TRUE(Untouched(earlier / "burned discs" / "disc.cue"));

  TempFolder both;
  fs::create_directories(both.path() / "virtual-recorders" / "virtual-cd");
  fs::create_directories(both.path() / "burned discs");
  { VirtualRecorderProvider provider(both.path()); }
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(both.path() / "virtual-recorders" / "virtual-cd")));
}

// A link planted in the work folder in place of each file the recorder writes:
// the command or tray action that needed the file fails as a write error
// naming it and the link, and the file the link points to stays as it was.
TEST(RecorderFolders, PlantedLinksAreNeverWrittenThrough) {
  struct Case {
    const char* planted;
    bool byTrayAction;  // else by the first write of a disc
  };
  for (const Case& c : {Case{"disc.bin", false}, Case{"disc.state.new", false}, Case{"tray.new", true}}) {
    SCOPED_TRACE(c.planted);
    RecorderHarness harness;
    std::vector<std::string> problems;
    harness.recorder().SetWriteProblemObserver([&](const std::string& problem) { problems.push_back(problem); });
    const fs::path precious = harness.folder() / "precious";
    WriteFile(precious, kPrecious);
    fs::create_symlink(precious, harness.folder() / "work" / c.planted);
    std::string told;
    if (c.byTrayAction) {
      const TrayResult result = harness.recorder().InsertBlank(MediumKind::CdR, 74);
      EXPECT_FALSE(result.ok);
      told = result.message;
    } else {
      ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
      EXPECT_EQ(harness.Write(0, 2, Pattern(2, 2048, 1)), TransportResult::DeviceFailure);
      EXPECT_EQ(harness.sense(), sense::kWriteError);
      ASSERT_EQ(problems.size(), 1u);
      told = problems[0];
    }
    EXPECT_TRUE(Contains(told, c.planted)) << told;
    EXPECT_TRUE(Contains(told, "a symbolic link stands in its place and is not followed")) << told;
    EXPECT_TRUE(Untouched(precious));
  }
}

// A link where the lock is taken is not followed: the lock cannot be taken,
// so the recorder is refused, naming it. (Links where a file is replaced
// whole, the state file and the tray record, are replaced: the atomic
// write's own test, platform's TextFileTest.)
TEST(RecorderFolders, ALinkInPlaceOfTheLockIsNotFollowed) {
  RecorderHarness harness;
  const fs::path work = harness.folder() / "work";
  const fs::path precious = harness.folder() / "precious";
  WriteFile(precious, kPrecious);
  harness.Restart([&] {
    fs::remove(work / ".lock");
    fs::create_symlink(precious, work / ".lock");
  });
  const TrayResult refused = harness.recorder().InsertBlank(MediumKind::CdR, 74);
  EXPECT_FALSE(refused.ok);
  EXPECT_TRUE(Contains(refused.message, (work / ".lock").string() + ": ")) << refused.message;
  EXPECT_TRUE(Untouched(precious));
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
