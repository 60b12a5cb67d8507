// Burns stopped by the user at a chosen write, on the virtual recorders: the
// question, what is sent to the drive after the stop, and how the job ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/BurnSequence.h"
#include "jobs/burn/ImageBurnJob.h"
#include "jobs/burn/VerifyReport.h"
#include "tests/audio/WavBytes.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAreArray;

// What a job burns: a folder of one 800 KB file, two WAV files, an .iso image.
enum class Source { Folder, Wavs, Iso };

JobInputs InputsOf(Source source, const fs::path& folder) {
  JobInputs inputs;
  if (source == Source::Folder) {
    WritePatternFile(folder / "Data" / "a.bin", 2048 * 400, 4);
    inputs.sourceTree = VirtualBench::TreeOf(folder / "Data");
  } else if (source == Source::Iso) {
    WritePatternFile(folder / "disc.iso", 2048 * 600, 3);
    inputs.sourceFiles.push_back((folder / "disc.iso").string());
  }
  for (const char* name : {"1.wav", "2.wav"}) {
    if (source != Source::Wavs) break;
    std::ofstream(folder / name, std::ios::binary) << audio::test::Riff(
        {audio::test::FormatChunk({}), audio::test::Chunk("data", audio::test::Samples(4 * 588 * 400, name[0]))});
    inputs.sourceFiles.push_back((folder / name).string());
  }
  return inputs;
}

// The commands after the last write, buffer polls left out.
std::vector<std::string> AfterLastWrite(const std::vector<TracedCommand>& commands) {
  const std::vector<std::string> described = DescribeWithoutBufferPolls(commands);
  const auto last = std::find_if(described.rbegin(), described.rend(),
                                 [](const std::string& word) { return word.rfind("WRITE", 0) == 0; });
  return {last.base(), described.end()};
}

TEST(BurnStop, AsksWhatBecomesOfTheDiscThenWindsDown) {
  const std::string asked = burntext::kStopQuestion, unusable = burntext::kStopLeavesUnusable,
                    writeOnce = burntext::kStopWriteOnce, nothingYet = asked + burntext::kStopBeforeWriting;
  const std::string writing = "Writing Data To CD...";
  struct Case {
    const char* name;
    JobProcedure procedure;
    Source source;
    int drive;
    bool rewritable;              // a blank CD-RW in the tray instead of the recorder's CD-R
    std::string stopAtStatus;     // the stop is requested once the job shows it...
    std::int32_t stopAtPosition;  // ...and then its bar reaches this (-1: at once)
    bool answer;                  // to the question
    JobEnd result;
    std::string question;  // none asked when empty
    std::vector<std::string> afterLastWrite;
  };
  const Case cases[] = {
      {"data CD midway", DataCdJob, Source::Folder, VirtualBench::kCdDrive, false, writing, 100, true,
       JobEnd::StoppedByUser, asked + unusable + writeOnce, {"DISCINFO", "SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
      {"the user goes on", DataCdJob, Source::Folder, VirtualBench::kCdDrive, false, writing, 100, false,
       JobEnd::Done, asked + unusable + writeOnce, {"SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
      {"a rewritable", DataCdJob, Source::Folder, VirtualBench::kCdDrive, true, writing, 100, true,
       JobEnd::StoppedByUser, asked + unusable + burntext::kStopRewritable,
       {"DISCINFO", "SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
      // A blank disc stays blank: no session is closed, no disc kept.
      {"before the first write", DataCdJob, Source::Folder, VirtualBench::kCdDrive, false, writing, -1, true,
       JobEnd::StoppedByUser, nothingYet, {}},
      {"audio before the first write", AudioCdJob, Source::Wavs, VirtualBench::kCdDrive, false,
       "Burning Track 1 of 2 on CD ...", -1, true, JobEnd::StoppedByUser, nothingYet, {}},
      {"data DVD at once", DataDvdJob, Source::Folder, VirtualBench::kDvdDrive, false, writing, 50, true,
       JobEnd::StoppedByUser, asked + unusable + writeOnce, {"DISCINFO", "SYNCCACHE", "STARTSTOP"}},
      {"audio track at once, in its second track", AudioCdJob, Source::Wavs, VirtualBench::kCdDrive, false,
       "Burning Track 2 of 2 on CD ...", 1, true, JobEnd::StoppedByUser,
       asked + burntext::kStopLeavesClosed + writeOnce,
       {"DISCINFO", "SYNCCACHE", "CLOSE 1", "CLOSE 2", "STARTSTOP"}},
      {"an .iso image", ImageBurnJob, Source::Iso, VirtualBench::kCdDrive, false, writing, 200, true,
       JobEnd::StoppedByUser, asked + unusable + writeOnce, {"DISCINFO", "SYNCCACHE", "STARTSTOP"}},
      // Reading back changes nothing: the verify stops without a question.
      {"verify", DataCdJob, Source::Folder, VirtualBench::kCdDrive, false, verifytext::kReadingDirectories, -1,
       true, JobEnd::StoppedByUser, "", {}},
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
    JobInputs inputs = InputsOf(c.source, folder.path());
    inputs.currentDrive = c.drive;
    inputs.writeSpeed = 705;
    inputs.verify = c.question.empty();  // the verify case alone asks nothing
    auto job = bench.runner->Start(c.procedure, std::move(inputs), progress, {}, stop);
    ASSERT_TRUE(job);
    job->Wait();

    EXPECT_EQ(job->result(), c.result);
    EXPECT_EQ(bench.prompt.questions(), c.question.empty() ? std::vector<std::string>{}
                                                           : std::vector<std::string>{c.question});
    EXPECT_EQ(bench.prompt.texts(), std::vector<std::string>{});
    if (!c.afterLastWrite.empty()) {
      EXPECT_THAT(AfterLastWrite(bench.commands(c.drive)), ElementsAreArray(c.afterLastWrite));
    }
    if (c.result == JobEnd::StoppedByUser) {
      EXPECT_EQ(progress->record.statuses().back(), stoptext::kStopped);
    }
    EXPECT_EQ(bench.finishedImages().size(), c.question == nothingYet ? 0u : 1u);
  }
}

}  // namespace
}  // namespace brenmark::endtoend
