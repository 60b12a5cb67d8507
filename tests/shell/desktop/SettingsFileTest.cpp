// The remembered settings' own file: what it takes as its own, what it
// ignores, and what it writes.
#include <gtest/gtest.h>

#include <fstream>

#include "shell/desktop/SettingsFile.h"
#include "tests/support/TempFolder.h"

namespace brenmark::desktop {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SettingsFileTest, OnlyAWholeSettingsFileIsTaken) {
  struct Case {
    const char* text;
    const char* drive;  // what is read back; "" when the file is ignored
  };
  const Case cases[] = {
      {"[Brenmark]\ndrive=virtual-dvd: X\nfolderToBurn=/a=b\n", "virtual-dvd: X"},
      {"[Brenmark]\r\n\r\ndrive=sr0: Y\r\n", "sr0: Y"},  // saved by a Windows editor
      {"", ""},
      {"drive=sr0: Y\n", ""},                          // no section
      {"[Other]\ndrive=sr0: Y\n", ""},                 // another program's
      {"[Brenmark]\ndrive=sr0: Y\ngarbage\n", ""},     // damaged
      {"[Brenmark]\n=sr0\n", ""},                      // no key
      {"[Brenmark]\ndrive=sr0:\tY\n", ""},             // control character
      {"\x7f" "ELF\x01\x01\x01", ""},                  // not text
  };
  testsupport::TempFolder folder{"settings"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::ofstream(folder.path() / "brenmark.ini", std::ios::binary | std::ios::trunc) << c.text;
    SettingsFile settings(folder.path() / "brenmark.ini");
    EXPECT_EQ(settings.Read(SettingsStore::kDrive), c.drive);
  }
  std::ofstream(folder.path() / "brenmark.ini", std::ios::binary | std::ios::trunc)
      << "[Brenmark]\ndrive=" << std::string(70 * 1024, 'x') << "\n";
  EXPECT_EQ(SettingsFile(folder.path() / "brenmark.ini").Read(SettingsStore::kDrive), "");
}

// Every change rewrites the whole file (replaced in one step, never through a
// link: platform's TextFileTest); a link at its name is not read; where
// nothing can be written, the values are still remembered for the run.
TEST(SettingsFileTest, WritesTheWholeFileAndReadsNoLink) {
  testsupport::TempFolder folder{"settings"};
  const fs::path path = folder.path() / "data" / "brenmark.ini";
  {
    SettingsFile settings(path);
    settings.Write(SettingsStore::kDrive, "virtual-cd: A");
    settings.Write(SettingsStore::kOutputFolder, "/music/out");
    settings.Write(SettingsStore::kFolderToBurn, "/two\nlines");
    // Keys the file could not give back: it would be ignored as a whole.
    for (const char* key : {"", "two\nlines", "tab\there", "a=b"}) settings.Write(key, "/x");
  }
  EXPECT_EQ(Contents(path), "[Brenmark]\ndrive=virtual-cd: A\noutputFolder=/music/out\n");

  fs::rename(path, folder.path() / "elsewhere.ini");
  fs::create_symlink(folder.path() / "elsewhere.ini", path);
  EXPECT_EQ(SettingsFile(path).Read(SettingsStore::kDrive), "");

  fs::remove(path);
  fs::create_directory(path);
  SettingsFile blocked(path);
  blocked.Write(SettingsStore::kDrive, "virtual-cd: C");
  EXPECT_EQ(blocked.Read(SettingsStore::kDrive), "virtual-cd: C");
  EXPECT_TRUE(fs::is_directory(path));
}

}  // namespace
}  // namespace brenmark::desktop
