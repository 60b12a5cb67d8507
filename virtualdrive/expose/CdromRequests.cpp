#include "virtualdrive/expose/CdromRequests.h"

#include <linux/cdrom.h>
#include <scsi/sg.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <vector>

#include "bytes/ByteOrder.h"
#include "virtualdrive/DiscGeometry.h"
#include "virtualdrive/expose/SgIoAnswer.h"

namespace brenmark::expose {
namespace {

constexpr std::uint8_t kReadToc = 0x43;
constexpr std::uint8_t kReadSubChannel = 0x42;
constexpr std::uint8_t kStartStopUnit = 0x1B;
constexpr std::uint8_t kTocAllocation = 12;
constexpr std::uint32_t kBlockSize = 2048;
constexpr std::uint32_t kRawFrameSize = 2352;
// A Mode 2 block past its sync and header: subheaders, data and EDC.
constexpr std::uint32_t kMode2Size = 2336;
// The most blocks one READ(10) of a plain read asks for.
constexpr std::uint32_t kBlocksPerRead = 32;

constexpr std::uint8_t kUnitAttention = 0x06;

// The driver watches the drive's events itself, so a unit attention after a
// change of disc never reaches the program's request: the command runs again.
CommandOutcome Deliver(ScsiTransport& device, const ScsiRequest& request) {
  CommandOutcome outcome = device.Execute(request);
  if (outcome.sense && outcome.sense->key == kUnitAttention) outcome = device.Execute(request);
  return outcome;
}

// The device as the driver's packets reach it (see Deliver).
class DriverPath final : public ScsiTransport {
 public:
  explicit DriverPath(ScsiTransport& device) : device_(device) {}
  bool Open() override { return true; }
  void Close() override {}
  CommandOutcome Execute(const ScsiRequest& request) override { return Deliver(device_, request); }

 private:
  ScsiTransport& device_;
};

// One MMC command with data in; 0, or -1 with the error the driver gives a
// refused command: ENOMEDIUM without a disc, EIO otherwise.
int Run(ScsiTransport& device, const std::uint8_t* cdb, std::uint8_t cdbLength, std::uint8_t* buffer,
        std::uint32_t length, int& error) {
  ScsiRequest request;
  request.cdb = cdb;
  request.cdbLength = cdbLength;
  request.direction = length > 0 ? DataDirection::In : DataDirection::None;
  request.buffer = buffer;
  request.length = length;
  const CommandOutcome outcome = Deliver(device, request);
  if (outcome.result == TransportResult::Good) return 0;
  const bool noDisc = outcome.sense && outcome.sense->key == 0x02 && outcome.sense->asc == 0x3A;
  error = noDisc ? ENOMEDIUM : EIO;
  return -1;
}

// READ TOC/PMA/ATIP of `format` for `track`, the first 12 bytes of the answer.
int ReadToc(ScsiTransport& device, std::uint8_t format, bool msf, std::uint8_t track,
            std::array<std::uint8_t, kTocAllocation>& answer, int& error) {
  const std::uint8_t cdb[10] = {kReadToc, static_cast<std::uint8_t>(msf ? 0x02 : 0), format, 0, 0, 0, track, 0,
                                kTocAllocation, 0};
  answer.fill(0);
  return Run(device, cdb, sizeof cdb, answer.data(), kTocAllocation, error);
}

// A command without data; true when it ended well, else `sense` holds its sense, if any.
bool RunBare(ScsiTransport& device, std::initializer_list<std::uint8_t> bytes,
             std::optional<SenseCode>* sense = nullptr) {
  std::array<std::uint8_t, 12> cdb{};
  std::copy(bytes.begin(), bytes.end(), cdb.begin());
  ScsiRequest request;
  request.cdb = cdb.data();
  request.cdbLength = static_cast<std::uint8_t>(bytes.size());
  const CommandOutcome outcome = Deliver(device, request);
  if (sense != nullptr) *sense = outcome.sense;
  return outcome.result == TransportResult::Good;
}

// The block an MSF address names (the 150-frame offset taken off).
std::int32_t MsfToLba(std::uint8_t minute, std::uint8_t second, std::uint8_t frame) {
  return (minute * 60 + second) * virtualdrive::geometry::kFramesPerSecond + frame - virtualdrive::geometry::kMsfOffset;
}

// The address `lba` in the format a program asked for.
void SetAddress(cdrom_addr& address, std::int32_t lba, std::uint8_t format) {
  if (format == CDROM_LBA) {
    address.lba = lba;
    return;
  }
  const virtualdrive::Msf msf = virtualdrive::LbaToMsf(lba);
  address.msf.minute = msf.minute;
  address.msf.second = msf.second;
  address.msf.frame = msf.frame;
}

bool KnownAddressFormat(std::uint8_t format) { return format == CDROM_LBA || format == CDROM_MSF; }

template <typename Value>
bool Fetch(void* argument, Value& value, int& error) {
  if (argument == nullptr) {
    error = EFAULT;
    return false;
  }
  std::memcpy(&value, argument, sizeof value);
  return true;
}

template <typename Value>
int Store(void* argument, const Value& value) {
  std::memcpy(argument, &value, sizeof value);
  return 0;
}

// The block a frame request's MSF address names; -1 (with the error set)
// when the address cannot be read or lies before block 0.
std::int32_t FrameAddress(void* argument, int& error) {
  cdrom_msf address{};
  if (!Fetch(argument, address, error)) return -1;
  const std::int32_t lba = MsfToLba(address.cdmsf_min0, address.cdmsf_sec0, address.cdmsf_frame0);
  if (lba < 0) error = EINVAL;
  return lba < 0 ? -1 : lba;
}

}  // namespace

int CdromRequests::Answer(unsigned long request, void* argument, bool& handled, int& error) {
  handled = true;
  switch (request) {
    case CDROMREADTOCHDR: return TocHeader(argument, error);
    case CDROMREADTOCENTRY: return TocEntry(argument, error);
    case CDROMMULTISESSION: return MultiSession(argument, error);
    case CDROM_DISC_STATUS: return DiscStatus();
    case CDROMREADAUDIO: return ReadAudio(argument, error);
    case CDROM_SEND_PACKET: return SendPacket(argument, error);
    case CDROM_DRIVE_STATUS: return DriveStatus();
    case CDROM_LOCKDOOR: return LockDoor(argument != nullptr, error);
    case CDROMEJECT: return EjectTray(error);
    case CDROMCLOSETRAY: return CloseTray(error);
    case CDROM_MEDIA_CHANGED: return MediaChanged();
    case CDROMREADRAW: return ReadFrame(argument, kRawFrameSize, error);
    case CDROMREADMODE2: return ReadFrame(argument, kMode2Size, error);
    case CDROMREADMODE1: return ReadMode1(argument, error);
    case CDROM_LAST_WRITTEN: return LastWritten(argument, error);
    case CDROM_NEXT_WRITABLE: return NextWritable(argument, error);
    case CDROMSUBCHNL: return SubChannel(argument, error);
    case CDROM_GET_MCN: return CatalogueNumber(argument, error);
    // Playing audio to an analogue output this drive does not have: refused
    // as the driver refuses a drive without it.
    case CDROMPLAYMSF:
    case CDROMPLAYTRKIND:
    case CDROMPLAYBLK:
    case CDROMPAUSE:
    case CDROMRESUME:
    case CDROMSTART:
    case CDROMSTOP:
    case CDROMVOLCTRL:
    case CDROMVOLREAD: error = ENOSYS; return -1;
    case DVD_READ_STRUCT: return DvdStructure(argument, error);
    default: handled = false; return -1;
  }
}

int CdromRequests::TocHeader(void* argument, int& error) {
  cdrom_tochdr header{};
  if (!Fetch(argument, header, error)) return -1;
  std::array<std::uint8_t, kTocAllocation> answer{};
  if (ReadToc(device_, 0, false, 0, answer, error) != 0) return -1;
  header.cdth_trk0 = answer[2];
  header.cdth_trk1 = answer[3];
  return Store(argument, header);
}

// The track's (or with CDROM_LEADOUT the lead-out's) descriptor of the TOC.
int CdromRequests::TocEntry(void* argument, int& error) {
  cdrom_tocentry entry{};
  if (!Fetch(argument, entry, error)) return -1;
  if (!KnownAddressFormat(entry.cdte_format)) {
    error = EINVAL;
    return -1;
  }
  std::array<std::uint8_t, kTocAllocation> answer{};
  const bool msf = entry.cdte_format == CDROM_MSF;
  if (ReadToc(device_, 0, msf, entry.cdte_track, answer, error) != 0) return -1;
  entry.cdte_ctrl = answer[5] & 0x0F;
  entry.cdte_adr = answer[5] >> 4;
  entry.cdte_datamode = (entry.cdte_ctrl & CDROM_DATA_TRACK) != 0 ? 1 : 0;
  if (msf) {
    entry.cdte_addr.msf.minute = answer[9];
    entry.cdte_addr.msf.second = answer[10];
    entry.cdte_addr.msf.frame = answer[11];
  } else {
    entry.cdte_addr.lba = static_cast<int>(bytes::ReadBe32(answer.data() + 8));
  }
  return Store(argument, entry);
}

// The start of the last session (0 on a disc of one session, or one whose
// sessions cannot be read), from the first track of the last complete session.
int CdromRequests::MultiSession(void* argument, int& error) {
  cdrom_multisession session{};
  if (!Fetch(argument, session, error)) return -1;
  if (!KnownAddressFormat(session.addr_format)) {
    error = EINVAL;
    return -1;
  }
  std::array<std::uint8_t, kTocAllocation> answer{};
  int ignored = 0;
  std::int32_t start = 0;
  const bool listed = ReadToc(device_, 1, false, 0, answer, ignored) == 0 && bytes::ReadBe16(answer.data()) >= 10;
  if (listed && answer[6] > 1) start = static_cast<std::int32_t>(bytes::ReadBe32(answer.data() + 8));
  SetAddress(session.addr, start, session.addr_format);
  session.xa_flag = start > 0 ? 1 : 0;
  return Store(argument, session);
}

// What the tracks of the TOC are: audio, data, or both; no disc, or nothing
// known when the TOC cannot be read (a blank disc).
int CdromRequests::DiscStatus() {
  std::array<std::uint8_t, kTocAllocation> answer{};
  int refusal = 0;
  if (ReadToc(device_, 0, false, 0, answer, refusal) != 0) return refusal == ENOMEDIUM ? CDS_NO_DISC : CDS_NO_INFO;
  int audio = 0;
  int data = 0;
  for (unsigned track = answer[2]; track <= answer[3]; ++track) {
    std::array<std::uint8_t, kTocAllocation> entry{};
    if (ReadToc(device_, 0, true, static_cast<std::uint8_t>(track), entry, refusal) != 0) return CDS_NO_INFO;
    ((entry[5] & CDROM_DATA_TRACK) != 0 ? data : audio) += 1;
  }
  if (audio > 0) return data > 0 ? CDS_MIXED : CDS_AUDIO;
  return data > 0 ? CDS_DATA_1 : CDS_NO_INFO;
}

// Raw 2352-byte audio frames with READ CD, at most a second of them at once.
int CdromRequests::ReadAudio(void* argument, int& error) {
  cdrom_read_audio read{};
  if (!Fetch(argument, read, error)) return -1;
  std::int32_t lba = 0;
  if (read.addr_format == CDROM_MSF) {
    lba = read.addr.msf.minute * virtualdrive::geometry::kFramesPerMinute +
          read.addr.msf.second * virtualdrive::geometry::kFramesPerSecond + read.addr.msf.frame -
          virtualdrive::geometry::kMsfOffset;
  } else if (read.addr_format == CDROM_LBA) {
    lba = read.addr.lba;
  } else {
    error = EINVAL;
    return -1;
  }
  if (lba < 0 || read.nframes <= 0 || read.nframes > virtualdrive::geometry::kFramesPerSecond) {
    error = EINVAL;
    return -1;
  }
  if (read.buf == nullptr) {
    error = EFAULT;
    return -1;
  }
  std::uint8_t cdb[12] = {0xBE, 0x01 << 2};
  bytes::WriteBe32(cdb + 2, static_cast<std::uint32_t>(lba));
  cdb[6] = 0;
  cdb[7] = static_cast<std::uint8_t>(read.nframes >> 8);
  cdb[8] = static_cast<std::uint8_t>(read.nframes);
  cdb[9] = 0xF8;  // the whole frame
  return Run(device_, cdb, sizeof cdb, read.buf, static_cast<std::uint32_t>(read.nframes) * kRawFrameSize, error);
}

// An MMC command in the CD-ROM driver's own packet form, carried as SG_IO;
// the driver fails the call with EIO when the command did not end well.
int CdromRequests::SendPacket(void* argument, int& error) {
  cdrom_generic_command packet{};
  if (!Fetch(argument, packet, error)) return -1;
  sg_io_hdr_t header{};
  header.interface_id = 'S';
  header.cmdp = static_cast<cdrom_generic_command*>(argument)->cmd;
  header.cmd_len = CDROM_PACKET_SIZE;
  header.dxferp = packet.buffer;
  header.dxfer_len = packet.buflen;
  header.sbp = reinterpret_cast<unsigned char*>(packet.sense);
  header.mx_sb_len = packet.sense != nullptr ? sizeof(request_sense) : 0;
  header.timeout = packet.timeout > 0 ? static_cast<unsigned>(packet.timeout) : 0;
  switch (packet.data_direction) {
    case CGC_DATA_WRITE: header.dxfer_direction = SG_DXFER_TO_DEV; break;
    case CGC_DATA_READ: header.dxfer_direction = SG_DXFER_FROM_DEV; break;
    case CGC_DATA_NONE: header.dxfer_direction = SG_DXFER_NONE; break;
    default: error = EINVAL; return -1;
  }
  DriverPath path(device_);
  if (AnswerSgIo(path, header, error) != 0) return -1;
  if (header.status != 0 || header.host_status != 0) {
    error = EIO;
    return -1;
  }
  return 0;
}

int CdromRequests::Capabilities() {
  constexpr int kEveryDrive = CDC_CLOSE_TRAY | CDC_OPEN_TRAY | CDC_LOCK | CDC_SELECT_SPEED | CDC_SELECT_DISC |
                              CDC_MULTI_SESSION | CDC_MCN | CDC_MEDIA_CHANGED | CDC_RESET |
                              CDC_DRIVE_STATUS | CDC_CD_R | CDC_CD_RW | CDC_DVD | CDC_DVD_R | CDC_DVD_RAM |
                              CDC_GENERIC_PACKET | CDC_MRW | CDC_MRW_W | CDC_RAM;
  // Not a changer, no Mount Rainier writing, not randomly writable.
  int denied = CDC_SELECT_DISC | CDC_MRW | CDC_MRW_W | CDC_RAM;
  const std::uint8_t cdb[10] = {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 64, 0};
  std::array<std::uint8_t, 64> answer{};
  int ignored = 0;
  if (Run(device_, cdb, sizeof cdb, answer.data(), answer.size(), ignored) != 0) {
    return kEveryDrive & ~(denied | CDC_CD_R | CDC_CD_RW | CDC_DVD_R | CDC_DVD | CDC_DVD_RAM | CDC_SELECT_SPEED);
  }
  const std::size_t at = 8 + bytes::ReadBe16(answer.data() + 6);  // past the header and block descriptors
  if (at + 7 > answer.size()) return kEveryDrive & ~denied;
  const std::uint8_t* page = answer.data() + at;
  const struct {
    std::uint8_t byte;
    std::uint8_t bit;
    int capability;
  } kGrants[] = {{2, 0x08, CDC_DVD},  {3, 0x20, CDC_DVD_RAM}, {3, 0x10, CDC_DVD_R},
                 {3, 0x02, CDC_CD_RW}, {3, 0x01, CDC_CD_R},    {6, 0x08, CDC_OPEN_TRAY}};
  for (const auto& grant : kGrants) {
    if ((page[grant.byte] & grant.bit) == 0) denied |= grant.capability;
  }
  return kEveryDrive & ~denied;
}

off_t CdromRequests::Size() {
  const std::uint8_t cdb[10] = {0x25};
  std::array<std::uint8_t, 8> answer{};
  int ignored = 0;
  if (Run(device_, cdb, sizeof cdb, answer.data(), answer.size(), ignored) != 0) return 0;
  return (static_cast<off_t>(bytes::ReadBe32(answer.data())) + 1) * kBlockSize;
}

// READ(10) of the blocks the range spans, several at once until one read
// fails, then block by block so that every readable byte before the first
// unreadable block is given.
ssize_t CdromRequests::Read(void* buffer, std::size_t count, off_t offset, int& error) {
  if (offset < 0) {
    error = EINVAL;
    return -1;
  }
  const off_t size = Size();
  if (count == 0 || offset >= size) return 0;
  count = std::min<std::size_t>(count, static_cast<std::size_t>(size - offset));
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::vector<std::uint8_t> blocks;
  std::uint32_t blocksPerRead = kBlocksPerRead;
  std::size_t done = 0;
  while (done < count) {
    const off_t at = offset + static_cast<off_t>(done);
    const auto within = static_cast<std::size_t>(at % kBlockSize);
    const auto spanned = static_cast<std::uint32_t>((within + (count - done) + kBlockSize - 1) / kBlockSize);
    const std::uint32_t wanted = std::min(blocksPerRead, spanned);
    std::uint8_t cdb[10] = {0x28};
    bytes::WriteBe32(cdb + 2, static_cast<std::uint32_t>(at / kBlockSize));
    bytes::WriteBe16(cdb + 7, wanted);
    blocks.resize(static_cast<std::size_t>(wanted) * kBlockSize);
    int refusal = 0;
    if (Run(device_, cdb, sizeof cdb, blocks.data(), static_cast<std::uint32_t>(blocks.size()), refusal) != 0) {
      if (wanted > 1) {
        blocksPerRead = 1;
        continue;
      }
      if (done > 0) return static_cast<ssize_t>(done);
      error = EIO;
      return -1;
    }
    const std::size_t taken = std::min(count - done, blocks.size() - within);
    std::memcpy(out + done, blocks.data() + within, taken);
    done += taken;
  }
  return static_cast<ssize_t>(done);
}

int CdromRequests::DriveStatus() { return RunBare(device_, {0x00, 0, 0, 0, 0, 0}) ? CDS_DISC_OK : CDS_NO_DISC; }

// The driver sends PREVENT ALLOW MEDIUM REMOVAL; the lock holds until it is
// lifted or the device is closed.
int CdromRequests::LockDoor(bool lock, int& error) {
  if (RunBare(device_, {0x1E, 0, 0, 0, static_cast<std::uint8_t>(lock ? 1 : 0), 0})) return 0;
  error = EIO;
  return -1;
}

// A locked tray stays shut (the capabilities page's lock state says so), as
// the driver keeps it shut while a program holds the lock.
int CdromRequests::EjectTray(int& error) {
  const std::uint8_t cdb[10] = {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 64, 0};
  std::array<std::uint8_t, 64> answer{};
  int ignored = 0;
  if (Run(device_, cdb, sizeof cdb, answer.data(), answer.size(), ignored) == 0) {
    const std::size_t at = 8 + bytes::ReadBe16(answer.data() + 6);
    if (at + 7 <= answer.size() && (answer[at + 6] & 0x02) != 0) {
      error = EBUSY;
      return -1;
    }
  }
  std::optional<SenseCode> sense;
  if (RunBare(device_, {kStartStopUnit, 0, 0, 0, 0x02, 0}, &sense)) return 0;
  error = sense && sense->key == 0x05 && sense->asc == 0x53 ? EBUSY : EIO;
  return -1;
}

int CdromRequests::CloseTray(int& error) {
  if (RunBare(device_, {kStartStopUnit, 0, 0, 0, 0x03, 0})) return 0;
  error = EIO;
  return -1;
}

// As the driver finds a change: a unit attention for TEST UNIT READY, or a
// new-media or removal event from GET EVENT STATUS NOTIFICATION.
int CdromRequests::MediaChanged() {
  const std::uint8_t testUnitReady[6] = {};
  ScsiRequest request;
  request.cdb = testUnitReady;
  request.cdbLength = sizeof testUnitReady;
  const CommandOutcome ready = device_.Execute(request);
  bool changed = ready.sense && ready.sense->key == kUnitAttention && ready.sense->asc == 0x28;
  // Every event waiting is taken, so that one swap is told once.
  constexpr int kMostEvents = 4;
  const std::uint8_t cdb[10] = {0x4A, 0x01, 0, 0, 0x10, 0, 0, 0, 8, 0};
  for (int polls = 0; polls < kMostEvents; ++polls) {
    std::array<std::uint8_t, 8> event{};
    int ignored = 0;
    if (Run(device_, cdb, sizeof cdb, event.data(), event.size(), ignored) != 0 || (event[2] & 0x07) != 4) break;
    const std::uint8_t code = event[4] & 0x0F;
    if (code != 2 && code != 3) break;
    changed = true;
  }
  return changed ? 1 : 0;
}

// One frame at the MSF address the argument holds, into the argument: the
// whole 2352 bytes, or a Mode 2 block without sync and header.
int CdromRequests::ReadFrame(void* argument, std::uint32_t size, int& error) {
  const std::int32_t lba = FrameAddress(argument, error);
  if (lba < 0) return -1;
  std::uint8_t cdb[12] = {0xBE, 0};
  bytes::WriteBe32(cdb + 2, static_cast<std::uint32_t>(lba));
  cdb[8] = 1;
  cdb[9] = 0xF8;  // sync, headers, user data, EDC and ECC
  std::array<std::uint8_t, kRawFrameSize> frame{};
  if (Run(device_, cdb, sizeof cdb, frame.data(), kRawFrameSize, error) != 0) return -1;
  std::memcpy(argument, frame.data() + (kRawFrameSize - size), size);
  return 0;
}

int CdromRequests::ReadMode1(void* argument, int& error) {
  const std::int32_t lba = FrameAddress(argument, error);
  if (lba < 0) return -1;
  std::uint8_t cdb[10] = {0x28};
  bytes::WriteBe32(cdb + 2, static_cast<std::uint32_t>(lba));
  cdb[8] = 1;
  return Run(device_, cdb, sizeof cdb, static_cast<std::uint8_t*>(argument), kBlockSize, error);
}

// READ TRACK INFORMATION (48 bytes) of track `track`.
bool CdromRequests::TrackInformation(unsigned track, std::array<std::uint8_t, 48>& answer) {
  std::uint8_t cdb[10] = {0x52, 0x01};
  bytes::WriteBe32(cdb + 2, track);
  cdb[8] = static_cast<std::uint8_t>(answer.size());
  answer.fill(0);
  int ignored = 0;
  return Run(device_, cdb, sizeof cdb, answer.data(), answer.size(), ignored) == 0;
}

// The last track with data in it, found as the driver finds it: the last
// track of the last session, or the one before it when that one is blank;
// 0 when the disc information cannot be read or no track has data.
unsigned CdromRequests::LastRecordedTrack(std::array<std::uint8_t, 48>& information) {
  const std::uint8_t cdb[10] = {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0};
  std::array<std::uint8_t, 34> disc{};
  int ignored = 0;
  if (Run(device_, cdb, sizeof cdb, disc.data(), disc.size(), ignored) != 0) return 0;
  unsigned track = static_cast<unsigned>(disc[11]) << 8 | disc[6];
  if (!TrackInformation(track, information)) return 0;
  if ((information[6] & 0x40) != 0) {
    if (track <= 1 || !TrackInformation(--track, information)) return 0;
  }
  return track;
}

// The last block written: the last recorded address when the track gives it,
// else worked out from its start, size and free blocks as the driver does;
// the lead-out's start when the tracks cannot tell.
int CdromRequests::LastWritten(void* argument, int& error) {
  if (argument == nullptr) {
    error = EFAULT;
    return -1;
  }
  std::array<std::uint8_t, 48> track{};
  long last = 0;
  if (LastRecordedTrack(track) != 0 && bytes::ReadBe32(track.data() + 24) != 0) {
    if ((track[7] & 0x02) != 0) {
      last = static_cast<std::int32_t>(bytes::ReadBe32(track.data() + 28));
    } else {
      last = static_cast<std::int32_t>(bytes::ReadBe32(track.data() + 8) + bytes::ReadBe32(track.data() + 24));
      const std::uint32_t free = bytes::ReadBe32(track.data() + 16);
      if (free != 0) last -= static_cast<long>(free) + 7;
    }
    return Store(argument, last);
  }
  std::array<std::uint8_t, kTocAllocation> answer{};
  if (ReadToc(device_, 0, false, CDROM_LEADOUT, answer, error) != 0) return -1;
  last = static_cast<std::int32_t>(bytes::ReadBe32(answer.data() + 8));
  return Store(argument, last);
}

// The next writable address of the last track that has one, else the block
// 7 past the last written, as the driver works it out.
int CdromRequests::NextWritable(void* argument, int& error) {
  if (argument == nullptr) {
    error = EFAULT;
    return -1;
  }
  std::array<std::uint8_t, 48> track{};
  if (LastRecordedTrack(track) != 0 && (track[7] & 0x01) != 0) {
    return Store(argument, static_cast<long>(static_cast<std::int32_t>(bytes::ReadBe32(track.data() + 12))));
  }
  long last = 0;
  if (LastWritten(&last, error) != 0) {
    Store(argument, 0L);
    return -1;
  }
  return Store(argument, last + 7);
}

// READ SUB-CHANNEL of the current position in MSF form, its addresses given
// in the form the program asked for.
int CdromRequests::SubChannel(void* argument, int& error) {
  cdrom_subchnl position{};
  if (!Fetch(argument, position, error)) return -1;
  if (!KnownAddressFormat(position.cdsc_format)) {
    error = EINVAL;
    return -1;
  }
  const std::uint8_t cdb[10] = {kReadSubChannel, 0x02, 0x40, 0x01, 0, 0, 0, 0, 16, 0};
  std::array<std::uint8_t, 16> answer{};
  if (Run(device_, cdb, sizeof cdb, answer.data(), answer.size(), error) != 0) return -1;
  position.cdsc_audiostatus = answer[1];
  position.cdsc_adr = answer[5] >> 4;
  position.cdsc_ctrl = answer[5] & 0x0F;
  position.cdsc_trk = answer[6];
  position.cdsc_ind = answer[7];
  SetAddress(position.cdsc_absaddr, MsfToLba(answer[9], answer[10], answer[11]), position.cdsc_format);
  SetAddress(position.cdsc_reladdr, MsfToLba(answer[13], answer[14], answer[15]), position.cdsc_format);
  return Store(argument, position);
}

// The media catalogue number's 13 digits as the drive gives them (zeros
// when the disc has none), ended by a NUL.
int CdromRequests::CatalogueNumber(void* argument, int& error) {
  if (argument == nullptr) {
    error = EFAULT;
    return -1;
  }
  const std::uint8_t cdb[10] = {kReadSubChannel, 0, 0x40, 0x02, 0, 0, 0, 0, 24, 0};
  std::array<std::uint8_t, 24> answer{};
  if (Run(device_, cdb, sizeof cdb, answer.data(), answer.size(), error) != 0) return -1;
  cdrom_mcn number{};
  std::memcpy(number.medium_catalog_number, answer.data() + 9, 13);
  number.medium_catalog_number[13] = 0;
  return Store(argument, number);
}

// DVD_READ_STRUCT of the physical format of a layer, or of its copyright
// information, from READ DVD STRUCTURE as the driver reads it; other
// structures are refused as the driver refuses them.
int CdromRequests::DvdStructure(void* argument, int& error) {
  constexpr std::uint8_t kReadDvdStructure = 0xAD;
  dvd_struct structure{};
  if (!Fetch(argument, structure, error)) return -1;
  const bool physical = structure.type == DVD_STRUCT_PHYSICAL;
  if (!physical && structure.type != DVD_STRUCT_COPYRIGHT) {
    error = EINVAL;
    return -1;
  }
  const std::uint8_t layer = physical ? structure.physical.layer_num : structure.copyright.layer_num;
  if (layer >= DVD_LAYERS) {
    error = EINVAL;
    return -1;
  }
  constexpr std::uint8_t kAllocation = 4 + 4 * 20;
  const std::uint8_t cdb[12] = {kReadDvdStructure, 0, 0, 0, 0, 0, layer, physical ? std::uint8_t{0x00} : std::uint8_t{0x01},
                                0, kAllocation, 0, 0};
  std::array<std::uint8_t, kAllocation> answer{};
  if (Run(device_, cdb, sizeof cdb, answer.data(), kAllocation, error) != 0) return -1;
  const std::uint8_t* base = answer.data() + 4;
  if (!physical) {
    structure.copyright.cpst = base[0];
    structure.copyright.rmi = base[1];
    return Store(argument, structure);
  }
  dvd_layer& info = structure.physical.layer[layer];
  info.book_version = base[0] & 0x0F;
  info.book_type = base[0] >> 4;
  info.min_rate = base[1] & 0x0F;
  info.disc_size = base[1] >> 4;
  info.layer_type = base[2] & 0x0F;
  info.track_path = (base[2] >> 4) & 0x01;
  info.nlayers = (base[2] >> 5) & 0x03;
  info.track_density = base[3] & 0x0F;
  info.linear_density = base[3] >> 4;
  info.start_sector = bytes::ReadBe32(base + 4) & 0xFFFFFF;
  info.end_sector = bytes::ReadBe32(base + 8) & 0xFFFFFF;
  info.end_sector_l0 = bytes::ReadBe32(base + 12) & 0xFFFFFF;
  info.bca = base[16] >> 7;
  return Store(argument, structure);
}

}  // namespace brenmark::expose
