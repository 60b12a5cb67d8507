// Burns stopped by the user at a chosen write, on the virtual recorders: the
// question, what is sent to the drive after the stop, and how the job ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/BurnSequence.h"
#include "jobs/burn/VerifyReport.h"
#include "tests/audio/WavBytes.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;

// What the jobs burn: a folder of one 800 KB file (the data discs), two WAV files (audio).
JobInputs InputsIn(const fs::path& folder) {
  JobInputs inputs;
  WritePatternFile(folder / "Data" / "a.bin", 2048 * 400, 4);
  inputs.sourceTree = VirtualBench::TreeOf(folder / "Data");
  for (const char* name : {"1.wav", "2.wav"}) {
    std::ofstream(folder / name, std::ios::binary) << audio::test::Riff(
        {audio::test::FormatChunk({}), audio::test::Chunk("data", audio::test::Samples(4 * 588 * 400, name[0]))});
    inputs.sourceFiles.push_back((folder / name).string());
  }
  return inputs;
}

TEST(BurnStop, AsksWhatBecomesOfTheDiscThenWindsDown) {
  const std::string asked = burntext::kStopQuestion, unusable = burntext::kStopLeavesUnusable,
                    writeOnce = burntext::kStopWriteOnce, nothingYet = asked + burntext::kStopBeforeWriting,
                    writing = "Writing Data To CD...";
  struct Case {
    const char* name;
    JobProcedure procedure;
    int drive;
    bool rewritable;              // a blank CD-RW in the tray instead of the recorder's CD-R
    std::string stopAtStatus;     // the stop is requested once the job shows it...
    std::int32_t stopAtPosition;  // ...and then its bar reaches this (-1: at once)
    bool answer;                  // to the question: Yes stops the job
    std::string question;         // none asked when empty
    std::vector<std::string> lastCommands;
  };
  const Case cases[] = {
      {"data CD midway", DataCdJob, VirtualBench::kCdDrive, false, writing, 100, true,
       asked + unusable + writeOnce, {"DISCINFO", "SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
      {"the user goes on", DataCdJob, VirtualBench::kCdDrive, false, writing, 100, false,
       asked + unusable + writeOnce, {"SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
      {"a rewritable", DataCdJob, VirtualBench::kCdDrive, true, writing, 100, true,
       asked + unusable + burntext::kStopRewritable, {"DISCINFO", "SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
      // A blank disc stays blank: no session is closed, no disc kept.
      {"before the first write", DataCdJob, VirtualBench::kCdDrive, false, writing, -1, true, nothingYet, {}},
      {"data DVD at once", DataDvdJob, VirtualBench::kDvdDrive, false, writing, 50, true,
       asked + unusable + writeOnce, {"DISCINFO", "SYNCCACHE", "STARTSTOP"}},
      {"audio track at once, in its second track", AudioCdJob, VirtualBench::kCdDrive, false,
       "Burning Track 2 of 2 on CD ...", 1, true, asked + burntext::kStopLeavesClosed + writeOnce,
       {"DISCINFO", "SYNCCACHE", "CLOSE 1", "CLOSE 2", "STARTSTOP"}},
      // Reading back changes nothing: the verify stops without a question.
      {"verify", DataCdJob, VirtualBench::kCdDrive, false, verifytext::kReadingDirectories, -1, true, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder("stop");
    VirtualBench bench;
    if (c.rewritable) {
      ASSERT_TRUE(bench.recorder(c.drive).InsertBlank(virtualdrive::MediumKind::CdRw, 0).ok);
    }
    bench.trace->Clear();
    bench.prompt.ScriptAnswers({c.answer});
    auto stop = std::make_shared<StopRequest>();
    auto progress = std::make_shared<test::ActingProgress>(c.stopAtStatus, [stop] { stop->Request(); },
                                                           c.stopAtPosition);
    JobInputs inputs = InputsIn(folder.path());
    inputs.currentDrive = c.drive;
    inputs.writeSpeed = 705;
    inputs.verify = c.question.empty();  // the verify case alone asks nothing
    auto job = bench.runner->Start(c.procedure, std::move(inputs), progress, {}, nullptr, stop);
    job->Wait();

    EXPECT_EQ(job->result(), c.answer ? JobEnd::StoppedByUser : JobEnd::Done);
    EXPECT_EQ(bench.prompt.questions(), c.question.empty() ? std::vector<std::string>{}
                                                           : std::vector<std::string>{c.question});
    EXPECT_EQ(bench.prompt.texts(), std::vector<std::string>{});
    const std::vector<std::string> sent = DescribeWithoutBufferPolls(bench.commands(c.drive));
    EXPECT_EQ(std::vector<std::string>(sent.end() - static_cast<std::ptrdiff_t>(c.lastCommands.size()), sent.end()),
              c.lastCommands);
    if (c.answer) {
      EXPECT_EQ(progress->record.statuses().back(), stoptext::kStopped);
    }
    EXPECT_EQ(bench.finishedImages().size(), c.question == nothingYet ? 0u : 1u);
  }
}

}  // namespace
}  // namespace brenmark::endtoend
