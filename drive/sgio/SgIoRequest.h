#pragma once

#include <scsi/sg.h>

#include <cstdint>

#include "drive/ScsiTransport.h"

namespace brenmark::sgio {

inline constexpr unsigned char kSenseLength = 32;

// Fills an SG_IO header for one request. A command without a data direction
// carries no buffer, whatever length it names: the kernel refuses a data
// length without a direction. Time-outs go from seconds to milliseconds.
sg_io_hdr_t MakeRequestHeader(const ScsiRequest& request, unsigned char* senseBuffer);

// The result class of an SG_IO call: a failed ioctl was never delivered; a
// delivered command is good only when the SCSI, host and driver status are
// all clear.
TransportResult ClassifyResult(int ioctlResult, const sg_io_hdr_t& header);

}  // namespace brenmark::sgio
