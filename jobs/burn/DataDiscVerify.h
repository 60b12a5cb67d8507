#pragma once

#include "datadisc/ImageLayout.h"
#include "jobs/Job.h"
#include "jobs/burn/DiscReadBack.h"
#include "jobs/burn/VerifyReport.h"

namespace brenmark {

// Verifies the session a data job wrote on the disc in its open drive: the
// descriptors, path tables and directories block by block against what was
// written, then every file the written directories record, found through
// them as any reader finds it, against the blocks written for it; a file of
// an earlier session is only read.
VerifyReport VerifyDataSession(JobContext& context, DiscReadBack& readBack, DriveHandle& drive,
                               const datadisc::ImageLayout& layout);

}  // namespace brenmark
