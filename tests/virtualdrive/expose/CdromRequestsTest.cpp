// The CD-ROM driver's own requests on a virtual recorder: what a program that
// never sends SCSI commands itself learns of the disc, and reads from it.
#include <gtest/gtest.h>
#include <linux/cdrom.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tests/virtualdrive/recorder/RecorderHarness.h"
#include "virtualdrive/expose/CdromRequests.h"

namespace brenmark::expose {
namespace {

using virtualdrive::testing::cdb::CloseSession;
using virtualdrive::testing::cdb::CloseTrack;
using virtualdrive::testing::Pattern;
using virtualdrive::testing::RecorderHarness;

constexpr std::uint16_t kFirstTrackBlocks = 100;
constexpr std::uint16_t kSecondTrackBlocks = 10;

// A disc of two sessions, one Mode 1 track each, written track at once.
class TwoSessionDisc : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(harness_.SetWriteParameters({.multiSession = 3}), TransportResult::Good);
    ASSERT_EQ(harness_.Write(0, kFirstTrackBlocks, first_), TransportResult::Good);
    ASSERT_EQ(harness_.Send(CloseTrack(1)), TransportResult::Good);
    ASSERT_EQ(harness_.Send(CloseSession()), TransportResult::Good);
    second_ = harness_.TrackStart(2);
    ASSERT_EQ(harness_.Write(second_, kSecondTrackBlocks, Pattern(kSecondTrackBlocks, 2048, 2)), TransportResult::Good);
    ASSERT_EQ(harness_.Send(CloseTrack(2)), TransportResult::Good);
    ASSERT_EQ(harness_.Send(CloseSession()), TransportResult::Good);
  }

  int Ask(unsigned long request, void* argument, int& error) {
    bool handled = false;
    const int result = requests_.Answer(request, argument, handled, error);
    EXPECT_TRUE(handled);
    return result;
  }

  RecorderHarness harness_;
  CdromRequests requests_{harness_.transport()};
  std::vector<std::uint8_t> first_ = Pattern(kFirstTrackBlocks, 2048, 1);
  std::int32_t second_ = 0;
};

// The frames of an MSF address, as the block address + 150 it stands for.
int Frames(const cdrom_msf0& msf) { return (msf.minute * 60 + msf.second) * 75 + msf.frame; }

// cd-info shows the LBA answers end to end; here the MSF ones and what the
// driver refuses.
TEST_F(TwoSessionDisc, TocEntriesAndTheLastSessionInEitherAddressFormat) {
  int error = 0;
  cdrom_tocentry entry{};
  entry.cdte_format = CDROM_MSF;
  for (const auto& [track, lba] : {std::pair<int, std::int32_t>{2, second_}, {CDROM_LEADOUT, second_ + kSecondTrackBlocks + 2}}) {
    entry.cdte_track = static_cast<std::uint8_t>(track);
    ASSERT_EQ(Ask(CDROMREADTOCENTRY, &entry, error), 0);
    EXPECT_EQ(Frames(entry.cdte_addr.msf), lba + 150) << track;
    EXPECT_EQ(entry.cdte_ctrl & CDROM_DATA_TRACK, CDROM_DATA_TRACK);
  }
  cdrom_multisession session{};
  session.addr_format = CDROM_MSF;
  ASSERT_EQ(Ask(CDROMMULTISESSION, &session, error), 0);
  EXPECT_EQ(Frames(session.addr.msf), second_ + 150);
  EXPECT_EQ(session.xa_flag, 1);

  entry.cdte_format = 7;
  EXPECT_EQ(Ask(CDROMREADTOCENTRY, &entry, error), -1);
  EXPECT_EQ(error, EINVAL);
}

// read() on the node: any byte range of the data, cut at the first block that
// cannot be read (the run-out after the track), nothing past the capacity.
TEST_F(TwoSessionDisc, PlainReadsGiveTheUserDataUpToTheRunOut) {
  int error = 0;
  std::vector<std::uint8_t> bytes(5000);
  const off_t inside = 5 * 2048 + 7;
  ASSERT_EQ(requests_.Read(bytes.data(), bytes.size(), inside, error), 5000);
  EXPECT_EQ(0, std::memcmp(bytes.data(), first_.data() + inside, bytes.size()));

  // A range over the end of the track gives what lies before its run-out.
  const off_t tail = kFirstTrackBlocks * 2048 - 1000;
  ASSERT_EQ(requests_.Read(bytes.data(), bytes.size(), tail, error), 1000);
  EXPECT_EQ(0, std::memcmp(bytes.data(), first_.data() + tail, 1000));
  EXPECT_EQ(requests_.Read(bytes.data(), bytes.size(), kFirstTrackBlocks * 2048, error), -1);
  EXPECT_EQ(error, EIO);

  const off_t size = requests_.Size();
  EXPECT_GE(size, static_cast<off_t>(second_ + kSecondTrackBlocks) * 2048);
  EXPECT_EQ(requests_.Read(bytes.data(), bytes.size(), size, error), 0);
}

// A packet carries the command as SG_IO does; a refused command fails the
// call and leaves its sense where the program asked for it.
TEST_F(TwoSessionDisc, PacketsRunOnTheRecorderAndFailWithTheirSense) {
  int error = 0;
  std::vector<std::uint8_t> block(2048);
  request_sense sense{};
  cdrom_generic_command packet{};
  packet.cmd[0] = 0x28;
  packet.cmd[5] = 3;
  packet.cmd[8] = 1;
  packet.buffer = block.data();
  packet.buflen = 2048;
  packet.sense = &sense;
  packet.data_direction = CGC_DATA_READ;
  ASSERT_EQ(Ask(CDROM_SEND_PACKET, &packet, error), 0);
  EXPECT_EQ(0, std::memcmp(block.data(), first_.data() + 3 * 2048, 2048));

  packet.cmd[5] = kFirstTrackBlocks;  // the run-out
  EXPECT_EQ(Ask(CDROM_SEND_PACKET, &packet, error), -1);
  EXPECT_EQ(error, EIO);
  EXPECT_EQ(sense.sense_key, 0x05);
  EXPECT_EQ(sense.asc, 0x64);
}

// A block read by each of the driver's frame requests: the user data where
// each form puts it.
TEST_F(TwoSessionDisc, FramesReadRawAsMode1AndAsMode2) {
  const struct {
    unsigned long request;
    std::size_t size;
    std::size_t dataAt;
  } kReads[] = {{CDROMREADRAW, 2352, 16}, {CDROMREADMODE1, 2048, 0}, {CDROMREADMODE2, 2336, 0}};
  for (const auto& read : kReads) {
    std::vector<std::uint8_t> buffer(2352);
    buffer[1] = 2;  // 00:02:07, block 7
    buffer[2] = 7;
    int error = 0;
    ASSERT_EQ(Ask(read.request, buffer.data(), error), 0) << read.request;
    EXPECT_EQ(0, std::memcmp(buffer.data() + read.dataAt, first_.data() + 7 * 2048, 2048)) << read.request;
  }
}

// Where the last session's data ends and the next could start, the head's
// position and the catalogue number, as the driver asks the drive for them.
TEST_F(TwoSessionDisc, LastWrittenNextWritablePositionAndCatalogueNumber) {
  int error = 0;
  long last = 0;
  ASSERT_EQ(Ask(CDROM_LAST_WRITTEN, &last, error), 0);
  EXPECT_EQ(last, second_ + kSecondTrackBlocks - 1);  // the last track's last recorded block
  long next = 0;
  ASSERT_EQ(Ask(CDROM_NEXT_WRITABLE, &next, error), 0);
  EXPECT_EQ(next, last + 7);  // a closed track has no next writable address
  cdrom_subchnl position{};
  position.cdsc_format = CDROM_LBA;
  ASSERT_EQ(Ask(CDROMSUBCHNL, &position, error), 0);
  EXPECT_EQ(position.cdsc_audiostatus, CDROM_AUDIO_NO_STATUS);
  EXPECT_EQ(position.cdsc_trk, 1);
  EXPECT_EQ(position.cdsc_absaddr.lba, 0);
  cdrom_mcn number{};
  std::memset(&number, 0xAB, sizeof number);
  ASSERT_EQ(Ask(CDROM_GET_MCN, &number, error), 0);
  EXPECT_EQ(number.medium_catalog_number[13], 0);
}

// The tray's lock and change: PeerDeviceBehaviour; here the eject after a
// lock is lifted, and no audio output to play to.
TEST_F(TwoSessionDisc, AnEjectAfterTheLockIsLiftedAndNoAudioPlay) {
  int error = 0;
  ASSERT_EQ(Ask(CDROM_LOCKDOOR, reinterpret_cast<void*>(1), error), 0);
  ASSERT_EQ(Ask(CDROM_LOCKDOOR, nullptr, error), 0);
  ASSERT_EQ(Ask(CDROMEJECT, nullptr, error), 0);
  EXPECT_EQ(Ask(CDROM_DRIVE_STATUS, nullptr, error), CDS_DISC_OK);  // a fresh blank, its unit attention taken
  for (const unsigned long play : {CDROMPLAYMSF, CDROMPLAYTRKIND, CDROMPAUSE, CDROMRESUME, CDROMVOLCTRL}) {
    cdrom_msf unused{};
    error = 0;
    EXPECT_EQ(Ask(play, &unused, error), -1) << play;
    EXPECT_EQ(error, ENOSYS) << play;
  }
  EXPECT_EQ(requests_.Capabilities() & CDC_PLAY_AUDIO, 0);
}

TEST(CdromRequests, AudioFramesAndWhatTheDiscIs) {
  RecorderHarness harness;
  CdromRequests requests(harness.transport());
  bool handled = false;
  int error = 0;
  EXPECT_EQ(requests.Answer(CDROM_DISC_STATUS, nullptr, handled, error), CDS_NO_INFO);  // blank

  ASSERT_EQ(harness.SetWriteParameters({.dataBlockType = 0, .trackMode = 0}), TransportResult::Good);
  const auto samples = Pattern(300, 2352, 3);
  ASSERT_EQ(harness.Write(0, 300, samples), TransportResult::Good);
  ASSERT_EQ(harness.Send(CloseTrack(1)), TransportResult::Good);
  ASSERT_EQ(harness.Send(CloseSession()), TransportResult::Good);
  EXPECT_EQ(requests.Answer(CDROM_DISC_STATUS, nullptr, handled, error), CDS_AUDIO);

  std::vector<std::uint8_t> frames(3 * 2352);
  cdrom_read_audio read{};
  read.addr_format = CDROM_MSF;
  read.addr.msf = {0, 2, 5};  // block 5
  read.nframes = 3;
  read.buf = frames.data();
  ASSERT_EQ(requests.Answer(CDROMREADAUDIO, &read, handled, error), 0);
  EXPECT_EQ(0, std::memcmp(frames.data(), samples.data() + 5 * 2352, frames.size()));
  // Audio has no user data to read plainly.
  EXPECT_EQ(requests.Read(frames.data(), 2048, 0, error), -1);
  EXPECT_EQ(error, EIO);
  // More than a second of frames, or before the disc, the driver refuses.
  for (const auto& [format, frameCount] : {std::pair{CDROM_LBA, 76}, std::pair{CDROM_MSF, 1}}) {
    read.addr_format = static_cast<std::uint8_t>(format);
    read.addr.msf = {0, 1, 0};
    read.nframes = frameCount;
    error = 0;
    EXPECT_EQ(requests.Answer(CDROMREADAUDIO, &read, handled, error), -1);
    EXPECT_EQ(error, EINVAL);
  }

  ASSERT_TRUE(harness.recorder().RemoveDisc().ok);
  EXPECT_EQ(requests.Answer(CDROM_DISC_STATUS, nullptr, handled, error), CDS_NO_DISC);
  cdrom_tochdr header{};
  EXPECT_EQ(requests.Answer(CDROMREADTOCHDR, &header, handled, error), -1);
  EXPECT_EQ(error, ENOMEDIUM);
}

// DVD_READ_STRUCT: the physical format of each DVD kind as the driver gives
// it; a CD has none, and other structures are refused.
TEST(CdromRequests, TheDvdPhysicalFormatOfEachMedium) {
  RecorderHarness harness(virtualdrive::DvdRecorderModel());
  CdromRequests requests(harness.transport());
  bool handled = false;
  int error = 0;
  for (const auto& [medium, book] : {std::pair{virtualdrive::MediumKind::DvdR, 2},
                                     std::pair{virtualdrive::MediumKind::DvdRw, 3},
                                     std::pair{virtualdrive::MediumKind::DvdPlusR, 10},
                                     std::pair{virtualdrive::MediumKind::DvdPlusRw, 9}}) {
    ASSERT_TRUE(harness.recorder().InsertBlank(medium).ok);
    dvd_struct structure{};
    structure.type = DVD_STRUCT_PHYSICAL;
    ASSERT_EQ(requests.Answer(DVD_READ_STRUCT, &structure, handled, error), 0);
    EXPECT_EQ(structure.physical.layer[0].book_type, book);
    EXPECT_EQ(structure.physical.layer[0].start_sector, 0x30000u);
  }
  dvd_struct other{};
  other.type = DVD_STRUCT_BCA;
  EXPECT_EQ(requests.Answer(DVD_READ_STRUCT, &other, handled, error), -1);
  EXPECT_EQ(error, EINVAL);
  ASSERT_TRUE(harness.recorder().InsertBlank(virtualdrive::MediumKind::CdR).ok);
  other.type = DVD_STRUCT_PHYSICAL;
  EXPECT_EQ(requests.Answer(DVD_READ_STRUCT, &other, handled, error), -1);
  EXPECT_EQ(error, EIO);
}

}  // namespace
}  // namespace brenmark::expose
