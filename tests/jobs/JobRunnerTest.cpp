#include "jobs/Job.h"

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>

#include "tests/support/CountingSleeper.h"
#include "tests/support/RecordingProgress.h"
#include "tests/support/RecordingPrompt.h"

namespace brenmark {
namespace {

class JobRunnerTest : public ::testing::Test {
 protected:
  // Starts `procedure` on `drive` with a progress window of its own.
  std::shared_ptr<Job> Start(JobProcedure procedure, int drive,
                             std::shared_ptr<ProgressSink> progress = std::make_shared<test::RecordingProgress>(),
                             JobRunner::EndObserver onEnded = {}) {
    JobInputs inputs;
    inputs.currentDrive = drive;
    return runner.Start(std::move(procedure), std::move(inputs), std::move(progress), std::move(onEnded));
  }

  test::RecordingPrompt prompt;
  test::NoSleep sleeper;
  DriveRegistry registry{prompt, sleeper, {}};
  DriveLeases leases;
  JobRunner runner{registry, prompt, leases};
};

TEST_F(JobRunnerTest, ADriveInUseRefusesASecondJobUntilTheFirstHasEnded) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  auto waitForRelease = [released](JobContext&) {
    released.wait();
    return JobEnd::Done;
  };

  auto first = Start(waitForRelease, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(leases.IsBusy(0));

  auto refused = Start(waitForRelease, 0);
  EXPECT_EQ(refused, nullptr);
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, DriveLeases::kBusyMessage);
  EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Warning);

  // Another drive, and a job without a drive (it reports that itself), still start.
  EXPECT_NE(Start(waitForRelease, 1), nullptr);
  EXPECT_NE(Start(waitForRelease, -1), nullptr);

  release.set_value();
  first->Wait();
  EXPECT_FALSE(leases.IsBusy(0));
  auto again = Start([](JobContext&) { return JobEnd::BurnFailed; }, 0);
  ASSERT_NE(again, nullptr);
  again->Wait();
  EXPECT_EQ(again->result(), JobEnd::BurnFailed);
}

TEST_F(JobRunnerTest, TheEndObserverRunsAfterTheDriveIsFree) {
  std::promise<std::pair<JobEnd, bool>> observed;
  auto job = Start([](JobContext&) { return JobEnd::NoDrive; }, 2, std::make_shared<test::RecordingProgress>(),
                          [this, &observed](JobEnd result) { observed.set_value({result, leases.IsBusy(2)}); });
  ASSERT_NE(job, nullptr);
  const auto [result, busy] = observed.get_future().get();
  EXPECT_EQ(result, JobEnd::NoDrive);
  EXPECT_FALSE(busy);
}

// A job that throws ends failed with the reason told, its window closable and
// its drive free; the program and the other jobs go on.
TEST_F(JobRunnerTest, AnExceptionEndsItsJobAsFailedAndTellsWhy) {
  auto progress = std::make_shared<test::RecordingProgress>();
  auto thrower = Start([](JobContext&) -> JobEnd { throw std::runtime_error("no room for the image"); }, 0, progress);
  ASSERT_NE(thrower, nullptr);
  thrower->Wait();
  EXPECT_EQ(thrower->result(), JobEnd::Crashed);
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, "The job stopped on an unexpected error: no room for the image");
  EXPECT_EQ(prompt.messages()[0].icon, MessageIcon::Error);
  EXPECT_EQ(progress->calls().back(), "close on");
  EXPECT_FALSE(leases.IsBusy(0));

  auto unknown = Start([](JobContext&) -> JobEnd { throw 42; }, 0);
  ASSERT_NE(unknown, nullptr);
  unknown->Wait();
  EXPECT_EQ(unknown->result(), JobEnd::Crashed);
  ASSERT_EQ(prompt.messages().size(), 2u);
  EXPECT_EQ(prompt.messages()[1].text, "The job stopped on an unexpected error.");
}

TEST(DriveLeases, ALeaseTravelsWithItsOwnerAndIsReleasedOnce) {
  DriveLeases leases;
  std::optional<DriveLeases::Lease> held = leases.TryAcquire(1);
  ASSERT_TRUE(held);
  EXPECT_FALSE(leases.TryAcquire(1));
  DriveLeases::Lease moved = std::move(*held);
  held.reset();
  EXPECT_TRUE(leases.IsBusy(1));
  {
    DriveLeases::Lease sink = std::move(moved);
  }
  EXPECT_FALSE(leases.IsBusy(1));
  EXPECT_TRUE(leases.TryAcquire(1));
}

}  // namespace
}  // namespace brenmark
