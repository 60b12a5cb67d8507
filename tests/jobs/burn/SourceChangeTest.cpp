// Source files of audio and Video CD burns that change between the check
// before the first write and their own track.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/AudioCdSaoJob.h"
#include "jobs/burn/VcdJob.h"
#include "tests/audio/WavBytes.h"
#include "tests/endtoend/VirtualBench.h"
#include "tests/support/RecordingProgress.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
namespace wav = audio::test;
using Change = std::function<void(const fs::path& second, const fs::path& first)>;

// How the job ended, its messages, the .bin the recorder kept.
struct Burned {
  JobEnd result;
  std::vector<test::RecordingPrompt::Message> messages;
  std::string disc;
};

// Burns the files, changing the second one while the track before it is written.
Burned Burn(JobProcedure procedure, const std::vector<std::string>& files, const char* trackBefore,
            const Change& change) {
  VirtualBench bench;
  JobInputs inputs;
  inputs.sourceFiles = files;
  inputs.currentDrive = VirtualBench::kCdDrive;
  inputs.writeSpeed = 705;
  auto progress = std::make_shared<test::ActingProgress>(trackBefore, [&] { change(files[1], files[0]); });
  auto job = bench.runner->Start(procedure, std::move(inputs), progress);
  job->Wait();
  return {job->result(), bench.prompt.messages(), ReadWholeFile(BinOf(bench.finishedImages().back()))};
}

// The disc keeps the layout made at the check: a file that grew or was
// replaced is written as it was (the disc of an unchanged burn), one that got
// shorter has filler for what it lost and fails the burn, named again at its
// end. Each change is told in a notice naming the file.
TEST(SourceChanges, TheDiscHoldsTheFilesAsCheckedAndEveryChangeIsToldByName) {
  ScratchFolder folder("changing");
  std::vector<std::string> wavs, mpegs;
  for (const char* name : {"first", "second"}) {
    wavs.push_back((folder.path() / (std::string(name) + ".wav")).string());
    wav::WriteBytes(wavs.back(), wav::Riff({wav::FormatChunk({}), wav::Chunk("data", wav::Samples(2352 * 400, name[0]))}));
    mpegs.push_back((folder.path() / (std::string(name) + ".mpg")).string());
    ASSERT_EQ(MakeVcdStream(mpegs.back(), 1, "ntsc-vcd").exitStatus, 0);
  }
  const Change grow = [](auto& second, auto&) { std::ofstream(second, std::ios::app) << std::string(50000, 'Z'); };
  const Change shrink = [](auto& second, auto&) { fs::resize_file(second, fs::file_size(second) / 4); };
  const Change replace = [](auto& second, auto& first) { fs::remove(second) && fs::copy_file(first, second); };
  for (const auto& [procedure, files, trackBefore, filler] :
       {std::tuple{JobProcedure(AudioCdJob), wavs, "Burning Track 1 of 2 on CD ...", "silence"},
        {JobProcedure(AudioCdSaoJob), wavs, "Burning Track 1 of 2 on CD ...", "silence"},
        {JobProcedure(VcdJob), mpegs, "Burning Track 2 of 3 on Video CD ...", "zeros"}}) {
    for (const auto& [change, notice, shorter] : {std::tuple{grow, "has grown since it was checked", false},
                                                  {shrink, "got shorter after it was checked", true},
                                                  {replace, "was replaced or removed after it was checked", false}}) {
      SCOPED_TRACE(files[1] + " " + notice);
      const std::string kept = ReadWholeFile(files[1]);
      const Burned unchanged = Burn(procedure, files, trackBefore, [](auto&, auto&) {});
      const Burned burned = Burn(procedure, files, trackBefore, change);
      wav::WriteBytes(files[1], kept);

      ASSERT_EQ(burned.messages.size(), shorter ? 2u : 1u);
      EXPECT_THAT(burned.messages[0].text, ::testing::HasSubstr("The file " + files[1] + " " + notice));
      EXPECT_EQ(burned.disc.size(), unchanged.disc.size());
      EXPECT_EQ(burned.result, shorter ? JobEnd::BurnFailed : JobEnd::Done);
      if (shorter) {
        EXPECT_THAT(burned.messages[1].text, ::testing::HasSubstr(filler + (" stands in their place):\n" + files[1] + ": ")));
      } else if (files == wavs) {
        // A Video CD's file system holds the time of writing.
        EXPECT_TRUE(burned.disc == unchanged.disc);
      }
    }
  }
}

}  // namespace
}  // namespace brenmark::endtoend
