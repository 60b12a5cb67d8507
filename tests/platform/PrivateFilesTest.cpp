// Folders and files only their user can change: the decision on owner and
// mode, folders created private, and writes that never go through a link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/File.h"
#include "platform/PrivateFolder.h"
#include "tests/support/Bytes.h"
#include "tests/support/TempFolder.h"

namespace brenmark::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kMe = 1000;

unsigned ModeOf(const fs::path& path) {
  struct stat entry {};
  ::lstat(path.c_str(), &entry);
  return entry.st_mode & 07777;
}

TEST(PrivateFolder, OnlyTheUsersOwnFolderThatNoOneElseCanWriteInIsAccepted) {
  struct Case {
    FolderOwnership facts;
    bool linkAllowed;
    const char* expected;  // in the problem; empty when accepted
  };
  const Case cases[] = {
      {{true, false, kMe, 0700}, false, ""},
      {{true, false, kMe, 0755}, false, ""},
      {{true, false, kMe, 0777}, false, "can be written by other users (mode 0777); make it private with: chmod 700 '/d'"},
      {{true, false, kMe, 01777}, false, "chmod 700"},  // the sticky bit does not stop planted entries
      {{true, false, kMe, 0770}, false, "chmod 700"},
      {{true, false, kMe, 0702}, false, "chmod 700"},
      {{true, false, 0, 0700}, false, "/d is not owned by you (its owner is user 0)"},
      {{true, true, kMe, 0700}, true, ""},
      {{true, true, kMe, 0700}, false, "/d is a symbolic link"},
      {{false, false, kMe, 0600}, false, "/d is not a folder"},
  };
  for (const Case& c : cases) {
    const std::string problem = PrivateFolderProblem("/d", c.facts, kMe, c.linkAllowed);
    if (*c.expected == '\0') {
      EXPECT_EQ(problem, "") << std::oct << c.facts.mode;
    } else {
      EXPECT_NE(problem.find(c.expected), std::string::npos) << problem;
    }
  }
}

TEST(PrivateFolder, FoldersAreCreatedPrivateAndCheckedAsTheSystemHasThem) {
  testsupport::TempFolder temp("private");
  const fs::path root = temp.path();
  const mode_t savedMask = ::umask(0);  // the user's mask cannot widen them
  std::string error;
  const bool created = CreatePrivateFolders(root / "a" / "b" / "c", error);
  ::umask(savedMask);
  ASSERT_TRUE(created) << error;
  for (const fs::path& made : {root / "a", root / "a" / "b", root / "a" / "b" / "c"}) {
    EXPECT_EQ(ModeOf(made), 0700u) << made;
    EXPECT_EQ(CheckPrivateFolder(made, false), "");
  }
  // Folders that exist keep their mode.
  fs::permissions(root / "a", fs::perms::all);
  ASSERT_TRUE(CreatePrivateFolders(root / "a" / "b", error));
  EXPECT_EQ(ModeOf(root / "a"), 0777u);

  const std::string open = CheckPrivateFolder(root / "a", true);
  EXPECT_NE(open.find((root / "a").string() + " can be written by other users (mode 0777)"), std::string::npos) << open;
  EXPECT_EQ(CheckPrivateFolder(root / "missing", false), "");

  fs::create_directory_symlink(root / "a" / "b", root / "link");
  EXPECT_EQ(CheckPrivateFolder(root / "link", true), "");
  EXPECT_NE(CheckPrivateFolder(root / "link", false).find("is a symbolic link"), std::string::npos);

  std::ofstream(root / "file") << "x";
  EXPECT_FALSE(CreatePrivateFolders(root / "file", error));

  // Another user's folder can only be made by root; unprivileged runs have
  // the decision above.
  if (::geteuid() == 0) {
    const fs::path foreign = root / "a" / "b";
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    const std::string problem = CheckPrivateFolder(foreign, true);
    EXPECT_NE(problem.find(foreign.string() + " is not owned by you (its owner is user 65534)"), std::string::npos)
        << problem;
  }
}

TEST(NoFollowOpen, ALinkWhereTheFileGoesIsNeverWrittenThrough) {
  testsupport::TempFolder temp("nofollow");
  const fs::path target = temp.path() / "precious";
  std::ofstream(target) << "precious";
  fs::copy_file(target, temp.path() / "copy");
  const fs::path link = temp.path() / "planted";
  fs::create_symlink(target, link);
  for (const auto how : {File::NoFollowOpening::Existing, File::NoFollowOpening::CreateOrKeep,
                         File::NoFollowOpening::CreateNew}) {
    File file;
    EXPECT_FALSE(file.OpenForWritingNoFollow(link, how));
    EXPECT_NE(file.lastError().find("a symbolic link stands in its place and is not followed"), std::string::npos)
        << file.lastError();
  }
  EXPECT_EQ(testsupport::FileBytes(target), testsupport::FileBytes(temp.path() / "copy"));

  // Otherwise each opening does what it says.
  File file;
  EXPECT_FALSE(file.OpenForWritingNoFollow(target, File::NoFollowOpening::CreateNew));
  EXPECT_EQ(file.lastError(), "File exists");
  EXPECT_FALSE(file.OpenForWritingNoFollow(temp.path() / "absent", File::NoFollowOpening::Existing));
  ASSERT_TRUE(file.OpenForWritingNoFollow(target, File::NoFollowOpening::CreateOrKeep)) << file.lastError();
  ASSERT_TRUE(file.WriteAt(0, "P", 1));
  file.Close();
  EXPECT_EQ(testsupport::FileBytes(target)[0], 'P');
  ASSERT_TRUE(file.OpenForWritingNoFollow(temp.path() / "new", File::NoFollowOpening::CreateNew));
  ASSERT_TRUE(file.WriteAt(0, "n", 1));
  file.Close();
  EXPECT_EQ(ModeOf(temp.path() / "new") & 0077u, 0u);
}

}  // namespace
}  // namespace brenmark::platform
