#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "jobs/Job.h"
#include "jobs/burn/DiscReadBack.h"
#include "jobs/burn/VerifyReport.h"

namespace brenmark {

// Reads the items back in order, telling "Verifying file k of n..." (the
// report's noun; an uncounted item, such as the directory structure, by its
// name) and moving the bar over all their blocks, and adds what each one
// gave to `report`. A stop request ends it within a few commands, the item
// at hand left out: the job is then stopping.
void VerifyItems(JobContext& context, DiscReadBack& readBack, const std::vector<VerifyItem>& items,
                 VerifyReport& report);

// A track a burn wrote as one extent, read back as `kind`.
VerifyItem TrackItem(const WrittenDigests::Extent& extent, std::string name, ReadBackKind kind);
// Verifies tracks on `drive` against what was written ("Verifying track N of M...").
VerifyReport VerifyTracks(JobContext& context, DriveHandle& drive, const WrittenDigests& written,
                          const std::vector<VerifyItem>& tracks);

// Tells how the verify ended, after the eject: its summary as the last
// status, and as an error message when it failed; the per-item log beside
// the image a virtual recorder kept (`<image name>.verify.log`), when there
// is one. True when the verify passed.
bool TellVerifyResult(JobContext& context, const VerifyReport& report,
                      const std::optional<std::filesystem::path>& keptImage);

// How a burn that may have verified ends, after its eject: stopped by the
// user when it was; else the verify's result told when there is one; Done
// only when the burn is complete (`burned`) and the disc read back as written.
JobEnd EndWithVerify(JobContext& context, bool burned, const std::optional<VerifyReport>& verified,
                     const std::optional<std::filesystem::path>& keptImage);

}  // namespace brenmark
