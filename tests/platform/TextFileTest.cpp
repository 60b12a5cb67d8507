// Small text files read whole and replaced in one durable step: a reader or a
// power cut finds the old text or the new one, and a sync that fails is a
// failed write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

#include "platform/TextFile.h"
#include "tests/support/SyncFaults.h"
#include "tests/support/TempFolder.h"

namespace brenmark::platform {
namespace {

namespace fs = std::filesystem;

// Read only when small and regular. One sync for the text, one for the
// folder's names. A leftover temporary and a link at the name are replaced,
// the link never written through; a text that cannot be made durable does not
// take the name, and a rename that cannot is a failure though the new text is
// in place.
TEST(TextFile, ReadsOnlySmallFilesAndReplacesThemWholeAndDurably) {
  testsupport::TempFolder folder{"text-files"};
  const fs::path path = folder.path() / "state";
  std::ofstream(folder.path() / "state.new") << "left by a killed process";
  std::ofstream(folder.path() / "target") << "precious";
  fs::create_symlink(folder.path() / "target", path);
  // Read whole through a link, never from a pipe.
  ASSERT_EQ(::mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(ReadTextFile(path, 8), "precious");
  EXPECT_EQ(ReadTextFile(path, 7), std::nullopt);
  for (const char* name : {"missing", "pipe", "."}) EXPECT_EQ(ReadTextFile(folder.path() / name, 8), std::nullopt) << name;

  struct Case {
    int passFirst;
    const char* left;
    std::string error;
  };
  const Case cases[] = {
      {2, "text 2", ""},
      {0, "text 2", "cannot write " + path.string() + ".new: Input/output error"},
      {1, "text 1", "cannot make the new " + path.string() + " durable: Input/output error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.passFirst);
    std::string error;
    testsupport::FailSyncs(c.passFirst);
    EXPECT_EQ(WriteTextFileAtomically(path, "text " + std::to_string(c.passFirst), error), c.error.empty());
    EXPECT_EQ(testsupport::SyncsDone(), std::min(c.passFirst + 1, 2));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(ReadTextFile(path, 100), c.left);
    EXPECT_FALSE(fs::exists(folder.path() / "state.new"));
  }
  testsupport::FailSyncs(0, 0);
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(ReadTextFile(folder.path() / "target", 100), "precious");
}

// The program's own files are read only as what stands at their name: a
// link is not followed, a pipe does not block, and each says why.
TEST(TextFile, OwnFilesAreReadOnlyWhenRegularAndNotThroughALink) {
  testsupport::TempFolder folder{"own-text-files"};
  std::ofstream(folder.path() / "target") << "precious";
  fs::create_symlink(folder.path() / "target", folder.path() / "link");
  ASSERT_EQ(::mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
  std::string error;
  EXPECT_EQ(ReadOwnTextFile(folder.path() / "target", 100, error), "precious");
  // The name, and what the error says ("" for no error: nothing is there).
  const std::pair<const char*, const char*> refused[] = {
      {"missing", ""}, {"link", "not followed"}, {"pipe", "not a regular file"}, {".", "not a regular file"}};
  for (const auto& [name, reason] : refused) {
    EXPECT_EQ(ReadOwnTextFile(folder.path() / name, 100, error), std::nullopt) << name;
    EXPECT_NE(error.find(reason), std::string::npos) << name << ": " << error;
    EXPECT_EQ(error.empty(), *reason == '\0') << name << ": " << error;
  }
}

}  // namespace
}  // namespace brenmark::platform
