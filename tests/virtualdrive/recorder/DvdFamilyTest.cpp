#include <gtest/gtest.h>

#include "tests/virtualdrive/recorder/RecorderHarness.h"

namespace brenmark::virtualdrive::testing {
namespace {

cdb::Bytes GetConfiguration() { return {0x46, 0, 0, 0, 0, 0, 0, 0x04, 0x00, 0}; }
cdb::Bytes ReadDvdStructure(std::uint8_t format, std::uint16_t length) {
  return {0xAD, 0, 0, 0, 0, 0, 0, format, cdb::ByteOf(length, 1), cdb::ByteOf(length, 0), 0, 0};
}
cdb::Bytes ReadFormatCapacities() { return {0x23, 0, 0, 0, 0, 0, 0, 0, 252, 0}; }
cdb::Bytes CloseFunction(std::uint8_t function) { return {0x5B, 0, function, 0, 0, 0, 0, 0, 0, 0}; }
cdb::Bytes Blank() { return {0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; }

TransportResult Format(RecorderHarness& harness, std::uint8_t type) {
  std::vector<std::uint8_t> list(12, 0);
  list[3] = 8;
  list[8] = static_cast<std::uint8_t>(type << 2);
  return harness.SendOut({0x04, 0x11, 0, 0, 0, 0}, list);
}

class DvdFamily : public ::testing::Test {
 protected:
  void Load(const char* medium) { ASSERT_TRUE(harness.recorder().InsertBlank(*MediumNamed(medium)).ok); }
  std::uint16_t Profile() { return Be16(harness.Read(GetConfiguration(), 1024).value(), 6); }
  TransportResult Write(std::int32_t lba, std::uint32_t blocks, std::uint32_t seed) {
    return harness.SendOut(cdb::Write12(lba, blocks), Pattern(blocks, 2048, seed));
  }
  // Whether the feature is listed current.
  bool Current(std::uint16_t feature) {
    const auto config = harness.Read(GetConfiguration(), 1024).value();
    for (std::size_t at = 8; at + 4 <= Be32(config, 0) + 4; at += 4 + config[at + 3]) {
      if (Be16(config, at) == feature) return (config[at + 2] & 1) != 0;
    }
    return false;
  }

  RecorderHarness harness{DvdRecorderModel()};
};

TEST_F(DvdFamily, EachBlankNamesItselfAsMmcDescribesIt) {
  struct Case {
    const char* medium;
    std::uint16_t profile;
    std::uint8_t book;
    bool erasable;
    std::uint16_t writeFeature;
    std::uint32_t capacity;
  };
  for (const Case& c : {Case{"dvd-r", 0x11, 0x25, false, 0x002F, 2298496},
                        Case{"dvd-rw", 0x14, 0x32, true, 0x002F, 2297888},
                        Case{"dvd+r", 0x1B, 0xA1, false, 0x002B, 2295104},
                        Case{"dvd+rw", 0x1A, 0x92, true, 0x002A, 2295104}}) {
    SCOPED_TRACE(c.medium);
    Load(c.medium);
    EXPECT_EQ(Profile(), c.profile);
    EXPECT_TRUE(Current(c.writeFeature));
    EXPECT_EQ(harness.Read(ReadDvdStructure(0, 2052), 2052).value()[4], c.book);
    const auto disc = harness.DiscInformation();
    EXPECT_EQ(disc[2], c.erasable ? 0x10 : 0x00);
    EXPECT_EQ(Be32(disc, 20), c.capacity);
    EXPECT_EQ(Be32(harness.Read(ReadFormatCapacities(), 252).value(), 4), c.capacity);
  }
  const auto list = harness.Read(ReadDvdStructure(0xFF, 100), 100).value();
  EXPECT_EQ(Be16(list, 0), 2 + 4 * 4);
  harness.recorder().InsertBlank(MediumKind::CdR);
  EXPECT_FALSE(harness.Read(ReadDvdStructure(0, 2052), 2052));
}

// Incremental sessions: DVD-R closed by the multi-session field, DVD+R by its
// close functions; each later session starts behind the previous border.
TEST_F(DvdFamily, IncrementalSessionsAppendUntilTheDiscIsClosed) {
  for (const char* medium : {"dvd-r", "dvd+r"}) {
    SCOPED_TRACE(medium);
    Load(medium);
    const bool plus = std::string(medium) == "dvd+r";
    ASSERT_EQ(harness.SetWriteParameters({.writeType = 0, .multiSession = 3}), TransportResult::Good);
    ASSERT_EQ(Write(0, 20, 1), TransportResult::Good);
    ASSERT_EQ(harness.Send(cdb::CloseTrack(1)), TransportResult::Good);
    ASSERT_EQ(harness.Send(cdb::CloseSession()), TransportResult::Good);
    EXPECT_EQ(harness.DiscInformation()[2] & 0x0F, 0x01);  // appendable, last session empty
    const std::int32_t second = harness.TrackStart(2);
    EXPECT_EQ(second, 12320);  // the border behind block 20, up to the next ECC block
    EXPECT_EQ(Write(second - 16, 16, 2), TransportResult::DeviceFailure);
    ASSERT_EQ(Write(second, 16, 2), TransportResult::Good);
    ASSERT_EQ(harness.Send(cdb::CloseTrack(2)), TransportResult::Good);
    if (!plus) {
      ASSERT_EQ(harness.SetWriteParameters({.writeType = 0}), TransportResult::Good);
    }
    ASSERT_EQ(harness.Send(plus ? CloseFunction(0x06) : cdb::CloseSession()), TransportResult::Good);
    EXPECT_EQ(harness.DiscInformation()[2] & 0x0F, 0x0E);
    EXPECT_EQ(harness.Read(cdb::Read12(second, 16), 16 * 2048), Pattern(16, 2048, 2));
    const auto sessions = harness.Read(cdb::ReadToc(1, false, 12), 12).value();
    EXPECT_EQ(sessions[3], 2);
    EXPECT_EQ(Be32(sessions, 8), static_cast<std::uint32_t>(second));
  }
}

TEST_F(DvdFamily, ADvdPlusRwIsWrittenAnywhereOnceFormattedAndKeepsItAcrossRuns) {
  Load("dvd+rw");
  EXPECT_EQ(Write(0, 16, 1), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kIncompatibleMedium);
  EXPECT_EQ(harness.Read(ReadFormatCapacities(), 252).value()[8], 0x01);  // unformatted
  ASSERT_EQ(Format(harness, 0x26), TransportResult::Good);
  EXPECT_EQ(harness.DiscInformation()[7] & 0x03, 0x03);
  ASSERT_EQ(Write(1000, 16, 2), TransportResult::Good);
  ASSERT_EQ(Write(16, 1, 3), TransportResult::Good);
  ASSERT_EQ(Write(16, 1, 4), TransportResult::Good);  // overwritten
  ASSERT_EQ(harness.Send(CloseFunction(0x00)), TransportResult::Good);
  ASSERT_EQ(harness.Send(CloseFunction(0x02)), TransportResult::Good);

  harness.Restart({}, DvdRecorderModel());
  EXPECT_EQ(Profile(), 0x1A);
  EXPECT_EQ(harness.Read(ReadFormatCapacities(), 252).value()[8], 0x02);  // formatted
  EXPECT_EQ(harness.Read(cdb::Read12(16, 1), 2048), Pattern(1, 2048, 4));
  EXPECT_EQ(harness.Read(cdb::Read12(1000, 16), 16 * 2048), Pattern(16, 2048, 2));
  EXPECT_EQ(harness.Read(cdb::Read12(5000, 1), 2048), std::vector<std::uint8_t>(2048, 0));
  EXPECT_EQ(Be32(harness.Read(cdb::Simple(0x25, 10), 8).value(), 0), 2295103u);
  EXPECT_NE(harness.recorder().DescribeTray().find("DVD+RW, formatted"), std::string::npos);
}

TEST_F(DvdFamily, ADvdRwGoesToRestrictedOverwriteAndBackByBlanking) {
  Load("dvd-rw");
  EXPECT_TRUE(Current(0x0021));
  ASSERT_EQ(Format(harness, 0x15), TransportResult::Good);
  EXPECT_EQ(Profile(), 0x13);
  EXPECT_TRUE(Current(0x0026));
  EXPECT_FALSE(Current(0x0021));
  ASSERT_EQ(harness.SetWriteParameters({.writeType = 0}), TransportResult::Good);
  ASSERT_EQ(Write(64, 16, 1), TransportResult::Good);
  EXPECT_EQ(harness.Read(cdb::Read12(64, 16), 16 * 2048), Pattern(16, 2048, 1));
  EXPECT_EQ(Format(harness, 0x26), TransportResult::DeviceFailure);  // the DVD+RW format
  ASSERT_EQ(harness.Send(Blank()), TransportResult::Good);
  EXPECT_EQ(Profile(), 0x14);
  EXPECT_EQ(harness.DiscInformation()[2], 0x10);  // blank, erasable

  Load("dvd+rw");
  EXPECT_EQ(harness.Send(Blank()), TransportResult::DeviceFailure);
  Load("dvd-r");
  EXPECT_EQ(Format(harness, 0x15), TransportResult::DeviceFailure);
  EXPECT_EQ(harness.sense(), sense::kIncompatibleMedium);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
