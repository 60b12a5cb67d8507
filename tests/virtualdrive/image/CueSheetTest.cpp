#include "virtualdrive/image/CueSheet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace brenmark::virtualdrive {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const fs::path kCueFolder = fs::path(BRENMARK_TESTDATA_DIR) / "cue";

// Recorded sheets, and one written by hand with a byte order mark, lower-case
// keywords, CRLF, an unquoted name, comments and extra indexes inside a track.
TEST(CueSheetTest, ParsesRecordedSheetsAndCommonVariations) {
  const std::pair<std::string, CueSheet> sheets[] = {
      {ReadText(kCueFolder / "isofs-m1.cue"),
       {"ISOFS-M1.BIN", "0000012101954", {{1, CueTrackMode::Mode1Raw, {}, 0}}}},
      {ReadText(kCueFolder / "cdda.cue"),
       {"CDDA.BIN",
        "0000010271955",
        {{1, CueTrackMode::Audio, {}, 0, {}, {}, {"Test Title", "Test Performer", ""}}},
        {"Test Title", "Test Performer", ""}}},
      {"\xEF\xBB\xBFrem made by hand\r\n"
       "file image.bin binary\r\n"
       "  track 01 mode2/2352\r\n"
       "    index 01 00:00:00\r\n"
       "  TRACK 02 audio\r\n"
       "    PERFORMER \"Someone\"\r\n"
       "    FLAGS DCP PRE\r\n"
       "    ISRC ABCDE1234567\r\n"
       "    INDEX 00 00:10:00\r\n"
       "    INDEX 01 00:12:00\r\n"
       "    INDEX 02 00:20:00\r\n"
       "    INDEX 03 01:00:74\r\n",
       {"image.bin",
        "",
        {{1, CueTrackMode::Mode2Raw, {}, 0},
         {2, CueTrackMode::Audio, 750, 900, {1500, 4574}, "ABCDE1234567", {"", "Someone", ""}}}}},
  };
  for (const auto& [text, sheet] : sheets) {
    const CueParseResult parsed = ParseCueSheet(text);
    ASSERT_TRUE(parsed.sheet) << sheet.binFileName << ": " << parsed.error;
    EXPECT_EQ(*parsed.sheet, sheet) << sheet.binFileName;
  }
}

TEST(CueSheetTest, RefusesEveryMalformedRecordedSheetNamingTheLine) {
  const std::map<std::string, std::string> expectedLine = {
      {"bad-cat1.cue", "line 3: "},  {"bad-cat2.cue", "line 3: "},  {"bad-cat3.cue", "line 3: "},
      {"bad-mode1.cue", "line 5: "}, {"bad-msf-1.cue", "line 6: "}, {"bad-msf-2.cue", "line 6: "},
      {"bad-msf-3.cue", "line 6: "}};
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(kCueFolder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("bad-", 0) != 0) continue;
    ++seen;
    const CueParseResult result = ParseCueSheet(ReadText(entry.path()));
    EXPECT_FALSE(result.sheet) << name;
    ASSERT_TRUE(expectedLine.count(name)) << "new bad sheet " << name << ": " << result.error;
    EXPECT_EQ(result.error.rfind(expectedLine.at(name), 0), 0u) << name << ": " << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos);
  }
  EXPECT_EQ(seen, 7);
}

TEST(CueSheetTest, RefusesInconsistentSheetsWithTheirLine) {
  const std::string file = "FILE \"a.bin\" BINARY\n";
  const std::string track1 = "TRACK 01 MODE1/2352\nINDEX 01 00:00:00\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "the cue sheet is empty"},
      {"REM nothing\n", "line 1: the sheet names no FILE"},
      {"TRACK 01 AUDIO\n", "line 1: TRACK before any FILE"},
      {file + "TRACK 01 AUDIO\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
       "line 2: track 01 has no INDEX 01"},
      {file + "TRACK 01 AUDIO\nINDEX 00 00:00:00\n", "line 2: track 01 has no INDEX 01"},
      {file + track1 + "TRACK 03 AUDIO\n", "line 4: track 03 does not follow track 01"},
      {file + track1 + "TRACK 02 AUDIO\nINDEX 01 00:00:00\n",
       "line 5: track 01 has no sectors: the next track starts at 00:00:00"},
      {file + "TRACK 01 AUDIO\nINDEX 01 00:05:00\nTRACK 02 AUDIO\nINDEX 00 00:04:00\n",
       "line 5: INDEX time 00:04:00 lies before the previous index (00:05:00)"},
      {file + "TRACK 01 AUDIO\nINDEX 01 00:00:00\nINDEX 00 00:01:00\n",
       "line 4: INDEX 00 comes after INDEX 01"},
      {file + "FILE \"b.bin\" BINARY\n", "line 2: only one FILE per sheet is supported"},
      {"FILE \"a.wav\" WAVE\n", "line 1: FILE type WAVE is not supported (only BINARY)"},
      {"FILE \"a.bin BINARY\n", "line 1: unterminated quoted text"},
      {"FILE \"a\tb.bin\" BINARY\n", "line 1: FILE name contains control characters"},
      {file + "TRACK 01 MODE1/2048\n",
       "line 2: track mode MODE1/2048 is not supported (only AUDIO, MODE1/2352 and MODE2/2352)"},
      {file + "TRACK 100 AUDIO\n", "line 2: track number \"100\" is not between 01 and 99"},
      {file + "TRACK 01 AUDIO\nPREGAP 00:02:00\n",
       "line 3: PREGAP is not supported: gaps must be stored in the file (INDEX 00)"},
      {file + "TRACK 01 AUDIO\nINDEX 01 00:00\n", "line 3: INDEX time \"00:00\" is not mm:ss:ff"},
      {file + "TRACK 01 AUDIO\nISRC 12345\n", "line 3: ISRC \"12345\" is not 5 letters or digits and 7 digits"},
  };
  for (const auto& [text, error] : cases) {
    const CueParseResult result = ParseCueSheet(text);
    EXPECT_FALSE(result.sheet) << text;
    EXPECT_EQ(result.error, error) << text;
  }
}

TEST(CueSheetTest, FormattedSheetParsesBackUnchanged) {
  const CueSheet sheet{"My Disc 1.bin",
                       "0123456789012",
                       {CueTrack{1, CueTrackMode::Mode1Raw, std::nullopt, 0},
                        CueTrack{2, CueTrackMode::Mode2Raw, 1202, 1352},
                        CueTrack{3, CueTrackMode::Audio, 4499, 4500, {4600}, "GBAAA9900001", {"Song", "Band", "Writer"}},
                        CueTrack{4, CueTrackMode::Audio, std::nullopt, 359849}},
                       {"Album \"Live\"", "Band", ""}};
  const std::string text = FormatCueSheet(sheet);
  EXPECT_EQ(text,
            "CATALOG 0123456789012\n"
            "TITLE \"Album 'Live'\"\n"
            "PERFORMER \"Band\"\n"
            "FILE \"My Disc 1.bin\" BINARY\n"
            "  TRACK 01 MODE1/2352\n"
            "    INDEX 01 00:00:00\n"
            "  TRACK 02 MODE2/2352\n"
            "    INDEX 00 00:16:02\n"
            "    INDEX 01 00:18:02\n"
            "  TRACK 03 AUDIO\n"
            "    TITLE \"Song\"\n"
            "    PERFORMER \"Band\"\n"
            "    SONGWRITER \"Writer\"\n"
            "    ISRC GBAAA9900001\n"
            "    INDEX 00 00:59:74\n"
            "    INDEX 01 01:00:00\n"
            "    INDEX 02 01:01:25\n"
            "  TRACK 04 AUDIO\n"
            "    INDEX 01 79:57:74\n");
  const CueParseResult parsed = ParseCueSheet(text);
  ASSERT_TRUE(parsed.sheet) << parsed.error;
  CueSheet expected = sheet;
  expected.texts.title = "Album 'Live'";  // a cue sheet cannot quote a double quote
  EXPECT_EQ(*parsed.sheet, expected);

  const CueSheet noCatalog{"x.bin", "", {CueTrack{1, CueTrackMode::Audio, std::nullopt, 0}}};
  EXPECT_EQ(FormatCueSheet(noCatalog).rfind("FILE \"x.bin\" BINARY\n", 0), 0u);
}

}  // namespace
}  // namespace brenmark::virtualdrive
