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
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// What a job burns: a folder of one 800 KB file, two WAV files, an .iso image.
enum class Source { Folder, Wavs, Iso };

struct StopCase {
  const char* name;
  JobProcedure procedure;
  Source source;
  int drive;
  bool rewritable;           // a blank CD-RW in the tray instead of the recorder's CD-R
  const char* stopAtStatus;  // the stop is requested once the job shows it...
  std::int32_t stopAtPosition;  // ...and then its bar reaches this (-1: at once)
  bool answer;               // to the question
  bool verify;
  JobEnd result;
  std::vector<std::string> question;  // parts of the one question; none asked when empty
  std::vector<std::string> afterLastWrite;
  std::size_t discsKept = 1;  // ejected and kept as an image
};

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

// The commands after the last write, buffer polls left out.
std::vector<std::string> AfterLastWrite(const std::vector<TracedCommand>& commands) {
  std::vector<std::string> described = DescribeWithoutBufferPolls(commands);
  const auto last = std::find_if(described.rbegin(), described.rend(),
                                 [](const std::string& word) { return word.rfind("WRITE", 0) == 0; });
  return {last.base(), described.end()};
}

class BurnStop : public ::testing::TestWithParam<StopCase> {
 protected:
  JobInputs Inputs() {
    JobInputs inputs;
    if (GetParam().source == Source::Wavs) {
      for (std::uint32_t seed : {1u, 2u}) {
        const fs::path wav = folder.path() / ("track" + std::to_string(seed) + ".wav");
        std::ofstream(wav, std::ios::binary)
            << audio::test::Riff({audio::test::FormatChunk({}),
                                  audio::test::Chunk("data", audio::test::Samples(4 * 588 * 400, seed))});
        inputs.sourceFiles.push_back(wav.string());
      }
    } else if (GetParam().source == Source::Iso) {
      const fs::path iso = folder.path() / "disc.iso";
      WritePatternFile(iso, 2048 * 600, 3);
      inputs.sourceFiles.push_back(iso.string());
    } else {
      WritePatternFile(folder.path() / "Data" / "a.bin", 2048 * 400, 4);
      inputs.sourceTree = VirtualBench::TreeOf(folder.path() / "Data");
    }
    return inputs;
  }

  ScratchFolder folder{"stop"};
};

TEST_P(BurnStop, AsksWhatBecomesOfTheDiscThenWindsDown) {
  const StopCase& c = GetParam();
  VirtualBench bench;
  if (c.rewritable) {
    ASSERT_TRUE(bench.recorder(c.drive).InsertBlank(virtualdrive::MediumKind::CdRw, 0).ok);
    bench.trace->Clear();
  }
  bench.prompt.ScriptAnswers({c.answer});
  auto stop = std::make_shared<StopRequest>();
  auto progress = std::make_shared<test::ActingProgress>(c.stopAtStatus, [stop] { stop->Request(); },
                                                         c.stopAtPosition);
  JobInputs inputs = Inputs();
  inputs.currentDrive = c.drive;
  inputs.writeSpeed = 705;
  inputs.verify = c.verify;
  auto job = bench.runner->Start(c.procedure, std::move(inputs), progress, {}, stop);
  ASSERT_TRUE(job);
  job->Wait();

  EXPECT_EQ(job->result(), c.result);
  const std::vector<std::string> questions = bench.prompt.questions();
  if (c.question.empty()) {
    EXPECT_THAT(questions, IsEmpty());
  } else {
    ASSERT_EQ(questions.size(), 1u);
    for (const std::string& part : c.question) EXPECT_THAT(questions[0], HasSubstr(part));
  }
  EXPECT_THAT(bench.prompt.texts(), IsEmpty());
  if (!c.afterLastWrite.empty()) {
    EXPECT_THAT(AfterLastWrite(bench.commands(c.drive)), ElementsAreArray(c.afterLastWrite));
  }
  const std::vector<std::string> statuses = progress->record.statuses();
  if (c.result == JobEnd::StoppedByUser) {
    EXPECT_EQ(statuses.back(), stoptext::kStopped);
  }
  EXPECT_EQ(bench.finishedImages().size(), c.discsKept);
}

const std::string kLeftUnusable = burntext::kStopLeavesUnusable;
const std::string kClosed = burntext::kStopLeavesClosed;
const std::string kWriteOnce = burntext::kStopWriteOnce;
const std::string kRewritable = burntext::kStopRewritable;
constexpr int kCd = VirtualBench::kCdDrive;
constexpr int kDvd = VirtualBench::kDvdDrive;

INSTANTIATE_TEST_SUITE_P(
    Jobs, BurnStop,
    ::testing::Values(
        StopCase{"DataCdMidway", DataCdJob, Source::Folder, kCd, false, "Writing Data To CD...", 100, true, false,
                 JobEnd::StoppedByUser, {kLeftUnusable, kWriteOnce},
                 {"DISCINFO", "SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
        StopCase{"DataCdGoesOnWhenTheUserSaysNo", DataCdJob, Source::Folder, kCd, false, "Writing Data To CD...", 100, false,
                 false, JobEnd::Done, {kLeftUnusable}, {"SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
        StopCase{"DataCdOnARewritable", DataCdJob, Source::Folder, kCd, true, "Writing Data To CD...", 100, true,
                 false, JobEnd::StoppedByUser, {kLeftUnusable, kRewritable}, {}},
        // A blank disc stays blank: no session is closed, no disc kept.
        StopCase{"DataCdBeforeItsFirstWrite", DataCdJob, Source::Folder, kCd, false, "Writing Data To CD...", -1,
                 true, false, JobEnd::StoppedByUser, {burntext::kStopBeforeWriting}, {}, 0},
        StopCase{"AudioBeforeItsFirstWrite", AudioCdJob, Source::Wavs, kCd, false, "Burning Track 1 of 2 on CD ...",
                 -1, true, false, JobEnd::StoppedByUser, {burntext::kStopBeforeWriting}, {}, 0},
        StopCase{"DataDvdAtOnce", DataDvdJob, Source::Folder, kDvd, false, "Writing Data To CD...", 50, true, false,
                 JobEnd::StoppedByUser, {kLeftUnusable, kWriteOnce}, {"DISCINFO", "SYNCCACHE", "STARTSTOP"}},
        StopCase{"AudioTrackAtOnceInItsSecondTrack", AudioCdJob, Source::Wavs, kCd, false, "Burning Track 2 of 2 on CD ...", 1,
                 true, false, JobEnd::StoppedByUser, {kClosed, kWriteOnce},
                 {"DISCINFO", "SYNCCACHE", "CLOSE 1", "CLOSE 2", "STARTSTOP"}},
        StopCase{"IsoImageOnCd", ImageBurnJob, Source::Iso, kCd, false, "Writing Data To CD...", 200, true, false,
                 JobEnd::StoppedByUser, {kLeftUnusable}, {"DISCINFO", "SYNCCACHE", "STARTSTOP"}},
        // Reading back changes nothing: the verify stops without a question.
        StopCase{"Verify", DataCdJob, Source::Folder, kCd, false, verifytext::kReadingDirectories, -1, true, true,
                 JobEnd::StoppedByUser, {}, {}}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brenmark::endtoend
