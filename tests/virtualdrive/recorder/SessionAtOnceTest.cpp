#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "drive/CdTextPacks.h"
#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kRaw = 2352;

// One cue sheet entry: CTL/ADR, track, index, data form, SCMS, MSF of `lba`.
Bytes Entry(std::uint8_t ctlAdr, std::uint8_t track, std::uint8_t index, std::uint8_t form, std::int32_t lba) {
  const std::int32_t frames = lba + 150;
  return {ctlAdr, track, index, form, 0, static_cast<std::uint8_t>(frames / 4500),
          static_cast<std::uint8_t>(frames / 75 % 60), static_cast<std::uint8_t>(frames % 75)};
}

Bytes Join(std::initializer_list<Bytes> entries) {
  Bytes sheet;
  for (const Bytes& entry : entries) sheet.insert(sheet.end(), entry.begin(), entry.end());
  return sheet;
}

Bytes SendCueSheetCdb(std::size_t length) {
  return {0x5D, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 0};
}

// Two audio tracks: track 1 from 0 with the host's 2-second pregap, track 2
// at 375 after a one-second pregap the drive makes, index 2 at 475, the
// lead-out at 675; a catalogue number and track 2's ISRC.
Bytes AudioSheet() {
  return Join({{0x02, '0', '1', '2', '3', '4', '5', '6'}, {0x02, '7', '8', '9', '0', '1', '2', 0},
               Entry(0x01, 0, 0, 0x01, -150), Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 0),
               {0x03, 2, 'G', 'B', 'A', 'A', 'A', '9'}, {0x03, 2, '9', '0', '0', '0', '0', '1'},
               Entry(0x01, 2, 0, 0x01, 300), Entry(0x01, 2, 1, 0x00, 375), Entry(0x01, 2, 2, 0x00, 475),
               Entry(0x01, 0xAA, 1, 0x01, 675)});
}

class SessionAtOnce : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(harness.SetWriteParameters({.writeType = 2, .dataBlockType = 0, .trackMode = 0}), TransportResult::Good); }

  TransportResult SendCueSheet(const Bytes& sheet) { return harness.SendOut(SendCueSheetCdb(sheet.size()), sheet); }

  RecorderHarness harness;
};

TEST_F(SessionAtOnce, AudioSessionIsWrittenFromTheFirstPregapWithIndexesIsrcAndCatalogue) {
  ASSERT_EQ(SendCueSheet(AudioSheet()), TransportResult::Good);
  const Bytes pregap = Pattern(150, kRaw, 1);
  const Bytes first = Pattern(300, kRaw, 2);
  const Bytes second = Pattern(300, kRaw, 3);
  EXPECT_EQ(harness.Write(0, 1, Pattern(1, kRaw, 0)), TransportResult::DeviceFailure);  // not the first pregap
  EXPECT_EQ(harness.sense(), sense::kInvalidAddressForWrite);
  ASSERT_EQ(harness.Write(-150, 150, pregap), TransportResult::Good);
  ASSERT_EQ(harness.Write(0, 300, first), TransportResult::Good);
  // The drive makes track 2's pregap; the host goes on at its index 1.
  ASSERT_EQ(harness.Write(375, 300, second), TransportResult::Good);
  ASSERT_EQ(harness.Send(cdb::Simple(0x35, 10)), TransportResult::Good);

  const auto info = harness.DiscInformation();
  EXPECT_EQ(info[2] & 0x03, 2);  // complete
  EXPECT_EQ(harness.TrackStart(2), 375);
  const auto toc = harness.Read(cdb::ReadToc(0, false, 100), 100).value();
  EXPECT_EQ(Be32(toc, 4 + 2 * 8 + 4), 675u);  // lead-out
  // Samples back exactly, the drive's pregap as silence.
  EXPECT_EQ(harness.Read(cdb::ReadCd(0, 300, 0xF8), 300 * kRaw), first);
  EXPECT_EQ(harness.Read(cdb::ReadCd(375, 300, 0xF8), 300 * kRaw), second);
  EXPECT_EQ(harness.Read(cdb::ReadCd(300, 75, 0xF8), 75 * kRaw), Bytes(75 * kRaw, 0));
  // The Q channel: index 0 in the pregap, 2 from its start.
  auto withQ = [](std::int32_t lba) {
    Bytes cdb = cdb::ReadCd(lba, 1, 0, 0);
    cdb[10] = 2;
    return cdb;
  };
  EXPECT_EQ(harness.Read(withQ(374), 16).value()[2], 0x00);
  EXPECT_EQ(harness.Read(withQ(476), 16).value()[2], 0x02);
  // One block in a hundred tells the catalogue number (mode 2), another the
  // ISRC (mode 3) of a track that has one: "GB" as 6-bit codes 17h 12h.
  EXPECT_EQ(harness.Read(withQ(125), 16).value()[0] & 0x0F, 2);
  EXPECT_EQ(harness.Read(withQ(175), 16).value()[0] & 0x0F, 1);  // track 1 has no ISRC
  const auto isrcQ = harness.Read(withQ(575), 16).value();
  EXPECT_EQ(isrcQ[0] & 0x0F, 3);
  EXPECT_EQ(isrcQ[1], 0x17 << 2 | 0x12 >> 4);
  // READ SUB-CHANNEL: the catalogue number and track 2's ISRC, valid.
  const Bytes mcnCdb = {0x42, 0, 0x40, 0x02, 0, 0, 0, 0, 24, 0};
  const auto mcn = harness.Read(mcnCdb, 24).value();
  EXPECT_EQ(mcn[8] & 0x80, 0x80);
  EXPECT_EQ(std::string(mcn.begin() + 9, mcn.begin() + 22), "0123456789012");
  const Bytes isrcCdb = {0x42, 0, 0x40, 0x03, 0, 0, 2, 0, 24, 0};
  const auto isrc = harness.Read(isrcCdb, 24).value();
  EXPECT_EQ(isrc[8] & 0x80, 0x80);
  EXPECT_EQ(std::string(isrc.begin() + 9, isrc.begin() + 21), "GBAAA9900001");

  // The kept image says all of it, and the tray takes it back with all of it.
  ASSERT_TRUE(harness.recorder().Eject().ok);
  const auto cue = harness.recorder().LastKeptImage();
  std::string text;
  {
    std::ifstream in(cue);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_NE(text.find("CATALOG 0123456789012"), std::string::npos) << text;
  EXPECT_NE(text.find("ISRC GBAAA9900001"), std::string::npos) << text;
  EXPECT_NE(text.find("INDEX 00 00:04:00\n    INDEX 01 00:05:00\n    INDEX 02 00:06:25"), std::string::npos) << text;
  fs::remove(StatePathFor(cue));
  ASSERT_TRUE(harness.recorder().InsertImage(cue).ok);
  EXPECT_EQ(harness.Read(isrcCdb, 24).value(), isrc);
  EXPECT_EQ(harness.Read(withQ(476), 16).value()[2], 0x02);
}

// Cue sheets a drive refuses, each by the field at fault.
TEST_F(SessionAtOnce, RefusesCueSheetsItCannotWrite) {
  const Bytes leadIn = Entry(0x01, 0, 0, 0x01, -150);
  const Bytes leadOut = Entry(0x01, 0xAA, 1, 0x01, 600);
  const struct {
    const char* what;
    Bytes sheet;
  } cases[] = {
      {"no lead-in entry", Join({Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 0), leadOut})},
      {"no lead-out entry", Join({leadIn, Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 0)})},
      {"first pregap elsewhere", Join({leadIn, Entry(0x01, 1, 1, 0x00, 0), leadOut})},
      {"track 2 overlapping track 1",
       Join({leadIn, Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 300), Entry(0x01, 2, 1, 0x00, 200),
             leadOut})},
      {"track without index 1", Join({leadIn, Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 2, 1, 0x00, 0), leadOut})},
      {"track numbers skipping", Join({leadIn, Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 0),
                                       Entry(0x01, 3, 1, 0x00, 300), leadOut})},
      {"unknown data form", Join({leadIn, Entry(0x01, 1, 0, 0x12, -150), Entry(0x01, 1, 1, 0x12, 0), leadOut})},
      {"control says data for audio", Join({leadIn, Entry(0x01, 1, 0, 0x00, -150), Entry(0x41, 1, 1, 0x00, 0), leadOut})},
      {"catalogue with a letter", Join({{0x02, '0', '1', '2', '3', '4', '5', '6'}, {0x02, '7', '8', '9', 'X', '1', '2', 0},
                                        leadIn, Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 0), leadOut})},
      {"ISRC of another track", Join({leadIn, {0x03, 2, 'G', 'B', 'A', 'A', 'A', '9'}, {0x03, 2, '9', '0', '0', '0', '0', '1'},
                                      Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 0), leadOut})},
      {"unknown address type", Join({leadIn, Entry(0x05, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 0), leadOut})},
      {"beyond the disc", Join({leadIn, Entry(0x01, 1, 0, 0x00, -150), Entry(0x01, 1, 1, 0x00, 0),
                                Entry(0x01, 0xAA, 1, 0x01, 99 * 4500)})},
      {"part of an entry", Bytes(12, 0x01)},
  };
  for (const auto& refused : cases) {
    EXPECT_EQ(SendCueSheet(refused.sheet), TransportResult::DeviceFailure) << refused.what;
    EXPECT_EQ(harness.sense(), sense::kInvalidFieldInParameterList) << refused.what;
  }
  // Track at once selected: the cue sheet comes out of turn.
  ASSERT_EQ(harness.SetWriteParameters({}), TransportResult::Good);
  EXPECT_EQ(SendCueSheet(AudioSheet()), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kCommandSequenceError);
  // Packet and raw writing are not offered; CD Mastering says what is:
  // session at once, test write, CD-RW, R-W sub-channel.
  for (const std::uint8_t writeType : {0, 3}) {
    EXPECT_EQ(harness.SetWriteParameters({.writeType = writeType}), TransportResult::DeviceFailure);
    EXPECT_EQ(harness.sense(), sense::kInvalidFieldInParameterList);
  }
  const auto mastering = harness.Read({0x46, 0x02, 0, 0x2E, 0, 0, 0, 0, 16, 0}, 16).value();
  EXPECT_EQ(Be16(mastering, 8), 0x2Eu);
  EXPECT_EQ(mastering[10] & 0x01, 0x01);  // current
  EXPECT_EQ(mastering[12], 0x67);
}

// A data track of 2048-byte blocks the drive encodes, after CD-TEXT the host
// writes into the lead-in as packed R-W sub-channel; READ TOC format 5 gives
// the packs back.
TEST_F(SessionAtOnce, DataTrackWithCdTextInTheLeadIn) {
  const Bytes sheet = Join({Entry(0x41, 0, 0, 0x54, -150), Entry(0x41, 1, 0, 0x10, -150), Entry(0x41, 1, 1, 0x10, 0),
                            Entry(0x41, 0xAA, 1, 0x14, 300)});
  ASSERT_EQ(SendCueSheet(sheet), TransportResult::Good);
  const auto packs = cdtext::Encode({{cdtext::kTitle, 0, "Disc title"}, {cdtext::kTitle, 1, "Data"},
                                     {cdtext::kPerformer, 0, "Someone"}});
  Bytes leadIn;
  constexpr std::int32_t kLeadInBlocks = 40;
  for (std::size_t at = 0; at < kLeadInBlocks * 4; ++at) {
    const auto symbols = cdtext::ToRwSymbols(packs[at % packs.size()]);
    leadIn.insert(leadIn.end(), symbols.begin(), symbols.end());
  }
  ASSERT_EQ(harness.Write(-150 - kLeadInBlocks, kLeadInBlocks, leadIn), TransportResult::Good);
  ASSERT_EQ(harness.Write(-150, 150, Bytes(150 * 2048, 0)), TransportResult::Good);
  const Bytes data = Pattern(300, 2048, 7);
  ASSERT_EQ(harness.Write(0, 300, data), TransportResult::Good);
  EXPECT_EQ(harness.Read(cdb::Read10(0, 300), 300 * 2048), data);

  const auto toc = harness.Read(cdb::ReadToc(5, false, 4 + 18 * 40), 4 + 18 * 40).value();
  const std::size_t count = (Be16(toc, 0) - 2u) / 18;
  ASSERT_EQ(count, packs.size());
  std::vector<cdtext::Pack> back(count);
  for (std::size_t index = 0; index < count; ++index) std::copy_n(toc.begin() + 4 + 18 * index, 18, back[index].begin());
  EXPECT_EQ(back, packs);
  const auto cue = harness.folder() / "work" / "disc.cue";
  std::ifstream in(cue);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(text.find("TITLE \"Disc title\"\nPERFORMER \"Someone\"\nFILE"), std::string::npos) << text;
  EXPECT_NE(text.find("MODE1/2352\n    TITLE \"Data\""), std::string::npos) << text;
  // The cue sheet alone gives the texts back.
  ASSERT_TRUE(harness.recorder().Eject().ok);
  fs::remove(StatePathFor(harness.recorder().LastKeptImage()));
  ASSERT_TRUE(harness.recorder().InsertImage(harness.recorder().LastKeptImage()).ok);
  EXPECT_EQ(harness.Read(cdb::ReadToc(5, false, 4 + 18 * 40), 4 + 18 * 40).value(), toc);
}

// With another session allowed, a second session at once starts where the
// next session's first track goes: behind the lead-out, lead-in and pregap.
TEST(SessionAtOnceSessions, ASecondSessionFollowsTheFirst) {
  RecorderHarness harness;
  ASSERT_EQ(harness.SetWriteParameters({.writeType = 2, .multiSession = 3}), TransportResult::Good);
  const auto session = [&](int track, std::int32_t start, std::uint32_t seed) {
    const auto number = static_cast<std::uint8_t>(track);
    const Bytes sheet = Join({Entry(0x41, 0, 0, 0x14, start - 150), Entry(0x41, number, 0, 0x10, start - 150),
                              Entry(0x41, number, 1, 0x10, start), Entry(0x41, 0xAA, 1, 0x14, start + 300)});
    EXPECT_EQ(harness.SendOut(SendCueSheetCdb(sheet.size()), sheet), TransportResult::Good);
    EXPECT_EQ(harness.SendOut(cdb::Write12(start - 150, 450), Pattern(450, 2048, seed)), TransportResult::Good);
  };
  session(1, 0, 1);
  EXPECT_EQ(harness.DiscInformation()[2] & 0x03, 1);  // appendable
  const std::int32_t second = 300 + 11400;
  ASSERT_EQ(harness.TrackStart(2), second);
  session(2, second, 2);
  const auto sessions = harness.Read(cdb::ReadToc(1, false, 12), 12).value();
  EXPECT_EQ(sessions[3], 2);  // last session
  EXPECT_EQ(Be32(sessions, 8), static_cast<std::uint32_t>(second));
  const Bytes written = Pattern(450, 2048, 2);
  EXPECT_EQ(harness.Read(cdb::Read10(second, 300), 300 * 2048), Bytes(written.begin() + 150 * 2048, written.end()));
}

// Each data form a data track can be sent in, read back: the raw sector for
// raw forms, the block after sync and header for the 2336-byte ones, the user
// data for the Form 1 block the drive completes.
TEST(SessionAtOnceForms, DataTracksAreStoredInTheFormTheCueSheetNames) {
  struct Form {
    std::uint8_t form;
    std::uint32_t blockBytes;
    std::uint8_t mode;
  };
  for (const Form& data : {Form{0x11, kRaw, 1}, Form{0x21, kRaw, 2}, Form{0x30, 2336, 2}, Form{0x20, 2336, 2}}) {
    SCOPED_TRACE(int{data.form});
    RecorderHarness harness;
    ASSERT_EQ(harness.SetWriteParameters({.writeType = 2, .dataBlockType = 0}), TransportResult::Good);
    const Bytes sheet = Join({Entry(0x41, 0, 0, 0x14, -150), Entry(0x41, 1, 0, data.form, -150),
                              Entry(0x41, 1, 1, data.form, 0), Entry(0x41, 0xAA, 1, 0x14, 300)});
    ASSERT_EQ(harness.SendOut(SendCueSheetCdb(sheet.size()), sheet), TransportResult::Good);
    Bytes blocks = Pattern(450, data.blockBytes, data.form);
    for (std::size_t block = 0; block < 450; ++block) {
      std::uint8_t* at = blocks.data() + block * data.blockBytes;
      if (data.blockBytes == kRaw) at[15] = data.mode;  // a raw sector says its mode
      if (data.form == 0x20) std::fill_n(at, 8, std::uint8_t{0x08});  // the subheader of a Form 1 block
    }
    ASSERT_EQ(harness.SendOut(cdb::Write12(-150, 450), blocks), TransportResult::Good);
    const auto raw = harness.Read(cdb::ReadCd(0, 1, 0xF8), kRaw).value();
    EXPECT_EQ(raw[15], data.mode);
    const std::uint8_t* sent = blocks.data() + 150 * data.blockBytes;
    if (data.form == 0x20) {
      EXPECT_EQ(harness.Read(cdb::Read10(0, 1), 2048), Bytes(sent + 8, sent + 8 + 2048));
    } else {
      const std::size_t skip = kRaw - data.blockBytes;
      EXPECT_EQ(Bytes(raw.begin() + static_cast<std::ptrdiff_t>(skip), raw.end()), Bytes(sent, sent + data.blockBytes));
    }
    EXPECT_EQ(harness.DiscInformation()[2] & 0x03, 2);
  }
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
