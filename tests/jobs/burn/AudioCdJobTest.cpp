// Audio CDs burned from WAV files on the virtual CD recorder through the job,
// read back with cd-info and bchunk (brenmark-cli's burns: endtoend/AudioCliTest).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <regex>
#include <string_view>

#include "audio/AudioTrackReader.h"
#include "jobs/burn/AudioCdJob.h"
#include "tests/audio/WavBytes.h"
#include "tests/endtoend/AudioTakes.h"
#include "tests/endtoend/VirtualBench.h"
#include "tests/support/RecordingProgress.h"
#include "virtualdrive/FaultInjector.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using audio::test::Chunk;
using audio::test::FormatChunk;
using audio::test::Le;
using audio::test::Riff;
using audio::test::Samples;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// WAV files as editors write them, each with an odd number of sample frames:
// a canonical one, one with LIST and fact chunks before its data, one with an
// extensible header, and one of a few frames, less than one write.
struct WavSet {
  WavSet() {
    audio::test::WavFormat extensible;
    extensible.extensible = true;
    samples = {Samples(4 * (588 * 320 + 1), 1), Samples(4 * (588 * 301 + 3), 2), Samples(4 * (588 * 310 + 5), 3),
               Samples(4 * 7, 4)};
    Add("canonical.wav", Riff({FormatChunk({}), Chunk("data", samples[0])}));
    Add("tagged.wav", Riff({FormatChunk({}), Chunk("LIST", "INFOISFT" + Le(4, 4) + "edit"), Chunk("fact", Le(1, 4)),
                            Chunk("data", samples[1])}));
    Add("extensible.wav", Riff({FormatChunk(extensible), Chunk("fact", Le(7, 4)), Chunk("data", samples[2])}));
    Add("short.wav", Riff({FormatChunk({}), Chunk("data", samples[3])}));
  }

  void Add(const std::string& name, const std::string& bytes) {
    paths.push_back(Path(name));
    audio::test::WriteBytes(paths.back(), bytes);
  }

  std::string Path(const std::string& name) const { return (folder.path() / name).string(); }

  ScratchFolder folder{"wavs"};
  std::vector<std::string> samples;
  std::vector<std::string> paths;
};

// The audio tracks cd-info lists in a cue sheet, by number.
std::vector<int> AudioTracksOf(const fs::path& cue) {
  const auto info = RunProgram({"cd-info", "--no-device-info", "--no-cddb", "--cue-file=" + cue.string()});
  EXPECT_EQ(info.exitStatus, 0) << info.err;
  std::vector<int> tracks;
  const std::regex line(R"(^\s*(\d+): \d\d:\d\d:\d\d\s+\d+ audio)");
  for (const std::string& text : Lines(info.out)) {
    std::smatch match;
    if (std::regex_search(text, match, line)) tracks.push_back(std::stoi(match[1]));
  }
  return tracks;
}

TEST(AudioCdJob, AppendingContinuesTheTrackNumbersAndACompleteDiscIsRefused) {
  WavSet wavs;
  VirtualBench bench;
  auto& recorder = bench.recorder(VirtualBench::kCdDrive);
  // A first session that leaves the disc open for another.
  ASSERT_EQ(bench.BurnFiles(AudioCdJob, VirtualBench::kCdDrive, {wavs.paths[0]}, 1).result, JobEnd::Done);
  ASSERT_EQ(bench.finishedImages().size(), 1u);
  ASSERT_TRUE(recorder.InsertImage(bench.finishedImages()[0]).ok);

  const auto appended = bench.BurnFiles(AudioCdJob, VirtualBench::kCdDrive, {wavs.paths[1], wavs.paths[2]});
  ASSERT_EQ(appended.result, JobEnd::Done);
  EXPECT_THAT(appended.progress->statuses(), Contains("Burning Track 2 of 2 on CD ..."));
  ASSERT_EQ(bench.finishedImages().size(), 2u);
  const fs::path cue = bench.finishedImages()[1];
  EXPECT_THAT(AudioTracksOf(cue), ElementsAre(1, 2, 3));
  ExpectTracksHold(cue, {wavs.samples[0], wavs.samples[1], wavs.samples[2]});

  ASSERT_TRUE(recorder.InsertImage(cue).ok);
  bench.trace->Clear();
  const auto refused = bench.BurnFiles(AudioCdJob, VirtualBench::kCdDrive, {wavs.paths[3]});
  EXPECT_EQ(refused.result, JobEnd::DiscNotWritable);
  EXPECT_THAT(bench.prompt.texts(),
              ElementsAre("Disc in the destination device is not empty.\nBurning process will be terminated."));
  EXPECT_THAT(Describe(bench.commands(recorder)), Not(Contains("MODESELECT")));
}

// One case per failure of the job: what the user is told, what the drive
// was sent, and how the job ends.
TEST(AudioCdJob, EachFailureIsToldAndEndsAsItShould) {
  WavSet wavs;
  const std::string mono = wavs.Path("mono.wav");
  audio::test::WriteBytes(mono, Riff({FormatChunk({.channels = 1}), Chunk("data", Samples(4000, 5))}));
  const std::string halfRate = wavs.Path("22khz.wav");
  audio::test::WriteBytes(halfRate, Riff({FormatChunk({.rate = 22050}), Chunk("data", Samples(4000, 6))}));
  const std::string missing = wavs.Path("missing.wav");
  std::vector<std::string> hundred;
  for (int i = 0; i < 100; ++i) hundred.push_back(wavs.paths[3]);
  // 90 minutes of audio that take no room on the file system.
  const std::string huge = wavs.Path("huge.wav");
  const std::uint32_t hugeBytes = 90u * 60u * 176400u;
  audio::test::WriteBytes(huge, Riff({FormatChunk({}), "data" + Le(hugeBytes, 4)}));
  fs::resize_file(huge, 44 + std::uintmax_t{hugeBytes});

  const std::string writeMode = "Error occure while selecting writing mode.\nThe burning process will be terminated.";
  const auto notCdAudio = [](const std::string& path) {
    return "File " + path + " not WAV file with PCM format - 16 bit, stereo, 44.1khz.";
  };
  constexpr int kCd = VirtualBench::kCdDrive;
  // A job that writes no track stops at its first status, the disc left in
  // the tray; one that writes a track ends by ejecting the disc.
  struct Case {
    const char* name;
    int drive;
    const char* fault;
    std::vector<std::string> files;
    JobEnd result;
    std::vector<std::string> messages;
    int tracksWritten;
  };
  const Case cases[] = {
      {"no drive", -1, "", {wavs.paths[0]}, JobEnd::NoDrive,
       {"Error occure while retrieving current writer device.\nBurning process will be terminated."}, 0},
      {"drive not accessible", 7, "", {wavs.paths[0]}, JobEnd::NoDeviceAccess,
       {"Can't get access to CD/DVD Device.\nBurning process will be terminated."}, 0},
      {"mode page unreadable", kCd, "MODESENSE10", {wavs.paths[0]}, JobEnd::WriteModeRefused, {writeMode}, 0},
      {"speed refused", kCd, "SETCDSPEED", {wavs.paths[0]}, JobEnd::Done,
       {"Can't select writing speed. The default speed will be used.\nIt may take much more time then you expected."},
       1},
      {"write mode refused", kCd, "MODESELECT10", {wavs.paths[0]}, JobEnd::WriteModeRefused, {writeMode}, 0},
      // A list with a file that cannot be burned is refused whole, the file
      // named with the reason, before anything is written.
      {"file cannot be opened", kCd, "", {wavs.paths[0], wavs.paths[1], missing}, JobEnd::SourceUnreadable,
       {"Error opening source stream.\n" + missing + ": No such file or directory\nBurning process will be terminated."}, 0},
      {"not CD audio", kCd, "", {wavs.paths[0], mono, wavs.paths[1]}, JobEnd::SourcesRefused, {notCdAudio(mono)}, 0},
      {"22 kHz", kCd, "", {wavs.paths[0], wavs.paths[1], halfRate}, JobEnd::SourcesRefused, {notCdAudio(halfRate)}, 0},
      // A blank disc and a list it cannot number or hold.
      {"100 tracks", kCd, "", hundred, JobEnd::SourcesRefused, {"track numbers up to 100"}, 0},
      {"90 minutes", kCd, "", {huge}, JobEnd::DoesNotFit, {"does not fit on the disc"}, 0},
      // A DVD is refused at once, not after failed writes.
      {"DVD recorder", VirtualBench::kDvdDrive, "", {wavs.paths[0]}, JobEnd::DiscNotWritable,
       {"The disc in the recorder is not a CD"}, 0},
      {"write given up", kCd, "WRITE10:from=100:count=3", {wavs.paths[0], wavs.paths[1]}, JobEnd::BurnFailed, {}, 2},
      {"session not closed", kCd, "CLOSETRACKSESSION:count=2", {wavs.paths[0]}, JobEnd::BurnFailed,
       {"Error occure while closing last session. As the result disc might have incomplete session and might be "
        "unreadable."},
       1},
      {"track information unreadable", kCd, "READTRACKINFORMATION", {wavs.paths[0]}, JobEnd::NoDriveInformation,
       {"Can't read the track information of the disc. The drive answered: 4/44/00"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualBench bench;
    auto& recorder = bench.recorder(c.drive == VirtualBench::kDvdDrive ? c.drive : kCd);
    if (*c.fault) recorder.ArmFault(*virtualdrive::ParseFaultSpec(c.fault).spec);
    const auto outcome = bench.BurnFiles(AudioCdJob, c.drive, c.files);
    EXPECT_EQ(outcome.result, c.result);
    const auto texts = bench.prompt.texts();
    ASSERT_EQ(texts.size(), c.messages.size());
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_THAT(texts[i], HasSubstr(c.messages[i]));
    const bool ejected = c.tracksWritten > 0;
    if (!ejected && !texts.empty()) {
      EXPECT_EQ(bench.prompt.messages().back().icon, MessageIcon::Error);
    }
    EXPECT_EQ(outcome.progress->statuses().back(), !ejected                     ? "Initializing disc format..."
                                                   : c.result == JobEnd::Done ? "Audio CD is done."
                                                                              : "Disc burning failed.");
    EXPECT_EQ(outcome.progress->calls().back(), "close on");

    const auto history = Describe(bench.commands(recorder));
    EXPECT_EQ(std::count(history.begin(), history.end(), "CLOSE 1"), c.tracksWritten);
    EXPECT_EQ(std::count(history.begin(), history.end(), "STARTSTOP"), ejected ? 1 : 0);
    if (c.tracksWritten == 0) {
      EXPECT_THAT(Writes(bench.commands(recorder)), IsEmpty());
    }
    // What is refused is refused before the write parameters are sent.
    if (c.result == JobEnd::SourceUnreadable || c.result == JobEnd::SourcesRefused ||
        c.result == JobEnd::DiscNotWritable || c.result == JobEnd::DoesNotFit) {
      EXPECT_THAT(history, Not(Contains("MODESELECT")));
      EXPECT_THAT(bench.finishedImages(), IsEmpty());
    }
    // A mode page the drive did not give is never sent back.
    if (std::string_view(c.fault) == "MODESENSE10") {
      EXPECT_THAT(history, Not(Contains("MODESELECT")));
    }
  }
}

// A burn whose image the burned discs folder `burned` did not take: failed,
// saying why and that the disc is still in the recorder's tray.
void ExpectImageNotKept(VirtualBench& bench, const fs::path& burned, const VirtualBench::Outcome& outcome) {
  EXPECT_EQ(outcome.result, JobEnd::BurnFailed);
  const auto texts = bench.prompt.texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_THAT(texts[0], HasSubstr("could not keep its image in the burned discs folder: "));
  EXPECT_THAT(texts[0], HasSubstr(burned.string()));
  EXPECT_THAT(texts[0], HasSubstr("The disc is still in the recorder's tray"));
  EXPECT_EQ(outcome.progress->statuses().back(), "Disc burning failed.");
  EXPECT_THAT(bench.finishedImages(), IsEmpty());
  EXPECT_THAT(bench.recorder(VirtualBench::kCdDrive).DescribeTray(), HasSubstr("1 track(s): 1 audio, complete"));
}

// An eject the drive refuses leaves the burn done, as a real drive's would;
// a file in the burned discs folder's place fails it.
TEST(AudioCdJob, ADiscTheRecorderCannotKeepFailsTheBurnWhileARefusedEjectDoesNot) {
  WavSet wavs;
  {
    VirtualBench bench;
    bench.recorder(VirtualBench::kCdDrive).ArmFault(*virtualdrive::ParseFaultSpec("STARTSTOP").spec);
    const auto outcome = bench.BurnFiles(AudioCdJob, VirtualBench::kCdDrive, {wavs.paths[0]});
    EXPECT_EQ(outcome.result, JobEnd::Done);
    EXPECT_THAT(bench.prompt.texts(), IsEmpty());
    EXPECT_EQ(outcome.progress->statuses().back(), "Audio CD is done.");
  }
  VirtualBench bench;
  const fs::path burned = bench.discs.path() / "burned discs";
  audio::test::WriteBytes(burned, "in the folder's place");
  ExpectImageNotKept(bench, burned, bench.BurnFiles(AudioCdJob, VirtualBench::kCdDrive, {wavs.paths[0]}));
}

// Sets or clears a folder's immutable flag; false when the system refuses.
bool SetImmutable(const fs::path& folder, bool immutable) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  int flags = 0;
  bool set = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  set = set && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) ::close(fd);
  return set;
}

// Makes a folder take no new entries: without write permission for a user,
// immutable for root (whom permissions do not stop); undone when it goes.
class ClosedFolder {
 public:
  explicit ClosedFolder(const fs::path& folder)
      : folder_(folder), closed_(::geteuid() != 0 ? ::chmod(folder.c_str(), 0500) == 0 : SetImmutable(folder, true)) {}
  ~ClosedFolder() {
    if (closed_ && ::geteuid() != 0) ::chmod(folder_.c_str(), 0700);
    if (closed_ && ::geteuid() == 0) SetImmutable(folder_, false);
  }
  ClosedFolder(const ClosedFolder&) = delete;
  ClosedFolder& operator=(const ClosedFolder&) = delete;
  bool closed() const { return closed_; }

 private:
  fs::path folder_;
  bool closed_;
};

TEST(AudioCdJob, ABurnedDiscsFolderThatTakesNoEntriesFailsTheBurnAndKeepsTheDiscInTheTray) {
  WavSet wavs;
  VirtualBench bench;
  const fs::path burned = bench.discs.path() / "burned discs";
  fs::create_directory(burned);
  ::chmod(burned.c_str(), 0700);
  ClosedFolder closed(burned);
  if (!closed.closed()) GTEST_SKIP() << "this system lets no folder be closed to new entries";
  ExpectImageNotKept(bench, burned, bench.BurnFiles(AudioCdJob, VirtualBench::kCdDrive, {wavs.paths[0]}));
  EXPECT_TRUE(fs::is_empty(burned));
}

// A WAV cut short, its header telling more samples than it holds, is burned
// with the samples there are, and the user told so by its name.
TEST(AudioCdJob, AFileShorterThanItsHeaderSaysIsNamedAndTheBurnGoesOn) {
  WavSet wavs;
  const std::string cut = wavs.Path("cut.wav");
  audio::test::WriteBytes(cut, Riff({FormatChunk({}), "data" + Le(4 * 588 * 400, 4) + Samples(4 * 588 * 310, 7)}));
  VirtualBench bench;
  const auto outcome = bench.BurnFiles(AudioCdJob, VirtualBench::kCdDrive, {wavs.paths[0], cut});
  EXPECT_EQ(outcome.result, JobEnd::Done);
  ASSERT_EQ(bench.prompt.texts().size(), 1u);
  EXPECT_THAT(bench.prompt.texts()[0], HasSubstr("fewer samples than their WAV headers say"));
  EXPECT_THAT(bench.prompt.texts()[0], HasSubstr("\n" + cut));
  EXPECT_THAT(bench.prompt.texts()[0], Not(HasSubstr(wavs.paths[0])));
}

}  // namespace
}  // namespace brenmark::endtoend
