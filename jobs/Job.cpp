#include "jobs/Job.h"

#include <exception>
#include <string>
#include <utility>

namespace brenmark {

namespace {

constexpr const char* kUnexpectedError = "The job stopped on an unexpected error";

// Runs the procedure; an exception ends the job as failed with its reason
// told, instead of ending the whole program from a worker thread.
JobEnd RunToEnd(const JobProcedure& procedure, JobContext& context) {
  try {
    return procedure(context);
  } catch (const std::exception& error) {
    return context.End(context.Stop(std::string(kUnexpectedError) + ": " + error.what(), JobEnd::Crashed));
  } catch (...) {
    return context.End(context.Stop(std::string(kUnexpectedError) + ".", JobEnd::Crashed));
  }
}

}  // namespace

bool Job::Finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

void Job::Wait() const {
  std::unique_lock lock(mutex_);
  ended_.wait(lock, [this] { return finished_; });
}

JobEnd Job::result() const {
  std::lock_guard lock(mutex_);
  return result_;
}

void Job::MarkFinished(JobEnd result) {
  {
    std::lock_guard lock(mutex_);
    result_ = result;
    finished_ = true;
  }
  ended_.notify_all();
}

JobRunner::JobRunner(DriveRegistry& registry, UserPrompt& prompt, DriveLeases& leases,
                     const EjectedDiscs* ejectedDiscs)
    : registry_(registry), prompt_(prompt), leases_(leases), ejectedDiscs_(ejectedDiscs) {}

JobRunner::~JobRunner() {
  std::list<Worker> workers;
  {
    std::lock_guard lock(workersMutex_);
    workers.swap(workers_);
  }
  for (Worker& worker : workers) worker.thread.join();
}

std::shared_ptr<Job> JobRunner::Start(JobProcedure procedure, JobInputs inputs,
                                      std::shared_ptr<ProgressSink> progress,
                                      EndObserver onEnded, std::shared_ptr<UserPrompt> jobPrompt,
                                      std::shared_ptr<const StopRequest> stop) {
  JoinFinished();
  std::optional<DriveLeases::Lease> lease;
  if (inputs.currentDrive >= 0) {
    lease = leases_.TryAcquire(inputs.currentDrive);
    if (!lease) {
      prompt_.ShowMessage(leases_.RefusalMessage(inputs.currentDrive), MessageIcon::Warning);
      return nullptr;
    }
  }

  auto job = std::make_shared<Job>();
  auto context = std::make_unique<JobContext>(
      JobContext{registry_, *progress, jobPrompt ? *jobPrompt : prompt_, std::move(inputs), ejectedDiscs_});
  context->stopRequest = stop.get();
  auto body = [job, procedure = std::move(procedure), context = std::move(context), stop = std::move(stop),
               progress = std::move(progress), jobPrompt = std::move(jobPrompt), lease = std::move(lease),
               onEnded = std::move(onEnded)]() mutable {
    const JobEnd result = RunToEnd(procedure, *context);
    context.reset();
    jobPrompt.reset();
    lease.reset();
    if (onEnded) onEnded(result);
    job->MarkFinished(result);
  };

  std::lock_guard lock(workersMutex_);
  workers_.push_back(Worker{job, std::thread(std::move(body))});
  return job;
}

void JobRunner::JoinFinished() {
  std::list<Worker> finished;
  {
    std::lock_guard lock(workersMutex_);
    for (auto it = workers_.begin(); it != workers_.end();) {
      auto next = std::next(it);
      if (it->job->Finished()) finished.splice(finished.end(), workers_, it);
      it = next;
    }
  }
  for (Worker& worker : finished) worker.thread.join();
}

}  // namespace brenmark
