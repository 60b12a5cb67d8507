#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/DataFolder.h"
#include "platform/Directory.h"
#include "platform/File.h"
#include "platform/FileStatus.h"
#include "platform/FileSystem.h"
#include "platform/FolderLock.h"
#include "platform/PrivateFolder.h"
#include "platform/Terminal.h"
#include "platform/Utf8Path.h"
#include "platform/windows/WideText.h"

namespace brenmark::platform {
namespace {

namespace fs = std::filesystem;

// Names the ANSI calls of a Western code page cannot spell.
const std::string kFolderName = "Mu\xCC\x88sik \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC";  // Müsik – 日本
const std::string kFileName = "\xCE\xB1\xCE\xB2\xCE\xB3 \xF0\x9F\x8E\xB5.txt";          // αβγ 🎵.txt

class WindowsFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("brenmark-files-" + std::to_string(GetCurrentProcessId()));
    std::error_code ignored;
    fs::remove_all(root_, ignored);  // left by an earlier run with the same process id
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  // Writes through the platform layer, as the engine does.
  void Write(const fs::path& path, const std::string& text) {
    File file;
    ASSERT_TRUE(file.OpenForWriting(path, true)) << file.lastError();
    ASSERT_TRUE(file.WriteAt(0, text.data(), text.size())) << file.lastError();
    ASSERT_TRUE(file.Close());
  }
  fs::path root_;
};

TEST_F(WindowsFilesTest, NamesOutsideTheCodePageAreListedStatedAndRead) {
  const fs::path folderPath = root_ / PathFromUtf8(kFolderName);
  fs::create_directories(folderPath);
  Write(folderPath / PathFromUtf8(kFileName), "twelve bytes");

  Directory root;
  ASSERT_TRUE(root.Open(root_)) << root.lastError();
  std::vector<std::string> names;
  ASSERT_TRUE(root.List(names));
  EXPECT_EQ(names, std::vector<std::string>{kFolderName});

  Directory folder;
  ASSERT_TRUE(folder.OpenAt(root, kFolderName)) << folder.lastError();
  ASSERT_TRUE(folder.List(names));
  EXPECT_EQ(names, std::vector<std::string>{kFileName});

  const auto status = folder.StatusOf(kFileName);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->kind, FileKind::Regular);
  EXPECT_EQ(status->size, 12u);
  EXPECT_GT(status->creationTime, 1500000000);
  const auto byPath = ReadFileStatus(folderPath / PathFromUtf8(kFileName));
  ASSERT_TRUE(byPath);
  EXPECT_EQ(byPath->inode, status->inode);
  EXPECT_EQ(root.StatusOf(kFolderName)->kind, FileKind::Directory);

  File file;
  ASSERT_TRUE(file.OpenSourceAt(folder, kFileName)) << file.lastError();
  char text[32] = {};
  const std::int64_t got = file.Read(text, sizeof text);
  EXPECT_EQ(std::string(text, static_cast<std::size_t>(got)), "twelve bytes");
  EXPECT_EQ(Utf8FromPath(folderPath.filename()), kFolderName);
}

TEST_F(WindowsFilesTest, PositionalTransfersSizesAndErrors) {
  File file;
  ASSERT_TRUE(file.OpenForWriting(root_ / "written", true));
  ASSERT_TRUE(file.WriteAt(4096, "x", 1));
  EXPECT_EQ(file.Status()->size, 4097u);
  char bytes[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(file.ReadAt(4092, bytes, sizeof bytes), 5);  // short at the end
  EXPECT_EQ(std::string(bytes, 5), std::string("\0\0\0\0x", 5));
  EXPECT_EQ(file.ReadAt(9000, bytes, sizeof bytes), 0);
  // Positional transfers leave the sequential position alone.
  ASSERT_TRUE(file.WriteAt(0, "ab", 2));
  EXPECT_EQ(file.Read(bytes, 2), 2);
  EXPECT_EQ(std::string(bytes, 2), "ab");
  EXPECT_EQ(file.ReadAt(4096, bytes, 1), 1);
  EXPECT_EQ(file.Read(bytes, 1), 1);
  EXPECT_EQ(bytes[0], '\0');
  ASSERT_TRUE(file.Resize(10));
  EXPECT_EQ(file.Status()->size, 10u);
  ASSERT_TRUE(file.Sync());
  ASSERT_TRUE(file.Close());

  File readOnly;
  ASSERT_TRUE(readOnly.OpenForReading(root_ / "written"));
  EXPECT_FALSE(readOnly.WriteAt(0, "x", 1));
  EXPECT_FALSE(readOnly.lastError().empty());

  std::string error;
  EXPECT_FALSE(ReadFileStatus(root_ / "missing", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(File().OpenForWriting(root_ / "no folder" / "file", true));
  EXPECT_TRUE(RemoveFile(root_ / "missing", error));
  Directory notAFolder;
  EXPECT_FALSE(notAFolder.Open(root_ / "written"));
}

TEST_F(WindowsFilesTest, RenameReplacesAFile) {
  Write(root_ / "old", "old");
  Write(root_ / "new", "new");
  std::string error;
  ASSERT_TRUE(RenameFile(root_ / "new", root_ / "old", error)) << error;
  EXPECT_TRUE(SyncFolder(root_, error)) << error;
  EXPECT_FALSE(SyncFolder(root_ / "missing", error));
  std::ifstream in(root_ / "old");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "new");
  EXPECT_TRUE(CanWriteInFolder(root_, error)) << error;
  EXPECT_FALSE(CanWriteInFolder(root_ / "missing", error));
  EXPECT_FALSE(error.empty());
}

// Output files never replace or go through what is at their names unless told
// to; a symbolic link is seen as itself where the system lets this user make one.
TEST_F(WindowsFilesTest, OutputFilesAreCreatedNewAndReplaceNothingUnlessAsked) {
  Write(root_ / "mine", "mine");
  File file;
  EXPECT_FALSE(file.CreateNew(root_ / "mine"));
  ASSERT_TRUE(file.CreateNew(root_ / "grabbed")) << file.lastError();
  ASSERT_TRUE(file.Close());
  std::string error;
  EXPECT_FALSE(RenameFileNoReplace(root_ / "grabbed", root_ / "mine", error));
  EXPECT_EQ(fs::file_size(root_ / "mine"), 4u);
  ASSERT_TRUE(RenameFileNoReplace(root_ / "grabbed", root_ / "free", error)) << error;
  EXPECT_EQ(LookAtEntry(root_ / "grabbed"), EntryAtPath::Nothing);
  EXPECT_TRUE(file.OpenForAppending(root_ / "free")) << file.lastError();
  File other;  // each append goes after the other's, as another process's would
  EXPECT_TRUE(other.OpenForAppending(root_ / "free") && file.Append("ab", 2) && other.Append("cd", 2));
  other.Close();
  EXPECT_EQ(fs::file_size(root_ / "free"), 4u);
  EXPECT_FALSE(file.OpenForAppending(root_));

  if (!CreateSymbolicLinkW(ExtendedPath(root_ / "link").c_str(), ExtendedPath(root_ / "mine").c_str(),
                           SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) ||
      LookAtEntry(root_ / "link") != EntryAtPath::Link) {
    return;
  }
  EXPECT_FALSE(file.CreateNew(root_ / "link"));
  EXPECT_FALSE(file.OpenForAppending(root_ / "link"));
  ASSERT_TRUE(RenameFile(root_ / "free", root_ / "link", error)) << error;
  EXPECT_EQ(LookAtEntry(root_ / "link"), EntryAtPath::RegularFile);
  EXPECT_EQ(fs::file_size(root_ / "mine"), 4u);
}

TEST_F(WindowsFilesTest, OneFolderLockHolderWithinAProcess) {
  std::string error;
  FolderLock first = TryLockFolder(root_, error);
  ASSERT_TRUE(first.held()) << error;
  FolderLock second = TryLockFolder(root_, error);
  EXPECT_FALSE(second.held());
  EXPECT_EQ(error, "");
  first.Release();
  EXPECT_TRUE(TryLockFolder(root_, error).held()) << error;
  EXPECT_FALSE(TryLockFolder(root_ / "missing", error).held());
  EXPECT_FALSE(error.empty());
}

// Private folders by any name; opening without following links creates, keeps
// or refuses as asked, and a link (where the system lets the test make one) is
// refused, its target untouched.
TEST_F(WindowsFilesTest, PrivateFoldersAndFilesOpenedWithoutFollowingLinks) {
  const fs::path folder = root_ / PathFromUtf8(kFolderName) / "discs";
  std::string error;
  ASSERT_TRUE(CreatePrivateFolders(folder, error)) << error;
  EXPECT_EQ(CheckPrivateFolder(folder, false), "");
  const fs::path path = folder / PathFromUtf8(kFileName);
  File file;
  EXPECT_FALSE(file.OpenForWritingNoFollow(path, File::NoFollowOpening::Existing));
  ASSERT_TRUE(file.OpenForWritingNoFollow(path, File::NoFollowOpening::CreateNew)) << file.lastError();
  ASSERT_TRUE(file.WriteAt(0, "kept", 4));
  file.Close();
  EXPECT_FALSE(file.OpenForWritingNoFollow(path, File::NoFollowOpening::CreateNew));
  ASSERT_TRUE(file.OpenForWritingNoFollow(path, File::NoFollowOpening::CreateOrKeep)) << file.lastError();
  EXPECT_EQ(file.Status()->size, 4u);
  file.Close();

  const fs::path link = folder / "link";
  // Wine's call says it made a link and makes none.
  if (!CreateSymbolicLinkW(link.c_str(), path.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) ||
      GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "this system makes no symbolic links for the test";
  }
  EXPECT_FALSE(file.OpenForWritingNoFollow(link, File::NoFollowOpening::CreateOrKeep));
  EXPECT_NE(file.lastError().find("not followed"), std::string::npos) << file.lastError();
  EXPECT_EQ(fs::file_size(path), 4u);
}

// The extended forms name what the plain forms name, and every message shows
// backslashes only, whatever mix a path was put together from.
TEST(WindowsPathForms, ExtendedFormsAreTheirPlainPathsAndMessagesUseBackslashes) {
  const struct {
    const char* given;
    const wchar_t* plain;
  } forms[] = {
      {"\\\\?\\C:\\Data\\disc.cue", L"C:\\Data\\disc.cue"},
      {"\\\\?\\unc\\server\\share\\x", L"\\\\server\\share\\x"},
      {"\\\\?\\UNC\\server\\share\\Discs", L"\\\\server\\share\\Discs"},
      {"\\\\?\\GLOBALROOT\\Device\\Cdrom0", L"\\\\?\\GLOBALROOT\\Device\\Cdrom0"},
      {"C:/Data\\burned discs/name. ", L"C:\\Data\\burned discs\\name. "},
      {"relative/folder", L"relative\\folder"},
  };
  for (const auto& form : forms) {
    EXPECT_EQ(PathFromUtf8(form.given).wstring(), form.plain) << form.given;
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(form.given)), Utf8FromWide(form.plain)) << form.given;
  }
  EXPECT_EQ(ExtendedPath(PathFromUtf8("\\\\?\\UNC\\server\\share\\x")), L"\\\\?\\UNC\\server\\share\\x");
  EXPECT_EQ(ExtendedPath(PathFromUtf8("\\\\?\\C:\\a\\..\\b\\name. ")), L"\\\\?\\C:\\b\\name. ");
}

// Names that end in a dot or a space (which other systems make) are entries of
// their own, reached by their full name, through either form of the path.
TEST_F(WindowsFilesTest, NamesEndingInADotOrASpaceAreTheirOwnEntries) {
  Write(root_ / "name", "plain");
  Write(root_ / "name.", "dot");
  Write(root_ / "name ", "space");
  Directory folder;
  ASSERT_TRUE(folder.Open(PathFromUtf8("\\\\?\\" + Utf8FromPath(root_)))) << folder.lastError();
  std::vector<std::string> names;
  ASSERT_TRUE(folder.List(names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"name", "name ", "name."}));
  for (const auto& [name, text] : {std::pair{"name.", "dot"}, std::pair{"name ", "space"}}) {
    File file;
    ASSERT_TRUE(file.OpenForReading(PathFromUtf8("\\\\?\\" + Utf8FromPath(root_ / name)))) << file.lastError();
    EXPECT_EQ(file.Status()->size, std::string(text).size()) << name;
    ASSERT_TRUE(file.OpenSourceAt(folder, name)) << file.lastError();
    EXPECT_EQ(file.Status()->size, std::string(text).size()) << name;
  }
  // The standard library's removal cannot reach these names (and keeps trying).
  std::string error;
  for (const char* name : {"name.", "name "}) EXPECT_TRUE(RemoveFile(root_ / name, error)) << error;
}

// Text reaches a console as its characters, even in a code page that cannot
// spell them, and a pipe as its UTF-8 bytes. Wine makes a console only for a
// program with a display: the test command runs the console part under a
// virtual display, with BRENMARK_TEST_CONSOLE set.
TEST(WindowsConsole, TextReachesAConsoleAsCharactersAndAPipeAsUtf8) {
  const std::string text = "\xCE\xB1\xCE\xB2\xCE\xB3 \xD0\x9F\xD1\x80\xD0\xB8 \xE2\x80\x93 \xC3\xBC";  // αβγ При – ü
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  std::FILE* piped = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), 0), "wb");
  ASSERT_NE(piped, nullptr);
  PrintText(piped, "%s %d\n", text.c_str(), 7);
  std::fclose(piped);
  std::string received(64, '\0');
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(readEnd, received.data(), static_cast<DWORD>(received.size()), &got, nullptr));
  CloseHandle(readEnd);
  EXPECT_EQ(received.substr(0, got), text + " 7\n");

  // Making a console where there is none takes Wine half a minute.
  if (std::getenv("BRENMARK_TEST_CONSOLE") == nullptr) GTEST_SKIP() << "the console is checked with BRENMARK_TEST_CONSOLE=1";
  FreeConsole();
  AllocConsole();
  const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  ASSERT_TRUE(console != INVALID_HANDLE_VALUE && GetConsoleMode(console, &mode)) << "no console to write on";
  SetConsoleOutputCP(1252);
  CONSOLE_SCREEN_BUFFER_INFO before{};
  ASSERT_TRUE(GetConsoleScreenBufferInfo(console, &before));
  std::FILE* stream = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(console), 0), "w");
  ASSERT_NE(stream, nullptr);
  WriteText(stream, text + "\n");
  const std::wstring wide = WideFromUtf8(text);
  std::wstring shown(wide.size(), L'\0');
  DWORD read = 0;
  ASSERT_TRUE(ReadConsoleOutputCharacterW(console, shown.data(), static_cast<DWORD>(shown.size()),
                                          COORD{0, before.dwCursorPosition.Y}, &read));
  EXPECT_EQ(shown, wide);
  std::fclose(stream);
  FreeConsole();
}

TEST(WindowsDataFolder, TheUsersLocalApplicationData) {
  const std::wstring saved = _wgetenv(L"LOCALAPPDATA") ? _wgetenv(L"LOCALAPPDATA") : L"";
  _wputenv_s(L"LOCALAPPDATA", L"D:\\Users\\T\xE9ster\\AppData\\Local");
  EXPECT_EQ(ApplicationDataFolder(), fs::path(L"D:\\Users\\T\xE9ster\\AppData\\Local\\Brenmark"));
  _wputenv_s(L"LOCALAPPDATA", saved.c_str());
}

}  // namespace
}  // namespace brenmark::platform
