#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "vcd/VcdFileSystem.h"
#include "vcd/VcdTrackTable.h"

namespace brenmark::vcd {
namespace {

using Bytes = std::vector<std::uint8_t>;

// 2004-03-05 09:07:03 UTC; the tests read local time in UTC.
constexpr std::time_t kNow = 1078477623;

Bytes Sector(std::uint32_t lba, const VcdTrackTable& table) {
  setenv("TZ", "UTC", 1);
  tzset();
  Bytes sector(2048, 0xEE);
  BuildTrack1Sector(lba, table, kNow, sector);
  return sector;
}

std::string Text(const Bytes& bytes, std::size_t at, std::size_t length) {
  return std::string(reinterpret_cast<const char*>(bytes.data() + at), length);
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}
// A both-endian field whose two halves agree.
std::uint32_t Both32(const Bytes& b, std::size_t at) {
  EXPECT_EQ(Le32(b, at), Be32(b, at + 4)) << "at " << at;
  return Le32(b, at);
}

VcdTrackTable TableOf(std::vector<std::uint64_t> sizes) {
  auto table = LayTracks(sizes);
  EXPECT_TRUE(table.has_value());
  return table.value_or(VcdTrackTable{});
}

struct Record {
  std::size_t offset;
  std::uint8_t length;
  std::uint32_t extent;
  std::uint32_t dataLength;
  Bytes time;
  std::string identifier;
  std::uint16_t xaAttributes;
};

// The records of a directory sector, read independently of the builders.
std::vector<Record> RecordsOf(const Bytes& sector) {
  std::vector<Record> records;
  for (std::size_t at = 0; at < sector.size() && sector[at] != 0; at += sector[at]) {
    const std::uint8_t idLength = sector[at + 32];
    const std::size_t xa = at + 33 + idLength + (idLength % 2 == 0 ? 1 : 0);
    EXPECT_EQ(Text(sector, xa + 6, 2), "XA");
    records.push_back({at, sector[at], Both32(sector, at + 2), Both32(sector, at + 10),
                       Bytes(sector.begin() + static_cast<std::ptrdiff_t>(at + 18),
                             sector.begin() + static_cast<std::ptrdiff_t>(at + 25)),
                       Text(sector, at + 33, idLength),
                       static_cast<std::uint16_t>(sector[xa + 4] << 8 | sector[xa + 5])});
  }
  return records;
}

TEST(VcdTrackTable, SectorsAndSpacingFollowTheFileSizes) {
  struct Case {
    std::vector<std::uint64_t> sizes;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries;
    std::uint32_t end;
  };
  const Case cases[] = {
      {{2324 * 100, 2324 * 50}, {{2860, 100}, {3210, 50}}, 3510},
      {{2324 * 100 + 1}, {{2860, 101}}, 3211},
      {{1}, {{2860, 1}}, 3111},
      {{2324 * 1000}, {{2860, 1000}}, 4110},
  };
  for (const Case& c : cases) {
    const VcdTrackTable table = TableOf(c.sizes);
    ASSERT_EQ(table.entries.size(), c.entries.size());
    for (std::size_t i = 0; i < c.entries.size(); ++i) {
      EXPECT_EQ(table.entries[i].dataStart, c.entries[i].first);
      EXPECT_EQ(table.entries[i].dataLength, c.entries[i].second);
    }
    EXPECT_EQ(table.end, c.end);
  }
  const std::vector<std::uint64_t> tooLarge = {std::uint64_t{1} << 43};
  EXPECT_FALSE(LayTracks(tooLarge).has_value());
}

// A 21-minute disc (94,349 free blocks): the data room is what is left after
// track 1, the gap, the empty sectors and the run-out; a file spread over
// discs leaves 20,000 of the free blocks unused on each.
TEST(VcdTrackTable, AFileSpreadOverDiscsLeavesTheReserveOfEachDiscFree) {
  constexpr std::int64_t kFree = 94349;
  const std::int64_t room = DataRoom(kFree);
  EXPECT_EQ(room, 91437);
  VcdTrackTable full;
  full.entries.push_back({kFirstDataStart, static_cast<std::uint32_t>(room)});
  full.end = kFirstDataStart + static_cast<std::uint32_t>(room) + kTrackSpacing;
  EXPECT_EQ(BlocksUsed(full), kFree);

  const std::int64_t spread = SpreadRoom(kFree);
  EXPECT_EQ(spread, kFree - 20000);
  EXPECT_EQ(SpreadRoom(20000), 0);
  const std::uint64_t spreadBytes = static_cast<std::uint64_t>(spread) * 2324;
  EXPECT_FALSE(NeedsSeveralDiscs(spreadBytes, spread));
  EXPECT_TRUE(NeedsSeveralDiscs(spreadBytes + 1, spread));
  // Bytes that fit counted 2332 to a sector but not 2324 to one still go over two discs.
  const std::uint64_t between = static_cast<std::uint64_t>(spread) * 2330;
  EXPECT_TRUE(NeedsSeveralDiscs(between, spread));
  EXPECT_EQ(NextDiscLength(between, spread), spread);
  EXPECT_EQ(NextDiscLength(between - spreadBytes, spread), MpegSectorsFor(between - spreadBytes));
  // The one byte past a full disc has a sector of its own on the next.
  EXPECT_EQ(NextDiscLength(1, spread), 1u);
}

// The ENTRIES and INFO records and the descriptor's fixed texts are read end to end by vcd-info.
TEST(VcdFileSystem, TwoTracksThroughDescriptorAndDirectories) {
  const VcdTrackTable table = TableOf({2324 * 100, 2324 * 50});

  const Bytes pvd = Sector(kDescriptorSector, table);
  EXPECT_EQ(pvd[0], 1);
  EXPECT_EQ(Both32(pvd, 80), 3360u);
  EXPECT_EQ(Both32(pvd, 132), 60u);
  EXPECT_EQ(Le32(pvd, 140), 32u);
  EXPECT_EQ(Be32(pvd, 148), 33u);
  EXPECT_EQ(Both32(pvd, 156 + 2), 34u);
  EXPECT_EQ(Both32(pvd, 156 + 10), 2048u);
  EXPECT_EQ(Bytes(pvd.begin() + 174, pvd.begin() + 181), Bytes(7, 0));
  EXPECT_EQ(Text(pvd, 813, 34), "20040305090703001" "20040305090703001");
  EXPECT_EQ(Text(pvd, 847, 34), "16010101030000001" "16010101030000001");
  EXPECT_EQ(Text(pvd, 1024, 8), "CD-XA001");

  const auto root = RecordsOf(Sector(kRootSector, table));
  ASSERT_EQ(root.size(), 6u);
  const std::vector<std::pair<std::string, std::uint32_t>> rootEntries = {
      {std::string(1, '\0'), 34}, {"\1", 34}, {"CDI", 35}, {"EXT", 36}, {"MPEGAV", 37}, {"VCD", 38}};
  for (std::size_t i = 0; i < root.size(); ++i) {
    EXPECT_EQ(root[i].identifier, rootEntries[i].first);
    EXPECT_EQ(root[i].extent, rootEntries[i].second);
    EXPECT_EQ(root[i].dataLength, 2048u);
    EXPECT_EQ(root[i].xaAttributes, 0x8D55);
    EXPECT_EQ(root[i].time, i < 2 ? Bytes(7, 0) : Bytes({102, 12, 13, 22, 16, 10, 12}));
  }

  const auto mpegav = RecordsOf(Sector(kMpegavSector, table));
  ASSERT_EQ(mpegav.size(), 4u);
  EXPECT_EQ(mpegav[0].extent, 37u);
  EXPECT_EQ(mpegav[1].extent, 34u);
  EXPECT_EQ(mpegav[2].offset, 96u);
  EXPECT_EQ(mpegav[2].identifier, "AVSEQ01.DAT;1");
  EXPECT_EQ(mpegav[2].extent, 2815u);
  EXPECT_EQ(mpegav[2].dataLength, (45u + 100) * 2048);
  EXPECT_EQ(mpegav[2].length, 60);
  EXPECT_EQ(mpegav[2].xaAttributes, 0x1555);
  // The second is kept as it is (03), not rounded down to even.
  EXPECT_EQ(mpegav[2].time, Bytes({104, 3, 5, 9, 7, 3, 0}));
  EXPECT_EQ(mpegav[3].identifier, "AVSEQ02.DAT;1");
  EXPECT_EQ(mpegav[3].extent, 3165u);

  const auto vcdDirectory = RecordsOf(Sector(kVcdSector, table));
  ASSERT_EQ(vcdDirectory.size(), 4u);
  EXPECT_EQ(vcdDirectory[2].offset, 96u);
  EXPECT_EQ(vcdDirectory[2].identifier, "ENTRIES.VCD;1");
  EXPECT_EQ(vcdDirectory[2].length, 60);
  EXPECT_EQ(vcdDirectory[2].extent, 151u);
  EXPECT_EQ(vcdDirectory[3].offset, 156u);
  EXPECT_EQ(vcdDirectory[3].identifier, "INFO.VCD;1");
  EXPECT_EQ(vcdDirectory[3].length, 58);
  EXPECT_EQ(vcdDirectory[3].extent, 150u);
  EXPECT_EQ(vcdDirectory[3].xaAttributes, 0x0D55);
}

TEST(VcdFileSystem, PathTablesInBothByteOrders) {
  const VcdTrackTable table = TableOf({2324});
  const Bytes l = Sector(kLPathTableSector, table);
  const Bytes m = Sector(kMPathTableSector, table);
  const std::vector<std::pair<std::string, std::uint32_t>> expected = {
      {std::string(1, '\0'), 34}, {"CDI", 35}, {"EXT", 36}, {"MPEGAV", 37}, {"VCD", 38}};
  std::size_t at = 0;
  for (const auto& [identifier, extent] : expected) {
    EXPECT_EQ(l[at], identifier.size());
    EXPECT_EQ(Le32(l, at + 2), extent);
    EXPECT_EQ(Be32(m, at + 2), extent);
    EXPECT_EQ(l[at + 6] | l[at + 7] << 8, 1);
    EXPECT_EQ(m[at + 6] << 8 | m[at + 7], 1);
    EXPECT_EQ(Text(l, at + 8, identifier.size()), identifier);
    at += 8 + identifier.size() + identifier.size() % 2;
  }
  EXPECT_EQ(at, 60u);
  EXPECT_EQ(Bytes(l.begin() + 60, l.end()), Bytes(2048 - 60, 0));
}

TEST(VcdFileSystem, EntryPointTimesAndTrackNumbersInBcd) {
  VcdTrackTable table;
  for (std::uint32_t i = 0; i < 11; ++i) table.entries.push_back({i == 10 ? 30000u : 2860 + i, 1});
  const Bytes entries = Sector(kEntriesVcdSector, table);
  EXPECT_EQ(entries[11], 11);
  // Entry 10: track 12, 30105 frames = 06:41:30.
  EXPECT_EQ(Bytes(entries.begin() + 52, entries.begin() + 56), Bytes({0x12, 0x06, 0x41, 0x30}));
}

TEST(VcdFileSystem, ThirtyTwoTracksFillTheMpegavSector) {
  std::vector<std::uint64_t> sizes(kMaxMpegTracks, 2324);
  const auto records = RecordsOf(Sector(kMpegavSector, TableOf(sizes)));
  ASSERT_EQ(records.size(), 34u);
  EXPECT_EQ(records.back().identifier, "AVSEQ32.DAT;1");
  EXPECT_EQ(records.back().offset + records.back().length, 96u + 32 * 60);
}

}  // namespace
}  // namespace brenmark::vcd
