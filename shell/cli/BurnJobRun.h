#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jobs/Job.h"

namespace brenmark::cli {

class CliSession;

// The speed dialog without its window: --speed must be one of the drive's
// speeds; without it the dialog's preselection stands. The exit status of a
// refusal, or nothing when a speed was chosen. `leaveDiscOpen`: the burn asks
// for a disc that takes further sessions.
std::optional<int> ChooseSpeed(CliSession& session, int drive, bool leaveDiscOpen = false);

// Takes "--verify" out of a burn command's arguments and asks the burn to
// verify when it was there.
void TakeVerifyOption(CliSession& session, std::vector<std::string>& arguments);

// Starts a burn job with the session's inputs, waits for it and gives the
// exit status: done only when the job ended with 0. The paths of the discs it
// finished are printed when it has ended, marked "(failed)" when it failed;
// discs finished before the job asks for another disc are printed then.
int RunBurnJob(CliSession& session, JobProcedure procedure);

}  // namespace brenmark::cli
