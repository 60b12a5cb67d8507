#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "drive/DriveRegistry.h"
#include "drive/UserPrompt.h"
#include "jobs/DriveLeases.h"
#include "jobs/EjectedDiscs.h"
#include "jobs/JobEnd.h"
#include "jobs/JobState.h"
#include "jobs/ProgressSink.h"
#include "jobs/StopRequest.h"

// The job mechanism: one worker thread per job, started by JobRunner under
// the drive's lease. An exception that escapes a procedure ends its job
// Crashed, the reason told, instead of ending the program; the runner joins
// its threads when destroyed.
namespace brenmark {

// What a running job works with: its own inputs, its own progress window and
// its own transfer buffer. Only the registry is shared, and the job's lease
// keeps every other caller off its drive.
struct JobContext {
  static constexpr std::size_t kTransferBufferSize = 60000;

  DriveRegistry& registry;
  ProgressSink& progress;
  UserPrompt& prompt;
  JobInputs inputs;
  // What drives that keep their ejected discs say after an eject; null when
  // the front end has no such drives.
  const EjectedDiscs* ejectedDiscs = nullptr;
  std::vector<std::uint8_t> transferBuffer = std::vector<std::uint8_t>(kTransferBufferSize);
  // The front end's stop request for this job; null where the job cannot be stopped.
  const StopRequest* stopRequest = nullptr;
  // Stop requests the user answered by going on; only a later one counts.
  std::uint32_t stopsDeclined = 0;
  // The user agreed to stop: what the job still does only winds it down.
  bool stopping = false;

  bool StopRequested() const { return stopRequest != nullptr && stopRequest->count() > stopsDeclined; }
  void DeclineStop() { stopsDeclined = stopRequest != nullptr ? stopRequest->count() : 0; }

  // Tells the user why the job stops; returns the job's result.
  JobEnd Stop(const std::string& text, JobEnd result) {
    prompt.ShowMessage(text, MessageIcon::Error);
    return result;
  }
  // Tells a notice that needs no answer: in the progress window where it
  // takes notices, else as a plain message.
  void Notify(const std::string& text) { TellNotice(progress, prompt, text); }
  static void TellNotice(ProgressSink& progress, UserPrompt& prompt, const std::string& text) {
    if (!progress.ShowNotice(text)) prompt.ShowMessage(text, MessageIcon::Plain);
  }
  // Lets the user close the progress window; returns the job's result.
  JobEnd End(JobEnd result) {
    progress.EnableClose(true);
    return result;
  }
};

// The procedure a job thread runs. Its result is what the job ended with:
// Done when it did everything it was asked, anything else when it stopped
// short (the front ends say which of the two it was).
using JobProcedure = std::function<JobEnd(JobContext&)>;

// A started job, as the front end sees it.
class Job {
 public:
  bool Finished() const;
  // Blocks until the procedure has returned; the front ends that must not block
  // use the end observer given to JobRunner::Start instead.
  void Wait() const;
  // The procedure's result; meaningful once Finished().
  JobEnd result() const;

 private:
  friend class JobRunner;
  void MarkFinished(JobEnd result);

  mutable std::mutex mutex_;
  mutable std::condition_variable ended_;
  bool finished_ = false;
  JobEnd result_ = JobEnd::Done;
};

// Starts jobs, one worker thread each, and joins them all when destroyed.
class JobRunner {
 public:
  using EndObserver = std::function<void(JobEnd result)>;

  JobRunner(DriveRegistry& registry, UserPrompt& prompt, DriveLeases& leases,
            const EjectedDiscs* ejectedDiscs = nullptr);
  ~JobRunner();
  JobRunner(const JobRunner&) = delete;
  JobRunner& operator=(const JobRunner&) = delete;

  // Takes the lease of inputs.currentDrive (when there is one) and starts the
  // procedure on a new thread. When the drive is busy the user is told so and
  // nothing starts: the result is null. onEnded runs on the job thread after
  // the procedure has returned and the drive has been released. `jobPrompt`,
  // when given, is the job's own (its questions go to its window), kept until
  // the job has ended; else the job asks through the runner's prompt. `stop`,
  // when given, is the front end's way to stop the job.
  std::shared_ptr<Job> Start(JobProcedure procedure, JobInputs inputs,
                             std::shared_ptr<ProgressSink> progress, EndObserver onEnded = {},
                             std::shared_ptr<UserPrompt> jobPrompt = nullptr,
                             std::shared_ptr<const StopRequest> stop = {});

 private:
  struct Worker {
    std::shared_ptr<Job> job;
    std::thread thread;
  };
  void JoinFinished();

  DriveRegistry& registry_;
  UserPrompt& prompt_;
  DriveLeases& leases_;
  const EjectedDiscs* ejectedDiscs_;
  std::mutex workersMutex_;
  std::list<Worker> workers_;
};

}  // namespace brenmark
