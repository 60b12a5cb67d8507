#pragma once

#include <sys/types.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "drive/ScsiTransport.h"

namespace brenmark::expose {

// The requests the kernel's CD-ROM driver answers itself rather than passing
// SCSI commands through: the TOC header and entries, the last session, the
// kind of disc, audio frames, MMC packets, the tray, and plain reads of the
// data blocks. Each is answered the way the driver does it, with MMC commands sent
// to the recorder through `device`, so what a program learns this way cannot
// differ from what it would learn through SG_IO. Each returns the ioctl's result; -1 with `error`
// set as the driver sets it (ENOMEDIUM without a disc, EIO for a refused
// command, EINVAL for an argument the driver rejects).
class CdromRequests {
 public:
  explicit CdromRequests(ScsiTransport& device) : device_(device) {}

  // CDROMREADTOCHDR, CDROMREADTOCENTRY, CDROMMULTISESSION, CDROM_DISC_STATUS,
  // CDROMREADAUDIO, CDROM_SEND_PACKET; the tray's lock, eject and close and
  // its media change; frames read raw, as Mode 1 or Mode 2; the last written
  // and next writable blocks; the sub-channel's position and catalogue
  // number; the audio play requests, refused (ENOSYS) as by a drive without
  // an analogue output. `handled` is false for any other request.
  int Answer(unsigned long request, void* argument, bool& handled, int& error);

  // Up to `count` bytes of the data blocks from byte `offset`, as read() on the
  // node gives them: 0 at or past the end of the disc's capacity; the bytes
  // before the first block that cannot be read, or -1 with EIO when that is
  // the first one.
  ssize_t Read(void* buffer, std::size_t count, off_t offset, int& error);

  // The bytes the data blocks span (READ CAPACITY); 0 without a readable disc.
  off_t Size();

  // CDROM_GET_CAPABILITY as the driver sets it when the drive is attached:
  // what it gives every SCSI CD-ROM drive, less what the capabilities mode
  // page (2Ah) denies.
  int Capabilities();

 private:
  int TocHeader(void* argument, int& error);
  int TocEntry(void* argument, int& error);
  int MultiSession(void* argument, int& error);
  int DiscStatus();
  int ReadAudio(void* argument, int& error);
  int SendPacket(void* argument, int& error);
  int DriveStatus();
  int LockDoor(bool lock, int& error);
  int EjectTray(int& error);
  int CloseTray(int& error);
  int MediaChanged();
  int ReadFrame(void* argument, std::uint32_t size, int& error);
  int ReadMode1(void* argument, int& error);
  bool TrackInformation(unsigned track, std::array<std::uint8_t, 48>& answer);
  unsigned LastRecordedTrack(std::array<std::uint8_t, 48>& information);
  int LastWritten(void* argument, int& error);
  int NextWritable(void* argument, int& error);
  int SubChannel(void* argument, int& error);
  int CatalogueNumber(void* argument, int& error);
  int DvdStructure(void* argument, int& error);

  ScsiTransport& device_;
};

}  // namespace brenmark::expose
