#pragma once

#include <scsi/sg.h>

#include <cstdint>

#include "drive/ScsiTransport.h"

namespace brenmark::sgio {

inline constexpr unsigned char kSenseLength = 32;

// Fills an SG_IO header for one request. A command without a data direction
// carries no buffer, whatever length it names: the kernel refuses a data
// length without a direction. The time-out is the command's, raised to what
// every transport gives it (CommandTimeouts.h), in milliseconds.
sg_io_hdr_t MakeRequestHeader(const ScsiRequest& request, unsigned char* senseBuffer);

// The outcome of an SG_IO call. A failed ioctl (keeping its error number), or
// a host adapter or driver that could not carry the command (host status, or a
// driver error other than "sense available", both kept), is a transport
// failure: the device never answered. A command the device ended with a SCSI
// status other than GOOD, or with sense, is a device failure carrying the
// decoded sense. The residual is the kernel's.
CommandOutcome ClassifyResult(int ioctlResult, const sg_io_hdr_t& header, int systemError = 0);

}  // namespace brenmark::sgio
