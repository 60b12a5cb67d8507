#include "jobs/JobState.h"

#include "datadisc/SourceTree.h"
#include "drive/DriveRegistry.h"

namespace brenmark {

JobState::JobState() = default;
JobState::~JobState() = default;

JobInputs::JobInputs() = default;
JobInputs::~JobInputs() = default;
JobInputs::JobInputs(JobInputs&&) noexcept = default;
JobInputs& JobInputs::operator=(JobInputs&&) noexcept = default;

JobInputs SnapshotJobInputs(const JobState& state, const DriveRegistry& registry) {
  JobInputs inputs;
  inputs.sourceFiles = state.sourceFiles;
  inputs.trackSelected = state.trackSelected;
  inputs.outputFolder = state.outputFolder;
  inputs.grabSettings = state.grabSettings;
  inputs.verify = state.verify;
  inputs.discAtOnce = state.discAtOnce;
  if (state.sourceTree) inputs.sourceTree = state.sourceTree->Clone();
  inputs.currentDrive = registry.currentDrive;
  inputs.writeSpeed = state.writeSpeed;
  inputs.multiSession = state.multiSession;
  inputs.blankRewritable = state.blankRewritable;
  return inputs;
}

}  // namespace brenmark
