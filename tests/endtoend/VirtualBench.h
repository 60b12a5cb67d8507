#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "datadisc/SourceTree.h"
#include "drive/DriveRegistry.h"
#include "jobs/burn/DataDiscJob.h"
#include "jobs/Job.h"
#include "shell/VirtualRecorderPorts.h"
#include "tests/endtoend/EndToEndSupport.h"
#include "tests/support/CountingSleeper.h"
#include "tests/support/RecordingProgress.h"
#include "tests/support/RecordingPrompt.h"
#include "tests/support/RecordingTrace.h"
#include "virtualdrive/VirtualRecorder.h"

namespace brenmark::endtoend {

using test::Describe;
using test::DescribeWithoutBufferPolls;
using test::Transfer;
using test::Writes;

// The engine with a test front end in place of a window: the two virtual
// recorders (drive 0 CD, drive 1 DVD) in a scratch folder, their commands
// traced (those of enumeration left out), a recording prompt and progress,
// and the job mechanism.
class VirtualBench {
 public:
  static constexpr int kCdDrive = 0;
  static constexpr int kDvdDrive = 1;

  explicit VirtualBench(bool answerYes = false);
  ~VirtualBench();

  virtualdrive::VirtualRecorder& recorder(int drive) { return *recorders_[static_cast<std::size_t>(drive)]; }
  // The commands sent to a recorder since the bench stood or the trace was cleared.
  std::vector<TracedCommand> commands(const virtualdrive::VirtualRecorder& to) const {
    return trace->Of(to.model().shortName);
  }
  std::vector<TracedCommand> commands(int drive) const { return commands(*recorders_[static_cast<std::size_t>(drive)]); }

  // The front ends' tree of a folder: ISO 9660 + Joliet, 8.3 names, "TestDisc".
  static std::unique_ptr<datadisc::SourceTree> TreeOf(const std::filesystem::path& folder);

  // Runs a data disc job to its end on `drive` with the given tree.
  struct Outcome {
    JobEnd result = JobEnd::Done;
    std::shared_ptr<test::RecordingProgress> progress;
  };
  Outcome Burn(JobProcedure procedure, int drive, const datadisc::SourceTree& tree,
               std::uint8_t multiSession = 0, std::uint32_t speed = 705);
  // Runs a job that burns a list of files (audio CD, Video CD) to its end.
  Outcome BurnFiles(JobProcedure procedure, int drive, std::vector<std::string> files,
                    std::uint8_t multiSession = 0, std::uint32_t speed = 705);

  std::vector<std::filesystem::path> finishedImages() const;

  bool verify = false;  // the jobs read their discs back
  test::RecordingPrompt prompt;
  test::NoSleep sleeper;
  std::shared_ptr<test::RecordingTrace> trace = std::make_shared<test::RecordingTrace>();
  ScratchFolder discs{"recorders"};
  DriveLeases leases;
  std::unique_ptr<DriveRegistry> registry;
  VirtualRecorderPorts recorderPorts{[this](int drive) {
    return drive == kCdDrive || drive == kDvdDrive ? &recorder(drive) : nullptr;
  }};
  std::unique_ptr<JobRunner> runner;

 private:
  Outcome Run(JobProcedure procedure, JobInputs inputs, int drive, std::uint8_t multiSession, std::uint32_t speed);

  std::vector<std::shared_ptr<virtualdrive::VirtualRecorder>> recorders_;
  mutable std::mutex finishedMutex_;
  std::vector<std::filesystem::path> finished_;
};

// The 2048-byte user data of every raw Mode 1 sector of a .bin, in order: an
// image in which block n lies at offset n * 2048.
void ExtractMode1UserData(const std::filesystem::path& bin, const std::filesystem::path& iso);

// The .bin named by a cue sheet that sits next to it.
std::filesystem::path BinOf(const std::filesystem::path& cue);

}  // namespace brenmark::endtoend
