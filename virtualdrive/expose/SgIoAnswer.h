#pragma once

#include <scsi/sg.h>

#include "drive/ScsiTransport.h"

namespace brenmark::expose {

// Runs the command of one SG_IO header on the device and fills the header as
// the kernel does: SCSI status, masked status, host and driver status, sense
// (fixed format, cut to mx_sb_len) with sb_len_wr, resid, duration and info.
// Returns 0 when the command was delivered, whatever its status, including a
// host adapter failure, which is told in host_status; -1 with `error` set
// when the call itself fails: a malformed header (EINVAL), a missing buffer
// (EFAULT), or a transport failure without host status (EIO).
int AnswerSgIo(ScsiTransport& device, sg_io_hdr_t& header, int& error);

}  // namespace brenmark::expose
