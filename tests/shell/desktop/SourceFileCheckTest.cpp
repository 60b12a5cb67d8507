// Audio and video files checked as they are added to a list: each refused
// file with its reason, each accepted one with its length or size, and the
// list's totals against an 80-minute CD.
#include <gtest/gtest.h>

#include "shell/desktop/SourceFileCheck.h"
#include "shell/desktop/SourceListEdit.h"
#include "tests/audio/WavBytes.h"
#include "tests/support/TempFolder.h"
#include "vcd/MpegStreamCheck.h"

namespace brenmark::desktop {
namespace {

using audio::test::WriteBytes;

// One pack and a video packet holding a 352x240 MPEG-1 sequence header.
const std::string kMpegOneStart = std::string("\x00\x00\x01\xBA\x21\x00\x01\x00\x01\x80\x00\x01", 12) +
                                  std::string("\x00\x00\x01\xE0\x00\x19\xFF\xFF\x21\x00\x01\x00\x01", 13) +
                                  std::string("\x00\x00\x01\xB3\x16\x00\xF0\xC4\x02\x3A\x98\x80\x00\x00\x01\xB8\x14\x8A", 18);

std::string Wav(std::size_t seconds, audio::test::WavFormat format = {}) {
  return audio::test::Riff({audio::test::FormatChunk(format),
                            audio::test::Chunk("data", audio::test::Samples(seconds * 44100 * 4, 1))});
}

struct FileCase {
  JobKind kind;
  std::string name;
  std::string bytes;  // empty: nothing is written at the name
  std::string text;   // what the list shows beside it; a refusal is matched by its start
};

TEST(SourceFileCheck, EachFileAcceptedWithItsLengthOrRefusedWithItsReason) {
  testsupport::TempFolder folder("source-check");
  std::filesystem::create_directory(folder.path() / "folder.wav");
  const std::vector<FileCase> cases = {
      {JobKind::AudioCd, "ten.wav", Wav(10), "0:10"},
      {JobKind::AudioCd, "short.wav", Wav(1), "0:04 (padded to four seconds)"},
      {JobKind::AudioCd, "mono.wav", Wav(2, {.channels = 1}), "Refused: not a WAV file"},
      {JobKind::AudioCd, "text.wav", "just some words", "Refused: not a WAV file"},
      {JobKind::AudioCd, "missing.wav", "", "Refused: cannot be read: "},
      {JobKind::AudioCd, "folder.wav", "", "Refused: cannot be read: "},
      {JobKind::VideoCd, "movie.mpg", kMpegOneStart + std::string(2 * 1024 * 1024, '\xB9'), "2.0 MB"},
      {JobKind::VideoCd, "words.mpg", "just some words",
       std::string("Refused: ") + vcd::MpegRefusalReason(vcd::MpegStreamKind::NotProgramStream)},
      {JobKind::VideoCd, "folder.wav", "", "Refused: cannot be read: "},
  };
  for (const FileCase& c : cases) {
    const std::string path = (folder.path() / c.name).string();
    if (!c.bytes.empty()) WriteBytes(path, c.bytes);
    const CheckedFile checked = CheckSourceFile(c.kind, path);
    const std::string text = CheckedFileText(c.kind, checked);
    EXPECT_EQ(text.substr(0, c.text.size()), c.text) << c.name << ": " << text;
    EXPECT_EQ(checked.problem.empty(), text.rfind("Refused", 0) != 0) << c.name;
  }

  // An empty video file is read, and refused for what it holds.
  WriteBytes(folder.path() / "empty.mpg", "");
  EXPECT_EQ(CheckSourceFile(JobKind::VideoCd, (folder.path() / "empty.mpg").string()).problem,
            vcd::MpegRefusalReason(vcd::MpegStreamKind::Empty));
}

TEST(SourceFileCheck, TotalsAgainstAnEightyMinuteCdAndWhenOkTakesTheList) {
  const CheckedFile hour{"a.wav", "", 635040000, 60 * 60 * 75};
  const CheckedFile halfHour{"b.wav", "", 317520000, 30 * 60 * 75};
  const CheckedFile refused{"c.wav", "not a WAV file", 0, 0};
  EXPECT_EQ(SourceListTotals(JobKind::AudioCd, {hour}), "Total: 1 file, 60:00, 605.6 MB - 75% of an 80-minute CD.");
  EXPECT_EQ(SourceListTotals(JobKind::AudioCd, {hour, halfHour, refused}),
            "Total: 3 files, 90:00, 908.4 MB - 112% of an 80-minute CD, more than it holds; 1 refused.");
  EXPECT_EQ(SourceListTotals(JobKind::VideoCd, {{"m.mpg", "", 23240000, 10000}}),
            "Total: 1 file, 22.2 MB - 2% of an 80-minute CD.");
  EXPECT_EQ(SourceListTotals(JobKind::VideoCd, {}), "Total: 0 files, 0.0 MB - 0% of an 80-minute CD.");

  EXPECT_TRUE(SourceListAcceptable({hour, halfHour}));
  EXPECT_FALSE(SourceListAcceptable({}));
  EXPECT_FALSE(SourceListAcceptable({hour, refused}));
}

// A choice lists the one chosen last at the top and, past the limit, only
// the first ones chosen, saying so.
TEST(SourceListEdit, AChoiceListedLastFirstUpToTheLimit) {
  const ChosenList all = ListChosenFiles(JobKind::AudioCd, {"a", "b", "c"}, 5);
  const ChosenList cut = ListChosenFiles(JobKind::AudioCd, {"a", "b", "c"}, 2);
  ASSERT_EQ(std::make_pair(all.files.size(), cut.files.size()), std::make_pair(std::size_t{3}, std::size_t{2}));
  EXPECT_EQ(all.files[0].path + all.files[2].path + all.note, "ca");
  EXPECT_EQ(cut.files[0].path + cut.files[1].path + ": " + cut.note,
            "ba: 3 files were chosen, but a disc's list takes at most 2: only the first 2 are listed.");
}

// The user's corrections keep the list whole: a move at either end or a row
// outside the list changes nothing, and the selection follows the file.
TEST(SourceListEdit, MovesAndRemovalsKeepEveryOtherFileInPlace) {
  const struct {
    const char* name;
    int row, step;  // step 0: remove
    std::string order;
    int selected;
  } cases[] = {
      {"up", 1, -1, "bac", 0},        {"down", 1, 1, "acb", 2},       {"top up", 0, -1, "abc", 0},
      {"bottom down", 2, 1, "abc", 2}, {"outside", 5, 1, "abc", -1},   {"remove middle", 1, 0, "ac", 1},
      {"remove last", 2, 0, "ab", 1},  {"remove outside", -1, 0, "abc", 0},
  };
  for (const auto& c : cases) {
    std::vector<CheckedFile> files{{"a", ""}, {"b", ""}, {"c", ""}};
    const int selected = c.step == 0 ? RemoveSourceFile(files, c.row) : MoveSourceFile(files, c.row, c.step);
    std::string order;
    for (const CheckedFile& file : files) order += file.path;
    EXPECT_EQ(std::make_pair(order, selected), std::make_pair(c.order, c.selected)) << c.name;
  }
}

}  // namespace
}  // namespace brenmark::desktop
